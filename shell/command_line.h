#pragma once
#include <cstdint>

#include "shell/saver_mode.h"

// What the screen-saver host asked for on the command line.
struct CommandLine {
    bool recognised = false;           // false: an unknown switch; the process ends with 0
    SaverMode mode = ModeConfigure;
    int32_t windowHandle = 0;          // parent, owner or preview pane; 0 for none
    bool useForegroundWindow = false;  // "/c" with nothing after it: the owner is the
                                       // window in the foreground when parsing ends
};

// Scans the whole command line, program name included, as GetCommandLineA gives it.
// Only the space character separates words; the number after a switch is read with
// atoi semantics. A null text reads as an empty one.
CommandLine ParseCommandLine(const char* text);
