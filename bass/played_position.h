#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "bass/output_device.h"

// How many frames of the buffers a device still holds it has played, from its
// position (frames played since its last reset, modulo
// OutputDevice::kPositionModulo) and the frames of the buffers it has given
// back since that reset (counted in 64 bits: no realistic run wraps them).
// Never more than the `queued` frames it holds; none when its position lags
// behind the buffers it gave back, so that a stop keeps those frames: a few
// may play twice, none is skipped.
inline size_t PlayedQueued(uint32_t position, uint64_t returned, size_t queued)
{
    constexpr uint32_t kMask = OutputDevice::kPositionModulo - 1;
    const uint32_t ahead = (position - uint32_t(returned)) & kMask;
    if (ahead > kMask / 2)
        return 0;
    return std::min<size_t>(ahead, queued);
}
