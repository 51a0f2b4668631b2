// The quantise call's speed and dither choice, on a picture with more colours than a palette
// holds: flat areas stay flat without dithering, and every setting keeps the picture close.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "core/model/CDib.h"
#include "imaging/MagickImaging.h"

namespace vorla {
namespace {

// A 1024-colour ramp in the top half; below it four flat 32 x 32 blocks of colours between the
// ramp's steps.
CDib RampWithFlatBlocks() {
    CDib image;
    image.Create(256, 96, 24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 256; ++x)
            image.SetPixelColor(x, y, MakeRgb(x, (x * 7 + y * 3) & 0xFF, 255 - x));
    const Colorref flat[] = {MakeRgb(13, 201, 77), MakeRgb(90, 91, 250), MakeRgb(251, 3, 129),
                             MakeRgb(128, 128, 127)};
    for (int b = 0; b < 4; ++b)
        for (int y = 48; y < 80; ++y)
            for (int x = 0; x < 32; ++x) image.SetPixelColor(40 + 56 * b + x, y, flat[b]);
    return image;
}

int Distance(Colorref a, Colorref b) {
    return std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) +
           std::abs(BlueOf(a) - BlueOf(b));
}

TEST(QuantizeOptions, WithoutDitheringAFlatAreaTakesOneIndex) {
    MagickImaging imaging;
    const CDib picture = RampWithFlatBlocks();
    for (int speed : {1, 4, 8, 10}) {
        CDib reduced;
        ASSERT_TRUE(imaging.Quantize(picture, reduced, {speed, QuantizeOptions::Dither::None}));
        ASSERT_EQ(reduced.BitCount(), 8);
        ASSERT_EQ(reduced.ColorCount(), 256);
        for (int b = 0; b < 4; ++b) {
            std::set<int> indices;
            for (int y = 48; y < 80; ++y)
                for (int x = 0; x < 32; ++x) indices.insert(reduced.Index(40 + 56 * b + x, y));
            EXPECT_EQ(indices.size(), 1u) << "speed " << speed << ", block " << b;
            EXPECT_LE(Distance(reduced.PaletteColor(*indices.begin()),
                               picture.PixelColor(40 + 56 * b, 48)),
                      24)
                << "speed " << speed << ", block " << b;
        }
    }
}

TEST(QuantizeOptions, TheDefaultsAreTheStillPictureReduction) {
    MagickImaging imaging;
    const CDib picture = RampWithFlatBlocks();
    CDib plain;
    CDib spelled;
    ASSERT_TRUE(imaging.Quantize(picture, plain));
    ASSERT_TRUE(imaging.Quantize(picture, spelled, {4, QuantizeOptions::Dither::Diffusion}));
    EXPECT_EQ(plain, spelled);
}

}  // namespace
}  // namespace vorla
