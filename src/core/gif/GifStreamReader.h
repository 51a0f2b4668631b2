// The block level of the GIF reader: header, logical screen, colour tables, extensions and image
// descriptors, over a byte buffer. Pixel data is left to GifLzw; the caller tells the reader
// where the image data ended.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "core/gif/GifPageInfo.h"
#include "core/model/Color.h"

namespace vorla {

struct GifImageHeader {
    GifPageInfo page;  // screen, position, size, graphic-control values, colour count, interlace
    // The colour table the image uses in BMP order. Entries past the table, and every entry
    // when the stream has neither a global nor a local table, are black.
    std::array<RgbQuad, 256> colors{};
    std::size_t descriptorEnd = 0;  // offset just behind the 9-byte image descriptor
    std::size_t dataOffset = 0;     // first sub-block length byte behind the minimum code size
    int minCodeSize = 0;            // checked to lie in GifLzw::kMinCodeSize..kMaxCodeSize
};

class GifStreamReader {
public:
    using Sink = std::function<void(std::string_view)>;

    // errors receives the diagnostic texts of failures; traceComments and traceBlocks send
    // comment texts and block-level notes to stderr.
    GifStreamReader(std::span<const std::uint8_t> bytes, const Sink& errors, bool traceComments,
                    bool traceBlocks);

    // Header, screen descriptor and global colour table. false: not a readable GIF stream.
    bool ReadHeader();

    enum class Next { Image, End, Failed };
    // Reads blocks up to the next image and fills image; End at the trailer or the end of data.
    // After Image the caller must call ContinueAt with the offset behind the image data.
    Next NextImage(GifImageHeader& image);
    void ContinueAt(std::size_t offset) { pos_ = offset < bytes_.size() ? offset : bytes_.size(); }

    // A looping block was read so far (NETSCAPE2.0 or ANIMEXTS1.0 with a loop sub-block).
    bool LoopBlockSeen() const { return loopBlockSeen_; }

    std::int32_t ScreenWidth() const { return screenWidth_; }
    std::int32_t ScreenHeight() const { return screenHeight_; }

private:
    // The graphic-control values that will belong to the next image.
    struct Control {
        std::int32_t delay = -1;  // centiseconds; -1: no graphic control
        std::uint8_t controlByte = 0;
        bool transparent = false;  // sticky: any control with bit 0 set since the last image
        std::uint8_t transparentIndex = 0;
    };

    void Fail(std::string_view text) const;
    bool ReadColorTable(std::size_t entries, std::array<RgbQuad, 256>& table);
    // One sub-block: its length (0 for the terminator) or -1 when the stream ends inside it.
    int ReadSubBlock(std::span<const std::uint8_t>& data);
    void SkipSubBlocks();
    bool ReadExtension();
    bool ReadImageHeader(GifImageHeader& image);

    std::span<const std::uint8_t> bytes_;
    const Sink& errors_;
    bool traceComments_;
    bool traceBlocks_;
    std::size_t pos_ = 0;
    int bogusBytes_ = 0;
    std::int32_t screenWidth_ = 0;
    std::int32_t screenHeight_ = 0;
    int globalCount_ = 0;  // 2 << (packed & 7), kept even when no global table is present
    std::array<RgbQuad, 256> global_{};
    Control control_;
    bool loopBlockSeen_ = false;
};

}  // namespace vorla
