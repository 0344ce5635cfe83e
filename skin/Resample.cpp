#include "skin/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace qv {
namespace {

// Weights are fixed point with this many fraction bits; the pass between the two directions keeps
// kBetweenBits of each channel's fraction.
constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = 1 << kWeightBits;
constexpr int kBetweenBits = 6;
constexpr int kChannels = 4;  // blue, green, red, coverage
constexpr std::int32_t kOpaque = 255;

// Catmull-Rom: sharp, without the ringing of wider windowed filters, and exact on flat colour.
constexpr double kSupport = 2.0;

double CatmullRom(double x) {
    x = std::fabs(x);
    if (x < 1.0) return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0) return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// Which source pixels make each result pixel along one direction, and with what weights.
struct Taps {
    int stride = 0;                     // weights kept per result pixel
    std::vector<int> first;             // first source pixel of each result pixel
    std::vector<int> count;             // how many source pixels from there
    std::vector<std::int32_t> weights;  // stride per result pixel, summing to kWeightOne
};

Taps MakeTaps(int sourceSize, int resultSize) {
    Taps taps;
    const double step = static_cast<double>(sourceSize) / resultSize;  // source pixels per result pixel
    const double widen = std::max(1.0, step);
    const double support = kSupport * widen;
    taps.stride = static_cast<int>(std::ceil(support)) * 2 + 1;
    taps.first.resize(static_cast<size_t>(resultSize));
    taps.count.resize(static_cast<size_t>(resultSize));
    taps.weights.assign(static_cast<size_t>(resultSize) * taps.stride, 0);
    std::vector<double> exact(static_cast<size_t>(taps.stride));
    for (int i = 0; i < resultSize; ++i) {
        // Pixel centres line up: result pixel i covers source span [i, i + 1) * step.
        const double centre = (i + 0.5) * step;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceSize, static_cast<int>(std::ceil(centre + support)));
        const int count = std::min(last - first, taps.stride);
        double total = 0.0;
        for (int t = 0; t < count; ++t) {
            exact[t] = CatmullRom((first + t + 0.5 - centre) / widen);
            total += exact[t];
        }
        // Normalised, so that weights cut off at the picture's edge still sum to one, exactly: the
        // rounding error goes to the heaviest tap, so a pixel without holes near it comes out
        // with exactly full coverage.
        std::int32_t* weights = &taps.weights[static_cast<size_t>(i) * taps.stride];
        std::int32_t sum = 0;
        int heaviest = 0;
        for (int t = 0; t < count; ++t) {
            weights[t] = static_cast<std::int32_t>(std::lround(exact[t] / total * kWeightOne));
            sum += weights[t];
            if (weights[t] > weights[heaviest]) heaviest = t;
        }
        weights[heaviest] += kWeightOne - sum;
        taps.first[i] = first;
        taps.count[i] = count;
    }
    return taps;
}

std::int32_t Channel(std::uint32_t pixel, int channel) {
    return static_cast<std::int32_t>((pixel >> (8 * channel)) & 0xFF);
}

// A result pixel from its four accumulated channels (fixed point with fractionBits): the key where
// it is mostly hole, else its colour undone from the coverage, never the key itself.
std::uint32_t Finish(const std::int32_t* sums, int fractionBits, std::uint32_t key) {
    const std::int64_t coverage = sums[3];
    const std::int64_t full = static_cast<std::int64_t>(kOpaque) << fractionBits;
    if (coverage * 2 < full) return key;
    std::uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c) {
        // Colour over coverage is the mean of the non-hole pixels; rounded once, here. Most
        // pixels have no hole near them: their coverage is full, and no division is needed.
        const std::int64_t sum = std::max<std::int64_t>(sums[c], 0);
        const std::int64_t value = coverage == full ? (sum + (std::int64_t{1} << (fractionBits - 1))) >> fractionBits
                                                    : (sum * kOpaque * 2 + coverage) / (coverage * 2);
        pixel |= static_cast<std::uint32_t>(std::min<std::int64_t>(value, kOpaque)) << (8 * c);
    }
    // The next green level is invisible; the key would not be drawn at all.
    return pixel == key ? pixel ^ 0x000100 : pixel;
}

}  // namespace

Pixels ResampleFrames(const Pixels& strip, int nFrames, int frameWidth, int frameHeight, std::uint32_t key) {
    key &= 0xFFFFFF;
    Pixels result;
    if (nFrames <= 0 || frameWidth <= 0 || frameHeight <= 0 || strip.height <= 0 ||
        strip.width / nFrames <= 0 || strip.argb.size() < static_cast<size_t>(strip.width) * strip.height)
        return result;
    const int sourceWidth = strip.width / nFrames;
    const Taps across = MakeTaps(sourceWidth, frameWidth);
    const Taps down = MakeTaps(strip.height, frameHeight);
    result.width = frameWidth * nFrames;
    result.height = frameHeight;
    // Down first, a whole result row at a time, with holes as clear black (they add nothing to
    // colour or coverage). Each result is brought within range, so that the filter's overshoot at
    // a sharp edge is not carried into the second pass to overshoot again: coverage up to a whole
    // pixel's, its colours scaled along (they keep their hue) and up to the coverage.
    const size_t rowValues = static_cast<size_t>(strip.width) * kChannels;
    std::vector<std::int16_t> between(rowValues * frameHeight);
    std::vector<std::int32_t> sums(rowValues);
    for (int y = 0; y < frameHeight; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const std::int32_t* weights = &down.weights[static_cast<size_t>(y) * down.stride];
        for (int t = 0; t < down.count[y]; ++t) {
            const std::uint32_t* row = &strip.argb[static_cast<size_t>(down.first[y] + t) * strip.width];
            for (int x = 0; x < strip.width; ++x) {
                const std::uint32_t pixel = row[x];
                const std::int32_t weight = (pixel & 0xFFFFFF) == key ? 0 : weights[t];
                std::int32_t* sum = &sums[static_cast<size_t>(x) * kChannels];
                for (int c = 0; c < 3; ++c) sum[c] += weight * Channel(pixel, c);
                sum[3] += weight * kOpaque;
            }
        }
        constexpr int shift = kWeightBits - kBetweenBits;
        const auto rounded = [](std::int32_t sum) { return (sum + (1 << (shift - 1))) >> shift; };
        std::int16_t* target = &between[rowValues * y];
        for (size_t i = 0; i < rowValues; i += kChannels) {
            constexpr std::int32_t kFull = kOpaque << kBetweenBits;
            const std::int32_t overshoot = rounded(sums[i + 3]);
            const std::int32_t coverage = std::clamp(overshoot, 0, kFull);
            for (int c = 0; c < 3; ++c) {
                std::int32_t value = rounded(sums[i + c]);
                if (overshoot > kFull) value = value * kFull / overshoot;
                target[i + c] = static_cast<std::int16_t>(std::clamp(value, 0, coverage));
            }
            target[i + 3] = static_cast<std::int16_t>(coverage);
        }
    }

    // Then across, each frame's columns to the result's.
    result.argb.resize(static_cast<size_t>(result.width) * result.height);
    for (int y = 0; y < frameHeight; ++y) {
        const std::int16_t* source = &between[rowValues * y];
        std::uint32_t* target = &result.argb[static_cast<size_t>(y) * result.width];
        for (int frame = 0; frame < nFrames; ++frame) {
            for (int x = 0; x < frameWidth; ++x) {
                // At most 1.3 x 255 << 20 each: int32 holds them.
                std::int32_t pixel[kChannels] = {0, 0, 0, 0};
                const std::int32_t* weights = &across.weights[static_cast<size_t>(x) * across.stride];
                const std::int16_t* from = source + (static_cast<size_t>(frame) * sourceWidth + across.first[x]) * kChannels;
                for (int t = 0; t < across.count[x]; ++t)
                    for (int c = 0; c < kChannels; ++c) pixel[c] += weights[t] * from[t * kChannels + c];
                target[frame * frameWidth + x] = Finish(pixel, kWeightBits + kBetweenBits, key);
            }
        }
    }
    return result;
}

}  // namespace qv
