#pragma once
#include <cstddef>
#include <cstdint>

// Decoded audio in the file's own format: interleaved 16-bit samples at
// `sampleRate`, `channels` (1 or 2) per frame. One pass through the file at a time.
class PcmSource {
public:
    virtual ~PcmSource() = default;

    // Writes up to maxFrames frames; returns how many, 0 only at the end of the pass
    // (or when the source can give nothing more) or when it sets `paused`.
    virtual size_t Read(int16_t* frames, size_t maxFrames) = 0;
    // Goes back to the first sample; false when the source cannot start again.
    virtual bool Rewind() = 0;

    uint32_t sampleRate = 0;
    int channels = 0;
    // Set by a Read that stopped partway through a long search of the file,
    // which the next Read goes on with; so one Read does a bounded amount of work.
    bool paused = false;
};
