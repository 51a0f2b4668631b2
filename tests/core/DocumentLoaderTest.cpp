// The deferred GIF load as the view runs it: files longer than a document, cancelled and damaged
// loads, what each tells the user, and that the decoded pages never outlive the load.
#include "core/edit/DocumentLoader.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <numeric>

#include "core/edit/FrameEditRules.h"
#include "core/edit/Saving.h"
#include "core/gif/GifCanvas.h"
#include "core/gif/GifDecoder.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/GifBuilder.h"
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

// 650 frame-optimised images on an 8x6 screen: small patches wandering over it, disposals 0-3 in
// turn, a transparent index on every fifth, a local colour table on every seventh (so the screen
// mixes colours no single table holds), delays 1-7 cs.
std::vector<test::FakeImaging::Page> FrameOptimisedPages(int images) {
    using test::Rgb;
    test::GifBuilder gif;
    gif.Screen(8, 6, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}).Loop(0);
    const std::vector<Rgb> local{{9, 9, 9}, {200, 200, 0}, {0, 200, 200}, {200, 0, 200}};
    for (int i = 0; i < images; ++i) {
        const int w = 2 + i % 3, h = 1 + i % 4, left = (i * 3) % (9 - w), top = (i * 5) % (7 - h);
        test::Bytes pixels;
        for (int p = 0; p < w * h; ++p) pixels.push_back(static_cast<std::uint8_t>((i + p) % 4));
        gif.Control(i % 4, 1 + i % 7, i % 5 == 0 ? 3 : -1);
        gif.Image(left, top, w, h, pixels, false, i % 7 == 0 ? local : std::vector<Rgb>{}, 2);
    }
    std::vector<test::FakeImaging::Page> pages;
    GifDecoder::DecodeAllImages(gif.Trailer().Get(), std::numeric_limits<std::size_t>::max(),
                                [&](const GifPageInfo& info, CDib&& image) {
                                    pages.push_back({std::move(image), info});
                                    return true;
                                });
    return pages;
}

// What a viewer shows after drawing each image (or frame) in turn.
template <typename Draw>
std::vector<std::vector<std::uint32_t>> Screens(int count, int width, int height, Draw draw) {
    GifCanvas canvas;
    canvas.Reset(width, height);
    std::vector<std::vector<std::uint32_t>> screens;
    for (int i = 0; i < count; ++i) screens.push_back(draw(canvas, i));
    return screens;
}

TEST_F(DeferredGifLoadTest, LongFileLoadsTheChosenImagesAsTheFileShowsThem) {
    const auto pages = FrameOptimisedPages(650);
    const auto fileScreens = Screens(650, 8, 6, [&](GifCanvas& canvas, int i) {
        const auto& [image, info] = pages[static_cast<std::size_t>(i)];
        canvas.Draw(image, info.left, info.top,
                    GifCanvas::ColourValues(image, info.transparent ? info.transparentIndex : -1));
        auto screen = canvas.Pixels();
        canvas.Dispose((info.controlByte >> 2) & 7);
        return screen;
    });
    using Kind = LongGifWay::Kind;
    struct Case {
        LongGifWay way;
        int firstImage, step, frames;  // kept images: firstImage + n * step (0-based)
    } const cases[] = {
        {{Kind::First, 1, 1}, 0, 1, 300},
        {{Kind::From, 400, 1}, 399, 1, 251},   // 400..650: fewer than a document holds
        {{Kind::EveryKth, 1, 2}, 0, 3, 217},   // k below ceil(650 / 300) is raised to 3
        {{Kind::EveryKth, 1, 10}, 0, 10, 65},  // a larger k the user chose
        {{Kind::Cancel, 1, 1}, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("way " + std::to_string(static_cast<int>(c.way.kind)));
        table = NewTable(0);
        document = CAnvoDoc{};
        ui.Clear();
        imaging.gifs[kPath] = pages;
        ui.AnswerLongGif(c.way);
        const auto outcome = Load();
        EXPECT_EQ(outcome,
                  c.frames ? DocumentLoader::GifLoad::Complete : DocumentLoader::GifLoad::Declined);
        ASSERT_EQ(table->frameCount, c.frames);
        ASSERT_EQ(ui.Log().size(), 1u) << "the question only: " << ui.LastMessage();
        EXPECT_EQ(ui.Log()[0].message,
                  "이 파일에는 이미지가 650개 있습니다. 한 문서에는 300개까지 담을 수 있습니다.");
        if (!c.frames) continue;
        EXPECT_TRUE(table->settings.loopForever);
        const auto frameScreens = Screens(c.frames, 8, 6, [&](GifCanvas& canvas, int n) {
            const CDib& image = table->frameImages[static_cast<std::size_t>(n)];
            const FrameEntry& entry = table->entries[static_cast<std::size_t>(n)];
            canvas.Draw(
                image, entry.left, entry.top,
                GifCanvas::ColourValues(image, entry.transparent ? entry.transparentIndex : -1));
            auto screen = canvas.Pixels();
            canvas.Dispose(entry.WrittenDisposal());
            return screen;
        });
        int delays = 0, keptDelays = 0;
        for (int n = 0; n < c.frames; ++n) {
            const int image = c.firstImage + n * c.step;
            ASSERT_EQ(frameScreens[static_cast<std::size_t>(n)],
                      fileScreens[static_cast<std::size_t>(image)])
                << "frame " << n << " does not show image " << image + 1;
            // Every k-th: the skipped images' delays go to the kept one before them.
            int want = 0;
            for (int i = image; i < std::min(650, image + c.step); ++i) want += 1 + i % 7;
            EXPECT_EQ(edit::DelayOf(table->entries[static_cast<std::size_t>(n)]), want)
                << "frame " << n;
            keptDelays += want;
        }
        for (int i = 0; i < 650; ++i) delays += 1 + i % 7;
        if (c.step > 1) {
            EXPECT_EQ(keptDelays, delays) << "the whole recording's time";
        }
        ASSERT_TRUE(document.IsPartial()) << "the document lacks images of the file";
        EXPECT_EQ(document.partialLoadedImages, c.frames);
        ui.AnswerTwoChoice(kTwoChoiceCancel);
        EXPECT_EQ(saving::ConfirmOverwrite(ui, document, kPath), saving::OverwriteChoice::Cancel)
            << "saving over the file asks first";
    }
}

}  // namespace
}  // namespace vorla
