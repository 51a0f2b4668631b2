// Video pictures remapped to a shared palette: the nearest entry is the exact one, pixels kept
// still stay as they were, and error diffusion mixes entries to the colour between them.
#include <gtest/gtest.h>

#include <random>

#include "core/video/PaletteRemap.h"

namespace vorla {
namespace {

int Distance(const RgbQuad& c, int r, int g, int b) {
    return (c.red - r) * (c.red - r) + (c.green - g) * (c.green - g) + (c.blue - b) * (c.blue - b);
}

TEST(PaletteRemap, NearestIsTheExactNearestEntry) {
    std::mt19937 random(7);
    for (const int size : {1, 2, 16, 256}) {
        std::vector<RgbQuad> palette;
        for (int i = 0; i < size; ++i) {
            // Some entries repeat, so ties are met: the lower index wins them.
            const auto v = static_cast<std::uint8_t>(random() % 256);
            palette.push_back(i % 5 == 4 ? palette[i - 1] : RgbQuad{v, v, 0, 0});
            palette.back().red = static_cast<std::uint8_t>(random() % 256);
        }
        NearestEntry nearest(palette);
        for (int k = 0; k < 20000; ++k) {
            const int r = random() % 256, g = random() % 256, b = random() % 256;
            int want = 0;
            for (int i = 1; i < size; ++i) {
                if (Distance(palette[i], r, g, b) < Distance(palette[want], r, g, b)) want = i;
            }
            ASSERT_EQ(nearest.Find(r, g, b), want)
                << size << " entries, colour " << r << "," << g << "," << b;
        }
    }
}

TEST(PaletteRemap, KeptPixelsStayAndDiffusionMixesTheEntriesBetween) {
    const std::vector<RgbQuad> palette = {{0, 0, 0, 0}, {100, 100, 100, 0}};
    constexpr int kSide = 32;
    constexpr int kKeepEvery = 31;
    const std::vector<std::uint8_t> grey(3 * kSide * kSide, 40);  // 40 % of the way up
    for (const bool diffusion : {false, true}) {
        SCOPED_TRACE(diffusion ? "diffusion" : "nearest");
        PaletteRemap remap(palette);
        std::vector<std::uint8_t> keep(kSide * kSide, 0);
        std::vector<std::uint8_t> indices(kSide * kSide, 1);
        for (int p = 0; p < kSide * kSide; p += kKeepEvery) keep[p] = 1;
        remap.Apply(grey.data(), kSide, kSide, diffusion, keep.data(), indices);
        int ones = 0;
        for (int p = 0; p < kSide * kSide; ++p) {
            if (keep[p] != 0) {
                ASSERT_EQ(indices[p], 1) << "kept pixel " << p;
            } else {
                ones += indices[p];
            }
        }
        // Nearest: all dark. Diffusion passes on half the error, so fewer than 40 % are bright,
        // but a good share has to be.
        const int free = kSide * kSide - (kSide * kSide + kKeepEvery - 1) / kKeepEvery;
        if (diffusion) {
            EXPECT_GT(ones, free / 10) << "have " << ones << " bright of " << free;
        } else {
            EXPECT_EQ(ones, 0);
        }
    }
}

}  // namespace
}  // namespace vorla
