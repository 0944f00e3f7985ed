#include "payload/PayloadOpening.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>

namespace {

// Bytes that failed their check are never inflated, and a failure in either
// step (lack of memory throws) leaves no reader rather than ending the process.
TEST(PayloadOpening, OpensOnlyAfterAGoodCheckAndAnyFailureLeavesNoReader) {
    using TFiles = std::unique_ptr<TAttachedFiles>;
    struct Case {
        const char* What;
        TPayloadOpening::TCheck Check;
        TPayloadError Checked;
        bool Opens;
    } cases[] = {
        {"CRC mismatch", [] { return TPayloadError::PackedCrc; }, TPayloadError::PackedCrc, false},
        {"check throws", []() -> TPayloadError { throw std::bad_alloc(); },
         TPayloadError::OutOfMemory, false},
        {"reader throws after a good check", [] { return TPayloadError::Ok; }, TPayloadError::Ok,
         true},
    };
    for (Case& c : cases) {
        std::atomic<bool> opened{false};
        TPayloadOpening opening(c.Check, [&opened]() -> TFiles {
            opened = true;
            throw std::bad_alloc();
        });
        EXPECT_EQ(opening.Checked(), c.Checked) << c.What;
        EXPECT_EQ(opening.Take(), nullptr) << c.What;
        EXPECT_EQ(opened.load(), c.Opens) << c.What;
    }
}

}  // namespace
