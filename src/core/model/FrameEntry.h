// The properties of one frame. Entries serialise to a fixed 59-byte record (undo blocks and the
// frame clipboard store them byte for byte), little-endian, field after field without gaps.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/gif/GifPageInfo.h"
#include "core/model/Color.h"

namespace vorla {

// The external file linked to a frame. Only the two words and linkedTime travel in the
// serialised record; linkedPath is a string and is never part of a byte copy.
struct FrameLink {
    std::string text;
    std::uint32_t word1 = 0;  // copied with the entry, no meaning for any operation
    std::uint32_t word2 = 0;
    std::int64_t linkedTime = 0;  // modification time of the linked file when last read, seconds
    std::string linkedPath;       // empty: no link
    // The rest of the linked file's identity when last read (external::FileSignature); never
    // serialised. Whole seconds miss a second save within the same second, and a rename over
    // the file changes the inode and perhaps nothing else.
    std::int64_t linkedTimeNs = 0;  // nanoseconds past linkedTime
    std::int64_t linkedSize = -1;   // bytes; -1: not known
    std::uint64_t linkedInode = 0;

    friend bool operator==(const FrameLink&, const FrameLink&) = default;
};

struct FrameEntry {
    static constexpr std::size_t kSerializedSize = 59;

    std::int16_t left = 0;  // position inside the logical screen, pixels
    std::int16_t top = 0;
    std::int16_t width = 0;  // equals the frame image's width
    std::int16_t height = 0;
    std::int16_t delay = 0;       // centiseconds
    std::int16_t colorCount = 0;  // palette entries in use: 2^bits of the source, 256 for imports
    std::uint8_t transparentIndex = 0;  // colorCount - 1 while transparency is off
    std::uint8_t controlFlags = 0;      // GIF graphic-control packed byte; disposal in bits 2..4
    std::uint8_t selected = 0;
    std::uint8_t gapSelected = 0;  // the gap just before this frame
    std::uint8_t transparent = 0;
    std::uint8_t restoreBackground = 0;  // 1 exactly when the disposal method is 2
    std::uint8_t interlaced = 0;
    Colorref transparentColor =
        0;                         // what palette entry transparentIndex held before the key colour
    Colorref keyColor = 0;         // stands in palette entry transparentIndex while transparent
    std::uint32_t effectWord = 0;  // scratch of the effect generators
    FrameLink link;

    int Disposal() const { return (controlFlags >> 2) & 7; }
    // Disposal 3 as read from a GIF: after its delay the frame's area goes back to what it was
    // before the frame was drawn. restoreBackground (disposal 2) wins when both are set.
    bool RestoresPrevious() const { return !restoreBackground && Disposal() == 3; }
    // The disposal the writers write: 2 and 3 as read, everything else 1.
    int WrittenDisposal() const { return restoreBackground ? 2 : RestoresPrevious() ? 3 : 1; }

    // A GIF image as a frame of an opened file: its place, disposal, transparency and delay
    // (kDelayWithoutControl without a control block).
    static FrameEntry FromGifPage(const GifPageInfo& page);

    // Exactly kSerializedSize bytes. The link's strings are not stored.
    std::array<std::uint8_t, kSerializedSize> Serialize() const;
    // Reads a record written by Serialize; the link's strings come back empty.
    static FrameEntry Deserialize(std::span<const std::uint8_t, kSerializedSize> bytes);

    friend bool operator==(const FrameEntry&, const FrameEntry&) = default;
};

struct AnimationSettings {
    std::int32_t screenWidth = 0;  // the GIF logical screen, pixels
    std::int32_t screenHeight = 0;
    bool loopForever = false;
};

}  // namespace vorla
