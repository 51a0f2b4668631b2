#include "core/gif/GifEncoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>
#include <string>

#include "core/gif/GifBlocks.h"
#include "core/model/CDib.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kMinInfoHeaderBytes = 40;
constexpr std::size_t kScreenBytes = 13;  // header and logical screen descriptor
constexpr std::size_t kDescriptorBytes = 10;
// Header, screen and the fixed 4-entry global table that open every frame record.
constexpr std::size_t kRecordHeadBytes = kScreenBytes + 12;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::int32_t kMaxGifDimension = 65535;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The whole stream, from its start; the stream is left at its end.
bool ReadAll(ByteStream& stream, std::vector<std::uint8_t>& out) {
    const std::int64_t length = stream.Length();
    out.clear();
    if (length < 0) return false;
    stream.SeekToBegin();
    out.resize(static_cast<std::size_t>(length));
    return stream.ReadExact(out.data(), out.size());
}

// The whole stream, left at its end: a memory stream's own bytes, anything else read into buffer.
// The view lasts until the stream is next changed.
bool ViewAll(ByteStream& stream, std::vector<std::uint8_t>& buffer,
             std::span<const std::uint8_t>& view) {
    if (auto* memory = dynamic_cast<MemoryStream*>(&stream)) {
        memory->Seek(0, SeekOrigin::End);
        view = memory->Bytes();
        return true;
    }
    if (!ReadAll(stream, buffer)) return false;
    view = buffer;
    return true;
}

// target.Write(bytes) for a target at its start. A memory stream no longer than bytes ends up
// with the same contents and position by taking the buffer itself; its old buffer comes back
// (emptied) in bytes, so the caller's buffer is recycled instead of copied.
bool WriteWhole(ByteStream& target, std::vector<std::uint8_t>& bytes) {
    auto* memory = dynamic_cast<MemoryStream*>(&target);
    if (memory == nullptr || memory->Position() != 0 ||
        memory->Length() > static_cast<std::int64_t>(bytes.size())) {
        return target.Write(bytes.data(), bytes.size());
    }
    std::vector<std::uint8_t> old = memory->TakeBytes();
    *memory = MemoryStream(std::move(bytes));
    memory->Seek(0, SeekOrigin::End);
    bytes = std::move(old);
    bytes.clear();
    return true;
}

std::string HexBytes(const std::uint8_t* p, std::size_t count) {
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, "%02X ", p[i]);
        text += cell;
    }
    return text;
}

bool SameColor(const std::uint8_t* rgb, Colorref color) {
    return rgb[0] == RedOf(color) && rgb[1] == GreenOf(color) && rgb[2] == BlueOf(color);
}

}  // namespace

void GifEncoder::Report(const char* code) {
    if (ui_ != nullptr) ReportProgramError(*ui_, code, false);
}

bool GifEncoder::ReadSource(ByteStream& source) {
    source.SeekToBegin();
    std::uint8_t fileHeader[kFileHeaderBytes];
    std::uint8_t info[kMinInfoHeaderBytes];
    if (!source.ReadExact(fileHeader, sizeof fileHeader) || U16(fileHeader) != 0x4D42) return false;
    if (!source.ReadExact(info, sizeof info)) return false;
    const std::uint32_t infoBytes = U32(info);
    const auto width = static_cast<std::int32_t>(U32(info + 4));
    const auto height = static_cast<std::int32_t>(U32(info + 8));
    const std::uint32_t bitsOffset = U32(fileHeader + 10);
    if (U16(info + 14) != 8 || U32(info + 16) != 0) return false;  // 8 bits, uncompressed
    if (infoBytes < kMinInfoHeaderBytes || bitsOffset < kFileHeaderBytes + infoBytes) return false;
    // A GIF holds at most 65535 pixels a side; a negative height marks top-down rows.
    if (width <= 0 || width > kMaxGifDimension || height == 0 || height < -kMaxGifDimension ||
        height > kMaxGifDimension) {
        return false;
    }
    width_ = width;
    height_ = height < 0 ? -height : height;
    bottomUp_ = height > 0;
    stride_ = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};

    // Entries beyond 256 cannot be addressed by 8-bit pixels; entries the source lacks read as
    // black rather than as whatever the last image left behind.
    paletteCount_ = static_cast<int>(
        std::min<std::uint32_t>((bitsOffset - kFileHeaderBytes - infoBytes) / 4, 256));
    palette_.fill(RgbQuad{});
    if (source.Seek(static_cast<std::int64_t>(kFileHeaderBytes + infoBytes), SeekOrigin::Begin) <
            0 ||
        !source.ReadExact(palette_.data(), static_cast<std::size_t>(paletteCount_) * 4)) {
        return false;
    }
    return source.Seek(bitsOffset, SeekOrigin::Begin) >= 0;
}

bool GifEncoder::ReadPixels(ByteStream& source) {
    const std::size_t bytes = stride_ * static_cast<std::size_t>(height_);
    const std::int64_t remaining = source.Length() - source.Position();
    if (remaining < 0 || static_cast<std::uint64_t>(remaining) < bytes) return false;
    auto* memory = dynamic_cast<MemoryStream*>(&source);
    try {
        if (memory == nullptr) rows_.resize(bytes);
        rowOrder_.resize(static_cast<std::size_t>(height_));
    } catch (const std::bad_alloc&) {
        rows_.clear();
        rowOrder_.clear();
        Report("43253");
        return false;
    }
    if (memory != nullptr) {
        // The rows are read where they lie; the stream moves past them as a read would.
        pixels_ = memory->Bytes().data() + memory->Position();
        memory->Seek(static_cast<std::int64_t>(bytes), SeekOrigin::Current);
        return true;
    }
    pixels_ = rows_.data();
    return source.ReadExact(rows_.data(), bytes);
}

void GifEncoder::CountAndCompact() {
    used_.fill(0);
    std::uint8_t* const marks = used_.data();
    auto markAll = [marks](const std::uint8_t* row, std::size_t from, std::size_t to) {
        std::size_t x = from;
        for (; x + 8 <= to; x += 8) {
            std::uint64_t group;
            std::memcpy(&group, row + x, sizeof group);
            for (int k = 0; k < 64; k += 8) marks[(group >> k) & 0xFF] = 1;
        }
        for (; x < to; ++x) marks[row[x]] = 1;
    };
    const auto width = static_cast<std::size_t>(width_);
    // Marking is one store per pixel. Flat areas and dither patterns of period 2, 4, 8 or 16
    // repeat a 16-pixel group, which marks nothing new and is skipped. On noise the test only
    // costs mispredictions, so a row whose groups mostly differ has the next row marked
    // throughout, and the test is tried again on the row after.
    bool skipRepeats = true;
    for (std::int32_t r = 0; r < height_; ++r) {
        const std::uint8_t* row = pixels_ + stride_ * static_cast<std::size_t>(r);
        if (!skipRepeats || width < 16) {
            markAll(row, 0, width);
            skipRepeats = true;
            continue;
        }
        markAll(row, 0, 16);
        std::uint64_t last0;
        std::uint64_t last1;
        std::memcpy(&last0, row, sizeof last0);
        std::memcpy(&last1, row + 8, sizeof last1);
        std::size_t groups = 0;
        std::size_t repeats = 0;
        std::size_t x = 16;
        for (; x + 16 <= width; x += 16) {
            std::uint64_t group0;
            std::uint64_t group1;
            std::memcpy(&group0, row + x, sizeof group0);
            std::memcpy(&group1, row + x + 8, sizeof group1);
            ++groups;
            if (((group0 ^ last0) | (group1 ^ last1)) == 0) {
                ++repeats;
                continue;
            }
            last0 = group0;
            last1 = group1;
            for (int k = 0; k < 64; k += 8) {
                marks[(group0 >> k) & 0xFF] = 1;
                marks[(group1 >> k) & 0xFF] = 1;
            }
        }
        markAll(row, x, width);
        skipRepeats = repeats * 4 >= groups;
    }
    int used = 0;
    colorMap_.fill(0);
    for (int i = 0; i < 256; ++i) {
        if (!used_[static_cast<std::size_t>(i)]) continue;
        remap_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(used);
        const RgbQuad& c = palette_[static_cast<std::size_t>(i)];
        colorMap_[static_cast<std::size_t>(used) * 3] = c.red;
        colorMap_[static_cast<std::size_t>(used) * 3 + 1] = c.green;
        colorMap_[static_cast<std::size_t>(used) * 3 + 2] = c.blue;
        ++used;
    }
    // The spare entry: a place for the key colour when no pixel uses the transparent index.
    colorCount_ = used < 255 ? used + 1 : used;
    colorCount_ = std::max(colorCount_, 2);
    bits_ = 1;
    while ((1 << bits_) < colorCount_) ++bits_;
    tableSize_ = 1 << bits_;
}

void GifEncoder::ArrangeRows() {
    std::size_t at = 0;
    auto put = [&](std::int32_t y) {
        const std::int32_t stored = bottomUp_ ? height_ - 1 - y : y;
        rowOrder_[at++] = pixels_ + stride_ * static_cast<std::size_t>(stored);
    };
    if (!interlace_) {
        for (std::int32_t y = 0; y < height_; ++y) put(y);
        return;
    }
    // The four passes: every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from
    // 1. A pass that starts at or below the last row is empty.
    static constexpr std::int32_t kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& pass : kPasses) {
        for (std::int32_t y = pass[0]; y < height_; y += pass[1]) put(y);
    }
}

bool GifEncoder::EncodeImage(ByteStream& source, ByteStream& target, std::string_view options) {
    target.SeekToBegin();
    interlace_ = options.find('i') != std::string_view::npos;
    if (!ReadSource(source) || !ReadPixels(source)) return false;
    return EncodeRows(target);
}

bool GifEncoder::EncodeImage(const CDib& source, ByteStream& target, std::string_view options) {
    target.SeekToBegin();
    interlace_ = options.find('i') != std::string_view::npos;
    // What ReadSource would accept of the bitmap's stream. An uncompressed bitmap holds no
    // colour masks, so its stream's table is its colour table.
    if (source.IsEmpty() || source.BitCount() != 8 || source.Compression() != 0 ||
        source.Width() <= 0 || source.Width() > kMaxGifDimension || source.Height() <= 0 ||
        source.Height() > kMaxGifDimension) {
        return false;
    }
    width_ = source.Width();
    height_ = source.Height();
    bottomUp_ = !source.TopDown();
    stride_ = (static_cast<std::size_t>(width_) + 3) & ~std::size_t{3};
    const std::vector<RgbQuad>& colors = source.ColorTable();
    paletteCount_ = static_cast<int>(std::min<std::size_t>(colors.size(), 256));
    palette_.fill(RgbQuad{});
    std::copy_n(colors.begin(), paletteCount_, palette_.begin());
    const std::vector<std::uint8_t>& bits = source.Bits();
    if (bits.size() < stride_ * static_cast<std::size_t>(height_)) return false;
    try {
        rowOrder_.resize(static_cast<std::size_t>(height_));
    } catch (const std::bad_alloc&) {
        rowOrder_.clear();
        Report("43253");
        return false;
    }
    pixels_ = bits.data();
    return EncodeRows(target);
}

bool GifEncoder::EncodeRows(ByteStream& target) {
    CountAndCompact();
    ArrangeRows();
    const int minCodeSize = std::max(bits_, 2);
    // The stored rows go to the compressor as they are; it renumbers each pixel on the way.
    const GifLzwEncoder::Codes codes =
        lzw_.Compress(rowOrder_.data(), rowOrder_.size(), static_cast<std::size_t>(width_),
                      remap_.data(), minCodeSize);

    const std::size_t blocks = (codes.size + kPacketBytes - 1) / kPacketBytes;
    image_.clear();
    image_.reserve(kScreenBytes + static_cast<std::size_t>(tableSize_) * 3 + kDescriptorBytes + 1 +
                   blocks + codes.size + 2);
    // The writer never asks this stage for transparency, so the plain 87a form serves.
    gif_blocks::PutHeader(image_, "GIF87a", width_, height_,
                          static_cast<std::uint8_t>(0x80 | (bits_ - 1)));
    image_.insert(image_.end(), colorMap_.begin(), colorMap_.begin() + tableSize_ * 3);
    gif_blocks::PutDescriptor(image_, 0, 0, width_, height_, interlace_ ? 0x40 : 0x00);
    image_.push_back(static_cast<std::uint8_t>(minCodeSize));
    gif_blocks::PutSubBlocks(image_, codes.data, codes.size, kPacketBytes);
    image_.push_back(kTrailer);
    pixels_ = nullptr;
    return WriteWhole(target, image_);
}

int GifEncoder::CompactedIndex(int oldIndex) const {
    if (oldIndex < 0 || oldIndex > 255 || tableSize_ == 0) return -1;
    const auto i = static_cast<std::size_t>(oldIndex);
    return used_[i] ? remap_[i] : tableSize_ - 1;
}

bool GifEncoder::CheckKeyColor(FrameTable& table, int frame, ByteStream& image) {
    FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    if (!entry.transparent) return false;
    const Colorref key = entry.keyColor;
    if (!ReadAll(image, scratch_)) return false;
    const std::size_t count = static_cast<std::size_t>(std::max<int>(entry.colorCount, 0));
    const std::size_t available =
        scratch_.size() > kScreenBytes ? (scratch_.size() - kScreenBytes) / 3 : 0;
    const std::size_t entries = std::min(count, available);
    for (std::size_t j = 0; j < entries; ++j) {
        if (SameColor(scratch_.data() + kScreenBytes + 3 * j, key)) {
            RenewKeyColor(table, frame);
            return true;
        }
    }
    // No pixel uses the transparent index. The frame keeps its own transparentIndex: it is an
    // index of the frame's uncompacted palette, where entry colorCount - 1 may well be a colour
    // that pixels show. The file marks its spare last entry transparent instead.
    RenewKeyColor(table, frame);
    if (count == 0 || count > available) return false;
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(RedOf(key)),
                                 static_cast<std::uint8_t>(GreenOf(key)),
                                 static_cast<std::uint8_t>(BlueOf(key))};
    image.Seek(static_cast<std::int64_t>(kScreenBytes + 3 * (count - 1)), SeekOrigin::Begin);
    image.Write(rgb, sizeof rgb);
    return false;
}

Colorref GifEncoder::RenewKeyColor(FrameTable& table, int frame) {
    // SetKeyColor records the colour the entry held, which here is only the previous key
    // colour; transparentColor keeps the colour the frame had when it was loaded.
    FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    const Colorref original = entry.transparentColor;
    table.SetKeyColor(frame);
    if (entry.transparent) entry.transparentColor = original;
    return entry.keyColor;
}

bool GifEncoder::WriteFrameRecord(ByteStream& image, ByteStream& record, const FrameEntry& entry,
                                  int screenWidth, int screenHeight, Colorref key, bool interlace,
                                  bool loop, bool firstFrame) {
    record.SeekToBegin();
    record.SetLength(0);
    std::span<const std::uint8_t> in;
    if (!ViewAll(image, scratch_, in)) return false;
    if (in.size() < kScreenBytes || !(in[10] & 0x80)) {
        Report("52412");
        return false;
    }
    const std::uint8_t screenPacked = in[10];
    const std::size_t tableEntries = std::size_t{2} << (screenPacked & 7);
    const std::size_t tableAt = kScreenBytes;
    const std::size_t tableEnd = tableAt + 3 * tableEntries;
    // The image descriptor follows the table directly; it is searched for, so a stream with
    // anything in between still finds its image.
    const std::uint8_t expected[9] = {0x2C, 0, 0, 0, 0, in[6], in[7], in[8], in[9]};
    auto found = in.end();
    if (tableEnd <= in.size()) {
        found = std::search(in.begin() + static_cast<std::ptrdiff_t>(tableEnd), in.end(),
                            std::begin(expected), std::end(expected));
    }
    if (found == in.end() || static_cast<std::size_t>(in.end() - found) < kDescriptorBytes) {
        Report("64312");
        return false;
    }
    const auto descriptorAt = static_cast<std::size_t>(found - in.begin());

    std::vector<std::uint8_t>& out = record_;
    out.clear();
    out.reserve(in.size() + 64);
    // Global table present, 8 bits of colour resolution, 4 entries; every image carries its own
    // local table, so the 4 entries are only black.
    gif_blocks::PutHeader(out, "GIF89a", screenWidth, screenHeight, 0xF1);
    out.insert(out.end(), 12, 0);

    if (firstFrame && loop) gif_blocks::PutLoopForever(out);

    // Disposal 2 (restore to background), 3 (restore to previous) as read, else 1 (leave in
    // place); reserved bits and the user-input bit are carried over.
    const auto packed =
        static_cast<std::uint8_t>((entry.controlFlags & 0xE2) | (entry.transparent ? 1 : 0) |
                                  (entry.restoreBackground    ? 8
                                   : entry.RestoresPrevious() ? 12
                                                              : 4));
    int transparentIndex = 0;
    if (entry.transparent) {
        if (static_cast<int>(tableEntries) < colorCount_) Report("50412");
        // The key colour's entry. The one the compaction gave the transparent index is taken
        // when it holds the key colour, so a used colour equal to the key colour earlier in the
        // table cannot take its place; otherwise the first entry with the key colour.
        const int likely = CompactedIndex(entry.transparentIndex);
        int match = -1;
        if (likely >= 0 && static_cast<std::size_t>(likely) < tableEntries &&
            SameColor(in.data() + tableAt + 3 * static_cast<std::size_t>(likely), key)) {
            match = likely;
        }
        for (std::size_t j = 0; match < 0 && j < tableEntries; ++j) {
            if (SameColor(in.data() + tableAt + 3 * j, key)) match = static_cast<int>(j);
        }
        if (match >= 0) {
            transparentIndex = match;
        } else if (ui_ != nullptr) {
            const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(RedOf(key)),
                                         static_cast<std::uint8_t>(GreenOf(key)),
                                         static_cast<std::uint8_t>(BlueOf(key))};
            ui_->ShowMessage("aewr key colour " + HexBytes(rgb, 3));
            ui_->ShowMessage("colour table " + HexBytes(in.data() + tableAt, 3 * tableEntries));
            Report("12435");
        }
    }
    gif_blocks::PutControl(out, packed, entry.delay, transparentIndex);
    // The image's width and height as the one-image stream holds them.
    gif_blocks::PutDescriptor(
        out, entry.left, entry.top, U16(in.data() + 6), U16(in.data() + 8),
        static_cast<std::uint8_t>((interlace ? 0x40 : 0) | (screenPacked & 0x87)));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(tableAt),
               in.begin() + static_cast<std::ptrdiff_t>(tableEnd));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(descriptorAt + kDescriptorBytes),
               in.end());
    return WriteWhole(record, out);
}

bool GifEncoder::AppendFrameRecord(ByteStream& output, ByteStream& record, bool lastFrame) {
    static constexpr std::uint8_t kComment[10] = {0x21, 0xFE, 0x05, 'V',  'o',
                                                  'r',  'l',  'a',  0x00, kTrailer};
    // A view into the record would not survive writing to the same stream.
    std::span<const std::uint8_t> in;
    if (&output == &record) {
        if (!ReadAll(record, scratch_)) return false;
        in = scratch_;
    } else if (!ViewAll(record, scratch_, in)) {
        return false;
    }
    // The search starts behind the record's fixed header and global table: screen sizes such as
    // 0xF921 would otherwise put the pattern inside the header.
    static constexpr std::uint8_t kControl[3] = {0x21, 0xF9, 0x04};
    const std::size_t from = std::min(kRecordHeadBytes, in.size());
    const auto found = std::search(in.begin() + static_cast<std::ptrdiff_t>(from), in.end(),
                                   std::begin(kControl), std::end(kControl));
    if (found == in.end()) {
        Report("43623");
        return false;
    }
    std::uint8_t last = 0;
    const std::int64_t length = output.Length();
    if (length < 1 || output.Seek(-1, SeekOrigin::End) < 0 || !output.ReadExact(&last, 1) ||
        last != kTrailer) {
        Report("86533");
        return false;
    }
    const auto appended = static_cast<std::size_t>(in.end() - found);
    if (auto* memory = dynamic_cast<MemoryStream*>(&output)) {
        // Records arrive one by one into a growing output: growing it fourfold instead of
        // twofold halves the bytes copied and the fresh pages touched on the way to its size.
        const std::size_t needed = static_cast<std::size_t>(length) + appended + sizeof kComment;
        if (memory->Bytes().capacity() < needed) memory->Reserve(needed * 4);
    }
    output.SetLength(length - 1);
    output.Seek(0, SeekOrigin::End);
    if (!output.Write(&*found, appended)) return false;
    if (lastFrame) {
        output.SetLength(output.Length() - 1);
        output.Seek(0, SeekOrigin::End);
        if (!output.Write(kComment, sizeof kComment)) return false;
    }
    return true;
}

}  // namespace vorla
