// The frame scanner on hand-built streams: headers, tags, garbage and truncation.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "bass/mpeg_scanner.h"
#include "tests/bass/mpeg_bytes.h"

TEST_CASE("a Layer III header gives its version, rate, channels and frame size")
{
    struct Row {
        uint8_t bytes[4];
        MpegVersion version;
        uint32_t bitrate, rate;
        int channels;
        uint32_t frameSize, samples;
    };
    // Sizes by hand: samples / 8 * bitrate / rate (+1 when the padding bit is set).
    const Row rows[] = {
        {{0xFF, 0xFB, 0x90, 0x40}, MpegVersion::Mpeg1, 128000, 44100, 2, 417, 1152},  // 144 * 128000 / 44100 = 417.9
        {{0xFF, 0xFB, 0x92, 0xC0}, MpegVersion::Mpeg1, 128000, 44100, 1, 418, 1152},  // padded, mono
        {{0xFF, 0xFB, 0xE4, 0x00}, MpegVersion::Mpeg1, 320000, 48000, 2, 960, 1152},  // 144 * 320000 / 48000
        {{0xFF, 0xFA, 0x18, 0x00}, MpegVersion::Mpeg1, 32000, 32000, 2, 144, 1152},   // CRC-protected
        {{0xFF, 0xF3, 0x80, 0xC0}, MpegVersion::Mpeg2, 64000, 22050, 1, 208, 576},    // 72 * 64000 / 22050 = 208.9
        {{0xFF, 0xE3, 0x18, 0x00}, MpegVersion::Mpeg25, 8000, 8000, 2, 72, 576},       // MPEG-2.5, 72 * 8000 / 8000
    };
    for (const Row& row : rows) {
        CAPTURE(row.frameSize);
        MpegFrameHeader h;
        REQUIRE(ParseMpegFrameHeader(row.bytes, 4, h));
        CHECK(h.version == row.version);
        CHECK(h.bitrate == row.bitrate);
        CHECK(h.sampleRate == row.rate);
        CHECK(h.channels == row.channels);
        CHECK(h.frameSize == row.frameSize);
        CHECK(h.samplesPerFrame == row.samples);
    }
}

TEST_CASE("headers that are not usable Layer III are refused")
{
    const uint8_t rejected[][4] = {
        {0xFF, 0xFD, 0x90, 0x00},  // Layer II
        {0xFF, 0xFF, 0x90, 0x00},  // Layer I
        {0xFF, 0xF9, 0x90, 0x00},  // layer bits 00: reserved
        {0xFF, 0xEB, 0x90, 0x00},  // version bits 01: reserved
        {0xFF, 0xFB, 0x00, 0x00},  // free format
        {0xFF, 0xFB, 0xF0, 0x00},  // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x00},  // sample-rate index 3
        {0xFE, 0xFB, 0x90, 0x00},  // broken sync
        {0xFF, 0x1B, 0x90, 0x00},
    };
    for (const auto& bytes : rejected) {
        MpegFrameHeader h;
        CHECK_FALSE(ParseMpegFrameHeader(bytes, 4, h));
    }
    MpegFrameHeader h;
    CHECK_FALSE(ParseMpegFrameHeader(kMpeg1Header, 3, h));
}

TEST_CASE("ID3v2 tags at the front are skipped by their declared size")
{
    SUBCASE("one tag")
    {
        Bytes file = Id3v2(1000, 1000);
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 1010);
    }
    SUBCASE("a size above 127 uses the 7-bit groups: 0x00 0x00 0x02 0x01 is 257")
    {
        Bytes file = Id3v2(257, 257);
        CHECK(file[8] == 2);
        CHECK(file[9] == 1);
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 267);
    }
    SUBCASE("a footer adds ten bytes")
    {
        Bytes file = Id3v2(100, 110, 0x10);
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 120);
    }
    SUBCASE("two tags in a row")
    {
        Bytes file = Id3v2(20, 20);
        Append(file, Id3v2(30, 30));
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 70);
    }
    SUBCASE("a size past the end of the file counts as the tag header only")
    {
        Bytes file = Id3v2(0x0FFFFFFF, 50);
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 10);
    }
    SUBCASE("a size with a high bit set is no tag")
    {
        Bytes file = Id3v2(10, 10);
        file[9] = 0x80;
        CHECK(Id3v2TagsSize(file.data(), file.size()) == 0);
    }
    SUBCASE("a buffer shorter than a tag header")
    {
        const uint8_t shortTag[] = {'I', 'D', '3', 3, 0};
        CHECK(Id3v2TagsSize(shortTag, sizeof shortTag) == 0);
    }
}

TEST_CASE("a stream's frames are found past tags, garbage and truncation")
{
    MpegStreamInfo info;
    SUBCASE("plain frames, each one listed")
    {
        Bytes file = Frames(5);
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        REQUIRE(info.frames.size() == 5);
        CHECK(info.frames[4].offset == 4 * kMpeg1FrameSize);
        CHECK(info.sampleRate == 44100);
        CHECK(info.channels == 2);
        CHECK(info.samplesPerFrame == 1152);
        CHECK_FALSE(info.hasGaplessInfo);
    }
    SUBCASE("a large ID3v2 tag in front and an ID3v1 tag at the end")
    {
        Bytes file = Id3v2(300000, 300000);
        Append(file, Frames(3));
        Append(file, Id3v1());
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        REQUIRE(info.frames.size() == 3);
        CHECK(info.frames[0].offset == 300010);
        CHECK(info.frames[2].offset + info.frames[2].size == file.size() - 128);
    }
    SUBCASE("a tag claiming a huge size: the frames after its header are still found")
    {
        Bytes file = Id3v2(0x0FFFFFFF, 20);
        Append(file, Frames(3));
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        CHECK(info.frames.size() == 3);
        CHECK(info.frames[0].offset == 30);
    }
    SUBCASE("garbage in front and between frames is passed over")
    {
        Bytes file(77, 0xFF);  // sync-looking bytes that form no valid header
        Append(file, Frames(2));
        Append(file, Bytes{0x12, 0xFF, 0xFB, 0x34});
        Append(file, Frames(2));
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        REQUIRE(info.frames.size() == 4);
        CHECK(info.frames[0].offset == 77);
        CHECK(info.frames[2].offset == 77 + 2 * kMpeg1FrameSize + 4);
    }
    SUBCASE("a truncated last frame is dropped")
    {
        Bytes file = Frames(3);
        file.resize(file.size() - 100);
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        CHECK(info.frames.size() == 2);
    }
    SUBCASE("a first frame is looked for within 16 MiB after the tags, not to the end of a large file")
    {
        for (size_t junk : {size_t(kFrameSearchBytes) - 1, size_t(kFrameSearchBytes)}) {
            Bytes file = Id3v2(1000, 1000);
            file.resize(file.size() + junk, 0);
            Append(file, Frames(3));
            CHECK(ScanMpegStream(file.data(), file.size(), info) == (junk < kFrameSearchBytes));
        }
    }
    SUBCASE("a lone header that no frame follows is not taken for a stream")
    {
        Bytes file(5000, 0);
        std::memcpy(&file[1000], kMpeg1Header, 4);
        CHECK_FALSE(ScanMpegStream(file.data(), file.size(), info));
    }
    SUBCASE("nothing, garbage, or tags only")
    {
        CHECK_FALSE(ScanMpegStream(nullptr, 0, info));
        Bytes garbage(4096);
        for (size_t i = 0; i < garbage.size(); ++i)
            garbage[i] = uint8_t(i * 7 + 3);
        CHECK_FALSE(ScanMpegStream(garbage.data(), garbage.size(), info));
        Bytes tags = Id3v2(200, 200);
        Append(tags, Id3v1());
        CHECK_FALSE(ScanMpegStream(tags.data(), tags.size(), info));
    }
    SUBCASE("the encoder's Info frame gives delay and padding and is no audio frame")
    {
        Bytes file = InfoFrame(576, 1234);
        Append(file, Frames(4));
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        CHECK(info.frames.size() == 4);
        CHECK(info.frames[0].offset == kMpeg1FrameSize);
        CHECK(info.hasGaplessInfo);
        CHECK(info.encoderDelay == 576);
        CHECK(info.encoderPadding == 1234);
    }
}

TEST_CASE("gapless information is read from any encoder's Info frame whose extension is one")
{
    const char check[] = "123456789";
    REQUIRE(Crc16Arc(reinterpret_cast<const uint8_t*>(check), 9) == 0xBB3D);
    struct Row {
        const char* what;
        const char* name;
        bool crc;
        bool read;
    };
    const Row rows[] = {
        {"LAME, without a CRC", "LAME3.100", false, true},
        {"another encoder, with its CRC", "Lavf58.76", true, true},
        {"a name that is no text, with a CRC that matches", "\x01\x02\x03\x04\x05\x06\x07\x08\x09", true, true},
        {"a name that is no text, without a CRC", "\x01\x02\x03\x04\x05\x06\x07\x08\x09", false, false},
        {"no extension: the bytes are empty", "\0\0\0\0\0\0\0\0", false, false},
    };
    for (const Row& row : rows) {
        CAPTURE(row.what);
        Bytes file = InfoFrame(1105, 700, row.name, row.crc);
        Append(file, Frames(3));
        MpegStreamInfo info;
        REQUIRE(ScanMpegStream(file.data(), file.size(), info));
        CHECK(info.frames.size() == 3);
        CHECK(info.hasGaplessInfo == row.read);
        if (row.read) {
            CHECK(info.encoderDelay == 1105);
            CHECK(info.encoderPadding == 700);
        }
    }
}

TEST_CASE("a search through data that continues no frame goes a step at a call, and 16 MiB at most")
{
    // Two frames, then zeros just past the limit, then frames that are not reached.
    Bytes file = Frames(2);
    file.resize(file.size() + kFrameSearchBytes + kScanStepBytes, 0);
    Append(file, Frames(2));
    ReadAhead input(std::make_unique<MemorySource>(file), 65536);
    MpegFrameReader reader(input);
    MpegFormat format;
    REQUIRE(reader.Open(format));
    MpegFrame frame;
    const uint8_t* bytes;
    CHECK(reader.Next(frame, bytes) == FrameRead::Found);
    CHECK(reader.Next(frame, bytes) == FrameRead::Found);
    uint64_t laters = 0;
    FrameRead read;
    while ((read = reader.Next(frame, bytes)) == FrameRead::Later)
        ++laters;
    CHECK(read == FrameRead::End);
    CHECK(laters == kFrameSearchBytes / kScanStepBytes);
    // The next pass starts again at the first frame.
    reader.Rewind();
    CHECK(reader.Next(frame, bytes) == FrameRead::Found);
    CHECK(frame.offset == 0);
}
