// The optimising writer on crafted animations: every written file must decode (with the
// program's own decoder) to the stored frames' composited screens, and be smaller where the
// frames repeat. Each animation says what is hard about it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/edit/OptimizedSave.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifLzwEncoder.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/CDib.h"
#include "support/GifBuilder.h"

namespace vorla {
namespace {

// Frames held for a GifSourceAnimation, which only points at them.
struct Animation {
    std::vector<std::unique_ptr<CDib>> images;
    GifSourceAnimation source;

    Animation(int width, int height, bool loop = true) {
        source.screenWidth = width;
        source.screenHeight = height;
        source.loop = loop;
    }
    // A frame of w x h at (left, top) whose pixel (x, y) is index(x, y); palette entry i is
    // color(i) for i below colors.
    CDib& Add(int left, int top, int w, int h, int colors,
              const std::function<Colorref(int)>& color, const std::function<int(int, int)>& index,
              int delay = 5, int disposal = 1, int transparentIndex = -1) {
        auto image = std::make_unique<CDib>();
        image->Create(w, h, 8, colors);
        for (int i = 0; i < colors; ++i) image->SetPaletteColor(i, color(i));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image->SetIndex(x, y, static_cast<std::uint8_t>(index(x, y)));
        source.frames.push_back({image.get(), left, top, delay, disposal, transparentIndex});
        images.push_back(std::move(image));
        return *images.back();
    }
};

Colorref Gray(int i) {
    return MakeRgb(i, 255 - i, (i * 7) & 0xFF);
}

GifOptimizeResult Optimize(const Animation& a) {
    GifOptimizeResult result = OptimizeGif(a.source);
    EXPECT_EQ(result.status, GifOptimizeResult::Status::Written) << result.error;
    EXPECT_EQ(VerifyOptimizedGif(a.source, result.bytes), "");
    std::size_t sum = 0;
    for (std::size_t b : result.frameBytes) sum += b;
    EXPECT_LT(sum, result.bytes.size()) << "frame costs are parts of the file";
    return result;
}

struct WrittenImage {
    GifPageInfo page;
    int codeSize = 0;
    bool localTable = false;
};

// The images of a stream as the decoder reads them, with each image's LZW code size.
std::vector<WrittenImage> Images(const std::vector<std::uint8_t>& bytes) {
    std::vector<WrittenImage> images;
    GifDecoder::DecodeAllImages(bytes, 10000, [&](const GifPageInfo& page, CDib&&) {
        images.push_back({page, 0, false});
        return true;
    });
    // The code sizes: walk the blocks.
    std::size_t at = 13;
    if (bytes[10] & 0x80) at += 3u << ((bytes[10] & 7) + 1);
    std::size_t k = 0;
    while (at < bytes.size() && bytes[at] != 0x3B) {
        if (bytes[at] == 0x21) {
            at += 2;
        } else {
            const std::uint8_t packed = bytes[at + 9];
            at += 10;
            if (packed & 0x80) at += 3u << ((packed & 7) + 1);
            if (k < images.size()) {
                images[k].codeSize = bytes[at];
                images[k].localTable = (packed & 0x80) != 0;
            }
            ++k;
            ++at;
        }
        while (bytes[at] != 0) at += bytes[at] + 1u;
        ++at;
    }
    return images;
}

// A 64 x 48 field of 40 colours with a 6 x 6 square moving over it.
Animation MovingSquare(int frames) {
    Animation a(64, 48);
    for (int k = 0; k < frames; ++k) {
        a.Add(0, 0, 64, 48, 41, Gray, [k](int x, int y) {
            if (x >= 5 + 4 * k && x < 11 + 4 * k && y >= 10 && y < 16) return 40;
            return (x / 3 + y / 5) % 40;
        });
    }
    return a;
}

TEST(GifOptimizer, StoresOnlyWhatChangesAndShowsTheSameFrames) {
    const Animation a = MovingSquare(8);
    const GifOptimizeResult result = Optimize(a);
    EXPECT_TRUE(result.globalTable) << "41 colours fit one table";
    const auto images = Images(result.bytes);
    ASSERT_EQ(images.size(), 8u);
    EXPECT_EQ(images[0].page.width, 64);
    for (std::size_t k = 1; k < images.size(); ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        // The old square's place and the new one: 10 x 6 at x = 4k + 1.
        EXPECT_EQ(images[k].page.left, 1 + 4 * static_cast<int>(k));
        EXPECT_EQ(images[k].page.top, 10);
        EXPECT_EQ(images[k].page.width, 10);
        EXPECT_EQ(images[k].page.height, 6);
        EXPECT_FALSE(images[k].localTable);
        EXPECT_LT(result.frameBytes[k], result.frameBytes[0] / 4);
    }
}

TEST(GifOptimizer, RepeatedFrameJoinsTheImageBeforeOrKeepsItsDelayInOnePixel) {
    // A frame showing the screen before it adds its delay to that image, unless merging is off
    // or a delay is one viewers stretch (below 2) or the sum would not fit 16 bits.
    struct Case {
        int first, second;
        bool merge;
        int images;  // 1: merged, delay first + second
    };
    for (const Case c : {Case{7, 300, true, 1}, Case{7, 300, false, 2}, Case{7, 1, true, 2},
                         Case{0, 0, true, 2}, Case{65000, 1000, true, 2}}) {
        SCOPED_TRACE(std::to_string(c.first) + "+" + std::to_string(c.second));
        Animation a(20, 10);
        auto pattern = [](int x, int y) { return (x + y) % 3; };
        a.Add(0, 0, 20, 10, 3, Gray, pattern, c.first);
        a.Add(0, 0, 20, 10, 3, Gray, pattern, c.second);
        const GifOptimizeOptions options{0, c.merge};
        GifOptimizeResult result = OptimizeGif(a.source, {}, options);
        EXPECT_EQ(VerifyOptimizedGif(a.source, result.bytes, {}, options), "");
        const auto images = Images(result.bytes);
        ASSERT_EQ(images.size(), static_cast<std::size_t>(c.images));
        if (c.images == 2) {
            EXPECT_EQ(images[1].page.width * images[1].page.height, 1);
            EXPECT_EQ(images[1].page.delay, c.second);
            continue;
        }
        EXPECT_TRUE(images[0].page.delay == c.first + c.second && result.frameBytes[1] == 0);
        // The verification accounts for every delay: one centisecond off is a fault.
        const std::uint8_t control[] = {0x21, 0xF9};
        ++std::search(result.bytes.begin(), result.bytes.end(), control, control + 2)[4];
        EXPECT_NE(VerifyOptimizedGif(a.source, result.bytes, {}, options), "");
    }
}

TEST(GifOptimizer, AWholeGifIsReadAsTheEditorOpensItBeyondADocumentsFrames) {
    // 305 images, more than a document holds; the last without a control block and past the
    // screen's edge.
    test::GifBuilder gif;
    gif.Screen(8, 6, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    for (int k = 0; k < 305; ++k) {
        gif.Control(k % 3 + 1, 4)
            .Image(0, 0, 8, 6, test::Bytes(48, std::uint8_t(k % 4)), false, {}, 2);
    }
    const test::Bytes whole =
        gif.Image(6, 4, 4, 4, test::Bytes(16, 1), false, {}, 2).Trailer().Get();
    optimized::OwnedAnimation animation;
    std::string problem;
    ASSERT_TRUE(optimized::ReadWholeGif(whole, animation, problem)) << problem;
    const GifSourceAnimation& s = animation.source;
    ASSERT_EQ(s.frames.size(), 306u);
    EXPECT_TRUE(s.screenWidth == 10 && s.screenHeight == 8);
    EXPECT_FALSE(s.loop) << "no looping block";
    EXPECT_EQ(s.frames[1].disposal, 2);
    EXPECT_EQ(s.frames.back().delay, kDelayWithoutControl);
    // Cut inside an image's data, before any image, or more than may be held: refused, nothing
    // kept.
    const std::uint64_t all = optimized::kMaxWholeGifBytes;
    for (const auto& [cut, most] : std::initializer_list<std::pair<std::size_t, std::uint64_t>>{
             {whole.size() / 2, all}, {13, all}, {whole.size(), 48 * 300}}) {
        problem.clear();
        EXPECT_FALSE(
            optimized::ReadWholeGif(std::span(whole.data(), cut), animation, problem, most));
        EXPECT_TRUE(!problem.empty() && animation.source.frames.empty());
    }
}

TEST(GifOptimizer, FramesThatClearNeedRestoreToBackgroundWithATransparentIndex) {
    // A blinking sprite on a transparent screen: every other frame clears the sprite, which
    // only disposal 2 (or 3) of the frame before can do.
    Animation a(30, 20);
    for (int k = 0; k < 6; ++k) {
        if (k % 2 == 0) {
            a.Add(
                5 + k, 4, 8, 8, 4, Gray, [](int x, int y) { return (x * y) % 3 + 1; }, 4, 2, 0);
        } else {
            a.Add(
                0, 0, 2, 2, 2, Gray, [](int, int) { return 0; }, 4, 1, 0);
        }
    }
    const GifOptimizeResult result = Optimize(a);
    for (const WrittenImage& image : Images(result.bytes)) {
        const int disposal = (image.page.controlByte >> 2) & 7;
        EXPECT_GE(disposal, 1) << "disposal 0 means different things to different readers";
        EXPECT_LE(disposal, 3);
        if (disposal == 2) {
            EXPECT_TRUE(image.page.transparent) << "disposal 2 without an index";
        }
    }
    EXPECT_TRUE(Images(result.bytes)[0].page.transparent)
        << "the first frame shows transparent pixels";
}

TEST(GifOptimizer, RestoreToPreviousOverlayComesBackOrIsRedrawn) {
    // A caption shown for one frame over a picture, then taken away by disposal 3; the picture
    // underneath changes in the frame after.
    Animation a(40, 30, false);
    auto picture = [](int x, int y) { return (x / 4 + y / 3) % 12; };
    a.Add(0, 0, 40, 30, 12, Gray, picture, 10, 1);
    a.Add(
        8, 8, 20, 6, 3, [](int i) { return MakeRgb(250, i * 90, 0); },
        [](int x, int) { return x % 2 + 1; }, 10, 3, 0);
    a.Add(
        30, 20, 4, 4, 2, Gray, [](int x, int) { return x % 2; }, 10, 1);
    a.Add(0, 0, 40, 30, 12, Gray, picture, 10, 1);
    const GifOptimizeResult result = Optimize(a);
    const auto images = Images(result.bytes);
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].page.controlByte & 0x1C, 4) << "no loop, no looping block: "
                                                    << "the stored screens decide";
}

TEST(GifOptimizer, ManyColoursGoToLocalTablesThatFitEachImage) {
    // 8 frames of 200 colours each, all different: 1600 colours cannot share a table; frames at
    // offsets with restore-to-previous mix colours of several frames on one screen.
    Animation a(48, 32);
    for (int k = 0; k < 8; ++k) {
        a.Add(
            k * 3, k % 3, 24, 20, 200, [k](int i) { return MakeRgb(i, k * 30, 255 - i); },
            [k](int x, int y) { return (x * 7 + y * 11 + k) % 200; }, 3, k % 3 == 1 ? 3 : 1);
    }
    const GifOptimizeResult result = Optimize(a);
    EXPECT_FALSE(result.globalTable);
    for (const WrittenImage& image : Images(result.bytes)) {
        EXPECT_TRUE(image.localTable);
        EXPECT_LE(image.page.colorCount, 256);
    }
}

TEST(GifOptimizer, AllTwoHundredFiftySixColoursShareTheGlobalTable) {
    // One palette of 256 colours, as a video quantised to a shared palette is: one global
    // table, each later image's transparent index one its changes leave free. The last frame
    // draws all 256 and clears behind it: no index is free there, so it needs a table of its own.
    Animation a(64, 16);
    a.Add(0, 0, 64, 16, 256, Gray, [](int x, int y) { return (x + 64 * y) % 256; });
    a.Add(0, 0, 64, 16, 256, Gray, [](int x, int y) { return (x + 64 * y + (x < 8)) % 256; });
    a.Add(
        0, 0, 64, 16, 256, Gray, [](int x, int y) { return (x * 5 + 64 * y) % 256; }, 5, 2);
    a.Add(
        0, 0, 64, 16, 256, Gray, [](int x, int) { return x; }, 5, 1, 0);
    const GifOptimizeResult result = Optimize(a);
    EXPECT_TRUE(result.globalTable);
    const auto images = Images(result.bytes);
    ASSERT_EQ(images.size(), 4u);
    EXPECT_FALSE(images[1].localTable);
}

TEST(GifOptimizer, CodeSizeFollowsTheIndicesAnImageUses) {
    // 100 colours overall, but after the first frame only the two most used ones change: the
    // global table has 128 entries, those frames need only 2-bit codes.
    Animation a(50, 50);
    a.Add(0, 0, 50, 50, 100, Gray,
          [](int x, int y) { return x < 25 ? (x + y) % 2 : (x * 50 + y) % 100; });
    for (int k = 1; k < 4; ++k) {
        a.Add(0, 0, 50, 50, 100, Gray, [k](int x, int y) {
            return x < 25 ? (x + y + (y < 10 * k)) % 2 : (x * 50 + y) % 100;
        });
    }
    const GifOptimizeResult result = Optimize(a);
    const auto images = Images(result.bytes);
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].codeSize, 7);
    for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(images[k].codeSize, 2) << "frame " << k;
}

TEST(GifOptimizer, FramesPartlyOffTheScreenAndOddDelays) {
    Animation a(16, 16);
    a.Add(
        -4, -4, 12, 12, 5, Gray, [](int x, int y) { return (x ^ y) % 5; }, 0);
    a.Add(
        10, 10, 12, 12, 5, Gray, [](int x, int) { return x % 5; }, -2);
    a.Add(
        3, 3, 4, 4, 2, Gray, [](int, int) { return 1; }, 65535, 2, 0);
    Optimize(a);
}

TEST(GifOptimizer, LossyLevelsStayWithinTheirToleranceAndShrinkTheFile) {
    // Grain over a ramp of near colours: one global table; two frames of 200 colours each: local
    // tables; a cleared hole with restore to background: transparency, which must stay exact.
    auto grain = [](int x, int y, int k) {
        return (x * 3 + y + (x * 13 ^ y * 7 ^ k * 5) % 9) % 250;
    };
    auto ramp = [](int i) { return MakeRgb(i, i, 255 - i / 2); };
    Animation global(64, 48);
    for (int k = 0; k < 4; ++k) {
        global.Add(0, 0, 64, 48, 250, ramp, [&](int x, int y) { return grain(x, y, k); });
    }
    Animation local(48, 32);
    for (int k = 0; k < 2; ++k) {
        local.Add(
            0, 0, 48, 32, 200, [k](int i) { return MakeRgb(i, k * 90, 200 - i); },
            [&](int x, int y) { return grain(x, y, k) % 200; });
    }
    Animation holed(40, 30);
    for (int k = 0; k < 3; ++k) {
        holed.Add(
            0, 0, 40, 30, 251, ramp,
            [&](int x, int y) {
                return (x - 20) * (x - 20) + (y - 15) * (y - 15) < 40 + 30 * k ? 250
                                                                               : grain(x, y, k);
            },
            4, 2, 250);
    }
    // A slow fade drawn as small patches, as frame-optimised files store it: colours kept from
    // frame to frame must still be redrawn once the fade has gone past the tolerance, also where
    // the frames in between do not touch them.
    Animation fade(32, 32);
    fade.Add(0, 0, 32, 32, 250, ramp, [](int x, int y) { return x + y; });
    for (int k = 1; k < 12; ++k) {
        const int left = k % 2 == 0 ? 0 : 16;
        fade.Add(left, 0, 16, 32, 250, ramp, [&](int x, int y) { return left + x + y + 3 * k; });
    }
    for (const Animation* a : {&global, &local, &holed, &fade}) {
        std::size_t lossless = 0;
        for (const int level : {0, 20, 60, 100}) {
            SCOPED_TRACE(level);
            const GifOptimizeResult result = OptimizeGif(a->source, {}, {level});
            ASSERT_EQ(result.status, GifOptimizeResult::Status::Written) << result.error;
            EXPECT_EQ(VerifyOptimizedGif(a->source, result.bytes, {}, {level}), "");
            if (level == 0) lossless = result.bytes.size();
            EXPECT_LE(result.bytes.size(), lossless);
        }
        const GifOptimizeResult strongest = OptimizeGif(a->source, {}, {kMaxLossy});
        EXPECT_LT(strongest.bytes.size(), lossless * 9 / 10);
        EXPECT_NE(VerifyOptimizedGif(a->source, strongest.bytes), "") << "the loss is real";
    }
    EXPECT_EQ(LossyTolerance(0), 0);
    EXPECT_GT(LossyTolerance(kMaxLossy), LossyTolerance(kMaxLossy / 2));
}

TEST(GifOptimizer, CancelStopsWithNothingWritten) {
    const Animation a = MovingSquare(6);
    int calls = 0;
    const GifOptimizeResult result = OptimizeGif(a.source, [&](int done, int total) {
        EXPECT_EQ(total, 6);
        ++calls;
        return done < 3;
    });
    EXPECT_EQ(result.status, GifOptimizeResult::Status::Cancelled);
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_EQ(calls, 4);
}

TEST(GifOptimizer, TheSecondThreadChangesNoByte) {
    // Images large enough to be shared between the threads and noisy enough to fill the string
    // table (the full-table tries), past the first explored images into those that try only
    // the winning ways. Some change in a band (every way of the unchanged pixels); every fourth
    // draws 32 colours that lie high in a wide global table (a table of its own wins); then a
    // palette per frame (local tables).
    auto noise = [](int x, int y, int k) {
        const std::uint32_t h = (static_cast<std::uint32_t>(x) * 73856093u) ^
                                (static_cast<std::uint32_t>(y) * 19349663u) ^
                                (static_cast<std::uint32_t>(k) * 83492791u);
        return static_cast<int>((h ^ h >> 13) % 60);
    };
    for (const bool local : {false, true}) {
        Animation a(160, 100);
        for (int k = 0; k < 40; ++k) {
            const int band = k % 4 == 1 ? 20 + k : 0;
            a.Add(
                0, 0, 160, 100, 200,
                [&](int i) { return local ? MakeRgb(i, k * 6, 250 - i) : Gray(i); },
                [&](int x, int y) {
                    const int n = noise(x, y, x >= band && x < band + 30 ? k : 0);
                    return k % 4 == 0 ? 150 + n % 32 : n;
                });
        }
        for (const int level : {0, 40}) {
            SCOPED_TRACE(testing::Message() << "local " << local << " lossy " << level);
            GifOptimizeOptions options{level};
            const GifOptimizeResult two = OptimizeGif(a.source, {}, options);
            options.twoThreads = false;
            const GifOptimizeResult one = OptimizeGif(a.source, {}, options);
            ASSERT_EQ(two.status, GifOptimizeResult::Status::Written) << two.error;
            EXPECT_TRUE(two.bytes == one.bytes);
            EXPECT_EQ(VerifyOptimizedGif(a.source, two.bytes, {}, options), "");
        }
    }
}

TEST(GifOptimizer, VerificationFindsAnyDifference) {
    const Animation a = MovingSquare(4);
    const GifOptimizeResult result = OptimizeGif(a.source);
    ASSERT_EQ(VerifyOptimizedGif(a.source, result.bytes), "");

    Animation other = MovingSquare(4);
    other.images[2]->SetIndex(30, 30, 7);
    EXPECT_EQ(VerifyOptimizedGif(other.source, result.bytes).rfind("frame 2 differs", 0), 0u);

    other = MovingSquare(4);
    other.source.frames[3].delay = 6;
    EXPECT_NE(VerifyOptimizedGif(other.source, result.bytes), "");

    other = MovingSquare(4);
    other.source.loop = false;
    EXPECT_EQ(VerifyOptimizedGif(other.source, result.bytes), "the looping differs");

    // The first image cleared after its frame: frame 1 differs outside what either side draws.
    Animation patch(32, 32);
    patch.Add(0, 0, 32, 32, 4, Gray, [](int x, int y) { return (x + y) % 4; });
    patch.Add(8, 8, 4, 4, 4, Gray, [](int, int) { return 3; });
    std::vector<std::uint8_t> cleared = Optimize(patch).bytes;
    const std::uint8_t control[] = {0x21, 0xF9, 0x04};
    const auto block = std::search(cleared.begin(), cleared.end(), control, control + 3);
    ASSERT_NE(block, cleared.end());
    block[3] = static_cast<std::uint8_t>((block[3] & ~0x1C) | 2 << 2);
    EXPECT_EQ(VerifyOptimizedGif(patch.source, cleared), "frame 1 differs at 0,0");

    std::vector<std::uint8_t> cut(result.bytes.begin(), result.bytes.end() - 40);
    EXPECT_NE(VerifyOptimizedGif(a.source, cut), "");
}

// The indices a reader gets back from code bytes of one image of width x height.
std::vector<std::uint8_t> DecodeCodes(const GifLzwEncoder::Codes& codes, int width, int height,
                                      int codeSize) {
    test::GifBuilder builder;
    builder.Screen(width, height, std::vector<test::Rgb>(256))
        .Descriptor(0, 0, width, height)
        .Raw(test::Bytes{static_cast<std::uint8_t>(codeSize)})
        .Raw(test::SubBlocks(test::Bytes(codes.data, codes.data + codes.size)))
        .Trailer();
    std::vector<std::uint8_t> decoded;
    const GifScanResult scan =
        GifDecoder::DecodeAllImages(builder.Get(), 1, [&](const GifPageInfo&, CDib&& image) {
            for (int y = 0; y < image.Height(); ++y)
                decoded.insert(decoded.end(), image.Row(y), image.Row(y) + width);
            return true;
        });
    EXPECT_TRUE(scan.complete) << scan.error;
    return decoded;
}

TEST(GifLzwChoosing, UsesEitherIndexToExtendStrings) {
    // A repeating 1, 2, 3 where scattered pixels are free to be 0 instead: taking their own
    // values keeps the pattern that the table already holds.
    std::vector<std::uint8_t> own(4000), zero(4000), alternates(4000);
    std::uint32_t random = 12345;
    for (std::size_t i = 0; i < own.size(); ++i) {
        own[i] = static_cast<std::uint8_t>(1 + i % 3);
        random = random * 1103515245u + 12345u;
        const bool free = (random >> 16) % 4 == 0;
        zero[i] = free ? 0 : own[i];
        alternates[i] = own[i];
    }
    GifLzwEncoder lzw;
    const std::size_t drawn = lzw.Compress(own.data(), own.size(), 2).size;
    const std::size_t cleared = lzw.Compress(zero.data(), zero.size(), 2).size;
    const std::size_t leaningClear =
        lzw.CompressChoosing(zero.data(), alternates.data(), zero.size(), 2).size;
    const std::size_t leaningDrawn =
        lzw.CompressChoosing(alternates.data(), zero.data(), zero.size(), 2).size;
    EXPECT_LT(leaningClear * 3, cleared * 2) << "drawn " << drawn;
    EXPECT_LE(leaningDrawn, drawn);
    // Without alternatives the codes are plain LZW: the same as the classic writer's here.
    const auto plain = lzw.Compress(own.data(), own.size(), 2);
    const std::vector<std::uint8_t> want(plain.data, plain.data + plain.size);
    const auto same = lzw.CompressChoosing(own.data(), own.data(), own.size(), 2);
    EXPECT_EQ(std::vector<std::uint8_t>(same.data, same.data + same.size), want);
}

TEST(GifLzwChoosing, EveryPixelDecodesToOneOfItsTwoIndices) {
    // The search through the string table follows either index of a pixel at every step, so a
    // string may go on through the code just given out, and full tables are kept or cleared:
    // whatever it chooses, a reader must get back, pixel by pixel, one of the two indices. Runs,
    // noise and repeats, with few and many free pixels, at small and large code sizes.
    std::uint32_t random = 99;
    auto next = [&random] {
        random = random * 1103515245u + 12345u;
        return random >> 16;
    };
    GifLzwEncoder lzw;
    for (int codeSize : {2, 5, 8}) {
        for (int freeShare : {0, 3, 1}) {  // 1 in freeShare pixels free; 0 none
            using Full = GifLzwEncoder::FullTable;
            for (Full full : {Full::Clear, Full::KeepWhileItPays, Full::Keep}) {
                const int width = 200;
                const int height = 120;
                const std::size_t count = static_cast<std::size_t>(width) * height;
                const std::uint32_t values = 1u << codeSize;
                std::vector<std::uint8_t> pixels(count);
                std::vector<std::uint8_t> alternates(count);
                for (std::size_t i = 0; i < count; ++i) {
                    // Rows of short runs, every third row a copy of the one above.
                    const std::size_t y = i / width;
                    if (y % 3 == 2) {
                        pixels[i] = pixels[i - width];
                    } else {
                        pixels[i] = i > 0 && next() % 4 != 0
                                        ? pixels[i - 1]
                                        : static_cast<std::uint8_t>(next() % values);
                    }
                    const bool free = freeShare != 0 && next() % freeShare == 0;
                    alternates[i] = free ? static_cast<std::uint8_t>(next() % values) : pixels[i];
                }
                const auto codes = lzw.CompressChoosing(pixels.data(), alternates.data(), count,
                                                        codeSize, full, false);
                SCOPED_TRACE(testing::Message()
                             << "code size " << codeSize << ", free 1 in " << freeShare << ", full "
                             << static_cast<int>(full));
                const std::vector<std::uint8_t> decoded =
                    DecodeCodes(codes, width, height, codeSize);
                ASSERT_EQ(decoded.size(), count);
                std::size_t wrong = 0;
                for (std::size_t i = 0; i < count; ++i) {
                    wrong += decoded[i] != pixels[i] && decoded[i] != alternates[i];
                }
                EXPECT_EQ(wrong, 0u);
            }
        }
    }
}

TEST(GifLzwChoosing, ACloseColourIsTakenWhereItPaysForItsError) {
    // A repeating 1, 2, 3 where scattered pixels show 4, a red 4 levels off 3's: a string may run
    // through either as the other, for an error of 16 each. Worth nothing, a pixel of length never
    // pays for it; worth much, every string that grows takes it; in between, fewer are taken.
    const int width = 100;
    const int height = 40;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    std::uint32_t random = 777;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        random = random * 1103515245u + 12345u;
        pixels[i] =
            static_cast<std::uint8_t>(i % 3 == 2 && (random >> 16) % 5 == 0 ? 4 : 1 + i % 3);
    }
    std::vector<std::array<std::uint64_t, 4>> rows(256);
    for (std::uint32_t i = 0; i < 8; ++i) rows[i][0] = std::uint64_t{1} << i;
    rows[3][0] |= 1u << 4;
    rows[4][0] |= 1u << 3;
    std::vector<std::uint32_t> colors(256, 0);
    colors[3] = MakeRgb(100, 100, 100);
    colors[4] = MakeRgb(104, 100, 100);
    GifLzwEncoder lzw;
    std::size_t lastTaken = 0;
    std::size_t lastSize = SIZE_MAX;
    for (const std::uint32_t worth : {0u, 2u, 1000u}) {
        SCOPED_TRACE(worth);
        const GifLzwEncoder::Nearness near{rows.data(), -1, colors.data(), worth};
        const auto codes = lzw.CompressChoosing(pixels.data(), pixels.data(), pixels.size(), 3,
                                                GifLzwEncoder::FullTable::Clear, false, &near);
        const std::size_t size = codes.size;
        const std::vector<std::uint8_t> decoded = DecodeCodes(codes, width, height, 3);
        ASSERT_EQ(decoded.size(), pixels.size());
        std::size_t taken = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const bool close =
                (pixels[i] == 3 || pixels[i] == 4) && (decoded[i] == 3 || decoded[i] == 4);
            ASSERT_TRUE(decoded[i] == pixels[i] || close) << i;
            taken += decoded[i] != pixels[i];
        }
        if (worth == 0) {
            EXPECT_EQ(taken, 0u);
        } else {
            EXPECT_GT(taken, lastTaken);
            EXPECT_LT(size, lastSize);
        }
        lastTaken = taken;
        lastSize = size;
    }
}

}  // namespace
}  // namespace vorla
