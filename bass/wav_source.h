#pragma once
#include <memory>

#include "bass/pcm_source.h"
#include "bass/read_ahead.h"
#include "bass/wav_reader.h"

// The PCM samples of a WAV file, read through its window as they play; 8-bit
// samples are widened to 16 bits. A read error, or a file that shrank, ends the pass.
class WavSource : public PcmSource {
public:
    // `layout` must come from ReadWavLayout on the same file.
    WavSource(std::unique_ptr<ReadAhead> input, const WavLayout& layout);

    size_t Read(int16_t* frames, size_t maxFrames) override;
    bool Rewind() override;

private:
    std::unique_ptr<ReadAhead> input;
    WavLayout layout;
    uint64_t position = 0;  // bytes into the data chunk
};
