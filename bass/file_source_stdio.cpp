// Files through the C library, for the native build (64-bit offsets).
#include <cstdio>
#include <new>

#include "bass/byte_source.h"

namespace {
class StdioFileSource : public ByteSource {
public:
    StdioFileSource(std::FILE* file, uint64_t offset, uint64_t size) : file(file), begin(offset), size(size) {}
    ~StdioFileSource() override { std::fclose(file); }
    StdioFileSource(const StdioFileSource&) = delete;
    StdioFileSource& operator=(const StdioFileSource&) = delete;

    uint64_t Size() const override { return size; }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        if (fseeko(file, off_t(begin + offset), SEEK_SET) != 0)
            return 0;
        return std::fread(into, 1, count, file);
    }

    std::FILE* file;
    uint64_t begin;
    uint64_t size;
};
}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const char* path, uint64_t offset, uint64_t length)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    const bool sized = fseeko(file, 0, SEEK_END) == 0;
    const off_t end = sized ? ftello(file) : -1;
    if (end <= 0 || offset >= uint64_t(end)) {
        std::fclose(file);
        return nullptr;
    }
    uint64_t size = uint64_t(end) - offset;
    if (length != 0 && length < size)
        size = length;
    std::unique_ptr<ByteSource> source(new (std::nothrow) StdioFileSource(file, offset, size));
    if (!source)
        std::fclose(file);
    return source;
}
