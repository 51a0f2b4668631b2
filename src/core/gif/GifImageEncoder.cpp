#include "core/gif/GifImageEncoder.h"

#include <algorithm>
#include <cstdlib>

#include "core/gif/GifBlocks.h"

namespace vorla::optimizer {

namespace {
// The squared error one pixel of string length is worth (see GifLzwEncoder::Nearness): one
// channel at the full tolerance. Weighed on the bench's set at equal PSNR against gifsicle's
// lossy levels: half of that gave plasma up to 2 % more but mandelbrot's low level 1 % less;
// unbounded (the longest string whatever its error, as before) 3-6 % more bytes on plasma and
// previous.
std::uint32_t PixelWorth(int tolerance) {
    return static_cast<std::uint32_t>(tolerance * tolerance);
}
}  // namespace

GifImageEncoder::GifImageEncoder(const ColorDictionary& dictionary, int screenWidth,
                                 bool allowGlobal, int tolerance, bool singleImage)
    : dictionary_(dictionary),
      width_(std::max(screenWidth, 0)),
      tolerance_(tolerance),
      singleImage_(singleImage) {
    global_ = allowGlobal && dictionary.colors.size() <= 256;
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
            globalColors_ = colors;
            globalColors_.resize(256, 0);
        }
    }
    localOf_.assign(dictionary.colors.size(), -1);
}

GifImageEncoder::Prepared GifImageEncoder::Prepare(const Screen& shown, const Screen& target,
                                                   const GifArea& area, int rowStep) {
    Prepared prepared;
    const int rows = (area.Height() + rowStep - 1) / rowStep;
    prepared.area = {area.x0, area.y0, area.x1, area.y0 + rows};
    const auto w = static_cast<std::size_t>(area.Width());
    const std::size_t count = w * static_cast<std::size_t>(rows);
    targets_.resize(count);
    unchanged_.resize(count);
    // Through local pointers, as in MapGlobal.
    std::uint32_t* __restrict targets = targets_.data();
    std::uint8_t* __restrict unchanged = unchanged_.data();
    bool anyClear = false;
    bool anyUnchangedColor = false;
    for (int y = area.y0; y < area.y1; y += rowStep) {
        const std::uint32_t* __restrict const t =
            target.data() + static_cast<std::size_t>(y) * width_;
        const std::uint32_t* __restrict const s =
            shown.data() + static_cast<std::size_t>(y) * width_;
        for (int x = area.x0; x < area.x1; ++x) {
            const bool same = t[x] == s[x];
            *targets++ = t[x];
            *unchanged++ = same;
            anyClear |= t[x] == 0;
            anyUnchangedColor |= same && t[x] != 0;
        }
    }
    prepared.anyClear = anyClear;
    prepared.anyUnchangedColor = anyUnchangedColor;
    analysed_[0] = analysed_[1] = false;
    if (global_) {
        globalOf_.resize(count);
        const std::uint32_t* __restrict const from = targets_.data();
        const std::uint8_t* __restrict const index = globalIndex_.data();
        std::uint16_t* __restrict const to = globalOf_.data();
        for (std::size_t p = 0; p < count; ++p) {
            to[p] = from[p] == 0 ? kNoIndex : index[from[p] - 1];
        }
    }
    return prepared;
}

std::optional<std::size_t> GifImageEncoder::EstimateBytes(const Screen& shown, const Screen& target,
                                                          const GifArea& wanted) {
    const GifArea area = FrameArea(wanted);
    // Every 4th row of a tall image, every 2nd of a middling one: the estimate only ranks
    // candidates against each other, and rows further apart compress alike for all of them.
    const int step = area.Height() >= 64 ? 4 : area.Height() >= 16 ? 2 : 1;
    const Prepared prepared = Prepare(shown, target, area, step);
    std::optional<EncodedImage> image;
    const bool either = prepared.anyUnchangedColor;
    TryOption(prepared.area, either || prepared.anyClear,
              either ? Option::EitherClear : Option::Drawn, image);
    if (!image) {
        // The one way did not fit a table: every way, on every row.
        image = Encode(shown, target, wanted, false);
        if (!image) return std::nullopt;
        return image->bytes.size();
    }
    return image->bytes.size() * static_cast<std::size_t>(area.Height()) /
           static_cast<std::size_t>(prepared.area.Height());
}

std::optional<EncodedImage> GifImageEncoder::Encode(const Screen& shown, const Screen& target,
                                                    const GifArea& wanted, bool force) {
    const GifArea area = FrameArea(wanted);
    const Prepared prepared = Prepare(shown, target, area, 1);
    const bool anyClear = prepared.anyClear;
    const bool anyUnchangedColor = prepared.anyUnchangedColor;
    const std::size_t count = targets_.size();

    std::optional<EncodedImage> best;
    // On the first images, and on every 16th after, every way is tried and the winner
    // counted; in between only the ways that have won often enough, except on small images.
    // Where those all fail, every way is tried after all.
    const bool explore = encodes_ < kExploreFirst || encodes_ % kExploreEvery == 0;
    const bool all = explore || count <= kSmallImage;
    ++encodes_;
    TryWays(area, force, anyClear, anyUnchangedColor, all, explore, best);
    if (!best && !all) TryWays(area, force, anyClear, anyUnchangedColor, true, false, best);
    if (!best && global_) {
        // All 256 indices of the global table drawn and a transparent one needed: the image
        // gets a table of its own, where that fits.
        useGlobal_ = false;
        TryWays(area, force, anyClear, anyUnchangedColor, true, false, best);
        useGlobal_ = true;
    }
    // A single image may be smaller with its rows interlaced (rows of one pass, eight
    // apart, can repeat each other's strings better than neighbours do).
    if (best && singleImage_ && area.Height() > 1) {
        useGlobal_ = best->global;
        interlace_ = true;
        TryOption(area, best->transparency, static_cast<Option>(best->option), best,
                  static_cast<GifLzwEncoder::FullTable>(best->fullTable), best->limited);
        interlace_ = false;
        useGlobal_ = global_;
    }
    return best;
}

void GifImageEncoder::TryWays(const GifArea& area, bool force, bool anyClear,
                              bool anyUnchangedColor, bool all, bool explore,
                              std::optional<EncodedImage>& best) {
    std::array<std::size_t, kWays> sizes;
    sizes.fill(SIZE_MAX);
    auto attempt = [&](Way way, auto&& run) {
        WayRecord& record = ways_[way];
        if (!all && !Kept(ways_, way, exploredBytes_, way < kOwnTable)) return;
        run();
        if (!explore) return;
        ++record.tried;
        sizes[way] = lastSize_;
    };
    // Unchanged pixels drawn: the only way when there are none.
    if (!anyUnchangedColor) {
        TryOption(area, force || anyClear, Option::Drawn, best);
        sizes[kDrawn] = lastSize_;  // what the second tries below must beat
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
                [&] { TryOption(area, true, Option::EitherClear, best, {}, true); });
        attempt(kEitherDrawnLimited,
                [&] { TryOption(area, true, Option::EitherDrawn, best, {}, true); });
    }
    // An image of few colours may do better with a small table of its own than with the
    // global table's wider codes.
    if (best && global_) {
        attempt(kOwnTable, [&] {
            useGlobal_ = false;
            TryOption(area, best->transparency, static_cast<Option>(best->option), best,
                      GifLzwEncoder::FullTable::Clear, best->limited);
            useGlobal_ = true;
        });
    }
    // Keeping a full string table instead of clearing it wins on some images, loses on
    // others: the best way is tried each way. Kept to the end: the bench's generated terminal
    // 3.7 % smaller, a real 783-image terminal recording 0.3 %, three of the system's single
    // images 1.4-3.3 %; nothing lost elsewhere, since the smallest wins.
    using Full = GifLzwEncoder::FullTable;
    for (const auto& keeping :
         {std::pair{kKeepTable, Full::KeepWhileItPays}, std::pair{kHoldTable, Full::Keep}}) {
        if (!best || !best->tableFilled) break;
        const Full full = keeping.second;
        attempt(keeping.first, [&] {
            useGlobal_ = best->global;
            TryOption(area, best->transparency, static_cast<Option>(best->option), best, full,
                      best->limited);
            useGlobal_ = global_;
        });
    }
    if (!explore || !best) return;
    // The ways of choosing the pixels compete with each other: the winner, and what its image
    // would have grown to without it. The second tries refine the winner: what each saved.
    const auto first = sizes.begin();
    const auto winner =
        static_cast<std::size_t>(std::min_element(first, first + kOwnTable) - first);
    if (sizes[winner] == SIZE_MAX) return;
    std::size_t next = SIZE_MAX;
    for (std::size_t w = 0; w < kOwnTable; ++w) {
        if (w != winner) next = std::min(next, sizes[w]);
    }
    ++ways_[winner].won;
    if (next != SIZE_MAX) ways_[winner].saved += next - sizes[winner];
    for (const Way second : {kOwnTable, kKeepTable, kHoldTable}) {
        if (sizes[second] >= sizes[winner]) continue;
        ++ways_[second].won;
        ways_[second].saved += sizes[winner] - sizes[second];
    }
    exploredBytes_ += best->bytes.size();
}

void GifImageEncoder::TryOption(const GifArea& area, bool transparency, Option option,
                                std::optional<EncodedImage>& best, GifLzwEncoder::FullTable full,
                                bool limited) {
    lastSize_ = SIZE_MAX;
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
    GifLzwEncoder::Nearness nearness{nullptr, transparency ? clearIndex : -1, nullptr,
                                     PixelWorth(tolerance_)};
    if (tolerance_ > 0) {
        if (useGlobal_) {
            nearness.rows = globalNear_.data();
            nearness.colors = globalColors_.data();
        } else {
            localColors_.assign(transparency ? 1 : 0, 0);  // 0: the transparent one
            for (std::uint32_t id : touched_) localColors_.push_back(dictionary_.colors[id]);
            NearRows(localColors_, localNear_);
            nearness.rows = localNear_.data();
            localColors_.resize(256, 0);
            nearness.colors = localColors_.data();
        }
    }
    const GifLzwEncoder::Codes codes =
        lzw_.CompressChoosing(pixels_.data(), alternates_.data(), count, codeSize, full, false,
                              nearness.rows != nullptr ? &nearness : nullptr);

    const std::size_t tableBytes = static_cast<std::size_t>(tableEntries) * 3;
    const std::size_t size = 10 + tableBytes + 1 + codes.size + (codes.size + 254) / 255 + 1;
    lastSize_ = size;
    if (best && best->bytes.size() <= size) return;

    EncodedImage image;
    image.transparency = transparency;
    image.transparentIndex = static_cast<std::uint8_t>(clearIndex);
    image.option = static_cast<int>(option);
    image.limited = limited;
    image.tableFilled = lzw_.TableFilled();
    image.fullTable = static_cast<int>(full);
    image.global = useGlobal_;
    image.maxIndex = maxIndex;
    std::vector<std::uint8_t>& out = image.bytes;
    out.reserve(size);
    const std::uint8_t interlaceFlag = interlace_ ? 0x40 : 0;
    gif_blocks::PutDescriptor(
        out, area.x0, area.y0, area.Width(), area.Height(),
        useGlobal_
            ? interlaceFlag
            : static_cast<std::uint8_t>(0x80 | interlaceFlag | (BitsFor(tableEntries - 1) - 1)));
    if (!useGlobal_) {
        std::vector<Colorref> table(static_cast<std::size_t>(tableEntries), 0);
        // touched_ holds the ids in the order they were given indices.
        int index = transparency ? 1 : 0;
        for (std::uint32_t id : touched_)
            table[static_cast<std::size_t>(index++)] = dictionary_.colors[id];
        gif_blocks::PutColors(out, table);
    }
    out.push_back(static_cast<std::uint8_t>(codeSize));
    gif_blocks::PutSubBlocks(out, codes.data, codes.size);
    best = std::move(image);
}

void GifImageEncoder::NearRows(const std::vector<Colorref>& colors,
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

void GifImageEncoder::Interlace(const GifArea& area) {
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

bool GifImageEncoder::MapLocal(Option option, bool limited, int clearIndex, std::int64_t seeThrough,
                               int& next, int& maxIndex) {
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
            case Option::Transparent: primary = alternate = keep ? clearIndex : indexOf(t); break;
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

template <GifImageEncoder::Option kOption>
int GifImageEncoder::MapGlobal(int clearIndex, int limit, bool& limitHit) {
    const std::size_t count = targets_.size();
    // Through local pointers: a byte store may alias anything, so the vectors' own pointers
    // would be loaded again for every pixel, and the loop could not be vectorised.
    const std::uint16_t* __restrict const globalOf = globalOf_.data();
    const std::uint8_t* __restrict const unchanged = unchanged_.data();
    std::uint8_t* __restrict const pixels = pixels_.data();
    std::uint8_t* __restrict const alternates = alternates_.data();
    // In 16-bit lanes throughout, without branches, so that the loop is vectorised.
    const auto clear = static_cast<std::uint16_t>(clearIndex);
    const auto lim = static_cast<std::uint16_t>(std::min(limit, 256));
    std::uint16_t mostPrimary = 0;
    std::uint16_t mostAlternate = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t g = globalOf[i];
        const std::uint16_t keep = unchanged[i];
        // seeThrough's index is the transparent one: its pixels need nothing more.
        const std::uint16_t color = g == kNoIndex ? clear : g;
        std::uint16_t primary = color;
        std::uint16_t alternate = color;
        if constexpr (kOption == Option::Transparent) {
            primary = alternate = keep != 0 ? clear : color;
        } else if constexpr (kOption != Option::Drawn) {
            const std::uint16_t kept = color >= lim ? clear : color;
            const std::uint16_t first = kOption == Option::EitherClear ? clear : kept;
            const std::uint16_t second = kOption == Option::EitherClear ? kept : clear;
            primary = keep != 0 ? first : color;
            alternate = keep != 0 ? second : color;
        }
        pixels[i] = static_cast<std::uint8_t>(primary);
        alternates[i] = static_cast<std::uint8_t>(alternate);
        mostPrimary = primary > mostPrimary ? primary : mostPrimary;
        mostAlternate = alternate > mostAlternate ? alternate : mostAlternate;
    }
    // Whether the limit changed any unchanged pixel's index (found apart: a flag kept in the
    // loop above stops it from being vectorised).
    limitHit = false;
    if constexpr (kOption != Option::Transparent && kOption != Option::Drawn) {
        for (std::size_t i = 0; i < count && lim < 256 && !limitHit; ++i) {
            limitHit = unchanged[i] != 0 && globalOf[i] != kNoIndex && globalOf[i] >= lim;
        }
    }
    return std::max(mostPrimary, mostAlternate);
}

const GifImageEncoder::Analysis& GifImageEncoder::Analyse() {
    Analysis& analysis = analysis_[useGlobal_ ? 1 : 0];
    bool& done = analysed_[useGlobal_ ? 1 : 0];
    if (done) return analysis;
    done = true;
    analysis = Analysis{};
    const std::size_t pixels = targets_.size();
    int& clearIndex = analysis.clearIndex;
    std::int64_t& seeThrough = analysis.seeThrough;
    int& changedMax = analysis.changedMax;
    if (keptCount_.size() != dictionary_.colors.size()) {
        keptCount_.assign(dictionary_.colors.size(), 0);
        changedColor_.assign(dictionary_.colors.size(), 0);
    }
    std::array<bool, 256> used{};
    // Counted by runs of one colour and state: most images are made of them, and the counts
    // are scattered over every colour of the animation.
    std::uint32_t runColor = 0;
    bool runKept = false;
    std::uint32_t runLength = 0;
    auto count = [&] {
        if (runColor == 0 || runLength == 0) return;
        const std::uint32_t id = runColor - 1;
        if (keptCount_[id] == 0 && changedColor_[id] == 0) counted_.push_back(id);
        if (runKept) {
            keptCount_[id] += runLength;
        } else {
            changedColor_[id] = 1;
            if (useGlobal_) {
                used[globalIndex_[id]] = true;
                changedMax = std::max<int>(changedMax, globalIndex_[id]);
            }
        }
    };
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint32_t t = targets_[i];
        const bool kept = unchanged_[i] != 0;
        if (t == runColor && kept == runKept) {
            ++runLength;
            continue;
        }
        count();
        runColor = t;
        runKept = kept;
        runLength = 1;
    }
    count();
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

}  // namespace vorla::optimizer
