#pragma once
#include <windows.h>
// The lean Windows header leaves out the multimedia types that the ACM header needs.
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <vector>

#include "bass/mpeg_scanner.h"
#include "bass/pcm_source.h"

// MPEG Layer III frames decoded to PCM by the system's ACM MP3 codec, in the
// file's own rate and channel count. When the encoder left gapless information
// (a LAME tag), the encoder's and the decoder's delay and the final padding are
// cut away, so that one pass holds exactly the samples that were encoded and a
// loop joins without a gap.
class Mp3Source : public PcmSource {
public:
    Mp3Source(std::vector<uint8_t> file, MpegStreamInfo info);
    ~Mp3Source() override;

    // Opens the codec for the first pass; false when no ACM codec takes the format.
    bool Open();
    size_t Read(int16_t* frames, size_t maxFrames) override;
    bool Rewind() override;

private:
    bool OpenCodec();
    void CloseCodec();
    // Decodes the next group of frames into `decoded`; false at the end of the pass.
    bool DecodeMore();

    std::vector<uint8_t> bytes;
    MpegStreamInfo info;
    HACMSTREAM codec = nullptr;
    ACMSTREAMHEADER header = {};
    std::vector<uint8_t> input;
    std::vector<uint8_t> output;
    bool endSent = false;
    size_t nextFrame = 0;
    std::vector<int16_t> decoded;  // interleaved samples not yet read
    size_t decodedUsed = 0;        // samples
    uint64_t skipLeft = 0;         // frames still to cut at the start of the pass
    uint64_t framesLeft = 0;       // frames still to give in this pass
};
