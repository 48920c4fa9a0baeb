#pragma once
// Files for the tests: a block of memory as a byte source, the same written to
// a file, and the library's readers on one all at once: the whole list of an
// MPEG stream's frames, its tags, a WAV file's layout, and a stream rendered to
// the end of a block however many steps that takes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bass/byte_source.h"
#include "bass/mpeg_scanner.h"
#include "bass/stream.h"
#include "bass/wav_source.h"

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}
    uint64_t Size() const override { return bytes.size(); }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        std::memcpy(into, bytes.data() + offset, count);
        return count;
    }

    std::vector<uint8_t> bytes;
};

// The path of a new file in the temporary folder holding `bytes`, removed when
// the test program ends; empty when it cannot be written. Native tests only
// (native_platform.cpp).
std::string FileOf(const std::vector<uint8_t>& bytes);

// Small, so that the tests move the window often.
constexpr size_t kMemoryWindow = 4096;

inline std::unique_ptr<ReadAhead> MemoryWindow(const uint8_t* data, size_t size, size_t capacity = kMemoryWindow)
{
    return std::make_unique<ReadAhead>(std::make_unique<MemorySource>(std::vector<uint8_t>(data, data + size)),
                                       capacity);
}

inline size_t Id3v2TagsSize(const uint8_t* data, size_t size)
{
    return size_t(Id3v2TagsSize(*MemoryWindow(data, size)));
}

inline size_t Id3v1TagSize(const uint8_t* data, size_t size)
{
    return size_t(Id3v1TagSize(*MemoryWindow(data, size), 0));
}

struct MpegStreamInfo : MpegFormat {
    std::vector<MpegFrame> frames;  // audio frames only
};

// False when the buffer holds no Layer III frame at all.
inline bool ScanMpegStream(const uint8_t* data, size_t size, MpegStreamInfo& info)
{
    info = MpegStreamInfo();
    std::unique_ptr<ReadAhead> input = MemoryWindow(data, size);
    MpegFrameReader reader(*input);
    if (!reader.Open(info))
        return false;
    MpegFrame frame;
    const uint8_t* bytes;
    for (FrameRead read; (read = reader.Next(frame, bytes)) != FrameRead::End;)
        if (read == FrameRead::Found)
            info.frames.push_back(frame);
    return true;
}

inline bool ReadWavLayout(const uint8_t* data, size_t size, WavLayout& layout)
{
    return ReadWavLayout(*MemoryWindow(data, size), layout);
}

// Fills exactly `frames` frames; every step that renders nothing has taken a long search further.
inline void Render(Stream& stream, int16_t* output, size_t frames)
{
    const size_t channels = size_t(stream.Channels());
    for (size_t done = 0; done < frames;)
        done += stream.RenderStep(output + channels * done, frames - done);
}
