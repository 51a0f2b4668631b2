// The deferred GIF load as the view runs it: files longer than a document, cancelled and damaged
// loads, what each tells the user, and that the decoded pages never outlive the load.
#include "core/edit/DocumentLoader.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/edit/Saving.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

class DeferredGifLoadTest : public test::TableTest<> {
protected:
    DeferredGifLoadTest() { table = NewTable(0); }

    // A file of `images` images of which the first `present` can be read.
    void MakeGif(int images, int present) {
        GifPageInfo info;
        info.screenWidth = info.width = 4;
        info.screenHeight = info.height = 3;
        info.delay = 10;
        info.colorCount = 4;
        info.controlByte = 4;
        CDib image;
        image.Create(4, 3, 8, 256);
        auto& pages = imaging.gifs[kPath];
        for (int i = 0; i < present; ++i) pages.push_back({image, info});
        imaging.pageCounts[kPath] = images;
    }

    DocumentLoader::GifLoad Load() {
        table->sourceGifPath = kPath;
        DocumentLoader loader(*table, document, ui);
        return loader.RunDeferredGifLoad();
    }

    static constexpr const char* kPath = "/pictures/long.gif";
    std::unique_ptr<FrameTable> table;
    CAnvoDoc document;
};

TEST_F(DeferredGifLoadTest, LongFileLoadsThreeHundredAndSaysSoOnce) {
    MakeGif(321, 321);
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Complete);
    EXPECT_EQ(table->frameCount, 300);
    ASSERT_EQ(ui.Log().size(), 1u) << "one box, nothing else";
    EXPECT_EQ(ui.Log()[0].message,
              "이 파일에는 이미지가 321개 있습니다. 한 문서에는 300개까지만 담을 수 있어 처음 "
              "300개만 불러왔습니다.");
    EXPECT_EQ(ui.Log()[0].title, "long.gif");
    EXPECT_TRUE(document.IsPartial());
    EXPECT_EQ(document.partialSourcePath, kPath);
    EXPECT_EQ(document.partialSourceImages, 321);
    EXPECT_EQ(document.partialLoadedImages, 300);
    EXPECT_EQ(imaging.releases, 1) << "the pages past 300 are never read: release them";
    EXPECT_FALSE(table->busy);
    EXPECT_FALSE(table->loadingScreen);
}

TEST_F(DeferredGifLoadTest, FileThatFitsLoadsWhole) {
    MakeGif(300, 300);
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Complete);
    EXPECT_EQ(table->frameCount, 300);
    EXPECT_TRUE(ui.Log().empty()) << "first message: " << ui.LastMessage();
    EXPECT_FALSE(document.IsPartial());
    EXPECT_EQ(imaging.releases, 1);
}

TEST_F(DeferredGifLoadTest, CancelledLoadIsPartialWithoutAWord) {
    MakeGif(40, 40);
    ui.cancelAtPosition = 12;
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Cancelled);
    EXPECT_EQ(table->frameCount, 12);
    EXPECT_TRUE(ui.Log().empty()) << "the user stopped it: first message " << ui.LastMessage();
    EXPECT_TRUE(document.IsPartial()) << "saving over the file would still lose 28 images";
    EXPECT_EQ(document.partialSourceImages, 40);
    EXPECT_EQ(document.partialLoadedImages, 12);
    EXPECT_EQ(imaging.releases, 1);
    EXPECT_FALSE(table->App().openContinue);
}

TEST_F(DeferredGifLoadTest, QuittingProgramStopsTheLoadAsCancelWould) {
    MakeGif(40, 40);
    int pumps = 0;
    ui.onPump = [&] { ui.quitting = ++pumps >= 5; };
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Cancelled);
    EXPECT_EQ(table->frameCount, 5);
    EXPECT_TRUE(ui.Log().empty()) << "first message: " << ui.LastMessage();
    EXPECT_EQ(imaging.releases, 1);
    EXPECT_FALSE(table->busy);
}

TEST_F(DeferredGifLoadTest, DamagedFileReportsAndReleasesItsPages) {
    MakeGif(320, 7);  // image 8 cannot be read
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Damaged);
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].message, "손상된 GIF파일입니다.");
    EXPECT_EQ(imaging.releases, 1);
    EXPECT_FALSE(table->busy);
}

TEST_F(DeferredGifLoadTest, FileCutShortKeepsItsReadablePartSaysSoAndGuardsTheFile) {
    MakeGif(2, 2);
    imaging.gifs[kPath][1].info.cutShort = true;  // the file ends inside image 2
    EXPECT_EQ(Load(), DocumentLoader::GifLoad::Complete);
    EXPECT_EQ(table->frameCount, 2);
    ASSERT_EQ(ui.Log().size(), 1u) << "one box, nothing else";
    EXPECT_EQ(ui.Log()[0].message, DocumentLoader::kCutShortLoadText);
    EXPECT_EQ(ui.Log()[0].title, "long.gif");
    EXPECT_TRUE(document.IsPartial() && document.partialDamaged);
    EXPECT_EQ(saving::PartialOverwriteText(document),
              "이 파일은 손상되어 읽을 수 있는 부분만 불러왔습니다. 저장하면 읽지 못한 부분이 "
              "파일에서 사라집니다. 덮어쓰겠습니까?");
}

}  // namespace
}  // namespace vorla
