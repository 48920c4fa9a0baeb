#include "bass/stream.h"

#include <algorithm>
#include <utility>

namespace {
// Small, so that the worker renders in short steps between which it takes commands.
constexpr size_t kDecodeFrames = 1152;
// A source that keeps returning nothing right after a rewind would spin forever:
// the end of a pass and then an empty one end the stream.
constexpr int kMaxEmptyPasses = 2;
}  // namespace

Stream::Stream(std::unique_ptr<PcmSource> pcm, uint32_t rate)
    : source(std::move(pcm)), resampler(source->sampleRate, rate, source->channels),
      pending(kDecodeFrames * size_t(source->channels))
{
}

bool Stream::Refill()
{
    for (;;) {
        pendingFrames = source->Read(pending.data(), kDecodeFrames);
        pendingUsed = 0;
        sourcePaused = source->paused;
        if (pendingFrames > 0) {
            emptyPasses = 0;
            return true;
        }
        if (sourcePaused)
            return true;
        if (++emptyPasses == kMaxEmptyPasses || !looping || !source->Rewind())
            return false;
    }
}

void Stream::Render(int16_t* output, size_t frames)
{
    // Every call that renders nothing has taken a long search a step further.
    for (size_t done = 0; done < frames;)
        done += RenderStep(output + 2 * done, frames - done);
}

size_t Stream::RenderStep(int16_t* output, size_t frames)
{
    size_t done = 0;
    while (done < frames && !finished) {
        if (!sourceEnded && pendingUsed == pendingFrames && sourcePaused) {
            sourcePaused = false;
            return done;
        }
        if (sourceEnded || (pendingUsed == pendingFrames && !Refill())) {
            // The resampler still holds the last frames; they may take more than this call.
            sourceEnded = true;
            done += resampler.Drain(output + 2 * done, frames - done);
            finished = done < frames;
            break;
        }
        size_t consumed = 0;
        done += resampler.Process(pending.data() + pendingUsed * size_t(source->channels),
                                  pendingFrames - pendingUsed, consumed, output + 2 * done, frames - done);
        pendingUsed += consumed;
    }
    std::fill(output + 2 * done, output + 2 * frames, int16_t(0));
    return frames;
}

void Stream::Restart()
{
    finished = !source->Rewind();
    sourceEnded = false;
    sourcePaused = false;
    emptyPasses = 0;
    pendingFrames = pendingUsed = 0;
    resampler.Reset();
}
