#pragma once
#include <cstdint>

// Seconds after the saver's windows came up during which mouse movement never
// ends the saver.
constexpr double kMouseGraceSeconds = 0.5;

// True when the cursor at (x, y) lies more than threshold pixels from
// (originX, originY) on at least one axis; a distance equal to the threshold
// is still within it.
bool IsBeyondMouseThreshold(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t threshold);
