#pragma once
// The stand-in application's command line: splitting it into arguments and
// telling what the caller asked for. Platform-free so it can be tested on the
// host with literal command lines.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "instutils/Switches.h"

namespace parv {

enum class Mode {
    Window,       // no argument or a document: open the main window
    Associate,    // "-assoc adpr[_rtf][_cod][_doc][_docx]"
    Uninstall,    // "-ui"
    RemovalCopy,  // "-uicopy HANDLE PATH": the uninstaller's copy in the temporary folder
    Invalid,      // anything else: change nothing, exit with an error code
};

struct Command {
    Mode mode = Mode::Window;
    std::string document;         // Window: the document to show, may be empty
    std::array<bool, 4> types{};  // Associate: rtf, cod, doc, docx as ticked
    uintptr_t waitHandle = 0;     // RemovalCopy: the original process, to wait for
    std::string original;         // RemovalCopy: the installed application file
    TUninstallCommand uninstall;  // Uninstall, RemovalCopy: the switches after it
};

// `args` as split by SplitCommandLine (instutils), the program's own path first.
Command ParseCommand(const std::vector<std::string>& args);

// The switches the removal copy is started with, to run as the original does.
std::string CopySwitches(const TUninstallCommand& command);

// The file name part of a path (after the last backslash or slash).
std::string_view FileNamePart(std::string_view path);

// "Letter.rtf - Parvela Word Processor", or the bare title without a document.
std::string WindowCaption(std::string_view document);

}  // namespace parv
