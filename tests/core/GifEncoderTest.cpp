#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/gif/GifDecoder.h"
#include "core/gif/GifEncoder.h"
#include "core/gif/GifLzwEncoder.h"
#include "core/gif/WriteAnimation.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An 8-bit frame whose palette entry i is a colour unique to i; pixels from pick(x, y).
template <typename Pick>
CDib MakeFrame(int width, int height, Pick pick) {
    CDib dib;
    dib.Create(width, height, 8, 256);
    for (int i = 0; i < 256; ++i) dib.SetPaletteColor(i, MakeRgb(i, 255 - i, (i * 7) & 0xFF));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) dib.SetIndex(x, y, static_cast<std::uint8_t>(pick(x, y)));
    }
    return dib;
}

CDib NoiseFrame(int width, int height, int colors, unsigned seed) {
    std::mt19937 random(seed);
    return MakeFrame(width, height, [&](int, int) { return random() % colors; });
}

// The single-image stream of one bitmap.
Bytes EncodeOne(GifEncoder& encoder, const CDib& dib, const char* options = "x") {
    MemoryStream bmp;
    dib.Write(bmp);
    MemoryStream gif;
    EXPECT_TRUE(encoder.EncodeImage(bmp, gif, options));
    return gif.Bytes();
}

// The blocks of a GIF stream as the writer lays them out.
struct Parsed {
    struct Image {
        std::size_t descriptorAt = 0;
        int left = 0, top = 0, width = 0, height = 0;
        std::uint8_t packed = 0;
        Bytes table;
        int minCodeSize = 0;
        std::vector<std::size_t> blockSizes;
        Bytes data;  // the sub-blocks joined
    };
    std::vector<Image> images;
    std::vector<Bytes> controls;  // the 4 bytes of each graphic control extension
    std::vector<std::string> applications;
    std::vector<std::string> comments;
    bool trailer = false;
};

Parsed Parse(const Bytes& b) {
    Parsed p;
    auto u16 = [&](std::size_t at) { return b[at] | (b[at + 1] << 8); };
    std::size_t at = 13;
    if (b[10] & 0x80) at += 3 * (std::size_t{2} << (b[10] & 7));
    auto blocks = [&](std::vector<std::size_t>* sizes, Bytes* data) {
        while (at < b.size() && b[at] != 0) {
            std::size_t n = b[at];
            if (sizes) sizes->push_back(n);
            if (data) data->insert(data->end(), b.begin() + at + 1, b.begin() + at + 1 + n);
            at += n + 1;
        }
        ++at;
    };
    while (at < b.size()) {
        std::uint8_t tag = b[at];
        if (tag == 0x3B) {
            p.trailer = at + 1 == b.size();
            break;
        }
        if (tag == 0x21) {
            std::uint8_t label = b[at + 1];
            at += 2;
            Bytes data;
            blocks(nullptr, &data);
            if (label == 0xF9) p.controls.push_back(data);
            if (label == 0xFF) p.applications.emplace_back(data.begin(), data.end());
            if (label == 0xFE) p.comments.emplace_back(data.begin(), data.end());
            continue;
        }
        if (tag != 0x2C) break;
        Parsed::Image image;
        image.descriptorAt = at;
        image.left = u16(at + 1);
        image.top = u16(at + 3);
        image.width = u16(at + 5);
        image.height = u16(at + 7);
        image.packed = b[at + 9];
        at += 10;
        if (image.packed & 0x80) {
            std::size_t n = 3 * (std::size_t{2} << (image.packed & 7));
            image.table.assign(b.begin() + at, b.begin() + at + n);
            at += n;
        }
        image.minCodeSize = b[at++];
        blocks(&image.blockSizes, &image.data);
        p.images.push_back(std::move(image));
    }
    return p;
}

std::vector<std::pair<GifPageInfo, CDib>> DecodeAll(const Bytes& gif) {
    std::vector<std::pair<GifPageInfo, CDib>> pages;
    GifScanResult scan =
        GifDecoder::DecodeAllImages(gif, SIZE_MAX, [&](const GifPageInfo& page, CDib&& dib) {
            pages.emplace_back(page, std::move(dib));
            return true;
        });
    EXPECT_TRUE(scan.complete) << scan.error;
    return pages;
}

TEST(GifEncoder, OneIndexFrameGetsTwoEntriesOneBitAndCodeSizeTwo) {
    GifEncoder encoder;
    const CDib dib = MakeFrame(5, 3, [](int, int) { return 7; });
    const Bytes gif = EncodeOne(encoder, dib);
    EXPECT_EQ(encoder.ColorCount(), 2);
    EXPECT_EQ(encoder.ColorTableSize(), 2);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
    EXPECT_EQ(gif[10], 0x80) << "global table of 2 entries";
    const Parsed parsed = Parse(gif);
    ASSERT_EQ(parsed.images.size(), 1u);
    EXPECT_EQ(parsed.images[0].minCodeSize, 2);
    EXPECT_EQ(parsed.images[0].descriptorAt, 13u + 6u);
    auto pages = DecodeAll(gif);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].second.Index(4, 2), 0) << "index 7 becomes 0";
    EXPECT_EQ(pages[0].second.PaletteColor(0), dib.PaletteColor(7));
}

TEST(GifEncoder, SpareEntryDecidesTheTableSize) {
    // used colours -> entries written
    const std::pair<int, int> cases[] = {{127, 128}, {128, 256}, {255, 256}, {256, 256}};
    for (auto [used, entries] : cases) {
        GifEncoder encoder;
        // Indices from the top of the palette down, so compaction moves every one of them.
        const CDib dib = MakeFrame(64, 16, [&](int x, int y) { return 255 - (y * 64 + x) % used; });
        const Bytes gif = EncodeOne(encoder, dib);
        EXPECT_EQ(encoder.ColorTableSize(), entries)
            << "have " << encoder.ColorTableSize() << " entries for " << used << " colours, want "
            << entries;
        EXPECT_EQ(encoder.ColorCount(), used < 255 ? used + 1 : used);
        EXPECT_EQ(Parse(gif).images[0].minCodeSize, entries == 128 ? 7 : 8);
    }
}

TEST(GifEncoder, CompactionKeepsIndexOrderAndColours) {
    GifEncoder encoder;
    const int picks[] = {200, 3, 77, 3, 250};
    const CDib dib = MakeFrame(5, 1, [&](int x, int) { return picks[x]; });
    const Bytes gif = EncodeOne(encoder, dib);
    auto pages = DecodeAll(gif);
    ASSERT_EQ(pages.size(), 1u);
    const int want[] = {2, 0, 1, 0, 3};  // 3 -> 0, 77 -> 1, 200 -> 2, 250 -> 3
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(pages[0].second.Index(x, 0), want[x]) << "pixel " << x;
        EXPECT_EQ(pages[0].second.PaletteColor(want[x]), dib.PaletteColor(picks[x]));
    }
    EXPECT_EQ(encoder.ColorTableSize(), 8) << "4 colours + spare";
}

TEST(GifEncoder, ColoursOnlyFewPixelsUseAreKeptBesideRepeatedGroupsAndNoise) {
    // Rows of one colour or a period-4 pattern (16-pixel groups that repeat), each with one pixel
    // of a colour of its own at a place that moves through groups and the row's tail, some behind
    // a noise row; widths around multiples of 16.
    for (const int width : {16, 17, 47, 64, 100}) {
        const int height = 12;
        auto pick = [&](int x, int y) {
            if (y == 4 || y == 8) return (x * 37 + y * 11) % 60;  // noise: colours 0..59
            if (x == (y * 29 + 3) % width) return 200 + y;        // the row's own colour
            return y % 2 ? 100 + x % 4 : 150;
        };
        GifEncoder encoder;
        const CDib dib = MakeFrame(width, height, pick);
        std::array<bool, 256> seen{};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) seen[static_cast<std::size_t>(pick(x, y))] = true;
        }
        const int distinct = static_cast<int>(std::count(seen.begin(), seen.end(), true));
        const Bytes gif = EncodeOne(encoder, dib);
        EXPECT_EQ(encoder.ColorCount(), distinct + 1) << "width " << width;
        auto pages = DecodeAll(gif);
        ASSERT_EQ(pages.size(), 1u);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(pages[0].second.PaletteColor(pages[0].second.Index(x, y)),
                          dib.PaletteColor(pick(x, y)))
                    << "width " << width << ", pixel " << x << ", " << y;
            }
        }
    }
}

TEST(GifEncoder, SubBlocksCarryAtMost254Bytes) {
    GifEncoder encoder;
    const Bytes gif = EncodeOne(encoder, NoiseFrame(200, 150, 256, 5));
    const Parsed parsed = Parse(gif);
    ASSERT_EQ(parsed.images.size(), 1u);
    const auto& sizes = parsed.images[0].blockSizes;
    ASSERT_GT(sizes.size(), 2u);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (i + 1 < sizes.size()) {
            EXPECT_EQ(sizes[i], 254u) << "block " << i;
        } else {
            EXPECT_LE(sizes[i], 254u);
        }
    }
    EXPECT_TRUE(parsed.trailer);
}

TEST(GifEncoder, FullTableWritesPrefixThenClearAtInitialWidth) {
    GifEncoder encoder;
    const CDib dib = NoiseFrame(120, 100, 256, 9);
    const Bytes gif = EncodeOne(encoder, dib);
    const Parsed parsed = Parse(gif);
    const Bytes& data = parsed.images[0].data;
    // Read the codes with the reader's width rule: after the first code of a generation every
    // code adds an entry, and the width grows when the next entry reaches 2^width.
    std::size_t bit = 0;
    auto read = [&](int width) {
        int code = 0;
        for (int k = 0; k < width; ++k, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << k;
        return code;
    };
    int width = 9, next = 258, clears = 0, codes = 0;
    bool first = true;
    while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
        const int code = read(width);
        ++codes;
        if (code == 257) break;
        if (code == 256) {
            if (clears > 0) {
                EXPECT_EQ(next, 4096) << "a clear only when the table is full";
                EXPECT_EQ(width, 12) << "the clear is written at the full width";
            }
            ++clears;
            width = 9;
            next = 258;
            first = true;
            const std::size_t at = bit;
            EXPECT_LT(read(9), 256) << "the code after a clear is a literal at 9 bits";
            bit = at;
            continue;
        }
        ASSERT_LE(code, next) << "code " << codes;
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        first = false;
    }
    EXPECT_GE(clears, 3) << "12000 noisy pixels fill the table at least twice";
    auto pages = DecodeAll(gif);
    ASSERT_EQ(pages.size(), 1u);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 120; ++x) {
            ASSERT_EQ(pages[0].second.Index(x, y), dib.Index(x, y)) << "at " << x << "," << y;
        }
    }
}

TEST(GifEncoder, InterlacedHeightThreeWritesRowsZeroTwoOne) {
    GifEncoder encoder;
    const CDib dib = MakeFrame(4, 3, [](int, int y) { return 10 + y; });
    Bytes gif = EncodeOne(encoder, dib, "xi");
    Parsed parsed = Parse(gif);
    ASSERT_EQ(parsed.images.size(), 1u);
    EXPECT_EQ(parsed.images[0].packed, 0x40);
    // Clearing the interlace bit makes the reader hand the rows over in stored order.
    gif[parsed.images[0].descriptorAt + 9] = 0;
    auto pages = DecodeAll(gif);
    ASSERT_EQ(pages.size(), 1u);
    const int want[] = {0, 2, 1};  // new indices of rows 0, 2, 1
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(pages[0].second.Index(0, y), want[y]) << "stored row " << y;
}

TEST(GifEncoder, BitmapAndBmpStreamSourcesGiveTheSameBytes) {
    GifEncoder encoder;
    for (const char* options : {"x", "i"}) {
        for (int colors : {2, 5, 200, 256}) {
            const CDib dib = NoiseFrame(37, 23, colors, static_cast<unsigned>(colors));
            const Bytes fromStream = EncodeOne(encoder, dib, options);
            MemoryStream gif;
            ASSERT_TRUE(encoder.EncodeImage(dib, gif, options));
            EXPECT_EQ(gif.Bytes(), fromStream) << colors << " colours, options " << options;
        }
    }
    // Used colours already 0..n-1 take the copy path; a gap in them takes the remap path.
    const CDib dense = MakeFrame(9, 4, [](int x, int) { return x % 3; });
    const CDib sparse = MakeFrame(9, 4, [](int x, int) { return x % 3 == 0 ? 0 : 200; });
    for (const CDib* dib : {&dense, &sparse}) {
        MemoryStream gif;
        ASSERT_TRUE(encoder.EncodeImage(*dib, gif, "x"));
        EXPECT_EQ(gif.Bytes(), EncodeOne(encoder, *dib));
    }
}

TEST(GifEncoder, RefusesSourcesThatAreNotEightBitBmp) {
    GifEncoder encoder;
    CDib rgb;
    rgb.Create(3, 3, 24);
    MemoryStream bmp;
    rgb.Write(bmp);
    MemoryStream gif;
    EXPECT_FALSE(encoder.EncodeImage(bmp, gif, "x"));
    EXPECT_EQ(gif.Length(), 0);
    MemoryStream junk(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(encoder.EncodeImage(junk, gif, "x"));
    EXPECT_EQ(gif.Length(), 0);
}

// The classic hashed compressor, written out plainly: 5003 slots holding (pixel << 12) + prefix,
// first probe (pixel << 4) ^ prefix, secondary step 5003 - slot, a secondary probe stopping at a
// slot that is empty (-1) or holds 0. The fast encoder must give its codes exactly.
Bytes ClassicLzw(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    constexpr int kSlots = 5003;
    std::vector<long> keys(kSlots, -1);
    std::vector<int> codes(kSlots, 0);
    Bytes out;
    std::uint32_t acc = 0;
    int pending = 0, bits = minCodeSize + 1;
    const int clear = 1 << minCodeSize;
    int next = clear + 2;
    bool justCleared = false;
    auto put = [&](int code) {
        acc |= static_cast<std::uint32_t>(code) << pending;
        for (pending += bits; pending >= 8; pending -= 8, acc >>= 8) {
            out.push_back(static_cast<std::uint8_t>(acc));
        }
        if (justCleared) {
            bits = minCodeSize + 1;
            justCleared = false;
        } else if (next > (1 << bits) - 1 && bits < 12) {
            ++bits;
        }
    };
    put(clear);
    if (!pixels.empty()) {
        int prefix = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int c = pixels[i];
            const long key = (static_cast<long>(c) << 12) + prefix;
            int slot = (c << 4) ^ prefix;
            bool found = keys[slot] == key;
            if (!found && keys[slot] >= 0) {
                const int step = slot == 0 ? 1 : kSlots - slot;
                do {
                    slot -= step;
                    if (slot < 0) slot += kSlots;
                    found = keys[slot] == key;
                } while (!found && keys[slot] > 0);
            }
            if (found) {
                prefix = codes[slot];
                continue;
            }
            put(prefix);
            if (next < 4096) {
                codes[slot] = next++;
                keys[slot] = key;
            } else {
                std::fill(keys.begin(), keys.end(), -1);
                next = clear + 2;
                justCleared = true;
                put(clear);
            }
            prefix = c;
        }
        put(prefix);
    }
    put(clear + 1);
    if (pending > 0) out.push_back(static_cast<std::uint8_t>(acc));
    return out;
}

TEST(GifEncoder, CodesEqualTheClassicHashedCompressorOnRandomAndDitheredImages) {
    GifLzwEncoder lzw;
    std::mt19937 random(17);
    int hashedLives = 0;
    auto check = [&](const std::vector<std::uint8_t>& pixels, int minCodeSize,
                     const std::string& what) {
        const GifLzwEncoder::Codes codes = lzw.Compress(pixels.data(), pixels.size(), minCodeSize);
        hashedLives += lzw.HashedLives();
        const Bytes want = ClassicLzw(pixels, minCodeSize);
        const Bytes have(codes.data, codes.data + codes.size);
        ASSERT_EQ(have.size(), want.size())
            << what << ": have " << have.size() << " bytes, want " << want.size();
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_EQ(have[i], want[i])
                << what << ": byte " << i << " have " << int{have[i]} << ", want " << int{want[i]};
        }
    };
    for (int colors : {2, 3, 4, 7, 16, 29, 64, 130, 200, 256}) {
        int minCodeSize = 2;
        while ((1 << minCodeSize) < colors) ++minCodeSize;
        for (int round = 0; round < 4; ++round) {
            const std::string what =
                std::to_string(colors) + " colours, round " + std::to_string(round);
            std::vector<std::uint8_t> noise(2000 + random() % 40000);
            // Every other round leans on index 0, whose pair 0 0 is the key the classic hash
            // treats specially.
            for (auto& p : noise) {
                p = static_cast<std::uint8_t>(round % 2 && random() % 6 == 0 ? 0
                                                                             : random() % colors);
            }
            check(noise, minCodeSize, "noise, " + what);
            const int width = 97 + round * 61;
            std::vector<std::uint8_t> dither(static_cast<std::size_t>(width) * 150);
            static constexpr int kBayer[4][4] = {
                {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
            for (int y = 0; y < 150; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int level = (x * 3 + y * (round + 1)) * (colors - 1) * 16 / (width * 4) +
                                      kBayer[y & 3][x & 3];
                    dither[static_cast<std::size_t>(y * width + x)] =
                        static_cast<std::uint8_t>(std::min(level / 16, colors - 1));
                }
            }
            check(dither, minCodeSize, "dither, " + what);
        }
    }
    // 16 1 puts its key in classic slot 0 before 0 0 arrives; the rest fills the table twice.
    std::vector<std::uint8_t> slotZero = {16, 1, 0, 0};
    for (int i = 0; i < 20000; ++i) slotZero.push_back(static_cast<std::uint8_t>(random()));
    const int before = hashedLives;
    check(slotZero, 8, "slot 0 taken first");
    EXPECT_GT(hashedLives, before) << "16 1 then 0 0 runs the rest of that table on the hash";
    check({}, 8, "no pixels");
    check({5}, 3, "one pixel");
}

// Pixels after 16 1 0 0: the key of 16 1 takes classic slot 0, so 0 0 lands elsewhere, and the
// noise (every zeroShare-th pixel 0) then has new keys probe onto that slot and overwrite it.
std::vector<std::uint8_t> SlotZeroNoise(std::mt19937& random, int colors, int zeroShare) {
    std::vector<std::uint8_t> pixels = {16, 1, 0, 0};
    for (int i = 0; i < 20000; ++i) {
        pixels.push_back(
            static_cast<std::uint8_t>(random() % zeroShare == 0 ? 0 : random() % colors));
    }
    return pixels;
}

TEST(GifEncoder, CodesEqualTheClassicCompressorAfterItOverwritesKeyZero) {
    GifLzwEncoder lzw;
    std::mt19937 random(23);
    // Of these twelve inputs several overwrite key 0 once or more, then look 0 0 up again.
    for (int zeroShare : {2, 3, 6}) {
        for (int colors : {16, 64, 200, 256}) {
            const std::vector<std::uint8_t> pixels = SlotZeroNoise(random, colors, zeroShare);
            const GifLzwEncoder::Codes codes = lzw.Compress(pixels.data(), pixels.size(), 8);
            EXPECT_GE(lzw.HashedLives(), 1);
            const Bytes have(codes.data, codes.data + codes.size);
            EXPECT_EQ(have, ClassicLzw(pixels, 8))
                << colors << " colours, every " << zeroShare << ". pixel 0";
        }
    }
}

TEST(GifEncoder, RowsThroughAMapGiveTheCodesOfTheMappedPixels) {
    GifLzwEncoder lzw;
    std::mt19937 random(5);
    // Stored values 100..139 map to 0..39 backwards; rows taken out of order, a 1-pixel width.
    std::array<std::uint8_t, 256> map{};
    for (int v = 100; v < 140; ++v)
        map[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(139 - v);
    for (const std::size_t width : {std::size_t{1}, std::size_t{7}, std::size_t{333}}) {
        std::vector<std::vector<std::uint8_t>> stored(90, std::vector<std::uint8_t>(width));
        for (auto& row : stored) {
            for (auto& v : row)
                v = static_cast<std::uint8_t>(100 + (random() % 3 ? 0 : random() % 40));
        }
        std::vector<const std::uint8_t*> rows;
        std::vector<std::uint8_t> flat;
        for (std::size_t r = 0; r < stored.size(); ++r) {
            const auto& row = stored[(r * 7) % stored.size()];
            rows.push_back(row.data());
            for (const std::uint8_t v : row) flat.push_back(map[v]);
        }
        const GifLzwEncoder::Codes codes =
            lzw.Compress(rows.data(), rows.size(), width, map.data(), 6);
        const Bytes have(codes.data, codes.data + codes.size);
        EXPECT_EQ(have, ClassicLzw(flat, 6)) << "width " << width;
    }
    const GifLzwEncoder::Codes none = lzw.Compress(nullptr, 0, 5, map.data(), 2);
    EXPECT_EQ(Bytes(none.data, none.data + none.size), ClassicLzw({}, 2));
}

TEST(GifEncoder, DamagedStreamsReportTheirCodes) {
    test::ScriptedUserInterface ui;
    GifEncoder encoder(&ui);
    FrameEntry entry;
    MemoryStream record;
    Bytes good = EncodeOne(encoder, MakeFrame(2, 2, [](int x, int) { return x; }));

    Bytes noTable = good;
    noTable[10] &= 0x7F;
    MemoryStream a(noTable);
    EXPECT_FALSE(encoder.WriteFrameRecord(a, record, entry, 2, 2, 0, false, true, true));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (52412)"));

    Bytes noDescriptor = good;
    noDescriptor[13 + 12] = 0x2D;  // behind a 4-entry table
    MemoryStream b(noDescriptor);
    EXPECT_FALSE(encoder.WriteFrameRecord(b, record, entry, 2, 2, 0, false, true, true));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (64312)"));

    MemoryStream output(Bytes{'G', 'I', 'F', 0x00});
    MemoryStream noControl(Bytes(40, 0));
    EXPECT_FALSE(encoder.AppendFrameRecord(output, noControl, false));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (43623)"));

    MemoryStream c(good);
    ASSERT_TRUE(encoder.WriteFrameRecord(c, record, entry, 2, 2, 0, false, false, false));
    EXPECT_FALSE(encoder.AppendFrameRecord(output, record, false));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (86533)"));
    EXPECT_EQ(output.Length(), 4) << "the output is left alone";
}

// Frame tables built the way the loader builds them.
class WriteAnimationTest : public test::TableTest<> {
protected:
    WriteAnimationTest() { table = NewTable(1); }

    // Adds a frame through AddFrameFromSource kind 2; info's size comes from the bitmap.
    void Add(const CDib& image, GifPageInfo info) {
        info.width = image.Width();
        info.height = image.Height();
        info.screenWidth = std::max(info.screenWidth, info.left + info.width);
        info.screenHeight = std::max(info.screenHeight, info.top + info.height);
        if (info.colorCount == 0) info.colorCount = 256;
        auto& pages = imaging.gifs["a.gif"];
        pages.push_back({image, info});
        ASSERT_EQ(table->AddFrameFromSource(2, "a.gif", static_cast<int>(pages.size()) - 1),
                  FrameTable::kAddDone);
    }

    // A page of a looping file, so the document loops as the loader leaves it.
    static GifPageInfo Info(int delay, int disposal = 1) {
        GifPageInfo info;
        info.delay = delay;
        info.controlByte = static_cast<std::uint8_t>(disposal << 2);
        info.loopBlock = true;
        return info;
    }

    Bytes Write(bool preserve = true) {
        MemoryStream out;
        GifEncoder encoder;
        std::int64_t length = WriteAnimation(*table, out, preserve, false, encoder, &document);
        EXPECT_EQ(length, out.Length());
        return out.Bytes();
    }

    CAnvoDoc document;
    std::unique_ptr<FrameTable> table;
};

TEST_F(WriteAnimationTest, OneFrameFileIsExactlyTheDescribedBytes) {
    const int picks[] = {4, 9};
    Add(MakeFrame(2, 1, [&](int x, int) { return picks[x]; }), Info(7));
    const CDib& frame = table->frameImages[0];
    const Colorref c0 = frame.PaletteColor(4);
    const Colorref c1 = frame.PaletteColor(9);
    const Bytes want = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0xF1, 0, 0,  // screen
                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 4-entry global table
                        0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3,
                        1, 0, 0, 0, 0x21, 0xF9, 0x04, 0x04, 7, 0, 0, 0,  // opaque, disposal 1, 7 cs
                        0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x81,              // local table of 4 entries
                        static_cast<std::uint8_t>(RedOf(c0)),
                        static_cast<std::uint8_t>(GreenOf(c0)),
                        static_cast<std::uint8_t>(BlueOf(c0)), static_cast<std::uint8_t>(RedOf(c1)),
                        static_cast<std::uint8_t>(GreenOf(c1)),
                        static_cast<std::uint8_t>(BlueOf(c1)), 0, 0, 0, 0, 0, 0,
                        // codes clear 4, 0, 1, end 5 at 3 bits each
                        2, 2, 0x44, 0x0A, 0, 0x3B};
    document.modified = true;
    EXPECT_EQ(Write(), want);
    EXPECT_FALSE(document.modified) << "a written document is no longer modified";
}

TEST_F(WriteAnimationTest, LoopBlockOnceAfterTheGlobalTableAndCommentForTwoFrames) {
    for (int k = 0; k < 3; ++k) Add(NoiseFrame(6, 4, 5, k), Info(10 + k));
    Bytes gif = Write();
    Parsed parsed = Parse(gif);
    ASSERT_EQ(parsed.applications.size(), 1u);
    EXPECT_EQ(std::string(gif.begin() + 28, gif.begin() + 39), "NETSCAPE2.0");
    EXPECT_EQ(parsed.comments, std::vector<std::string>{"Vorla"});
    ASSERT_GE(gif.size(), 10u);
    EXPECT_EQ(Bytes(gif.end() - 10, gif.end()),
              (Bytes{0x21, 0xFE, 0x05, 'V', 'o', 'r', 'l', 'a', 0x00, 0x3B}));
    EXPECT_EQ(parsed.images.size(), 3u);
    EXPECT_EQ(parsed.controls.size(), 3u);

    table->settings.loopForever = false;
    parsed = Parse(Write());
    EXPECT_TRUE(parsed.applications.empty()) << "no looping block when the loop flag is off";
    EXPECT_TRUE(parsed.trailer);
}

TEST_F(WriteAnimationTest, SingleFrameEndsWithoutComment) {
    Add(NoiseFrame(6, 4, 5, 1), Info(10));
    const Bytes gif = Write();
    EXPECT_EQ(gif[gif.size() - 2], 0x00);
    EXPECT_EQ(gif.back(), 0x3B);
    EXPECT_TRUE(Parse(gif).comments.empty());
}

TEST_F(WriteAnimationTest, ControlByteKeepsUserBitsAndDisposalsOneTwoAndThree) {
    Add(NoiseFrame(3, 3, 4, 1), Info(5, 3));  // restore to previous stays
    Add(NoiseFrame(3, 3, 4, 2), Info(5, 2));
    Add(NoiseFrame(3, 3, 4, 3), Info(5, 0));  // unspecified is written as leave in place
    Add(NoiseFrame(3, 3, 4, 4), Info(5, 3));
    Add(NoiseFrame(3, 3, 4, 5), Info(5, 6));  // undefined values too
    Add(NoiseFrame(3, 3, 4, 6), Info(5, 2));
    table->entries[0].controlFlags |= 0xE2;   // reserved bits and the user-input bit
    table->entries[3].restoreBackground = 1;  // turned on later: restore to background wins
    table->entries[5].restoreBackground = 0;  // turned off: leave in place, not the old 2
    const Parsed parsed = Parse(Write());
    ASSERT_EQ(parsed.controls.size(), 6u);
    EXPECT_EQ(parsed.controls[0], (Bytes{0xEE, 5, 0, 0}));
    EXPECT_EQ(parsed.controls[1], (Bytes{0x08, 5, 0, 0}));
    EXPECT_EQ(parsed.controls[2], (Bytes{0x04, 5, 0, 0}));
    EXPECT_EQ(parsed.controls[3], (Bytes{0x08, 5, 0, 0}));
    EXPECT_EQ(parsed.controls[4], (Bytes{0x04, 5, 0, 0}));
    EXPECT_EQ(parsed.controls[5], (Bytes{0x04, 5, 0, 0}));
}

TEST_F(WriteAnimationTest, UnusedTransparentIndexBecomesTheLastEntry) {
    GifPageInfo info = Info(4);
    info.transparent = true;
    info.transparentIndex = 200;  // no pixel uses it
    Add(MakeFrame(5, 2, [](int x, int) { return x % 3; }), info);
    const FrameEntry before = table->entries[0];
    const CDib imageBefore = table->frameImages[0];

    const Parsed parsed = Parse(Write(true));
    ASSERT_EQ(parsed.images.size(), 1u);
    EXPECT_EQ(parsed.images[0].table.size(), 4u * 3u) << "3 colours + spare";
    EXPECT_EQ(parsed.controls[0], (Bytes{0x05, 4, 0, 3})) << "transparent flag, index 3";
    const Bytes& t = parsed.images[0].table;
    // The write renews the key colour first: entry 200 holds black (the key colour the load
    // chose), so the first free grid colour is now (0, 0, 32).
    EXPECT_EQ(MakeRgb(t[9], t[10], t[11]), MakeRgb(0, 0, 32)) << "key colour in the spare entry";
    EXPECT_EQ(table->entries[0], before) << "preserveFrames restores the entry";
    EXPECT_EQ(table->frameImages[0], imageBefore) << "preserveFrames restores the palette";

    MemoryStream measure;
    GifEncoder encoder;
    EXPECT_GT(WriteAnimation(*table, measure, false, true, encoder), 0);
    EXPECT_EQ(measure.Length(), 0) << "measuring writes nothing";
    const FrameEntry& after = table->entries[0];
    EXPECT_EQ(after.colorCount, 4) << "without preserveFrames colorCount is the written size";
    EXPECT_EQ(after.transparentColor, before.transparentColor) << "the loaded colour is kept";
    EXPECT_EQ(after.transparentIndex, 200) << "an index of the frame's own palette";
    EXPECT_EQ(table->PaletteColor(0, 200), after.keyColor);
    EXPECT_EQ(table->PaletteColor(0, 3), imageBefore.PaletteColor(3)) << "no used colour lost";
}

TEST_F(WriteAnimationTest, KeyColourEqualToAnEarlierUsedColourStillMarksTheRightIndex) {
    GifPageInfo info = Info(4);
    info.transparent = true;
    info.transparentIndex = 9;
    info.colorCount = 16;
    const int picks[] = {0, 5, 9};
    Add(MakeFrame(3, 1, [&](int x, int) { return picks[x]; }), info);
    // An earlier write without preserveFrames left colorCount at the written size, 4, so the
    // key colour search no longer sees entry 5: it picks black, which entry 5 also holds.
    table->entries[0].colorCount = 4;
    table->frameImages[0].SetPaletteColor(5, MakeRgb(0, 0, 0));
    const Parsed parsed = Parse(Write());
    ASSERT_EQ(parsed.controls.size(), 1u);
    const Bytes& t = parsed.images[0].table;
    ASSERT_EQ(MakeRgb(t[3], t[4], t[5]), MakeRgb(t[6], t[7], t[8])) << "entries 1 and 2 alike";
    EXPECT_EQ(parsed.controls[0][3], 2)
        << "have the first match, want the transparent pixels' index";
}

TEST_F(WriteAnimationTest, DecodingTheOutputGivesTheFramesBack) {
    Add(NoiseFrame(40, 30, 256, 1), Info(3));
    GifPageInfo moved = Info(12, 2);
    moved.left = 7;
    moved.top = 5;
    moved.interlaced = true;
    Add(MakeFrame(21, 13, [](int x, int y) { return (x * 3 + y * 17) % 64 + 100; }), moved);
    GifPageInfo see = Info(40, 1);
    see.transparent = true;
    see.transparentIndex = 9;
    Add(MakeFrame(40, 30, [](int x, int y) { return (x + y) % 5 == 0 ? 9 : 20 + x % 7; }), see);
    std::vector<CDib> before(table->frameImages.begin(), table->frameImages.begin() + 3);

    const Bytes gif = Write();
    auto pages = DecodeAll(gif);
    ASSERT_EQ(pages.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        const FrameEntry& entry = table->entries[static_cast<std::size_t>(k)];
        const GifPageInfo& page = pages[static_cast<std::size_t>(k)].first;
        const CDib& have = pages[static_cast<std::size_t>(k)].second;
        const CDib& want = before[static_cast<std::size_t>(k)];
        EXPECT_EQ(page.screenWidth, 40);
        EXPECT_EQ(page.screenHeight, 30);
        EXPECT_EQ(page.left, entry.left);
        EXPECT_EQ(page.top, entry.top);
        EXPECT_EQ(page.delay, entry.delay);
        EXPECT_EQ(page.interlaced, entry.interlaced != 0);
        EXPECT_EQ(page.transparent, entry.transparent != 0);
        EXPECT_EQ((page.controlByte >> 2) & 7, entry.restoreBackground ? 2 : 1);
        // Compaction: the used indices in their order.
        std::vector<int> newIndex(256, -1);
        int used = 0;
        std::vector<bool> isUsed(256, false);
        for (int y = 0; y < want.Height(); ++y)
            for (int x = 0; x < want.Width(); ++x) isUsed[want.Index(x, y)] = true;
        for (int i = 0; i < 256; ++i)
            if (isUsed[static_cast<std::size_t>(i)]) newIndex[static_cast<std::size_t>(i)] = used++;
        ASSERT_EQ(have.Width(), want.Width());
        ASSERT_EQ(have.Height(), want.Height());
        for (int y = 0; y < want.Height(); ++y) {
            for (int x = 0; x < want.Width(); ++x) {
                const int old = want.Index(x, y);
                ASSERT_EQ(have.Index(x, y), newIndex[static_cast<std::size_t>(old)])
                    << "at " << x << "," << y;
                // The transparent entry holds the key colour of the moment of writing.
                if (entry.transparent && old == entry.transparentIndex) continue;
                ASSERT_EQ(have.PaletteColor(have.Index(x, y)), want.PaletteColor(old));
            }
        }
        if (entry.transparent) {
            EXPECT_EQ(page.transparentIndex, newIndex[entry.transparentIndex]);
        }
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(table->frameImages[static_cast<std::size_t>(k)],
                  before[static_cast<std::size_t>(k)]);
    EXPECT_FALSE(table->loadingScreen);
}

// The writer's bytes for four kinds of animation, pinned by hash. A faster encoder must write
// exactly these files. The looping block is cut out before hashing: whether it is written is
// decided elsewhere, and these hashes pin what the encoder makes of the frames.
class WriteAnimationBytesTest : public WriteAnimationTest {
protected:
    static std::uint64_t Fnv1a(const Bytes& bytes) {
        std::uint64_t hash = 0xCBF29CE484222325ULL;
        for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001B3ULL;
        return hash;
    }

    std::uint64_t HashOfWrite(bool preserve) {
        Bytes gif = Write(preserve);
        static const std::string kLoop = "NETSCAPE2.0";
        if (gif.size() > 28 + 11 && std::string(gif.begin() + 28, gif.begin() + 39) == kLoop) {
            gif.erase(gif.begin() + 25, gif.begin() + 25 + 19);
        }
        return Fnv1a(gif);
    }

    static GifPageInfo At(int left, int top, int delay, bool restore = false) {
        GifPageInfo info = Info(delay, restore ? 2 : 1);
        info.left = left;
        info.top = top;
        return info;
    }
};

TEST_F(WriteAnimationBytesTest, VideoLikeFramesKeepTheirBytes) {
    // Ordered-dithered moving gradients over all 256 entries, full frames and moved partial
    // ones, some interlaced, widths that need row padding.
    static constexpr int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int f = 0; f < 10; ++f) {
        const int width = f % 3 == 2 ? 61 : 160;
        const int height = f % 3 == 2 ? 37 : 120;
        GifPageInfo info = At(f % 3 == 2 ? 13 : 0, f % 3 == 2 ? 7 : 0, 4);
        info.screenWidth = 160;
        info.screenHeight = 120;
        info.interlaced = f % 4 == 1;
        Add(MakeFrame(width, height,
                      [&](int x, int y) {
                          const int level = (x * 5 + y * 3 + f * 17) % 240 + kBayer[y & 3][x & 3];
                          return (level + (x * y) % 7) & 0xFF;
                      }),
            info);
    }
    EXPECT_EQ(HashOfWrite(true), 16262029298584756098ULL);
    EXPECT_EQ(HashOfWrite(false), 16262029298584756098ULL) << "with the table's changes kept";
}

TEST_F(WriteAnimationBytesTest, NoiseFramesKeepTheirBytes) {
    // Incompressible frames fill the string table many times; the third starts with the pairs
    // that send the compressor onto the classic hash.
    Add(NoiseFrame(200, 150, 256, 3), At(0, 0, 10));
    Add(NoiseFrame(130, 90, 130, 4), At(20, 30, 0));
    std::mt19937 random(5);
    const std::uint8_t start[4] = {16, 1, 0, 0};
    int n = 0;
    Add(MakeFrame(120, 100,
                  [&](int, int) { return n < 4 ? start[n++] : static_cast<int>(random() % 256); }),
        At(0, 0, 3, true));
    Add(NoiseFrame(37, 250, 3, 6), At(1, 0, 7));
    EXPECT_EQ(HashOfWrite(true), 4165130411540623663ULL);
}

TEST_F(WriteAnimationBytesTest, TerminalLikeFramesKeepTheirBytes) {
    // Many small frames of a 16-colour screen: a first full screen, then single cells and
    // short runs of text, the odd 1 x 1 cursor.
    GifPageInfo first = At(0, 0, 10);
    Add(MakeFrame(320, 200,
                  [](int x, int y) { return ((x / 8) * 7 + (y / 16) * 3) % 16 < 3 ? 7 : 0; }),
        first);
    for (int f = 1; f < 60; ++f) {
        const int cols = 1 + (f * 7) % 9;
        const int width = f % 11 == 0 ? 1 : 8 * cols;
        const int height = f % 11 == 0 ? 1 : 16;
        Add(MakeFrame(
                width, height,
                [&](int x, int y) { return ((x * 13 + y * 5 + f) % 11 < 4) ? 7 + f % 9 : 0; }),
            At((f * 24) % 300, (f * 16) % 184, f % 5 == 0 ? 0 : 2 + f % 4));
    }
    EXPECT_EQ(HashOfWrite(true), 3964357430384536269ULL);
}

TEST_F(WriteAnimationBytesTest, TransparentFramesKeepTheirBytes) {
    // Transparent frames with the transparent index in use and unused, restore to background,
    // the user-input bit carried over.
    for (int f = 0; f < 8; ++f) {
        GifPageInfo info = At(f * 3, f * 2, 5, f % 2 == 1);
        info.transparent = true;
        info.transparentIndex = static_cast<std::uint8_t>(f % 3 == 0 ? 200 : 9 + f);
        if (f == 5) info.controlByte |= 0x02;
        info.screenWidth = 120;
        info.screenHeight = 100;
        Add(MakeFrame(90, 70,
                      [&](int x, int y) {
                          const int dx = x - 45 - f * 2, dy = y - 35;
                          return dx * dx + dy * dy < 600 ? (x + y + f) % 40 + 20 : 9 + f;
                      }),
            info);
    }
    EXPECT_EQ(HashOfWrite(true), 2048582457900841411ULL);
    EXPECT_EQ(HashOfWrite(false), 2048582457900841411ULL) << "with the table's changes kept";
}

TEST_F(WriteAnimationTest, EmptyTableWritesNothing) {
    MemoryStream out;
    GifEncoder encoder;
    document.modified = true;
    EXPECT_EQ(WriteAnimation(*table, out, true, false, encoder, &document), -1);
    EXPECT_EQ(out.Length(), 0);
    EXPECT_TRUE(document.modified);
}

}  // namespace
}  // namespace vorla
