#include "payload/PayloadOpening.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <new>
#include <string>

namespace {

std::unique_ptr<TAttachedFiles> SmallReader() {
    std::string records;
    AppendRecord(records, "License.txt", 40000.5, "terms");
    uLongf len = compressBound(static_cast<uLong>(records.size()));
    std::string packed(len, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &len,
              reinterpret_cast<const Bytef*>(records.data()), static_cast<uLong>(records.size()),
              9);
    return TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), len);
}

// The check decides alone whether the reader is made; a failure in either
// step leaves no reader, never an exception or a hang.
TEST(PayloadOpening, OpensOnlyAfterAGoodCheckAndHandsTheReaderOverOnce) {
    struct Case {
        const char* What;
        TPayloadOpening::TCheck Check;
        TPayloadOpening::TOpen Open;
        PayloadError Checked;
        bool Opens;
        bool Reader;
    } cases[] = {
        {"whole", [] { return PayloadError::Ok; }, SmallReader, PayloadError::Ok, true, true},
        {"CRC mismatch", [] { return PayloadError::PackedCrc; }, SmallReader,
         PayloadError::PackedCrc, false, false},
        {"check throws", []() -> PayloadError { throw std::bad_alloc(); }, SmallReader,
         PayloadError::OutOfMemory, false, false},
        {"reader fails after a good check", [] { return PayloadError::Ok; },
         [] { return std::unique_ptr<TAttachedFiles>(); }, PayloadError::Ok, true, false},
        {"reader throws", [] { return PayloadError::Ok; },
         []() -> std::unique_ptr<TAttachedFiles> { throw std::bad_alloc(); }, PayloadError::Ok,
         true, false},
    };
    for (Case& c : cases) {
        std::atomic<bool> opened{false};
        TPayloadOpening opening(c.Check, [&opened, open = c.Open] {
            opened = true;
            return open();
        });
        EXPECT_EQ(opening.Checked(), c.Checked) << c.What;
        EXPECT_EQ(opening.Take() != nullptr, c.Reader) << c.What;
        EXPECT_EQ(opened.load(), c.Opens) << c.What;
        EXPECT_EQ(opening.Take(), nullptr) << c.What;
    }
}

}  // namespace
