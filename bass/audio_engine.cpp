#include "bass/audio_engine.h"

#include <utility>

std::unique_ptr<AudioEngine> AudioEngine::Create(UINT device, uint32_t rate)
{
    std::unique_ptr<AudioEngine> engine(new AudioEngine);
    engine->rate = rate;
    AudioEngine* self = engine.get();
    if (!engine->output.Open(device, rate, [self](int16_t* frames, size_t count) { return self->Render(frames, count); }))
        return nullptr;
    return engine;
}

AudioEngine::~AudioEngine()
{
    output.Close();
}

bool AudioEngine::Render(int16_t* frames, size_t count)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!started || playing == 0)
        return false;
    Stream& stream = *streams.at(playing);
    stream.Render(frames, count);
    // The last buffer of a stream that has ended still carries its final samples.
    if (stream.finished)
        playing = 0;
    return true;
}

void AudioEngine::Start()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        started = true;
    }
    output.Wake();
}

void AudioEngine::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        started = false;
    }
    output.Flush();
}

uint32_t AudioEngine::AddStream(std::unique_ptr<Stream> stream)
{
    std::lock_guard<std::mutex> guard(lock);
    const uint32_t handle = nextHandle++;
    streams[handle] = std::move(stream);
    return handle;
}

bool AudioEngine::Play(uint32_t handle, bool restart, bool loop)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        auto found = streams.find(handle);
        if (found == streams.end())
            return false;
        Stream& stream = *found->second;
        if (restart || stream.finished)
            stream.Restart();
        stream.looping = loop;
        playing = handle;
    }
    output.Wake();
    return true;
}

bool AudioEngine::FreeStream(uint32_t handle)
{
    bool wasPlaying;
    {
        std::lock_guard<std::mutex> guard(lock);
        auto found = streams.find(handle);
        if (found == streams.end())
            return false;
        wasPlaying = playing == handle;
        if (wasPlaying)
            playing = 0;
        streams.erase(found);
    }
    // What is queued of a freed stream is dropped, not played out.
    if (wasPlaying)
        output.Flush();
    return true;
}
