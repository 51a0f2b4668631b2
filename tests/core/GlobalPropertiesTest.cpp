#include <gtest/gtest.h>

#include <memory>

#include "core/edit/GlobalProperties.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

using edit::SizeRepeater;

// The steps a button held for `ticks` ticks takes, tick by tick.
std::vector<int> Hold(SizeRepeater& repeater, int button, int ticks) {
    std::vector<int> steps;
    for (int i = 0; i < ticks; ++i) steps.push_back(repeater.Tick(button));
    return steps;
}

TEST(SizeRepeater, AClickStepsOnceHoldingRepeatsFromTickTwentyAndFastFromForty) {
    SizeRepeater repeater;
    EXPECT_EQ(Hold(repeater, edit::kGrowWidth, 3), (std::vector<int>{1, 0, 0})) << "a click: 1";
    repeater.Tick(0);
    const auto held = Hold(repeater, edit::kGrowWidth, 45);
    for (int tick = 1; tick <= 45; ++tick) {
        const int want = tick == 1 ? 1 : tick < 20 ? 0 : tick < 40 ? 1 : 5;
        EXPECT_EQ(held[static_cast<std::size_t>(tick - 1)], want) << "tick " << tick;
    }
    EXPECT_EQ(repeater.History()[0], edit::kGrowWidth);
    // Another button taken over without a release starts counting afresh and waits.
    EXPECT_EQ(repeater.Tick(edit::kShrinkWidth), 0);
    EXPECT_EQ(repeater.Tick(0), 0);
    EXPECT_EQ(repeater.History()[1], edit::kShrinkWidth);
}

class GlobalPropertiesTest : public test::TableTest<> {
protected:
    GlobalPropertiesTest() {
        table = NewTable(0);
        table->settings.screenWidth = 50;
        table->settings.screenHeight = 40;
        CDib image;
        image.Create(20, 10, 8, 2);
        table->frameImages[0] = image;
        table->entries[0].width = 20;
        table->entries[0].height = 10;
        table->entries[0].left = 10;
        table->entries[0].top = 5;
        table->frameCount = 1;
    }
    std::unique_ptr<FrameTable> table;
};

TEST_F(GlobalPropertiesTest, ShrinkingStopsAtTheFramesExtent) {
    for (int i = 0; i < 40; ++i) edit::ApplySizeButton(*table, edit::kShrinkBoth, 5);
    EXPECT_EQ(table->settings.screenWidth, 30);
    EXPECT_EQ(table->settings.screenHeight, 15);
    edit::ApplySizeButton(*table, edit::kGrowHeight, 1);
    EXPECT_EQ(table->settings.screenHeight, 16);
    edit::SetScreenSize(*table, 100, 90);
    edit::MinimiseScreen(*table);
    EXPECT_EQ(table->settings.screenWidth, 30);
    EXPECT_EQ(table->settings.screenHeight, 15);
    edit::SetScreenSize(*table, 6995, 6995);
    edit::ApplySizeButton(*table, edit::kGrowBoth, 5);
    edit::ApplySizeButton(*table, edit::kGrowBoth, 5);
    EXPECT_EQ(table->settings.screenWidth, 7000) << "never past 7000";
}

TEST_F(GlobalPropertiesTest, CancelRestoresSizeAndLoop) {
    edit::GlobalPropertiesSession session;
    session.Begin(*table);
    EXPECT_FALSE(session.Changed(*table));
    edit::ApplySizeButton(*table, edit::kGrowWidth, 5);
    table->settings.loopForever = true;
    EXPECT_TRUE(session.Changed(*table));
    session.Cancel(*table);
    EXPECT_EQ(table->settings.screenWidth, 50);
    EXPECT_EQ(table->settings.screenHeight, 40);
    EXPECT_FALSE(table->settings.loopForever);
    EXPECT_FALSE(session.Changed(*table));
}

TEST(GlobalPropertiesRules, TypedSizesAndZoom) {
    EXPECT_FALSE(edit::TypedSizeAccepted(7000, 100, false)) << "7000 is ignored";
    EXPECT_TRUE(edit::TypedSizeAccepted(6999, 100, false));
    EXPECT_FALSE(edit::TypedSizeAccepted(1, 100, false));
    EXPECT_TRUE(edit::TypedSizeAccepted(1, 100, true));
    EXPECT_FALSE(edit::TypedSizeAccepted(100, 1, true));
    EXPECT_EQ(edit::ReadZoomText("3"), 5);
    EXPECT_EQ(edit::ReadZoomText("250"), 100);
    EXPECT_EQ(edit::ReadZoomText("abc"), 5);
}

}  // namespace
}  // namespace vorla
