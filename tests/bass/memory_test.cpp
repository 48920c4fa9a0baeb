// The library and its allocations, counted by this program's own operator new:
// a failure injected at each allocation of each call makes that call fail
// cleanly, and a stream streaming a three-hour file holds a bounded amount of
// it and allocates nothing while it plays, loops or restarts.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "bass/audio_library.h"
#include "bass/mp3_source.h"
#include "bass/stream.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
// Counted per thread: the worker's allocations are its own.
thread_local long tFailIn = -1;       // the allocation that fails: 0 the next one, -1 none
thread_local size_t tAllocated = 0;   // bytes asked for
}  // namespace

void* operator new(size_t size)
{
    if (tFailIn == 0) {
        tFailIn = -1;
        throw std::bad_alloc();
    }
    if (tFailIn > 0)
        --tFailIn;
    tAllocated += size;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}

namespace {
constexpr uint32_t kRate = 44100;

Bytes Tone()
{
    std::vector<int16_t> samples(2 * 8000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i % 200 * 50);
    return Wav(kRate, 2, 16, samples);
}
}  // namespace

TEST_CASE("an allocation failing anywhere in a call makes that call fail, and later calls work")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    const Bytes tone = Tone();
    const std::string file = FileOf(tone);
    uint32_t stream = 0;
    auto create = [&] { return (stream = library.StreamCreateFile(file.c_str())) != 0; };
    struct Call {
        const char* name;
        std::function<void()> before;  // sets the state the call needs
        std::function<bool()> call;
    };
    const Call calls[] = {
        {"init", [&] { library.Free(); }, [&] { return library.Init(-1, kRate); }},
        {"start", [&] { library.Init(-1, kRate); }, [&] { return library.Start(); }},
        // One stream at a time: the one made before goes first.
        {"create", [&] { library.Init(-1, kRate); library.StreamFree(stream); }, create},
        {"play", [&] { library.Init(-1, kRate); stream || create(); },
         [&] { return library.StreamPlay(stream, true, true); }},
        {"stop", [&] { library.Init(-1, kRate); }, [&] { return library.Stop(); }},
        {"free a stream", [&] { library.Init(-1, kRate); library.StreamFree(stream); create(); },
         [&] { return library.StreamFree(stream); }},
        {"free", [&] { library.Init(-1, kRate); }, [&] { return library.Free(); }},
    };
    for (const Call& call : calls) {
        const std::string name = call.name;
        CAPTURE(name);
        int failures = 0;
        for (long at = 0;; ++at) {
            call.before();
            tFailIn = at;
            const bool succeeded = call.call();
            const bool injected = tFailIn == -1;
            tFailIn = -1;
            if (!injected) {
                // No allocation was left to fail: the call ran through.
                CHECK(succeeded);
                break;
            }
            CHECK_FALSE(succeeded);
            ++failures;
            // And the library goes on: the same call now succeeds.
            call.before();
            CHECK(call.call());
            REQUIRE(at < 100);
        }
        MESSAGE(name, ": ", failures, " allocations");
    }
}

namespace {
// A three-hour MPEG-2.5 file (8000 Hz mono at 8 kbit/s, 72-byte frames, 576
// samples each) made as it is read: a large ID3v2 tag, the encoder's Info
// frame with gapless delay and padding, the audio frames each tagged with its
// number, and an ID3v1 tag. It counts what is read of it.
class LongFile : public ByteSource {
public:
    static constexpr uint64_t kFrames = 3 * 3600 * 8000 / 576;
    static constexpr uint32_t kFrameSize = 72;
    static constexpr uint32_t kDelay = 576, kPadding = 1000;
    static constexpr uint8_t kHeader[4] = {0xFF, 0xE3, 0x18, 0xC4};  // MPEG-2.5, 8 kbit/s, 8000 Hz, mono

    LongFile() : front(Id3v2(200000, 200000))
    {
        Bytes info = Frame(kHeader, kFrameSize);
        const size_t xing = 4 + 9;  // header + MPEG-2 mono side information
        std::memcpy(&info[xing], "Info", 4);
        const size_t lame = xing + 8;
        std::memcpy(&info[lame], "LAME3.100", 9);
        info[lame + 21] = uint8_t(kDelay >> 4);
        info[lame + 22] = uint8_t((kDelay & 0xF) << 4 | kPadding >> 8);
        info[lame + 23] = uint8_t(kPadding & 0xFF);
        Append(front, info);
        back = Id3v1();
    }

    uint64_t Size() const override { return front.size() + kFrames * kFrameSize + back.size(); }

    size_t reads = 0, largestRead = 0;
    uint64_t bytesRead = 0;

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        ++reads;
        largestRead = std::max(largestRead, count);
        bytesRead += count;
        for (size_t i = 0; i < count; ++i)
            into[i] = ByteAt(offset + i);
        return count;
    }

    uint8_t ByteAt(uint64_t offset) const
    {
        if (offset < front.size())
            return front[offset];
        offset -= front.size();
        if (offset >= kFrames * kFrameSize)
            return back[offset - kFrames * kFrameSize];
        const uint64_t frame = offset / kFrameSize, at = offset % kFrameSize;
        if (at < 4)
            return kHeader[at];
        if (at == 4 || at == 5)
            return uint8_t((frame % 30000 + 1) >> (at == 4 ? 0 : 8));
        return 0;
    }

    Bytes front, back;
};
}  // namespace

TEST_CASE("a three-hour file streams through a bounded window, allocating nothing as it plays")
{
    auto owned = std::make_unique<LongFile>();
    LongFile& file = *owned;
    const size_t opening = tAllocated;
    std::unique_ptr<Stream> stream = OpenStream(std::move(owned), FakeMpegDecoder::Create);
    REQUIRE(stream);
    const size_t held = tAllocated - opening;
    MESSAGE("the open stream holds ", held, " bytes; ", file.bytesRead, " bytes read to open it");
    CHECK(held < 512 * 1024);

    // One whole pass, and on into the next: the samples carry the frame numbers.
    const uint64_t pass = LongFile::kFrames * 576 - LongFile::kDelay - LongFile::kPadding;
    stream->looping = true;
    std::vector<int16_t> block(2 * 8192);
    const size_t playing = tAllocated;
    uint64_t at = 0;
    bool inOrder = true;
    while (at < pass + 8192) {
        Render(*stream, block.data(), 8192);
        for (size_t i = 0; i < 8192; ++i, ++at) {
            const uint64_t sample = at % pass + LongFile::kDelay;
            inOrder = inOrder && block[i] == int16_t(sample / 576 % 30000 + 1);
        }
    }
    CHECK(inOrder);
    CHECK(tAllocated == playing);
    MESSAGE(file.reads, " reads of at most ", file.largestRead, " bytes, ", file.bytesRead, " bytes in all");
    CHECK(file.largestRead <= kReadAheadBytes);
    // Each byte of the audio is read about once per pass; most of the large tag is skipped, not read.
    CHECK(file.bytesRead < file.Size() + 2 * kReadAheadBytes);
}

TEST_CASE("a WAV stream allocates nothing as it plays, loops and restarts")
{
    const Bytes tone = Tone();  // 8000 frames
    std::unique_ptr<Stream> stream = OpenStream(std::make_unique<MemorySource>(tone), FakeMpegDecoder::Create);
    REQUIRE(stream);
    stream->looping = true;
    std::vector<int16_t> block(2 * 1000);
    const size_t playing = tAllocated;
    for (int i = 0; i < 30; ++i)  // more than three passes
        Render(*stream, block.data(), 1000);
    stream->Restart();
    Render(*stream, block.data(), 1000);
    CHECK(tAllocated == playing);
}
