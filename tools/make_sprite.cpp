// Writes the particle sprite as a .bmp file: a 64 x 64 grey glow, 24 bits per
// pixel, bottom-up, with a saturated core, a faint shoulder, a smooth fall-off
// and a dozen faint radial streaks at irregular angles. The picture is the same
// on every run (fixed seed), so the build is reproducible.
// Usage: make_sprite OUTPUT.bmp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr double kCentreX = 31.0;  // from the left
constexpr double kCentreY = 32.0;  // from the bottom
constexpr int kCoreValue = 253;    // the brightest grey, out to radius 4
constexpr int kStreakCount = 12;
constexpr double kStreakGainMax = 0.22;  // at most this much brighter than the ring
constexpr double kStreakWidth = 0.7;     // pixels, across the streak
constexpr double kStreakInner = 6.0;     // streaks start outside the core
constexpr double kStreakFadeIn = 6.0;    // pixels over which they reach full strength
constexpr uint32_t kSeed = 0x5EED2A7u;
constexpr double kPi = 3.14159265358979323846;

// Mean grey by distance from the centre; linear in between, 0 from 43 on.
struct ProfilePoint {
    double radius;
    double grey;
};
constexpr ProfilePoint kProfile[] = {
    {0, 253}, {4, 253}, {5, 240}, {6, 214}, {7, 184}, {8, 157}, {9, 150}, {10, 132}, {12, 100}, {14, 79},
    {16, 60}, {18, 46}, {20, 37}, {24, 25}, {28, 16}, {31, 10}, {34, 7},  {38, 3},   {42, 1},   {43, 0},
};

double Profile(double radius)
{
    const int last = sizeof kProfile / sizeof kProfile[0] - 1;
    if (radius >= kProfile[last].radius)
        return 0;
    for (int i = 1; i <= last; ++i) {
        if (radius <= kProfile[i].radius) {
            const ProfilePoint& a = kProfile[i - 1];
            const ProfilePoint& b = kProfile[i];
            return a.grey + (b.grey - a.grey) * (radius - a.radius) / (b.radius - a.radius);
        }
    }
    return 0;
}

// A small generator of our own, so the picture does not depend on the C library.
uint32_t gState = kSeed;
double NextUnit()
{
    gState = gState * 1664525u + 1013904223u;
    return (gState >> 8) / double(1u << 24);
}

struct Streak {
    double angle;
    double gain;
};

// How much brighter than the plain glow the streaks make the point at radius
// and angle (radians).
double StreakGain(const Streak* streaks, double radius, double angle)
{
    // Streaks fade in across the shoulder instead of starting at full strength.
    const double fadeIn = std::fmin(1.0, (radius - kStreakInner) / kStreakFadeIn);
    double gain = 0;
    for (int i = 0; i < kStreakCount; ++i) {
        // Distance across the streak's ray; a ray does not reach behind the centre.
        const double offset = std::remainder(angle - streaks[i].angle, 2 * kPi);
        if (std::fabs(offset) > kPi / 2)
            continue;
        const double across = radius * std::sin(offset);
        gain += streaks[i].gain * std::exp(-across * across / (2 * kStreakWidth * kStreakWidth));
    }
    return gain * fadeIn;
}

double MeanStreakGain(const Streak* streaks, double radius)
{
    constexpr int kSamples = 1440;
    double sum = 0;
    for (int i = 0; i < kSamples; ++i)
        sum += StreakGain(streaks, radius, i * 2 * kPi / kSamples);
    return sum / kSamples;
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sprite OUTPUT.bmp\n");
        return 64;
    }

    // Irregular angles: even spacing, each pushed off its place by up to 40 %.
    Streak streaks[kStreakCount];
    for (int i = 0; i < kStreakCount; ++i) {
        const double jitter = (NextUnit() - 0.5) * 0.8;
        streaks[i].angle = (i + 0.5 + jitter) * 2 * kPi / kStreakCount;
        streaks[i].gain = kStreakGainMax * (0.45 + 0.55 * NextUnit());
    }

    constexpr uint32_t kRowBytes = kSize * 3;
    constexpr uint32_t kImageBytes = kRowBytes * kSize;
    constexpr uint32_t kInfoBytes = 40;
    constexpr uint32_t kFileHeaderBytes = 14;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLittleEndian(out, kFileHeaderBytes + kInfoBytes + kImageBytes, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, kFileHeaderBytes + kInfoBytes, 4);
    PutLittleEndian(out, kInfoBytes, 4);
    PutLittleEndian(out, kSize, 4);  // positive height: bottom-up rows
    PutLittleEndian(out, kSize, 4);
    PutLittleEndian(out, 1, 2);   // planes
    PutLittleEndian(out, 24, 2);  // bits per pixel
    PutLittleEndian(out, 0, 4);   // BI_RGB
    PutLittleEndian(out, kImageBytes, 4);
    PutLittleEndian(out, 0, 4);  // resolutions
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4);  // colours used and important: no table
    PutLittleEndian(out, 0, 4);

    for (int row = 0; row < kSize; ++row) {  // row 0 is the bottom one
        for (int column = 0; column < kSize; ++column) {
            const double dx = column - kCentreX;
            const double dy = row - kCentreY;
            const double radius = std::sqrt(dx * dx + dy * dy);
            double grey = Profile(radius);
            if (radius > kStreakInner) {
                // The streaks' mean over the ring is divided out again, so that the
                // ring keeps its mean and a streak stands out against it.
                grey *= (1 + StreakGain(streaks, radius, std::atan2(dy, dx))) / (1 + MeanStreakGain(streaks, radius));
            }
            int value = int(std::lround(grey));
            if (radius > 4.5 && value >= kCoreValue)
                value = kCoreValue - 1;  // the core stays the one maximum
            for (int channel = 0; channel < 3; ++channel)
                out.push_back(uint8_t(value));
        }
    }

    FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
