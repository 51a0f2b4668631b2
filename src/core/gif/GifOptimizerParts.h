// The optimising writer's parts (GifOptimizer.h), shared by its files: GifColorOrder.cpp orders
// the global table, GifImageEncoder.cpp compresses one image every way, GifOptimizer.cpp plans
// the frames (areas, disposals, the lossy level's steady share), GifOptimizerVerify.cpp checks
// what was written.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/gif/GifCanvas.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/CDib.h"

namespace vorla::optimizer {

using Screen = std::vector<std::uint32_t>;  // colour id + 1 per pixel; 0 transparent

inline Colorref EntryColor(const CDib& image, int index) {
    const auto& table = image.ColorTable();
    // Entries beyond the table show black, as the ordinary writer writes them.
    return static_cast<std::size_t>(index) < table.size()
               ? table[static_cast<std::size_t>(index)].ToColorref()
               : 0;
}

inline bool Usable(const GifSourceFrame& frame) {
    return frame.image != nullptr && frame.image->BitCount() == 8 && !frame.image->IsEmpty();
}

// Whether no channel of a and b differs by more than tolerance.
inline bool Within(Colorref a, Colorref b, int tolerance) {
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
           std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

inline int Disposal(const GifSourceFrame& frame) {
    return frame.disposal == 2 || frame.disposal == 3 ? frame.disposal : 1;
}

// The part of the screen frame k covers.
inline GifArea FrameRect(const GifSourceAnimation& source, std::size_t k) {
    const GifSourceFrame& frame = source.frames[k];
    if (!Usable(frame)) return {};
    const int w = source.screenWidth;
    const int h = source.screenHeight;
    return {std::clamp(frame.left, 0, w), std::clamp(frame.top, 0, h),
            std::clamp(frame.left + frame.image->Width(), 0, w),
            std::clamp(frame.top + frame.image->Height(), 0, h)};
}

// Where the screen frame k shows may differ from the one before it (a blank screen before frame
// 0): what frame k draws, and what the disposal of frame k - 1 cleared or restored. The
// whole-screen work between frames stays inside it.
inline GifArea StoredChange(const GifSourceAnimation& source, std::size_t k) {
    GifArea area = FrameRect(source, k);
    if (k > 0 && Disposal(source.frames[k - 1]) != 1) area.Unite(FrameRect(source, k - 1));
    return area;
}

// Bits to hold values 0..maxValue, at least 1.
inline int BitsFor(int maxValue) {
    return std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(maxValue))));
}

// An empty area still needs an image to carry the frame's delay: one pixel.
inline GifArea FrameArea(const GifArea& area) {
    return area.Empty() ? GifArea{0, 0, 1, 1} : area;
}

// Every colour the frames show, numbered, with the values that draw each frame in ids.
struct ColorDictionary {
    std::vector<Colorref> colors;           // id -> colour
    std::vector<std::uint32_t> order;       // the global table's colour ids, see CountChanges
    std::vector<GifCanvas::Values> values;  // per frame: index -> id + 1; 0 transparent or unused

    void Build(const GifSourceAnimation& source);

    // order: the global table's order. An image's code size follows the highest index its
    // changed pixels need (and the transparent index, the lowest one they leave free), so the
    // colours that frames change pixels to should take the low indices, and the colours of the
    // frames that change many pixels with few colours the lowest.
    void CountChanges(const GifSourceAnimation& source);

    // Frames taken one by one, each time the one with the most changed pixels per colour it
    // adds to the order; its new colours follow in the order of fallback.
    static std::vector<std::uint32_t> CoverOrder(
        const std::vector<std::vector<std::uint32_t>>& changed,
        const std::vector<std::uint64_t>& changedPixels,
        const std::vector<std::uint32_t>& fallback);

    // The bits of codes LZW codes written from minimum code size codeSize, the table cleared
    // whenever it fills.
    static std::uint64_t LzwBits(std::uint64_t codes, int codeSize);

    static constexpr std::size_t kOrderWork = 200'000'000;  // colour visits, about 0.2 s
};

// One written image without its control block.
struct EncodedImage {
    bool transparency = false;
    std::uint8_t transparentIndex = 0;
    std::vector<std::uint8_t> bytes;  // descriptor, local table, code size, sub-blocks
    int option = 0;                   // the way the pixels were chosen (GifImageEncoder::Option)
    int maxIndex = 0;                 // the highest index the data or the transparency uses
    bool limited = false;
    bool tableFilled = false;  // the LZW string table reached 4096 codes
    int fullTable = 0;         // what was done with it then (GifLzwEncoder::FullTable)
    bool global = false;       // the image uses the global table
};

// How often a way of compressing, or a kind of disposal, gave the smallest result on the
// frames that weighed every one, and how many bytes it saved there over the next best.
struct WayRecord {
    std::uint32_t tried = 0;  // explored images where the way was tried
    std::uint32_t won = 0;    // of those, the images where it gave the smallest
    std::uint64_t saved = 0;  // bytes those images would have grown without it
};
inline constexpr std::uint32_t kExploreFirst = 8;   // frames that weigh every way at the start
inline constexpr std::uint32_t kExploreEvery = 16;  // and then every 16th
// Kinds of disposal are weighed more often: weighing them costs an estimate each, and which one
// pays changes with the content (a zoom that turns, a scene that settles).
inline constexpr std::uint32_t kExploreKindsEvery = 4;
inline constexpr std::uint32_t kSavedPermille = 2;  // a way's share of the bytes saved

// Whether records[k] is weighed where not every one is: always when tried on fewer than
// kExploreFirst explored images (too few to judge: a way applies only to some images), and for
// one of rivals (rivals: it competes with every record of the same kind) when it won most often;
// otherwise when it saved a share of the bytes (explored: the winners' bytes on the explored
// images).
template <std::size_t N>
bool Kept(const std::array<WayRecord, N>& records, std::size_t k, std::uint64_t explored,
          bool rivals) {
    const WayRecord& record = records[k];
    if (record.tried < kExploreFirst) return true;
    if (rivals) {
        std::uint32_t most = 0;
        for (const WayRecord& r : records) most = std::max(most, r.won);
        if (record.won == most) return true;
    }
    return record.saved * 1000 >= explored * kSavedPermille;
}

// Images of at most this many pixels weigh every way whatever the counts: they cost little, and
// recordings made of small changes are where the rare ways win.
inline constexpr std::size_t kSmallImage = 128 * 128;
}  // namespace vorla::optimizer
