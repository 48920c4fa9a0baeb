#include "bass/stream_factory.h"

#include <utility>

#include "bass/mp3_source.h"
#include "bass/read_ahead.h"
#include "bass/wav_reader.h"
#include "bass/wav_source.h"

std::unique_ptr<Stream> OpenStream(std::unique_ptr<ByteSource> file, MpegDecoderFactory createDecoder)
{
    if (!file || file->Size() == 0)
        return nullptr;
    auto input = std::make_unique<ReadAhead>(std::move(file), kReadAheadBytes);
    std::unique_ptr<PcmSource> source;
    WavLayout layout;
    if (ReadWavLayout(*input, layout))
        source = std::make_unique<WavSource>(std::move(input), layout);
    else
        source = Mp3Source::Open(std::move(input), createDecoder);
    if (!source)
        return nullptr;
    return std::make_unique<Stream>(std::move(source));
}
