// Any bytes given as a music file: the scanner, the WAV reader, and a looping
// stream over what they accept (the MP3 source through a stand-in decoder)
// must stay inside their buffers, read through small windows that move often.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bass/mp3_source.h"
#include "bass/mpeg_scanner.h"
#include "bass/stream.h"
#include "bass/wav_source.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/in_memory.h"

namespace {
constexpr size_t kRenderFrames = 3000;
// Just larger than the largest MPEG frame.
constexpr size_t kSmallWindow = 2048;

void RenderLooping(std::unique_ptr<PcmSource> source)
{
    Stream stream(std::move(source));
    stream.looping = true;
    std::vector<int16_t> out(2 * kRenderFrames);
    Render(stream, out.data(), kRenderFrames);
}

std::unique_ptr<ReadAhead> Window(const std::vector<uint8_t>& file, size_t capacity)
{
    return std::make_unique<ReadAhead>(std::make_unique<MemorySource>(file), capacity);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that any read past the end is caught.
    std::vector<uint8_t> file(data, data + size);

    MpegStreamInfo info;
    if (ScanMpegStream(file.data(), file.size(), info)) {
        for (const MpegFrame& frame : info.frames) {
            MpegFrameHeader header;
            if (frame.offset + size_t(frame.size) > file.size() ||
                !ParseMpegFrameHeader(file.data() + frame.offset, frame.size, header))
                __builtin_trap();
        }
        if (std::unique_ptr<Mp3Source> mp3 = Mp3Source::Open(Window(file, kSmallWindow), FakeMpegDecoder::Create))
            RenderLooping(std::move(mp3));
    }

    WavLayout layout;
    if (ReadWavLayout(file.data(), file.size(), layout)) {
        if (layout.dataOffset + layout.dataSize > file.size())
            __builtin_trap();
        RenderLooping(std::make_unique<WavSource>(Window(file, 256), layout));
    }
    return 0;
}
