#include "core/model/BmpPixels.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace vorla {
namespace {

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// Whether the stored bits hold every row of an uncompressed bitmap. CDib::Read sees to it for
// what it reads; a bitmap put together in memory need not.
bool HoldsEveryRow(const CDib& in) {
    return static_cast<std::uint64_t>(in.Bits().size()) >=
           static_cast<std::uint64_t>(in.Stride()) * static_cast<std::uint64_t>(in.Height());
}

// Whether a width x height bitmap of bitCount bits stays within the bound CDib::Read puts on
// pixel data. Run-length data of a few bytes may claim a picture of gigabytes, and a 1-bit picture
// grows eightfold at 8 bits.
bool OutputFits(const CDib& in, int bitCount) {
    return static_cast<std::uint64_t>(CDib::StrideFor(in.Width(), bitCount)) *
               static_cast<std::uint64_t>(in.Height()) <=
           CDib::kMaxImageBytes;
}

std::uint32_t U16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void UnpackIndexed(const CDib& in, CDib& out) {
    const std::int32_t width = in.Width();
    for (std::int32_t y = 0; y < in.Height(); ++y) {
        const std::uint8_t* from = in.Row(y);
        std::uint8_t* to = out.Row(y);
        switch (in.BitCount()) {
            case 1:
                for (std::int32_t x = 0; x < width; ++x)
                    to[x] = static_cast<std::uint8_t>((from[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                for (std::int32_t x = 0; x < width; ++x)
                    to[x] = static_cast<std::uint8_t>((from[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F);
                break;
            default: std::memcpy(to, from, static_cast<std::size_t>(width));
        }
    }
}

// RLE8 or RLE4 data into `out`, a zeroed 8-bit bitmap of in's size. Lines are counted in stored
// order (from the bottom unless the bitmap is top-down). Every read is checked against the data's
// end and every write against the picture: a run past the row's end is clipped (it does not wrap
// to the next line), a line or delta beyond the last row ends the picture, and pixels the data
// skips or never reaches keep index 0.
void DecodeRle(const CDib& in, CDib& out) {
    const std::vector<std::uint8_t>& data = in.Bits();
    const std::size_t size = data.size();
    const bool nibbles = in.Compression() == kRle4;
    const std::int64_t width = in.Width();
    const std::int64_t height = in.Height();
    std::int64_t line = 0;
    std::int64_t x = 0;  // never past width: what lies beyond is dropped, so x stops there
    std::uint8_t* row = nullptr;
    auto startLine = [&] {
        row = out.Row(static_cast<std::int32_t>(in.TopDown() ? line : height - 1 - line));
    };
    auto put = [&](unsigned index) {
        if (x < width) row[x++] = static_cast<std::uint8_t>(index);
    };
    startLine();
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const unsigned count = data[pos];
        const unsigned value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // An encoded run: one index repeated, or at 4 bits two indices alternating.
            for (unsigned i = 0; i < count && x < width; ++i)
                put(nibbles ? (i % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            if (++line >= height) return;
            startLine();
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta: right and up, the pixels passed over stay 0
            if (pos + 2 > size) return;
            x = std::min<std::int64_t>(x + data[pos], width);
            line += data[pos + 1];
            pos += 2;
            if (line >= height) return;
            startLine();
        } else {
            // An absolute run of `value` indices, its bytes padded to a whole 16-bit word.
            const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
            for (unsigned i = 0; i < value; ++i) {
                const std::size_t at = pos + (nibbles ? i / 2 : i);
                if (at >= size) return;
                const unsigned byte = data[at];
                put(nibbles ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            pos += bytes + bytes % 2;
        }
    }
}

// One BITFIELDS channel: which bits of the pixel it takes and their largest value.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;  // 0: the channel is absent and reads as 0

    explicit Channel(std::uint32_t m)
        : mask(m), shift(m ? std::countr_zero(m) : 0), max(m >> shift) {}

    // The channel scaled to 0..255, rounded to nearest (5 bits: 16 -> 132, as bit replication
    // gives). Widths up to 32 bits: 255 * max stays far inside 64 bits.
    std::uint8_t Of(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;  // <= max, holes in the mask included
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

}  // namespace

bool ExpandToIndexed8(const CDib& in, CDib& out) {
    if (in.IsEmpty() || in.Width() <= 0 || in.Height() <= 0) return false;
    const int bits = in.BitCount();
    const std::uint32_t compression = in.Compression();
    const bool rle = (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4);
    if ((bits != 1 && bits != 4 && bits != 8) || (compression != kRgb && !rle)) return false;
    if ((!rle && !HoldsEveryRow(in)) || !OutputFits(in, 8)) return false;

    CDib result;
    const int colours = std::clamp(in.ColorCount(), 1, 256);
    result.Create(in.Width(), in.Height(), 8, colours);
    for (int i = 0; i < colours && i < in.ColorCount(); ++i) {
        // Some writers keep alpha in the reserved byte; frames never carry it.
        result.ColorTable()[static_cast<std::size_t>(i)] =
            RgbQuad::FromColorref(in.PaletteColor(i));
    }
    if (rle) {
        DecodeRle(in, result);
    } else {
        UnpackIndexed(in, result);
    }

    // Indices past the colour table (a table shorter than the file's pixels need) grow the table
    // with black entries rather than being clamped to the last one: pixels the file tells apart
    // stay apart, and every index stays inside the table. Row padding is 0 and never grows it.
    unsigned highest = 0;
    for (std::uint8_t index : result.Bits()) highest = std::max<unsigned>(highest, index);
    if (static_cast<int>(highest) >= result.ColorCount())
        result.SetColorCount(static_cast<int>(highest) + 1);
    out = std::move(result);
    return true;
}

bool ExpandToTrueColour(const CDib& in, CDib& out) {
    if (in.IsEmpty() || in.Width() <= 0 || in.Height() <= 0) return false;
    const int bits = in.BitCount();
    const std::uint32_t compression = in.Compression();
    if (bits != 16 && bits != 24 && bits != 32) return false;
    const bool bitfields = compression == kBitfields;
    if (!(compression == kRgb || (bitfields && bits != 24 && in.Masks().size() == 3))) return false;
    if (!HoldsEveryRow(in) || !OutputFits(in, 24)) return false;

    // Uncompressed 16 bits are 5-5-5 with the top bit unused; uncompressed 32 bits are read
    // bytewise below.
    const bool masked = bitfields || bits == 16;
    const Channel red(bitfields ? in.Masks()[0] : 0x7C00);
    const Channel green(bitfields ? in.Masks()[1] : 0x03E0);
    const Channel blue(bitfields ? in.Masks()[2] : 0x001F);

    CDib result;
    result.Create(in.Width(), in.Height(), 24);
    const std::int32_t width = in.Width();
    for (std::int32_t y = 0; y < in.Height(); ++y) {
        const std::uint8_t* from = in.Row(y);
        std::uint8_t* to = result.Row(y);
        if (bits == 24) {
            std::memcpy(to, from, static_cast<std::size_t>(width) * 3);
            continue;
        }
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = to + 3 * static_cast<std::size_t>(x);
            if (masked) {
                const std::uint32_t value = bits == 16 ? U16(from + 2 * x) : U32(from + 4 * x);
                pixel[0] = blue.Of(value);
                pixel[1] = green.Of(value);
                pixel[2] = red.Of(value);
            } else {
                std::memcpy(pixel, from + 4 * static_cast<std::size_t>(x), 3);
            }
        }
    }
    out = std::move(result);
    return true;
}

}  // namespace vorla
