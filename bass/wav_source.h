#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bass/read_ahead.h"
#include "bass/stream.h"

// Reads the layout of a RIFF WAVE file: integer PCM (also as
// WAVE_FORMAT_EXTENSIBLE), 8 or 16 bits, mono or stereo. A data chunk that
// claims more bytes than the file holds is cut at the end of the file (a file
// whose copy was interrupted still plays), and to whole sample frames. Every
// read stays inside the file.
struct WavLayout {
    uint32_t sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    uint64_t dataOffset = 0;
    uint64_t dataSize = 0;  // bytes, a whole number of frames, at least one frame
};

// False for anything else: not RIFF/WAVE, no "fmt " or "data" chunk, a
// compressed or float format, an unusable rate, or no whole frame of samples.
bool ReadWavLayout(ReadAhead& input, WavLayout& layout);

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
