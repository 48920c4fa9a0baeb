// Streams over files and codecs that misbehave: a file that shrinks or can no
// longer be read as it plays, and a codec that takes only part of its input.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "bass/stream.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kMp3Frames = 400;  // about 167 kB: three windows
constexpr size_t kSamplesPerFrame = 1152;

// What a test does to a ShrinkingFile, and sees of it, kept apart from the
// file, which a stream that fails to open deletes.
struct FileState {
    uint64_t readable = UINT64_MAX;  // reads from here on come up short
    size_t reads = 0;
};

// A file that keeps the size it had when opened, while reads past a point come
// up short, as when it is truncated or its disk goes away.
class ShrinkingFile : public ByteSource {
public:
    ShrinkingFile(Bytes content, FileState& state) : bytes(std::move(content)), state(state) {}
    uint64_t Size() const override { return bytes.size(); }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        ++state.reads;
        if (offset >= state.readable)
            return 0;
        count = size_t(std::min<uint64_t>(count, state.readable - offset));
        std::memcpy(into, bytes.data() + offset, count);
        return count;
    }

    Bytes bytes;
    FileState& state;
};

// Each file's first sample of frame i (counting from 1) holds i; so does a WAV's every 1152nd.
Bytes NumberedWav()
{
    std::vector<int16_t> samples(kMp3Frames * kSamplesPerFrame / 4);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i / kSamplesPerFrame + 1);
    return Wav(kRate, 1, 16, samples);
}
}  // namespace

TEST_CASE("a file that shrinks or can no longer be read ends its pass where it fails, in a few reads")
{
    struct Row {
        const char* kind;
        Bytes file;
        size_t passFrames;  // once cut in half
        int16_t lastNumber;
    };
    const Row rows[] = {
        {"MP3", TaggedFrames(int(kMp3Frames)), kMp3Frames / 2 * kSamplesPerFrame, int16_t(kMp3Frames / 2)},
        {"WAV", NumberedWav(), kMp3Frames / 8 * kSamplesPerFrame, int16_t(kMp3Frames / 8)},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.kind));
        FileState file;
        auto open = [&] {
            return OpenStream(std::make_unique<ShrinkingFile>(row.file, file), FakeMpegDecoder::Create);
        };
        std::vector<int16_t> out(2 * 2 * kMp3Frames * kSamplesPerFrame);

        // Truncated to nothing while it plays: the stream ends.
        std::unique_ptr<Stream> stream = open();
        REQUIRE(stream);
        stream->looping = true;
        Render(*stream, out.data(), 10000);
        file.readable = 0;
        file.reads = 0;
        // What the window already holds still plays; then nothing more.
        Render(*stream, out.data(), kMp3Frames * kSamplesPerFrame);
        CHECK(stream->finished);
        CHECK(file.reads < 10);

        // Cut in the middle: each pass ends at the cut, and the loop goes on.
        file = FileState();
        stream = open();
        REQUIRE(stream);
        stream->looping = true;
        file.readable = row.file.size() / 2;
        file.reads = 0;
        const size_t frames = 7 * row.passFrames / 2;
        Render(*stream, out.data(), frames);
        CHECK_FALSE(stream->finished);
        const size_t ch = size_t(stream->Channels());
        int16_t highest = 0;
        int restarts = 0;
        for (size_t i = 1; i < frames; ++i) {
            highest = std::max(highest, out[ch * i]);
            restarts += out[ch * i] == 1 && out[ch * (i - 1)] > 1;
        }
        CHECK(restarts == 3);
        CHECK(highest <= row.lastNumber);
        CHECK(file.reads < 30);

        // Unreadable from the start: opening fails as quickly.
        file = FileState();
        file.readable = 0;
        CHECK_FALSE(open());
        CHECK(file.reads < 10);
    }
}

TEST_CASE("input the codec does not take is given to it again: every frame plays, once, in order")
{
    Bytes file = InfoFrame(1152, 1152);
    Append(file, TaggedFrames(10));
    std::unique_ptr<Stream> stream =
        OpenStream(std::make_unique<MemorySource>(file), FakeMpegDecoder::Create);
    REQUIRE(stream);
    stream->looping = true;
    // The delay and the padding cut the first and the last frame: 2 to 9, twice.
    FakeMpegDecoder::gFramesTaken = 1;
    std::vector<int16_t> out(2 * 16 * kSamplesPerFrame);
    Render(*stream, out.data(), 16 * kSamplesPerFrame);
    FakeMpegDecoder::gFramesTaken = SIZE_MAX;
    for (size_t i = 0; i < 16 * kSamplesPerFrame; ++i) {
        CAPTURE(i);
        REQUIRE(out[2 * i] == int16_t(i / kSamplesPerFrame % 8 + 2));
    }
}
