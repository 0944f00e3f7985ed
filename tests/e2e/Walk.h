#pragma once
// Walks the setup wizard from its first page to the end with the default
// answers, taking a screenshot of every page and of every message box.

#include <functional>
#include <string>
#include <vector>

#include "wizard/Page.h"

namespace e2e {

// The banner title of each page (0..7), as the program shows them.
inline const char* const PageTitles[PageCount] = {
    PageRow(TPage::Welcome).Title, PageRow(TPage::License).Title, PageRow(TPage::DestDir).Title,
    PageRow(TPage::SelComp).Title, PageRow(TPage::Start).Title,   PageRow(TPage::Installing).Title,
    PageRow(TPage::Assoc).Title,   PageRow(TPage::Finish).Title,
};

struct WalkOptions {
    std::string exe;           // ParvelaSetup.exe
    std::string args;          // its command line tail
    std::string shotDir;       // screenshots go here ("" for none)
    int installSeconds = 180;  // the longest the installing page may take
    int pageSeconds = 15;      // the longest any other page may take to follow Next
    int dpiChange = 0;         // > 0: the window is told it moved to a monitor of this DPI first
};

struct WalkResult {
    std::vector<std::string> pages;  // titles of the pages shown, in order
    std::vector<std::string> shots;  // files written
    std::vector<std::string> boxes;  // message boxes met: title and text
    std::string stopped;             // why the walk ended early ("" when it reached the end)
    int exitCode = -1;               // -1: did not end in time
};

// `log` receives one line per step as it happens.
WalkResult WalkWizard(const WalkOptions& options,
                      const std::function<void(const std::string&)>& log);

// Closes the running application, starts the uninstall entry's command as
// the system's list of programs does, answers the confirmation with Yes and
// the final message with OK, taking a screenshot of each (options.exe and
// options.args are not used). exitCode 0 once the removal has ended.
WalkResult WalkUninstall(const WalkOptions& options,
                         const std::function<void(const std::string&)>& log);

// "03-Select Components.bmp": the page number (99 for an unknown title)
// and its title. Characters that file names cannot hold are replaced when
// the file is written.
std::string ShotName(int index, const std::string& title);

}  // namespace e2e
