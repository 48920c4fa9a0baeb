// Files through the C library (64-bit offsets) and threads through std::thread,
// for the native tests, and the temporary files the tests write.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "bass/byte_source.h"
#include "bass/thread_starter.h"
#include "tests/bass/in_memory.h"

namespace {
class StdioFileSource : public ByteSource {
public:
    StdioFileSource(std::FILE* file, uint64_t size) : file(file), size(size) {}
    ~StdioFileSource() override { std::fclose(file); }
    StdioFileSource(const StdioFileSource&) = delete;
    StdioFileSource& operator=(const StdioFileSource&) = delete;

    uint64_t Size() const override { return size; }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        if (fseeko(file, off_t(offset), SEEK_SET) != 0)
            return 0;
        return std::fread(into, 1, count, file);
    }

    std::FILE* file;
    uint64_t size;
};
}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    const bool sized = fseeko(file, 0, SEEK_END) == 0;
    const off_t end = sized ? ftello(file) : -1;
    if (end <= 0) {
        std::fclose(file);
        return nullptr;
    }
    try {
        return std::make_unique<StdioFileSource>(file, uint64_t(end));
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

std::string FileOf(const std::vector<uint8_t>& bytes)
{
    static struct Written {
        std::vector<std::string> paths;
        ~Written()
        {
            for (const std::string& path : paths)
                std::remove(path.c_str());
        }
    } written;
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder ? folder : "/tmp") + "/zuvarir-bass-XXXXXX";
    const int file = mkstemp(path.data());
    if (file < 0)
        return "";
    const bool whole = write(file, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(file);
    written.paths.push_back(path);
    return whole ? path : "";
}

bool StartThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (...) {
        return false;
    }
}
