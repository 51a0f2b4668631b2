// Video pictures remapped to a shared palette: the nearest entry is the exact one, pixels kept
// still stay as they were, error diffusion mixes entries to the colour between them, and which
// pixels count as still, with and without a lossy level.
#include <gtest/gtest.h>

#include <random>

#include "core/video/OrderedDither.h"
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

TEST(PaletteRemap, ALossyLevelMakesRunsOfNearlyEqualColours) {
    // Greys 49 and 51 in turn between entries 40 and 60: their nearest entries change along the
    // row, while level 50 (a run tolerance of 12) keeps the first entry.
    const std::vector<RgbQuad> palette = {{40, 40, 40, 0}, {60, 60, 60, 0}};
    constexpr int kWidth = 16;
    std::vector<std::uint8_t> row;
    for (int x = 0; x < kWidth; ++x) row.insert(row.end(), 3, x % 2 == 0 ? 49 : 51);
    for (const bool diffusion : {false, true}) {
        for (const int lossy : {0, 50}) {
            PaletteRemap remap(palette, lossy);
            std::vector<std::uint8_t> indices;
            remap.Apply(row.data(), kWidth, 1, diffusion, nullptr, indices);
            int changes = 0;
            for (int x = 1; x < kWidth; ++x) changes += indices[x] != indices[x - 1];
            const bool runs = changes == 0;
            EXPECT_EQ(runs, lossy > 0)
                << changes << " changes at lossy " << lossy << (diffusion ? ", diffusion" : "");
        }
    }
}

TEST(PaletteRemap, StillPixelsAreThoseNearTheirLastChoiceOrWithinTheLossyTolerance) {
    // One pixel whose index (0, grey 100) was chosen when it was 100, now at `now`.
    const std::vector<RgbQuad> palette = {{100, 100, 100, 0}, {0, 0, 0, 0}};
    struct Case {
        int reference;  // its colour when the index was chosen
        int now;
        int lossyTolerance;  // 0: no lossy level
        bool still;
    };
    const Case cases[] = {
        {100, 108, 0, true},   // within the still tolerance of 8
        {100, 109, 0, false},  // past it
        {96, 105, 0, false},   // drifted past it, though the entry is 5 away
        {96, 105, 5, true},    // the entry within the lossy tolerance
        {96, 106, 5, false},
    };
    for (const Case& c : cases) {
        const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(c.now), 100, 100};
        const std::vector<std::uint8_t> reference = {static_cast<std::uint8_t>(c.reference), 100,
                                                     100};
        std::vector<std::uint8_t> previous = {0};
        std::vector<std::uint8_t> still;
        MarkStillPixels(rgb, 1, 8, reference, still);
        if (c.lossyTolerance > 0) {
            MarkCloseEntries(rgb, 1, palette, previous, c.lossyTolerance, still);
        }
        EXPECT_EQ(still[0] != 0, c.still) << "colour chosen at " << c.reference << ", now " << c.now
                                          << ", lossy tolerance " << c.lossyTolerance;
    }
}

}  // namespace
}  // namespace vorla
