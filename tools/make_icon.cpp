// Writes the saver's icon as a .ico file: one 32 x 32 image with 256 colours, a
// round night-blue badge with a glowing emitter and a fountain of sparks rising
// and falling around it. Outside the badge the icon is transparent.
// Usage: make_icon OUTPUT.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kColours = 256;
constexpr double kBadgeRadius = 15.5;
constexpr double kEmitterX = 15.5;
constexpr double kEmitterY = 19.0;  // from the top
constexpr int kSparkCount = 14;
constexpr double kPi = 3.14159265358979323846;

struct Colour {
    double red, green, blue;
};

// The palette is one ramp from night blue through sky blue and amber to white;
// an index is a brightness along it.
constexpr Colour kRampStops[] = {{6, 8, 30}, {20, 40, 110}, {40, 150, 220}, {250, 170, 50}, {255, 255, 255}};

Colour Ramp(int index)
{
    const int segments = sizeof kRampStops / sizeof kRampStops[0] - 1;
    const double position = index * double(segments) / (kColours - 1);
    const int segment = position >= segments ? segments - 1 : int(position);
    const double t = position - segment;
    const Colour& a = kRampStops[segment];
    const Colour& b = kRampStops[segment + 1];
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t};
}

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// Brightness 0..1 of the picture at pixel (x, y), y from the top.
double Brightness(double x, double y)
{
    const double glow = std::exp(-((x - kEmitterX) * (x - kEmitterX) + (y - kEmitterY) * (y - kEmitterY)) / 10.0);
    double sparks = 0;
    for (int i = 0; i < kSparkCount; ++i) {
        // Points along parabolas out of the emitter, like particles thrown up and falling.
        const double side = (i % 2 ? 1 : -1) * (0.35 + 0.05 * (i % 5));
        const double t = 0.25 + 0.75 * double(i / 2) / (kSparkCount / 2);
        const double sparkX = kEmitterX + side * 30 * t;
        const double sparkY = kEmitterY - 26 * t + 22 * t * t;
        const double d2 = (x - sparkX) * (x - sparkX) + (y - sparkY) * (y - sparkY);
        sparks += (1.0 - 0.6 * t) * std::exp(-d2 / 1.2);
    }
    const double b = 0.12 + 0.9 * glow + 0.55 * sparks;
    return b > 1 ? 1 : b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 64;
    }
    constexpr uint32_t kInfoBytes = 40;
    constexpr uint32_t kPaletteBytes = kColours * 4;
    constexpr uint32_t kPixelBytes = kSize * kSize;
    constexpr uint32_t kMaskRowBytes = 4;  // 32 bits, already a multiple of 4 bytes
    constexpr uint32_t kMaskBytes = kMaskRowBytes * kSize;
    constexpr uint32_t kImageBytes = kInfoBytes + kPaletteBytes + kPixelBytes + kMaskBytes;
    constexpr uint32_t kDirectoryBytes = 6 + 16;

    std::vector<uint8_t> out;
    Put(out, 0, 2);  // reserved
    Put(out, 1, 2);  // type: icon
    Put(out, 1, 2);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // 0 stands for 256 colours
    out.push_back(0);
    Put(out, 1, 2);  // planes
    Put(out, 8, 2);  // bits per pixel
    Put(out, kImageBytes, 4);
    Put(out, kDirectoryBytes, 4);

    Put(out, kInfoBytes, 4);
    Put(out, kSize, 4);
    Put(out, kSize * 2, 4);  // colour image and mask together
    Put(out, 1, 2);
    Put(out, 8, 2);
    Put(out, 0, 4);  // BI_RGB
    Put(out, kPixelBytes + kMaskBytes, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, kColours, 4);
    Put(out, 0, 4);
    for (int index = 0; index < kColours; ++index) {
        const Colour colour = Ramp(index);
        out.push_back(uint8_t(std::lround(colour.blue)));
        out.push_back(uint8_t(std::lround(colour.green)));
        out.push_back(uint8_t(std::lround(colour.red)));
        out.push_back(0);
    }

    auto inside = [](int x, int y) {
        const double dx = x + 0.5 - kSize / 2.0;
        const double dy = y + 0.5 - kSize / 2.0;
        return dx * dx + dy * dy <= kBadgeRadius * kBadgeRadius;
    };
    for (int row = kSize - 1; row >= 0; --row)  // bottom-up
        for (int x = 0; x < kSize; ++x)
            out.push_back(inside(x, row) ? uint8_t(std::lround(Brightness(x + 0.5, row + 0.5) * (kColours - 1))) : 0);
    for (int row = kSize - 1; row >= 0; --row) {
        uint32_t bits = 0;  // a set bit lets the background through
        for (int x = 0; x < kSize; ++x)
            if (!inside(x, row))
                bits |= 0x80000000u >> x;
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(uint8_t(bits >> shift));
    }

    FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
