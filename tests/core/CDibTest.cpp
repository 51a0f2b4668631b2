#include <gtest/gtest.h>

#include <cstring>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "support/ScriptedUserInterface.h"

namespace vorla {
namespace {

CDib MakeIndexed(int width, int height) {
    CDib dib;
    dib.Create(width, height, 8, 256);
    for (int i = 0; i < 256; ++i) dib.SetPaletteColor(i, MakeRgb(i, 255 - i, i / 2));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) dib.SetIndex(x, y, static_cast<std::uint8_t>(x + 7 * y));
    return dib;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(CDib, RoundTripKeepsPixelsPaletteAndRowOrder) {
    CDib original = MakeIndexed(5, 3);  // stride 8: padding bytes in every row
    std::vector<std::uint8_t> bytes = original.ToBytes();
    EXPECT_EQ(bytes.size(), 14u + 40u + 256u * 4u + 8u * 3u);
    CDib copy;
    ASSERT_TRUE(copy.FromBytes(bytes));
    EXPECT_EQ(copy, original);
    EXPECT_EQ(copy.Index(4, 0), 4);
    EXPECT_EQ(copy.Index(0, 2), 14);
    // Bottom-up storage: the last stored row is the top row of the picture.
    EXPECT_EQ(bytes[14 + 40 + 1024 + 8 * 2 + 1], 1);
}

TEST(CDib, ReadsTopDownAndTwentyFourBitStreams) {
    CDib rgb;
    rgb.Create(3, 2, 24);
    rgb.SetPixelColor(2, 0, MakeRgb(10, 20, 30));
    std::vector<std::uint8_t> bytes = rgb.ToBytes();
    // Flip to a top-down stream: negative height, rows stored top first.
    std::vector<std::uint8_t> topDown = bytes;
    Put32(topDown, 22, static_cast<std::uint32_t>(-2));
    std::size_t stride = 12;
    std::memcpy(topDown.data() + 54, bytes.data() + 54 + stride, stride);
    std::memcpy(topDown.data() + 54 + stride, bytes.data() + 54, stride);
    CDib read;
    ASSERT_TRUE(read.FromBytes(topDown));
    EXPECT_TRUE(read.TopDown());
    EXPECT_EQ(read.PixelColor(2, 0), MakeRgb(10, 20, 30));
    EXPECT_EQ(read.PixelColor(2, 1), 0u);
}

TEST(CDib, RefusesStreamsThatDoNotFitTheirHeaders) {
    test::ScriptedUserInterface ui;
    const std::vector<std::uint8_t> good = MakeIndexed(4, 4).ToBytes();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    auto with = [&](std::size_t at, std::uint32_t v) {
        auto b = good;
        Put32(b, at, v);
        return b;
    };
    std::vector<Case> cases = {
        {"shorter than a file header", {0x42, 0x4D, 1, 2}, "Bitmap reading error (memory)"},
        {"not BM", with(0, 0x12345678), "Invalid bitmap file (memory)"},
        {"pixel data cut short", {good.begin(), good.end() - 3}, "Bitmap reading error (memory)"},
        {"colour table beyond the header block", with(46, 300), "Bitmap reading error (memory)"},
        {"absurd width", with(18, 0x7FFFFFFF), "Bitmap reading error (memory)"},
        {"absurd height", with(22, 0x80000000), "Bitmap reading error (memory)"},
        {"bits offset inside the file header", with(10, 20), "Bitmap reading error (memory)"},
        {"bits offset far beyond the data", with(10, 0x7FFFFFF0), "Bitmap reading error (memory)"},
        {"header size larger than its block", with(14, 5000), "Bitmap reading error (memory)"},
        {"unknown compression", with(30, 9), "Bitmap reading error (memory)"},
    };
    for (const Case& c : cases) {
        ui.Clear();
        CDib dib;
        EXPECT_FALSE(dib.FromBytes(c.bytes, &ui)) << c.what;
        EXPECT_TRUE(dib.IsEmpty()) << c.what;
        EXPECT_EQ(ui.LastMessage(), c.message) << c.what;
    }
}

TEST(CDib, UncompressedPixelsNeedAFullStrideWhateverTheHeaderClaims) {
    std::vector<std::uint8_t> bytes = MakeIndexed(4, 4).ToBytes();
    Put32(bytes, 34, 3);  // image size field says 3 bytes; the 16 bytes present are still read
    CDib dib;
    ASSERT_TRUE(dib.FromBytes(bytes));
    EXPECT_EQ(dib.ImageSize(), 16u);
    EXPECT_EQ(dib.Index(3, 3), 3 + 21);
}

TEST(FrameEntry, SerialisesToFiftyNineBytesAndBack) {
    FrameEntry entry;
    entry.left = -3;
    entry.top = 7;
    entry.width = 300;
    entry.height = 200;
    entry.delay = 250;
    entry.colorCount = 128;
    entry.transparentIndex = 127;
    entry.controlFlags = 8;
    entry.selected = 1;
    entry.gapSelected = 0;
    entry.transparent = 1;
    entry.restoreBackground = 1;
    entry.interlaced = 1;
    entry.transparentColor = MakeRgb(1, 2, 3);
    entry.keyColor = MakeRgb(16, 32, 48);
    entry.effectWord = 0xDEADBEEF;
    entry.link.word1 = 11;
    entry.link.word2 = 22;
    entry.link.linkedTime = 1700000000;
    auto bytes = entry.Serialize();
    static_assert(sizeof(bytes) == 59);
    FrameEntry back = FrameEntry::Deserialize(bytes);
    EXPECT_EQ(back, entry);
    // Link strings never travel in the record.
    entry.link.linkedPath = "/tmp/x.bmp";
    EXPECT_EQ(FrameEntry::Deserialize(entry.Serialize()).link.linkedPath, "");
    EXPECT_EQ(bytes[0], 0xFD);  // little-endian int16 -3
    EXPECT_EQ(bytes[12], 127);  // transparentIndex follows the six int16 fields
}

}  // namespace
}  // namespace vorla
