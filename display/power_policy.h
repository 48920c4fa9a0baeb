#pragma once
#include <cstdint>

// What the system says of its power, as its power-setting notifications (and,
// at start, its power status) tell it. A setting never told counts as off.
struct PowerState {
    uint32_t source = 0;       // 0 mains, 1 battery, 2 a short-term source such as a UPS
    bool batterySaver = false;  // Windows 10's battery saver
    uint32_t energySaver = 0;   // Windows 11's Energy Saver: 0 off, 1 standard, 2 high savings
};

constexpr uint32_t kMainsPower = 0;
constexpr uint32_t kEnergySaverHighSavings = 2;

// How the views draw under a PowerState.
struct PowerPolicy {
    uint32_t refreshesPerFrame;  // a frame every refresh of the monitor, or every second one
    bool rest;                   // nothing drawn, the screen black, the music paused
};

// The one rule: with `savePower`, on battery or a short-term source, with the
// battery saver on or at Energy Saver's standard level, a frame every second
// refresh; at Energy Saver's high savings, rest. Otherwise, and without
// `savePower`, a frame every refresh. Portable.
PowerPolicy PolicyFor(const PowerState& state, bool savePower);
