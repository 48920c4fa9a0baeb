// MPEG Layer III through the system's Audio Compression Manager: one codec
// stream fed whole frames through one prepared header. A new pass starts with
// ACM_STREAMCONVERTF_START, which starts the codec afresh: opening another would
// hold up the worker's next command for milliseconds at every loop.
#include "bass/acm_decoder.h"

#include <windows.h>
// The lean Windows header leaves out the multimedia types that the ACM header needs.
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <vector>

namespace {
// The MP3 codecs in use (mpg123's and the reference decoder) put this many
// samples of their own before the first encoded one.
constexpr uint32_t kDecoderDelay = 529;
constexpr DWORD kBytesPerSample = 2;
constexpr WORD kMpegLayer3CodecDelay = 1393;

class AcmDecoder : public MpegDecoder {
public:
    explicit AcmDecoder(const MpegFormat& format)
        : format(format), input(kFramesPerCall * kMaxFrameSize), output(OutputRoom(format) * kBytesPerSample)
    {
    }
    ~AcmDecoder() override
    {
        if (!codec)
            return;
        // Unprepared with the lengths it was prepared with.
        header.cbSrcLength = DWORD(input.size());
        header.cbDstLength = DWORD(output.size());
        acmStreamUnprepareHeader(codec, &header, 0);
        acmStreamClose(codec, 0);
    }
    AcmDecoder(const AcmDecoder&) = delete;
    AcmDecoder& operator=(const AcmDecoder&) = delete;

    bool Restart() override
    {
        starting = true;
        return codec != nullptr;
    }

    bool Decode(const uint8_t* frames, size_t size, bool last, int16_t* pcm, size_t room, size_t& samples,
                size_t& used) override
    {
        samples = used = 0;
        if (!codec || size > input.size())
            return false;
        std::memcpy(input.data(), frames, size);
        header.cbSrcLength = DWORD(size);
        header.cbDstLength = DWORD(output.size() < room * kBytesPerSample ? output.size() : room * kBytesPerSample);
        const DWORD flags = (starting ? ACM_STREAMCONVERTF_START : 0) | (last ? ACM_STREAMCONVERTF_END : 0);
        starting = false;
        if (acmStreamConvert(codec, &header, flags) != 0)
            return false;
        // The codec may leave input it has no room to decode yet; the caller gives it again.
        used = header.cbSrcLengthUsed;
        samples = header.cbDstLengthUsed / kBytesPerSample;
        std::memcpy(pcm, output.data(), samples * kBytesPerSample);
        return used <= size;
    }

    uint32_t Delay() const override { return kDecoderDelay; }

    // False when no ACM codec takes the format.
    bool Open()
    {
        MPEGLAYER3WAVEFORMAT mp3 = {};
        mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        mp3.wfx.nChannels = WORD(format.channels);
        mp3.wfx.nSamplesPerSec = format.sampleRate;
        mp3.wfx.nAvgBytesPerSec = format.bitrate / 8;
        mp3.wfx.nBlockAlign = 1;
        mp3.wfx.wBitsPerSample = 0;
        mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        mp3.wID = MPEGLAYER3_ID_MPEG;
        mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
        mp3.nBlockSize = WORD(format.frameSize);
        mp3.nFramesPerBlock = 1;
        mp3.nCodecDelay = kMpegLayer3CodecDelay;

        WAVEFORMATEX pcm = {};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = WORD(format.channels);
        pcm.nSamplesPerSec = format.sampleRate;
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = WORD(format.channels * kBytesPerSample);
        pcm.nAvgBytesPerSec = format.sampleRate * pcm.nBlockAlign;

        if (acmStreamOpen(&codec, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
            codec = nullptr;
            return false;
        }
        header = {};
        header.cbStruct = sizeof header;
        header.pbSrc = input.data();
        header.cbSrcLength = DWORD(input.size());
        header.pbDst = output.data();
        header.cbDstLength = DWORD(output.size());
        if (acmStreamPrepareHeader(codec, &header, 0) != 0) {
            acmStreamClose(codec, 0);
            codec = nullptr;
            return false;
        }
        return true;
    }

private:
    MpegFormat format;
    HACMSTREAM codec = nullptr;
    bool starting = true;
    ACMSTREAMHEADER header = {};
    std::vector<uint8_t> input;
    std::vector<uint8_t> output;
};
}  // namespace

std::unique_ptr<MpegDecoder> CreateAcmDecoder(const MpegFormat& format)
{
    std::unique_ptr<AcmDecoder> decoder(new AcmDecoder(format));
    if (!decoder->Open())
        return nullptr;
    return decoder;
}
