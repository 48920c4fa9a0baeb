#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// Random access to the bytes of a music file (or a test's stand-in). One
// thread reads at a time: the opening one while a stream opens, the worker's
// from then on.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The bytes there are; fixed for the source's life.
    virtual uint64_t Size() const = 0;
    // Copies up to `count` bytes from `offset` into `into` and returns how many:
    // fewer only at the end of the source or on a read error.
    size_t ReadAt(uint64_t offset, uint8_t* into, size_t count)
    {
        const uint64_t size = Size();
        if (offset >= size)
            return 0;
        return ReadInside(offset, into, size - offset < count ? size_t(size - offset) : count);
    }

protected:
    // ReadAt with the bytes asked for all inside the source.
    virtual size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) = 0;
};

// The file at `path`; null when it cannot be opened or is empty. The DLL's is
// file_source_win32.cpp; the native tests bring one of their own.
std::unique_ptr<ByteSource> OpenFileSource(const char* path);
// How the library opens files: OpenFileSource, or a test's stand-in.
using FileOpener = std::unique_ptr<ByteSource> (*)(const char* path);
