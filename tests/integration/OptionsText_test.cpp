#include <gtest/gtest.h>

#include "integration/Options.h"

namespace {

class TRows : public IOptionControls {
public:
    std::vector<TCheckState> Rows;
    bool GetBox(TOptionBox) const override { return false; }
    void SetBox(TOptionBox, bool) override {}
    int RowCount() const override { return static_cast<int>(Rows.size()); }
    TCheckState GetRow(int row) const override { return Rows[row]; }
    void SetRow(int row, TCheckState s) override { Rows[row] = s; }
    void SetCurrentRow(int) override {}
};

TEST(ComponentSet, FromRowsKeepsTheUpperBits) {
    const auto C = TCheckState::Checked, U = TCheckState::Unchecked, G = TCheckState::Grayed;
    struct Case {
        uint32_t Loaded;
        std::vector<TCheckState> Rows;
        uint32_t Expected;
    };
    const Case cases[] = {
        {0x7FFFFFFF, {G, C, C, C, C, C}, 0x7FFFFFFE}, {0x7FFFFFFF, {G, U, C, C, C, C}, 0x7FFFFFFC},
        {0x00000000, {G, C, U, U, U, C}, 0x00000022}, {0xA5000040, {C, U, U, U, U, U}, 0xA5000041},
        {0xFFFFFFFF, {U, U, U, U, U, U}, 0xFFFFFFC0},
    };
    for (const Case& c : cases) {
        TRows rows;
        rows.Rows = c.Rows;
        EXPECT_EQ(CompsFromRows(c.Loaded, rows), c.Expected) << std::hex << c.Loaded;
    }
}

TEST(DataFolders, NormalAndPortablePaths) {
    const std::string common = "C:\\ProgramData", docs = "C:\\Users\\u\\Documents";
    struct Case {
        TDataDir Kind;
        bool Portable;
        const char* Main;
        const char* Common;
        const char* Expected;
    };
    const Case cases[] = {
        {TDataDir::Shared, false, "C:\\P", "C:\\ProgramData", "C:\\ProgramData\\Parvela\\"},
        {TDataDir::Hidden, false, "C:\\P", "C:\\ProgramData", "C:\\ProgramData\\Parvela\\Hidden\\"},
        {TDataDir::Public, false, "C:\\P", "C:\\ProgramData\\",
         "C:\\ProgramData\\Parvela\\Public\\"},
        {TDataDir::Spellcheck, false, "C:\\P", "C:\\ProgramData",
         "C:\\ProgramData\\Parvela\\Public\\Spellcheck\\"},
        // Without the all-users folder the documents folder stands in.
        {TDataDir::Shared, false, "C:\\P", "", "C:\\Users\\u\\Documents\\Parvela\\"},
        {TDataDir::Spellcheck, false, "C:\\P", "",
         "C:\\Users\\u\\Documents\\Parvela\\Public\\Spellcheck\\"},
        {TDataDir::Shared, true, "R:\\Parvela", "C:\\ProgramData", "R:\\Parvela\\"},
        {TDataDir::Hidden, true, "R:\\Parvela\\", "C:\\ProgramData", "R:\\Parvela\\"},
        {TDataDir::Public, true, "R:\\Parvela/", "C:\\ProgramData", "R:\\Parvela\\"},
        {TDataDir::Spellcheck, true, "R:\\Parvela", "C:\\ProgramData", "R:\\Parvela\\Spellcheck\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataDirPath(c.Kind, c.Portable, c.Main, c.Common, docs), c.Expected)
            << static_cast<int>(c.Kind) << " " << c.Portable;
    EXPECT_EQ(MainDirFile("C:\\Program Files\\Parvela", "parv.exe"),
              "C:\\Program Files\\Parvela\\parv.exe");
    EXPECT_EQ(MainDirFile("R:\\", "Install.log"), "R:\\Install.log");
}

}  // namespace
