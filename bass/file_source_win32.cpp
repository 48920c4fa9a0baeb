// Files through the Win32 file API, with 64-bit offsets; other programs may
// read, write, rename and delete the file while it plays.
#include <windows.h>

#include <new>

#include "bass/byte_source.h"

namespace {
class Win32FileSource : public ByteSource {
public:
    Win32FileSource(HANDLE file, uint64_t size) : file(file), size(size) {}
    ~Win32FileSource() override { CloseHandle(file); }
    Win32FileSource(const Win32FileSource&) = delete;
    Win32FileSource& operator=(const Win32FileSource&) = delete;

    uint64_t Size() const override { return size; }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(offset);
        DWORD got = 0;
        if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, into, DWORD(count), &got, nullptr))
            return 0;
        return got;
    }

    HANDLE file;
    uint64_t size;
};
}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const char* path)
{
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER end;
    if (!GetFileSizeEx(file, &end) || end.QuadPart <= 0) {
        CloseHandle(file);
        return nullptr;
    }
    std::unique_ptr<ByteSource> source(new (std::nothrow) Win32FileSource(file, uint64_t(end.QuadPart)));
    if (!source)
        CloseHandle(file);
    return source;
}
