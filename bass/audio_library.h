#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "bass/byte_source.h"
#include "bass/mpeg_decoder.h"
#include "bass/output_device.h"

// The library's exported calls as portable code. Between Init and Free one
// worker thread owns the output device and the stream, and carries out the
// calls, from any thread, in order. The device is open only while the stream
// plays: Init opens it once to check it, and Stop, StreamFree and the stream's
// end close it. The platform comes in through the openers (files through
// OpenFileSource unless a test's) and StartThread, which each build defines.
class AudioLibrary {
public:
    // How long StreamCreateFile waits for a file to open; one that has not by
    // then is left to finish (or fail) on a thread of its own, and freed there.
    static constexpr std::chrono::milliseconds kCreateLimit{1500};
    // A call waits kAnswerLimit at most for the worker (Init, kOpenLimit for
    // the device to open); after one gives up, the calls do not wait at all
    // until the worker has answered it, so that a worker stuck in a hung
    // driver costs one limit, not one per call.
    static constexpr std::chrono::milliseconds kOpenLimit{5000};
    static constexpr std::chrono::milliseconds kAnswerLimit{50};
    // A device that gives no buffer back for this long has failed.
    static constexpr std::chrono::milliseconds kStallLimit{2000};
    // A device that fails, or does not open, is tried again this long after,
    // then twice as long each time up to kRetryLongest; one that plays a
    // buffer through starts the count again. A failed one that does not stop
    // either is left its buffers, kAbandonLimit at most; then the output ends.
    static constexpr std::chrono::milliseconds kRetryFirst{500};
    static constexpr std::chrono::milliseconds kRetryLongest{5000};
    static constexpr int kAbandonLimit = 3;

    AudioLibrary(OutputDeviceOpener openDevice, MpegDecoderFactory createDecoder, FileOpener openFile = OpenFileSource);
    // Frees the library if it is still initialised.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // The calls as bass.h has them, their arguments already checked there.
    bool Init(int device, uint32_t rate) noexcept;
    bool Start() noexcept;
    uint32_t StreamCreateFile(const char* path) noexcept;
    bool StreamPlay(uint32_t handle, bool restart, bool loop) noexcept;
    bool StreamFree(uint32_t handle) noexcept;
    bool Stop() noexcept;
    bool Free() noexcept;

    struct Command;
    struct Worker;

private:
    // The worker while the library is initialised; the caller's reference keeps
    // it alive through a concurrent Free, after which its calls fail.
    std::shared_ptr<Worker> Running();

    const OutputDeviceOpener openDevice;
    const MpegDecoderFactory createDecoder;
    const FileOpener openFile;
    std::mutex lock;
    // Init and Free run outside the lock; while one does, the other fails.
    enum class State { Free, Initialising, Initialised, Freeing } state = State::Free;
    std::shared_ptr<Worker> worker;
    // Handles are never 0 and never used twice by one library.
    std::atomic<uint32_t> nextHandle{1};
};
