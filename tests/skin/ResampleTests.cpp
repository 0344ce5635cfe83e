// The resampling of skin artwork: colours, positions and keyed holes as a display at another
// scale must show them. Native, under the sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "skin/Resample.h"

namespace {

constexpr std::uint32_t kKey = 0xFF00FF;

qv::Pixels Picture(int width, int height, const std::function<std::uint32_t(int, int)>& colour) {
    qv::Pixels picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.argb.push_back(colour(x, y));
    return picture;
}

std::uint32_t At(const qv::Pixels& picture, int x, int y) { return picture.argb[static_cast<size_t>(y) * picture.width + x]; }
int Red(std::uint32_t pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }

}  // namespace

TEST(ResampleFrames, FlatFramesKeepTheirExactColourAndNeverBleedIntoEachOther) {
    // Three frames of three colours, shrunk as 150 % shows 2x art, and grown past 2x.
    const std::uint32_t colours[] = {0x102030, 0xDD860A, 0xFEFEFE};
    const qv::Pixels strip = Picture(3 * 44, 62, [&](int x, int) { return colours[x / 44]; });
    for (const auto& size : {std::pair<int, int>{33, 47}, {97, 150}, {1, 1}}) {
        const qv::Pixels result = qv::ResampleFrames(strip, 3, size.first, size.second, kKey);
        ASSERT_EQ(result.width, 3 * size.first);
        ASSERT_EQ(result.height, size.second);
        for (int y = 0; y < result.height; ++y)
            for (int x = 0; x < result.width; ++x)
                ASSERT_EQ(At(result, x, y), colours[x / size.first]) << x << ", " << y << " at " << size.first;
    }
}

TEST(ResampleFrames, PixelCentresLineUpSoARampStaysInPlace) {
    // A ramp in red along x and another in green along y: away from the edges, where the filter is
    // cut off, every result pixel shows the ramp's value at its own centre. A half-pixel shift or
    // a swapped direction moves the values by at least one level.
    const qv::Pixels ramp = Picture(120, 90, [](int x, int y) {
        return static_cast<std::uint32_t>((2 * x + 10) << 16 | (2 * y + 20) << 8);
    });
    for (const auto& size : {std::pair<int, int>{90, 60}, {180, 135}}) {
        const qv::Pixels result = qv::ResampleFrames(ramp, 1, size.first, size.second, kKey);
        const double across = 120.0 / size.first;
        const double down = 90.0 / size.second;
        for (int y = 6; y < size.second - 6; ++y) {
            for (int x = 6; x < size.first - 6; ++x) {
                const std::uint32_t pixel = At(result, x, y);
                // Source pixel j holds 2j + 10 at its centre j + 0.5.
                EXPECT_NEAR(Red(pixel), 2 * ((x + 0.5) * across - 0.5) + 10, 0.6) << x << ", " << y;
                EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 2 * ((y + 0.5) * down - 0.5) + 20, 0.6);
                ASSERT_EQ(pixel & 0xFF, 0u);
            }
        }
    }
}

TEST(ResampleFrames, KeyedHolesLendNoColourAndKeepCleanEdges) {
    // A disc of red in a keyed square: every result pixel is either the key or the disc's red,
    // never a magenta-tinted blend, and the disc keeps its place and size.
    constexpr std::uint32_t kRed = 0xC81E28;
    const qv::Pixels disc = Picture(80, 80, [](int x, int y) {
        const int dx = x - 40, dy = y - 40;
        return dx * dx + dy * dy < 30 * 30 ? kRed : kKey;
    });
    const qv::Pixels result = qv::ResampleFrames(disc, 1, 60, 60, kKey);
    int keyed = 0;
    for (std::uint32_t pixel : result.argb) {
        if (pixel == kKey) {
            ++keyed;
            continue;
        }
        for (int shift : {0, 8, 16})
            ASSERT_LE(std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((kRed >> shift) & 0xFF)), 1)
                << std::hex << pixel;
    }
    // The disc covers pi * 22.5^2 of the 3600 result pixels, within its rim.
    EXPECT_NEAR(3600 - keyed, 3.14159 * 22.5 * 22.5, 2 * 3.14159 * 22.5);
    EXPECT_EQ(At(result, 0, 0), kKey);
    EXPECT_EQ(At(result, 30, 30), kRed);
}

TEST(ResampleFrames, AColourThatRoundsToTheKeyIsNudgedOffIt) {
    // Shrunk two to one, these average to exactly the key colour, which a keyed copy would skip.
    const qv::Pixels pair = Picture(2, 1, [](int x, int) { return x == 0 ? 0xFE00FFu : 0xFF00FEu; });
    const qv::Pixels result = qv::ResampleFrames(pair, 1, 1, 1, kKey);
    ASSERT_EQ(result.argb.size(), 1u);
    EXPECT_NE(result.argb[0], kKey);
    EXPECT_EQ(result.argb[0] & 0xFF00FF, 0xFF00FFu);
}

TEST(ResampleFrames, SizesThatMakeNoPictureGiveNothing) {
    const qv::Pixels strip = Picture(10, 4, [](int, int) { return 0x123456u; });
    EXPECT_TRUE(qv::ResampleFrames(strip, 0, 5, 5, kKey).argb.empty());
    EXPECT_TRUE(qv::ResampleFrames(strip, 11, 5, 5, kKey).argb.empty());  // frames narrower than a pixel
    EXPECT_TRUE(qv::ResampleFrames(strip, 2, 0, 5, kKey).argb.empty());
    EXPECT_TRUE(qv::ResampleFrames(qv::Pixels{}, 1, 5, 5, kKey).argb.empty());
    qv::Pixels torn = strip;
    torn.argb.resize(20);  // fewer pixels than its size says
    EXPECT_TRUE(qv::ResampleFrames(torn, 1, 5, 5, kKey).argb.empty());
    // Leftover columns past the last whole frame are dropped, not read as part of a frame.
    const qv::Pixels odd = Picture(11, 4, [](int x, int) { return x == 10 ? kKey : 0x123456u; });
    const qv::Pixels result = qv::ResampleFrames(odd, 2, 7, 6, kKey);
    for (std::uint32_t pixel : result.argb) ASSERT_EQ(pixel, 0x123456u);
}
