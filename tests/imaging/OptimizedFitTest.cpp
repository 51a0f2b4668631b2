// The ways to a smaller optimised file, with the real quantiser: each way's size is what its
// animation optimises to, the mildest amount that fits is taken, and the frames each way makes
// keep the animation's timing and size rules.
#include <gtest/gtest.h>

#include <random>

#include "core/edit/OptimizedSave.h"
#include "imaging/MagickImaging.h"

namespace vorla {
namespace {

struct Noise {
    std::vector<std::unique_ptr<CDib>> images;
    GifSourceAnimation source;

    // frames of 64 x 48 random pixels over 256 random colours each; frame k waits 5 + k.
    explicit Noise(int frames) {
        std::mt19937 random(11);
        source.screenWidth = 64;
        source.screenHeight = 48;
        source.loop = true;
        for (int k = 0; k < frames; ++k) {
            auto image = std::make_unique<CDib>();
            image->Create(64, 48, 8, 256);
            for (int i = 0; i < 256; ++i) {
                image->SetPaletteColor(i, MakeRgb(random() & 255, random() & 255, random() & 255));
            }
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x) image->SetIndex(x, y, 1 + random() % 255);
            // A transparent corner: the ways must keep it transparent.
            image->SetIndex(0, 0, 0);
            source.frames.push_back({image.get(), 0, 0, 5 + k, 1, 0});
            images.push_back(std::move(image));
        }
    }
};

TEST(OptimizedFit, EachWayReachesTheLimitWithItsMildestAmount) {
    Noise noise(6);
    MagickImaging imaging;
    const optimized::Report plain = optimized::Measure(noise.source);
    ASSERT_EQ(plain.outcome, optimized::Outcome::Written);
    const std::int64_t limit = plain.bytes * 2 / 3;
    const std::vector<optimized::FitOption> options =
        optimized::PlanFit(noise.source, imaging, limit);
    ASSERT_EQ(options.size(), 4u);
    EXPECT_EQ(options[0].way, optimized::FitWay::Lossy) << "the mildest loss comes first";
    EXPECT_EQ(options[1].way, optimized::FitWay::FewerColors);
    EXPECT_EQ(options[2].way, optimized::FitWay::DropFrames);
    EXPECT_EQ(options[3].way, optimized::FitWay::ScaleDown);
    for (const optimized::FitOption& option : options) {
        SCOPED_TRACE(optimized::FitLabel(option));
        // The lossy way writes the animation as it is, with its level.
        const bool lossy = option.way == optimized::FitWay::Lossy;
        ASSERT_EQ(option.animation == nullptr, lossy);
        EXPECT_EQ(option.options.lossy, lossy ? option.amount : 0);
        EXPECT_TRUE(option.fits || lossy);
        EXPECT_EQ(option.fits, option.bytes <= limit);
        const GifSourceAnimation& written = optimized::WrittenSource(option, noise.source);
        const GifOptimizeResult again = OptimizeGif(written, {}, option.options);
        EXPECT_EQ(static_cast<std::int64_t>(again.bytes.size()), option.bytes)
            << "the size shown is the size written";
        EXPECT_EQ(VerifyOptimizedGif(written, again.bytes, {}, option.options), "");
    }
    // Dropping every k-th frame: the frame before each dropped one also waits its delay, so
    // the animation keeps its length (5 + 6 + ... + 10).
    const GifSourceAnimation& dropped = options[2].animation->source;
    const int k = options[2].amount;
    ASSERT_EQ(dropped.frames.size(), static_cast<std::size_t>(6 - 6 / k));
    int total = 0;
    for (const GifSourceFrame& frame : dropped.frames) total += frame.delay;
    EXPECT_EQ(total, 45);
    EXPECT_EQ(dropped.frames[k - 2].delay, 5 + k - 2 + 5 + k - 1);
    // Fewer colours: at most that many, the transparent pixels kept.
    const auto screens = optimized::CompositeScreens(options[1].animation->source);
    EXPECT_EQ(screens[0][3], 0) << "the transparent corner";
    EXPECT_LE(options[1].animation->images[0]->ColorCount(), options[1].amount + 1);
    // Scaling keeps the aspect.
    const GifSourceAnimation& small = options[3].animation->source;
    EXPECT_EQ(small.screenWidth, 64 * options[3].amount / 100);
    EXPECT_EQ(small.screenHeight, 48 * options[3].amount / 100);
}

TEST(OptimizedFit, AWayThatCannotReachTheLimitOffersItsSmallest) {
    Noise noise(2);
    MagickImaging imaging;
    const std::vector<optimized::FitOption> options = optimized::PlanFit(noise.source, imaging, 10);
    ASSERT_EQ(options.size(), 4u);
    for (const optimized::FitOption& option : options) EXPECT_FALSE(option.fits);
    EXPECT_EQ(options[0].amount, kMaxLossy);
    EXPECT_EQ(options[1].amount, 2);
    EXPECT_EQ(options[2].amount, 2);
    EXPECT_EQ(options[3].amount, 25);
    // A level already asked for is where the lossy way starts; at the highest it has none left,
    // and the other ways keep the level asked for.
    const std::vector<optimized::FitOption> atTop =
        optimized::PlanFit(noise.source, imaging, 10, {}, {kMaxLossy});
    ASSERT_EQ(atTop.size(), 3u);
    EXPECT_EQ(atTop[0].way, optimized::FitWay::FewerColors);
    for (const optimized::FitOption& option : atTop) EXPECT_EQ(option.options.lossy, kMaxLossy);
}

}  // namespace
}  // namespace vorla
