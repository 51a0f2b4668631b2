// The decoded pages of a GIF file: kept while a load reads them in order, never more than a
// document can hold, and dropped when the load ends.
#include "imaging/GifPageCache.h"

#include <gtest/gtest.h>

#include "support/GifBuilder.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

// A file of `count` 3 x 2 images; damaged from image `damagedAt` on when it is >= 0.
std::string MakeGif(const test::TempDir& dir, const std::string& name, int count,
                    int damagedAt = -1) {
    test::GifBuilder gif;
    gif.Screen(3, 2, {{0, 0, 0}, {255, 0, 0}});
    for (int k = 0; k < count; ++k) {
        gif.Control(1, 5);
        if (k == damagedAt) {
            gif.Raw({',', 0, 0, 0, 0});  // an image descriptor cut short
            break;
        }
        gif.Image(0, 0, 3, 2, test::Bytes(6, static_cast<std::uint8_t>(k % 2)), false, {}, 2);
    }
    if (damagedAt < 0) gif.Trailer();
    const std::string path = dir.File(name);
    test::WriteBytes(path, gif.Get());
    return path;
}

TEST(GifPageCache, KeepsNoMorePagesThanADocumentAndForgetsThemOnRelease) {
    test::TempDir dir;
    const std::string path = MakeGif(dir, "long.gif", 321);
    GifPageCache cache;
    EXPECT_EQ(cache.PageCount(path), 321) << "every image is counted";
    EXPECT_EQ(cache.HeldPages(), static_cast<std::size_t>(FrameTable::kMaxFrames));
    CDib image;
    GifPageInfo info;
    EXPECT_EQ(cache.Page(path, 299, image, info), ImagingResult::Ok);
    EXPECT_EQ(cache.Page(path, 300, image, info), ImagingResult::Failed)
        << "pages past a document's frames are not kept";
    EXPECT_GT(cache.HeldPages(), 0u) << "the last page handed out was not the file's last";
    cache.Release();
    EXPECT_EQ(cache.HeldPages(), 0u);
    // Asked again, the file is decoded afresh.
    EXPECT_EQ(cache.Page(path, 0, image, info), ImagingResult::Ok);
    EXPECT_EQ(image.Width(), 3);
}

TEST(GifPageCache, DamagePastTheKeptPagesStillCountsTheImagesBeforeIt) {
    test::TempDir dir;
    const std::string path = MakeGif(dir, "damaged.gif", 400, 350);
    GifPageCache cache;
    EXPECT_EQ(cache.PageCount(path), 350)
        << "the 350 images before the damage, though only 300 are kept";
    const std::string early = MakeGif(dir, "early.gif", 20, 7);
    EXPECT_EQ(cache.PageCount(early), 8);
    CDib image;
    GifPageInfo info;
    EXPECT_EQ(cache.Page(early, 7, image, info), ImagingResult::Failed);
}

TEST(GifPageCache, EveryPageKnowsWhetherTheFileLoops) {
    test::TempDir dir;
    test::GifBuilder gif;
    gif.Screen(2, 1, {{0, 0, 0}, {255, 255, 255}});
    gif.Image(0, 0, 2, 1, {0, 1}, false, {}, 2);
    gif.Loop(0);  // behind the first image, as some writers place it
    gif.Image(0, 0, 2, 1, {1, 0}, false, {}, 2);
    const std::string path = dir.File("late_loop.gif");
    test::WriteBytes(path, gif.Trailer().Get());
    GifPageCache cache;
    CDib image;
    GifPageInfo info;
    ASSERT_EQ(cache.Page(path, 0, image, info), ImagingResult::Ok);
    EXPECT_TRUE(info.loopBlock);
}

}  // namespace
}  // namespace vorla
