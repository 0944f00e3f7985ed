#include <gtest/gtest.h>

#include <cstring>

#include "wizard/InstallRun.h"
#include "wizard/Texts.h"

namespace {

TEST(SkippedFiles, NamedOneALineAndCutAfterTen) {
    EXPECT_EQ(SkippedFilesMessage({}), "");
    EXPECT_EQ(SkippedFilesMessage({"C:\\P\\parv.exe"})
                  .rfind("This file was not installed:\rC:\\P\\parv.exe\r\r", 0),
              0u);
    std::vector<std::string> many;
    for (int i = 1; i <= 12; ++i) many.push_back("C:\\P\\f" + std::to_string(i));
    const std::string text = SkippedFilesMessage(many);
    EXPECT_EQ(text.rfind("These files were not installed:\rC:\\P\\f1\rC:\\P\\f2\r", 0), 0u) << text;
    EXPECT_NE(text.find("C:\\P\\f10\rand 2 more\r\r"), std::string::npos) << text;
    EXPECT_EQ(text.find("f11"), std::string::npos) << text;
}

// The install thread says what failed; these are the words and buttons the
// user sees, and what each way of closing the box tells the thread.
TEST(ThreadQuestion, WordsButtonsAndAnswers) {
    EXPECT_EQ(ThreadQuestionText({TThreadQuestionKind::CannotCreate, "C:\\P\\parv.exe", ""}),
              "Cannot create file \"C:\\P\\parv.exe\".\r"
              "Another application might already be using this file.\r\r"
              "Please make sure that the setup of Parvela Word Processor is not blocked by "
              "your security software (firewall/antivirus) in any way.\r"
              "You might want to temporarily disable your security software and try again.");
    EXPECT_EQ(ThreadQuestionText({TThreadQuestionKind::CannotWrite, "E:\\a.dat",
                                  "There is not enough space on the disk."}),
              "Cannot write file \"E:\\a.dat\".\rThere is not enough space on the disk.\r\r"
              "Free some space on the disk or remove the cause, then click Retry.\r"
              "Click Ignore to go on without this file, or Abort to stop the installation.");
    EXPECT_EQ(ThreadAnswerOf(TModalResult::Abort), TThreadAnswer::Abort);
    EXPECT_EQ(ThreadAnswerOf(TModalResult::Ignore), TThreadAnswer::Ignore);
    EXPECT_EQ(ThreadAnswerOf(TModalResult::Retry), TThreadAnswer::Retry);
    // A box closed another way asks again rather than dropping the file.
    EXPECT_EQ(ThreadAnswerOf(TModalResult::Cancel), TThreadAnswer::Retry);
}

TEST(AssocCommand, SuffixesFollowTheTickedTypesInFixedOrder) {
    struct Case {
        const char* Main;
        const char* Letters;
        const char* Expected;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Parvela", "ABCD",
         "\"C:\\Program Files\\Parvela\\parv.exe\" -assoc adpr_rtf_cod_doc_docx"},
        {"C:\\Program Files\\Parvela\\", "",
         "\"C:\\Program Files\\Parvela\\parv.exe\" -assoc adpr"},
        {"D:\\P", "B", "\"D:\\P\\parv.exe\" -assoc adpr_cod"},
        // Letters count wherever they stand, once each.
        {"D:\\P", "DBA", "\"D:\\P\\parv.exe\" -assoc adpr_rtf_cod_docx"},
        {"D:\\P", "CC", "\"D:\\P\\parv.exe\" -assoc adpr_doc"},
        {"D:\\P", "abcdX", "\"D:\\P\\parv.exe\" -assoc adpr"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildAssocCommand(c.Main, c.Letters), c.Expected) << c.Letters;
    EXPECT_EQ(BuildLaunchCommand("C:\\Program Files\\Parvela"),
              "\"C:\\Program Files\\Parvela\\parv.exe\"");
}

TEST(AssocCommand, LettersFromBoxes) {
    EXPECT_EQ(ExtensionsFromBoxes(false, false, false, false), "");
    EXPECT_EQ(ExtensionsFromBoxes(true, true, true, true), "ABCD");
    EXPECT_EQ(ExtensionsFromBoxes(false, true, false, false), "B");
    EXPECT_EQ(ExtensionsFromBoxes(true, false, false, true), "AD");
    // Boxes to letters to command: the round trip of the association page.
    EXPECT_EQ(BuildAssocCommand("E:\\", ExtensionsFromBoxes(false, false, true, true)),
              "\"E:\\parv.exe\" -assoc adpr_doc_docx");
}

TEST(CommonData, TwentyFiveBytesLittleEndian) {
    const double now = 46362.5;  // 6 December 2026, 12:00
    const std::string bytes = CommonDataBytes(now);
    ASSERT_EQ(bytes.size(), 25u);
    const unsigned char expected[25] = {
        1,    0,    0,    0, 8, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x50,
        0xA3, 0xE6, 0x40, 2, 0, 0, 0, 1, 0,    0,    0,    0x31,
    };
    EXPECT_EQ(0, std::memcmp(bytes.data(), expected, 25));
    // The time field carries the day count bit for bit.
    double back = 0;
    std::memcpy(&back, CommonDataBytes(45000.123456789).data() + 8, 8);
    EXPECT_EQ(back, 45000.123456789);
}

// "For anyone" on a system without an all-users programs menu: the
// shortcut goes into the user's own; with neither it is not made.
TEST(ShortcutFolders, AllUsersWithoutItsFolderFallsBackToTheUsersOwn) {
    const std::string all = "C:\\All\\Programs", user = "C:\\Me\\Programs";
    EXPECT_EQ(ChooseShortcutFolders("", user, true).Primary, user);
    EXPECT_EQ(ChooseShortcutFolders(all, user, true).Primary, all);
    EXPECT_EQ(ChooseShortcutFolders(all, user, true).Other, user);
    EXPECT_EQ(ChooseShortcutFolders(all, user, false).Primary, user);
    EXPECT_EQ(ChooseShortcutFolders(all, user, false).Other, all);
    EXPECT_EQ(ChooseShortcutFolders(all, "", false).Primary, all);
    EXPECT_EQ(ChooseShortcutFolders("", "", true).Primary, "");
}

}  // namespace
