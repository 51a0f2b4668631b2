// The order of the global colour table (ColorDictionary in GifOptimizerParts.h).
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <unordered_map>

#include "core/gif/GifLzwEncoder.h"
#include "core/gif/GifOptimizerParts.h"

namespace vorla::optimizer {

void ColorDictionary::Build(const GifSourceAnimation& source) {
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
            auto [it, added] = ids.try_emplace(color, static_cast<std::uint32_t>(colors.size()));
            if (added) colors.push_back(color);
            values[k][slot] = it->second + 1;
        }
    }
    if (colors.size() <= 256) CountChanges(source);  // orders the global table only
}

void ColorDictionary::CountChanges(const GifSourceAnimation& source) {
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
        const auto span = static_cast<std::size_t>(std::max(reach.Width(), 0));
        for (int y = reach.y0; y < reach.y1; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * width;
            const std::size_t at = row + static_cast<std::size_t>(reach.x0);
            // Most rows of most frames do not change: one block compare, and nothing to copy.
            if (std::memcmp(shown.data() + at, before.data() + at, span * sizeof(std::uint32_t)) ==
                0) {
                continue;
            }
            for (std::size_t p = at; p < at + span; ++p) {
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
            std::copy_n(shown.begin() + static_cast<std::ptrdiff_t>(at), span,
                        before.begin() + static_cast<std::ptrdiff_t>(at));
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
        const int entriesBits = std::min(8, BitsFor(static_cast<int>(changed[k].size())));
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
            if (clear > 255) {  // every index taken: a table of its own
                total += localBits[k];
                continue;
            }
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
            for (std::size_t k = 0; k < changed.size(); k += std::max<std::size_t>(1, run / 2)) {
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

std::vector<std::uint32_t> ColorDictionary::CoverOrder(
    const std::vector<std::vector<std::uint32_t>>& changed,
    const std::vector<std::uint64_t>& changedPixels, const std::vector<std::uint32_t>& fallback) {
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

std::uint64_t ColorDictionary::LzwBits(std::uint64_t codes, int codeSize) {
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

}  // namespace vorla::optimizer
