// The blocks of a GIF stream that both writers emit (the ordinary one, GifEncoder, and the
// optimising one, GifOptimizer), appended to a byte vector. 16-bit fields are little-endian;
// positions and sizes are pixels, delays centiseconds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "core/model/Color.h"

namespace vorla::gif_blocks {

inline void Put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// The signature ("GIF87a" or "GIF89a") and the logical screen descriptor; packed holds the
// global table's flag, colour resolution and size. Background index 0, no aspect ratio.
inline void PutHeader(std::vector<std::uint8_t>& out, const char* signature, int width, int height,
                      std::uint8_t packed) {
    out.insert(out.end(), signature, signature + 6);
    Put16(out, width);
    Put16(out, height);
    out.push_back(packed);
    out.push_back(0);
    out.push_back(0);
}

// A colour table: red, green, blue per entry.
inline void PutColors(std::vector<std::uint8_t>& out, const std::vector<Colorref>& colors) {
    for (const Colorref c : colors) {
        out.push_back(static_cast<std::uint8_t>(RedOf(c)));
        out.push_back(static_cast<std::uint8_t>(GreenOf(c)));
        out.push_back(static_cast<std::uint8_t>(BlueOf(c)));
    }
}

// The looping block (NETSCAPE2.0): loop forever.
inline void PutLoopForever(std::vector<std::uint8_t>& out) {
    static constexpr std::uint8_t kLoop[19] = {0x21, 0xFF, 0x0B, 'N',  'E', 'T', 'S',
                                               'C',  'A',  'P',  'E',  '2', '.', '0',
                                               0x03, 0x01, 0x00, 0x00, 0x00};
    out.insert(out.end(), std::begin(kLoop), std::end(kLoop));
}

// A graphic control block; packed holds the disposal and the transparency flag.
inline void PutControl(std::vector<std::uint8_t>& out, std::uint8_t packed, int delay,
                       int transparentIndex) {
    const std::uint8_t control[8] = {0x21,
                                     0xF9,
                                     0x04,
                                     packed,
                                     static_cast<std::uint8_t>(delay),
                                     static_cast<std::uint8_t>(delay >> 8),
                                     static_cast<std::uint8_t>(transparentIndex),
                                     0x00};
    out.insert(out.end(), std::begin(control), std::end(control));
}

// An image descriptor; packed holds the local table's flag and size and the interlace flag.
inline void PutDescriptor(std::vector<std::uint8_t>& out, int left, int top, int width, int height,
                          std::uint8_t packed) {
    out.push_back(0x2C);
    Put16(out, left);
    Put16(out, top);
    Put16(out, width);
    Put16(out, height);
    out.push_back(packed);
}

// size bytes as sub-blocks of at most packet bytes (1..255), then the terminator.
inline void PutSubBlocks(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t size,
                         std::size_t packet = 255) {
    for (std::size_t at = 0; at < size; at += packet) {
        const std::size_t n = std::min(packet, size - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data + at, data + at + n);
    }
    out.push_back(0);
}

}  // namespace vorla::gif_blocks
