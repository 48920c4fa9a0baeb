#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bass/pcm_source.h"

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
    // goes on at the next call. So a call does a bounded amount of work
    // whatever the file holds.
    size_t RenderStep(int16_t* output, size_t frames);
    // Starts over from the beginning of the source.
    void Restart();

    bool looping = false;
    bool finished = false;  // the source ended (without looping) or failed

private:
    std::unique_ptr<PcmSource> source;
    int emptyPasses = 0;  // passes in a row that gave nothing
};
