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
    inputLeft = 0;
    inputEnded = false;
    yielded = false;
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

Mp3Source::Decoded Mp3Source::DecodeMore()
{
    if (passEnded)
        return Decoded::End;
    size_t length = inputLeft, count = 0;
    bool later = false;
    while (!inputEnded && count < MpegDecoder::kFramesPerCall &&
           frameBytes.size() - length >= MpegDecoder::kMaxFrameSize) {
        MpegFrame frame;
        const uint8_t* bytes;
        const FrameRead read = reader.Next(frame, bytes);
        if (read == FrameRead::Later) {
            later = true;
            break;
        }
        if (read == FrameRead::End) {
            inputEnded = true;
            break;
        }
        std::memcpy(frameBytes.data() + length, bytes, frame.size);
        length += frame.size;
        ++count;
    }
    if (later && count == 0)
        return Decoded::Later;
    framesInPass += count;
    // Keep the samples not yet read, at the front.
    std::memmove(decoded.data(), decoded.data() + decodedUsed, (decodedEnd - decodedUsed) * sizeof(int16_t));
    decodedEnd -= decodedUsed;
    decodedUsed = 0;
    size_t samples = 0, used = 0;
    const bool ok = decoder->Decode(frameBytes.data(), length, inputEnded, decoded.data() + decodedEnd,
                                    decoded.size() - decodedEnd, samples, used);
    // A call that took and gave nothing, with nothing more to give it, would
    // do the same again.
    const bool stuck = used == 0 && samples == 0 && count == 0 && !inputEnded;
    if (!ok || used > length || stuck) {
        // A codec failure ends the pass; what is held back is dropped.
        passEnded = true;
        framesLeft = 0;
        return Decoded::End;
    }
    decodedEnd += samples;
    inputLeft = length - used;
    std::memmove(frameBytes.data(), frameBytes.data() + used, inputLeft);
    // At the end the decoder is given what it left until it takes no more.
    if (inputEnded && (inputLeft == 0 || (used == 0 && samples == 0))) {
        passEnded = true;
        const uint64_t encoded = framesInPass * format.samplesPerFrame;
        const uint64_t cut = uint64_t(format.encoderDelay) + format.encoderPadding;
        if (format.hasGaplessInfo && cut < encoded)
            framesLeft = encoded - cut > given ? encoded - cut - given : 0;
        else
            framesLeft = UINT64_MAX;
    }
    return later ? Decoded::Later : Decoded::More;
}

size_t Mp3Source::Read(int16_t* frames, size_t maxFrames)
{
    const size_t ch = size_t(channels);
    size_t written = 0;
    yielded = false;
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
            // After one step of a search, the rest waits for the next Read.
            if (yielded)
                break;
            const Decoded step = DecodeMore();
            if (step == Decoded::End)
                break;
            yielded = step == Decoded::Later;
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
