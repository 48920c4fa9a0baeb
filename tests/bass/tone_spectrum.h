#pragma once
// Tones, and how clean one is once recorded: the spectrum of one channel of
// 16-bit stereo frames under a Kaiser window (beta 20: side lobes near -190 dB,
// far below what is measured), the tone's level, and the strongest component
// anywhere else. For the resampling test and the audio benchmark.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

// Interleaved frames of a sine at `hz` sampled at `rate`, each channel the same, rounded to 16 bits.
inline std::vector<int16_t> Sine(size_t frames, int channels, double hz, double rate, double amplitude)
{
    const double pi = std::acos(-1.0);
    std::vector<int16_t> out;
    for (size_t i = 0; i < frames; ++i)
        out.insert(out.end(), size_t(channels), int16_t(std::lrint(amplitude * std::sin(2 * pi * hz * double(i) / rate))));
    return out;
}

struct ToneMeasure {
    double toneDb;      // the tone's level, 0 dB being a full-scale sine
    double toneHz;      // where it peaks
    double spuriousDb;  // the strongest other component, in dB relative to the tone
    double spuriousHz;  // and where it is
};

namespace tone_spectrum {
inline double BesselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= x * x / 4 / (double(k) * k);
        sum += term;
    }
    return sum;
}

// In place, radix 2; `data.size()` is a power of two.
inline void Fft(std::vector<std::complex<double>>& data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    const double pi = std::acos(-1.0);
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2 * pi / double(length));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < length / 2; ++k, w *= turn) {
                const std::complex<double> a = data[start + k], b = data[start + k + length / 2] * w;
                data[start + k] = a + b;
                data[start + k + length / 2] = a - b;
            }
        }
    }
}
}  // namespace tone_spectrum

// `frames` (a power of two) stereo frames at `rate`; `channel` 0 or 1. The
// tone is the peak within 20 bins of `expectedHz`; its window's main lobe
// (±8 bins) is not counted as spurious.
inline ToneMeasure MeasureTone(const int16_t* stereo, size_t frames, int channel, double rate, double expectedHz)
{
    constexpr double kBeta = 20;
    constexpr long kLobe = 8, kSearch = 20;
    std::vector<std::complex<double>> data(frames);
    double windowSum = 0;
    const double scale = 1 / tone_spectrum::BesselI0(kBeta);
    for (size_t i = 0; i < frames; ++i) {
        const double edge = 2.0 * double(i) / double(frames - 1) - 1;
        const double window = tone_spectrum::BesselI0(kBeta * std::sqrt(std::max(0.0, 1 - edge * edge))) * scale;
        windowSum += window;
        data[i] = window * stereo[2 * i + size_t(channel)];
    }
    tone_spectrum::Fft(data);
    const double binHz = rate / double(frames);
    const long bins = long(frames / 2) + 1;
    auto level = [&](long bin) { return 20 * std::log10(std::abs(data[size_t(bin)]) * 2 / windowSum / 32767 + 1e-30); };
    const long expected = std::lround(expectedHz / binHz);
    long tone = std::clamp(expected, 0L, bins - 1);
    for (long bin = std::max(0L, expected - kSearch); bin <= std::min(bins - 1, expected + kSearch); ++bin)
        tone = level(bin) > level(tone) ? bin : tone;
    ToneMeasure measure = {level(tone), double(tone) * binHz, -400, 0};
    for (long bin = 0; bin < bins; ++bin) {
        if (std::labs(bin - tone) > kLobe && level(bin) - measure.toneDb > measure.spuriousDb) {
            measure.spuriousDb = level(bin) - measure.toneDb;
            measure.spuriousHz = double(bin) * binHz;
        }
    }
    return measure;
}
