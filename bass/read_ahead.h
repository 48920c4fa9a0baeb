#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bass/byte_source.h"

// A bounded window over a byte source, through which the scanner and the
// decoders read a file, whatever its length. A request past the window moves
// the window to start there (keeping what it holds from there) and fills it in
// large reads, so a file read front to back is read once. A read that comes up
// short (the file shrank, or can no longer be read) is the end of the data
// until Retry: nothing past it is asked of the source again.
class ReadAhead {
public:
    // Allocates the window once; `capacity` bounds every request.
    ReadAhead(std::unique_ptr<ByteSource> source, size_t capacity);

    // The bytes there are: the source's size, or where a read came up short.
    uint64_t Size() const { return size; }
    size_t Capacity() const { return window.size(); }
    // The `count` bytes at `offset`, valid until the next call; null when the
    // source has fewer bytes there (or fails to read them) or `count` exceeds the capacity.
    const uint8_t* Peek(uint64_t offset, size_t count);
    // Tries the source again up to its size: called at the start of each pass.
    void Retry();

private:
    std::unique_ptr<ByteSource> source;
    uint64_t size;  // Size()
    std::vector<uint8_t> window;
    uint64_t start = 0;  // the file offset of window[0]
    size_t held = 0;     // bytes of the file in the window
};
