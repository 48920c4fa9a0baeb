#include "bass/resampler.h"

#include <algorithm>
#include <cmath>

namespace {
// The filter, in frames of the lower rate: it reaches kHalfWidth frames to
// each side, and its Kaiser window's kBeta trades the stopband's depth against
// the transition's width. The transition band runs from 0.9 to 1.1 of the
// lower Nyquist frequency, so an image or alias of anything up to 0.9 lands in
// the stopband; with these two the stopband is 110 dB down from 1.1 on and the
// passband flat within 0.0001 dB.
constexpr double kHalfWidth = 36;
constexpr double kBeta = 11.2;
// Beyond this ratio down the filter stops growing (its memory and time stay
// bounded) and its transition band widens instead.
constexpr double kMaxStretch = 64;
// Rows per frame of the lower rate when the ratio's phases are too many to
// tabulate: between two rows the coefficients are interpolated linearly, which
// puts that error's images about 120 dB down ((1/1024)^2 at the highest
// frequency passed).
constexpr double kInterpolatedRows = 512;
// Exact phases up to this many coefficients (or up to the interpolated table's size).
constexpr size_t kMaxExactCoefficients = 65536;

uint32_t Gcd(uint32_t a, uint32_t b)
{
    while (b != 0) {
        const uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// The modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x)
{
    double sum = 1, term = 1;
    const double quarterSquare = x * x / 4;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= quarterSquare / (double(k) * k);
        sum += term;
    }
    return sum;
}

int16_t ToSample(float value)
{
    // A full-scale tone overshoots slightly through the filter: clip, never wrap.
    if (value >= 32767.0f)
        return 32767;
    if (value <= -32768.0f)
        return -32768;
    return int16_t(std::lrint(value));
}
}  // namespace

Resampler::Resampler(uint32_t inputRate, uint32_t outputRate, int inputChannels)
    : channels(inputChannels == 1 ? 1 : 2)
{
    inputRate = std::max<uint32_t>(inputRate, 1);
    outputRate = std::max<uint32_t>(outputRate, 1);
    if (inputRate == outputRate)
        return;
    const uint32_t divisor = Gcd(inputRate, outputRate);
    phases = outputRate / divisor;
    step = inputRate / divisor;

    // Measured in input frames: the cut-off (cycles per frame) at the lower
    // Nyquist frequency, and the filter's reach.
    const double down = std::max(1.0, double(inputRate) / outputRate);
    const double cutoff = 0.5 / down;
    const size_t half = size_t(std::ceil(kHalfWidth * std::min(down, kMaxStretch)));
    taps = 2 * half;

    const size_t interpolatedRows = size_t(std::ceil(kInterpolatedRows / down));
    interpolated = uint64_t(phases) * taps > std::max(kMaxExactCoefficients, (interpolatedRows + 1) * taps);
    const size_t rowsPerFrame = interpolated ? interpolatedRows : phases;
    tableRows = interpolated ? interpolatedRows + 1 : phases;

    table.resize(tableRows * taps);
    history.resize(2 * taps * size_t(channels));
    const double windowScale = 1 / BesselI0(kBeta);
    const double pi = std::acos(-1.0);
    for (size_t row = 0; row < tableRows; ++row) {
        const double fraction = double(row) / double(rowsPerFrame);
        for (size_t j = 0; j < taps; ++j) {
            // Tap j meets the input frame whose distance behind the output's position is t.
            const double t = fraction + double(half) - 1 - double(j);
            const double edge = t / double(half);
            const double window = edge * edge < 1 ? BesselI0(kBeta * std::sqrt(1 - edge * edge)) * windowScale : 0;
            const double angle = pi * 2 * cutoff * t;
            const double sinc = t == 0 ? 1 : std::sin(angle) / angle;
            table[row * taps + j] = float(2 * cutoff * sinc * window);
        }
    }
}

void Resampler::Reset()
{
    std::fill(history.begin(), history.end(), 0.0f);
    head = 0;
    remainder = 0;
    lead = -1;
    silenceAdded = 0;
}

void Resampler::Push(const int16_t* frame)
{
    const size_t ch = size_t(channels);
    for (size_t c = 0; c < ch; ++c)
        history[head * ch + c] = history[(head + taps) * ch + c] = float(frame[c]);
    head = head + 1 == taps ? 0 : head + 1;
    ++lead;
}

void Resampler::PushSilence()
{
    const int16_t silence[2] = {0, 0};
    Push(silence);
    ++silenceAdded;
}

void Resampler::Emit(int16_t* frame)
{
    const float* window = history.data() + head * size_t(channels);
    const float* row = table.data();
    float fraction = 0;
    if (interpolated) {
        const uint64_t position = uint64_t(remainder) * (tableRows - 1);
        row += size_t(position / phases) * taps;
        fraction = float(double(position % phases) / phases);
    } else {
        row += size_t(remainder) * taps;
    }
    // Two dot products, with this row and (interpolated) the next, then a blend.
    float left[2] = {0, 0}, right[2] = {0, 0};
    for (int pass = 0; pass < (interpolated ? 2 : 1); ++pass, row += taps) {
        if (channels == 2) {
            for (size_t j = 0; j < taps; ++j) {
                left[pass] += row[j] * window[2 * j];
                right[pass] += row[j] * window[2 * j + 1];
            }
        } else {
            for (size_t j = 0; j < taps; ++j)
                left[pass] += row[j] * window[j];
            right[pass] = left[pass];
        }
    }
    frame[0] = ToSample(left[0] + fraction * (left[1] - left[0]));
    frame[1] = ToSample(right[0] + fraction * (right[1] - right[0]));
}

void Resampler::Advance()
{
    const uint64_t moved = uint64_t(remainder) + step;
    remainder = uint32_t(moved % phases);
    lead -= int64_t(moved / phases);
}

size_t Resampler::Process(const int16_t* input, size_t inputFrames, size_t& consumed, int16_t* output,
                          size_t outputFrames)
{
    const size_t ch = size_t(channels);
    if (!HasFilter()) {
        const size_t count = std::min(inputFrames, outputFrames);
        for (size_t i = 0; i < count; ++i) {
            output[2 * i] = input[i * ch];
            output[2 * i + 1] = input[i * ch + ch - 1];
        }
        consumed = count;
        return count;
    }
    const int64_t due = int64_t(taps / 2);
    consumed = 0;
    size_t written = 0;
    while (written < outputFrames) {
        while (lead < due && consumed < inputFrames)
            Push(input + ch * consumed++);
        if (lead < due)
            break;
        Emit(output + 2 * written++);
        Advance();
    }
    return written;
}

size_t Resampler::Drain(int16_t* output, size_t outputFrames)
{
    if (!HasFilter())
        return 0;
    const int64_t due = int64_t(taps / 2);
    size_t written = 0;
    // Output frames are due up to the last input frame's time, which lies
    // `silenceAdded` frames behind the newest one held.
    while (written < outputFrames && lead >= int64_t(silenceAdded)) {
        while (lead < due)
            PushSilence();
        Emit(output + 2 * written++);
        Advance();
    }
    return written;
}
