#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bass/mpeg_scanner.h"

// Turns whole MPEG audio frames into interleaved 16-bit PCM in the stream's own
// rate and channel count. On Windows it is the system's ACM MP3 codec
// (acm_decoder.cpp); the native tests give a stand-in of their own.
class MpegDecoder {
public:
    // Frames handed over per Decode call, and the largest frame there is
    // (MPEG-1 at 320 kbit/s and 32 kHz, padded).
    static constexpr size_t kFramesPerCall = 4;
    static constexpr size_t kMaxFrameSize = 1441;
    // Room for one call's samples and what the codec may have kept from before.
    static constexpr size_t kOutputCalls = 3;
    static size_t OutputRoom(const MpegFormat& format)
    {
        return kOutputCalls * kFramesPerCall * format.samplesPerFrame * size_t(format.channels);
    }

    virtual ~MpegDecoder() = default;

    // Starts afresh, keeping nothing of what came before (the end of one pass
    // must not bleed into the next one's first frames through the decoder's
    // overlap and bit reservoir). Cheap: called on the worker at every loop.
    // False when the codec cannot start.
    virtual bool Restart() = 0;
    // Decodes `size` bytes of frames (at most kFramesPerCall * kMaxFrameSize);
    // `last` also flushes what the decoder still holds. Writes up to `room`
    // samples (at least OutputRoom) to `pcm` and sets `samples`, and sets
    // `used` to the bytes it took: those it did not take come first in the
    // next call. False on failure.
    virtual bool Decode(const uint8_t* frames, size_t size, bool last, int16_t* pcm, size_t room,
                        size_t& samples, size_t& used) = 0;
    // Samples the decoder puts before the first encoded one.
    virtual uint32_t Delay() const = 0;
};

// Makes a decoder for a stream of this format, or null when none takes it.
using MpegDecoderFactory = std::unique_ptr<MpegDecoder> (*)(const MpegFormat& format);
