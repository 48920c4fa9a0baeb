#pragma once
#include <memory>

#include "bass/mpeg_decoder.h"

// The system's ACM MP3 codec as the library's MPEG decoder; null when no
// codec takes the format.
std::unique_ptr<MpegDecoder> CreateAcmDecoder(const MpegFormat& format);
