#include <gtest/gtest.h>

#include <memory>

#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

CDib SmallFrame(int width, int height, int colors) {
    CDib dib;
    dib.Create(width, height, 8, 256);
    for (int i = 0; i < colors; ++i) dib.SetPaletteColor(i, MakeRgb(i * 3, i * 5, i * 7));
    return dib;
}

GifPageInfo PageInfo(int width, int height) {
    GifPageInfo info;
    info.screenWidth = width;
    info.screenHeight = height;
    info.width = width;
    info.height = height;
    info.delay = 10;
    info.colorCount = 256;
    info.controlByte = 4;
    return info;
}

class FrameTableTest : public test::TableTest<> {
protected:
    FrameTableTest() { table = NewTable(2); }

    void AddGifPages(const std::string& path, int count, GifPageInfo info) {
        auto& pages = imaging.gifs[path];
        for (int i = 0; i < count; ++i)
            pages.push_back({SmallFrame(info.width, info.height, 4), info});
    }

    std::unique_ptr<FrameTable> table;
};

TEST_F(FrameTableTest, HoldsThreeHundredFramesAndRefusesTheNext) {
    AddGifPages("a.gif", 301, PageInfo(4, 3));
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(table->AddFrameFromSource(2, "a.gif", i), FrameTable::kAddDone) << "frame " << i;
    }
    EXPECT_EQ(table->frameCount, 300);
    FrameEntry spare = table->entries[300];
    EXPECT_EQ(table->AddFrameFromSource(2, "a.gif", 300), FrameTable::kAddTableFull);
    EXPECT_EQ(table->frameCount, 300);
    EXPECT_EQ(table->entries[300], spare);
    EXPECT_TRUE(table->frameImages[300].IsEmpty()) << "the spare slot stays free";
    // Display images of every frame were built although batches run only at 1, 6, 11, ...
    table->RebuildDisplayImages(-1, true, true, false);
    EXPECT_EQ(table->DisplayImage(299).Width(), 4);
    EXPECT_TRUE(table->displayImages[299].IsEmpty()) << "at 100 % the frame is shown itself";
}

TEST_F(FrameTableTest, EmptyTableScrollsOverOneHundredEightyPixels) {
    table->SetZoom(-1, -1, false);
    EXPECT_EQ(table->displayHeight, 0);
    EXPECT_EQ(table->stripRowHeight, 5);
    EXPECT_EQ(table->UpdateScrollSizes(), std::make_pair(1, 180));
    EXPECT_EQ(host.scrollHeight, 180);
    EXPECT_EQ(table->childWidth, 275);
    EXPECT_EQ(host.childHeight, 230) << "scroll total + 50 when smaller than the main window";
}

TEST_F(FrameTableTest, KeyColourIsTheFirstFreeGridColourBlueInnermost) {
    GifPageInfo info = PageInfo(2, 2);
    info.transparent = true;
    info.transparentIndex = 1;
    info.colorCount = 2;
    CDib image = SmallFrame(2, 2, 0);
    image.SetPaletteColor(0, MakeRgb(0, 0, 0));
    image.SetPaletteColor(1, MakeRgb(0, 0, 40));
    imaging.gifs["t.gif"].push_back({image, info});
    ASSERT_EQ(table->AddFrameFromSource(2, "t.gif", 0), FrameTable::kAddDone);
    const FrameEntry& entry = table->entries[0];
    // (0,0,0)..(0,0,48) lie within 16 of an entry; (0,0,64) is the first free one.
    EXPECT_EQ(entry.keyColor, MakeRgb(0, 0, 64));
    EXPECT_EQ(entry.transparentColor, MakeRgb(0, 0, 40));
    EXPECT_EQ(table->PaletteColor(0, 1), MakeRgb(0, 0, 64));
    EXPECT_EQ(table->PaletteColor(0, 0), MakeRgb(0, 0, 0));
}

TEST_F(FrameTableTest, FullPaletteReportsNoKeyColourAndUsesLightGrey) {
    GifPageInfo info = PageInfo(2, 2);
    info.transparent = true;
    info.transparentIndex = 0;
    CDib image = SmallFrame(2, 2, 0);
    // Six values per channel lie within 16 of all sixteen grid steps: 216 entries cover the grid.
    const int levels[] = {16, 64, 112, 160, 208, 240};
    int index = 0;
    for (int r : levels)
        for (int g : levels)
            for (int b : levels) image.SetPaletteColor(index++, MakeRgb(r, g, b));
    imaging.gifs["full.gif"].push_back({image, info});
    ASSERT_EQ(table->AddFrameFromSource(2, "full.gif", 0), FrameTable::kAddDone);
    EXPECT_TRUE(ui.Saw("프로그램 오류 (52475)"));
    EXPECT_EQ(table->entries[0].keyColor, MakeRgb(240, 240, 240));
}

TEST_F(FrameTableTest, DecodedValuesBecomeTheEntry) {
    GifPageInfo opaque = PageInfo(3, 3);
    opaque.colorCount = 16;
    opaque.delay = -1;          // no graphic control: plays at 50
    opaque.controlByte = 0x08;  // disposal 2
    opaque.transparentIndex = 3;
    GifPageInfo previous = PageInfo(3, 3);
    previous.controlByte = 0x0C;  // disposal 3
    previous.left = 5;
    previous.top = 9;
    CDib image = SmallFrame(3, 3, 16);
    imaging.gifs["v.gif"] = {{image, opaque}, {image, previous}};
    ASSERT_EQ(table->AddFrameFromSource(2, "v.gif", 0), FrameTable::kAddDone);
    ASSERT_EQ(table->AddFrameFromSource(2, "v.gif", 1), FrameTable::kAddDone);
    const FrameEntry& first = table->entries[0];
    EXPECT_EQ(first.delay, 50);
    EXPECT_EQ(first.transparentIndex, 15) << "opaque frames keep colorCount - 1";
    EXPECT_EQ(first.restoreBackground, 1);
    EXPECT_EQ(table->PaletteColor(0, 15), image.PaletteColor(15)) << "palette untouched";
    const FrameEntry& second = table->entries[1];
    EXPECT_EQ(second.restoreBackground, 0) << "disposal 3 is not restore-to-background";
    EXPECT_EQ(second.controlFlags, 0x0C);
    EXPECT_EQ(table->settings.screenWidth, 8) << "the screen grows to cover every frame";
    EXPECT_EQ(table->settings.screenHeight, 12);
    EXPECT_FALSE(table->settings.loopForever) << "a file without a looping block plays once";
    EXPECT_TRUE(table->firstBatchPending);
    EXPECT_EQ(host.playbackResets, 1);
}

TEST_F(FrameTableTest, LoopingFollowsTheFirstGifFileOnly) {
    GifPageInfo looping = PageInfo(3, 3);
    looping.loopBlock = true;
    imaging.gifs["loop.gif"] = {{SmallFrame(3, 3, 16), looping}};
    imaging.gifs["once.gif"] = {{SmallFrame(3, 3, 16), PageInfo(3, 3)}};
    ASSERT_EQ(table->AddFrameFromSource(2, "loop.gif", 0), FrameTable::kAddDone);
    EXPECT_TRUE(table->settings.loopForever);
    ASSERT_EQ(table->AddFrameFromSource(2, "once.gif", 0), FrameTable::kAddDone);
    EXPECT_TRUE(table->settings.loopForever) << "later frames leave the document's looping";

    // Collected files are told apart by their first bytes.
    const std::string collected = dir.File("once.gif");
    test::WriteBytes(collected, {'G', 'I', 'F', '8', '9', 'a'});
    imaging.gifs[collected] = imaging.gifs["once.gif"];
    FrameTable once(app, ui, imaging, host, {}, 2);
    ASSERT_EQ(once.AddFrameFromSource(3, collected, 0), FrameTable::kAddDone);
    EXPECT_FALSE(once.settings.loopForever) << "a GIF collected first decides as well";
    EXPECT_EQ(imaging.releases, 1) << "only page 0 of a collected GIF is wanted";

    imaging.stills["p.png"] = SmallFrame(4, 4, 3);
    FrameTable still(app, ui, imaging, host, {}, 3);
    ASSERT_EQ(still.AddFrameFromSource(1, "p.png", 0), FrameTable::kAddDone);
    EXPECT_TRUE(still.settings.loopForever) << "other sources loop";
}

TEST_F(FrameTableTest, WideAnimationsOpenAtHalfZoom) {
    AddGifPages("wide.gif", 1, PageInfo(401, 10));  // threshold is 1200 / 3 = 400
    AddGifPages("narrow.gif", 1, PageInfo(400, 10));
    table->AddFrameFromSource(2, "wide.gif", 0);
    EXPECT_EQ(app.zoomPercent, 50);
    EXPECT_EQ(table->displayWidth, 200);

    FrameTable narrow(app, ui, imaging, host, {}, 3);
    narrow.AddFrameFromSource(2, "narrow.gif", 0);
    EXPECT_EQ(app.zoomPercent, 100) << "one document: a narrow animation opens at 100 %";

    app.zoomPercent = 30;
    host.documents = 2;
    FrameTable second(app, ui, imaging, host, {}, 4);
    second.AddFrameFromSource(2, "narrow.gif", 0);
    EXPECT_EQ(app.zoomPercent, 30) << "with two documents a narrow one leaves the zoom";
    EXPECT_EQ(host.repaintAll, 0);
    FrameTable third(app, ui, imaging, host, {}, 1);
    third.AddFrameFromSource(2, "wide.gif", 0);
    EXPECT_EQ(app.zoomPercent, 50);
    EXPECT_EQ(host.repaintAll, 1) << "a shared zoom change repaints every document";
}

TEST_F(FrameTableTest, StillImagesImportWithFixedValues) {
    imaging.stills["p.png"] = SmallFrame(6, 5, 3);
    ASSERT_EQ(table->AddFrameFromSource(3, "p.png", 0), FrameTable::kAddDone);
    const FrameEntry& entry = table->entries[0];
    EXPECT_EQ(entry.delay, 50);
    EXPECT_EQ(entry.transparent, 0);
    EXPECT_EQ(entry.controlFlags, 4);
    EXPECT_EQ(entry.transparentIndex, 255);
    EXPECT_EQ(entry.colorCount, 256);
    EXPECT_EQ(entry.width, 6);
    EXPECT_EQ(host.imported, 1);
    EXPECT_EQ(host.modified, 0) << "the first frame does not mark the document modified";

    const std::size_t shown = ui.Log().size();
    EXPECT_EQ(table->AddFrameFromSource(1, "/some/where/broken.png", 0), FrameTable::kAddFailed);
    ASSERT_EQ(ui.Log().size(), shown + 2) << "two boxes for an unreadable picture";
    EXPECT_EQ(ui.Log()[shown].kind, test::ScriptedUserInterface::Shown::Kind::Message);
    EXPECT_EQ(ui.Log()[shown].message, "읽을 수 없는 파일입니다.");
    EXPECT_EQ(ui.Log().back().title, "broken.png");
    EXPECT_EQ(ui.Log().back().message, "지원하지 않는 형식이거나 손상된 파일입니다.");
    EXPECT_EQ(table->frameCount, 1);

    EXPECT_EQ(table->AddFrameFromSource(7, "p.png", 0), FrameTable::kAddDone);
    EXPECT_TRUE(ui.Saw("프로그램 오류 (04214)"));
    EXPECT_EQ(table->frameCount, 1);
}

TEST_F(FrameTableTest, SelectionCountStopsAtTheFirstSelectedGap) {
    AddGifPages("s.gif", 5, PageInfo(2, 2));
    for (int i = 0; i < 5; ++i) table->AddFrameFromSource(2, "s.gif", i);
    table->entries[1].selected = 1;
    table->entries[3].selected = 1;
    EXPECT_EQ(table->CountSelection(), 2);
    EXPECT_EQ(table->lastSelectedFrame, 3);
    EXPECT_EQ(table->selectedGapIndex, -2);
    table->ClearSelection(true, 3);
    EXPECT_EQ(table->CountSelection(), 1);
    table->entries[2].gapSelected = 1;
    EXPECT_EQ(table->CountSelection(), -1);
    EXPECT_EQ(table->selectedGapIndex, 1);
    table->ClearSelection(false, -1);
    table->gapAfterLastSelected = true;
    EXPECT_EQ(table->CountSelection(), -1);
    EXPECT_EQ(table->selectedGapIndex, 4);
}

TEST_F(FrameTableTest, RemovingFramesClosesTheGap) {
    AddGifPages("r.gif", 3, PageInfo(2, 2));
    for (int i = 0; i < 3; ++i) table->AddFrameFromSource(2, "r.gif", i);
    table->entries[0].delay = 1;
    table->entries[1].delay = 2;
    table->entries[2].delay = 3;
    table->RemoveFrame(2);
    EXPECT_EQ(table->frameCount, 2);
    EXPECT_EQ(table->entries[1].delay, 2) << "removing the last frame only lowers the count";
    table->RemoveFrame(0);
    EXPECT_EQ(table->frameCount, 1);
    EXPECT_EQ(table->entries[0].delay, 2);
}

TEST_F(FrameTableTest, RestoringEntriesKeepsOrRestoresTheSelection) {
    AddGifPages("e.gif", 2, PageInfo(2, 2));
    for (int i = 0; i < 2; ++i) table->AddFrameFromSource(2, "e.gif", i);
    table->entries[0].selected = 1;
    table->SnapshotEntries();
    table->entries[0].delay = 99;
    table->entries[0].selected = 0;
    table->entries[1].selected = 1;
    table->RestoreEntries(false);
    EXPECT_EQ(table->entries[0].delay, 10);
    EXPECT_EQ(table->entries[0].selected, 0);
    EXPECT_EQ(table->entries[1].selected, 1);
    table->RestoreEntries(true);
    EXPECT_EQ(table->entries[0].selected, 1);
    EXPECT_EQ(table->entries[1].selected, 0);
}

TEST_F(FrameTableTest, DisplayImagesFollowTheZoomWithExactIndices) {
    CDib image = SmallFrame(10, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) image.SetIndex(x, y, static_cast<std::uint8_t>(x % 4));
    imaging.gifs["z.gif"].push_back({image, PageInfo(10, 4)});
    table->AddFrameFromSource(2, "z.gif", 0);
    app.zoomPercent = 50;
    table->SetZoom(-1, -1, false);
    table->RebuildDisplayImages(-1, false, false, false);
    const CDib& shown = table->displayImages[0];
    EXPECT_EQ(shown.Width(), 5);
    EXPECT_EQ(shown.Height(), 2);
    EXPECT_EQ(shown.ColorTable(), image.ColorTable());
    EXPECT_EQ(shown.Index(1, 0), 3) << "nearest neighbour keeps palette indices";
    EXPECT_EQ(host.snapshots, 1);
    EXPECT_EQ(host.modified, 1);
    table->rebuildSuspend = 1;
    table->RebuildDisplayImages(-1, false, false, false);
    EXPECT_EQ(host.snapshots, 1) << "suspended rebuilds do nothing";
}

}  // namespace
}  // namespace vorla
