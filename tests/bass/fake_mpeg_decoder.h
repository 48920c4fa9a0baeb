#pragma once
// A stand-in for the system's MP3 codec in the native tests: every whole frame
// it is given becomes samplesPerFrame frames whose samples all hold the
// frame's tag, the 16-bit number in its bytes 4 and 5 (where the tests' frames
// carry one). It adds no delay of its own, and takes at most gFramesTaken
// frames a call, leaving the rest as a codec short of room does.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "bass/mpeg_decoder.h"

class FakeMpegDecoder : public MpegDecoder {
public:
    explicit FakeMpegDecoder(const MpegFormat& format) : format(format) {}

    static std::unique_ptr<MpegDecoder> Create(const MpegFormat& format)
    {
        return std::make_unique<FakeMpegDecoder>(format);
    }

    bool Restart() override { return true; }

    bool Decode(const uint8_t* frames, size_t size, bool, int16_t* pcm, size_t room, size_t& samples,
                size_t& used) override
    {
        samples = used = 0;
        MpegFrameHeader header;
        for (size_t taken = 0; taken < gFramesTaken && size - used >= 6 &&
                               ParseMpegFrameHeader(frames + used, size - used, header) &&
                               header.frameSize <= size - used;
             ++taken, used += header.frameSize) {
            const size_t count = size_t(header.samplesPerFrame) * size_t(format.channels);
            if (room - samples < count)
                return false;
            std::fill(pcm + samples, pcm + samples + count, int16_t(frames[used + 4] | frames[used + 5] << 8));
            samples += count;
        }
        return true;
    }

    uint32_t Delay() const override { return 0; }

    static inline size_t gFramesTaken = SIZE_MAX;

private:
    MpegFormat format;
};
