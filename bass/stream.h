#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bass/byte_source.h"
#include "bass/mpeg_decoder.h"

// Decoded audio in the file's own format: interleaved 16-bit samples at
// `sampleRate`, `channels` (1 or 2) per frame. One pass through the file at a time.
class PcmSource {
public:
    virtual ~PcmSource() = default;

    // Writes up to maxFrames frames; returns how many, 0 only at the end of the pass
    // (or when the source can give nothing more) or when it sets `yielded`.
    virtual size_t Read(int16_t* frames, size_t maxFrames) = 0;
    // Goes back to the first sample; false when the source cannot start again.
    virtual bool Rewind() = 0;

    uint32_t sampleRate = 0;
    int channels = 0;
    // Set by a Read that stopped partway through a long search of the file,
    // which the next Read goes on with; so one Read does a bounded amount of work.
    bool yielded = false;
};

// A playable stream: a decoded source in its own rate and channel count,
// looping when asked. When the source ends the next pass follows from its first
// sample with nothing inserted, so a file that loops cleanly plays without a gap
// or a click at the wrap. A source that fails (or ends without looping) gives
// silence from then on.
class Stream {
public:
    explicit Stream(std::unique_ptr<PcmSource> source);

    uint32_t Rate() const { return source->sampleRate; }
    int Channels() const { return source->channels; }
    // Renders up to `frames` frames and returns how many: fewer (even none)
    // when the source stopped partway through a long search of its file, which
    // goes on at the next call, so that a call's work is bounded.
    size_t RenderStep(int16_t* output, size_t frames);
    // Starts over from the beginning of the source.
    void Restart();

    bool looping = false;
    bool finished = false;  // the source ended (without looping) or failed

private:
    std::unique_ptr<PcmSource> source;
    int emptyPasses = 0;  // passes in a row that gave nothing
};

// Bytes of a file the library holds at most at once, whatever the file's length.
constexpr size_t kReadAheadBytes = 64 * 1024;

// Opens a music file as a stream: PCM WAV, or MPEG-1/2/2.5 Layer III decoded by
// what `createDecoder` makes. Reads only the file's first frames (or its WAV
// header) now. Null for an empty, unreadable or unsupported file. May throw std::bad_alloc.
std::unique_ptr<Stream> OpenStream(std::unique_ptr<ByteSource> file, MpegDecoderFactory createDecoder);
