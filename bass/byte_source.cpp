#include "bass/byte_source.h"

#include <cstring>

size_t MemorySource::ReadInside(uint64_t offset, uint8_t* into, size_t count)
{
    std::memcpy(into, bytes.data() + offset, count);
    return count;
}
