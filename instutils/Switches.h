#pragma once
// The command-line switches of the setup program and of the uninstaller,
// read once from the whole command line. Platform-free and self-contained
// (it needs only CommandLine.cpp), so that the stand-in application can
// compile it in.
//
// A switch starts with "/" or "-", its name is case-insensitive, and a value
// follows "=": /DIR=folder, /DIR="folder with spaces". An argument that is
// not a known switch, a value where none belongs or a missing value is
// refused, never ignored: a typo must not leave a wizard waiting on a
// machine nobody looks at.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TRunMode : uint8_t {
    Wizard,      // a person walks the pages
    Silent,      // a progress window only
    VerySilent,  // no window at all
};

struct TSetupCommand {
    TRunMode Mode = TRunMode::Wizard;
    bool Help = false;  // /? or /HELP
    // The main folder: /DIR=, NSIS's /D= (last, unquoted, may hold blanks),
    // or the first argument "-d<folder>" as it always was (case-sensitive,
    // verbatim).
    std::optional<std::string> Dir;
    // /COMPONENTS=: bits 1..5 of the optional components (bit 0, the program
    // itself, is always set).
    std::optional<uint32_t> Components;
    // /ASSOCIATE=: the association letters ("A".."D"), "" for none.
    std::optional<std::string> Extensions;
    std::string LogFile;  // /LOG=; empty for none
    bool CloseApplications = false;
    // The first argument refused and why, for the message; empty when the
    // whole line was understood. Parsing goes on after it, so that Mode
    // says whether anyone can read a message box.
    std::string Error;
};

// The setup program's switches from the whole command line (program name
// first, as GetCommandLine gives it).
TSetupCommand ParseSetupCommand(std::string_view line);

struct TUninstallCommand {
    TRunMode Mode = TRunMode::Wizard;
    std::string LogFile;
    std::string Error;
};

// The uninstaller's switches after "-ui", from `args` (the arguments that
// follow it).
TUninstallCommand ParseUninstallSwitches(const std::string* first, const std::string* last);

// The short names /COMPONENTS= takes, for components 1..5, and the
// association names /ASSOCIATE= takes, for letters "A".."D".
extern const char* const ComponentSwitchNames[5];
extern const char* const AssociateSwitchNames[4];


// The process's command line in the system code page, a character the code
// page lacks as "?": the 8-bit command line would turn it into a look-alike
// (an "a" with a macron into a plain "a"), which names another folder.
std::string StrictCommandLine();
