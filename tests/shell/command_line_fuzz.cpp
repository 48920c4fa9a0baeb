// Any byte string as a command line: the parser must stay inside the text and
// always give a well-formed result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CommandLine result = ParseCommandLine(text.c_str());
    if (result.recognised && (result.mode < ModeConfigure || result.mode > ModeSaver))
        std::abort();
    if (result.useForegroundWindow && (result.mode != ModeConfigure || result.windowHandle != 0))
        std::abort();
    return 0;
}
