// The setup program's version resource, read back the way Explorer's
// Properties page reads it: the system's version calls.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "instutils/AppInterface.h"

namespace {

std::string QueryText(std::vector<char>& info, const std::string& block, const char* name) {
    char* text = nullptr;
    UINT len = 0;
    const std::string key = "\\StringFileInfo\\" + block + "\\" + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &len) || !text)
        return "?";
    return std::string(text);
}

TEST(VersionInfo, SetupProgramNamesTheProductAndItsVersion) {
    const std::string exe = std::string(PARVELA_BIN_DIR) + "\\ParvelaSetup.exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << exe;
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(DWORD(VFT_APP), fixed->dwFileType);
    // The numbers must say what the texts say.
    unsigned v[4] = {};
    ASSERT_EQ(4, std::sscanf(app::ProductVersion, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]));
    EXPECT_EQ(DWORD(MAKELONG(v[1], v[0])), fixed->dwProductVersionMS);
    EXPECT_EQ(DWORD(MAKELONG(v[3], v[2])), fixed->dwProductVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask) << "debug, pre-release or patched";

    // The string block is the one the translation table announces.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    char block[9];
    std::snprintf(block, sizeof block, "%04X%04X", translation[0], translation[1]);
    EXPECT_EQ("Parvela Word Processor Lite", QueryText(info, block, "ProductName"));
    EXPECT_EQ(app::ProductVersion, QueryText(info, block, "ProductVersion"));
    EXPECT_EQ(app::ProductVersion, QueryText(info, block, "FileVersion"));
    EXPECT_EQ(app::Publisher, QueryText(info, block, "CompanyName"));
    EXPECT_EQ("Parvela Word Processor Lite Setup", QueryText(info, block, "FileDescription"));
    EXPECT_EQ("ParvelaSetup.exe", QueryText(info, block, "OriginalFilename"));
    EXPECT_NE(std::string::npos, QueryText(info, block, "LegalCopyright").find(app::Publisher));
}

}  // namespace
