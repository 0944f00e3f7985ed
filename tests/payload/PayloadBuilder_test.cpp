#include "payload/PayloadBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "instutils/DayCount.h"
#include "payload/PayloadFormat.h"

namespace fs = std::filesystem;

namespace {

TEST(PayloadBuilder, StampTexts) {
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {
        {"2012-02-26 12:59:04", true},
        {"1980-01-01 00:00:00", true},
        {"2099-12-31 23:59:58", true},
        {"2000-02-29 10:00:00", true},
        {"2012-02-26 12:59:05", false},  // odd seconds
        {"1979-12-31 23:59:58", false},
        {"2100-01-01 00:00:00", false},
        {"2001-02-29 10:00:00", false},
        {"2012-13-01 10:00:00", false},
        {"2012-02-26 24:00:00", false},
        {"2012-02-26T12:59:04", false},
        {"2012-2-26 12:59:04", false},
        {"2012-02-26 12:59:04 ", false},
        {"", false},
    };
    for (const Case& c : cases) {
        double v = -1;
        std::string why;
        EXPECT_EQ(c.ok, ParseStampText(c.text, v, why)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.text, FormatStampText(v));
        } else {
            EXPECT_FALSE(why.empty()) << c.text;
        }
    }
}

TEST(PayloadBuilder, ManifestLines) {
    std::vector<TManifestEntry> e;
    std::string err;
    ASSERT_TRUE(
        ParseManifest("# comment\n\nparv.exe\tbin/parv.exe\t2026-03-02 14:30:00\r\n"
                      "Templates\\Faxes\\Fax 1.rtf\tc/Fax 1.rtf\t2026-03-02 14:30:02",
                      e, err))
        << err;
    ASSERT_EQ(2u, e.size());
    EXPECT_EQ("parv.exe", e[0].Name);
    EXPECT_EQ("bin/parv.exe", e[0].Source);
    EXPECT_EQ(3, e[0].Line);
    EXPECT_EQ("Templates\\Faxes\\Fax 1.rtf", e[1].Name);
    EXPECT_EQ("c/Fax 1.rtf", e[1].Source);
    EXPECT_EQ("2026-03-02 14:30:02", FormatStampText(e[1].Time));

    struct Bad {
        std::string text;
        const char* expect;
    } bad[] = {
        {"a\tb\n", "line 1:"},
        {"a\tb\t2026-03-02 14:30:00\textra\n", "line 1:"},
        {"ok\tx\t2026-03-02 14:30:00\nC:\\a\tb\t2026-03-02 14:30:00\n", "line 2:"},
        {"a\\..\\b\tb\t2026-03-02 14:30:00\n", "invalid name"},
        {"a\t\t2026-03-02 14:30:00\n", "no source"},
        {"a\tb\t2026-03-02 14:30:01\n", "even"},
        {"Parv.exe\tb\t2026-03-02 14:30:00\nPARV.EXE\tc\t2026-03-02 14:30:00\n", "line 2:"},
        {std::string(256, 'n') + "\tb\t2026-03-02 14:30:00\n", "255"},
    };
    for (const Bad& b : bad) {
        std::string why;
        EXPECT_FALSE(ParseManifest(b.text, e, why)) << b.text;
        EXPECT_NE(std::string::npos, why.find(b.expect)) << why;
    }
}

class PayloadBuilderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("mkpayload_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir / "content" / "sub");
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    fs::path dir;
};

TEST_F(PayloadBuilderFiles, BuildsTheLicenceRecordAndListsIt) {
    std::string licence(2228, '\0');
    for (size_t i = 0; i < licence.size(); ++i) licence[i] = static_cast<char>('A' + i % 26);
    Write(dir / "content" / "License.txt", licence);
    Write(dir / "content" / "sub" / "empty.tlx", "");
    Write(dir / "abs.bin", "absolute");
    Write(dir / "manifest.txt",
          "License.txt\tcontent/License.txt\t2012-02-26 12:59:04\n"
          "# comment\n"
          "userdicen.tlx\tcontent/sub/empty.tlx\t1980-01-01 00:00:00\n"
          "Clip Library\\abs.bin\t" +
              (dir / "abs.bin").string() + "\t2099-12-31 23:59:58\n");
    std::string packed, err;
    ASSERT_TRUE(BuildPayloadFromManifest((dir / "manifest.txt").string(), packed, err)) << err;
    ASSERT_GE(packed.size(), 6u);
    EXPECT_EQ('\x78', packed[0]);
    EXPECT_EQ('\xDA', packed[1]);

    TPayloadBlock block;
    ASSERT_EQ(TPayloadError::Ok, InflatePayload(reinterpret_cast<const uint8_t*>(packed.data()),
                                                packed.size(), block));
    const std::string raw(reinterpret_cast<const char*>(block.data()), block.size());
    const std::string head = std::string("\x0BLicense.txt", 12) +
                             std::string("\x72\x11\x06\x50\xB1\x00\xE4\x40\xB4\x08\x00\x00", 12);
    EXPECT_EQ(head, raw.substr(0, head.size()));
    EXPECT_EQ(licence, raw.substr(head.size(), 2228));

    std::string again;
    ASSERT_TRUE(BuildPayloadFromManifest((dir / "manifest.txt").string(), again, err));
    EXPECT_EQ(packed, again) << "same inputs, same bytes";

    std::string listing;
    ASSERT_TRUE(ListPayload(packed, listing, err)) << err;
    EXPECT_EQ(
        "License.txt\t2228\t2012-02-26 12:59:04\n"
        "userdicen.tlx\t0\t1980-01-01 00:00:00\n"
        "Clip Library\\abs.bin\t8\t2099-12-31 23:59:58\n"
        "3 records, 2236 bytes\n",
        listing);
}

TEST_F(PayloadBuilderFiles, RefusesMissingSourcesAndDamagedPayloads) {
    Write(dir / "manifest.txt", "a.txt\tcontent/missing.txt\t2012-02-26 12:59:04\n");
    std::string packed, err;
    EXPECT_FALSE(BuildPayloadFromManifest((dir / "manifest.txt").string(), packed, err));
    EXPECT_NE(std::string::npos, err.find("line 1")) << err;
    EXPECT_FALSE(BuildPayloadFromManifest((dir / "nothing.txt").string(), packed, err));

    std::string records;
    AppendRecord(records, "a.txt", 40000.0, "abc");
    std::string listing;
    records.pop_back();
    EXPECT_FALSE(ListPayload(CompressPayload(records), listing, err));
    EXPECT_NE(std::string::npos, err.find("record 1")) << err;
    EXPECT_FALSE(ListPayload("not a payload", listing, err));
    EXPECT_FALSE(ListPayload("", listing, err));
}

}  // namespace
