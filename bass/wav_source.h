#pragma once
#include <vector>

#include "bass/pcm_source.h"
#include "bass/wav_reader.h"

// The PCM samples of a WAV file held in memory; 8-bit samples are widened to 16 bits.
class WavSource : public PcmSource {
public:
    // Takes the file's bytes; `layout` must come from ReadWavLayout on them.
    WavSource(std::vector<uint8_t> file, const WavLayout& layout);

    size_t Read(int16_t* frames, size_t maxFrames) override;
    bool Rewind() override;

private:
    std::vector<uint8_t> bytes;
    WavLayout layout;
    size_t position = 0;  // bytes into the data chunk
};
