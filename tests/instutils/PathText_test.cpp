#include "instutils/InstUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

TEST(PathText, AppendPathSeparator) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"C:", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:\\Program Files", "C:\\Program Files\\"},
        {"C:\\Program Files/", "C:\\Program Files\\"},  // replaced, length kept
        {"/", "\\"},
        {"\\\\srv\\share", "\\\\srv\\share\\"},
    };
    for (const auto& c : cases) {
        std::string p = c.in;
        AppendPathSeparator(p);
        EXPECT_EQ(p, c.out) << '"' << c.in << '"';
    }
}

TEST(PathText, JoinPath) {
    EXPECT_EQ(JoinPath("", "parv.exe"), "parv.exe");
    EXPECT_EQ(JoinPath("C:\\Parvela", "parv.exe"), "C:\\Parvela\\parv.exe");
    EXPECT_EQ(JoinPath("C:\\Parvela\\", "Install.log"), "C:\\Parvela\\Install.log");
    EXPECT_EQ(JoinPath("C:\\Parvela/", "a\\b"), "C:\\Parvela\\a\\b");
}

TEST(PathText, SingleCharacterEditsLeaveEmptyTextsAlone) {
    std::string t = "ab";
    DropFirstChar(t);
    EXPECT_EQ(t, "b");
    DropFirstChar(t);
    DropFirstChar(t);
    EXPECT_EQ(t, "");
    t = "ab";
    DropLastChar(t);
    EXPECT_EQ(t, "a");
    DropLastChar(t);
    DropLastChar(t);
    EXPECT_EQ(t, "");
    EXPECT_EQ(LastChar("C:\\"), '\\');
    EXPECT_EQ(LastChar(""), '\0');
}

TEST(PathText, DrivePart) {
    const struct {
        const char* path;
        const char* drive;
    } cases[] = {
        {"C:\\Program Files\\Parvela", "C:"},
        {"d:", "d:"},
        {"r:relative", "r:"},
        {"\\\\server\\share\\folder\\file", "\\\\server\\share"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\\\\server", "\\\\server"},
        {"Parvela\\sub", ""},
        {"\\rooted", ""},
        {"1:\\x", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DrivePart(c.path), c.drive) << c.path;
}

TEST(PathText, ParentFolderIsWhatTheFolderChainClimbsTo) {
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {
        {"C:\\A\\B\\", "C:\\A\\"},
        {"C:\\A\\B", "C:\\A\\"},
        {"C:\\A\\", "C:\\"},
        {"C:\\", "C:"},
        {"C:", "C:"},
        {"C:rel", "C:"},
        {"name", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
}

TEST(PathText, TempNamePrefixKeepsOnlyTheTitleLetters) {
    EXPECT_EQ(std::string(SetupTitle), "Parvela Word Processor Lite - Setup");
    const std::string prefix = TempNamePrefix();
    EXPECT_EQ(prefix, "~ParvelaWordProcessorLiteSetup");
    EXPECT_EQ(prefix.size(), 30u);
}

TEST(PathText, RoundUpToClusterSize) {
    const int32_t max = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t bytes;
        uint32_t cluster;
        int32_t rounded;
    } cases[] = {
        {0, 4096, 0},
        {1, 4096, 4096},
        {4095, 4096, 4096},
        {4096, 4096, 4096},
        {4097, 4096, 8192},
        {1, 512, 512},
        {65537, 65536, 131072},
        {max, 4096, max},  // the next multiple lies past 2 GiB
        {max - 4094, 4096, max},
        {max - 4095, 4096, max - 4095},  // 2^31 - 4096 exactly: unchanged
        {max - 4096, 4096, max - 4095},
        {-1, 4096, 4096},  // signed remainder, as written
        {100, 0, 4096},    // a zero size must not divide
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundUpToClusterSize(c.bytes, c.cluster), c.rounded)
            << c.bytes << " / " << c.cluster;
}

// A descriptor as the storage property query returns it.
struct Descriptor {
    uint8_t bytes[548] = {};
    Descriptor(uint8_t removable, uint32_t busType) {
        bytes[10] = removable;
        std::memcpy(bytes + 28, &busType, 4);  // little-endian hosts only
    }
};

TEST(PathText, RemovableDescriptorDecision) {
    const struct {
        uint8_t removable;
        uint32_t bus;
        size_t returned;
        bool expected;
    } cases[] = {
        {0, 7, 548, true},                          // USB
        {0, 4, 548, true},                          // IEEE 1394
        {0, 11, 548, false},                        // SATA
        {0, 3, 548, false},                         // ATA
        {0, 0x107, 548, false},                     // only the low byte of the bus would say USB
        {1, 3, 548, true},                          // fixed bus, removable media
        {0, 7, 32, true},                           // the bus type's last byte returned
        {0, 7, 31, false},                          // bus type cut short: not read
        {1, 0, 11, true},       {1, 0, 10, false},  // the media byte itself not returned
        {0, 7, 0, false},
    };
    for (const auto& c : cases) {
        Descriptor d(c.removable, c.bus);
        EXPECT_EQ(IsRemovableDescriptor(d.bytes, c.returned), c.expected)
            << "removable " << int(c.removable) << " bus " << c.bus << " len " << c.returned;
    }
    EXPECT_FALSE(IsRemovableDescriptor(nullptr, 548));
}

}  // namespace
