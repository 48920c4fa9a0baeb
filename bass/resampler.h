#pragma once
#include <cstddef>
#include <cstdint>

// Converts interleaved 16-bit PCM of any rate, mono or stereo, to stereo at the
// output rate by linear interpolation; mono is copied to both sides. The state
// carries over between calls, so a source fed in pieces of any size (and across
// a loop's wrap) comes out as one continuous signal. At equal rates the samples
// pass through unchanged.
class Resampler {
public:
    Resampler(uint32_t inputRate, uint32_t outputRate, int inputChannels);

    // Reads input frames and writes stereo output frames until either runs out;
    // returns the number of output frames written and sets consumed to the input
    // frames used up.
    size_t Process(const int16_t* input, size_t inputFrames, size_t& consumed, int16_t* output,
                   size_t outputFrames);
    // At the end of the input: writes the output frames still due from the last
    // input frame (which has no successor to interpolate toward); returns how many.
    size_t Drain(int16_t* output, size_t outputFrames);

private:
    int channels;
    uint64_t step;       // input frames per output frame, 32.32 fixed point
    uint64_t phase = 0;  // position past `current` toward the next input frame, 32.32
    bool primed = false; // `current` holds an input frame
    int16_t current[2] = {0, 0};
};
