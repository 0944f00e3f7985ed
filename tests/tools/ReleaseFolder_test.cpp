#include "tools/mkpayload/ReleaseFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

// What a release folder must hold, by the names on disk.
const char* const Singles[] = {
    "parv.exe",
    "License.txt",
    "English (American).asc",
    "English (British).asc",
    "us.zlx",
    "uk.zlx",
    "userdicen.tlx",
    "English (American).cache",
    "english.zlx",
    "Hyphenation.dat",
    "Basic.asn",
};

TReleaseFile File(const std::string& path, int second = 0) {
    TReleaseFile f;
    f.Path = path;
    f.Size = path.size();
    f.Time = {2026, 3, 2, 14, 30, second, 0};
    return f;
}

std::vector<TReleaseFile> Complete() {
    std::vector<TReleaseFile> files;
    for (const char* s : Singles) files.push_back(File(s));
    for (const char* s : {"Templates/Letters/b.rtf", "Templates/a.rtf", "Clip Library/Images/x.gif",
                          "Clip Library/A.gif"})
        files.push_back(File(s));
    return files;
}

std::vector<std::string> Names(const TReleaseCheck& c) {
    std::vector<std::string> n;
    for (const TManifestEntry& e : c.Entries) n.push_back(e.Name);
    return n;
}

// True when exactly one problem line names `path` and contains `rule`.
bool OneProblem(const TReleaseCheck& c, const std::string& path, const std::string& rule) {
    return std::count_if(c.Problems.begin(), c.Problems.end(), [&](const std::string& p) {
               return p.rfind("rel/" + path + ": ", 0) == 0 && p.find(rule) != std::string::npos;
           }) == 1;
}

TEST(ReleaseCheck, CompleteFolderPacksInFileSetOrderWhateverTheListingOrder) {
    std::vector<TReleaseFile> files = Complete();
    files[0].Path = "PARV.EXE";  // matched without regard to case, packed as spelt
    files[1].Time.Second = 59;   // packed as :58, the payload's two-second grain
    files.push_back(File("readme.txt"));
    files.push_back(File("Extras/a.dat"));
    std::vector<std::string> first;
    std::mt19937 shuffle(7);
    for (int round = 0; round < 3; ++round) {
        std::shuffle(files.begin(), files.end(), shuffle);
        const TReleaseCheck c = CheckReleaseFiles(files, "rel");
        EXPECT_TRUE(c.Problems.empty()) << c.Problems[0];
        // Packed, but no row installs them.
        ASSERT_EQ(2u, c.Warnings.size());
        EXPECT_EQ(0u, c.Warnings[0].rfind("rel/Extras/a.dat: ", 0)) << c.Warnings[0];
        EXPECT_EQ(0u, c.Warnings[1].rfind("rel/readme.txt: ", 0)) << c.Warnings[1];
        if (round == 0) {
            first = Names(c);
            EXPECT_EQ("2026-03-02 14:30:58", FormatStampText(c.Entries[1].Time));
        }
        EXPECT_EQ(first, Names(c));
    }
    const std::vector<std::string> expected = {
        "PARV.EXE",
        "License.txt",
        "English (American).asc",
        "English (American).cache",
        "English (British).asc",
        "english.zlx",
        "us.zlx",
        "uk.zlx",
        "userdicen.tlx",
        "Hyphenation.dat",
        "Templates\\a.rtf",
        "Templates\\Letters\\b.rtf",
        "Clip Library\\A.gif",
        "Clip Library\\Images\\x.gif",
        "Basic.asn",
        "Extras\\a.dat",
        "readme.txt",
    };
    EXPECT_EQ(expected, first);
}

TEST(ReleaseCheck, EveryMissingFileAndEmptyGroupIsOneLine) {
    const TReleaseCheck none = CheckReleaseFiles({}, "rel");
    EXPECT_EQ(std::size(Singles) + 2, none.Problems.size());
    for (const char* s : Singles) EXPECT_TRUE(OneProblem(none, s, "missing")) << s;
    EXPECT_TRUE(OneProblem(none, "Templates/", "no file"));
    EXPECT_TRUE(OneProblem(none, "Clip Library/", "no file"));

    // A name that only begins like a group does not fill it.
    std::vector<TReleaseFile> files = Complete();
    std::erase_if(files, [](const TReleaseFile& f) { return f.Path.rfind("Templates/", 0) == 0; });
    files.push_back(File("Templates2/a.rtf"));
    const TReleaseCheck c = CheckReleaseFiles(files, "rel");
    ASSERT_EQ(1u, c.Problems.size());
    EXPECT_TRUE(OneProblem(c, "Templates/", "no file"));
}

TEST(ReleaseCheck, EachRefusedFileIsOneLineNamingItAndTheRule) {
    struct Case {
        std::string path;
        const char* rule;  // none: accepted
        TReleaseFile::TKind kind = TReleaseFile::TKind::Regular;
        int year = 2026;
        uint64_t size = 1;
    } cases[] = {
        {"a\\b.txt", "backslash"},
        {"\xE6\x97\xA5.txt", "code page 1252"},  // a CJK character
        {"\xFF.txt", "code page 1252"},          // not UTF-8
        {"\xC3.txt", "code page 1252"},          // cut short
        {"\xC1\x81.txt", "code page 1252"},      // overlong
        {"C:x.txt", "does not allow"},
        {"a?.txt", "does not allow"},
        {"tab\there", "does not allow"},
        {"sub./a.txt", "dot or a blank"},
        {"a.txt ", "dot or a blank"},
        {"...", "dot or a blank"},
        {std::string(252, 'n') + "/abc", "256 bytes"},
        // Names Windows would take for one another ("Clip Library/A.gif" is there).
        {"clip library/a.GIF", "letter case"},
        {"Templates/\xC3\xA9t\xC3\xA9.rtf", "letter case"},
        {"Templates/\xC3\x89T\xC3\x89.rtf", nullptr},
        {"TEMPLATES/LETTERS", "folder"},
        {"Templates/old.rtf", "1979-03-02 14:30:00", TReleaseFile::TKind::Regular, 1979},
        {"Templates/link.rtf", "link", TReleaseFile::TKind::Link},
        {"Templates/fifo", "not a regular file", TReleaseFile::TKind::Other},
        {"Templates/huge.rtf", "2 GB", TReleaseFile::TKind::Regular, 2026, uint64_t(INT32_MAX) + 1},
    };
    std::vector<TReleaseFile> files = Complete();
    size_t refused = 0;
    for (const Case& c : cases) {
        files.push_back(File(c.path));
        files.back().Kind = c.kind;
        files.back().Time.Year = c.year;
        files.back().Size = c.size;
        refused += c.rule != nullptr;
    }
    const TReleaseCheck check = CheckReleaseFiles(files, "rel");
    EXPECT_EQ(refused, check.Problems.size());
    EXPECT_TRUE(check.Warnings.empty()) << check.Warnings[0];
    for (const Case& c : cases)
        if (c.rule) EXPECT_TRUE(OneProblem(check, c.path, c.rule)) << c.path;

    // Code page 1252 letters pass, as single bytes; 255 bytes still fit.
    std::string why;
    EXPECT_EQ("Templates\\caf\xE9 \x80.rtf",
              PayloadNameOf("Templates/caf\xC3\xA9 \xE2\x82\xAC.rtf", why))
        << why;
    EXPECT_EQ(255u, PayloadNameOf(std::string(251, 'n') + "/abc", why).size()) << why;

    // Files that fit one by one but not together.
    files = Complete();
    files[0].Size = files[1].Size = uint64_t(INT32_MAX) / 2 + 1;
    const TReleaseCheck big = CheckReleaseFiles(files, "rel");
    ASSERT_EQ(1u, big.Problems.size());
    EXPECT_EQ(0u, big.Problems[0].find("rel: ")) << big.Problems[0];
}

// The listing reads what the check needs from a real folder: relative paths,
// kinds without following links, sizes and local times.
TEST(ReleaseListing, ReadsPathsKindsSizesAndLocalTimes) {
    const fs::path dir = fs::temp_directory_path() / ("release_list_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "Templates" / "Sub");
    std::ofstream(dir / "Templates" / "Sub" / "a.rtf") << "12345";
    fs::create_directory_symlink(dir / "Templates", dir / "loop");
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "America/New_York", 1);
    ::tzset();
    // 2026-03-02 19:30:01 UTC is 14:30:01 in New York.
    const struct timespec times[2] = {{1772479801, 0}, {1772479801, 0}};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, (dir / "Templates" / "Sub" / "a.rtf").c_str(), times, 0));

    std::vector<std::string> problems;
    std::vector<TReleaseFile> files = ListReleaseFolder(dir.string(), problems);
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    fs::remove_all(dir);

    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(2u, files.size());
    std::sort(files.begin(), files.end(), [](auto& a, auto& b) { return a.Path < b.Path; });
    EXPECT_EQ("Templates/Sub/a.rtf", files[0].Path);
    EXPECT_EQ(TReleaseFile::TKind::Regular, files[0].Kind);
    EXPECT_EQ(5u, files[0].Size);
    EXPECT_EQ(2026, files[0].Time.Year);
    EXPECT_EQ(14, files[0].Time.Hour);
    EXPECT_EQ(1, files[0].Time.Second);
    EXPECT_EQ("loop", files[1].Path);
    EXPECT_EQ(TReleaseFile::TKind::Link, files[1].Kind);

    ListReleaseFolder((dir / "gone").string(), problems);
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("not a folder"));
}

}  // namespace
