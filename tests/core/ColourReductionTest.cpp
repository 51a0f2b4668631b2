#include <gtest/gtest.h>

#include <random>
#include <set>

#include "core/effects/ColourReduction.h"
#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "support/ScriptedUserInterface.h"

namespace vorla {
namespace {

using namespace effects;

// A 64 x 48 frame using indices 0..colours-1 of a 256-entry palette at random (each at least
// once); the colours lie on a ramp, so near indices have near colours.
CDib Frame(int colours, std::uint32_t seed = 1) {
    CDib image;
    image.Create(64, 48, 8, 256);
    for (int i = 0; i < 256; ++i) image.SetPaletteColor(i, MakeRgb(i, (i * 7) % 256, 255 - i));
    std::mt19937 random(seed);
    for (std::int32_t y = 0; y < 48; ++y) {
        for (std::int32_t x = 0; x < 64; ++x) {
            image.SetIndex(x, y, static_cast<std::uint8_t>(random() % colours));
        }
    }
    // Every index at least once.
    for (int i = 0; i < colours; ++i) image.SetIndex(i % 64, i / 64, static_cast<std::uint8_t>(i));
    return image;
}

int Used(const CDib& image) {
    int used = 0;
    for (int n : IndexHistogram(image)) used += n > 0 ? 1 : 0;
    return used;
}

TEST(ColourReductionRules, StepsGoStrictlyUpwardsAndTheRecommendationNeverExceedsTheStart) {
    EXPECT_EQ(SteppedColourCount(0), 3);
    EXPECT_EQ(SteppedColourCount(3), 7);
    EXPECT_EQ(SteppedColourCount(7), 15);
    EXPECT_EQ(SteppedColourCount(126), 127);
    EXPECT_EQ(SteppedColourCount(127), 256);
    EXPECT_EQ(RecommendedCount(40, 3), 7);
    EXPECT_EQ(RecommendedCount(5, 200), 5);
}

TEST(ColourReductionRules, FortyColoursEnableExactlyTheFirstFourTargets) {
    std::vector<int> enabled;
    for (int target : kReductionTargets) {
        if (TargetEnabled(target, 40, false)) enabled.push_back(target);
    }
    EXPECT_EQ(enabled, (std::vector<int>{3, 7, 15, 31}));
    EXPECT_FALSE(TargetEnabled(3, 40, true)) << "nothing while working";
    EXPECT_TRUE(TargetEnabled(3, 4, false));
    EXPECT_FALSE(TargetEnabled(3, 3, false));
}

TEST(ColourReductionRules, CoarseColoursCountTopBitsOverTheImagesOwnTable) {
    test::ScriptedUserInterface ui;
    CDib image;
    image.Create(4, 1, 8, 4);
    image.SetPaletteColor(0, MakeRgb(0, 0, 0));
    image.SetPaletteColor(1, MakeRgb(31, 31, 31));  // same top bits as black
    image.SetPaletteColor(2, MakeRgb(255, 0, 0));
    image.SetPaletteColor(3, MakeRgb(0, 0, 255));  // unused
    for (std::int32_t x = 0; x < 3; ++x) image.SetIndex(x, 0, static_cast<std::uint8_t>(x));
    bool reported = false;
    EXPECT_EQ(DistinctCoarseColours(image, ui, &reported), 2);
    EXPECT_FALSE(reported);

    // An index past the table: left out, reported once per wizard.
    image.SetIndex(3, 0, 200);
    EXPECT_EQ(DistinctCoarseColours(image, ui, &reported), 2);
    EXPECT_EQ(DistinctCoarseColours(image, ui, &reported), 2);
    FrameEntry entry;
    entry.colorCount = 4;
    entry.transparentIndex = 3;
    EXPECT_EQ(ReduceColours(image, entry, 1, ui, &reported), 1);
    int boxes = 0;
    for (const std::string& m : ui.Messages()) boxes += m == ProgramErrorText("21461", true);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(image.Index(3, 0), 200) << "the stray index is left alone";
}

TEST(ColourReduction, FortyToThirtyOneTakesNineStepsIdenticalToStepByStep) {
    test::ScriptedUserInterface ui;
    CDib stepwise = Frame(40);
    CDib single = stepwise;
    FrameEntry entry;
    entry.colorCount = 256;
    entry.transparentIndex = 255;
    ASSERT_EQ(Used(stepwise), 40);
    int steps = 0;
    while (Used(stepwise) > 31) {
        ASSERT_GE(MergeOneStep(stepwise, entry, ui, nullptr).removed, 0);
        ++steps;
    }
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(ReduceColours(single, entry, 40 - 31, ui, nullptr), 9);
    EXPECT_EQ(Used(single), 31);
    EXPECT_EQ(single, stepwise) << "one remap pass gives the same pixels";
    EXPECT_EQ(single.ColorTable(), Frame(40).ColorTable()) << "the palette is never rewritten";
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(ColourReduction, ChainedMergesFollowEachOtherInTheRemap) {
    // Many seeds and targets: the planned remap must equal re-merging the pixels every time,
    // also when a merged index later is itself merged away.
    test::ScriptedUserInterface ui;
    FrameEntry entry;
    entry.colorCount = 256;
    entry.transparentIndex = 255;
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        const int colours = 20 + static_cast<int>(seed) * 30;
        CDib stepwise = Frame(colours, seed);
        CDib single = stepwise;
        const int steps = colours - 3;
        for (int k = 0; k < steps; ++k) MergeOneStep(stepwise, entry, ui, nullptr);
        ReduceColours(single, entry, steps, ui, nullptr);
        EXPECT_EQ(single, stepwise) << "seed " << seed;
        EXPECT_EQ(Used(single), 3);
    }
}

TEST(ColourReduction, TheTransparentIndexIsNeverRemovedNorFilled) {
    test::ScriptedUserInterface ui;
    CDib image = Frame(20);
    FrameEntry entry;
    entry.colorCount = 256;
    entry.transparent = 1;
    entry.transparentIndex = 0;
    const auto before = IndexHistogram(image);
    ReduceColours(image, entry, 17, ui, nullptr);
    const auto after = IndexHistogram(image);
    EXPECT_EQ(after[0], before[0]) << "its pixels stay and no others join them";
    EXPECT_EQ(Used(image), 3);

    // With transparency off its index may go, but still never receives pixels.
    CDib opaque = Frame(20);
    entry.transparent = 0;
    entry.transparentIndex = 19;
    const auto opaqueBefore = IndexHistogram(opaque);
    ReduceColours(opaque, entry, 10, ui, nullptr);
    EXPECT_LE(IndexHistogram(opaque)[19], opaqueBefore[19]);
}

TEST(ColourReduction, NearColoursWinOverTheNearestAndTiesGoLow) {
    test::ScriptedUserInterface ui;
    CDib image;
    image.Create(10, 1, 8, 4);
    image.SetPaletteColor(0, MakeRgb(100, 100, 100));  // the least used: removed first
    image.SetPaletteColor(1, MakeRgb(120, 100, 100));  // distance 20: below 32, first such
    image.SetPaletteColor(2, MakeRgb(101, 100, 100));  // nearer, but comes later
    image.SetPaletteColor(3, MakeRgb(0, 0, 0));
    const std::uint8_t pixels[10] = {0, 1, 1, 2, 2, 2, 3, 3, 3, 3};
    for (std::int32_t x = 0; x < 10; ++x) image.SetIndex(x, 0, pixels[x]);
    FrameEntry entry;
    entry.colorCount = 4;
    entry.transparentIndex = 3;  // never a replacement, even with transparency off
    ColourReducer reducer(image, entry, ui, nullptr);
    MergeStep step;
    ASSERT_TRUE(reducer.PlanStep(step));
    EXPECT_EQ(step.removed, 0);
    EXPECT_EQ(step.replacement, 1);
    ASSERT_TRUE(reducer.PlanStep(step));
    EXPECT_EQ(step.removed, 1) << "index 1 now holds 3 pixels, index 2 as many: lowest wins";
    EXPECT_EQ(step.replacement, 2);
    ASSERT_TRUE(reducer.PlanStep(step)) << "index 3 may be removed: transparency is off";
    EXPECT_EQ(step.removed, 3);
    EXPECT_FALSE(reducer.PlanStep(step)) << "one colour left";
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("07356", true));
    EXPECT_FALSE(reducer.PlanStep(step));
    EXPECT_EQ(ui.Messages().size(), 1u) << "reported once";
}

}  // namespace
}  // namespace vorla
