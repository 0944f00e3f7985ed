#include "demo/parv/ParvCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(ParvParseCommand, TellsTheModes) {
    struct Case {
        Args args;
        parv::Mode mode;
        std::string document;
        std::array<bool, 4> types;
    };
    const Case cases[] = {
        {{"parv.exe"}, parv::Mode::Window, "", {}},
        {{}, parv::Mode::Window, "", {}},
        {{"parv.exe", "C:\\Letter.rtf"}, parv::Mode::Window, "C:\\Letter.rtf", {}},
        {{"parv.exe", "-ui"}, parv::Mode::Uninstall, "", {}},
        {{"parv.exe", "-UI"}, parv::Mode::Uninstall, "", {}},
        // Exactly what the setup program sends, and every subset of it.
        {{"parv.exe", "-assoc", "adpr_rtf_cod_doc_docx"},
         parv::Mode::Associate,
         "",
         {true, true, true, true}},
        {{"parv.exe", "-assoc", "adpr"}, parv::Mode::Associate, "", {}},
        {{"parv.exe", "-assoc", "adpr_docx"},
         parv::Mode::Associate,
         "",
         {false, false, false, true}},
        {{"parv.exe", "-assoc", "adpr_doc"},
         parv::Mode::Associate,
         "",
         {false, false, true, false}},
        {{"parv.exe", "-assoc", "adpr_cod_docx"},
         parv::Mode::Associate,
         "",
         {false, true, false, true}},
        {{"parv.exe", "-assoc", "adpr_docx_rtf"},
         parv::Mode::Associate,
         "",
         {true, false, false, true}},
        {{"parv.exe", "-ASSOC", "ADPR_RTF"},
         parv::Mode::Associate,
         "",
         {true, false, false, false}},
    };
    for (const Case& c : cases) {
        parv::Command cmd = parv::ParseCommand(c.args);
        std::string shown = c.args.size() > 1 ? c.args[1] : "(none)";
        EXPECT_EQ(cmd.mode, c.mode) << shown;
        EXPECT_EQ(cmd.document, c.document) << shown;
        EXPECT_EQ(cmd.types, c.types) << shown;
    }
}

TEST(ParvParseCommand, RejectsGarbledRequestsWhole) {
    // A request that is partly understood must not take back associations.
    const Args bad[] = {
        {"parv.exe", "-assoc"},
        {"parv.exe", "-assoc", ""},
        {"parv.exe", "-assoc", "adp"},
        {"parv.exe", "-assoc", "adpr_rtf_pdf"},
        {"parv.exe", "-assoc", "adpr_"},
        {"parv.exe", "-assoc", "adpr__rtf"},
        {"parv.exe", "-assoc", "adprrtf"},
        {"parv.exe", "-assoc", "adpr_do"},
        {"parv.exe", "-assoc", "adpr_docxx"},
        {"parv.exe", "-assoc", "xadpr_rtf"},
        {"parv.exe", "-assoc", "adpr_rtf", "extra"},
        {"parv.exe", "-ui", "extra"},
        {"parv.exe", "-uicopy", "12"},
        {"parv.exe", "-uicopy", "0x1c", "C:\\P\\parv.exe"},
        {"parv.exe", "-uicopy", "", "C:\\P\\parv.exe"},
        {"parv.exe", "-uicopy", "12", ""},
        {"parv.exe", "-UICOPY", "12", "C:\\P\\parv.exe"},
        {"parv.exe", "-x"},
        {"parv.exe", "a.rtf", "b.rtf"},
    };
    for (const Args& a : bad) {
        parv::Command cmd = parv::ParseCommand(a);
        EXPECT_EQ(cmd.mode, parv::Mode::Invalid) << a.back();
        EXPECT_EQ(cmd.types, (std::array<bool, 4>{})) << a.back();
    }
}

TEST(ParvParseCommand, RemovalCopyTakesTheHandleAndTheOriginal) {
    const parv::Command cmd =
        parv::ParseCommand({"C:\\T\\parv.exe", "-uicopy", "1234", "C:\\P F\\parv.exe"});
    EXPECT_EQ(cmd.mode, parv::Mode::RemovalCopy);
    EXPECT_EQ(cmd.waitHandle, 1234u);
    EXPECT_EQ(cmd.original, "C:\\P F\\parv.exe");
}

TEST(ParvWindowCaption, NamesTheDocument) {
    EXPECT_EQ(parv::WindowCaption(""), "Parvela Word Processor");
    EXPECT_EQ(parv::WindowCaption("C:\\Docs\\Letter.rtf"), "Letter.rtf - Parvela Word Processor");
    EXPECT_EQ(parv::WindowCaption("D:/x/Memo.doc"), "Memo.doc - Parvela Word Processor");
    EXPECT_EQ(parv::WindowCaption("Plain.txt"), "Plain.txt - Parvela Word Processor");
}

}  // namespace
