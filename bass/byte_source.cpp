#include "bass/byte_source.h"

#include <cstring>
#include <utility>

MemorySource::MemorySource(const uint8_t* bytes, size_t count) : data(bytes), size(count)
{
}

MemorySource::MemorySource(std::vector<uint8_t> bytes)
    : owned(std::move(bytes)), data(owned.data()), size(owned.size())
{
}

size_t MemorySource::ReadInside(uint64_t offset, uint8_t* into, size_t count)
{
    std::memcpy(into, data + offset, count);
    return count;
}
