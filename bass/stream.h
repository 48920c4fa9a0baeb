#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bass/pcm_source.h"
#include "bass/resampler.h"

// A playable stream: a decoded source converted to the output's stereo format,
// looping when asked. When the source ends the next pass follows from its first
// sample with nothing inserted, so a file that loops cleanly plays without a gap
// or a click at the wrap. A source that fails (or ends without looping) gives
// silence from then on.
class Stream {
public:
    Stream(std::unique_ptr<PcmSource> source, uint32_t outputRate);

    // Fills exactly `frames` stereo frames.
    void Render(int16_t* output, size_t frames);
    // Renders up to `frames` stereo frames and returns how many: fewer (even
    // none) when the source stopped partway through a long search of its file,
    // which goes on at the next call. So a call does a bounded amount of work
    // whatever the file holds.
    size_t RenderStep(int16_t* output, size_t frames);
    // Starts over from the beginning of the source.
    void Restart();

    bool looping = false;
    bool finished = false;  // the source ended (without looping) or failed

private:
    bool Refill();

    std::unique_ptr<PcmSource> source;
    Resampler resampler;
    std::vector<int16_t> pending;  // decoded frames not yet resampled
    size_t pendingFrames = 0;
    size_t pendingUsed = 0;
    bool sourceEnded = false;   // no more input: what the resampler holds drains out
    bool sourcePaused = false;  // the last Read paused: the step ends once its frames are used
    int emptyPasses = 0;        // passes in a row that gave nothing
};
