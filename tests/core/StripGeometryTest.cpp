#include <gtest/gtest.h>

#include "core/edit/StripGeometry.h"
#include "support/ScriptedUserInterface.h"

namespace vorla {
namespace {

StripMetrics Strip(int frames, int displayHeight) {
    StripMetrics m;
    m.frameCount = frames;
    m.displayWidth = 100;
    m.displayHeight = displayHeight;
    m.stripRowHeight = frames < 2 ? 5 : displayHeight;
    m.childWidth = 300;
    return m;
}

TEST(StripGeometry, RowsStartBelowThePreviewRow) {
    StripMetrics two = Strip(2, 80);
    EXPECT_EQ(two.ImageTop(0), 80 + 145) << "two frames: the preview row is as high as a frame";
    EXPECT_EQ(two.ImageTop(1), 80 + 145 + 135);
    StripMetrics one = Strip(1, 80);
    EXPECT_EQ(one.ImageTop(0), 150) << "one frame: a 5-pixel preview row";
    EXPECT_EQ(one.TotalHeight(), 135 + 5 + 175);
    EXPECT_EQ(Strip(0, 0).TotalHeight(), 180);
    EXPECT_EQ(two.GapTop(1), two.ImageTop(1) - 34);
    EXPECT_EQ(two.GapBottom(1), two.ImageTop(1) - 21);
}

TEST(StripGeometry, PointsAboveAFrameHitTheFrameThenTheGapThenThePreviousFrame) {
    StripMetrics m = Strip(3, 80);
    const int top = m.ImageTop(1);
    EXPECT_EQ(HitTest(m, 60, top - 10, 0), (HitResult{1, HitResult::kFrame, false, 45}));
    HitResult gap = HitTest(m, 60, top - 25, 0);
    EXPECT_EQ(gap.index, 1);
    EXPECT_EQ(gap.kind, HitResult::kGapBefore);
    HitResult previous = HitTest(m, 60, top - 40, 0);
    EXPECT_EQ(previous.index, 0);
    EXPECT_EQ(previous.kind, HitResult::kFrame);
    // The same point with the strip scrolled by 100 pixels.
    EXPECT_EQ(HitTest(m, 60, top - 110, 100).index, 1);
}

TEST(StripGeometry, EdgesOfTheStripHitThePreviewTheEndGapOrNothing) {
    StripMetrics m = Strip(2, 80);
    EXPECT_TRUE(HitTest(m, 60, 40, 0).above);
    EXPECT_EQ(HitTest(m, 60, 40, 0).index, -1);
    const int endGap = m.GapTop(2) + 5;
    HitResult last = HitTest(m, 60, endGap, 0);
    EXPECT_EQ(last.kind, HitResult::kGapAfterLast);
    EXPECT_EQ(last.index, 2) << "the gap after the last frame is named by the frame count";
    EXPECT_EQ(HitTest(m, 60, m.ImageTop(2) + 10, 0).index, -1) << "below the last frame";
    EXPECT_EQ(HitTest(m, 290, m.ImageTop(0) + 10, 0).index, -1) << "right of childWidth - 15";
    EXPECT_EQ(HitTest(m, -1, m.ImageTop(0) + 10, 0).index, -1);
}

TEST(StripGeometry, ShadeColorLightensAndDarkensEachChannel) {
    EXPECT_EQ(ShadeColor(MakeRgb(100, 255, 0), 0.5), MakeRgb(177, 255, 127));
    EXPECT_EQ(ShadeColor(MakeRgb(254, 0, 10), 0.001), MakeRgb(255, 1, 11))
        << "a zero step still adds 1";
    EXPECT_EQ(ShadeColor(MakeRgb(100, 0, 1), -0.25), MakeRgb(75, 0, 0));
    EXPECT_EQ(ShadeColor(MakeRgb(3, 0, 1), -0.01), MakeRgb(2, 0, 0))
        << "an unchanged value still loses 1";
    EXPECT_EQ(ShadeColor(MakeRgb(9, 8, 7), 0), MakeRgb(9, 8, 7));
    test::ScriptedUserInterface ui;
    ShadeColor(MakeRgb(9, 8, 7), 1.5, &ui);
    EXPECT_TRUE(ui.Saw("프로그램 오류 (12412)"));
}

TEST(StripGeometry, ZoomCommandsStopAtTheirLimits) {
    EXPECT_TRUE(CanZoomIn(98));
    EXPECT_FALSE(CanZoomIn(100));
    EXPECT_TRUE(CanZoomOut(10));
    EXPECT_FALSE(CanZoomOut(5));
}

}  // namespace
}  // namespace vorla
