#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/effects/AdvancedEffectForm.h"
#include "core/effects/AdvancedEffects.h"
#include "core/effects/Brightness.h"
#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

using namespace effects;

// The fake imaging role plus the two effect calls: a filter that inverts every colour (and can
// be told to fail), and an exact 8-bit conversion that keeps the mask.
class EffectImaging : public test::FakeImaging {
public:
    bool ApplyFilterSeeded(const CDib& image, FilterKind kind, int strength, std::uint32_t seed,
                           CDib& out) override {
        seeds.push_back(seed);
        kinds.push_back(kind);
        strengths.push_back(strength);
        if (failFilters) return false;
        CDib result;
        result.Create(image.Width(), image.Height(), 24);
        for (std::int32_t y = 0; y < image.Height(); ++y) {
            for (std::int32_t x = 0; x < image.Width(); ++x) {
                const Colorref c = image.PixelColor(x, y);
                result.SetPixelColor(x, y,
                                     MakeRgb(255 - RedOf(c), 255 - GreenOf(c), 255 - BlueOf(c)));
            }
        }
        out = std::move(result);
        return true;
    }
    bool ToIndexedKeepingMask(const CDib& image, const std::vector<std::uint8_t>& clear,
                              Colorref keyColour, CDib& out, int& keyIndex) override {
        std::map<Colorref, int> indexOf;
        CDib result;
        result.Create(image.Width(), image.Height(), 8, 0);
        std::vector<RgbQuad> table;
        keyIndex = -1;
        std::size_t at = 0;
        for (std::int32_t y = 0; y < image.Height(); ++y) {
            for (std::int32_t x = 0; x < image.Width(); ++x, ++at) {
                if (!clear.empty() && clear[at]) {
                    if (keyIndex < 0) {
                        keyIndex = static_cast<int>(table.size());
                        table.push_back(RgbQuad::FromColorref(keyColour));
                    }
                    result.SetIndex(x, y, static_cast<std::uint8_t>(keyIndex));
                    continue;
                }
                const Colorref c = image.PixelColor(x, y);
                auto [it, added] = indexOf.emplace(c, static_cast<int>(table.size()));
                if (added) table.push_back(RgbQuad::FromColorref(c));
                result.SetIndex(x, y, static_cast<std::uint8_t>(it->second));
            }
        }
        if (!clear.empty() && keyIndex < 0) {
            keyIndex = static_cast<int>(table.size());
            table.push_back(RgbQuad::FromColorref(keyColour));
        }
        result.ColorTable() = std::move(table);
        out = std::move(result);
        return true;
    }
    bool failFilters = false;
    std::vector<std::uint32_t> seeds;
    std::vector<FilterKind> kinds;
    std::vector<int> strengths;
};

class AdvancedEffectsTest : public test::TableTest<test::StoringHost> {
protected:
    AdvancedEffectsTest() {
        table = std::make_unique<FrameTable>(app, ui, effectImaging, host,
                                             std::vector<std::uint8_t>{}, 1);
        store = std::make_unique<UndoStore>(table->snapshotFilePath, ui);
        host.table = table.get();
        host.store = store.get();
    }

    // `frames` 8 x 6 frames with 16 grey-ish colours; frame i has delay 10 + i. Frame 0 is
    // selected, as the Animation menu wants.
    void Load(int frames, bool transparentFirst = false) {
        for (int i = 0; i < frames; ++i) {
            CDib image;
            image.Create(8, 6, 8, 16);
            for (int c = 0; c < 16; ++c) image.SetPaletteColor(c, MakeRgb(16 * c, 100, 200 - c));
            for (std::int32_t y = 0; y < 6; ++y)
                for (std::int32_t x = 0; x < 8; ++x)
                    image.SetIndex(x, y, static_cast<std::uint8_t>((x + 2 * y) % 15));
            const auto slot = static_cast<std::size_t>(i);
            table->frameImages[slot] = image;
            FrameEntry entry;
            entry.width = 8;
            entry.height = 6;
            entry.colorCount = 16;
            entry.transparentIndex = 15;
            entry.delay = static_cast<std::int16_t>(10 + i);
            table->entries[slot] = entry;
        }
        table->frameCount = frames;
        table->entries[0].selected = 1;
        table->SetZoom(8, 6, false);
        if (transparentFirst) {
            // A column of transparent pixels on index 15.
            for (std::int32_t y = 0; y < 6; ++y) table->frameImages[0].SetIndex(2, y, 15);
            table->entries[0].transparent = 1;
            table->entries[0].transparentIndex = 15;
            table->entries[0].transparentColor = table->PaletteColor(0, 15);
            table->SetKeyColor(0);
        }
        table->RebuildDisplayImages(-1, true, true, false);
        ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
        host.snapshots = 0;
    }

    std::vector<std::uint8_t> Block() const { return edit::BuildSnapshotBlock(*table); }

    AdvancedCommand Brightness(int mode, int count) const {
        AdvancedCommand command;
        command.mode = mode;
        command.count = count;
        command.delay = 5;
        command.kind = kEffectBrightness;
        command.first = {-1000, 0, 0, 0};
        command.last = {0, 0, 0, 0};
        return command;
    }

    EffectImaging effectImaging;
    std::unique_ptr<FrameTable> table;
    std::unique_ptr<UndoStore> store;
    Colorref chooser = 0;
};

// ---- The kind table ----

TEST(EffectKinds, TheListShowsTenKindsInItsOrder) {
    test::ScriptedUserInterface ui;
    const std::vector<std::string> want = {
        "밝기",      "모자이크",          "노이즈",   "흐리기", "콘트라스트", "미디안 필터", "회전",
        "색조 변경", "특정색에 근접하기", "크기 변화"};
    for (int i = 0; i < kEffectListSize; ++i) {
        const int kind = KindOfListIndex(ui, i);
        EXPECT_EQ(EffectKindName(ui, kind), want[static_cast<std::size_t>(i)])
            << "list index " << i;
        EXPECT_EQ(ListIndexOfKind(ui, kind), i);
    }
    EXPECT_EQ(KindOfListIndex(ui, -1), kEffectNone) << "no selection is kind 0";
    EXPECT_TRUE(ui.Messages().empty());

    EXPECT_EQ(KindOfListIndex(ui, 10), kEffectNone);
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("12524", true));
    EXPECT_EQ(ListIndexOfKind(ui, 3), -1);
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("12523", true));
    EXPECT_EQ(EffectKindName(ui, 12), "");
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("31431", true));
}

TEST(EffectKinds, ApproachHasFourParametersAndTheOthersOne) {
    const EffectKind& approach = EffectKindOf(kEffectApproach);
    ASSERT_EQ(approach.parameterCount, 4);
    EXPECT_STREQ(approach.parameters[0].label, "근접도");
    EXPECT_STREQ(approach.parameters[3].label, "근접할 색의 B 요소");
    EXPECT_EQ(approach.parameters[1].initial, 128);
    EXPECT_EQ(EffectKindOf(kEffectRotation).parameters[0].maximum, 3599);
    EXPECT_EQ(EffectKindOf(kEffectBrightness).parameters[0].minimum, -1000);
    EXPECT_EQ(EffectKindOf(kEffectMosaic).parameters[0].minimum, 1);
    EXPECT_TRUE(KindWarnsAboutTransparency(kEffectMosaic));
    EXPECT_TRUE(KindWarnsAboutTransparency(kEffectBlur));
    EXPECT_FALSE(KindWarnsAboutTransparency(kEffectHue));
}

// ---- Interpolation ----

TEST(EffectInterpolation, TruncatesAndEndsExactlyOnTheLastValue) {
    test::ScriptedUserInterface ui;
    std::vector<int> three, four;
    for (int j = 0; j < 3; ++j) three.push_back(InterpolatedValue(ui, 0, 100, j, 3));
    for (int j = 0; j < 4; ++j) four.push_back(InterpolatedValue(ui, 0, 10, j, 4));
    EXPECT_EQ(three, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(four, (std::vector<int>{0, 3, 6, 10}));
    EXPECT_EQ(InterpolatedValue(ui, -1000, 0, 1, 10), -888) << "trunc towards zero";
    EXPECT_EQ(InterpolatedValue(ui, 7, 90, 0, 0), 7) << "count 0 uses the first value";
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(InterpolatedValue(ui, 7, 90, 0, 1), 90);
    EXPECT_EQ(ui.LastMessage(), ProgramErrorText("12093", true));
}

TEST(EffectInterpolation, BrightnessRuleMovesEveryComponentAtLeastOneStep) {
    test::ScriptedUserInterface ui;
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, 0.0), 100);
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, -1.0), 0);
    EXPECT_EQ(ScaleChannelBrightness(ui, 100, -0.001), 99);
    EXPECT_EQ(ScaleChannelBrightness(ui, 254, 0.001), 255);
    EXPECT_EQ(ScaleChannelBrightness(ui, 0, -0.5), 0);
    EXPECT_TRUE(ui.Messages().empty());
}

// ---- The command, mode 0 ----

TEST_F(AdvancedEffectsTest, ModeZeroReplacesTheFrameWithTenFramesInOneUndoStep) {
    Load(3);
    const CDib source = table->frameImages[1];
    const FrameEntry sourceEntry = table->entries[1];
    ui.Answer(true, 0);  // "보존"
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 1, Brightness(0, 10), chooser));

    ASSERT_EQ(table->frameCount, 12) << "ten frames in place of one";
    EXPECT_EQ(table->entries[0].delay, 10);
    EXPECT_EQ(table->entries[11].delay, 12) << "the frame after the run moved on";
    for (int i = 1; i <= 10; ++i) {
        const FrameEntry& entry = table->entries[static_cast<std::size_t>(i)];
        EXPECT_EQ(entry.delay, 5) << "frame " << i;
        EXPECT_EQ(entry.restoreBackground, 0) << "frame " << i;
        EXPECT_NE(entry.Disposal(), 2) << "frame " << i;
        EXPECT_EQ(table->frameImages[static_cast<std::size_t>(i)].Bits(), source.Bits())
            << "pixels never change for a palette kind";
    }
    EXPECT_EQ(table->frameImages[1].PaletteColor(5), MakeRgb(0, 0, 0)) << "factor -1 is black";
    EXPECT_EQ(table->frameImages[10], source) << "the last frame equals the source";
    FrameEntry last = table->entries[10];
    last.delay = sourceEntry.delay;
    last.selected = sourceEntry.selected;
    EXPECT_EQ(last, sourceEntry);
    EXPECT_EQ(host.snapshots, 1) << "one undo step";
    EXPECT_EQ(table->rebuildSuspend, 0);
    EXPECT_FALSE(table->busy);
    EXPECT_TRUE(table->frameImages[kBaseSlot].IsEmpty()) << "slot 300 is emptied";
    EXPECT_EQ(ui.progress.size(), 1u) << "a progress dialog above 5 frames";
    EXPECT_EQ(ui.progress[0].title, "고급 애니메이션 효과");
    EXPECT_EQ(ui.progress[0].status, "애니메이션을 만들고 있습니다..");
}

TEST_F(AdvancedEffectsTest, ASingleFrameTurnedIntoManyGetsAFullPreviewRow) {
    Load(1);
    ASSERT_EQ(table->stripRowHeight, 5) << "one frame: no preview row";
    ui.Answer(true, 0);
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 0, Brightness(0, 4), chooser));
    ASSERT_EQ(table->frameCount, 4);
    EXPECT_EQ(table->stripRowHeight, table->displayHeight)
        << "the preview row would otherwise overlap its own info line";
}

TEST_F(AdvancedEffectsTest, TheDisposalQuestionIsAskedAsDesigned) {
    Load(2);
    ui.Answer(true, 2);
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 0, Brightness(0, 3), chooser));
    ASSERT_FALSE(ui.Log().empty());
    const ChoiceRequest& asked = ui.Log().front().request;
    EXPECT_EQ(asked.title, "고급 애니메이션 효과/남은 장면 처리 방법");
    EXPECT_EQ(asked.message, "다음 프레임으로 전환된 후 남겨진 장면 처리 방법을 선택하세요.");
    EXPECT_EQ(asked.options[0], "보존");
    EXPECT_EQ(asked.options[2], "브라우저 배경으로 완전히 지움");
    EXPECT_EQ(asked.hideMask, "OXOX");
    EXPECT_EQ(asked.disableMask, "OOOX");
    EXPECT_EQ(asked.preselected, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(table->entries[static_cast<std::size_t>(i)].restoreBackground, 1);
        EXPECT_EQ(table->entries[static_cast<std::size_t>(i)].Disposal(), 2);
    }
    EXPECT_TRUE(ui.progress.empty()) << "no progress dialog for 3 frames";
}

TEST_F(AdvancedEffectsTest, DecliningTheDisposalQuestionChangesNothing) {
    Load(3);
    const auto before = Block();
    ui.Answer(false);
    EXPECT_FALSE(RunAdvancedAnimation(*table, store.get(), 1, Brightness(0, 10), chooser));
    EXPECT_EQ(Block(), before) << "the table is byte-identical";
    EXPECT_EQ(host.snapshots, 0);
    EXPECT_EQ(host.modified, 0);
    EXPECT_EQ(table->rebuildSuspend, 0);
}

TEST_F(AdvancedEffectsTest, CancellingTheProgressRestoresAndDeletesNothingElse) {
    Load(3);
    const auto before = Block();
    ui.Answer(true, 2);
    ui.cancelAtPosition = 3;
    EXPECT_FALSE(RunAdvancedAnimation(*table, store.get(), 1, Brightness(0, 6), chooser));
    EXPECT_EQ(Block(), before) << "the state before the command";
    EXPECT_EQ(host.snapshots, 0);
    EXPECT_EQ(table->rebuildSuspend, 0);
    EXPECT_FALSE(table->busy);
    EXPECT_TRUE(table->frameImages[kBaseSlot].IsEmpty());
}

TEST_F(AdvancedEffectsTest, CancelWithoutAnUndoStorePutsTheFramesBackItself) {
    Load(3);
    const auto before = Block();
    for (int mode : {0, 1}) {
        ui.Answer(true, 2);
        ui.cancelAtPosition = 3;
        AdvancedCommand command = Brightness(mode, 6);
        command.from = 1;
        command.to = 3;
        if (mode == 1) {
            Load(8);
            command.to = 8;
        }
        const auto start = Block();
        EXPECT_FALSE(RunAdvancedAnimation(*table, nullptr, 1, command, chooser));
        EXPECT_EQ(Block(), mode == 0 ? before : start) << "mode " << mode;
    }
    EXPECT_EQ(host.snapshots, 0);
}

TEST_F(AdvancedEffectsTest, QuittingDuringTheRunCountsAsCancel) {
    Load(2);
    ui.Answer(true, 2);
    int pumps = 0;
    ui.onPump = [&] {
        if (++pumps == 2) ui.quitting = true;
    };
    EXPECT_FALSE(RunAdvancedAnimation(*table, store.get(), 0, Brightness(0, 8), chooser));
    EXPECT_EQ(table->frameCount, 2);
    EXPECT_EQ(host.snapshots, 0);
}

TEST_F(AdvancedEffectsTest, TheLargestCountEndsWithExactlyThreeHundredFrames) {
    Load(250);
    ui.Answer(true, 2);
    AdvancedEffectForm form;
    form.Show(0, table->frameCount, 0);
    form.countText = "999";
    form.Configure(true, false);
    EXPECT_EQ(form.countText, "51") << "301 - frameCount";
    ASSERT_FALSE(form.CheckOk());
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 0, form.Command(), chooser));
    EXPECT_EQ(table->frameCount, 300);
}

// ---- Mode 1 ----

TEST_F(AdvancedEffectsTest, ModeOneWorksOnAFullTableAndRefusesStaleRanges) {
    Load(300);
    AdvancedEffectForm form;
    form.Show(0, 300, 0);
    form.mode = 1;
    form.fromText = "1";
    form.toText = "3";
    form.Configure(true, false);
    EXPECT_FALSE(form.CheckOk()) << "the count field is not checked in mode 1";

    form.fromText = "0";
    EXPECT_EQ(form.CheckOk(), "프레임 번호 입력이 잘못되었습니다.") << "from below 1";
    form.fromText = "3";
    EXPECT_EQ(form.CheckOk(), "프레임 번호 입력이 잘못되었습니다.") << "to not past from";

    // The table shrank while the modeless dialog was open.
    AdvancedCommand command = Brightness(1, 0);
    command.from = 299;
    command.to = 300;
    table->frameCount = 200;
    const auto before = Block();
    EXPECT_FALSE(RunAdvancedAnimation(*table, store.get(), 0, command, chooser));
    EXPECT_EQ(ui.LastMessage(), "프레임 번호 입력이 잘못되었습니다.");
    EXPECT_EQ(Block(), before);
}

TEST_F(AdvancedEffectsTest, ModeOneProcessesTheRangeKeepingDelays) {
    Load(5);
    ui.Answer(true, 0);
    AdvancedCommand command = Brightness(1, 0);
    command.from = 2;
    command.to = 4;
    const CDib untouched = table->frameImages[4];
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 0, command, chooser));
    EXPECT_EQ(table->frameCount, 5);
    EXPECT_EQ(table->entries[1].delay, 11) << "delay -1 keeps each frame's";
    EXPECT_EQ(table->frameImages[1].PaletteColor(3), MakeRgb(0, 0, 0));
    EXPECT_EQ(table->frameImages[4], untouched);
    EXPECT_EQ(host.snapshots, 1);
}

TEST_F(AdvancedEffectsTest, NoiseFramesGetTheirOwnReproducibleSeeds) {
    Load(4);
    AdvancedRequest request;
    request.start = 0;
    request.count = 4;
    request.kind = kEffectNoise;
    request.first = {100, 0, 0, 0};
    request.last = {100, 0, 0, 0};
    RunChoices choices;
    RunAdvancedFrames(*table, store.get(), request, choices);
    const auto first = effectImaging.seeds;
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(std::set<std::uint32_t>(first.begin(), first.end()).size(), 4u)
        << "every frame its own noise";
    effectImaging.seeds.clear();
    RunAdvancedFrames(*table, store.get(), request, choices);
    EXPECT_EQ(effectImaging.seeds, first) << "the same run gives the same noise";
}

TEST_F(AdvancedEffectsTest, AFailedFilterKeepsTheFrameAndIsToldOnce) {
    Load(3);
    effectImaging.failFilters = true;
    std::vector<CDib> images(table->frameImages.begin(), table->frameImages.begin() + 3);
    AdvancedCommand command = Brightness(1, 0);
    command.kind = kEffectBlur;
    command.first = {3, 0, 0, 0};
    command.last = {3, 0, 0, 0};
    command.from = 1;
    command.to = 3;
    ui.Answer(true, 0);
    RunAdvancedAnimation(*table, store.get(), 0, command, chooser);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(table->frameImages[i], images[i]) << "frame " << i << " keeps its image";
    }
    int told = 0;
    for (const std::string& m : ui.Messages()) {
        told += m.find("효과를 적용하지 못해") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(told, 1) << "told once after the run";
}

// ---- Transparency through the filter kinds ----

TEST_F(AdvancedEffectsTest, TransparentPixelsSurviveHueAndBlur) {
    Load(1, true);
    std::vector<std::pair<int, int>> clear;
    for (std::int32_t y = 0; y < 6; ++y)
        for (std::int32_t x = 0; x < 8; ++x)
            if (table->frameImages[0].Index(x, y) == table->entries[0].transparentIndex)
                clear.emplace_back(x, y);
    ASSERT_EQ(clear.size(), 6u);
    for (auto [kind, value] : {std::pair{kEffectHue, 180}, std::pair{kEffectBlur, 3}}) {
        AdvancedRequest request;
        request.start = 0;
        request.count = 0;
        request.kind = kind;
        request.first = {value, 0, 0, 0};
        request.source = -1;
        RunAdvancedFrames(*table, nullptr, request, RunChoices{});
        const CDib& image = table->frameImages[0];
        const FrameEntry& entry = table->entries[0];
        ASSERT_TRUE(entry.transparent);
        std::vector<std::pair<int, int>> now;
        for (std::int32_t y = 0; y < 6; ++y) {
            for (std::int32_t x = 0; x < 8; ++x) {
                const int index = image.Index(x, y);
                EXPECT_LT(index, entry.colorCount) << "an index past colorCount";
                EXPECT_LT(index, image.ColorCount());
                if (index == entry.transparentIndex) now.emplace_back(x, y);
            }
        }
        EXPECT_EQ(now, clear) << "kind " << kind << " keeps exactly the transparent pixels";
        EXPECT_EQ(image.PaletteColor(entry.transparentIndex), entry.keyColor);
        EXPECT_NE(entry.keyColor, image.PaletteColor(0)) << "the key colour was chosen anew";
    }
}

// ---- The frame image effects (count 0) ----

TEST_F(AdvancedEffectsTest, BrightnessPreviewBackToZeroRestoresThePaletteExactly) {
    Load(2, true);
    const CDib original = table->frameImages[0];
    const FrameEntry originalEntry = table->entries[0];
    FrameEffectPreview preview;
    preview.Begin(*table, 0);
    FrameImageEffectForm form;
    form.listIndex = 0;  // 밝기
    form.Configure(true, true);
    form.values.texts[0] = "-1000";
    ASSERT_TRUE(preview.Apply(*table, form));
    EXPECT_EQ(table->frameImages[0].PaletteColor(4), MakeRgb(0, 0, 0));
    form.values.texts[0] = "0";
    ASSERT_TRUE(preview.Apply(*table, form));
    EXPECT_EQ(table->frameImages[0], original);
    EXPECT_EQ(table->entries[0], originalEntry);
    EXPECT_TRUE(ui.Log().empty()) << "count 0 asks nothing";
    preview.End(*table, true);
    EXPECT_TRUE(table->frameImages[kBaseSlot].IsEmpty());
}

TEST_F(AdvancedEffectsTest, CancelAfterStackedPreviewsGivesBackTheFrame) {
    Load(2, true);
    const CDib original = table->frameImages[0];
    const FrameEntry originalEntry = table->entries[0];
    FrameEffectPreview preview;
    preview.Begin(*table, 0);
    FrameImageEffectForm form;
    form.listIndex = 7;  // 색조 변경
    form.values.texts = {"180", "0", "0", "0"};
    ASSERT_TRUE(preview.Apply(*table, form));
    preview.KindChanged(*table);  // the hue becomes the base of the next kind
    form.listIndex = 0;
    form.values.texts = {"500", "0", "0", "0"};
    ASSERT_TRUE(preview.Apply(*table, form));
    EXPECT_NE(table->frameImages[0], original);
    preview.End(*table, false);
    EXPECT_EQ(table->frameImages[0], original) << "image byte-identical";
    EXPECT_EQ(table->entries[0], originalEntry) << "entry byte-identical";
}

TEST_F(AdvancedEffectsTest, RotationAndSizeChangeKeepAValidTransparentFrame) {
    Load(1);
    for (auto [kind, value] : {std::pair{kEffectRotation, 900}, std::pair{kEffectSizeChange, -500},
                               std::pair{kEffectSizeChange, 500}}) {
        AdvancedRequest request;
        request.start = 0;
        request.kind = kind;
        request.first = {value, 0, 0, 0};
        RunAdvancedFrames(*table, nullptr, request, RunChoices{});
        const CDib& image = table->frameImages[0];
        const FrameEntry& entry = table->entries[0];
        EXPECT_TRUE(entry.transparent) << "kind " << kind;
        EXPECT_EQ(entry.width, image.Width());
        EXPECT_EQ(entry.height, image.Height());
        EXPECT_EQ(entry.restoreBackground, 1);
        EXPECT_EQ(image.PaletteColor(entry.transparentIndex), entry.keyColor);
    }
    EXPECT_EQ(table->entries[0].width, 4) << "the shrink halved the frame";
    EXPECT_EQ(table->entries[0].left, 2) << "and centred it";
}

TEST_F(AdvancedEffectsTest, RotationWithAFillColourAsksAndWarnsOnTheKeyColour) {
    Load(2, true);
    AdvancedCommand command = Brightness(1, 0);
    command.kind = kEffectRotation;
    command.first = {900, 0, 0, 0};
    command.last = {900, 0, 0, 0};
    command.from = 1;
    command.to = 2;
    ui.Answer(true, 2);
    ui.Answer(false);  // not transparent: choose a colour
    ui.AnswerColor(table->entries[0].keyColor);
    ASSERT_TRUE(RunAdvancedAnimation(*table, store.get(), 0, command, chooser));
    ASSERT_GE(ui.colorQuestions.size(), 1u);
    EXPECT_EQ(ui.colorQuestions[0].caption, "회전 후의 빈 공간에 들어갈 색상 선택");
    EXPECT_TRUE(ui.Saw("1번 프레임에서 투명색으로 쓰이고 있는 색상과 회전 여백 색상이 같습니다."));

    ui.Answer(true, 2);
    ui.Answer(false);
    ui.CancelColor();
    const auto before = Block();
    EXPECT_FALSE(RunAdvancedAnimation(*table, store.get(), 0, command, chooser));
    EXPECT_EQ(Block(), before) << "cancelling the colour chooser changes nothing";
}

// ---- The dialog's rules ----

TEST(AdvancedEffectFormRules, ShowsDefaultsAndTheStoredKind) {
    AdvancedEffectForm form;
    form.Show(2, 5, 8);
    EXPECT_EQ(form.mode, 0);
    EXPECT_EQ(form.countText, "10");
    EXPECT_EQ(form.delayText, "5");
    EXPECT_EQ(form.fromText, "3");
    EXPECT_EQ(form.toText, "5");
    EXPECT_EQ(form.Kind(), kEffectApproach);
    EXPECT_EQ(form.first.texts[1], "128");
    for (int row = 0; row < 4; ++row) EXPECT_TRUE(form.RowVisible(row));
    form.Show(0, 5, -3);
    EXPECT_EQ(form.Kind(), kEffectBrightness) << "a negative stored index is the first kind";
    EXPECT_TRUE(form.RowVisible(0));
    EXPECT_FALSE(form.RowVisible(1));
    EXPECT_FALSE(form.WarningVisible());
    form.listIndex = 1;
    EXPECT_TRUE(form.WarningVisible());
    form.listIndex = 3;
    EXPECT_TRUE(form.WarningVisible());
}

TEST(AdvancedEffectFormRules, ClampsTheFieldsAndEnablesByMode) {
    AdvancedEffectForm form;
    form.Show(4, 5, 0);
    EXPECT_FALSE(form.ModeOneEnabled()) << "the current frame is the last";
    EXPECT_TRUE(form.CountFieldsEnabled());
    form.countText = "0";
    form.delayText = "12000";
    form.first.texts[0] = "5000";
    form.toText = "9";
    form.Configure(true, false);
    EXPECT_EQ(form.countText, "2");
    EXPECT_EQ(form.delayText, "9999");
    EXPECT_EQ(form.first.texts[0], "1000");
    EXPECT_EQ(form.toText, "5");
    EXPECT_TRUE(form.countRewritten && form.delayRewritten && form.toRewritten);
    EXPECT_TRUE(form.first.rewritten[0]);
    form.countText = "1";
    form.Configure(true, false);
    EXPECT_EQ(form.countText, "1");
    EXPECT_EQ(form.CheckOk(), "애니메이션 프레임 수는 1보다 커야 합니다.");
    form.delayText = "-4";
    form.Configure(true, false);
    EXPECT_EQ(form.delayText, "1");

    form.Show(1, 5, 0);
    form.mode = 1;
    form.Configure(false, false);
    EXPECT_TRUE(form.RangeFieldsEnabled());
    EXPECT_FALSE(form.CountFieldsEnabled());
}

}  // namespace
}  // namespace vorla
