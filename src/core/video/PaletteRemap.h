// True-colour pictures remapped to a fixed palette: each pixel the nearest entry, or Floyd and
// Steinberg's error diffusion in serpentine order. Pixels the caller marks keep the index they
// have (the still areas of a clip) and are not looked at again.
#pragma once

#include <cstdint>
#include <vector>

#include "core/model/Color.h"

namespace vorla {

// The exact nearest entry of a palette by squared RGB distance, ties to the lower index. Only the
// entries that can be nearest somewhere in a cell of 5 bits a channel are compared; each cell's
// list is made on first use, so a picture of few colours builds few lists.
class NearestEntry {
public:
    // palette: 1..256 entries.
    explicit NearestEntry(const std::vector<RgbQuad>& palette);

    std::uint8_t Find(int r, int g, int b) {
        const int cell = (r >> kShift) << (2 * kBits) | (g >> kShift) << kBits | b >> kShift;
        std::int32_t start = starts_[static_cast<std::size_t>(cell)];
        if (start < 0) start = Build(cell);
        const Candidate* list = candidates_.data() + start;
        const Candidate* end = list + counts_[static_cast<std::size_t>(cell)];
        int best = list->index;
        int bestDistance = Distance(*list, r, g, b);
        for (++list; list != end; ++list) {
            const int d = Distance(*list, r, g, b);
            if (d < bestDistance) {
                best = list->index;
                bestDistance = d;
            }
        }
        return static_cast<std::uint8_t>(best);
    }

private:
    static constexpr int kBits = 5;
    static constexpr int kShift = 8 - kBits;

    // An entry in a cell's list, with its colour beside it so the search reads one array.
    struct Candidate {
        std::int16_t red, green, blue, index;
    };
    static int Distance(const Candidate& c, int r, int g, int b) {
        const int dr = c.red - r, dg = c.green - g, db = c.blue - b;
        return dr * dr + dg * dg + db * db;
    }
    // The cell's list: the entries whose least distance to the cell is at most the smallest
    // greatest distance of any entry (no other can be nearest to a colour inside), in index order.
    std::int32_t Build(int cell);

    std::vector<RgbQuad> palette_;
    std::vector<std::int32_t> starts_;  // per cell, into candidates_; -1: not made yet
    std::vector<std::uint16_t> counts_;
    std::vector<Candidate> candidates_;
};

class PaletteRemap {
public:
    // lossy: 0..kMaxLossy. Above 0 a pixel takes the entry of the pixel before it in its row
    // while that entry is within half the level's LossyTolerance of the colour wanted (LZW
    // stores runs cheaply, and a re-encoder finds them too), and the diffusion passes on less.
    explicit PaletteRemap(const std::vector<RgbQuad>& palette, int lossy = 0);

    // rgb: width * height pixels of 3 bytes (R, G, B), rows top first; one index per pixel into
    // indices. keep: null, or one byte a pixel, non-zero where indices already holds the index the
    // pixel keeps.
    void Apply(const std::uint8_t* rgb, int width, int height, bool diffusion,
               const std::uint8_t* keep, std::vector<std::uint8_t>& indices);

private:
    // The nearest entry, or before (an index; -1 none) when the lossy run tolerance allows it.
    std::uint8_t Choose(int r, int g, int b, int before);
    void Diffuse(const std::uint8_t* rgb, int width, int height, const std::uint8_t* keep,
                 std::vector<std::uint8_t>& indices);

    std::vector<RgbQuad> palette_;
    NearestEntry nearest_;
    // The most error a pixel passes on, in levels a channel: the palette's spread (PaletteSpread),
    // so that an edge against a colour the palette lacks does not smear its error across the
    // picture, while a palette of few far-apart colours still mixes them.
    int maxError_;
    int share_;                // of its error a pixel passes on, in percent
    int runTolerance_;         // levels a channel; 0: every pixel its nearest entry
    std::vector<int> errors_;  // two rows of carried error, 3 channels, in 1/16 levels
};

}  // namespace vorla
