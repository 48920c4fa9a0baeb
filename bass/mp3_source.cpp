#include "bass/mp3_source.h"

#include <cstring>
#include <utility>

namespace {
// The LAME tag gives the padding in 12 bits.
constexpr size_t kMaxEncoderPadding = 4095;
}  // namespace

Mp3Source::Mp3Source(std::unique_ptr<ReadAhead> file) : input(std::move(file)), reader(*input)
{
}

std::unique_ptr<Mp3Source> Mp3Source::Open(std::unique_ptr<ReadAhead> input, MpegDecoderFactory createDecoder)
{
    std::unique_ptr<Mp3Source> source(new Mp3Source(std::move(input)));
    if (!source->reader.Open(source->format))
        return nullptr;
    source->decoder = createDecoder(source->format);
    if (!source->decoder)
        return nullptr;
    source->sampleRate = source->format.sampleRate;
    source->channels = source->format.channels;
    source->frameBytes.resize(MpegDecoder::kFramesPerCall * MpegDecoder::kMaxFrameSize);
    // The held-back samples and one call's output beside them.
    const size_t holdRoom = (kMaxEncoderPadding + source->format.samplesPerFrame) * size_t(source->channels);
    source->decoded.resize(holdRoom + MpegDecoder::OutputRoom(source->format));
    if (!source->Rewind())
        return nullptr;
    return source;
}

bool Mp3Source::Rewind()
{
    reader.Rewind();
    decodedUsed = decodedEnd = 0;
    passEnded = false;
    framesInPass = given = 0;
    if (format.hasGaplessInfo) {
        skipLeft = uint64_t(format.encoderDelay) + decoder->Delay();
        // One frame more than the padding: a decoder may run up to a frame ahead.
        holdBack = uint64_t(format.encoderPadding) + format.samplesPerFrame;
    } else {
        skipLeft = holdBack = 0;
    }
    return decoder->Restart();
}

bool Mp3Source::DecodeMore()
{
    if (passEnded)
        return false;
    size_t length = 0, count = 0;
    MpegFrame frame;
    const uint8_t* bytes;
    bool last = false;
    while (count < MpegDecoder::kFramesPerCall) {
        if (!reader.Next(frame, bytes)) {
            last = true;
            break;
        }
        std::memcpy(frameBytes.data() + length, bytes, frame.size);
        length += frame.size;
        ++count;
    }
    framesInPass += count;
    // Keep the samples not yet read, at the front.
    std::memmove(decoded.data(), decoded.data() + decodedUsed, (decodedEnd - decodedUsed) * sizeof(int16_t));
    decodedEnd -= decodedUsed;
    decodedUsed = 0;
    size_t samples = 0;
    const bool ok = decoder->Decode(frameBytes.data(), length, last, decoded.data() + decodedEnd,
                                    decoded.size() - decodedEnd, samples);
    if (!ok) {
        // A codec failure ends the pass; what is held back is dropped.
        passEnded = true;
        framesLeft = 0;
        return false;
    }
    decodedEnd += samples;
    if (last) {
        passEnded = true;
        const uint64_t encoded = framesInPass * format.samplesPerFrame;
        const uint64_t cut = uint64_t(format.encoderDelay) + format.encoderPadding;
        if (format.hasGaplessInfo && cut < encoded)
            framesLeft = encoded - cut > given ? encoded - cut - given : 0;
        else
            framesLeft = UINT64_MAX;
    }
    return true;
}

size_t Mp3Source::Read(int16_t* frames, size_t maxFrames)
{
    const size_t ch = size_t(channels);
    size_t written = 0;
    while (written < maxFrames) {
        const size_t available = (decodedEnd - decodedUsed) / ch;
        if (skipLeft > 0 && available > 0) {
            const size_t skip = skipLeft < available ? size_t(skipLeft) : available;
            decodedUsed += skip * ch;
            skipLeft -= skip;
            continue;
        }
        uint64_t ready;
        if (passEnded)
            ready = available < framesLeft ? available : framesLeft;
        else
            ready = available > holdBack ? available - holdBack : 0;
        if (ready == 0) {
            if (!DecodeMore())
                break;
            continue;
        }
        size_t count = maxFrames - written;
        if (count > ready)
            count = size_t(ready);
        std::memcpy(frames + written * ch, decoded.data() + decodedUsed, count * ch * sizeof(int16_t));
        decodedUsed += count * ch;
        written += count;
        given += count;
        if (passEnded)
            framesLeft -= count;
    }
    return written;
}
