#pragma once
#include <cstdint>
#include <memory>

#include "bass/byte_source.h"
#include "bass/mpeg_decoder.h"
#include "bass/stream.h"

// Bytes of a file the library holds at most at once, whatever the file's length.
constexpr size_t kReadAheadBytes = 64 * 1024;

// Opens a music file as a stream: PCM WAV, or MPEG-1/2/2.5
// Layer III decoded by what `createDecoder` makes. Reads only the file's first
// frames (or its WAV header) now; the rest streams as it plays. Null for an
// empty, unreadable or unsupported file. May throw std::bad_alloc.
std::unique_ptr<Stream> OpenStream(std::unique_ptr<ByteSource> file, MpegDecoderFactory createDecoder);
