#include "bass/stream_factory.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "bass/mp3_source.h"
#include "bass/mpeg_scanner.h"
#include "bass/wav_reader.h"
#include "bass/wav_source.h"

namespace {
// Files are held in memory whole; a bigger one is refused rather than risk the
// saver's address space.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

bool ReadFile(const char* path, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = size > 0 && size <= kMaxFileBytes && offset < uint32_t(size);
    if (ok) {
        size_t count = size_t(size) - offset;
        if (length != 0 && length < count)
            count = length;
        bytes.resize(count);
        ok = std::fseek(file, long(offset), SEEK_SET) == 0 && std::fread(bytes.data(), 1, count, file) == count;
    }
    std::fclose(file);
    return ok;
}

std::unique_ptr<PcmSource> OpenSource(std::vector<uint8_t> bytes)
{
    WavLayout layout;
    if (ReadWavLayout(bytes.data(), bytes.size(), layout))
        return std::make_unique<WavSource>(std::move(bytes), layout);
    MpegStreamInfo info;
    if (!ScanMpegStream(bytes.data(), bytes.size(), info))
        return nullptr;
    auto mp3 = std::make_unique<Mp3Source>(std::move(bytes), std::move(info));
    if (!mp3->Open())
        return nullptr;
    return mp3;
}
}  // namespace

std::unique_ptr<Stream> OpenStream(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                                   uint32_t outputRate)
{
    if (!file)
        return nullptr;
    std::vector<uint8_t> bytes;
    try {
        if (fromMemory) {
            // Memory has no end to look for: the caller must give the length.
            if (length == 0)
                return nullptr;
            const uint8_t* start = static_cast<const uint8_t*>(file) + offset;
            bytes.assign(start, start + length);
        } else if (!ReadFile(static_cast<const char*>(file), offset, length, bytes)) {
            return nullptr;
        }
        std::unique_ptr<PcmSource> source = OpenSource(std::move(bytes));
        if (!source)
            return nullptr;
        return std::make_unique<Stream>(std::move(source), outputRate);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
