#include "bass/read_ahead.h"

#include <cstring>
#include <utility>

ReadAhead::ReadAhead(std::unique_ptr<ByteSource> byteSource, size_t capacity)
    : source(std::move(byteSource)), size(source->Size()), window(capacity)
{
}

const uint8_t* ReadAhead::Peek(uint64_t offset, size_t count)
{
    if (count > window.size() || offset > size || size - offset < count)
        return nullptr;
    if (offset >= start && offset - start <= held && held - (offset - start) >= count)
        return window.data() + (offset - start);
    size_t kept = 0;
    if (offset >= start && offset - start < held) {
        kept = held - size_t(offset - start);
        std::memmove(window.data(), window.data() + (offset - start), kept);
    }
    start = offset;
    held = kept;
    const size_t want = size - offset < window.size() ? size_t(size - offset) : window.size();
    while (held < want) {
        const size_t got = source->ReadAt(start + held, window.data() + held, want - held);
        if (got == 0) {
            size = start + held;
            break;
        }
        held += got;
    }
    return held >= count ? window.data() : nullptr;
}

void ReadAhead::Retry()
{
    size = source->Size();
}
