#include "core/gif/GifDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/GifBuilder.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::Bytes;
using test::GifBuilder;
using test::Rgb;

const std::vector<Rgb> kFourColors = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

// Runs one Decode and keeps everything a test looks at.
struct Decoded {
    explicit Decoded(const Bytes& gif, std::string_view mode = "", int index = 0) {
        decoder.SetErrorSink([this](std::string_view text) { errors.emplace_back(text); });
        MemoryStream in(gif);
        ok = decoder.Decode(&in, out, mode, index);
        if (ok && !out.Bytes().empty()) {
            EXPECT_TRUE(dib.FromBytes(out.Bytes()));
        }
    }
    bool Saw(std::string_view text) const {
        return std::find(errors.begin(), errors.end(), text) != errors.end();
    }
    std::string Row(int y) const {
        std::string row;
        for (int x = 0; x < dib.Width(); ++x) row += static_cast<char>('0' + dib.Index(x, y));
        return row;
    }

    GifDecoder decoder;
    MemoryStream out;
    CDib dib;
    bool ok = false;
    std::vector<std::string> errors;
};

Bytes Pattern(int width, int height, int colors, unsigned seed = 1) {
    std::mt19937 random(seed);
    Bytes pixels(static_cast<std::size_t>(width * height));
    for (auto& p : pixels) p = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    return pixels;
}

// A one-image stream around hand-made codes: 4 colours, minimum code size 2.
Bytes WithCodes(int width, int height, const std::vector<int>& codes, int minCodeSize = 2) {
    return GifBuilder()
        .Screen(width, height, kFourColors)
        .Descriptor(0, 0, width, height)
        .Codes(minCodeSize, codes)
        .Trailer()
        .Get();
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(GifDecoder, RejectsVersionOtherThan87aOr89a) {
    // "GIF88a": right signature, unknown version.
    Decoded bad(GifBuilder("88a").Screen(1, 1, kFourColors).Image(0, 0, 1, 1, {1}).Trailer().Get());
    EXPECT_FALSE(bad.ok);
    EXPECT_TRUE(bad.Saw("bad version number, not '87a' or '89a'"));
    // The same stream as GIF87a.
    Decoded good(
        GifBuilder("87a").Screen(1, 1, kFourColors).Image(0, 0, 1, 1, {1}).Trailer().Get());
    EXPECT_TRUE(good.ok);
    // Not a GIF at all, and a header cut short.
    EXPECT_TRUE(Decoded(Bytes{'P', 'N', 'G', '8', '9', 'a', 0, 0}).Saw("not a GIF file"));
    EXPECT_TRUE(Decoded(Bytes{'G', 'I', 'F'}).Saw("error reading magic number"));
    EXPECT_TRUE(Decoded(GifBuilder().Get()).Saw("failed to read screen descriptor"));
}

TEST(GifDecoder, TwoColourImageGivesEightBitBmpWith256Entries) {
    // A 5 x 2 image over a 2-entry global table: stride 8, table padded to 256 entries.
    const std::vector<Rgb> two = {{10, 20, 30}, {200, 210, 220}};
    Bytes gif = GifBuilder()
                    .Screen(5, 2, two)
                    .Image(0, 0, 5, 2, {0, 1, 0, 1, 1, 1, 1, 0, 0, 0}, false, {}, 2)
                    .Trailer()
                    .Get();
    Decoded run(gif);
    ASSERT_TRUE(run.ok);
    const Bytes& bmp = run.out.Bytes();
    ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 16) << "have " << bmp.size() << " bytes";
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 1078u);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(bmp[28], 8) << "have " << int{bmp[28]} << " bits per pixel, want 8";
    EXPECT_EQ(U32(bmp, 34), 16u);   // image size
    EXPECT_EQ(U32(bmp, 46), 256u);  // colours used
    EXPECT_EQ(run.dib.ColorCount(), 256);
    EXPECT_EQ(run.dib.PaletteColor(1), MakeRgb(200, 210, 220));
    EXPECT_EQ(run.dib.PaletteColor(2), MakeRgb(0, 0, 0));
    EXPECT_EQ(run.Row(0), "01011");
    EXPECT_EQ(run.Row(1), "11000");
    // Bottom-up: the last stored row is the top row.
    EXPECT_EQ(bmp[1078 + 8], 0);
    EXPECT_EQ(bmp[1078 + 9], 1);
    EXPECT_EQ(run.decoder.Page().colorCount, 2);
}

TEST(GifDecoder, InterlacedRowsArriveInPassOrder) {
    // Height 5 interlaced: stored rows are 0, 4, 2, 1, 3; each row is filled with its number.
    Bytes pixels;
    for (int y = 0; y < 5; ++y) pixels.insert(pixels.end(), 3, static_cast<std::uint8_t>(y));
    std::vector<Rgb> eight(8, Rgb{1, 1, 1});
    Decoded full(
        GifBuilder().Screen(3, 5, eight).Image(0, 0, 3, 5, pixels, true, {}, 3).Trailer().Get());
    ASSERT_TRUE(full.ok);
    EXPECT_TRUE(full.decoder.Page().interlaced);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(full.Row(y), std::string(3, static_cast<char>('0' + y))) << "row " << y;
    }
    // Only the first two stored rows arrive: rows 0 and 4 are set, the others keep zeros.
    Bytes stored = GifBuilder::PassOrder(pixels, 3, 5);
    stored.resize(7);  // two rows and one pixel of the third
    std::vector<int> codes = test::LzwCodes(stored, 3);
    codes.pop_back();  // no end code
    Decoded cut(GifBuilder()
                    .Screen(3, 5, eight)
                    .Descriptor(0, 0, 3, 5, true)
                    .Codes(3, codes)
                    .Trailer()
                    .Get());
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.Row(0), "000");
    EXPECT_EQ(cut.Row(4), "444");
    EXPECT_EQ(cut.Row(2), "000") << "a row cut short is not written";
    // Heights 1 to 3 leave later passes empty; every row still lands once.
    for (int height = 1; height <= 3; ++height) {
        Bytes small;
        for (int y = 0; y < height; ++y)
            small.insert(small.end(), 2, static_cast<std::uint8_t>(y + 1));
        Decoded run(GifBuilder()
                        .Screen(2, height, eight)
                        .Image(0, 0, 2, height, small, true, {}, 3)
                        .Trailer()
                        .Get());
        ASSERT_TRUE(run.ok);
        for (int y = 0; y < height; ++y) {
            EXPECT_EQ(run.Row(y), std::string(2, static_cast<char>('1' + y)))
                << "height " << height << " row " << y;
        }
    }
}

Bytes ThreeImages() {
    return GifBuilder()
        .Screen(8, 8, kFourColors)
        .Control(1, 10)
        .Image(0, 0, 2, 2, {0, 0, 0, 0})
        .Control(2, 20, 3)
        .Image(1, 1, 3, 2, {1, 1, 1, 1, 1, 1})
        .Comment("between")
        .Control(3, 30)
        .Image(2, 3, 4, 1, {2, 3, 2, 3}, false, {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6}})
        .Trailer()
        .Get();
}

TEST(GifDecoder, IndexModeDecodesThirdImageAfterSkippingTwo) {
    Decoded run(ThreeImages(), "i", 2);
    ASSERT_TRUE(run.ok);
    const GifPageInfo& page = run.decoder.Page();
    EXPECT_EQ(page.left, 2);
    EXPECT_EQ(page.top, 3);
    EXPECT_EQ(page.width, 4);
    EXPECT_EQ(page.height, 1);
    EXPECT_EQ(page.delay, 30);
    EXPECT_EQ((page.controlByte >> 2) & 7, 3);
    EXPECT_FALSE(page.transparent);
    EXPECT_EQ(page.colorCount, 4);
    EXPECT_EQ(run.Row(0), "2323");
    EXPECT_EQ(run.dib.PaletteColor(2), MakeRgb(7, 7, 7)) << "local table";
    EXPECT_EQ(run.decoder.ImagesDone(), 3);
    EXPECT_EQ(page.screenWidth, 8);
    EXPECT_FALSE(run.decoder.ImageMissing());
    // Modes other than "i" always take the first image.
    Decoded first(ThreeImages(), "v", 2);
    EXPECT_EQ(first.decoder.Page().width, 2);
}

TEST(GifDecoder, ControlBeforeSecondImageLeavesFirstImageValues) {
    Decoded first(ThreeImages());
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.decoder.Page().delay, 10);
    EXPECT_EQ(first.decoder.Page().controlByte, 1 << 2);
    EXPECT_FALSE(first.decoder.Page().transparent);
    EXPECT_EQ(first.decoder.TransparentRed(), 0);

    Decoded second(ThreeImages(), "i", 1);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.decoder.Page().delay, 20);
    EXPECT_TRUE(second.decoder.Page().transparent);
    EXPECT_EQ(second.decoder.Page().transparentIndex, 3);
    EXPECT_EQ(second.decoder.TransparentRed(), 255);
    EXPECT_EQ(second.decoder.TransparentBlue(), 255);

    // Without any graphic control the delay reads -1.
    Decoded plain(GifBuilder().Screen(1, 1, kFourColors).Image(0, 0, 1, 1, {2}).Trailer().Get());
    EXPECT_EQ(plain.decoder.Page().delay, -1);
}

TEST(GifDecoder, MissingImageGivesTrueAndEmptyOutput) {
    Decoded run(ThreeImages(), "i", 3);
    EXPECT_TRUE(run.ok);
    EXPECT_TRUE(run.decoder.ImageMissing());
    EXPECT_TRUE(run.out.Bytes().empty()) << "have " << run.out.Bytes().size() << " bytes";
    // No trailer at all: the end of data ends the stream the same way.
    Bytes cut = ThreeImages();
    cut.pop_back();
    Decoded noTrailer(cut, "i", 2);
    EXPECT_TRUE(noTrailer.ok);
    EXPECT_EQ(noTrailer.Row(0), "2323");
}

TEST(GifDecoder, DataEndingEarlyLeavesRemainingRowsPreSized) {
    // 4 x 4 image whose codes stop after six pixels: row 0 complete, row 1 cut, rows 2-3 none.
    Bytes pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1};
    Bytes six(pixels.begin(), pixels.begin() + 6);
    std::vector<int> codes = test::LzwCodes(six, 2);
    codes.pop_back();
    Decoded run(WithCodes(4, 4, codes));
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.Row(0), "1231");
    EXPECT_EQ(run.Row(1), "0000");
    EXPECT_EQ(run.Row(3), "0000");
    EXPECT_TRUE(run.Saw("ran off the end of my bits"));
    EXPECT_TRUE(run.decoder.Page().cutShort);
    // The stream itself ends inside the image data: the same rows, still a success.
    Bytes whole =
        GifBuilder().Screen(4, 4, kFourColors).Image(0, 0, 4, 4, pixels, false, {}, 2).Get();
    whole.resize(whole.size() - 3);
    Decoded truncated(whole);
    ASSERT_TRUE(truncated.ok);
    EXPECT_EQ(truncated.Row(0), "1231");
    EXPECT_TRUE(truncated.decoder.Page().cutShort);
}

TEST(GifDecoder, MoreThanTenBogusBytesFail) {
    auto withJunk = [](int junk) {
        GifBuilder b;
        b.Screen(2, 1, kFourColors).Image(0, 0, 2, 1, {1, 2});
        // Stray bytes between blocks, as some writers leave behind.
        for (int i = 0; i < junk; ++i) b.Raw({0x00});
        return b.Image(0, 0, 2, 1, {3, 3}).Trailer().Get();
    };
    Decoded ten(withJunk(10), "i", 1);
    EXPECT_TRUE(ten.ok);
    EXPECT_EQ(ten.Row(0), "33");
    EXPECT_FALSE(Decoded(withJunk(11)).ok) << "the image before the junk does not save the stream";
}

TEST(GifDecoder, WrongModeAndMissingInputAreInternalErrors) {
    test::ScriptedUserInterface ui;
    GifDecoder decoder(&ui);
    MemoryStream in(ThreeImages());
    MemoryStream out;
    EXPECT_FALSE(decoder.Decode(&in, out, "x", 0));
    EXPECT_EQ(ui.LastMessage(), "GIF player internal error no.20124");
    EXPECT_FALSE(decoder.Decode(nullptr, out, "", 0));
    EXPECT_EQ(ui.LastMessage(), "GIF player internal error no.98213");
    EXPECT_TRUE(decoder.Decode(&in, out, "8", 0)) << "the stream is reread from its start";
    EXPECT_EQ(ui.Messages().size(), 2u);
}

TEST(GifDecoder, HostileDimensionsAndCodeSizesFailCleanly) {
    // 65535 x 65535 claimed over four pixels of data: refused, not allocated.
    Bytes huge = GifBuilder()
                     .Screen(1, 1, kFourColors)
                     .Image(0, 0, 65535, 65535, {1, 1, 1, 1})
                     .Trailer()
                     .Get();
    EXPECT_FALSE(Decoded(huge).ok);
    // The same image skipped on the way to another one costs nothing.
    Bytes hugeThenSmall = GifBuilder()
                              .Screen(1, 1, kFourColors)
                              .Image(0, 0, 65535, 65535, {1, 1, 1, 1})
                              .Image(0, 0, 1, 1, {2})
                              .Trailer()
                              .Get();
    Decoded second(hugeThenSmall, "i", 1);
    EXPECT_TRUE(second.ok);
    EXPECT_EQ(second.Row(0), "2");
    // Width 0 and height 0: nothing to show, a failed decode.
    EXPECT_FALSE(Decoded(GifBuilder()
                             .Screen(1, 1, kFourColors)
                             .Descriptor(0, 0, 0, 5)
                             .Codes(2, {4, 5})
                             .Trailer()
                             .Get())
                     .ok);
    EXPECT_FALSE(Decoded(GifBuilder()
                             .Screen(1, 1, kFourColors)
                             .Descriptor(0, 0, 5, 0)
                             .Codes(2, {4, 5})
                             .Trailer()
                             .Get())
                     .ok);
    // Minimum code sizes 12 and 0 cannot be decoded; 11 can (literals keep their low 8 bits).
    for (int size : {0, 12, 255}) {
        Bytes gif = GifBuilder()
                        .Screen(1, 1, kFourColors)
                        .Descriptor(0, 0, 1, 1)
                        .Raw({static_cast<std::uint8_t>(size), 1, 0, 0})
                        .Trailer()
                        .Get();
        Decoded run(gif);
        EXPECT_FALSE(run.ok) << "code size " << size;
        EXPECT_TRUE(run.Saw("error reading image"));
    }
    Decoded eleven(WithCodes(2, 1, {2048, 0x103, 0x7FF, 2049}, 11));
    ASSERT_TRUE(eleven.ok);
    EXPECT_EQ(eleven.dib.Index(0, 0), 3);
    EXPECT_EQ(eleven.dib.Index(1, 0), 0xFF);
}

TEST(GifDecoder, InvalidImageDataFailsTheImageAndDataEndingEarlyMarksItCutShort) {
    struct Case {
        const char* what;
        Bytes gif;
        bool invalid;
    };
    // Minimum code size 2: clear 4, end 5, next free 6 after the first code.
    const Case cases[] = {
        {"first code 7, past the table", WithCodes(2, 2, {7, 1, 5}), true},
        {"first code after a clear is 6, no colour", WithCodes(2, 1, {4, 6, 1, 5}), true},
        {"code 7 mid-stream while 6 is next free", WithCodes(3, 1, {4, 1, 7, 5}), true},
        // Entry 7 defined with itself as prefix: the chain would be circular.
        {"self-referring chain", WithCodes(5, 2, {4, 1, 7, 2, 7, 1, 1, 1, 1, 1, 1, 5}), true},
        // Two entries pointing at each other (11 -> 12 -> 11), minimum code size 3.
        {"two-entry cycle", WithCodes(4, 2, {8, 1, 12, 11, 1, 12, 1, 1, 1, 9}, 3), true},
        {"end code after two of four pixels", WithCodes(2, 2, {4, 1, 2, 5}), false},
        // The last byte's spare bits still read as code 0: four of sixteen pixels.
        {"codes run out after four of sixteen pixels", WithCodes(4, 4, {4, 1, 2}), false},
    };
    for (const Case& c : cases) {
        Decoded one(c.gif);
        EXPECT_EQ(one.ok, !c.invalid) << c.what;
        int delivered = 0;
        bool cutShort = false;
        const GifScanResult scan =
            GifDecoder::DecodeAllImages(c.gif, 10, [&](const GifPageInfo& page, CDib&&) {
                ++delivered;
                cutShort = page.cutShort;
                return true;
            });
        EXPECT_EQ(scan.complete, !c.invalid) << c.what;
        if (c.invalid) {
            EXPECT_TRUE(one.Saw("image data is invalid")) << c.what;
            EXPECT_EQ(delivered, 0) << c.what << ": no half-decoded image";
            EXPECT_EQ(scan.error.empty(), false) << c.what;
        } else {
            EXPECT_TRUE(one.decoder.Page().cutShort) << c.what;
            EXPECT_EQ(one.Row(0).substr(0, 2), "12") << c.what;
            EXPECT_EQ(delivered, 1) << c.what;
            EXPECT_TRUE(cutShort && scan.cutShort) << c.what;
        }
    }
    // Garbage after the last pixel is not judged: the image is whole by then.
    Decoded tail(WithCodes(1, 1, {4, 1, 7, 5}));
    ASSERT_TRUE(tail.ok);
    EXPECT_FALSE(tail.decoder.Page().cutShort);
}

TEST(GifDecoder, NoColourTableDecodesAgainstBlack) {
    Decoded run(GifBuilder().Screen(2, 1).Image(0, 0, 2, 1, {1, 3}, false, {}, 2).Trailer().Get());
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.Row(0), "13");
    EXPECT_EQ(run.decoder.Page().colorCount, 2) << "the screen's size field still counts";
    for (int i = 0; i < 256; ++i) ASSERT_EQ(run.dib.PaletteColor(i), 0u) << "entry " << i;
}

TEST(GifDecoder, CodesAfterTheLastPixelAreIgnored) {
    // Eight pixels of data for a 2 x 2 image, then more blocks: the image takes four.
    Bytes gif = WithCodes(2, 2, test::LzwCodes({1, 2, 3, 1, 2, 2, 2, 2}, 2));
    Decoded run(gif);
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.Row(0), "12");
    EXPECT_EQ(run.Row(1), "31");
}

// The reader as the classic algorithm states it: a stack per string, prefix chains walked for
// every code. Kept apart from the decoder so that its copy-from-output path is checked
// against chain walking on arbitrary codes.
Bytes ReferenceIndices(const std::vector<int>& codes, int s, std::size_t capacity) {
    const int clear = 1 << s;
    std::vector<int> prefix(4096), suffix(4096);
    int next = 0, oldCode = 0, firstCode = 0;
    bool fresh = true;
    auto reset = [&] {
        for (int i = 0; i < 4096; ++i) {
            prefix[static_cast<std::size_t>(i)] = 0;
            suffix[static_cast<std::size_t>(i)] = i < clear ? i : 0;
        }
        next = clear + 2;
        fresh = true;
    };
    reset();
    Bytes out;
    for (int code : codes) {
        if (out.size() >= capacity) break;
        if (code == clear) {
            reset();
            continue;
        }
        if (code == clear + 1) break;
        if (fresh) {
            if (code > clear) break;
            fresh = false;
            firstCode = oldCode = code;
            out.push_back(static_cast<std::uint8_t>(code));
            continue;
        }
        std::vector<int> stack;
        const int incoming = code;
        if (code >= next) {
            stack.push_back(firstCode);
            code = oldCode;
        }
        bool circular = false;
        while (code >= clear) {
            stack.push_back(suffix[static_cast<std::size_t>(code)]);
            if (prefix[static_cast<std::size_t>(code)] == code || stack.size() > 4098) {
                circular = true;
                break;
            }
            code = prefix[static_cast<std::size_t>(code)];
        }
        if (circular) break;
        firstCode = suffix[static_cast<std::size_t>(code)];
        stack.push_back(firstCode);
        if (next < 4096) {
            prefix[static_cast<std::size_t>(next)] = oldCode;
            suffix[static_cast<std::size_t>(next)] = firstCode;
            ++next;
        }
        oldCode = incoming;
        for (auto it = stack.rbegin(); it != stack.rend() && out.size() < capacity; ++it) {
            out.push_back(static_cast<std::uint8_t>(*it));
        }
    }
    return out;
}

// Random codes that fit the width the reader expects, mostly valid, sometimes past the next
// free code, now and then a clear.
std::vector<int> RandomCodes(std::mt19937& random, int s, std::size_t count) {
    const int clear = 1 << s;
    std::vector<int> codes{clear};
    int width = s + 1, next = clear + 2;
    bool afterClear = true;
    for (std::size_t i = 0; i < count; ++i) {
        int code;
        unsigned roll = random() % 100;
        if (afterClear) {
            code = static_cast<int>(random() % static_cast<unsigned>(clear));
        } else if (roll < 2) {
            code = clear;
        } else if (roll < 8) {
            code = static_cast<int>(random() % (1u << width));
            if (code == clear + 1) code = clear + 2;
        } else {
            code = static_cast<int>(random() % static_cast<unsigned>(next + 1));
            if (code == clear || code == clear + 1) code = 0;
        }
        codes.push_back(code);
        if (code == clear) {
            width = s + 1;
            next = clear + 2;
            afterClear = true;
        } else if (afterClear) {
            afterClear = false;
            if (next >= (1 << width)) ++width;
        } else if (next < 4096) {
            ++next;
            if (next >= (1 << width) && width < 12) ++width;
        }
    }
    codes.push_back(clear + 1);
    return codes;
}

TEST(GifDecoder, MatchesChainWalkingOnArbitraryCodes) {
    // Straight at the LZW stage: after a corrupt code the block parser would read on inside
    // the image data, which says nothing about the indices.
    std::mt19937 random(7);
    GifLzw lzw;
    for (int round = 0; round < 400; ++round) {
        const int s = 2 + round % 7;
        const std::size_t capacity = 1 + random() % 3000;
        std::vector<int> codes = RandomCodes(random, s, 50 + random() % 3000);
        Bytes want = ReferenceIndices(codes, s, capacity);
        Bytes data = test::SubBlocks(test::PackCodes(codes, s), 1 + random() % 255);
        Bytes pixels(capacity + GifLzw::kSlack);
        GifLzw::Outcome outcome =
            lzw.Run(data, 0, s, pixels.data(), capacity, GifLzw::Finish::StopAtFull);
        ASSERT_EQ(outcome.pixels, want.size()) << "round " << round;
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(pixels[i], want[i]) << "round " << round << " pixel " << i << ": have "
                                          << int{pixels[i]} << ", want " << int{want[i]};
        }
        ASSERT_LE(outcome.stopOffset, data.size());
    }
}

TEST(GifDecoder, EncodedImagesRoundTrip) {
    // Noise forces table resets at 4096 codes; odd widths exercise the row padding.
    for (auto [width, height, colors, s] : std::vector<std::array<int, 4>>{
             {1, 1, 2, 2}, {3, 7, 4, 2}, {641, 1, 16, 4}, {97, 83, 256, 8}, {33, 5, 2, 1}}) {
        Bytes pixels = Pattern(width, height, colors, static_cast<unsigned>(width));
        std::vector<Rgb> table(static_cast<std::size_t>(colors), Rgb{5, 6, 7});
        for (bool interlaced : {false, true}) {
            Decoded run(GifBuilder()
                            .Screen(width, height, table)
                            .Image(0, 0, width, height, pixels, interlaced, {}, s)
                            .Trailer()
                            .Get());
            ASSERT_TRUE(run.ok) << width << "x" << height;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    ASSERT_EQ(run.dib.Index(x, y), pixels[static_cast<std::size_t>(y * width + x)])
                        << width << "x" << height << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(GifDecoder, SinglePassGivesWhatIndexModeGives) {
    GifBuilder b;
    b.Screen(40, 30, kFourColors).Comment("scan");
    for (int k = 0; k < 6; ++k) {
        if (k % 2 == 0) b.Control(k % 4, k * 7, k == 2 ? 1 : -1);
        const int w = 5 + k * 6, h = 3 + k * 4;
        b.Image(k, k, w, h, Pattern(w, h, 4, static_cast<unsigned>(k)), k == 3,
                k == 4 ? std::vector<Rgb>{{1, 1, 1}, {2, 2, 2}} : std::vector<Rgb>{},
                k == 4 ? 2 : 8);
    }
    const Bytes gif = b.Trailer().Get();
    std::vector<std::pair<GifPageInfo, CDib>> pages;
    GifScanResult all =
        GifDecoder::DecodeAllImages(gif, 100, [&](const GifPageInfo& page, CDib&& dib) {
            pages.emplace_back(page, std::move(dib));
            return true;
        });
    EXPECT_TRUE(all.complete) << all.error;
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(all.imageCount, 6u);
    for (int k = 0; k < 6; ++k) {
        Decoded run(gif, "i", k);
        ASSERT_TRUE(run.ok);
        const GifPageInfo& want = run.decoder.Page();
        const GifPageInfo& have = pages[static_cast<std::size_t>(k)].first;
        EXPECT_EQ(have.left, want.left);
        EXPECT_EQ(have.width, want.width);
        EXPECT_EQ(have.height, want.height);
        EXPECT_EQ(have.delay, want.delay) << "image " << k;
        EXPECT_EQ(have.controlByte, want.controlByte);
        EXPECT_EQ(have.transparent, want.transparent);
        EXPECT_EQ(have.transparentIndex, want.transparentIndex);
        EXPECT_EQ(have.colorCount, want.colorCount);
        EXPECT_EQ(have.interlaced, want.interlaced);
        EXPECT_EQ(have.screenWidth, 40);
        EXPECT_TRUE(pages[static_cast<std::size_t>(k)].second == run.dib) << "image " << k;
        EXPECT_EQ(pages[static_cast<std::size_t>(k)].second.ToBytes(), run.out.Bytes());
    }
    // Two decoded, the rest only counted; a sink that says stop ends the scan at once.
    std::size_t seen = 0;
    GifScanResult two =
        GifDecoder::DecodeAllImages(gif, 2, [&](const GifPageInfo&, CDib&&) { return ++seen > 0; });
    EXPECT_TRUE(two.complete);
    EXPECT_EQ(two.delivered, 2u);
    EXPECT_EQ(two.imageCount, 6u);
    GifScanResult stopped =
        GifDecoder::DecodeAllImages(gif, 100, [](const GifPageInfo&, CDib&&) { return false; });
    EXPECT_TRUE(stopped.stoppedBySink);
    EXPECT_EQ(stopped.delivered, 1u);
}

TEST(GifDecoder, LoopingBlocksAreToldFromOtherApplicationBlocks) {
    auto stream = [](const std::function<void(GifBuilder&)>& blocks) {
        GifBuilder b;
        b.Screen(2, 2, kFourColors);
        blocks(b);
        b.Image(0, 0, 2, 2, {1, 1, 1, 1}).Image(0, 0, 2, 2, {2, 2, 2, 2});
        return b.Trailer().Get();
    };
    auto scanned = [](const Bytes& gif) {
        return GifDecoder::DecodeAllImages(gif, 10, [](const GifPageInfo&, CDib&&) { return true; })
            .loopBlock;
    };
    struct Case {
        const char* what;
        Bytes gif;
        bool loops;
    };
    const Case cases[] = {
        {"no application block", stream([](GifBuilder&) {}), false},
        {"NETSCAPE2.0 forever", stream([](GifBuilder& b) { b.Loop(0); }), true},
        {"NETSCAPE2.0 three times", stream([](GifBuilder& b) { b.Loop(3); }), true},
        {"ANIMEXTS1.0", stream([](GifBuilder& b) { b.Loop(0, "ANIMEXTS1.0"); }), true},
        {"buffering sub-block only", stream([](GifBuilder& b) {
             b.Application("NETSCAPE2.0", {2, 0, 0x10, 0, 0});
         }),
         false},
        {"another application", stream([](GifBuilder& b) {
             b.Application("XMP DataXMP", {1, 0, 0});
         }),
         false},
        {"loop sub-block cut short", stream([](GifBuilder& b) {
             b.Application("NETSCAPE2.0", {1, 0});
         }),
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scanned(c.gif), c.loops) << c.what;
        Decoded run(c.gif, "i", 1);
        ASSERT_TRUE(run.ok) << c.what;
        EXPECT_EQ(run.decoder.Page().loopBlock, c.loops) << c.what;
    }

    // A looping block behind the first image still makes the file loop; the single pass tells
    // each page only what came before it, and the whole file in its result.
    const Bytes late = GifBuilder()
                           .Screen(2, 2, kFourColors)
                           .Image(0, 0, 2, 2, {1, 1, 1, 1})
                           .Loop(0)
                           .Image(0, 0, 2, 2, {2, 2, 2, 2})
                           .Trailer()
                           .Get();
    Decoded first(late, "i", 0);
    EXPECT_TRUE(first.decoder.Page().loopBlock);
    std::vector<bool> pages;
    GifScanResult result =
        GifDecoder::DecodeAllImages(late, 10, [&](const GifPageInfo& page, CDib&&) {
            pages.push_back(page.loopBlock);
            return true;
        });
    EXPECT_TRUE(result.loopBlock);
    EXPECT_EQ(pages, (std::vector<bool>{false, true}));
}

TEST(GifDecoder, SinglePassStopsAtTheFirstBadImage) {
    Bytes gif = GifBuilder()
                    .Screen(4, 4, kFourColors)
                    .Image(0, 0, 2, 2, {1, 1, 1, 1})
                    .Image(0, 0, 0, 2, {})  // zero width
                    .Image(0, 0, 2, 2, {2, 2, 2, 2})
                    .Trailer()
                    .Get();
    GifScanResult result =
        GifDecoder::DecodeAllImages(gif, 10, [](const GifPageInfo&, CDib&&) { return true; });
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.delivered, 1u);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(GifDecoder::DecodeAllImages(Bytes{'G', 'I', 'F'}, 10, {}).complete);
}

TEST(GifDecoder, BlankPictureFileIsA187ByteWhiteImage) {
    const auto path = std::filesystem::path(VORLA_SOURCE_DIR) / "resources/dfnwim.dxt";
    Bytes file = test::ReadBytes(path.string());
    ASSERT_EQ(file.size(), 187u) << "have " << file.size() << " bytes";
    Decoded run(file, "i", 0);
    ASSERT_TRUE(run.ok);
    EXPECT_FALSE(run.decoder.ImageMissing());
    EXPECT_EQ(run.dib.Width(), 100);
    EXPECT_EQ(run.dib.Height(), 100);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(run.dib.PixelColor(x, y), MakeRgb(255, 255, 255)) << "at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace vorla
