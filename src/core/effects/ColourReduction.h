// Colour reduction of one frame: the least-used palette index is merged into the nearest other
// used colour, step after step, until the wanted number of colours remains. The palette is never
// rewritten; only fewer indices stay in use.
//
// A run plans its steps on the index histogram alone (a merge moves the count of r onto q, which
// is exactly what re-counting the re-painted pixels gives), composes them into one remap table
// and re-paints the pixels once: the same pixels as merging step by step, at the cost of one
// pass instead of two per step.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/model/Color.h"

namespace vorla {

class CDib;
class UserInterface;
struct FrameEntry;

namespace effects {

inline constexpr int kReductionTargets[] = {3, 7, 15, 31, 63, 127};

// 3, 7, 15, 31, 63, 127 or 256: the first target above n.
int SteppedColourCount(int n);
// The target button for `target` colours: only while idle, and only when at least target + 1
// colours are in use.
bool TargetEnabled(int target, int currentCount, bool working);

// Distinct colours of the used indices with only the top three bits of each channel kept; the
// recommended count is min(starting count, SteppedColourCount(this)). Indices past the image's
// own colour table are left out and reported once per wizard (*reported is then set).
int DistinctCoarseColours(const CDib& image, UserInterface& ui, bool* reported);
int RecommendedCount(int startingCount, int distinctCoarse);

struct MergeStep {
    int removed = -1;      // r: the least-used index (lowest on a tie)
    int replacement = -1;  // q: its pixels' new index
};

// The state of a reduction run on one frame.
class ColourReducer {
public:
    // Counts the image's indices; an index past its colour table is left out and reported once
    // per wizard (*reported).
    ColourReducer(const CDib& image, const FrameEntry& entry, UserInterface& ui, bool* reported);

    // Plans the next step and records it in the remap table. false: no two usable colours remain
    // ("07356" reported once).
    bool PlanStep(MergeStep& step);
    // Re-paints every pixel through the remap of the steps planned so far (one pass).
    void Apply(CDib& image) const;
    const std::array<std::uint8_t, 256>& Remap() const { return remap_; }
    int UsedCount() const;

private:
    std::array<std::int64_t, 256> counts_{};
    std::array<Colorref, 256> colours_{};
    std::array<std::uint8_t, 256> remap_{};
    int paletteSize_ = 0;
    int transparentIndex_ = -1;     // never receives pixels (also with transparency off)
    bool keepTransparent_ = false;  // the transparent index of a transparent frame stays
    UserInterface& ui_;
    bool failed_ = false;
};

// The reference: one merge step straight on the pixels (histogram, choice, re-paint), as the
// wizard showing its steps does. Returns the step (removed -1 when none was possible).
MergeStep MergeOneStep(CDib& image, const FrameEntry& entry, UserInterface& ui, bool* reported);

// Runs k steps planned on the histogram and applied in one pass. Returns the steps run.
int ReduceColours(CDib& image, const FrameEntry& entry, int steps, UserInterface& ui,
                  bool* reported);

}  // namespace effects
}  // namespace vorla
