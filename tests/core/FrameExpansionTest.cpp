// "프레임 펼치기" on a hand-made patch animation: every frame keeps what a viewer sees, stands
// alone afterwards, and a partial expansion takes the frames whose look depends on it.
#include "core/edit/FrameExpansion.h"

#include <gtest/gtest.h>

#include "core/edit/OptimizedSave.h"
#include "core/port/UserInterface.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

// An 8 x 6 screen: a full first frame, then patches with new colours, transparency and every
// disposal, so each later frame shows something of the frames before it.
class FrameExpansionTest : public test::TableTest<> {
protected:
    struct Patch {
        int left, top, width, height, disposal;
        std::vector<Colorref> colours;
        int transparentIndex;  // -1: none
    };

    FrameExpansionTest() {
        table = NewTable(0);
        table->settings.screenWidth = 8;
        table->settings.screenHeight = 6;
        const Colorref red = MakeRgb(255, 0, 0), green = MakeRgb(0, 255, 0),
                       blue = MakeRgb(0, 0, 255), white = MakeRgb(255, 255, 255);
        const Patch patches[] = {
            {0, 0, 8, 6, 1, {red, green, blue, white}, -1},
            {2, 1, 3, 2, 2, {MakeRgb(0, 0, 0), MakeRgb(255, 255, 0)}, -1},  // restores background
            {5, 3, 2, 2, 3, {MakeRgb(1, 2, 3), MakeRgb(255, 0, 255)}, 0},   // restores previous
            {0, 0, 1, 1, 1, {green, red}, -1},
        };
        for (const Patch& p : patches) Add(p);
    }

    void Add(const Patch& p) {
        const int k = table->frameCount++;
        CDib& image = table->frameImages[static_cast<std::size_t>(k)];
        image.Create(p.width, p.height, 8, static_cast<int>(p.colours.size()));
        for (std::size_t i = 0; i < p.colours.size(); ++i)
            image.SetPaletteColor(static_cast<int>(i), p.colours[i]);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>((x + y + k) % p.colours.size()));
        FrameEntry& e = table->entries[static_cast<std::size_t>(k)];
        e.left = static_cast<std::int16_t>(p.left);
        e.top = static_cast<std::int16_t>(p.top);
        e.width = static_cast<std::int16_t>(p.width);
        e.height = static_cast<std::int16_t>(p.height);
        e.delay = 10;
        e.colorCount = static_cast<std::int16_t>(p.colours.size());
        e.controlFlags = static_cast<std::uint8_t>(p.disposal << 2);
        e.restoreBackground = p.disposal == 2;
        e.transparent = p.transparentIndex >= 0;
        e.transparentIndex = static_cast<std::uint8_t>(
            p.transparentIndex >= 0 ? p.transparentIndex : static_cast<int>(p.colours.size()) - 1);
        if (e.transparent) table->SetKeyColor(k);
    }

    std::vector<std::vector<std::uint8_t>> Composites() const {
        return optimized::CompositeScreens(optimized::SourceOf(*table));
    }
    // Frame k drawn alone on an empty screen.
    std::vector<std::uint8_t> Alone(int k) const {
        GifSourceAnimation one = optimized::SourceOf(*table);
        one.frames = {one.frames[static_cast<std::size_t>(k)]};
        return optimized::CompositeScreens(one)[0];
    }

    std::unique_ptr<FrameTable> table;
};

TEST_F(FrameExpansionTest, EveryFrameKeepsItsLookAndStandsAlone) {
    const auto before = Composites();
    ASSERT_NE(Alone(2), before[2]) << "the patch depends on the frames before it";
    const edit::ExpansionResult result = edit::ExpandSelectedFrames(*table);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.frames, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(result.quantised, 0);
    EXPECT_EQ(Composites(), before);
    for (int k = 0; k < table->frameCount; ++k) {
        const FrameEntry& e = table->entries[static_cast<std::size_t>(k)];
        EXPECT_EQ(Alone(k), before[static_cast<std::size_t>(k)]) << "frame " << k;
        EXPECT_TRUE(e.left == 0 && e.top == 0 && e.width == 8 && e.height == 6) << k;
        // Frames whose disposal changed the screen for the next clear the whole screen now.
        EXPECT_EQ(e.Disposal(), k == 1 || k == 2 ? 2 : 1) << k;
        // Its own colours keep their indices; the composite's colours follow them.
        EXPECT_EQ(table->frameImages[static_cast<std::size_t>(k)].PaletteColor(1),
                  k == 2   ? MakeRgb(255, 0, 255)
                  : k == 1 ? MakeRgb(255, 255, 0)
                  : k == 3 ? MakeRgb(255, 0, 0)
                           : MakeRgb(0, 255, 0))
            << k;
    }
    EXPECT_EQ(host.snapshots, 1) << "one undo step";
    EXPECT_TRUE(ui.Log().empty()) << ui.LastMessage();
}

TEST_F(FrameExpansionTest, APartialExpansionTakesTheFramesItsDisposalsReach) {
    const auto before = Composites();
    // Frame 1 restored the background and frame 2 the previous screen for the frame after them.
    EXPECT_EQ(edit::ExpansionClosure(*table, {1}), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(edit::ExpansionClosure(*table, {0}), (std::vector<int>{0}));
    table->entries[1].selected = 1;
    const edit::ExpansionResult result = edit::ExpandSelectedFrames(*table);
    EXPECT_EQ(result.frames, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Composites(), before);
    EXPECT_EQ(table->entries[0].width, 8) << "frame 0 was whole already";
    EXPECT_EQ(table->frameImages[0].ColorCount(), 4) << "and is untouched";
}

TEST_F(FrameExpansionTest, StructuralEditsAskOncePerDocumentAndOnlyAboutPatches) {
    EXPECT_TRUE(edit::AnyFrameDependsOnEarlier(*table));
    ui.AnswerTwoChoice(kTwoChoiceCancel);
    EXPECT_EQ(edit::ConfirmStructuralEdit(*table), edit::StructuralAnswer::Cancel);
    ui.AnswerTwoChoice(kTwoChoiceSecond);  // 그대로 편집: the frames stay as stored
    EXPECT_EQ(edit::ConfirmStructuralEdit(*table), edit::StructuralAnswer::Proceed);
    EXPECT_EQ(table->entries[1].width, 3);
    EXPECT_EQ(edit::ConfirmStructuralEdit(*table), edit::StructuralAnswer::Proceed) << "once";
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_EQ(ui.Log()[0].message, edit::kExpandQuestion);
    // Frames that all stand alone are never asked about.
    table->expansionQuestionAnswered = false;
    ASSERT_TRUE(edit::ExpandSelectedFrames(*table).done);
    EXPECT_FALSE(edit::AnyFrameDependsOnEarlier(*table));
    EXPECT_EQ(edit::ConfirmStructuralEdit(*table), edit::StructuralAnswer::Proceed);
    EXPECT_EQ(ui.Log().size(), 2u);
}

}  // namespace
}  // namespace vorla
