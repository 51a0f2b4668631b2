// Test-only GIF writer for crafting streams byte by byte: a plain LZW encoder, a code packer
// that follows the reader's width rule (so hand-made code sequences can be packed), and a
// builder for the blocks around them. Header-only: shared by core, oracle and bench code.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorla::test {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<std::uint8_t, 3>;

// Packs codes LSB first. Widths follow the reader: minCodeSize + 1 after a clear, one bit more
// each time the next free code reaches 2^width (12 bits at most); the first code after a clear
// defines no entry.
inline Bytes PackCodes(const std::vector<int>& codes, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    int width = minCodeSize + 1;
    int next = clear + 2;
    bool afterClear = true;
    Bytes out;
    std::uint32_t acc = 0;
    int bits = 0;
    for (int code : codes) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
        if (code == clear) {
            width = minCodeSize + 1;
            next = clear + 2;
            afterClear = true;
        } else if (code == clear + 1) {
        } else if (afterClear) {
            afterClear = false;
            if (next >= (1 << width)) ++width;  // minimum code size 1 only
        } else if (next < 4096) {
            ++next;
            if (next >= (1 << width) && width < 12) ++width;
        }
    }
    if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
    return out;
}

// The codes of a plain LZW encoding of indices: clear first, a clear whenever the table is
// full, end code last.
inline std::vector<int> LzwCodes(const Bytes& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    std::vector<int> codes{clear};
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    int current = -1;
    for (std::uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        auto found = table.find({current, index});
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        codes.push_back(current);
        table[{current, index}] = next++;
        if (next == 4096) {
            codes.push_back(clear);
            table.clear();
            next = clear + 2;
        }
        current = index;
    }
    if (current >= 0) codes.push_back(current);
    codes.push_back(clear + 1);
    return codes;
}

// Splits data into sub-blocks of at most blockSize bytes and adds the terminator.
inline Bytes SubBlocks(const Bytes& data, std::size_t blockSize = 255, bool terminate = true) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += blockSize) {
        std::size_t n = std::min(blockSize, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    if (terminate) out.push_back(0);
    return out;
}

// Table size field N for a table of 2^(N+1) >= count entries.
inline int TableBits(std::size_t count) {
    int n = 0;
    while ((std::size_t{2} << n) < count) ++n;
    return n;
}

class GifBuilder {
public:
    explicit GifBuilder(std::string_view version = "89a") {
        bytes_.reserve(1024);
        Raw("GIF");
        Raw(version);
    }

    // globalColors empty: no global table (the size field is still written as 0).
    GifBuilder& Screen(int width, int height, const std::vector<Rgb>& globalColors = {},
                       int background = 0) {
        Word(width);
        Word(height);
        int bitsField = globalColors.empty() ? 0 : TableBits(globalColors.size());
        bytes_.push_back(
            static_cast<std::uint8_t>((globalColors.empty() ? 0 : 0x80) | 0x70 | bitsField));
        bytes_.push_back(static_cast<std::uint8_t>(background));
        bytes_.push_back(0);
        Table(globalColors, bitsField);
        return *this;
    }

    // transparentIndex < 0: no transparency.
    GifBuilder& Control(int disposal, int delay, int transparentIndex = -1) {
        Raw({0x21, 0xF9, 0x04});
        bytes_.push_back(
            static_cast<std::uint8_t>((disposal << 2) | (transparentIndex >= 0 ? 1 : 0)));
        Word(delay);
        bytes_.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
        bytes_.push_back(0);
        return *this;
    }

    // An application extension: the 11-byte identifier, then the data as one sub-block.
    // Loop(0) is the NETSCAPE2.0 block of an endless animation.
    GifBuilder& Application(std::string_view identifier, const Bytes& data) {
        Raw({0x21, 0xFF, 0x0B});
        Raw(identifier.substr(0, 11));
        Raw(SubBlocks(data));
        return *this;
    }
    GifBuilder& Loop(int count, std::string_view identifier = "NETSCAPE2.0") {
        return Application(identifier, {1, static_cast<std::uint8_t>(count),
                                        static_cast<std::uint8_t>(count >> 8)});
    }

    GifBuilder& Comment(std::string_view text) {
        Raw({0x21, 0xFE});
        Raw(SubBlocks(Bytes(text.begin(), text.end())));
        return *this;
    }

    // The image descriptor (and local table) only; data follows with Data or ImageData.
    GifBuilder& Descriptor(int left, int top, int width, int height, bool interlaced = false,
                           const std::vector<Rgb>& localColors = {}) {
        bytes_.push_back(',');
        Word(left);
        Word(top);
        Word(width);
        Word(height);
        int bitsField = localColors.empty() ? 0 : TableBits(localColors.size());
        bytes_.push_back(static_cast<std::uint8_t>((localColors.empty() ? 0 : 0x80) |
                                                   (interlaced ? 0x40 : 0) | bitsField));
        Table(localColors, bitsField);
        return *this;
    }

    // Minimum code size and the given codes packed into sub-blocks.
    GifBuilder& Codes(int minCodeSize, const std::vector<int>& codes, std::size_t blockSize = 255) {
        bytes_.push_back(static_cast<std::uint8_t>(minCodeSize));
        Raw(SubBlocks(PackCodes(codes, minCodeSize), blockSize));
        return *this;
    }

    // A whole image; pixels are given top row first and stored in pass order when interlaced.
    GifBuilder& Image(int left, int top, int width, int height, const Bytes& pixels,
                      bool interlaced = false, const std::vector<Rgb>& localColors = {},
                      int minCodeSize = 8) {
        Descriptor(left, top, width, height, interlaced, localColors);
        Codes(minCodeSize,
              LzwCodes(interlaced ? PassOrder(pixels, width, height) : pixels, minCodeSize));
        return *this;
    }

    GifBuilder& Raw(std::string_view text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    GifBuilder& Raw(const Bytes& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return *this;
    }
    GifBuilder& Raw(std::initializer_list<std::uint8_t> data) { return Raw(Bytes(data)); }
    GifBuilder& Trailer() {
        bytes_.push_back(';');
        return *this;
    }

    const Bytes& Get() const { return bytes_; }

    static Bytes PassOrder(const Bytes& pixels, int width, int height) {
        Bytes out;
        static constexpr int kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
        for (const auto& pass : kPasses) {
            for (int y = pass[0]; y < height; y += pass[1]) {
                out.insert(out.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
            }
        }
        return out;
    }

private:
    void Word(int v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Table(const std::vector<Rgb>& colors, int bitsField) {
        if (colors.empty()) return;
        for (std::size_t i = 0; i < (std::size_t{2} << bitsField); ++i) {
            Rgb c = i < colors.size() ? colors[i] : Rgb{0, 0, 0};
            bytes_.insert(bytes_.end(), c.begin(), c.end());
        }
    }

    Bytes bytes_;
};

}  // namespace vorla::test
