#include "bass/mp3_source.h"

#include <cstring>
#include <utility>

namespace {
// Frames handed to the codec per conversion call.
constexpr size_t kFramesPerChunk = 4;
// The largest Layer III frame: MPEG-1 at 320 kbit/s and 32 kHz, padded.
constexpr size_t kMaxFrameSize = 1441;
// The MP3 codecs in use (mpg123's and the reference decoder) put this many
// samples of their own before the first encoded one.
constexpr uint32_t kDecoderDelay = 529;
// Room for the chunk's samples and what the codec may have kept from before.
constexpr size_t kOutputChunks = 3;
constexpr DWORD kBytesPerSample = 2;
constexpr WORD kMpegLayer3CodecDelay = 1393;
}  // namespace

Mp3Source::Mp3Source(std::vector<uint8_t> file, MpegStreamInfo scanned) : bytes(std::move(file)), info(std::move(scanned))
{
    sampleRate = info.sampleRate;
    channels = info.channels;
    input.resize(kFramesPerChunk * kMaxFrameSize);
    output.resize(kOutputChunks * kFramesPerChunk * info.samplesPerFrame * channels * kBytesPerSample);
}

Mp3Source::~Mp3Source()
{
    CloseCodec();
}

bool Mp3Source::Open()
{
    return Rewind();
}

bool Mp3Source::OpenCodec()
{
    MPEGLAYER3WAVEFORMAT mp3 = {};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = WORD(channels);
    mp3.wfx.nSamplesPerSec = sampleRate;
    mp3.wfx.nAvgBytesPerSec = info.averageBitrate / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = WORD(info.frames.front().size);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = kMpegLayer3CodecDelay;

    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = WORD(channels);
    pcm.nSamplesPerSec = sampleRate;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = WORD(channels * kBytesPerSample);
    pcm.nAvgBytesPerSec = sampleRate * pcm.nBlockAlign;

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

void Mp3Source::CloseCodec()
{
    if (!codec)
        return;
    header.cbSrcLength = DWORD(input.size());
    header.cbDstLength = DWORD(output.size());
    acmStreamUnprepareHeader(codec, &header, 0);
    acmStreamClose(codec, 0);
    codec = nullptr;
}

bool Mp3Source::Rewind()
{
    // A fresh codec per pass: the end of the previous pass must not bleed into
    // the first frames through the decoder's overlap and bit reservoir.
    CloseCodec();
    nextFrame = 0;
    endSent = false;
    decoded.clear();
    decodedUsed = 0;
    const uint64_t encoded = uint64_t(info.frames.size()) * info.samplesPerFrame;
    if (info.hasGaplessInfo && info.encoderDelay + info.encoderPadding < encoded) {
        skipLeft = info.encoderDelay + kDecoderDelay;
        framesLeft = encoded - info.encoderDelay - info.encoderPadding;
    } else {
        skipLeft = 0;
        framesLeft = UINT64_MAX;
    }
    return OpenCodec();
}

bool Mp3Source::DecodeMore()
{
    if (!codec || endSent)
        return false;
    size_t length = 0;
    while (nextFrame < info.frames.size() && length + info.frames[nextFrame].size <= input.size()) {
        const MpegFrame& frame = info.frames[nextFrame++];
        std::memcpy(input.data() + length, bytes.data() + frame.offset, frame.size);
        length += frame.size;
        if (nextFrame % kFramesPerChunk == 0)
            break;
    }
    DWORD flags = 0;
    if (nextFrame == info.frames.size()) {
        // The last call also flushes whatever the codec still holds.
        flags = ACM_STREAMCONVERTF_END;
        endSent = true;
    }
    header.cbSrcLength = DWORD(length);
    header.cbDstLength = DWORD(output.size());
    if (acmStreamConvert(codec, &header, flags) != 0) {
        endSent = true;
        return false;
    }
    const size_t samples = header.cbDstLengthUsed / kBytesPerSample;
    const int16_t* pcm = reinterpret_cast<const int16_t*>(output.data());
    decoded.erase(decoded.begin(), decoded.begin() + decodedUsed);
    decodedUsed = 0;
    decoded.insert(decoded.end(), pcm, pcm + samples);
    return true;
}

size_t Mp3Source::Read(int16_t* frames, size_t maxFrames)
{
    size_t written = 0;
    while (written < maxFrames && framesLeft > 0) {
        size_t available = (decoded.size() - decodedUsed) / size_t(channels);
        if (available == 0) {
            if (!DecodeMore())
                break;
            continue;
        }
        if (skipLeft > 0) {
            const size_t skip = skipLeft < available ? size_t(skipLeft) : available;
            decodedUsed += skip * size_t(channels);
            skipLeft -= skip;
            continue;
        }
        size_t count = maxFrames - written;
        if (count > available)
            count = available;
        if (count > framesLeft)
            count = size_t(framesLeft);
        std::memcpy(frames + written * size_t(channels), decoded.data() + decodedUsed,
                    count * size_t(channels) * sizeof(int16_t));
        decodedUsed += count * size_t(channels);
        written += count;
        framesLeft -= count;
    }
    return written;
}
