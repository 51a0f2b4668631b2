// A device-independent bitmap in Windows BMP layout: a 40-byte info header, a colour table and
// bottom-up rows padded to 4 bytes. Frames are 8-bit palette images; 24- and 32-bit images pass
// through on their way to and from the imaging layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/ByteStream.h"
#include "core/model/Color.h"

namespace vorla {

class UserInterface;

class CDib {
public:
    // Upper bound for the pixel data of any bitmap read from outside: far above any frame the
    // editor can hold (300 frames share one process), far below an allocation that hurts.
    static constexpr std::uint64_t kMaxImageBytes = std::uint64_t{512} << 20;
    static constexpr std::int32_t kMaxDimension = 65535;

    CDib() = default;

    // Loads a BMP stream from the stream's current position. On failure the bitmap stays empty
    // and, when ui is given, the failure is shown ("Invalid bitmap file (name)" /
    // "Bitmap reading error (name)").
    bool Read(ByteStream& stream, UserInterface* ui = nullptr);
    // Writes a BMP stream at the stream's current position.
    bool Write(ByteStream& stream, UserInterface* ui = nullptr) const;
    std::vector<std::uint8_t> ToBytes() const;
    bool FromBytes(const std::vector<std::uint8_t>& bytes, UserInterface* ui = nullptr);

    // A new blank bitmap (all pixels 0). bitCount 8: colorCount entries (black); 24/32: none.
    void Create(std::int32_t width, std::int32_t height, int bitCount, int colorCount = 256);
    void Free();

    bool IsEmpty() const { return width_ == 0; }
    // Width and height; when empty, the fallback dimensions.
    std::int32_t Width() const { return IsEmpty() ? fallbackWidth : width_; }
    std::int32_t Height() const { return IsEmpty() ? fallbackHeight : height_; }
    int BitCount() const { return bitCount_; }
    std::uint32_t Compression() const { return compression_; }
    bool TopDown() const { return topDown_; }
    int ColorCount() const { return static_cast<int>(colorTable_.size()); }
    std::uint32_t ImageSize() const { return static_cast<std::uint32_t>(bits_.size()); }
    // Bytes per stored row (rows are padded to 4 bytes).
    std::int32_t Stride() const { return StrideFor(width_, bitCount_); }
    static std::int32_t StrideFor(std::int32_t width, int bitCount) {
        return static_cast<std::int32_t>(((static_cast<std::int64_t>(width) * bitCount + 31) / 32) *
                                         4);
    }

    std::vector<RgbQuad>& ColorTable() { return colorTable_; }
    const std::vector<RgbQuad>& ColorTable() const { return colorTable_; }
    void SetColorCount(int count);  // resizes the colour table (new entries black)
    Colorref PaletteColor(int index) const;
    void SetPaletteColor(int index, Colorref color);

    // The red, green and blue masks of a BITFIELDS bitmap; empty for every other compression.
    const std::vector<std::uint32_t>& Masks() const { return masks_; }

    std::vector<std::uint8_t>& Bits() { return bits_; }
    const std::vector<std::uint8_t>& Bits() const { return bits_; }
    // Row y counted from the top of the picture, whatever the storage order.
    std::uint8_t* Row(std::int32_t y);
    const std::uint8_t* Row(std::int32_t y) const;
    // 8-bit images only; (x, y) from the top-left corner.
    std::uint8_t Index(std::int32_t x, std::int32_t y) const { return Row(y)[x]; }
    void SetIndex(std::int32_t x, std::int32_t y, std::uint8_t v) { Row(y)[x] = v; }
    // The colour of a pixel at any supported depth (palette looked up for 1/4/8 bits).
    Colorref PixelColor(std::int32_t x, std::int32_t y) const;
    void SetPixelColor(std::int32_t x, std::int32_t y, Colorref color);  // 24 and 32 bits only

    friend bool operator==(const CDib&, const CDib&) = default;

    std::int32_t fallbackWidth = 0;
    std::int32_t fallbackHeight = 0;

private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;  // always positive; topDown_ keeps the stored order
    bool topDown_ = false;
    int bitCount_ = 0;
    std::uint32_t compression_ = 0;  // 0 BI_RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS (masks kept below)
    std::int32_t xPelsPerMeter_ = 0;
    std::int32_t yPelsPerMeter_ = 0;
    std::vector<std::uint32_t> masks_;  // the three BITFIELDS masks, else empty
    std::vector<RgbQuad> colorTable_;
    std::vector<std::uint8_t> bits_;
};

}  // namespace vorla
