// The sprite bitmap, the icon and the display name as the executable carries them.
#include <doctest/doctest.h>

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/display/resource_access.h"

TEST_CASE("the sprite is a 64 x 64 grey glow that follows the radial profile")
{
    const std::vector<uint8_t> dib = ResourceBytes(IDB_SPRITE, RT_BITMAP);
    REQUIRE(dib.size() == 12328u);
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    CHECK(header.biSize == 40u);
    CHECK(header.biWidth == 64);
    CHECK(header.biHeight == 64);
    CHECK(header.biPlanes == 1);
    CHECK(header.biBitCount == 24);
    CHECK(header.biCompression == DWORD(BI_RGB));
    CHECK(header.biSizeImage == 12288u);
    CHECK(header.biXPelsPerMeter == 0);
    CHECK(header.biYPelsPerMeter == 0);
    CHECK(header.biClrUsed == 0u);

    const uint8_t* pixels = dib.data() + 40;
    // column from the left, row from the bottom
    auto grey = [&](int column, int row) { return int(pixels[(row * 64 + column) * 3]); };
    bool allGrey = true;
    int brightest = 0;
    for (int i = 0; i < 64 * 64; ++i) {
        allGrey = allGrey && pixels[i * 3] == pixels[i * 3 + 1] && pixels[i * 3] == pixels[i * 3 + 2];
        brightest = std::max(brightest, int(pixels[i * 3]));
    }
    CHECK(allGrey);
    CHECK(brightest == 253);
    CHECK(grey(31, 32) == 253);
    for (auto corner : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}})
        CHECK(grey(corner.first, corner.second) == 0);
    for (auto edge : {std::pair{0, 32}, {63, 32}, {31, 0}, {31, 63}}) {
        CAPTURE(edge.first);
        CAPTURE(edge.second);
        CHECK(grey(edge.first, edge.second) >= 7);
        CHECK(grey(edge.first, edge.second) <= 13);
    }

    // Ring means: every pixel counts for the whole number nearest to its distance.
    std::map<int, std::pair<double, int>> rings;
    for (int row = 0; row < 64; ++row)
        for (int column = 0; column < 64; ++column) {
            auto& ring = rings[int(std::lround(std::hypot(column - 31.0, row - 32.0)))];
            ring.first += grey(column, row);
            ring.second += 1;
        }
    const std::pair<int, int> profile[] = {{0, 253}, {4, 253}, {5, 240}, {6, 214}, {7, 184}, {8, 157}, {9, 150},
                                           {10, 132}, {12, 100}, {14, 79}, {16, 60}, {18, 46}, {20, 37}, {24, 25},
                                           {28, 16}, {31, 10}, {34, 7}, {38, 3}, {43, 0}, {44, 0}};
    for (auto [radius, expected] : profile) {
        CAPTURE(radius);
        const double mean = rings[radius].first / rings[radius].second;
        CHECK(std::fabs(mean - expected) <= std::max(1.0, expected * 0.04));
    }

    // The streaks: along each ring some pixels stand out from the ring's mean,
    // but by no more than about a quarter.
    for (int radius : {12, 16, 20}) {
        CAPTURE(radius);
        const double mean = rings[radius].first / rings[radius].second;
        int maximum = 0;
        for (int row = 0; row < 64; ++row)
            for (int column = 0; column < 64; ++column)
                if (std::lround(std::hypot(column - 31.0, row - 32.0)) == radius)
                    maximum = std::max(maximum, grey(column, row));
        CHECK(maximum > mean * 1.08);
        CHECK(maximum < mean * 1.35);
    }
}

TEST_CASE("the icon group holds one 32 x 32 image with 256 colours, image 1")
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colourCount, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const std::vector<uint8_t> group = ResourceBytes(IDI_ZUVARIR, RT_GROUP_ICON);
    REQUIRE(group.size() == 6 + sizeof(GroupEntry));
    WORD count;
    std::memcpy(&count, group.data() + 4, 2);
    CHECK(count == 1);
    GroupEntry entry;
    std::memcpy(&entry, group.data() + 6, sizeof entry);
    CHECK(entry.width == 32);
    CHECK(entry.height == 32);
    CHECK(entry.bitCount == 8);
    CHECK(entry.id == 1);
    const std::vector<uint8_t> image = ResourceBytes(1, RT_ICON);
    CHECK(image.size() == entry.bytes);
    CHECK(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_ZUVARIR), IMAGE_ICON, 32, 32, 0) != nullptr);
}

TEST_CASE("string 1 is the display name that the screen-saver settings list")
{
    char text[64] = {};
    CHECK(LoadStringA(GetModuleHandleA(nullptr), IDS_DISPLAY_NAME, text, sizeof text) == 11);
    CHECK(std::string(text) == "ZidaveVizur");
}
