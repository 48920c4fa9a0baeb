#pragma once
#include <windows.h>

// The power settings whose notifications the saver follows beyond the display's
// state and the power source, which the system's headers here do not declare:
// Windows 10's battery saver (data 0 off, 1 on) and, since Windows 11 24H2, its
// Energy Saver (0 off, 1 standard, 2 high savings), with the system's values.
constexpr GUID kPowerSavingStatus = {0xE00958C0, 0xC213, 0x4ACE, {0xAC, 0x77, 0xFE, 0xCC, 0xED, 0x2E, 0xEE, 0xA5}};
constexpr GUID kEnergySaverStatus = {0x550E8400, 0xE29B, 0x41D4, {0xA7, 0x16, 0x44, 0x66, 0x55, 0x44, 0x00, 0x00}};
