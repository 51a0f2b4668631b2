#include "core/effects/ColourReduction.h"

#include <algorithm>
#include <bitset>

#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/port/UserInterface.h"

namespace vorla::effects {
namespace {

bool Plain8(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0;
}

// Pixel counts of the indices inside the image's own table; indices past it are reported once.
std::array<std::int64_t, 256> CountInsideTable(const CDib& image, UserInterface& ui,
                                               bool* reported) {
    std::array<std::int64_t, 256> counts{};
    if (!Plain8(image)) return counts;
    const auto histogram = IndexHistogram(image);
    bool outside = false;
    for (int i = 0; i < 256; ++i) {
        if (i < image.ColorCount()) {
            counts[static_cast<std::size_t>(i)] = histogram[static_cast<std::size_t>(i)];
        } else if (histogram[static_cast<std::size_t>(i)] > 0) {
            outside = true;
        }
    }
    if (outside && !(reported && *reported)) {
        ReportProgramError(ui, "21461", true);
        if (reported) *reported = true;
    }
    return counts;
}

}  // namespace

int SteppedColourCount(int n) {
    for (int target : kReductionTargets) {
        if (n < target) return target;
    }
    return 256;
}

bool TargetEnabled(int target, int currentCount, bool working) {
    return !working && currentCount >= target + 1;
}

int DistinctCoarseColours(const CDib& image, UserInterface& ui, bool* reported) {
    const auto counts = CountInsideTable(image, ui, reported);
    std::bitset<512> seen;
    for (int i = 0; i < 256; ++i) {
        if (counts[static_cast<std::size_t>(i)] == 0) continue;
        const Colorref c = image.PaletteColor(i);
        seen.set(static_cast<std::size_t>(((RedOf(c) >> 5) << 6) | ((GreenOf(c) >> 5) << 3) |
                                          (BlueOf(c) >> 5)));
    }
    const int distinct = static_cast<int>(seen.count());
    if (distinct > 256) ReportProgramError(ui, "82731", true);
    return distinct;
}

int RecommendedCount(int startingCount, int distinctCoarse) {
    return std::min(startingCount, SteppedColourCount(distinctCoarse));
}

ColourReducer::ColourReducer(const CDib& image, const FrameEntry& entry, UserInterface& ui,
                             bool* reported)
    : ui_(ui) {
    counts_ = CountInsideTable(image, ui, reported);
    paletteSize_ = Plain8(image) ? std::min(image.ColorCount(), 256) : 0;
    for (int i = 0; i < 256; ++i) {
        remap_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        if (i < paletteSize_) colours_[static_cast<std::size_t>(i)] = image.PaletteColor(i);
    }
    transparentIndex_ = entry.transparentIndex;
    keepTransparent_ = entry.transparent != 0;
}

bool ColourReducer::PlanStep(MergeStep& step) {
    step = MergeStep{};
    int removed = -1;
    for (int i = 0; i < paletteSize_; ++i) {
        const std::int64_t n = counts_[static_cast<std::size_t>(i)];
        if (n == 0 || (keepTransparent_ && i == transparentIndex_)) continue;
        if (removed < 0 || n < counts_[static_cast<std::size_t>(removed)]) removed = i;
    }
    int replacement = -1;
    if (removed >= 0) {
        const Colorref from = colours_[static_cast<std::size_t>(removed)];
        int bestDistance = 0;
        for (int i = 0; i < paletteSize_; ++i) {
            if (i == removed || i == transparentIndex_ || counts_[static_cast<std::size_t>(i)] == 0)
                continue;
            const int distance = ColourDistance(from, colours_[static_cast<std::size_t>(i)]);
            // Close enough counts as the same colour: the first such index wins outright.
            if (distance < 32) {
                replacement = i;
                break;
            }
            if (replacement < 0 || distance < bestDistance) {
                replacement = i;
                bestDistance = distance;
            }
        }
    }
    if (removed < 0 || replacement < 0) {
        if (!failed_) ReportProgramError(ui_, "07356", true);
        failed_ = true;
        return false;
    }
    counts_[static_cast<std::size_t>(replacement)] += counts_[static_cast<std::size_t>(removed)];
    counts_[static_cast<std::size_t>(removed)] = 0;
    for (std::uint8_t& target : remap_) {
        if (target == removed) target = static_cast<std::uint8_t>(replacement);
    }
    step.removed = removed;
    step.replacement = replacement;
    return true;
}

void ColourReducer::Apply(CDib& image) const {
    if (!Plain8(image)) return;
    bool identity = true;
    for (int i = 0; i < 256 && identity; ++i) identity = remap_[static_cast<std::size_t>(i)] == i;
    if (identity) return;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        for (std::int32_t x = 0; x < image.Width(); ++x) row[x] = remap_[row[x]];
    }
}

int ColourReducer::UsedCount() const {
    int used = 0;
    for (std::int64_t n : counts_) used += n > 0 ? 1 : 0;
    return used;
}

MergeStep MergeOneStep(CDib& image, const FrameEntry& entry, UserInterface& ui, bool* reported) {
    ColourReducer reducer(image, entry, ui, reported);
    MergeStep step;
    if (!reducer.PlanStep(step)) return step;
    const auto from = static_cast<std::uint8_t>(step.removed);
    const auto to = static_cast<std::uint8_t>(step.replacement);
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            if (row[x] == from) row[x] = to;
        }
    }
    return step;
}

int ReduceColours(CDib& image, const FrameEntry& entry, int steps, UserInterface& ui,
                  bool* reported) {
    ColourReducer reducer(image, entry, ui, reported);
    int done = 0;
    MergeStep step;
    while (done < steps && reducer.PlanStep(step)) ++done;
    reducer.Apply(image);
    return done;
}

}  // namespace vorla::effects
