#include <gtest/gtest.h>

#include "EffectTestFixture.h"
#include "core/effects/PaletteOps.h"
#include "core/effects/Scatter.h"

namespace vorla::effects {
namespace {

using test::EffectTest;

int CountIndex(const CDib& image, int index) {
    return IndexHistogram(image)[static_cast<std::size_t>(index)];
}

TEST(ScatterCount, FollowsTheSquareOfTheStepIn64Bits) {
    // Defaults: the most dissolved frame draws 1.5 x W x H, the least trunc(trunc(W x H / 10) /
    // 15).
    EXPECT_EQ(ScatterPixelCount(100, 50, 15, 15, 10), 7500);
    EXPECT_EQ(ScatterPixelCount(100, 50, 1, 15, 10), 500 / 15);
    EXPECT_EQ(ScatterPixelCount(3, 3, 1, 15, 10), 0) << "W x H x k below P draws nothing";
    // 30000 x 30000 x 50 overflows 32 bits.
    EXPECT_EQ(ScatterPixelCount(30000, 30000, 50, 50, 2), std::int64_t{30000} * 30000 * 25);
}

TEST(ScatterPixels, DrawsXThenYFromTheTopRow) {
    CDib image;
    image.Create(4, 3, 8, 4);
    EffectRandom random(1);
    ScatterPixels(image, 3, 1, random);
    // Draws 41 and 18467: x = trunc(41 / 32768 x 4) = 0, y = trunc(18467 / 32768 x 3) = 1.
    EXPECT_EQ(image.Index(0, 1), 3);
    EXPECT_EQ(CountIndex(image, 3), 1);
}

class Scatter : public EffectTest {};

TEST_F(Scatter, AppearMakesTheSourceTransparentAndBuildsItUp) {
    Load(2);
    settings.scatterFrameCount = 3;
    settings.scatterPreservation = 2;
    SelectGap(0);
    ASSERT_EQ(ScatterAppear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(sheetPages, (std::vector<int>{kScatterPage}));
    ASSERT_EQ(table->frameCount, 5);
    EXPECT_EQ(Delays(), (std::vector<int>{10, 5, 5, 5, 50}));
    const FrameEntry& source = Entry(4);
    ASSERT_EQ(source.transparent, 1) << "the source was made transparent";
    EXPECT_EQ(source.restoreBackground, 0) << "a plain appear leaves the source's disposal";
    // Fewer transparent pixels from frame to frame, towards the source.
    int last = kWidth * kHeight + 1;
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(Entry(i).transparentIndex, source.transparentIndex);
        EXPECT_EQ(Entry(i).keyColor, source.keyColor);
        EXPECT_EQ(Image(i).ColorTable(), Image(4).ColorTable());
        const int cleared = CountIndex(Image(i), source.transparentIndex);
        EXPECT_LT(cleared, last) << "frame " << i;
        last = cleared;
    }
    EXPECT_EQ(CountIndex(Image(4), source.transparentIndex), 0);
    ASSERT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(ui.progress[0].title, "흩뿌리기");
    EXPECT_EQ(store->Count(), 2);
}

TEST_F(Scatter, DisappearSetsTheSourceToRestoreTheBackground) {
    Load(2);
    settings.scatterFrameCount = 2;
    SelectGap(1);
    ASSERT_EQ(ScatterDisappear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Delays(), (std::vector<int>{10, 50, 5, 5}));
    EXPECT_EQ(Entry(1).restoreBackground, 1);
    EXPECT_EQ(Entry(1).Disposal(), 2);
    EXPECT_EQ(Entry(1).selected, 1);
}

TEST_F(Scatter, TinyFramesStayEqualToTheSource) {
    Load(2);
    settings.scatterFrameCount = 2;
    settings.scatterPreservation = 100;  // 8 x 6 x 2 < 100: no pixel is drawn
    SelectGap(0);
    ASSERT_EQ(ScatterAppear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Image(1), Image(3));
    EXPECT_EQ(Image(2), Image(3));
}

TEST_F(Scatter, ASecondRunGivesAnotherPattern) {
    Load(1);
    settings.scatterFrameCount = 1;
    settings.scatterPreservation = 4;
    SelectGap(0);
    ASSERT_EQ(ScatterDisappear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    SelectGap(0);
    ASSERT_EQ(ScatterDisappear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    ASSERT_EQ(table->frameCount, 3);
    // Frame 1 comes from the second run, frame 2 from the first; same source, other draws.
    EXPECT_NE(Image(1).Bits(), Image(2).Bits());
}

TEST_F(Scatter, AppearAndDisappearIsOneRunAroundTheFrame) {
    Load(2);
    settings.scatterFrameCount = 2;
    SelectFrame(0);
    ASSERT_EQ(ScatterAppearDisappear(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Delays(), (std::vector<int>{5, 5, 50, 5, 5, 11}));
    EXPECT_EQ(Entry(2).restoreBackground, 1);
    EXPECT_EQ(Entry(2).selected, 1);
    EXPECT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(store->Count(), 2);
}

TEST_F(Scatter, CancelAtAnyPositionPutsEverythingBack) {
    for (int cancelAt : {0, 333, 500, 999, 1000}) {
        Load(2);
        document.modified = cancelAt % 2 == 1;
        const auto before = Block();
        const int blocks = store->Count();
        settings.scatterFrameCount = 3;
        ui.cancelAtPosition = cancelAt;
        SelectFrame(1);
        ASSERT_EQ(ScatterAppearDisappear(Context(), CommandForm::MainMenu),
                  EffectOutcome::Cancelled)
            << "cancel at " << cancelAt;
        EXPECT_EQ(Block(), before) << "cancel at " << cancelAt << ": even the transparency goes";
        EXPECT_EQ(store->Count(), blocks);
        EXPECT_EQ(document.modified, cancelAt % 2 == 1);
    }
}

TEST_F(Scatter, TooManyFramesAreRefusedBeforeTheSourceChanges) {
    Load(290);
    SelectFrame(4);
    const auto before = Block();
    settings.scatterFrameCount = 6;  // 2 x 6 more
    EXPECT_EQ(ScatterAppearDisappear(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block(), before) << "the source was not made transparent";
    EXPECT_EQ(store->Count(), 1);
}

}  // namespace
}  // namespace vorla::effects
