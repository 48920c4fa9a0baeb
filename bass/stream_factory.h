#pragma once
#include <cstdint>
#include <memory>

#include "bass/stream.h"

// Opens a music file (or a copy of it in memory) as a stream in the output
// format: MP3 (MPEG-1/2/2.5 Layer III, decoded by the system's ACM codec) or
// PCM WAV. Null for a missing, empty, unreadable or unsupported file.
// `offset` and `length` select a part of the file; a length of 0 means to its end.
std::unique_ptr<Stream> OpenStream(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                                   uint32_t outputRate);
