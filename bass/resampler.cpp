#include "bass/resampler.h"

namespace {
constexpr int kFractionBits = 32;
constexpr uint64_t kOne = uint64_t(1) << kFractionBits;

int16_t Interpolate(int16_t from, int16_t to, uint64_t phase)
{
    const int64_t delta = int64_t(to) - from;
    // Arithmetic shift of a signed product: rounds toward minus infinity, which
    // keeps the result between the two neighbours.
    return int16_t(from + ((delta * int64_t(phase)) >> kFractionBits));
}
}  // namespace

Resampler::Resampler(uint32_t inputRate, uint32_t outputRate, int inputChannels)
    : channels(inputChannels == 1 ? 1 : 2), step((uint64_t(inputRate) << kFractionBits) / outputRate)
{
}

size_t Resampler::Process(const int16_t* input, size_t inputFrames, size_t& consumed, int16_t* output,
                          size_t outputFrames)
{
    consumed = 0;
    size_t written = 0;
    auto take = [&](int16_t* frame) {
        const int16_t* in = input + consumed * channels;
        frame[0] = in[0];
        frame[1] = channels == 2 ? in[1] : in[0];
        ++consumed;
    };
    if (!primed) {
        if (inputFrames == 0)
            return 0;
        take(current);
        primed = true;
    }
    while (written < outputFrames) {
        // Move `current` forward by the whole input frames the phase has passed.
        while (phase >= kOne && consumed < inputFrames) {
            take(current);
            phase -= kOne;
        }
        if (phase >= kOne || consumed >= inputFrames)
            break;
        int16_t next[2];
        const int16_t* in = input + consumed * channels;
        next[0] = in[0];
        next[1] = channels == 2 ? in[1] : in[0];
        output[2 * written] = Interpolate(current[0], next[0], phase);
        output[2 * written + 1] = Interpolate(current[1], next[1], phase);
        ++written;
        phase += step;
    }
    return written;
}

size_t Resampler::Drain(int16_t* output, size_t outputFrames)
{
    size_t written = 0;
    while (primed && phase < kOne && written < outputFrames) {
        output[2 * written] = current[0];
        output[2 * written + 1] = current[1];
        ++written;
        phase += step;
    }
    return written;
}
