// Writes the seed corpus of the decoding fuzz target into the folder named on
// the command line: a plain stream, tagged streams, an encoder's Info frame and WAVs.
#include <cstdio>
#include <string>

#include "tests/bass/mpeg_bytes.h"

namespace {
bool Write(const std::string& folder, const char* name, const Bytes& bytes)
{
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    Bytes tagged = Id3v2(40, 40);
    Append(tagged, Frames(3));
    Append(tagged, Id3v1());
    Bytes gapless = InfoFrame(576, 900);
    Append(gapless, Frames(2));
    const bool ok = Write(folder, "frames", Frames(3)) && Write(folder, "tagged", tagged) &&
                    Write(folder, "gapless", gapless) &&
                    Write(folder, "wav16", Wav(22050, 2, 16, {1, -1, 200, -200, 3000, -3000})) &&
                    Write(folder, "wav8", Wav(8000, 1, 8, {0, 128, 255, 7}));
    return ok ? 0 : 1;
}
