// The program's own GIF writer, in three stages per frame:
//
// 1. EncodeImage: an 8-bit BMP stream in, a complete single-image GIF87a stream out. Only the
//    palette entries that pixels use are kept, renumbered in index order, plus one spare entry
//    at the end of the table (when fewer than 255 colours are used) that no pixel refers to.
// 2. WriteFrameRecord: that stream rewritten as a frame record: a GIF89a header with the
//    animation's screen, a fixed 4-entry global table, the looping block (first frame only), the
//    frame's graphic control extension and an image descriptor with the image's colours as a
//    local table.
// 3. AppendFrameRecord: a record joined to the output behind its graphic control extension; the
//    last one closes the file with the comment "Vorla" and the trailer.
//
// One encoder belongs to each document view and is reused for every frame of every write. Every
// internal fault goes to ReportProgramError with its code; the stage then returns false.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/gif/GifLzwEncoder.h"
#include "core/model/ByteStream.h"
#include "core/model/Color.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class CDib;
class FrameTable;
class UserInterface;

class GifEncoder {
public:
    // Data sub-blocks carry at most this many bytes (one below the format's 255).
    static constexpr std::size_t kPacketBytes = 254;

    explicit GifEncoder(UserInterface* ui = nullptr) : ui_(ui) {}
    // Internal errors are shown here; without one they are not shown.
    void SetUserInterface(UserInterface* ui) { ui_ = ui; }

    // options: "x", or "xi" for interlaced rows. false (nothing written) when the source is not
    // an uncompressed 8-bit BMP, or its size cannot be held by a GIF.
    bool EncodeImage(ByteStream& source, ByteStream& target, std::string_view options);
    // The same for a bitmap in memory, without its BMP stream; the same bitmaps fail.
    bool EncodeImage(const CDib& source, ByteStream& target, std::string_view options);

    // Only for a transparent frame: true when the frame's key colour is among the first
    // colorCount entries of the image's colour table. Either way the frame gets a fresh key
    // colour. When it is absent (no pixel uses the transparent index, so compaction dropped it)
    // the old key colour goes into the last table entry, which the spare keeps free of pixels.
    bool CheckKeyColor(FrameTable& table, int frame, ByteStream& image);

    // entry: a copy of the frame's entry; key: the key colour the image was encoded with.
    bool WriteFrameRecord(ByteStream& image, ByteStream& record, const FrameEntry& entry,
                          int screenWidth, int screenHeight, Colorref key, bool interlace,
                          bool loop, bool firstFrame);

    bool AppendFrameRecord(ByteStream& output, ByteStream& record, bool lastFrame);

    // SetKeyColor for the writer: the frame gets a fresh key colour while transparentColor keeps
    // the colour the entry had before any key colour. Returns the new key colour.
    static Colorref RenewKeyColor(FrameTable& table, int frame);

    // Of the last EncodeImage: entries the table must hold (used colours + the spare, at least
    // 2) and the entries written (2^bits).
    int ColorCount() const { return colorCount_; }
    int ColorTableSize() const { return tableSize_; }

private:
    // Reads the BMP headers and palette; the stream then stands at the pixel data.
    bool ReadSource(ByteStream& source);
    // Points pixels_ at the stored rows: inside a memory stream's bytes, else at rows_.
    bool ReadPixels(ByteStream& source);
    // EncodeImage once the source's rows and palette are in place.
    bool EncodeRows(ByteStream& target);
    // Marks used_ and fills remap_ (for used indices) and colorMap_.
    void CountAndCompact();
    // Points rowOrder_ at the stored rows in the order they are written.
    void ArrangeRows();
    // The new index the frame's transparent index got in the last image, or -1 when unknown.
    int CompactedIndex(int oldIndex) const;
    void Report(const char* code);

    UserInterface* ui_ = nullptr;

    // The source image.
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool bottomUp_ = true;    // rows stored last row first, as BMP streams normally are
    std::size_t stride_ = 0;  // bytes per stored row: width rounded up to a multiple of 4
    int paletteCount_ = 0;
    std::array<RgbQuad, 256> palette_{};    // entries beyond paletteCount_ read as black
    std::vector<std::uint8_t> rows_;        // the stored rows, when the source is not in memory
    const std::uint8_t* pixels_ = nullptr;  // the stored rows; valid during EncodeImage only

    // Compaction.
    std::array<std::uint8_t, 256> used_{};          // 1: some pixel uses this index
    std::array<std::uint8_t, 256> remap_{};         // old index -> new index, for used indices
    std::array<std::uint8_t, 256 * 3> colorMap_{};  // red, green, blue of the new indices
    int colorCount_ = 0;
    int tableSize_ = 0;
    int bits_ = 0;
    bool interlace_ = false;

    std::vector<const std::uint8_t*> rowOrder_;  // the stored rows in writing order
    std::vector<std::uint8_t> image_;            // the single-image stream being built
    std::vector<std::uint8_t> scratch_;          // stream contents read back by the later stages
    std::vector<std::uint8_t> record_;           // the frame record being built
    GifLzwEncoder lzw_;
};

}  // namespace vorla
