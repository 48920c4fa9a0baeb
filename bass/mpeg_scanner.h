#pragma once
#include <cstddef>
#include <cstdint>

#include "bass/read_ahead.h"

// Finds the MPEG audio Layer III frames of a file as it streams through a
// bounded window: skips ID3v2 tags at the front and an ID3v1 tag at the end,
// resynchronises over garbage between frames, drops a truncated last frame,
// and reads the encoder's gapless information (an Xing/Info frame with the
// LAME-style extension, whichever encoder wrote it) when present. Every read,
// and every frame handed out, lies inside the file whatever its content.

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

struct MpegFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    uint32_t bitrate = 0;     // bits per second
    uint32_t sampleRate = 0;  // Hz
    int channels = 0;         // 1 or 2
    uint32_t frameSize = 0;   // bytes, header included
    uint32_t samplesPerFrame = 0;
    bool crcProtected = false;
};

// Parses the four header bytes at data (size >= 4); false for anything that is
// not a Layer III header with a usable bitrate and sample rate (free format is refused).
bool ParseMpegFrameHeader(const uint8_t* data, size_t size, MpegFrameHeader& header);

// What every frame of a stream shares (those of another version, rate or
// channel count are passed over), and the encoder's gapless information.
struct MpegFormat {
    MpegVersion version = MpegVersion::Mpeg1;
    uint32_t sampleRate = 0;
    int channels = 0;
    uint32_t samplesPerFrame = 0;
    uint32_t bitrate = 0;    // of the first frame, bits per second
    uint32_t frameSize = 0;  // of the first frame, bytes
    // From the Info frame: samples the encoder put before the audio and after its end.
    bool hasGaplessInfo = false;
    uint32_t encoderDelay = 0;
    uint32_t encoderPadding = 0;
};

struct MpegFrame {
    uint64_t offset;
    uint32_t size;
};

// How far a frame is looked for: the first one after the file's ID3v2 tags
// when a stream opens, and the next one after a stretch that continues no frame
// of the stream while it plays. A file without a frame by then is taken for
// something else, and a pass ends there: the opening runs on the caller's
// thread, the pass on the worker's, and neither may be held up while a large
// file of another kind (or a long tail of it) is read to its end.
constexpr uint64_t kFrameSearchBytes = uint64_t(16) << 20;
// Bytes a search on the worker scans per Next; a longer one goes on at the
// next call, so that the worker takes commands in between.
constexpr uint64_t kScanStepBytes = uint64_t(64) << 10;

enum class FrameRead {
    Found,
    Later,  // the search for the next frame goes on at the next call
    End,    // the end of the pass
};

// One pass after another over the audio frames of a file, the Xing/Info frame
// left out. Holds no more of the file than the window it reads through.
class MpegFrameReader {
public:
    explicit MpegFrameReader(ReadAhead& input);

    // Finds the first frame; false when the file holds no Layer III frame
    // within kFrameSearchBytes after its tags.
    bool Open(MpegFormat& format);
    // The next audio frame; its bytes at `data` stay valid until the window is
    // next used. The pass ends at the end of the audio, where the file can no
    // longer be read, or kFrameSearchBytes into data that continues no frame.
    FrameRead Next(MpegFrame& frame, const uint8_t*& data);
    // Goes back to the first audio frame, and tries again what could not be read.
    void Rewind();

private:
    ReadAhead& input;
    uint64_t end = 0;    // where the audio ends: before an ID3v1 tag, or the file's end
    uint64_t first = 0;  // the first frame, perhaps the Info frame
    uint64_t at = 0;
    bool firstIsInfo = false;
    bool atFirst = true;
    bool searching = false;  // for the next frame, since `searchFrom`
    uint64_t searchFrom = 0;
    MpegFrameHeader firstHeader;
};

// Bytes taken by the ID3v2 tags at the start of the file (0 when there is none).
// A tag that claims more bytes than the file holds counts as its header only,
// so that a corrupt size cannot hide the audio that follows it.
uint64_t Id3v2TagsSize(ReadAhead& input);
// Bytes taken by an ID3v1 tag ("TAG" 128 bytes before the end) after `begin`, or 0.
uint64_t Id3v1TagSize(ReadAhead& input, uint64_t begin);
