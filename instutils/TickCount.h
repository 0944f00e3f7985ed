#pragma once
// A 64-bit millisecond count built from the 32-bit one that wraps every 49.7
// days, for systems without GetTickCount64.

#include <cstdint>

// The next 64-bit count after `last`, given the 32-bit count `now`. A `now`
// slightly behind `last` (read by another thread a moment earlier) keeps
// `last`: the count never runs backwards and never jumps a whole wrap.
inline uint64_t WidenTickCount(uint64_t last, uint32_t now) {
    const auto ahead = static_cast<int32_t>(now - static_cast<uint32_t>(last));
    return ahead > 0 ? last + static_cast<uint64_t>(ahead) : last;
}
