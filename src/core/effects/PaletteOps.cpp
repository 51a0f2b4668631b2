#include "core/effects/PaletteOps.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/model/FrameTable.h"

namespace vorla::effects {
namespace {

bool IsPlain8Bit(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0;
}

bool ValidFrame(const FrameTable& table, int frame) {
    return frame >= 0 && frame < table.frameCount;
}

}  // namespace

int ColourDistance(Colorref a, Colorref b) {
    return std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) +
           std::abs(BlueOf(a) - BlueOf(b));
}

int PaletteSize(const CDib& image, const FrameEntry& entry) {
    if (!IsPlain8Bit(image)) return 0;
    return std::clamp(std::min<int>(entry.colorCount, image.ColorCount()), 0, kMaxPaletteEntries);
}

std::array<int, kMaxPaletteEntries> IndexHistogram(const CDib& image) {
    std::array<int, kMaxPaletteEntries> counts{};
    if (!IsPlain8Bit(image)) return counts;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.Row(y);
        for (std::int32_t x = 0; x < image.Width(); ++x) ++counts[row[x]];
    }
    return counts;
}

int UnusedIndex(const CDib& image, const FrameEntry& entry) {
    const int size = PaletteSize(image, entry);
    const auto counts = IndexHistogram(image);
    for (int i = size - 1; i >= 0; --i) {
        if (counts[static_cast<std::size_t>(i)] == 0) return i;
    }
    return -1;
}

int FreeEntryIfFull(CDib& image, const FrameEntry& entry) {
    const int size = PaletteSize(image, entry);
    if (size == 0) return -1;
    const auto counts = IndexHistogram(image);
    for (int i = 0; i < size; ++i) {
        if (counts[static_cast<std::size_t>(i)] == 0) return -1;
    }
    const int keep =
        entry.transparent && entry.transparentIndex < size ? entry.transparentIndex : -1;
    int removed = -1;
    for (int i = 0; i < size; ++i) {
        if (i == keep) continue;
        const int count = counts[static_cast<std::size_t>(i)];
        if (removed < 0 || count < counts[static_cast<std::size_t>(removed)]) removed = i;
    }
    if (removed < 0) return -1;
    const Colorref colour = image.PaletteColor(removed);
    int replacement = -1;
    int best = 0;
    for (int i = 0; i < size; ++i) {
        if (i == keep || i == removed) continue;
        const int distance = ColourDistance(colour, image.PaletteColor(i));
        if (replacement < 0 || distance < best) {
            replacement = i;
            best = distance;
        }
    }
    if (replacement < 0) return -1;
    const auto from = static_cast<std::uint8_t>(removed);
    const auto to = static_cast<std::uint8_t>(replacement);
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        std::replace(row, row + image.Width(), from, to);
    }
    return removed;
}

int ChooseTransparentIndex(CDib& image, FrameEntry& entry) {
    int size = PaletteSize(image, entry);
    if (size == 0) return -1;
    if (entry.transparent && entry.transparentIndex < size) return entry.transparentIndex;
    int index = UnusedIndex(image, entry);
    // A palette below 256 entries grows instead of losing a colour: GIF palettes come in powers
    // of two, so the next one up.
    while (index < 0 && size < kMaxPaletteEntries) {
        int grown = 1;
        while (grown <= size) grown *= 2;
        size = std::min(grown, kMaxPaletteEntries);
        if (image.ColorCount() < size) image.SetColorCount(size);
        entry.colorCount = static_cast<std::int16_t>(size);
        index = UnusedIndex(image, entry);
    }
    if (index < 0) {
        const std::uint8_t wasTransparent = entry.transparent;
        entry.transparent = 0;  // a stale index must not be spared by FreeEntryIfFull
        index = FreeEntryIfFull(image, entry);
        entry.transparent = wasTransparent;
    }
    if (index < 0) return -1;
    entry.transparent = 1;
    entry.transparentIndex = static_cast<std::uint8_t>(index);
    return index;
}

int MakeTransparent(FrameTable& table, int frame) {
    if (!ValidFrame(table, frame)) return -1;
    auto slot = static_cast<std::size_t>(frame);
    CDib& image = table.frameImages[slot];
    FrameEntry& entry = table.entries[slot];
    const bool already = entry.transparent && entry.transparentIndex < PaletteSize(image, entry);
    const int index = ChooseTransparentIndex(image, entry);
    if (index >= 0 && !already) table.SetKeyColor(frame);
    return index;
}

void RecomputeKeyColor(FrameTable& table, int frame) {
    if (!ValidFrame(table, frame)) return;
    auto slot = static_cast<std::size_t>(frame);
    const FrameEntry& entry = table.entries[slot];
    if (!entry.transparent) return;
    table.frameImages[slot].SetPaletteColor(entry.transparentIndex, entry.transparentColor);
    table.SetKeyColor(frame);
}

bool FillMarginsWithTransparency(FrameTable& table, int frame) {
    if (!ValidFrame(table, frame)) return false;
    const std::int32_t screenWidth = table.settings.screenWidth;
    const std::int32_t screenHeight = table.settings.screenHeight;
    if (screenWidth <= 0 || screenHeight <= 0 || screenWidth > INT16_MAX ||
        screenHeight > INT16_MAX) {
        return false;
    }
    auto slot = static_cast<std::size_t>(frame);
    CDib& image = table.frameImages[slot];
    FrameEntry& entry = table.entries[slot];
    if (!IsPlain8Bit(image)) return false;

    // Widening first lets a frame without transparency take a fresh index instead of losing a
    // colour; every 8-bit pixel value then names a palette entry.
    const bool widened =
        entry.colorCount != kMaxPaletteEntries || image.ColorCount() < kMaxPaletteEntries;
    if (image.ColorCount() < kMaxPaletteEntries) image.SetColorCount(kMaxPaletteEntries);
    entry.colorCount = kMaxPaletteEntries;
    if (entry.transparent) {
        if (widened) RecomputeKeyColor(table, frame);  // the new entries must not resemble the key
    } else if (MakeTransparent(table, frame) < 0) {
        return false;
    }

    const std::uint8_t key = entry.transparentIndex;
    CDib screen;
    screen.Create(screenWidth, screenHeight, 8, kMaxPaletteEntries);
    std::copy_n(image.ColorTable().begin(), kMaxPaletteEntries, screen.ColorTable().begin());
    for (std::int32_t y = 0; y < screenHeight; ++y) {
        std::memset(screen.Row(y), key, static_cast<std::size_t>(screenWidth));
    }
    // The part of the frame inside the screen; offsets or sizes that reach outside are clipped.
    const std::int32_t left = entry.left;
    const std::int32_t top = entry.top;
    const std::int32_t fromX = std::max(0, -left);
    const std::int32_t toX = std::min(image.Width(), screenWidth - left);
    const std::int32_t toY = std::min(image.Height(), screenHeight - top);
    for (std::int32_t y = std::max(0, -top); y < toY && fromX < toX; ++y) {
        std::memcpy(screen.Row(top + y) + left + fromX, image.Row(y) + fromX,
                    static_cast<std::size_t>(toX - fromX));
    }
    image = std::move(screen);
    entry.left = 0;
    entry.top = 0;
    entry.width = static_cast<std::int16_t>(screenWidth);
    entry.height = static_cast<std::int16_t>(screenHeight);
    return true;
}

}  // namespace vorla::effects
