#pragma once
#include <cstdint>

// The run mode, chosen once from the command line and fixed for the whole process.
enum SaverMode : int32_t {
    ModeConfigure = 1,       // the modal settings dialog
    ModeChangePassword = 2,  // hand the password change to the system's provider
    ModePreview = 3,         // draw into a child of the display settings' preview pane
    ModeSaver = 4,           // draw over the whole screen
};

// Zero until the command line has been parsed.
extern SaverMode gMode;
