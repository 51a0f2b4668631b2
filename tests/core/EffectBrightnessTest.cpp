#include <gtest/gtest.h>

#include "EffectTestFixture.h"
#include "core/effects/Brightness.h"
#include "core/effects/PaletteOps.h"

namespace vorla::effects {
namespace {

using test::EffectTest;

class BrightnessRule : public EffectTest {};

TEST_F(BrightnessRule, ChannelRuleAtItsLimits) {
    EXPECT_EQ(ScaleChannelBrightness(ui, 255, 0.5), 255) << "white cannot brighten";
    EXPECT_EQ(ScaleChannelBrightness(ui, 0, -0.5), 0) << "black cannot darken";
    for (int v : {0, 1, 128, 255}) EXPECT_EQ(ScaleChannelBrightness(ui, v, 0.0), v);
    // The smallest factors still move a component by one step.
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, 0.001), 101);
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, -0.001), 99);
    EXPECT_EQ(ScaleChannelBrightness(ui, 254, 0.001), 255);
    EXPECT_EQ(ScaleChannelBrightness(ui, 1, -0.001), 0);
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, 0.5), 177);  // 100 + trunc(0.5 x 155)
    EXPECT_EQ(ScaleChannelBrightness(ui, 101, -0.5), 50);  // trunc(0.5 x 101)
    EXPECT_EQ(ScaleChannelBrightness(ui, 200, -1.0), 0);
    EXPECT_EQ(ScaleChannelBrightness(ui, 0, 1.0), 255);
    EXPECT_TRUE(ui.Log().empty()) << "no internal error inside -1..1";
}

TEST_F(BrightnessRule, FactorsOutsideTheRangeAreReported) {
    // 100 + trunc(2 x 155) = 410: outside a byte, its low byte comes back.
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, 2.0), 410 & 0xFF);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{ProgramErrorText("12412", true),
                                                       ProgramErrorText("12332", true)}));
}

TEST_F(BrightnessRule, PaletteScalingSkipsTheTransparentEntryAndStopsAtColorCount) {
    CDib image;
    image.Create(2, 2, 8, 8);
    for (int p = 0; p < 8; ++p) image.SetPaletteColor(p, MakeRgb(100, 100, 100));
    FrameEntry entry;
    entry.colorCount = 4;
    entry.transparent = 1;
    entry.transparentIndex = 2;
    const auto pixels = image.Bits();
    ScalePaletteBrightness(ui, image, entry, -0.5);
    EXPECT_EQ(image.PaletteColor(0), MakeRgb(50, 50, 50));
    EXPECT_EQ(image.PaletteColor(2), MakeRgb(100, 100, 100)) << "the transparent entry";
    EXPECT_EQ(image.PaletteColor(3), MakeRgb(50, 50, 50));
    EXPECT_EQ(image.PaletteColor(4), MakeRgb(100, 100, 100)) << "beyond colorCount";
    EXPECT_EQ(image.Bits(), pixels);
    entry.transparent = 0;  // the same index without transparency is an ordinary colour
    ScalePaletteBrightness(ui, image, entry, -0.5);
    EXPECT_EQ(image.PaletteColor(2), MakeRgb(50, 50, 50));
}

class Fade : public EffectTest {};

TEST_F(Fade, DarkestFrameOfTheDefaultsHasSixtyPercentOfEveryComponent) {
    Load(2);
    // Every component value once, in a 256-entry palette.
    CDib image;
    image.Create(kWidth, kHeight, 8, 256);
    for (int v = 0; v < 256; ++v) image.SetPaletteColor(v, MakeRgb(v, 255 - v, v));
    table->frameImages[0] = image;
    table->entries[0].colorCount = 256;
    table->entries[0].transparentIndex = 255;
    ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    SelectGap(-1);
    ASSERT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    ASSERT_EQ(table->frameCount, 17);
    for (int v = 0; v < 256; ++v) {
        const Colorref c = Image(0).PaletteColor(v);
        ASSERT_EQ(RedOf(c), static_cast<int>(0.6 * v)) << "v " << v;
        ASSERT_EQ(GreenOf(c), static_cast<int>(0.6 * (255 - v))) << "v " << v;
    }
    // The frame next to the source is darkened by one step of 0.4 / 15.
    const int next = RedOf(Image(14).PaletteColor(200));
    EXPECT_EQ(next, static_cast<int>((1 - 0.4 / 15) * 200));
}

TEST_F(Fade, FadeInAtTheFirstGapPutsTheDarkestFrameFirst) {
    Load(3);
    settings.fadeFrameCount = 4;
    settings.fadeDelay = 7;
    SelectGap(-1);
    ASSERT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(sheetPages, (std::vector<int>{kBrightnessPage}));
    EXPECT_EQ(Delays(), (std::vector<int>{7, 7, 7, 7, 50, 11, 12}));
    // Darkest first, brighter towards the source, which keeps its palette.
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(RedOf(Image(i).PaletteColor(0)), RedOf(Image(i + 1).PaletteColor(0)));
        EXPECT_EQ(Image(i).Bits(), Image(4).Bits()) << "pixels never change";
        EXPECT_EQ(Entry(i).Disposal(), 2);
        EXPECT_EQ(Entry(i).restoreBackground, 1);
    }
    EXPECT_EQ(RedOf(Image(4).PaletteColor(0)), 200);
    EXPECT_EQ(Entry(4).selected, 1) << "the source is selected";
    EXPECT_EQ(table->CountSelection(), 1);
    EXPECT_EQ(store->Count(), 2) << "one snapshot for the run";
    EXPECT_TRUE(document.modified);
    ASSERT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(ui.progress[0].title, "밝기 조정");
    EXPECT_EQ(ui.progress[0].status, "이미지 애니메이션 처리 중..");
    EXPECT_EQ(ui.progress[0].maximum, 1000);
    EXPECT_EQ(ui.progress[0].lastPosition, 1000);
}

TEST_F(Fade, FadeOutAfterTheLastFrameAppendsDarkerAndDarker) {
    Load(3);
    settings.fadeFrameCount = 3;
    SelectGap(2);
    ASSERT_EQ(FadeOut(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Delays(), (std::vector<int>{10, 11, 50, 5, 5, 5}));
    for (int i = 2; i < 5; ++i)
        EXPECT_GT(RedOf(Image(i).PaletteColor(0)), RedOf(Image(i + 1).PaletteColor(0)));
    EXPECT_EQ(RedOf(Image(5).PaletteColor(0)), static_cast<int>(0.6 * 198));
    EXPECT_EQ(Entry(2).selected, 1);
}

TEST_F(Fade, WrongGapsGiveTheirMessagesAndChangeNothing) {
    Load(3);
    SelectGap(2);
    const auto before = Block();
    EXPECT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    SelectGap(-1);
    EXPECT_EQ(FadeOut(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    SelectGap(0);
    EXPECT_EQ(FadeInOut(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(ui.Messages(),
              (std::vector<std::string>{
                  "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오.\n단, 마지막 "
                  "프레임 뒤는 제외.",
                  "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오.\n단, 첫 프레임 "
                  "앞은 제외.",
                  "선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오."}));
    EXPECT_TRUE(sheetPages.empty()) << "the selection is checked before the sheet";
    // The context form checks the position after the sheet.
    ui.Clear();
    table->targetGap = 2;
    EXPECT_EQ(FadeIn(Context(), CommandForm::ContextMenu), EffectOutcome::Refused);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"프레임 위치 설정이 잘못되었습니다."}));
    EXPECT_EQ(sheetPages.size(), 1u);
    sheetAnswers.push_back(false);
    table->targetGap = 0;
    EXPECT_EQ(FadeIn(Context(), CommandForm::ContextMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block().size(), before.size());
    EXPECT_EQ(store->Count(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Entry(i).delay, 10 + i);
}

TEST_F(Fade, NoFramesStillSetsTheDelayAndRecordsOneSnapshot) {
    Load(2);
    settings.fadeFrameCount = 0;
    SelectGap(0);
    ASSERT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Delays(), (std::vector<int>{10, 50}));
    EXPECT_EQ(Entry(1).selected, 1);
    EXPECT_EQ(store->Count(), 2);
}

TEST_F(Fade, TransparentEntryAndItsKeyColourStayApart) {
    Load(2);
    // A transparent source whose key colour sits just above a dark palette colour.
    table->entries[1].transparent = 1;
    table->entries[1].transparentIndex = 3;
    table->SetKeyColor(1);
    ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    const Colorref key = Entry(1).keyColor;
    settings.fadeFrameCount = 5;
    settings.darkestBrightness = 0.05;
    SelectGap(1);
    ASSERT_EQ(FadeOut(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    for (int i = 2; i < 7; ++i) {
        EXPECT_EQ(Entry(i).transparentColor, Entry(1).transparentColor);
        // The key colour, in the transparent entry, is unlike every other colour of the frame.
        EXPECT_EQ(Image(i).PaletteColor(3), Entry(i).keyColor) << "frame " << i;
        for (int p = 0; p < 3; ++p)
            EXPECT_GT(ColourDistance(Image(i).PaletteColor(p), Entry(i).keyColor), 16)
                << "frame " << i << " entry " << p;
    }
    EXPECT_EQ(Image(1).PaletteColor(3), key) << "the source keeps its key colour";
}

TEST_F(Fade, DelayMinusOneKeepsTheSourcesOwnDelayAndLinksAreNotCopied) {
    Load(2);
    table->entries[0].link.linkedPath = "/tmp/picture.bmp";
    settings.fadeFrameCount = 2;
    settings.fadeDelay = -1;
    SelectGap(0);
    ASSERT_EQ(FadeOut(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(Delays(), (std::vector<int>{50, 10, 10, 11}));
    EXPECT_TRUE(Entry(1).link.linkedPath.empty());
    EXPECT_TRUE(Entry(2).link.linkedPath.empty());
}

TEST_F(Fade, InAndOutIsOneRunAroundTheFrame) {
    Load(3);
    settings.fadeFrameCount = 2;
    SelectFrame(0);
    ASSERT_EQ(FadeInOut(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    // Brightening frames at the front, the source, darkening frames, then the rest.
    EXPECT_EQ(Delays(), (std::vector<int>{5, 5, 50, 5, 5, 11, 12}));
    EXPECT_LT(RedOf(Image(0).PaletteColor(0)), RedOf(Image(1).PaletteColor(0)));
    EXPECT_GT(RedOf(Image(3).PaletteColor(0)), RedOf(Image(4).PaletteColor(0)));
    EXPECT_EQ(Entry(2).selected, 1);
    EXPECT_EQ(ui.progress.size(), 1u) << "one progress dialog";
    EXPECT_EQ(store->Count(), 2) << "one undo step";
}

TEST_F(Fade, CancelAtAnyPositionPutsEverythingBack) {
    for (bool modified : {false, true}) {
        for (int cancelAt : {0, 250, 500, 501, 750, 1000}) {
            Load(3);
            document.modified = modified;
            const auto before = Block();
            const int blocks = store->Count();
            settings.fadeFrameCount = 4;
            ui.cancelAtPosition = cancelAt;
            SelectFrame(1);
            ASSERT_EQ(FadeInOut(Context(), CommandForm::MainMenu), EffectOutcome::Cancelled)
                << "cancel at " << cancelAt;
            EXPECT_EQ(Block(), before) << "cancel at " << cancelAt;
            EXPECT_EQ(store->Count(), blocks);
            EXPECT_EQ(document.modified, modified);
            EXPECT_FALSE(table->busy);
        }
    }
}

TEST_F(Fade, QuittingDuringTheRunCountsAsCancel) {
    Load(2);
    const auto before = Block();
    SelectGap(0);
    ui.onPump = [this] { ui.quitting = ui.pumps >= 3; };
    EXPECT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Cancelled);
    EXPECT_EQ(Block(), before);
}

TEST_F(Fade, TooManyFramesAreRefusedBeforeAnyChange) {
    Load(298);
    SelectGap(3);
    const auto before = Block();
    EXPECT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(Block(), before) << "not even the source's delay changes";
    EXPECT_EQ(store->Count(), 1);
    EXPECT_TRUE(ui.progress.empty());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.LastMessage().find("300"), std::string::npos);
    // Two frames fit.
    settings.fadeFrameCount = 2;
    EXPECT_EQ(FadeIn(Context(), CommandForm::MainMenu), EffectOutcome::Done);
    EXPECT_EQ(table->frameCount, 300);
    // Around one frame both halves count.
    settings.fadeFrameCount = 1;
    Load(299);
    SelectFrame(5);
    EXPECT_EQ(FadeInOut(Context(), CommandForm::MainMenu), EffectOutcome::Refused);
    EXPECT_EQ(table->frameCount, 299);
}

}  // namespace
}  // namespace vorla::effects
