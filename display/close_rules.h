#pragma once
#include <windows.h>

#include <cstdint>

// Seconds after the saver's windows came up during which mouse movement never
// ends the saver.
constexpr double kMouseGraceSeconds = 0.5;

// Which input ends which mode, for the procedures of every saver window: in
// ModeSaver a key going down or up, a mouse button going down, or mouse travel
// beyond the threshold once the grace is over; in ModeSaver and ModePreview the
// loss of the activation. Each asks for the end with RequestClose, and only
// while the saver is alive. True when `message` is one of these kinds of input,
// which the procedure then answers with 0, ending the saver or not.
bool ApplyCloseRules(UINT message, WPARAM wParam);

// True when the cursor at (x, y) lies more than threshold pixels from
// (originX, originY) on at least one axis; a distance equal to the threshold
// is still within it.
bool IsBeyondMouseThreshold(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t threshold);
