#include "instutils/InstUtils.h"
#include "instutils/ResConst.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A stand-in for the payload's 272 names, one or two per kind of entry.
const std::vector<std::string> PayloadNames = {
    "parv.exe",
    "License.txt",
    "English (American).asc",
    "English (British).asc",
    "us.zlx",
    "uk.zlx",
    "userdicen.tlx",
    "English (American).cache",
    "english.zlx",
    "Templates\\Letter.ptm",
    "Templates\\Fax\\Cover.ptm",
    "Clip Library\\Animals\\cat.png",
    "Clip Library\\index.dat",
    "Basic.asn",
    "Hyphenation.dat",
};

// How the components page and the file set assign names to a list entry.
std::vector<std::string> Assigned(const std::string& entry) {
    std::vector<std::string> hits;
    for (const std::string& name : PayloadNames) {
        if (MatchesEntry(entry, name)) {
            hits.push_back(name);
            if (LastChar(entry) != '\\') break;
        }
    }
    return hits;
}

TEST(Catalogue, FileListsAreSeparatedBySingleCarriageReturns) {
    for (int c = 0; c < ComponentCount; ++c) {
        const std::string list = ComponentFiles[c];
        SCOPED_TRACE(list);
        EXPECT_EQ(list.find('\n'), std::string::npos);
        EXPECT_EQ(list.find("\r\r"), std::string::npos);
        EXPECT_NE(list.front(), '\r');
        EXPECT_NE(list.back(), '\r');
        for (const std::string& entry : SplitLines(list)) EXPECT_FALSE(entry.empty());
    }
}

TEST(Catalogue, EveryPayloadNameBelongsToExactlyOneComponent) {
    std::vector<int> owners(PayloadNames.size(), 0);
    for (int c = 0; c < ComponentCount; ++c)
        for (const std::string& entry : SplitLines(ComponentFiles[c]))
            for (const std::string& hit : Assigned(entry))
                for (size_t i = 0; i < PayloadNames.size(); ++i)
                    owners[i] += PayloadNames[i] == hit;
    for (size_t i = 0; i < PayloadNames.size(); ++i) EXPECT_EQ(owners[i], 1) << PayloadNames[i];
}

TEST(Catalogue, FolderEntriesCollectEveryNameUnderThem) {
    EXPECT_EQ(Assigned("Templates\\"),
              (std::vector<std::string>{"Templates\\Letter.ptm", "Templates\\Fax\\Cover.ptm"}));
    EXPECT_EQ(Assigned("Clip Library\\").size(), 2u);
    EXPECT_TRUE(Assigned("Fonts\\").empty());
    EXPECT_TRUE(Assigned("missing.dat").empty());
}

TEST(Catalogue, FileListsSplitAtAnyLineEnd) {
    const struct {
        const char* list;
        std::vector<std::string> entries;
    } cases[] = {
        {"parv.exe\rLicense.txt", {"parv.exe", "License.txt"}},
        {"Basic.asn", {"Basic.asn"}},
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"a\r\n", {"a"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitLines(c.list), c.entries) << c.list;
}

TEST(Catalogue, MatchesEntryRules) {
    const struct {
        const char* entry;
        const char* name;
        bool matches;
    } cases[] = {
        {"Templates\\", "Templates\\Letter.ptm", true},
        {"Templates\\", "TEMPLATES\\letter.PTM", true},
        {"Templates\\", "templates\\Sub\\x", true},
        {"Templates\\", "Templates", false},      // shorter than the entry
        {"Templates\\", "TemplatesX\\a", false},  // letter instead of the separator
        {"Templates\\", "Templates\\", true},
        {"Templates\\", "Old Templates\\a", false},
        {"parv.exe", "PARV.EXE", true},
        {"parv.exe", "parv.exe.bak", false},
        {"parv.exe", "parv.ex", false},
        {"parv.exe", "parv.exe\\x", false},
        {"English (American).cache", "English (British).cache", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesEntry(c.entry, c.name), c.matches) << c.entry << " / " << c.name;
}

}  // namespace
