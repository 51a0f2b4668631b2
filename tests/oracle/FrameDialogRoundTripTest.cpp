// A frame dialog session as the user ends it with 적용, then saved: giflib reads back what the
// session wrote into the entry, and one undo step takes the whole session back.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GiflibFile.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/FrameDialogSession.h"
#include "core/edit/FrameEditRules.h"
#include "core/edit/FrameTransparency.h"
#include "core/edit/Saving.h"
#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "imaging/MagickImaging.h"
#include "support/FakeHosts.h"
#include "support/GifBuilder.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::Bytes;

// Three 20 x 10 frames on a 40 x 30 screen, four colours each, no transparency.
Bytes ThreeFrames() {
    std::vector<test::Rgb> colours = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {90, 90, 90}};
    test::GifBuilder gif;
    gif.Screen(40, 30, colours).Loop(0);
    for (int k = 0; k < 3; ++k) {
        Bytes pixels(20 * 10);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>((i / 20 + i % 20 + k) % 3);
        gif.Control(1, 10 + k).Image(k, k, 20, 10, pixels);
    }
    return gif.Trailer().Get();
}

TEST(FrameDialogRoundTrip, AppliedFieldsReadBackThroughGiflibAndOneUndoRevertsTheSession) {
    test::TempDir dir;
    test::ScriptedUserInterface ui;
    test::StoringHost host;
    MagickImaging imaging;
    ApplicationState app(dir.Path().string() + "/", ui, 1200);
    app.zoomPercent = 100;
    FrameTable table(app, ui, imaging, host, Bytes{}, 0);
    UndoStore store(table.snapshotFilePath, ui);
    host.table = &table;
    host.store = &store;
    CAnvoDoc document;
    const std::string source = dir.Path().string() + "/three.gif";
    test::WriteBytes(source, ThreeFrames());
    DocumentLoader loader(table, document, ui);
    ASSERT_TRUE(loader.LoadDocument(source, nullptr, false));
    ASSERT_EQ(loader.RunDeferredGifLoad(), DocumentLoader::GifLoad::Complete);
    ASSERT_EQ(table.frameCount, 3);
    ASSERT_TRUE(edit::RecordSnapshot(table, store));  // the block an opened document starts with
    const std::vector<FrameEntry> entriesBefore(table.entries.begin(), table.entries.begin() + 3);
    const auto imageBefore = table.frameImages[1].ToBytes();

    edit::FrameDialogSession session;
    session.Begin(table, 1, false);
    edit::ApplyDelayText(table, 1, "123", false);
    edit::SetDisposalChoice(table.entries[1], edit::kDisposalRestoreBackground);
    ASSERT_TRUE(edit::MoveFrameTo(table, 1, 7, 15));
    ASSERT_TRUE(edit::SetFrameTransparency(table, 1, true));
    ASSERT_TRUE(edit::PickTransparentIndex(table, 1, 2));  // the blue pixels become transparent
    ASSERT_TRUE(session.Apply(table));
    ASSERT_TRUE(edit::RecordSnapshot(table, store));

    const std::string written = dir.Path().string() + "/edited.gif";
    GifEncoder encoder;
    ASSERT_TRUE(saving::SaveDocument(table, document, encoder, written));
    {
        test::GiflibFile file(written);
        ASSERT_TRUE(file.ok);
        ASSERT_EQ(file.gif->ImageCount, 3);
        const GraphicsControlBlock edited = file.Control(1);
        EXPECT_EQ(edited.DelayTime, 123);
        EXPECT_EQ(edited.DisposalMode, 2);
        const GifImageDesc& d = file.gif->SavedImages[1].ImageDesc;
        EXPECT_EQ(d.Left, 7);
        EXPECT_EQ(d.Top, 15);
        ASSERT_GE(edited.TransparentColor, 0);
        // Exactly the pixels that were blue carry the transparent index.
        int transparentPixels = 0;
        for (int p = 0; p < d.Width * d.Height; ++p) {
            const int x = p % d.Width;
            const int y = p / d.Width;
            const bool wasBlue = (y + x + 1) % 3 == 2;
            const bool isTransparent =
                file.gif->SavedImages[1].RasterBits[p] == edited.TransparentColor;
            EXPECT_EQ(isTransparent, wasBlue) << "pixel " << x << "," << y;
            transparentPixels += isTransparent;
        }
        EXPECT_GT(transparentPixels, 0);
        // The other frames keep what they had.
        EXPECT_EQ(file.Control(0).DelayTime, 10);
        EXPECT_EQ(file.Control(2).DelayTime, 12);
        EXPECT_EQ(file.Control(0).TransparentColor, NO_TRANSPARENT_COLOR);
    }

    ASSERT_EQ(edit::Undo(table, store, edit::UndoGuards{}), edit::UndoResult::Restored);
    ASSERT_EQ(table.frameCount, 3);
    for (std::size_t k = 0; k < 3; ++k) {
        FrameEntry have = table.entries[k];
        FrameEntry want = entriesBefore[k];
        have.selected = want.selected;
        have.gapSelected = want.gapSelected;
        EXPECT_TRUE(have == want) << "entry " << k;
    }
    EXPECT_EQ(table.frameImages[1].ToBytes(), imageBefore);
}

}  // namespace
}  // namespace vorla
