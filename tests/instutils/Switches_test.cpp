#include "instutils/Switches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using M = TRunMode;
constexpr auto Any = std::nullopt;

TEST(Switches, SetupCommandLines) {
    struct Case {
        const char* Line;
        M Mode;
        std::optional<std::string> Dir;
        std::optional<uint32_t> Comps;
        std::optional<std::string> Ext;
        const char* Log;
        bool Close, Help;
        const char* ErrorPart;  // "" when the line is understood
    };
    const Case cases[] = {
        {"setup.exe", M::Wizard, Any, Any, Any, "", false, false, ""},
        {"s -dE:\\Apps", M::Wizard, "E:\\Apps", Any, Any, "", false, false, ""},
        // Today's folder switch keeps its case and blanks; only first.
        {"s \"-dC:\\My Apps\" /s", M::VerySilent, "C:\\My Apps", Any, Any, "", false, false, ""},
        {"s \"-d  spaced \"", M::Wizard, "  spaced ", Any, Any, "", false, false, ""},
        {"s -d", M::Wizard, "", Any, Any, "", false, false, ""},
        {"s -DE:\\x", M::Wizard, Any, Any, Any, "", false, false, "-DE:\\x"},
        {"s /S -dC:\\x", M::VerySilent, Any, Any, Any, "", false, false, "-dC:\\x"},
        {"s -DIR=C:\\x", M::Wizard, "C:\\x", Any, Any, "", false, false, ""},
        {"s /verysilent /Dir=\"C:\\Program Files\\P\" /log=\"C:\\a b.log\"", M::VerySilent,
         "C:\\Program Files\\P", Any, Any, "C:\\a b.log", false, false, ""},
        {"s /SILENT", M::Silent, Any, Any, Any, "", false, false, ""},
        {"s /VERYSILENT /SILENT", M::VerySilent, Any, Any, Any, "", false, false, ""},
        // NSIS: last, unquoted, blanks kept.
        {"s /S /D=C:\\Program Files\\Parvela ", M::VerySilent, "C:\\Program Files\\Parvela", Any,
         Any, "", false, false, ""},
        {"s /S \"/LOG=C:\\x /D=y\"", M::VerySilent, Any, Any, Any, "C:\\x /D=y", false, false, ""},
        {"s \"/COMPONENTS=Spell, clips\"", M::Wizard, Any, 1u | 2u | 16u, Any, "", false, false, ""},
        {"s /COMPONENTS=", M::Wizard, Any, 1u, Any, "", false, false, ""},
        {"s /COMPONENTS=spell,main", M::Wizard, Any, Any, Any, "", false, false, "\"main\""},
        {"s /ASSOCIATE=docx,RTF", M::Wizard, Any, Any, "AD", "", false, false, ""},
        {"s /ASSOCIATE=None", M::Wizard, Any, Any, "", "", false, false, ""},
        {"s /ASSOCIATE=", M::Wizard, Any, Any, Any, "", false, false, "needs a value"},
        {"s /S /CLOSEAPPLICATIONS", M::VerySilent, Any, Any, Any, "", true, false, ""},
        {"s /?", M::Wizard, Any, Any, Any, "", false, true, ""},
        {"s -help", M::Wizard, Any, Any, Any, "", false, true, ""},
        // Refused, but the mode is still known: nobody may be there to read.
        {"s /VERYSLIENT /S", M::VerySilent, Any, Any, Any, "", false, false, "/VERYSLIENT"},
        {"s /SILENT=1", M::Silent, Any, Any, Any, "", false, false, "takes no value"},
        {"s /DIR", M::Wizard, Any, Any, Any, "", false, false, "/DIR"},
        {"s /LOG=", M::Wizard, Any, Any, Any, "", false, false, "/LOG="},
        {"s stray", M::Wizard, Any, Any, Any, "", false, false, "stray"},
        {"s /S /D=", M::VerySilent, "", Any, Any, "", false, false, "/D="},
    };
    for (const Case& c : cases) {
        const TSetupCommand got = ParseSetupCommand(c.Line);
        EXPECT_EQ(got.Mode, c.Mode) << c.Line;
        if (*c.ErrorPart) {
            EXPECT_NE(got.Error.find(c.ErrorPart), std::string::npos) << c.Line << ": " << got.Error;
            continue;
        }
        EXPECT_EQ(got.Error, "") << c.Line;
        EXPECT_EQ(got.Dir, c.Dir) << c.Line;
        EXPECT_EQ(got.Components, c.Comps) << c.Line;
        EXPECT_EQ(got.Extensions, c.Ext) << c.Line;
        EXPECT_EQ(got.LogFile, c.Log) << c.Line;
        EXPECT_EQ(got.CloseApplications, c.Close) << c.Line;
        EXPECT_EQ(got.Help, c.Help) << c.Line;
    }
}

TEST(Switches, UninstallSwitches) {
    const std::vector<std::string> quiet = {"/VerySilent", "-LOG=C:\\u.log"};
    const TUninstallCommand q = ParseUninstallSwitches(quiet.data(), quiet.data() + quiet.size());
    EXPECT_EQ(q.Mode, M::VerySilent);
    EXPECT_EQ(q.LogFile, "C:\\u.log");
    EXPECT_EQ(q.Error, "");
    const std::vector<std::string> bad = {"/SILENT", "/DIR=C:\\x"};
    const TUninstallCommand b = ParseUninstallSwitches(bad.data(), bad.data() + bad.size());
    EXPECT_EQ(b.Mode, M::Silent);
    EXPECT_NE(b.Error.find("/DIR=C:\\x"), std::string::npos);
}

}  // namespace
