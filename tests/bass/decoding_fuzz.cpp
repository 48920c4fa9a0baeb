// Any bytes given as a music file: the scanner, the WAV reader and a looping
// stream over what they accept must stay inside their buffers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bass/mpeg_scanner.h"
#include "bass/stream.h"
#include "bass/wav_reader.h"
#include "bass/wav_source.h"

namespace {
constexpr uint32_t kOutputRate = 44100;
constexpr size_t kRenderFrames = 3000;
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
    }

    WavLayout layout;
    if (ReadWavLayout(file.data(), file.size(), layout)) {
        if (layout.dataOffset + layout.dataSize > file.size())
            __builtin_trap();
        Stream stream(std::make_unique<WavSource>(file, layout), kOutputRate);
        stream.looping = true;
        std::vector<int16_t> out(2 * kRenderFrames);
        stream.Render(out.data(), kRenderFrames);
    }
    return 0;
}
