#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Random access to the bytes of a music file: a part of a file on disk, or a
// block of memory. One thread reads at a time: the caller's while a stream
// opens, the worker's from then on.
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

// A block of memory of its own.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}

    uint64_t Size() const override { return bytes.size(); }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override;

    std::vector<uint8_t> bytes;
};

// `length` bytes of a file from `offset` on (0: to the end of the file). Null
// when the file cannot be opened or that part of it is empty. One
// implementation per platform: file_source_win32.cpp, file_source_stdio.cpp.
std::unique_ptr<ByteSource> OpenFileSource(const char* path, uint64_t offset, uint64_t length);
// How the library opens files: OpenFileSource, or a test's stand-in.
using FileOpener = std::unique_ptr<ByteSource> (*)(const char* path, uint64_t offset, uint64_t length);
