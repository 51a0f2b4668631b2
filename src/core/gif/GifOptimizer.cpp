#include "core/gif/GifOptimizer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <tuple>

#include "core/gif/GifBlocks.h"
#include "core/gif/GifCanvas.h"
#include "core/gif/GifImageEncoder.h"
#include "core/gif/GifOptimizerParts.h"
#include "core/gif/GifPageInfo.h"
#include "core/model/CDib.h"

namespace vorla {
namespace {

using namespace optimizer;

// Of the pixels that differ between one screen and the next (both opaque), the percent that
// differ by drift (within the steady share) for Planner::Steady to keep them.
constexpr std::size_t kDriftPercent = 25;

// Over area of two screens of width pixels a row: the count of pixels that differ, with
// onDrift(p) called for each that differs by drift (both opaque, no channel further apart than
// tolerance).
template <typename OnDrift>
std::size_t CountDrift(const Screen& was, const Screen& now, const GifArea& area, int width,
                       const std::vector<Colorref>& colors, int tolerance, OnDrift&& onDrift) {
    std::size_t differing = 0;
    for (int y = area.y0; y < area.y1; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const std::size_t from = row + static_cast<std::size_t>(area.x0);
        const std::size_t to = row + static_cast<std::size_t>(area.x1);
        // Most rows do not change: one block compare passes them over.
        if (std::memcmp(was.data() + from, now.data() + from,
                        (to - from) * sizeof(std::uint32_t)) == 0) {
            continue;
        }
        for (std::size_t p = from; p < to; ++p) {
            if (was[p] == now[p]) continue;
            ++differing;
            if (was[p] != 0 && now[p] != 0 &&
                Within(colors[was[p] - 1], colors[now[p] - 1], tolerance)) {
                onDrift(p);
            }
        }
    }
    return differing;
}

class Planner {
public:
    // allowGlobal false: local tables only, even where all colours would fit one table.
    // tolerance: the lossy level's (LossyTolerance), of which steady goes to Steady.
    // mergeRepeats, twoThreads: as GifOptimizeOptions.
    Planner(const GifSourceAnimation& source, const ColorDictionary& dictionary, bool keepStored,
            bool allowGlobal, int tolerance, int steady, bool mergeRepeats, bool twoThreads)
        : source_(source),
          dictionary_(dictionary),
          keepStored_(keepStored),
          mergeRepeats_(mergeRepeats && !keepStored),
          steady_(steady),
          width_(std::max(source.screenWidth, 0)),
          height_(std::max(source.screenHeight, 0)),
          encoder_(dictionary, source.screenWidth, allowGlobal, tolerance - steady,
                   source.frames.size() == 1, twoThreads) {}

    enum class Outcome { Done, Cancelled, DeadEnd, GlobalUnused };

    // The kinds of disposal a frame is weighed with: leave in place, restore to previous, clear
    // what the next frame needs cleared, clear the whole stored frame.
    enum class Kind { Leave, Restore, ClearNeeded, ClearStored };
    static unsigned KindBit(Kind kind) { return 1u << static_cast<unsigned>(kind); }

    Outcome Run(GifOptimizeResult& result, const GifProgress& progress) {
        const std::size_t count = source_.frames.size();
        result.frameBytes.assign(count, 0);
        result.mergedFrames = 0;
        out_.clear();
        const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
        stored_.Reset(width_, height_);
        Screen base(pixels, 0);
        Screen current;
        Screen next;
        Screen storedNext;
        Advance(0, current, storedNext);
        GifArea differs = StoredChange(source_, 0);  // where base and current may differ
        for (std::size_t k = 0; k < count; ++k) {
            if (progress && !progress(static_cast<int>(k), static_cast<int>(count))) {
                return Outcome::Cancelled;
            }
            const bool last = k + 1 == count;
            Screen storedAfter;  // the screen the stored frames leave after k
            storedAfter.swap(storedNext);
            // Where current and next may differ.
            GifArea nextChange = last ? GifArea{} : StoredChange(source_, k + 1);
            if (!last) {
                Advance(k + 1, next, storedNext);
                if (steady_ > 0 && !keepStored_) {
                    // current holds kept colours in keptArea_, where next (fresh from the
                    // stored frames) has the true ones: they may differ there too.
                    nextChange.Unite(keptArea_);
                    keptArea_ = Steady(current, next, nextChange);
                }
            }
            const bool first = k == 0;
            const bool anyClear =
                first && std::find(current.begin(), current.end(), 0u) != current.end();
            const GifArea changed = Difference(current, base, differs);
            if (changed.Empty() && MergesIntoPrevious(k)) {
                // The screen stays as the image before left it: base, current and the screen
                // after this frame are one, so next differs from it only in nextChange.
                result.frameBytes[k] = 0;
                ++result.mergedFrames;
                if (!last) {
                    std::swap(current, next);
                    differs = nextChange;
                }
                continue;
            }

            // A candidate's screen after frame k: current (leave in place), base (restore to
            // previous), or a copy of current with its area cleared (restore to background).
            struct Candidate {
                int disposal;
                GifArea area;
                Screen cleared;  // disposal 2 only
                GifArea nextArea;
                GifArea differs;  // where the screen after it and next may differ
                // The kinds it stands for: another kind that gives the same disposal and area
                // is the same candidate, and is counted with it where the kinds are weighed.
                unsigned kinds;
            };
            std::vector<Candidate> candidates;
            auto afterOf = [&](const Candidate& c) -> const Screen& {
                return c.disposal == 2 ? c.cleared : c.disposal == 1 ? current : base;
            };
            // As with the ways of compressing (TryWays): on the first frames and every 16th after,
            // every kind of candidate is weighed and the winner counted; in between only the
            // kinds that have won often enough (every kind where this frame and the next change
            // little), all of them where none of those can be drawn.
            const bool explore = k < kExploreFirst || k % kExploreKindsEvery == 0;
            if (last) {
                candidates.push_back({1, changed, {}, {}, {}, KindBit(Kind::Leave)});
            } else {
                GifArea cleared;  // shown now, transparent in the next frame
                for (int y = nextChange.y0; y < nextChange.y1; ++y) {
                    const std::size_t row = static_cast<std::size_t>(y) * width_;
                    if (SameRow(current, next, row, nextChange)) continue;
                    const std::uint32_t* const c = current.data() + row;
                    const std::uint32_t* const n = next.data() + row;
                    cleared.Unite(
                        RowSpan(nextChange, y, [&](int x) { return c[x] != 0 && n[x] == 0; }));
                }
                GifArea reach = changed;
                reach.Unite(nextChange);
                bool all = explore ||
                           static_cast<std::size_t>(reach.Width()) * reach.Height() <= kSmallImage;
                auto consider = [&](Kind kind, int disposal, GifArea area, const Screen& after,
                                    Screen&& clearedScreen) {
                    if (keepStored_ && after != storedAfter) return;
                    // after differs from current where base does (restore) or in the cleared
                    // area, and current from next in nextChange.
                    GifArea bound = nextChange;
                    bound.Unite(disposal == 3 ? differs : disposal == 2 ? area : GifArea{});
                    GifArea nextArea;
                    if (!Drawable(next, after, bound, nextArea)) return;
                    for (Candidate& c : candidates) {
                        if (c.disposal == disposal && c.area == area) {
                            c.kinds |= KindBit(kind);
                            return;
                        }
                    }
                    candidates.push_back(
                        {disposal, area, std::move(clearedScreen), nextArea, bound, KindBit(kind)});
                };
                // Clearing: just what the next frame needs cleared, or the whole stored frame as
                // its own disposal clears it (which keeps the stored screens).
                const GifArea clearings[2] = {
                    cleared, Disposal(source_.frames[k]) == 2 ? FrameRect(source_, k) : GifArea{}};
                for (int pass = 0; pass < 2 && candidates.empty(); ++pass, all = true) {
                    if (cleared.Empty() && Wanted(Kind::Leave, all)) {
                        consider(Kind::Leave, 1, changed, current, {});
                    }
                    if (!changed.Empty() && Wanted(Kind::Restore, all)) {
                        consider(Kind::Restore, 3, changed, base, {});
                    }
                    for (int c = 0; c < 2; ++c) {
                        const Kind kind = c == 0 ? Kind::ClearNeeded : Kind::ClearStored;
                        if (clearings[c].Empty() || !Wanted(kind, all)) continue;
                        GifArea area = clearings[c];
                        area.Unite(changed);
                        Screen after = current;
                        Clear(after, area);
                        consider(kind, 2, area, after, std::move(after));
                    }
                }
            }
            if (candidates.empty()) return Outcome::DeadEnd;
            // The candidate whose next image has the least to draw first: it usually wins, and
            // then a candidate whose own image costs as much is passed over without its next.
            std::stable_sort(candidates.begin(), candidates.end(),
                             [](const Candidate& a, const Candidate& b) {
                                 return std::int64_t{a.nextArea.Width()} * a.nextArea.Height() <
                                        std::int64_t{b.nextArea.Width()} * b.nextArea.Height();
                             });

            // The image for each candidate; candidates with the same area and rules share one.
            std::optional<EncodedImage> best;
            std::size_t bestCost = SIZE_MAX;
            std::vector<std::size_t> costs(candidates.size(), SIZE_MAX);  // weighed frames
            int bestIndex = -1;
            std::vector<std::tuple<GifArea, bool, std::optional<EncodedImage>>> encoded;
            for (std::size_t c = 0; c < candidates.size(); ++c) {
                const Candidate& candidate = candidates[c];
                const bool force =
                    candidate.disposal == 2 || (first && (anyClear || candidate.disposal != 1));
                std::optional<EncodedImage> image;
                const GifArea area = FrameArea(candidate.area);
                for (const auto& [doneArea, doneForce, done] : encoded) {
                    if (doneArea == area && doneForce == force) image = done;
                }
                if (!image) {
                    image = encoder_.Encode(base, current, candidate.area, force);
                    // A frame of 256 colours has no index left for transparency; keeping the
                    // stored screens, it is written as the stored frame is, without one.
                    if (!image && force && keepStored_) {
                        image = encoder_.Encode(base, current, candidate.area, false);
                    }
                    encoded.emplace_back(area, force, image);
                }
                if (!image) continue;
                std::size_t cost = image->bytes.size();
                // Its next image cannot make up for it (weighed in full where counted).
                if (cost >= bestCost && !explore) continue;
                if (candidates.size() > 1) {
                    const std::optional<std::size_t> following =
                        encoder_.EstimateBytes(afterOf(candidate), next, candidate.nextArea);
                    if (!following) continue;
                    cost += *following;
                }
                costs[c] = cost;
                if (cost < bestCost) {
                    bestCost = cost;
                    best = std::move(image);
                    bestIndex = static_cast<int>(c);
                }
            }
            if (!best) return Outcome::DeadEnd;
            const Candidate& chosen = candidates[static_cast<std::size_t>(bestIndex)];
            if (explore && candidates.size() > 1) {
                // What the winning kind saved over the best of the others.
                std::size_t others = SIZE_MAX;
                for (std::size_t c = 0; c < candidates.size(); ++c) {
                    for (std::size_t kind = 0; kind < kinds_.size(); ++kind) {
                        if (candidates[c].kinds >> kind & 1) ++kinds_[kind].tried;
                    }
                    if (static_cast<int>(c) != bestIndex) others = std::min(others, costs[c]);
                }
                for (std::size_t kind = 0; kind < kinds_.size(); ++kind) {
                    if ((chosen.kinds >> kind & 1) == 0) continue;
                    ++kinds_[kind].won;
                    if (others != SIZE_MAX) kinds_[kind].saved += others - bestCost;
                }
                exploredCost_ += bestCost;
            }
            const std::size_t before = out_.size();
            if (best->global) {
                ++globalImages_;
                maxGlobalIndex_ = std::max(maxGlobalIndex_, best->maxIndex);
            }
            WriteControl(source_.frames[k].delay, chosen.disposal, *best);
            out_.insert(out_.end(), best->bytes.begin(), best->bytes.end());
            result.frameBytes[k] = out_.size() - before;
            if (!last) {
                // current's pixels are not needed after this: the next frame's come from next.
                if (chosen.disposal == 2) {
                    base = std::move(candidates[static_cast<std::size_t>(bestIndex)].cleared);
                } else if (chosen.disposal == 1) {
                    base.swap(current);
                }
                std::swap(current, next);
                differs = chosen.differs;
            }
        }
        out_.push_back(0x3B);
        // A global table no image uses is only bytes: the caller writes without it.
        if (encoder_.Global() && globalImages_ == 0) return Outcome::GlobalUnused;
        // The header last: its table must hold every index an image uses.
        result.bytes.clear();
        WriteHeader(result.bytes);
        result.bytes.insert(result.bytes.end(), out_.begin(), out_.end());
        result.globalTable = encoder_.Global();
        return Outcome::Done;
    }

private:
    // Whether frame k, which needs nothing drawn, can add its delay to the image before (the
    // written control block's delay field is then changed in place). Only after an image left
    // in place: then the screen it showed is the one frame k shows. After a clear or a restore
    // frame k shows what the disposal left, which the image before never showed.
    bool MergesIntoPrevious(std::size_t k) {
        if (!mergeRepeats_ || previousDelayAt_ == kNoControl || previousDisposal_ != 1) {
            return false;
        }
        const int delay = source_.frames[k].delay & 0xFFFF;
        const int sum = previousDelay_ + delay;
        if (delay < kMinMergedDelay || previousDelay_ < kMinMergedDelay || sum > 0xFFFF) {
            return false;
        }
        previousDelay_ = sum;
        out_[previousDelayAt_] = static_cast<std::uint8_t>(sum);
        out_[previousDelayAt_ + 1] = static_cast<std::uint8_t>(sum >> 8);
        return true;
    }

    // Draws stored frame k on stored_, giving the screen it shows and then the screen its
    // disposal leaves.
    void Advance(std::size_t k, Screen& shown, Screen& after) {
        const GifSourceFrame& frame = source_.frames[k];
        if (Usable(frame)) {
            stored_.Draw(*frame.image, frame.left, frame.top, dictionary_.values[k]);
        } else {
            stored_.Draw(CDib{}, 0, 0, dictionary_.values[k]);
        }
        shown = stored_.Pixels();
        stored_.Dispose(Disposal(frame));
        if (keepStored_) after = stored_.Pixels();  // only compared when keeping them
    }

    // Whether the screens agree on the columns of bound in the row starting at pixel row (a
    // block compare: most rows of most frames do not change).
    static bool SameRow(const Screen& a, const Screen& b, std::size_t row, const GifArea& bound) {
        const std::size_t at = row + static_cast<std::size_t>(bound.x0);
        return std::memcmp(a.data() + at, b.data() + at,
                           static_cast<std::size_t>(bound.Width()) * sizeof(std::uint32_t)) == 0;
    }

    // The pixels where a and b differ, as one rectangle.
    // bound: where they may differ at all.
    GifArea Difference(const Screen& a, const Screen& b, const GifArea& bound) const {
        GifArea area;
        for (int y = bound.y0; y < bound.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width_;
            if (SameRow(a, b, row, bound)) continue;
            const std::uint32_t* const ra = a.data() + row;
            const std::uint32_t* const rb = b.data() + row;
            area.Unite(RowSpan(bound, y, [&](int x) { return ra[x] != rb[x]; }));
        }
        return area;
    }

    // The pixels of row y within bound's columns where hit holds, as one rectangle (empty when
    // none): searched from each end, so a row that differs throughout costs two steps.
    template <typename Hit>
    static GifArea RowSpan(const GifArea& bound, int y, Hit hit) {
        int x0 = bound.x0;
        while (x0 < bound.x1 && !hit(x0)) ++x0;
        if (x0 == bound.x1) return {};
        int x1 = bound.x1 - 1;
        while (!hit(x1)) --x1;
        return {x0, y, x1 + 1, y + 1};
    }

    void Clear(Screen& screen, const GifArea& area) const {
        for (int y = area.y0; y < area.y1; ++y) {
            std::fill_n(screen.begin() + static_cast<std::ptrdiff_t>(y) * width_ + area.x0,
                        area.Width(), 0u);
        }
    }

    // Whether target can be drawn as one image over shown: no pixel may turn transparent, and
    // with local tables one of the ways to compress it must fit one table. area: the changed
    // area.
    // bound: where they may differ at all.
    bool Drawable(const Screen& target, const Screen& shown, const GifArea& bound, GifArea& area) {
        area = {};
        if (stamps_.size() != dictionary_.colors.size()) {
            stamps_.assign(dictionary_.colors.size(), 0);
        }
        ++stamp_;
        int colors = 0;
        std::size_t changedPixels = 0;
        for (int y = bound.y0; y < bound.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width_;
            if (SameRow(target, shown, row, bound)) continue;
            const std::uint32_t* const t = target.data() + row;
            const std::uint32_t* const s = shown.data() + row;
            const GifArea span = RowSpan(bound, y, [&](int x) { return t[x] != s[x]; });
            area.Unite(span);
            if (encoder_.Global()) {
                // Only transparency matters: a pixel that must turn transparent.
                bool clears = false;
                for (int x = span.x0; x < span.x1; ++x) clears |= t[x] == 0 && s[x] != 0;
                if (clears) return false;
                continue;
            }
            for (int x = span.x0; x < span.x1; ++x) {
                if (t[x] == s[x]) continue;
                if (t[x] == 0) return false;
                ++changedPixels;
                if (stamps_[t[x] - 1] != stamp_) {
                    stamps_[t[x] - 1] = stamp_;
                    ++colors;
                }
            }
        }
        if (encoder_.Global()) return true;
        // Unchanged pixels transparent.
        const bool holes = changedPixels < static_cast<std::size_t>(area.Width()) * area.Height();
        if (colors + (holes ? 1 : 0) <= 256) return true;
        // Every pixel of the area drawn.
        bool anyClear = false;
        for (int y = area.y0; y < area.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width_;
            for (int x = area.x0; x < area.x1; ++x) {
                const std::uint32_t t = target[row + x];
                anyClear |= t == 0;
                if (t != 0 && stamps_[t - 1] != stamp_) {
                    stamps_[t - 1] = stamp_;
                    ++colors;
                }
            }
        }
        return colors + (anyClear ? 1 : 0) <= 256;
    }

    // Lossy: a pixel of next whose colour lies within steady_ of what current shows there keeps
    // current's, so that noise and slow drift need not be redrawn. current may hold kept colours
    // itself: the comparison is always with next's true colour, so no pixel strays further.
    // bound: where they may differ, kept colours of current included. Returns the area of the
    // pixels kept (where next now differs from the stored frames).
    GifArea Steady(const Screen& current, Screen& next, const GifArea& bound) {
        kept_.clear();
        const std::size_t differing =
            CountDrift(current, next, bound, width_, dictionary_.colors, steady_,
                       [this](std::size_t p) { kept_.push_back(p); });
        // Worth it only where most of what differs is such drift (grain, a slow fade): a few
        // pixels kept among many redrawn save little and cost their error.
        if (kept_.size() * 100 < differing * kDriftPercent) return {};
        GifArea area;
        for (std::size_t p : kept_) {
            next[p] = current[p];
            const auto x = static_cast<int>(p % static_cast<std::size_t>(width_));
            const auto y = static_cast<int>(p / static_cast<std::size_t>(width_));
            area.Unite({x, y, x + 1, y + 1});
        }
        return area;
    }

    void WriteHeader(std::vector<std::uint8_t>& out) const {
        if (encoder_.Global()) {
            // Never an index outside the table: a transparent index past the colours (the
            // lowest one no changed pixel needs) gets an entry too. Readers that fill the screen
            // with the first image's transparent index then show it transparent, as the rest do.
            // Background index 0: disposal 2 clears to transparent.
            const int entries =
                1 << BitsFor(std::max(
                    {static_cast<int>(encoder_.GlobalOrder().size()) - 1, maxGlobalIndex_, 1}));
            const int bits = BitsFor(entries - 1);
            gif_blocks::PutHeader(out, "GIF89a", width_, height_,
                                  static_cast<std::uint8_t>(0xF0 | (bits - 1)));
            std::vector<Colorref> table(static_cast<std::size_t>(entries), 0);
            for (std::size_t rank = 0; rank < encoder_.GlobalOrder().size(); ++rank) {
                table[rank] = dictionary_.colors[encoder_.GlobalOrder()[rank]];
            }
            gif_blocks::PutColors(out, table);
        } else {
            // No global table, 8 bits of colour resolution.
            gif_blocks::PutHeader(out, "GIF89a", width_, height_, 0x70);
        }
        if (source_.loop) gif_blocks::PutLoopForever(out);
    }

    void WriteControl(int delay, int disposal, const EncodedImage& image) {
        // A single image needs a control block only for what it carries: no delay shows, and
        // without one it opens again with the delay it has when that is kDelayWithoutControl.
        const int wait = delay & 0xFFFF;
        if (source_.frames.size() == 1 && (wait == 0 || wait == kDelayWithoutControl) &&
            !image.transparency) {
            previousDelayAt_ = kNoControl;
            return;
        }
        previousDelayAt_ = out_.size() + 4;  // after introducer, label, size and packed fields
        previousDelay_ = wait;
        previousDisposal_ = disposal;
        gif_blocks::PutControl(
            out_, static_cast<std::uint8_t>((disposal << 2) | (image.transparency ? 1 : 0)), delay,
            image.transparentIndex);
    }

    const GifSourceAnimation& source_;
    const ColorDictionary& dictionary_;
    const bool keepStored_;
    const bool mergeRepeats_;  // never while keeping the stored screens, which a merge would leave
    const int steady_;         // the lossy tolerance's share for Steady; the encoder has the rest
    const int width_;
    const int height_;
    GifImageEncoder encoder_;
    std::vector<std::size_t> kept_;  // Steady's pixels
    GifArea keptArea_;               // where the target screen holds kept colours
    static constexpr std::size_t kNoControl = SIZE_MAX;
    std::size_t previousDelayAt_ = kNoControl;  // in out_: the last control block's delay
    int previousDelay_ = 0;                     // centiseconds, as written there
    int previousDisposal_ = 0;                  // the disposal written there
    int globalImages_ = 0;
    int maxGlobalIndex_ = 0;  // the highest global index an image uses, its transparency's too
    std::array<WayRecord, 4> kinds_{};  // by Kind, counted on frames that weigh every kind
    std::uint64_t exploredCost_ = 0;    // the winners' costs on those frames
    std::vector<std::uint32_t> stamps_;
    std::uint32_t stamp_ = 0;
    GifCanvas stored_;
    std::vector<std::uint8_t> out_;

    // Whether a kind of candidate is weighed: always with all, else when it won often enough.
    bool Wanted(Kind kind, bool all) const {
        return all || Kept(kinds_, static_cast<std::size_t>(kind), exploredCost_, true);
    }
};

// How much of a lossy tolerance goes to keeping colours from frame to frame (Planner::Steady);
// the rest goes to the LZW strings. Half where the animation drifts (video: grain, fades, slow
// motion), else none: frames that change through and through gain nothing from it. Drift is
// judged at most 12 levels a channel: frames of unrelated colours also fall within a wide
// tolerance by chance (a third of independent plasma pixels lie within 24).
int SteadyShare(const GifSourceAnimation& source, const ColorDictionary& dictionary,
                int tolerance) {
    const int steady = tolerance / 2;
    if (steady == 0) return 0;
    const int judged = std::min(steady, 12);
    GifCanvas canvas;
    canvas.Reset(source.screenWidth, source.screenHeight);
    std::vector<std::uint32_t> before = canvas.Pixels();
    std::uint64_t differing = 0;
    std::uint64_t drifting = 0;
    for (std::size_t k = 0; k < source.frames.size(); ++k) {
        const GifSourceFrame& frame = source.frames[k];
        if (!Usable(frame)) continue;
        canvas.Draw(*frame.image, frame.left, frame.top, dictionary.values[k]);
        const std::vector<std::uint32_t>& shown = canvas.Pixels();
        const GifArea reach = StoredChange(source, k);
        differing += CountDrift(before, shown, reach, source.screenWidth, dictionary.colors, judged,
                                [&drifting](std::size_t) { ++drifting; });
        for (int y = reach.y0; y < reach.y1; ++y) {
            const auto row = static_cast<std::ptrdiff_t>(y) * source.screenWidth;
            std::copy(shown.begin() + row + reach.x0, shown.begin() + row + reach.x1,
                      before.begin() + row + reach.x0);
        }
        canvas.Dispose(Disposal(frame));
    }
    return drifting * 100 >= differing * kDriftPercent && drifting > 0 ? steady : 0;
}

}  // namespace

int LossyTolerance(int lossy) {
    // Level 100 lets a channel move by 48 of 255: past that, gradients visibly band.
    return (std::clamp(lossy, 0, kMaxLossy) * 48 + kMaxLossy / 2) / kMaxLossy;
}

GifOptimizeResult OptimizeGif(const GifSourceAnimation& source, const GifProgress& progress,
                              const GifOptimizeOptions& options) {
    GifOptimizeResult result;
    if (source.frames.empty() || source.screenWidth <= 0 || source.screenHeight <= 0 ||
        source.screenWidth > 0xFFFF || source.screenHeight > 0xFFFF) {
        result.error = "no frames or no screen";
        return result;
    }
    ColorDictionary dictionary;
    dictionary.Build(source);
    const int tolerance = LossyTolerance(options.lossy);
    const int steady = SteadyShare(source, dictionary, tolerance);
    bool allowGlobal = true;
    bool keepStored = false;
    for (;;) {
        Planner planner(source, dictionary, keepStored, allowGlobal, tolerance, steady,
                        options.mergeRepeats, options.twoThreads);
        switch (planner.Run(result, progress)) {
            case Planner::Outcome::Done:
                result.status = GifOptimizeResult::Status::Written;
                result.keptStoredScreens = keepStored;
                return result;
            case Planner::Outcome::Cancelled:
                result.status = GifOptimizeResult::Status::Cancelled;
                result.bytes.clear();
                return result;
            case Planner::Outcome::GlobalUnused: allowGlobal = false; continue;
            case Planner::Outcome::DeadEnd: break;
        }
        if (!keepStored) {
            keepStored = true;
        } else if (allowGlobal && dictionary.colors.size() == 256) {
            // A global table of all 256 colours leaves an image that draws every one of them no
            // index for transparency; local tables, as for more colours, may still do.
            allowGlobal = false;
            keepStored = false;
        } else {
            break;
        }
    }
    result.error = "a frame cannot be drawn within one colour table";
    return result;
}

}  // namespace vorla
