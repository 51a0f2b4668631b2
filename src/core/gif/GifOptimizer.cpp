#include "core/gif/GifOptimizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "core/gif/GifCanvas.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifLzwEncoder.h"
#include "core/model/CDib.h"

namespace vorla {
namespace {

using Screen = std::vector<std::uint32_t>;  // colour id + 1 per pixel; 0 transparent

// Of the pixels that differ between one screen and the next (both opaque), the percent that
// differ by drift (within the steady share) for Planner::Steady to keep them.
constexpr std::size_t kDriftPercent = 25;

Colorref EntryColor(const CDib& image, int index) {
    const auto& table = image.ColorTable();
    // Entries beyond the table show black, as the ordinary writer writes them.
    return static_cast<std::size_t>(index) < table.size()
               ? table[static_cast<std::size_t>(index)].ToColorref()
               : 0;
}

bool Usable(const GifSourceFrame& frame) {
    return frame.image != nullptr && frame.image->BitCount() == 8 && !frame.image->IsEmpty();
}

// Whether no channel of a and b differs by more than tolerance.
bool Within(Colorref a, Colorref b, int tolerance) {
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
           std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

int Disposal(const GifSourceFrame& frame) {
    return frame.disposal == 2 || frame.disposal == 3 ? frame.disposal : 1;
}

// The part of the screen frame k covers.
GifArea FrameRect(const GifSourceAnimation& source, std::size_t k) {
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
GifArea StoredChange(const GifSourceAnimation& source, std::size_t k) {
    GifArea area = FrameRect(source, k);
    if (k > 0 && Disposal(source.frames[k - 1]) != 1) area.Unite(FrameRect(source, k - 1));
    return area;
}

// Bits to hold values 0..maxValue, at least 1.
int BitsFor(int maxValue) {
    return std::max(1, static_cast<int>(std::bit_width(static_cast<unsigned>(maxValue))));
}

void Put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Every colour the frames show, numbered, with the values that draw each frame in ids.
struct ColorDictionary {
    std::vector<Colorref> colors;           // id -> colour
    std::vector<std::uint32_t> order;       // the global table's colour ids, see CountChanges
    std::vector<GifCanvas::Values> values;  // per frame: index -> id + 1; 0 transparent or unused

    void Build(const GifSourceAnimation& source) {
        std::unordered_map<Colorref, std::uint32_t> ids;
        values.assign(source.frames.size(), GifCanvas::Values{});
        std::array<std::uint64_t, 256> histogram{};
        for (std::size_t k = 0; k < source.frames.size(); ++k) {
            const GifSourceFrame& frame = source.frames[k];
            if (!Usable(frame)) continue;
            const CDib& image = *frame.image;
            histogram.fill(0);
            // Only what lands on the screen counts.
            const int x0 = std::clamp(-frame.left, 0, image.Width());
            const int x1 = std::clamp(source.screenWidth - frame.left, 0, image.Width());
            const int y0 = std::clamp(-frame.top, 0, image.Height());
            const int y1 = std::clamp(source.screenHeight - frame.top, 0, image.Height());
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* row = image.Row(y);
                for (int x = x0; x < x1; ++x) ++histogram[row[x]];
            }
            for (int i = 0; i < 256; ++i) {
                const auto slot = static_cast<std::size_t>(i);
                if (histogram[slot] == 0 || i == frame.transparentIndex) continue;
                const Colorref color = EntryColor(image, i);
                auto [it, added] =
                    ids.try_emplace(color, static_cast<std::uint32_t>(colors.size()));
                if (added) colors.push_back(color);
                values[k][slot] = it->second + 1;
            }
        }
        if (colors.size() <= 255) CountChanges(source);  // orders the global table only
    }

    // order: the global table's order. An image's code size follows the highest index its
    // changed pixels need (and the transparent index, the lowest one they leave free), so the
    // colours that frames change pixels to should take the low indices, and the colours of the
    // frames that change many pixels with few colours the lowest.
    void CountChanges(const GifSourceAnimation& source) {
        const std::size_t n = colors.size();
        std::vector<std::uint64_t> frames(n, 0);
        std::vector<std::uint64_t> pixels(n, 0);
        std::vector<std::uint32_t> seen(n, 0);
        std::vector<std::uint32_t> firstSeen(n, 0);
        std::uint32_t appearances = 0;
        // Per frame: the colours it changes pixels to, and how many pixels change.
        std::vector<std::vector<std::uint32_t>> changed;
        std::vector<std::uint64_t> changedPixels;
        GifCanvas canvas;
        canvas.Reset(source.screenWidth, source.screenHeight);
        std::vector<std::uint32_t> before = canvas.Pixels();
        for (std::size_t k = 0; k < source.frames.size(); ++k) {
            const GifSourceFrame& frame = source.frames[k];
            if (Usable(frame)) canvas.Draw(*frame.image, frame.left, frame.top, values[k]);
            const std::vector<std::uint32_t>& shown = canvas.Pixels();
            changed.emplace_back();
            changedPixels.push_back(0);
            const auto width = static_cast<std::size_t>(std::max(source.screenWidth, 1));
            // The screens differ only where this frame or the last one's disposal reached.
            const GifArea reach = StoredChange(source, k);
            for (int y = reach.y0; y < reach.y1; ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * width;
                for (std::size_t p = row + static_cast<std::size_t>(reach.x0);
                     p < row + static_cast<std::size_t>(reach.x1); ++p) {
                    const std::uint32_t t = shown[p];
                    if (t == before[p] || t == 0) continue;
                    ++pixels[t - 1];
                    ++changedPixels.back();
                    if (seen[t - 1] != k + 1) {
                        seen[t - 1] = static_cast<std::uint32_t>(k + 1);
                        ++frames[t - 1];
                        changed.back().push_back(t - 1);
                        if (firstSeen[t - 1] == 0) firstSeen[t - 1] = ++appearances;
                    }
                }
                std::copy(shown.begin() + static_cast<std::ptrdiff_t>(row + reach.x0),
                          shown.begin() + static_cast<std::ptrdiff_t>(row + reach.x1),
                          before.begin() + static_cast<std::ptrdiff_t>(row + reach.x0));
            }
            if (Usable(frame)) canvas.Dispose(Disposal(frame));
        }
        // Candidate orders: colours changed in many frames first; colours in the order they
        // first change; the order of the frames' own tables (a file made with one table often
        // has similar colours together); and frames taken greedily by changed pixels per colour
        // they add, each adding its colours. Each is judged by the code bits it gives every frame.
        std::vector<std::uint32_t> byFrames(n);
        for (std::uint32_t i = 0; i < n; ++i) byFrames[i] = i;
        std::vector<std::uint32_t> byAppearance = byFrames;
        std::vector<std::uint32_t> bySource = byFrames;  // the order of the frames' tables
        std::stable_sort(byFrames.begin(), byFrames.end(), [&](std::uint32_t a, std::uint32_t b) {
            return frames[a] != frames[b] ? frames[a] > frames[b] : pixels[a] > pixels[b];
        });
        std::stable_sort(byAppearance.begin(), byAppearance.end(),
                         [&](std::uint32_t a, std::uint32_t b) {
                             const std::uint32_t fa = firstSeen[a] ? firstSeen[a] : UINT32_MAX;
                             const std::uint32_t fb = firstSeen[b] ? firstSeen[b] : UINT32_MAX;
                             return fa < fb;
                         });
        std::vector<std::uint32_t> byCover = CoverOrder(changed, changedPixels, byFrames);

        // A frame's bits by code size (about one code per three changed pixels), and the bits
        // with a local table of its own colours instead.
        std::vector<std::array<std::uint64_t, 9>> bitsBySize(changed.size());
        std::vector<std::uint64_t> localBits(changed.size());
        for (std::size_t k = 0; k < changed.size(); ++k) {
            const std::uint64_t codes = changedPixels[k] / 3 + 1;
            for (int size = 2; size <= 8; ++size) {
                bitsBySize[k][static_cast<std::size_t>(size)] = LzwBits(codes, size);
            }
            const int entriesBits = BitsFor(static_cast<int>(changed[k].size()));
            localBits[k] = bitsBySize[k][static_cast<std::size_t>(std::max(2, entriesBits))] +
                           24u * (1u << entriesBits);
        }
        std::vector<int> rank(n);
        std::array<std::uint32_t, 257> usedIn{};  // index -> the last frame + 1 that used it
        std::uint32_t usedMark = 0;
        auto cost = [&](const std::vector<std::uint32_t>& candidate) {
            for (std::size_t r = 0; r < candidate.size(); ++r) {
                rank[candidate[r]] = static_cast<int>(r);
            }
            std::uint64_t total = 0;
            for (std::size_t k = 0; k < changed.size(); ++k) {
                if (++usedMark == 0) {  // wrapped: start the marks afresh
                    usedIn.fill(0);
                    usedMark = 1;
                }
                int highest = 1;
                for (std::uint32_t id : changed[k]) {
                    highest = std::max(highest, rank[id]);
                    usedIn[static_cast<std::size_t>(rank[id])] = usedMark;
                }
                // The transparent index takes the lowest index left free.
                int clear = 0;
                while (usedIn[static_cast<std::size_t>(clear)] == usedMark) ++clear;
                const int codeSize = std::max(2, BitsFor(std::max(highest, clear)));
                total += std::min(bitsBySize[k][static_cast<std::size_t>(codeSize)], localBits[k]);
            }
            return total;
        };
        order = std::move(byFrames);
        std::uint64_t best = cost(order);
        for (std::vector<std::uint32_t>* other : {&byAppearance, &byCover, &bySource}) {
            const std::uint64_t c = cost(*other);
            if (c < best) {
                best = c;
                order = std::move(*other);
            }
        }
        // Then runs of neighbouring frames (which often show similar colours) in turn try their
        // colours at the front, in their order, kept when the frames' bits fall; two rounds,
        // within a bound on the work (each trial costs a pass over every frame's colours) so that
        // long animations do not wait on it.
        std::size_t perTrial = n + changed.size();
        for (const auto& ids : changed) perTrial += ids.size();
        std::size_t trials = std::max<std::size_t>(64, kOrderWork / perTrial);
        std::vector<std::uint32_t> trial;
        std::vector<bool> member(n);
        for (int round = 0; round < 2 && trials > 0; ++round) {
            bool improved = false;
            for (std::size_t run : {1, 4, 16}) {
                for (std::size_t k = 0; k < changed.size();
                     k += std::max<std::size_t>(1, run / 2)) {
                    std::fill(member.begin(), member.end(), false);
                    bool any = false;
                    for (std::size_t j = k; j < std::min(changed.size(), k + run); ++j) {
                        for (std::uint32_t id : changed[j]) member[id] = any = true;
                    }
                    if (!any) continue;
                    if (trials == 0) break;
                    --trials;
                    trial.clear();
                    for (std::uint32_t id : order) {
                        if (member[id]) trial.push_back(id);
                    }
                    for (std::uint32_t id : order) {
                        if (!member[id]) trial.push_back(id);
                    }
                    const std::uint64_t c = cost(trial);
                    if (c < best) {
                        best = c;
                        order.swap(trial);
                        improved = true;
                    }
                }
            }
            if (!improved) break;
        }
    }

    static constexpr std::size_t kOrderWork = 200'000'000;  // colour visits, about 0.2 s

    // Frames taken one by one, each time the one with the most changed pixels per colour it
    // adds to the order; its new colours follow in the order of fallback.
    static std::vector<std::uint32_t> CoverOrder(
        const std::vector<std::vector<std::uint32_t>>& changed,
        const std::vector<std::uint64_t>& changedPixels,
        const std::vector<std::uint32_t>& fallback) {
        using Set = std::array<std::uint64_t, 4>;  // ids 0..255
        const std::size_t n = fallback.size();
        std::vector<std::uint32_t> position(n);
        for (std::size_t r = 0; r < n; ++r) position[fallback[r]] = static_cast<std::uint32_t>(r);
        std::vector<Set> sets(changed.size(), Set{});
        for (std::size_t k = 0; k < changed.size(); ++k) {
            for (std::uint32_t id : changed[k]) sets[k][id >> 6] |= std::uint64_t{1} << (id & 63);
        }
        Set placed{};
        std::vector<std::uint32_t> order;
        std::vector<bool> done(changed.size(), false);
        for (;;) {
            double bestScore = 0;
            std::size_t bestFrame = SIZE_MAX;
            for (std::size_t k = 0; k < changed.size(); ++k) {
                if (done[k]) continue;
                int added = 0;
                for (int w = 0; w < 4; ++w) {
                    added += std::popcount(sets[k][static_cast<std::size_t>(w)] &
                                           ~placed[static_cast<std::size_t>(w)]);
                }
                if (added == 0) {
                    done[k] = true;
                    continue;
                }
                const double score = static_cast<double>(changedPixels[k]) / added;
                if (score > bestScore) {
                    bestScore = score;
                    bestFrame = k;
                }
            }
            if (bestFrame == SIZE_MAX) break;
            done[bestFrame] = true;
            std::vector<std::uint32_t> added;
            for (std::uint32_t id : changed[bestFrame]) {
                if ((placed[id >> 6] >> (id & 63) & 1) == 0) added.push_back(id);
            }
            std::sort(added.begin(), added.end(),
                      [&](std::uint32_t a, std::uint32_t b) { return position[a] < position[b]; });
            for (std::uint32_t id : added) {
                placed[id >> 6] |= std::uint64_t{1} << (id & 63);
                order.push_back(id);
            }
        }
        for (std::uint32_t id : fallback) {
            if ((placed[id >> 6] >> (id & 63) & 1) == 0) order.push_back(id);
        }
        return order;
    }

    // The bits of codes LZW codes written from minimum code size codeSize, the table cleared
    // whenever it fills.
    static std::uint64_t LzwBits(std::uint64_t codes, int codeSize) {
        const int first = (1 << codeSize) + 2;
        std::uint64_t bits = 0;
        while (codes > 0) {
            int width = codeSize + 1;
            int nextFree = first;
            while (codes > 0 && nextFree < GifLzwEncoder::kCodeLimit) {
                // Codes at this width until the next free code passes its largest value.
                const int limit =
                    width == GifLzwEncoder::kMaxBits ? GifLzwEncoder::kCodeLimit : (1 << width);
                const auto run =
                    std::min<std::uint64_t>(codes, static_cast<std::uint64_t>(limit - nextFree));
                bits += run * static_cast<std::uint64_t>(width);
                codes -= run;
                nextFree = limit;
                ++width;
            }
        }
        return bits;
    }
};

// One written image without its control block.
struct EncodedImage {
    GifArea area;
    bool transparency = false;
    std::uint8_t transparentIndex = 0;
    std::vector<std::uint8_t> bytes;  // descriptor, local table, code size, sub-blocks
    int option = 0;                   // the way the pixels were chosen (Planner::Option)
    int maxIndex = 0;                 // the highest index the data or the transparency uses
    bool interlaced = false;
    bool limited = false;
    bool tableFilled = false;  // the LZW string table reached 4096 codes
    bool global = false;       // the image uses the global table
};

class Planner {
public:
    // allowGlobal false: local tables only, even where all colours would fit one table.
    Planner(const GifSourceAnimation& source, const ColorDictionary& dictionary, bool keepStored,
            bool allowGlobal, int tolerance, int steady)
        : source_(source),
          dictionary_(dictionary),
          keepStored_(keepStored),
          steady_(steady),
          tolerance_(tolerance - steady) {
        width_ = std::max(source.screenWidth, 0);
        height_ = std::max(source.screenHeight, 0);
        global_ = allowGlobal && dictionary.colors.size() <= 255;
        useGlobal_ = global_;
        if (global_) {
            std::vector<std::uint32_t> order = dictionary.order;
            globalIndex_.assign(order.size(), 0);
            for (std::size_t rank = 0; rank < order.size(); ++rank) {
                globalIndex_[order[rank]] = static_cast<std::uint8_t>(rank);
            }
            globalOrder_ = std::move(order);
            if (tolerance_ > 0) {
                std::vector<Colorref> colors;
                for (std::uint32_t id : globalOrder_) colors.push_back(dictionary.colors[id]);
                NearRows(colors, globalNear_);
            }
        }
        localOf_.assign(dictionary.colors.size(), -1);
    }

    enum class Outcome { Done, Cancelled, DeadEnd, GlobalUnused };

    // The kinds of disposal a frame is weighed with: leave in place, restore to previous, clear
    // what the next frame needs cleared, clear the whole stored frame.
    enum class Kind { Leave, Restore, ClearNeeded, ClearStored };

    Outcome Run(GifOptimizeResult& result, const GifProgress& progress) {
        const std::size_t count = source_.frames.size();
        result.frameBytes.assign(count, 0);
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
            const GifArea nextChange = last ? GifArea{} : StoredChange(source_, k + 1);
            if (!last) {
                Advance(k + 1, next, storedNext);
                if (steady_ > 0 && !keepStored_) Steady(current, next, nextChange);
            }
            const bool first = k == 0;
            const bool anyClear =
                first && std::find(current.begin(), current.end(), 0u) != current.end();
            const GifArea changed = Difference(current, base, differs);

            // A candidate's screen after frame k: current (leave in place), base (restore to
            // previous), or a copy of current with its area cleared (restore to background).
            struct Candidate {
                int disposal;
                GifArea area;
                Screen cleared;  // disposal 2 only
                GifArea nextArea;
                Kind kind;
                GifArea differs;  // where the screen after it and next may differ
            };
            std::vector<Candidate> candidates;
            auto afterOf = [&](const Candidate& c) -> const Screen& {
                return c.disposal == 2 ? c.cleared : c.disposal == 1 ? current : base;
            };
            // As with the ways of compressing (TryWays): on the first frames and every 16th after,
            // every kind of candidate is weighed and the winner counted; in between only the
            // kinds that have won often enough, all of them where none of those can be drawn.
            const bool explore = k < kExploreFirst || k % kExploreEvery == 0;
            if (last) {
                candidates.push_back({1, changed, {}, {}, Kind::Leave, {}});
            } else {
                GifArea cleared;  // shown now, transparent in the next frame
                for (int y = nextChange.y0; y < nextChange.y1; ++y) {
                    const std::size_t row = static_cast<std::size_t>(y) * width_;
                    if (SameRow(current, next, row, nextChange)) continue;
                    for (int x = nextChange.x0; x < nextChange.x1; ++x) {
                        if (current[row + x] != 0 && next[row + x] == 0) {
                            cleared.Unite({x, y, x + 1, y + 1});
                        }
                    }
                }
                bool all = explore;
                auto consider = [&](Kind kind, int disposal, GifArea area, const Screen& after,
                                    Screen&& clearedScreen) {
                    if (keepStored_ && after != storedAfter) return;
                    // after differs from current where base does (restore) or in the cleared
                    // area, and current from next in nextChange.
                    GifArea bound = nextChange;
                    bound.Unite(disposal == 3 ? differs : disposal == 2 ? area : GifArea{});
                    GifArea nextArea;
                    if (!Drawable(next, after, bound, nextArea)) return;
                    for (const Candidate& c : candidates) {
                        if (c.disposal == disposal && c.area == area) return;
                    }
                    candidates.push_back(
                        {disposal, area, std::move(clearedScreen), nextArea, kind, bound});
                };
                // Clearing: just what the next frame needs cleared, or the whole stored frame as
                // its own disposal clears it (which keeps the stored screens).
                const GifArea clearings[2] = {
                    cleared, Disposal(source_.frames[k]) == 2 ? StoredArea(k) : GifArea{}};
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
                    image = Encode(base, current, candidate.area, force);
                    // A frame of 256 colours has no index left for transparency; keeping the
                    // stored screens, it is written as the stored frame is, without one.
                    if (!image && force && keepStored_) {
                        image = Encode(base, current, candidate.area, false);
                    }
                    encoded.emplace_back(area, force, image);
                }
                if (!image) continue;
                std::size_t cost = image->bytes.size();
                if (cost >= bestCost) continue;  // its next image cannot make up for it
                if (candidates.size() > 1) {
                    // The next image estimated by one way of compressing it.
                    const std::optional<EncodedImage> following =
                        Encode(afterOf(candidate), next, candidate.nextArea, false, true);
                    if (!following) continue;
                    cost += following->bytes.size();
                }
                if (cost < bestCost) {
                    bestCost = cost;
                    best = std::move(image);
                    bestIndex = static_cast<int>(c);
                }
            }
            if (!best) return Outcome::DeadEnd;
            const Candidate& chosen = candidates[static_cast<std::size_t>(bestIndex)];
            if (explore && candidates.size() > 1) {
                for (const Candidate& c : candidates)
                    ++kinds_[static_cast<std::size_t>(c.kind)].tried;
                ++kinds_[static_cast<std::size_t>(chosen.kind)].won;
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
        if (global_ && globalImages_ == 0) return Outcome::GlobalUnused;
        // The header last: its table must hold every index an image uses.
        result.bytes.clear();
        WriteHeader(result.bytes);
        result.bytes.insert(result.bytes.end(), out_.begin(), out_.end());
        result.globalTable = global_;
        return Outcome::Done;
    }

private:
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

    GifArea StoredArea(std::size_t k) const { return FrameRect(source_, k); }

    // Whether the screens agree on the row starting at pixel row (a block compare: most rows of
    // most frames do not change).
    bool SameRow(const Screen& a, const Screen& b, std::size_t row) const {
        return std::memcmp(a.data() + row, b.data() + row,
                           static_cast<std::size_t>(width_) * sizeof(std::uint32_t)) == 0;
    }
    // The same for the columns of bound.
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
            int x0 = -1;
            int x1 = -1;
            for (int x = bound.x0; x < bound.x1; ++x) {
                if (a[row + x] != b[row + x]) {
                    if (x0 < 0) x0 = x;
                    x1 = x;
                }
            }
            if (x0 >= 0) area.Unite({x0, y, x1 + 1, y + 1});
        }
        return area;
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
            int x0 = -1;
            int x1 = -1;
            for (int x = bound.x0; x < bound.x1; ++x) {
                const std::uint32_t t = target[row + x];
                if (t == shown[row + x]) continue;
                if (t == 0) return false;
                if (x0 < 0) x0 = x;
                x1 = x;
                ++changedPixels;
                if (!global_ && stamps_[t - 1] != stamp_) {
                    stamps_[t - 1] = stamp_;
                    ++colors;
                }
            }
            if (x0 >= 0) area.Unite({x0, y, x1 + 1, y + 1});
        }
        if (global_) return true;
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

    // An empty area still needs an image to carry the frame's delay: one pixel.
    static GifArea FrameArea(const GifArea& area) {
        return area.Empty() ? GifArea{0, 0, 1, 1} : area;
    }

    // The image that turns shown into target over area, compressed every way that fits (see
    // TryWays), the shortest kept. force: the image must carry a transparent index. quick: an
    // estimate for the look-ahead, by the one way that usually wins. Empty when no way fits one
    // colour table.
    std::optional<EncodedImage> Encode(const Screen& shown, const Screen& target,
                                       const GifArea& wanted, bool force, bool quick = false) {
        const GifArea area = FrameArea(wanted);
        const auto w = static_cast<std::size_t>(area.Width());
        const std::size_t count = w * static_cast<std::size_t>(area.Height());
        targets_.resize(count);
        unchanged_.resize(count);
        bool anyClear = false;
        bool anyUnchangedColor = false;
        std::size_t i = 0;
        for (int y = area.y0; y < area.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width_;
            for (int x = area.x0; x < area.x1; ++x, ++i) {
                const std::uint32_t t = target[row + x];
                const bool same = t == shown[row + x];
                targets_[i] = t;
                unchanged_[i] = same;
                anyClear |= t == 0;
                anyUnchangedColor |= same && t != 0;
            }
        }
        analysed_[0] = analysed_[1] = false;
        if (global_) {
            globalOf_.resize(count);
            for (std::size_t p = 0; p < count; ++p) {
                globalOf_[p] = targets_[p] == 0 ? 255 : globalIndex_[targets_[p] - 1];
            }
        }

        std::optional<EncodedImage> best;
        if (quick) {
            TryOption(area, force || anyClear || anyUnchangedColor,
                      anyUnchangedColor ? Option::EitherClear : Option::Drawn, best);
            if (best) return best;
        }
        // On the first images, and on every 16th after, every way is tried and the winner
        // counted; in between only the ways that have won often enough. Where those all fail,
        // every way is tried after all.
        const bool explore = encodes_ < kExploreFirst || encodes_ % kExploreEvery == 0;
        ++encodes_;
        TryWays(area, force, anyClear, anyUnchangedColor, explore, best);
        if (!best && !explore) TryWays(area, force, anyClear, anyUnchangedColor, true, best);
        // A single image may be smaller with its rows interlaced (rows of one pass, eight
        // apart, can repeat each other's strings better than neighbours do).
        if (best && source_.frames.size() == 1 && area.Height() > 1) {
            useGlobal_ = best->global;
            interlace_ = true;
            TryOption(area, best->transparency, static_cast<Option>(best->option), best, false,
                      best->limited);
            interlace_ = false;
            useGlobal_ = global_;
        }
        return best;
    }

    enum class Option { Drawn, Transparent, EitherClear, EitherDrawn };

    // The ways Encode tries, in order: the four options, the two "either" options limited to the
    // changed pixels' code size, and two second tries of the best so far (a table of the
    // image's own instead of the global one; a full string table kept instead of cleared).
    enum Way {
        kDrawn,
        kTransparent,
        kEitherClear,
        kEitherDrawn,
        kEitherClearLimited,
        kEitherDrawnLimited,
        kOwnTable,
        kKeepTable,
        kWays
    };
    static constexpr std::uint32_t kExploreFirst = 8;
    static constexpr std::uint32_t kExploreEvery = 16;
    static constexpr std::uint32_t kWinPercent = 10;  // a way's share of wins to be tried

    void TryWays(const GifArea& area, bool force, bool anyClear, bool anyUnchangedColor,
                 bool explore, std::optional<EncodedImage>& best) {
        int winner = -1;
        auto attempt = [&](Way way, auto&& run) {
            WayRecord& record = ways_[way];
            if (!explore && record.won * 100 < record.tried * kWinPercent) return;
            const std::size_t before = best ? best->bytes.size() : SIZE_MAX;
            run();
            if (explore) ++record.tried;
            if (best && best->bytes.size() < before) winner = way;
        };
        // Unchanged pixels drawn: the only way when there are none.
        if (!anyUnchangedColor) {
            TryOption(area, force || anyClear, Option::Drawn, best);
        } else {
            attempt(kDrawn, [&] { TryOption(area, force || anyClear, Option::Drawn, best); });
            // Unchanged pixels transparent.
            attempt(kTransparent, [&] { TryOption(area, true, Option::Transparent, best); });
            // Each unchanged pixel whichever continues the string, leaning to either when
            // neither does (no one way wins on every image), with all colours or only those
            // below the changed pixels' code size.
            attempt(kEitherClear, [&] { TryOption(area, true, Option::EitherClear, best); });
            attempt(kEitherDrawn, [&] { TryOption(area, true, Option::EitherDrawn, best); });
            attempt(kEitherClearLimited,
                    [&] { TryOption(area, true, Option::EitherClear, best, false, true); });
            attempt(kEitherDrawnLimited,
                    [&] { TryOption(area, true, Option::EitherDrawn, best, false, true); });
        }
        // An image of few colours may do better with a small table of its own than with the
        // global table's wider codes.
        if (best && global_) {
            attempt(kOwnTable, [&] {
                useGlobal_ = false;
                TryOption(area, best->transparency, static_cast<Option>(best->option), best, false,
                          best->limited);
                useGlobal_ = true;
            });
        }
        // Keeping a full string table instead of clearing it wins on some images, loses on
        // others: the best way is tried both ways.
        if (best && best->tableFilled) {
            attempt(kKeepTable, [&] {
                useGlobal_ = best->global;
                TryOption(area, best->transparency, static_cast<Option>(best->option), best, true,
                          best->limited);
                useGlobal_ = global_;
            });
        }
        if (explore && winner >= 0) ++ways_[static_cast<std::size_t>(winner)].won;
    }

    // limited: an unchanged pixel whose colour's index lies above what the changed pixels need
    // stays transparent, so that the image keeps the code size of its changed pixels.
    void TryOption(const GifArea& area, bool transparency, Option option,
                   std::optional<EncodedImage>& best, bool defer = false, bool limited = false) {
        const std::size_t count = targets_.size();
        // Colour id -> index of the image's table; clearIndex is the transparent index. An
        // unchanged pixel drawn with the transparent index still shows its colour, seen through,
        // so only the changed pixels must keep clear of it, and the unchanged pixels of one
        // colour (seeThrough) can share it: they then need no index of their own and read the
        // same as transparent ones, which lengthens the LZW strings. seeThrough is the commonest
        // unchanged colour that no changed pixel shows. With a local table the transparent index
        // is 0. With the global table it is seeThrough's index when that lies below the code
        // size of the changed pixels, else the lowest index no changed pixel needs; either way
        // the image keeps the code size of its changed pixels, where a fixed transparent entry
        // would take one of the low indices from every image.
        int maxIndex = 0;
        int tableEntries = 0;
        touched_.clear();
        int next = transparency ? 1 : 0;
        int clearIndex = 0;
        std::int64_t seeThrough = -1;
        int changedMax = 0;
        if (transparency) {
            const Analysis& analysis = Analyse();
            if (!analysis.usable) return;  // never with at most 255 colours
            clearIndex = analysis.clearIndex;
            seeThrough = analysis.seeThrough;
            changedMax = analysis.changedMax;
        }
        pixels_.resize(count);
        alternates_.resize(count);
        const bool either = option == Option::EitherClear || option == Option::EitherDrawn;
        if (useGlobal_) {
            // The changed pixels' indices need this code size; limited keeps to it.
            const int limit = either && limited
                                  ? 1 << std::max(2, BitsFor(std::max({1, clearIndex, changedMax})))
                                  : 256;
            bool limitHit = false;  // limited changed some pixel's index
            switch (option) {
                case Option::Drawn:
                    maxIndex = MapGlobal<Option::Drawn>(clearIndex, limit, limitHit);
                    break;
                case Option::Transparent:
                    maxIndex = MapGlobal<Option::Transparent>(clearIndex, limit, limitHit);
                    break;
                case Option::EitherClear:
                    maxIndex = MapGlobal<Option::EitherClear>(clearIndex, limit, limitHit);
                    break;
                case Option::EitherDrawn:
                    maxIndex = MapGlobal<Option::EitherDrawn>(clearIndex, limit, limitHit);
                    break;
            }
            // A limit that changed nothing gives the unlimited way's bytes, already tried.
            if (limited && !limitHit) return;
        } else if (!MapLocal(option, limited, clearIndex, seeThrough, next, maxIndex)) {
            return;
        }
        if (!useGlobal_) {
            tableEntries = 1 << BitsFor(std::max(next - 1, 1));
            maxIndex = std::max(maxIndex, next - 1);
        }
        if (transparency) maxIndex = std::max(maxIndex, clearIndex);
        const int codeSize = std::max(2, BitsFor(maxIndex));
        if (interlace_) Interlace(area);
        GifLzwEncoder::Nearness nearness{nullptr, transparency ? clearIndex : -1};
        if (tolerance_ > 0) {
            if (useGlobal_) {
                nearness.rows = globalNear_.data();
            } else {
                std::vector<Colorref> colors(transparency ? 1 : 0, 0);  // 0: the transparent one
                for (std::uint32_t id : touched_) colors.push_back(dictionary_.colors[id]);
                NearRows(colors, localNear_);
                nearness.rows = localNear_.data();
            }
        }
        const GifLzwEncoder::Codes codes =
            lzw_.CompressChoosing(pixels_.data(), alternates_.data(), count, codeSize, defer, false,
                                  nearness.rows != nullptr ? &nearness : nullptr);

        const std::size_t tableBytes = static_cast<std::size_t>(tableEntries) * 3;
        const std::size_t size = 10 + tableBytes + 1 + codes.size + (codes.size + 254) / 255 + 1;
        if (best && best->bytes.size() <= size) return;

        EncodedImage image;
        image.area = area;
        image.transparency = transparency;
        image.transparentIndex = static_cast<std::uint8_t>(clearIndex);
        image.option = static_cast<int>(option);
        image.limited = limited;
        image.tableFilled = lzw_.TableFilled();
        image.global = useGlobal_;
        image.maxIndex = maxIndex;
        image.interlaced = interlace_;
        std::vector<std::uint8_t>& out = image.bytes;
        out.reserve(size);
        out.push_back(0x2C);
        Put16(out, area.x0);
        Put16(out, area.y0);
        Put16(out, area.Width());
        Put16(out, area.Height());
        const std::uint8_t interlaceFlag = interlace_ ? 0x40 : 0;
        if (useGlobal_) {
            out.push_back(interlaceFlag);
        } else {
            out.push_back(
                static_cast<std::uint8_t>(0x80 | interlaceFlag | (BitsFor(tableEntries - 1) - 1)));
            std::vector<Colorref> table(static_cast<std::size_t>(tableEntries), 0);
            // touched_ holds the ids in the order they were given indices.
            int index = transparency ? 1 : 0;
            for (std::uint32_t id : touched_)
                table[static_cast<std::size_t>(index++)] = dictionary_.colors[id];
            for (Colorref c : table) {
                out.push_back(static_cast<std::uint8_t>(RedOf(c)));
                out.push_back(static_cast<std::uint8_t>(GreenOf(c)));
                out.push_back(static_cast<std::uint8_t>(BlueOf(c)));
            }
        }
        out.push_back(static_cast<std::uint8_t>(codeSize));
        for (std::size_t at = 0; at < codes.size; at += 255) {
            const std::size_t n = std::min<std::size_t>(255, codes.size - at);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), codes.data + at, codes.data + at + n);
        }
        out.push_back(0);
        best = std::move(image);
    }

    // Lossy: a pixel of next whose colour lies within steady_ of what current shows there keeps
    // current's, so that noise and slow drift need not be redrawn. current may hold kept colours
    // itself: the comparison is always with next's true colour, so no pixel strays further.
    void Steady(const Screen& current, Screen& next, const GifArea& bound) {
        kept_.clear();
        std::size_t differing = 0;
        for (int y = bound.y0; y < bound.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width_;
            if (SameRow(current, next, row, bound)) continue;
            for (std::size_t p = row + static_cast<std::size_t>(bound.x0);
                 p < row + static_cast<std::size_t>(bound.x1); ++p) {
                const std::uint32_t was = current[p];
                const std::uint32_t now = next[p];
                if (was == now) continue;
                ++differing;
                if (was == 0 || now == 0) continue;
                if (Within(dictionary_.colors[was - 1], dictionary_.colors[now - 1], steady_)) {
                    kept_.push_back(p);
                }
            }
        }
        // Worth it only where most of what differs is such drift (grain, a slow fade): a few
        // pixels kept among many redrawn save little and cost their error.
        if (kept_.size() * 100 < differing * kDriftPercent) return;
        for (std::size_t p : kept_) next[p] = current[p];
    }

    // rows[i] bit j: colours[i] and colours[j] differ by at most tolerance_ in every channel.
    // 256 rows whatever the count, so that any index reads a row.
    void NearRows(const std::vector<Colorref>& colors,
                  std::vector<std::array<std::uint64_t, 4>>& rows) const {
        rows.assign(256, {});
        const std::size_t n = std::min<std::size_t>(colors.size(), 256);
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j) {
                if (Within(colors[i], colors[j], tolerance_)) {
                    rows[i][j >> 6] |= std::uint64_t{1} << (j & 63);
                }
            }
        }
    }

    // Reorders the rows of pixels_ and alternates_ (area's size) into the interlaced order:
    // every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    void Interlace(const GifArea& area) {
        const auto w = static_cast<std::size_t>(area.Width());
        const int h = area.Height();
        interlaced_.resize(pixels_.size());
        interlacedAlternates_.resize(alternates_.size());
        std::size_t to = 0;
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < h; y += kStep[pass], to += w) {
                const std::size_t from = static_cast<std::size_t>(y) * w;
                std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(from), w,
                            interlaced_.begin() + static_cast<std::ptrdiff_t>(to));
                std::copy_n(alternates_.begin() + static_cast<std::ptrdiff_t>(from), w,
                            interlacedAlternates_.begin() + static_cast<std::ptrdiff_t>(to));
            }
        }
        pixels_.swap(interlaced_);
        alternates_.swap(interlacedAlternates_);
    }

    // The indices of the image's pixels with a local table of the colours it draws, given out in
    // the order the pixels need them (after the transparent index 0 when there is one). False
    // when they do not fit one table, or when limited changes nothing (see TryOption).
    bool MapLocal(Option option, bool limited, int clearIndex, std::int64_t seeThrough, int& next,
                  int& maxIndex) {
        auto indexOf = [&](std::uint32_t t) -> int {
            if (t == 0) return clearIndex;
            std::int16_t& local = localOf_[t - 1];
            if (local < 0) {
                local = static_cast<std::int16_t>(next++);
                touched_.push_back(t - 1);
            }
            return local;
        };
        const std::size_t count = targets_.size();
        const bool either = option == Option::EitherClear || option == Option::EitherDrawn;
        int limit = 256;  // indices from here on are not given to unchanged pixels
        if (either) {
            // The changed pixels' colours take the first indices.
            int needed = std::max(1, clearIndex);
            for (std::size_t i = 0; i < count; ++i) {
                if (unchanged_[i] == 0) needed = std::max(needed, indexOf(targets_[i]));
            }
            if (limited) limit = 1 << std::max(2, BitsFor(needed));
        }
        // An unchanged pixel's colour index, or the transparent one when that is beyond the
        // limit.
        bool limitHit = false;  // limited changed some pixel's index
        auto keptIndexOf = [&](std::uint32_t t) -> int {
            if (t == 0 || t - 1 == seeThrough) return clearIndex;
            if (localOf_[t - 1] < 0 && next >= limit) {
                limitHit = true;
                return clearIndex;
            }
            return indexOf(t);
        };
        bool overflow = false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t t = targets_[i];
            const bool keep = unchanged_[i] != 0;
            int primary = 0;
            int alternate = 0;
            switch (option) {
                case Option::Drawn:
                    primary = alternate = keep && t - 1 == seeThrough ? clearIndex : indexOf(t);
                    break;
                case Option::Transparent:
                    primary = alternate = keep ? clearIndex : indexOf(t);
                    break;
                case Option::EitherClear:
                    primary = keep ? clearIndex : indexOf(t);
                    alternate = keep ? keptIndexOf(t) : primary;
                    break;
                case Option::EitherDrawn:
                    primary = keep ? keptIndexOf(t) : indexOf(t);
                    alternate = keep ? clearIndex : primary;
                    break;
            }
            if (next > 256) {
                overflow = true;
                break;
            }
            pixels_[i] = static_cast<std::uint8_t>(primary);
            alternates_[i] = static_cast<std::uint8_t>(alternate);
            maxIndex = std::max({maxIndex, primary, alternate});
        }
        for (std::uint32_t id : touched_) localOf_[id] = -1;
        return !overflow && (!limited || limitHit);
    }

    // The same with the global table, from globalOf_.
    template <Option kOption>
    int MapGlobal(int clearIndex, int limit, bool& limitHit) {
        const std::size_t count = targets_.size();
        int maxIndex = 0;
        bool hit = false;
        for (std::size_t i = 0; i < count; ++i) {
            const int g = globalOf_[i];
            const bool keep = unchanged_[i] != 0;
            // seeThrough's index is the transparent one: its pixels need nothing more.
            const int color = g == 255 ? clearIndex : g;
            int primary = color;
            int alternate = color;
            if constexpr (kOption == Option::Transparent) {
                if (keep) primary = alternate = clearIndex;
            } else if constexpr (kOption != Option::Drawn) {
                if (keep) {
                    const bool over = color >= limit;
                    hit |= over;
                    const int kept = over ? clearIndex : color;
                    primary = kOption == Option::EitherClear ? clearIndex : kept;
                    alternate = kOption == Option::EitherClear ? kept : clearIndex;
                }
            }
            pixels_[i] = static_cast<std::uint8_t>(primary);
            alternates_[i] = static_cast<std::uint8_t>(alternate);
            maxIndex = std::max({maxIndex, primary, alternate});
        }
        limitHit = hit;
        return maxIndex;
    }

    // How an image with a transparent index chooses it (see TryOption): the same for every way
    // of one image, so worked out once per image and table kind.
    struct Analysis {
        bool usable = true;
        int clearIndex = 0;
        std::int64_t seeThrough = -1;  // colour id; -1 none
        int changedMax = 0;            // the highest global index a changed pixel needs
    };
    const Analysis& Analyse() {
        Analysis& analysis = analysis_[useGlobal_ ? 1 : 0];
        bool& done = analysed_[useGlobal_ ? 1 : 0];
        if (done) return analysis;
        done = true;
        analysis = Analysis{};
        const std::size_t count = targets_.size();
        int& clearIndex = analysis.clearIndex;
        std::int64_t& seeThrough = analysis.seeThrough;
        int& changedMax = analysis.changedMax;
        if (keptCount_.size() != dictionary_.colors.size()) {
            keptCount_.assign(dictionary_.colors.size(), 0);
            changedColor_.assign(dictionary_.colors.size(), 0);
        }
        std::array<bool, 256> used{};
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t t = targets_[i];
            if (t == 0) continue;
            if (keptCount_[t - 1] == 0 && changedColor_[t - 1] == 0) counted_.push_back(t - 1);
            if (unchanged_[i] != 0) {
                ++keptCount_[t - 1];
            } else {
                changedColor_[t - 1] = 1;
                if (useGlobal_) {
                    used[globalIndex_[t - 1]] = true;
                    changedMax = std::max<int>(changedMax, globalIndex_[t - 1]);
                }
            }
        }
        int lowest = 0;
        while (lowest < 256 && used[static_cast<std::size_t>(lowest)]) ++lowest;
        const int range = 1 << std::max(2, BitsFor(std::max(changedMax, lowest)));
        std::uint32_t most = 0;
        for (std::uint32_t id : counted_) {
            const bool fits = !useGlobal_ || globalIndex_[id] < range;
            if (changedColor_[id] == 0 && fits && keptCount_[id] > most) {
                most = keptCount_[id];
                seeThrough = id;
            }
            keptCount_[id] = 0;
            changedColor_[id] = 0;
        }
        counted_.clear();
        if (useGlobal_) {
            if (seeThrough >= 0) {
                clearIndex = globalIndex_[static_cast<std::size_t>(seeThrough)];
            } else if (lowest < 256) {
                clearIndex = lowest;
            } else {
                analysis.usable = false;  // never with at most 255 colours
            }
        }
        return analysis;
    }

    void WriteHeader(std::vector<std::uint8_t>& out) const {
        const char* signature = "GIF89a";
        out.insert(out.end(), signature, signature + 6);
        Put16(out, width_);
        Put16(out, height_);
        if (global_) {
            // Never an index outside the table: a transparent index past the colours (the
            // lowest one no changed pixel needs) gets an entry too. Readers that fill the screen
            // with the first image's transparent index then show it transparent, as the rest do.
            const int entries = 1 << BitsFor(std::max({static_cast<int>(globalOrder_.size()) - 1,
                                                       maxGlobalIndex_, 1}));
            const int bits = BitsFor(entries - 1);
            out.push_back(static_cast<std::uint8_t>(0xF0 | (bits - 1)));
            out.push_back(0);  // background: index 0 (disposal 2 clears to transparent)
            out.push_back(0);
            std::vector<Colorref> table(static_cast<std::size_t>(entries), 0);
            for (std::size_t rank = 0; rank < globalOrder_.size(); ++rank) {
                table[rank] = dictionary_.colors[globalOrder_[rank]];
            }
            for (Colorref c : table) {
                out.push_back(static_cast<std::uint8_t>(RedOf(c)));
                out.push_back(static_cast<std::uint8_t>(GreenOf(c)));
                out.push_back(static_cast<std::uint8_t>(BlueOf(c)));
            }
        } else {
            out.push_back(0x70);  // no global table, 8 bits of colour resolution
            out.push_back(0);
            out.push_back(0);
        }
        if (source_.loop) {
            static constexpr std::uint8_t kLoop[19] = {0x21, 0xFF, 0x0B, 'N',  'E', 'T', 'S',
                                                       'C',  'A',  'P',  'E',  '2', '.', '0',
                                                       0x03, 0x01, 0x00, 0x00, 0x00};
            out.insert(out.end(), std::begin(kLoop), std::end(kLoop));
        }
    }

    void WriteControl(int delay, int disposal, const EncodedImage& image) {
        // A single image needs a control block only for what it carries.
        if (source_.frames.size() == 1 && (delay & 0xFFFF) == 0 && !image.transparency) return;
        const std::uint8_t control[8] = {
            0x21,
            0xF9,
            0x04,
            static_cast<std::uint8_t>((disposal << 2) | (image.transparency ? 1 : 0)),
            static_cast<std::uint8_t>(delay),
            static_cast<std::uint8_t>(delay >> 8),
            image.transparentIndex,
            0x00};
        out_.insert(out_.end(), std::begin(control), std::end(control));
    }

    const GifSourceAnimation& source_;
    const ColorDictionary& dictionary_;
    const bool keepStored_;
    // The lossy level's tolerance is shared: steady_ for keeping a pixel's colour from frame to
    // frame, tolerance_ for the LZW strings; together no pixel strays further than it.
    const int steady_;
    const int tolerance_;
    std::vector<std::size_t> kept_;  // Steady's pixels
    int globalImages_ = 0;
    struct WayRecord {
        std::uint32_t tried = 0;  // explored images where the way was tried
        std::uint32_t won = 0;    // of those, the images where it gave the smallest
    };
    std::array<WayRecord, kWays> ways_{};
    std::array<WayRecord, 4> kinds_{};  // by Kind, counted on frames that weigh every kind

    // Whether a kind of candidate is weighed: always with all, else when it won often enough.
    bool Wanted(Kind kind, bool all) const {
        const WayRecord& record = kinds_[static_cast<std::size_t>(kind)];
        return all || record.won * 100 >= record.tried * kWinPercent;
    }
    std::uint32_t encodes_ = 0;  // Encode calls that were not look-ahead estimates
    int maxGlobalIndex_ = 0;     // the highest global index an image uses, its transparency's too
    bool interlace_ = false;     // TryOption stores the rows interlaced
    int width_ = 0;
    int height_ = 0;
    bool global_ = false;                    // the file has a global table
    bool useGlobal_ = false;                 // the image being compressed uses it
    std::vector<std::uint8_t> globalIndex_;  // colour id -> global table index (0..254)
    std::vector<std::uint32_t> globalOrder_;
    std::vector<std::int16_t> localOf_;  // colour id -> local index; -1 between images
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint32_t> keptCount_;    // colour id -> unchanged pixels; 0 between images
    std::vector<std::uint8_t> changedColor_;  // colour id -> a changed pixel shows it
    std::vector<std::uint32_t> counted_;      // the ids those two count
    std::vector<std::uint8_t> globalOf_;      // per pixel of the image: global index, 255 none
    Analysis analysis_[2];                    // local, global
    bool analysed_[2] = {false, false};
    std::vector<std::uint32_t> stamps_;
    std::uint32_t stamp_ = 0;
    GifCanvas stored_;
    std::vector<std::uint32_t> targets_;
    std::vector<std::uint8_t> unchanged_;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> alternates_;
    std::vector<std::array<std::uint64_t, 4>> globalNear_;  // NearRows of the global table
    std::vector<std::array<std::uint64_t, 4>> localNear_;   // of the image being compressed
    std::vector<std::uint8_t> interlaced_;  // Interlace's buffers, swapped with the two above
    std::vector<std::uint8_t> interlacedAlternates_;
    GifLzwEncoder lzw_;
    std::vector<std::uint8_t> out_;
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
        for (int y = reach.y0; y < reach.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * source.screenWidth;
            for (std::size_t p = row + static_cast<std::size_t>(reach.x0);
                 p < row + static_cast<std::size_t>(reach.x1); ++p) {
                const std::uint32_t was = before[p];
                const std::uint32_t now = shown[p];
                if (was == now) continue;
                before[p] = now;
                ++differing;
                if (was == 0 || now == 0) continue;
                drifting += Within(dictionary.colors[was - 1], dictionary.colors[now - 1], judged);
            }
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
        Planner planner(source, dictionary, keepStored, allowGlobal, tolerance, steady);
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
        if (keepStored) break;
        keepStored = true;
    }
    result.error = "a frame cannot be drawn within one colour table";
    return result;
}

std::string VerifyOptimizedGif(const GifSourceAnimation& source,
                               std::span<const std::uint8_t> bytes, const GifProgress& progress,
                               const GifOptimizeOptions& options) {
    const int tolerance = LossyTolerance(options.lossy);
    // Opaque pixels within tolerance in every channel agree; transparency must match exactly.
    auto alike = [tolerance](std::uint32_t a, std::uint32_t b) {
        if (a == b) return true;
        if (tolerance == 0 || (a == 0) != (b == 0)) return false;
        for (int shift = 0; shift < 24; shift += 8) {
            const int d =
                static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
            if (d > tolerance || d < -tolerance) return false;
        }
        return true;
    };
    const int width = source.screenWidth;
    const int height = source.screenHeight;
    GifCanvas want;
    GifCanvas have;
    want.Reset(width, height);
    have.Reset(width, height);
    std::string problem;
    const std::size_t count = source.frames.size();
    std::size_t k = 0;
    const GifScanResult scan =
        GifDecoder::DecodeAllImages(bytes, count + 1, [&](const GifPageInfo& page, CDib&& image) {
            if (k >= count) {
                problem = "more images than frames";
                return false;
            }
            if (progress && !progress(static_cast<int>(k), static_cast<int>(count))) {
                problem = "cancelled";
                return false;
            }
            if (page.screenWidth != width || page.screenHeight != height) {
                problem = "the screen is " + std::to_string(page.screenWidth) + "x" +
                          std::to_string(page.screenHeight);
                return false;
            }
            const GifSourceFrame& frame = source.frames[k];
            // An image without a control block waits 0 (written so for a single image).
            if (std::max(page.delay, 0) != (frame.delay & 0xFFFF)) {
                problem = "frame " + std::to_string(k) + " has delay " +
                          std::to_string(page.delay) + ", want " + std::to_string(frame.delay);
                return false;
            }
            GifCanvas::Values values{};
            if (Usable(frame)) {
                for (int i = 0; i < 256; ++i) {
                    values[static_cast<std::size_t>(i)] = 0xFF000000u | EntryColor(*frame.image, i);
                }
                if (frame.transparentIndex >= 0 && frame.transparentIndex < 256) {
                    values[static_cast<std::size_t>(frame.transparentIndex)] = 0;
                }
                want.Draw(*frame.image, frame.left, frame.top, values);
            } else {
                want.Draw(CDib{}, 0, 0, values);
            }
            for (int i = 0; i < 256; ++i) {
                values[static_cast<std::size_t>(i)] = 0xFF000000u | EntryColor(image, i);
            }
            if (page.transparent) values[page.transparentIndex] = 0;
            have.Draw(image, page.left, page.top, values);
            const auto& a = want.Pixels();
            const auto& b = have.Pixels();
            const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), alike);
            if (mismatch.first != a.end()) {
                const auto at = static_cast<int>(mismatch.first - a.begin());
                problem = "frame " + std::to_string(k) + " differs at " +
                          std::to_string(at % width) + "," + std::to_string(at / width);
                return false;
            }
            want.Dispose(Disposal(frame));
            have.Dispose((page.controlByte >> 2) & 7);
            ++k;
            return true;
        });
    if (!problem.empty()) return problem;
    if (!scan.complete) return "the written file does not decode: " + scan.error;
    if (k != count) {
        return "have " + std::to_string(k) + " images, want " + std::to_string(count);
    }
    if (scan.loopBlock != source.loop) return "the looping differs";
    return {};
}

}  // namespace vorla
