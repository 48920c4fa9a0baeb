#include "bass/stream.h"

#include <algorithm>
#include <utility>

#include "bass/mp3_source.h"
#include "bass/read_ahead.h"
#include "bass/wav_source.h"

namespace {
// Frames asked of the source at once: a WAV read that meets the end of what
// can still be read ends the pass, losing no more than this before it.
constexpr size_t kReadFrames = 1152;
// A source that keeps returning nothing right after a rewind would spin forever:
// the end of a pass and then an empty one end the stream.
constexpr int kMaxEmptyPasses = 2;
}  // namespace

Stream::Stream(std::unique_ptr<PcmSource> pcm) : source(std::move(pcm))
{
}

size_t Stream::RenderStep(int16_t* output, size_t frames)
{
    const size_t channels = size_t(source->channels);
    size_t done = 0;
    while (done < frames && !finished) {
        const size_t read = source->Read(output + channels * done, std::min(frames - done, kReadFrames));
        done += read;
        if (source->yielded)
            return done;
        if (read > 0)
            emptyPasses = 0;
        else if (++emptyPasses == kMaxEmptyPasses || !looping || !source->Rewind())
            finished = true;
    }
    std::fill(output + channels * done, output + channels * frames, int16_t(0));
    return frames;
}

void Stream::Restart()
{
    finished = !source->Rewind();
    emptyPasses = 0;
}

std::unique_ptr<Stream> OpenStream(std::unique_ptr<ByteSource> file, MpegDecoderFactory createDecoder)
{
    if (!file || file->Size() == 0)
        return nullptr;
    auto input = std::make_unique<ReadAhead>(std::move(file), kReadAheadBytes);
    std::unique_ptr<PcmSource> source;
    WavLayout layout;
    if (ReadWavLayout(*input, layout))
        source = std::make_unique<WavSource>(std::move(input), layout);
    else
        source = Mp3Source::Open(std::move(input), createDecoder);
    if (!source)
        return nullptr;
    return std::make_unique<Stream>(std::move(source));
}
