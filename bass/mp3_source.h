#pragma once
#include <memory>
#include <vector>

#include "bass/mpeg_decoder.h"
#include "bass/mpeg_scanner.h"
#include "bass/read_ahead.h"
#include "bass/stream.h"

// MPEG Layer III frames streamed from a file through a decoder, in the file's
// own rate and channel count. With the encoder's gapless information (in its
// Info frame) the encoder's and decoder's delay and the final padding are cut
// away, so that a loop joins without a gap; the last `padding` samples decoded
// are held back until the pass's end shows which of them are padding.
class Mp3Source : public PcmSource {
public:
    // Null when the file holds no Layer III frame or no decoder takes its format.
    static std::unique_ptr<Mp3Source> Open(std::unique_ptr<ReadAhead> input, MpegDecoderFactory createDecoder);

    size_t Read(int16_t* frames, size_t maxFrames) override;
    bool Rewind() override;

private:
    enum class Decoded { More, Later, End };

    explicit Mp3Source(std::unique_ptr<ReadAhead> input);
    // Decodes the next frames into `decoded`: Later when the reader stopped
    // partway through a search for them, End at the end of the pass.
    Decoded DecodeMore();

    std::unique_ptr<ReadAhead> input;
    MpegFrameReader reader;
    MpegFormat format;
    std::unique_ptr<MpegDecoder> decoder;
    std::vector<uint8_t> frameBytes;  // the input of one Decode call
    size_t inputLeft = 0;             // bytes the decoder did not take, at the front of frameBytes
    bool inputEnded = false;          // the reader has given the pass's last frame
    std::vector<int16_t> decoded;     // interleaved samples
    size_t decodedUsed = 0;           // samples already read (or skipped)
    size_t decodedEnd = 0;            // samples decoded
    bool passEnded = false;
    uint64_t framesInPass = 0;   // MPEG frames decoded in this pass
    uint64_t given = 0;          // sample frames read in this pass
    uint64_t skipLeft = 0;       // sample frames still to cut at the start of the pass
    uint64_t holdBack = 0;       // sample frames kept back until the pass ends
    uint64_t framesLeft = 0;     // once the pass has ended: sample frames still to give
};
