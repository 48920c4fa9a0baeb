#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Converts interleaved 16-bit PCM of any rate, mono or stereo, to stereo at the
// output rate; mono is copied to both sides. At equal rates the samples pass
// through unchanged. Otherwise a band-limited filter (a Kaiser-windowed sinc
// whose cut-off is the lower of the two Nyquist frequencies) keeps everything
// up to 0.9 of that frequency (within 0.0001 dB) and puts every image and
// alias of it 110 dB down. Output is rounded to 16 bits and clipped.
//
// Output frame n lies at input time n * inputRate / outputRate, exactly: the
// first output frame is the first input frame (the filter starts centred on it,
// with silence before), and Drain gives every output frame up to the last
// input frame's time, so nothing is shifted, added or cut at either end. The
// state carries over between calls, so a source fed in pieces of any size (and
// across a loop's wrap) comes out as one continuous signal.
//
// Allocates only in the constructor: a table of at most 65 536 coefficients
// and a history of the filter's length, both bounded for any rates (from 1 Hz
// up; a ratio beyond 64:1 down keeps the filter's length and widens its
// transition band instead). Each output frame costs one pass over the filter's
// length (about 72 frames of the lower rate), two where the ratio's phases are
// too many to tabulate.
class Resampler {
public:
    Resampler(uint32_t inputRate, uint32_t outputRate, int inputChannels);
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Reads input frames and writes stereo output frames until either runs out;
    // returns the number of output frames written and sets consumed to the input
    // frames used up. Input a full output leaves is not consumed.
    size_t Process(const int16_t* input, size_t inputFrames, size_t& consumed, int16_t* output,
                   size_t outputFrames);
    // At the end of the input: writes output frames still due (those the
    // filter's look-ahead held back); returns how many, fewer than asked once
    // all are out. Feed no more input after it without a Reset.
    size_t Drain(int16_t* output, size_t outputFrames);
    // Back to the state of a new resampler, without allocating.
    void Reset();

private:
    bool HasFilter() const { return taps > 0; }
    void Push(const int16_t* frame);
    void PushSilence();
    void Emit(int16_t* frame);
    void Advance();

    int channels;
    // The rates' ratio in lowest terms: each output frame moves the input
    // position on by step / phases frames.
    uint32_t phases = 1, step = 1;
    size_t taps = 0;        // the filter's length in input frames; 0 passes samples through
    size_t tableRows = 0;   // coefficient rows, one per phase (plus one when interpolated)
    bool interpolated = false;
    std::vector<float> table;  // tableRows rows of `taps` coefficients, oldest frame first
    // The last `taps` input frames, written twice (at i and i + taps) so that
    // they always lie in one piece from `head` on.
    std::vector<float> history;
    size_t head = 0;
    // The next output frame lies remainder / phases of a frame past an input
    // frame, and the newest frame held is `lead` frames past that one; the
    // output frame is due once the filter, centred on it, is full: lead = taps / 2.
    uint32_t remainder = 0;
    int64_t lead = -1;
    uint64_t silenceAdded = 0;  // frames of silence Drain has fed after the input
};
