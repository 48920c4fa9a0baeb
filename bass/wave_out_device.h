#pragma once
#include <memory>

#include "bass/output_device.h"

// The default (or a numbered) waveOut device in 16-bit mono or stereo: the
// library's output on Windows. Names the calling thread, the worker, for debuggers.
std::unique_ptr<OutputDevice> OpenWaveOutDevice(int device, uint32_t rate, int channels);
