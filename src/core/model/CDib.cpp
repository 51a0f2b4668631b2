#include "core/model/CDib.h"

#include <bit>
#include <cstring>

#include "core/port/UserInterface.h"

namespace vorla {
namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// The largest header plus colour table and masks a real BMP carries (V5 header, 256 entries).
constexpr std::uint32_t kMaxInfoBlock = 124 + 12 + 256 * 4 + 1024;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Tell(UserInterface* ui, const char* pattern, const std::string& name) {
    if (!ui) return;
    std::string text(pattern);
    text.replace(text.find("%s"), 2, name);
    ui->ShowMessage(text);
}

// Scales a masked channel value to 0..255.
int MaskedChannel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    std::uint32_t max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

void CDib::Free() {
    width_ = height_ = 0;
    topDown_ = false;
    bitCount_ = 0;
    compression_ = kRgb;
    xPelsPerMeter_ = yPelsPerMeter_ = 0;
    masks_.clear();
    colorTable_.clear();
    bits_.clear();
}

void CDib::Create(std::int32_t width, std::int32_t height, int bitCount, int colorCount) {
    Free();
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    if (bitCount <= 8) colorTable_.assign(static_cast<std::size_t>(colorCount), RgbQuad{});
    bits_.assign(
        static_cast<std::size_t>(StrideFor(width, bitCount)) * static_cast<std::size_t>(height), 0);
}

bool CDib::Read(ByteStream& stream, UserInterface* ui) {
    Free();
    std::uint8_t fileHeader[kFileHeaderSize];
    if (!stream.ReadExact(fileHeader, sizeof fileHeader)) {
        Tell(ui, "Bitmap reading error (%s)", stream.Name());
        return false;
    }
    if (U16(fileHeader) != kBmpMagic) {
        Tell(ui, "Invalid bitmap file (%s)", stream.Name());
        return false;
    }
    auto fail = [&] {
        Free();
        Tell(ui, "Bitmap reading error (%s)", stream.Name());
        return false;
    };

    // Header and colour table: the bytes between the file header and the pixel data.
    std::uint32_t bitsOffset = U32(fileHeader + 10);
    if (bitsOffset < kFileHeaderSize + kInfoHeaderSize ||
        bitsOffset - kFileHeaderSize > kMaxInfoBlock) {
        return fail();
    }
    std::vector<std::uint8_t> info(bitsOffset - kFileHeaderSize);
    if (!stream.ReadExact(info.data(), info.size())) return fail();

    std::uint32_t headerSize = U32(info.data());
    if (headerSize < kInfoHeaderSize || headerSize > info.size()) return fail();
    auto width = static_cast<std::int32_t>(U32(info.data() + 4));
    auto height = static_cast<std::int32_t>(U32(info.data() + 8));
    int bitCount = U16(info.data() + 14);
    std::uint32_t compression = U32(info.data() + 16);
    std::uint32_t headerImageSize = U32(info.data() + 20);
    std::uint32_t colorsUsed = U32(info.data() + 32);

    if (width <= 0 || width > kMaxDimension || height == 0 || height < -kMaxDimension ||
        height > kMaxDimension) {
        return fail();
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return fail();
    }
    bool compressionFits = compression == kRgb || (compression == kRle8 && bitCount == 8) ||
                           (compression == kRle4 && bitCount == 4) ||
                           (compression == kBitfields && (bitCount == 16 || bitCount == 32));
    if (!compressionFits || (height < 0 && (compression == kRle8 || compression == kRle4)))
        return fail();

    std::size_t tableStart = headerSize;
    if (compression == kBitfields) {
        // A 40-byte header is followed by the three masks; larger headers hold them inside.
        std::size_t maskAt = headerSize == kInfoHeaderSize ? kInfoHeaderSize : 40;
        if (maskAt + 12 > info.size()) return fail();
        for (int i = 0; i < 3; ++i) masks_.push_back(U32(info.data() + maskAt + 4 * i));
        if (headerSize == kInfoHeaderSize) tableStart += 12;
    }

    std::uint32_t colorCount = colorsUsed;
    if (colorCount == 0) colorCount = bitCount <= 8 ? (1u << bitCount) : 0;
    if (colorCount > 256 || tableStart + std::size_t{colorCount} * 4 > info.size()) return fail();

    std::uint64_t rowBytes = static_cast<std::uint64_t>(StrideFor(width, bitCount));
    std::uint64_t rows =
        static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    // Uncompressed pixels always need stride x height bytes, whatever the header claims; run-length
    // data is as long as the header says.
    std::uint64_t imageSize = rowBytes * rows;
    if (compression == kRle8 || compression == kRle4) imageSize = headerImageSize;
    if (imageSize == 0 || imageSize > kMaxImageBytes) return fail();
    std::int64_t remaining = stream.Length() - stream.Position();
    if (remaining < 0 || static_cast<std::uint64_t>(remaining) < imageSize) return fail();

    bits_.resize(static_cast<std::size_t>(imageSize));
    if (!stream.ReadExact(bits_.data(), bits_.size())) return fail();

    colorTable_.resize(colorCount);
    if (colorCount > 0)
        std::memcpy(colorTable_.data(), info.data() + tableStart, std::size_t{colorCount} * 4);
    width_ = width;
    height_ = static_cast<std::int32_t>(rows);
    topDown_ = height < 0;
    bitCount_ = bitCount;
    compression_ = compression;
    xPelsPerMeter_ = static_cast<std::int32_t>(U32(info.data() + 24));
    yPelsPerMeter_ = static_cast<std::int32_t>(U32(info.data() + 28));
    return true;
}

std::vector<std::uint8_t> CDib::ToBytes() const {
    MemoryStream stream;
    Write(stream);
    return stream.TakeBytes();
}

bool CDib::FromBytes(const std::vector<std::uint8_t>& bytes, UserInterface* ui) {
    MemoryStream stream{std::span<const std::uint8_t>(bytes)};
    return Read(stream, ui);
}

bool CDib::Write(ByteStream& stream, UserInterface* ui) const {
    std::uint32_t tableBytes =
        static_cast<std::uint32_t>(colorTable_.size() * 4 + masks_.size() * 4);
    std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + tableBytes;
    std::vector<std::uint8_t> head(offset, 0);
    Put16(head.data(), kBmpMagic);
    Put32(head.data() + 2, offset + ImageSize());
    Put32(head.data() + 10, offset);
    std::uint8_t* info = head.data() + kFileHeaderSize;
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, static_cast<std::uint32_t>(width_));
    Put32(info + 8, static_cast<std::uint32_t>(topDown_ ? -height_ : height_));
    Put16(info + 12, 1);
    Put16(info + 14, static_cast<std::uint32_t>(bitCount_));
    Put32(info + 16, compression_);
    Put32(info + 20, ImageSize());
    Put32(info + 24, static_cast<std::uint32_t>(xPelsPerMeter_));
    Put32(info + 28, static_cast<std::uint32_t>(yPelsPerMeter_));
    Put32(info + 32, static_cast<std::uint32_t>(colorTable_.size()));
    Put32(info + 36, static_cast<std::uint32_t>(colorTable_.size()));
    std::uint8_t* table = info + kInfoHeaderSize;
    for (std::uint32_t mask : masks_) {
        Put32(table, mask);
        table += 4;
    }
    if (!colorTable_.empty()) std::memcpy(table, colorTable_.data(), colorTable_.size() * 4);
    if (!stream.Write(head.data(), head.size()) || !stream.Write(bits_.data(), bits_.size())) {
        Tell(ui, "Bitmap writing error (%s)", stream.Name());
        return false;
    }
    return true;
}

void CDib::SetColorCount(int count) {
    colorTable_.resize(static_cast<std::size_t>(count));
}

Colorref CDib::PaletteColor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= colorTable_.size()) return 0;
    return colorTable_[static_cast<std::size_t>(index)].ToColorref();
}

void CDib::SetPaletteColor(int index, Colorref color) {
    if (index < 0 || static_cast<std::size_t>(index) >= colorTable_.size()) return;
    colorTable_[static_cast<std::size_t>(index)] = RgbQuad::FromColorref(color);
}

std::uint8_t* CDib::Row(std::int32_t y) {
    std::int32_t stored = topDown_ ? y : height_ - 1 - y;
    return bits_.data() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(Stride());
}

const std::uint8_t* CDib::Row(std::int32_t y) const {
    std::int32_t stored = topDown_ ? y : height_ - 1 - y;
    return bits_.data() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(Stride());
}

Colorref CDib::PixelColor(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || compression_ == kRle8 ||
        compression_ == kRle4) {
        return 0;
    }
    const std::uint8_t* row = Row(y);
    switch (bitCount_) {
        case 1: return PaletteColor((row[x / 8] >> (7 - x % 8)) & 1);
        case 4: return PaletteColor((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F);
        case 8: return PaletteColor(row[x]);
        case 16: {
            std::uint32_t pixel = U16(row + 2 * x);
            if (masks_.size() == 3) {
                return MakeRgb(MaskedChannel(pixel, masks_[0]), MaskedChannel(pixel, masks_[1]),
                               MaskedChannel(pixel, masks_[2]));
            }
            return MakeRgb(MaskedChannel(pixel, 0x7C00), MaskedChannel(pixel, 0x03E0),
                           MaskedChannel(pixel, 0x001F));
        }
        case 24: return MakeRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        case 32: {
            if (masks_.size() == 3) {
                std::uint32_t pixel = U32(row + 4 * x);
                return MakeRgb(MaskedChannel(pixel, masks_[0]), MaskedChannel(pixel, masks_[1]),
                               MaskedChannel(pixel, masks_[2]));
            }
            return MakeRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        }
        default: return 0;
    }
}

void CDib::SetPixelColor(std::int32_t x, std::int32_t y, Colorref color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || compression_ != kRgb) return;
    std::uint8_t* row = Row(y);
    if (bitCount_ == 24) {
        row[3 * x] = static_cast<std::uint8_t>(BlueOf(color));
        row[3 * x + 1] = static_cast<std::uint8_t>(GreenOf(color));
        row[3 * x + 2] = static_cast<std::uint8_t>(RedOf(color));
    } else if (bitCount_ == 32) {
        row[4 * x] = static_cast<std::uint8_t>(BlueOf(color));
        row[4 * x + 1] = static_cast<std::uint8_t>(GreenOf(color));
        row[4 * x + 2] = static_cast<std::uint8_t>(RedOf(color));
        row[4 * x + 3] = 0;
    }
}

}  // namespace vorla
