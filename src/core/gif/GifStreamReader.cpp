#include "core/gif/GifStreamReader.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/gif/GifLzw.h"

namespace vorla {

namespace {

// More unexpected bytes between blocks than this and the stream is not taken for a GIF.
constexpr int kMaxBogusBytes = 10;

std::int32_t Le16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}

}  // namespace

GifStreamReader::GifStreamReader(std::span<const std::uint8_t> bytes, const Sink& errors,
                                 bool traceComments, bool traceBlocks)
    : bytes_(bytes), errors_(errors), traceComments_(traceComments), traceBlocks_(traceBlocks) {}

void GifStreamReader::Fail(std::string_view text) const {
    if (errors_) errors_(text);
}

bool GifStreamReader::ReadColorTable(std::size_t entries, std::array<RgbQuad, 256>& table) {
    table.fill(RgbQuad{});
    for (std::size_t i = 0; i < entries; ++i) {
        if (bytes_.size() - pos_ < 3) {
            pos_ = bytes_.size();
            Fail("bad colormap");
            return false;
        }
        const std::uint8_t* rgb = bytes_.data() + pos_;
        table[i] = RgbQuad{rgb[2], rgb[1], rgb[0], 0};
        pos_ += 3;
    }
    return true;
}

bool GifStreamReader::ReadHeader() {
    pos_ = 0;
    bogusBytes_ = 0;
    control_ = Control{};
    loopBlockSeen_ = false;
    if (bytes_.size() < 6) {
        Fail("error reading magic number");
        return false;
    }
    if (std::memcmp(bytes_.data(), "GIF", 3) != 0) {
        Fail("not a GIF file");
        return false;
    }
    if (std::memcmp(bytes_.data() + 3, "87a", 3) != 0 &&
        std::memcmp(bytes_.data() + 3, "89a", 3) != 0) {
        Fail("bad version number, not '87a' or '89a'");
        return false;
    }
    if (bytes_.size() < 13) {
        Fail("failed to read screen descriptor");
        return false;
    }
    const std::uint8_t* screen = bytes_.data() + 6;
    screenWidth_ = Le16(screen);
    screenHeight_ = Le16(screen + 2);
    globalCount_ = 2 << (screen[4] & 7);
    pos_ = 13;
    global_.fill(RgbQuad{});
    if ((screen[4] & 0x80) != 0 &&
        !ReadColorTable(static_cast<std::size_t>(globalCount_), global_)) {
        Fail("error reading global colormap");
        return false;
    }
    return true;
}

int GifStreamReader::ReadSubBlock(std::span<const std::uint8_t>& data) {
    if (pos_ >= bytes_.size()) {
        Fail("error in getting DataBlock size\n");
        return -1;
    }
    std::size_t length = bytes_[pos_++];
    if (bytes_.size() - pos_ < length) {
        pos_ = bytes_.size();
        Fail("error in reading DataBlock\n");
        return -1;
    }
    data = bytes_.subspan(pos_, length);
    pos_ += length;
    return static_cast<int>(length);
}

void GifStreamReader::SkipSubBlocks() {
    std::span<const std::uint8_t> ignored;
    while (ReadSubBlock(ignored) > 0) {
    }
}

bool GifStreamReader::ReadExtension() {
    if (pos_ >= bytes_.size()) {
        Fail("OF / read error on extention function code");
        return false;
    }
    const std::uint8_t label = bytes_[pos_++];
    std::span<const std::uint8_t> block;
    switch (label) {
        case 0xF9: {
            // An empty or cut-off control block carries no values; missing bytes of a short one
            // read as 0.
            if (ReadSubBlock(block) <= 0) return true;
            std::uint8_t values[4] = {0, 0, 0, 0};
            std::memcpy(values, block.data(), block.size() < 4 ? block.size() : 4);
            control_.controlByte = values[0];
            control_.delay = values[1] | (values[2] << 8);
            if ((values[0] & 1) != 0) {
                control_.transparent = true;
                control_.transparentIndex = values[3];
            }
            SkipSubBlocks();
            return true;
        }
        case 0xFE:
            while (ReadSubBlock(block) > 0) {
                if (traceComments_) {
                    std::string text(block.begin(), block.end());
                    std::fprintf(stderr, "gif comment: %s\n", text.c_str());
                }
            }
            return true;
        case 0xFF:
            if (ReadSubBlock(block) > 0 && traceComments_ && block.size() >= 11) {
                std::fprintf(stderr, "Application Extension: %c%c%c%c%c%c%c%c ", block[0], block[1],
                             block[2], block[3], block[4], block[5], block[6], block[7]);
                std::fprintf(stderr, " Authentication Code=)%02x %02x %02x\n", block[8], block[9],
                             block[10]);
            }
            if (traceBlocks_)
                std::fprintf(stderr, "got a '%s' extension\n", "Application Extension");
            if (!block.empty()) {
                // The looping block: its loop sub-block starts with 1 and holds the 16-bit
                // count. A NETSCAPE2.0 block with only a buffering sub-block (id 2) does not
                // make an animation loop.
                const bool looping =
                    block.size() == 11 && (std::memcmp(block.data(), "NETSCAPE2.0", 11) == 0 ||
                                           std::memcmp(block.data(), "ANIMEXTS1.0", 11) == 0);
                std::span<const std::uint8_t> data;
                while (ReadSubBlock(data) > 0) {
                    if (looping && data.size() >= 3 && data[0] == 1) loopBlockSeen_ = true;
                }
            }
            return true;
        case 0x01:
            if (traceBlocks_)
                std::fprintf(stderr, "got a '%s' extension\n", "Plain Text Extension");
            SkipSubBlocks();
            return true;
        default:
            if (traceBlocks_) {
                char name[32];
                std::snprintf(name, sizeof name, "UNKNOWN (0x%02x)", label);
                std::fprintf(stderr, "got a '%s' extension\n", name);
            }
            SkipSubBlocks();
            return true;
    }
}

bool GifStreamReader::ReadImageHeader(GifImageHeader& image) {
    if (bytes_.size() - pos_ < 9) {
        pos_ = bytes_.size();
        Fail("couldn't read left/top/width/height");
        return false;
    }
    const std::uint8_t* d = bytes_.data() + pos_;
    pos_ += 9;
    GifPageInfo& page = image.page;
    page = GifPageInfo{};
    page.screenWidth = screenWidth_;
    page.screenHeight = screenHeight_;
    page.left = Le16(d);
    page.top = Le16(d + 2);
    page.width = Le16(d + 4);
    page.height = Le16(d + 6);
    page.interlaced = (d[8] & 0x40) != 0;
    page.loopBlock = loopBlockSeen_;
    page.delay = control_.delay;
    page.controlByte = control_.controlByte;
    page.transparent = control_.transparent;
    page.transparentIndex = control_.transparentIndex;
    control_ = Control{};
    image.descriptorEnd = pos_;
    if ((d[8] & 0x80) != 0) {
        page.colorCount = 2 << (d[8] & 7);
        if (!ReadColorTable(static_cast<std::size_t>(page.colorCount), image.colors)) {
            Fail("error reading local colormap");
            return false;
        }
    } else {
        page.colorCount = globalCount_;
        image.colors = global_;
    }
    if (pos_ >= bytes_.size()) {
        Fail("EOF / read error on image data");
        return false;
    }
    image.minCodeSize = bytes_[pos_++];
    if (image.minCodeSize < GifLzw::kMinCodeSize || image.minCodeSize > GifLzw::kMaxCodeSize) {
        Fail("error reading image");
        return false;
    }
    image.dataOffset = pos_;
    return true;
}

GifStreamReader::Next GifStreamReader::NextImage(GifImageHeader& image) {
    while (pos_ < bytes_.size()) {
        const std::uint8_t c = bytes_[pos_++];
        switch (c) {
            case ';': return Next::End;
            case '!':
                if (!ReadExtension()) return Next::Failed;
                break;
            case ',': return ReadImageHeader(image) ? Next::Image : Next::Failed;
            default:
                if (traceBlocks_) std::fprintf(stderr, "bogus character 0x%02x, ignoring\n", c);
                if (++bogusBytes_ > kMaxBogusBytes) {
                    Fail("too many bogus characters");
                    return Next::Failed;
                }
                break;
        }
    }
    return Next::End;
}

}  // namespace vorla
