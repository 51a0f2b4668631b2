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
                                 bool allowGlobal, int tolerance, bool singleImage, bool twoLanes)
    : dictionary_(dictionary),
      width_(std::max(screenWidth, 0)),
      tolerance_(tolerance),
      singleImage_(singleImage),
      jobs_(twoLanes) {
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
    for (Lane& lane : lanes_) lane.localOf.assign(dictionary.colors.size(), -1);
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
    // Flags gathered per row in locals of full width: kept across the whole loop, the compiler
    // may leave them (and the row's end) in memory, a store and a load per pixel.
    bool anyClear = false;
    bool anyUnchangedColor = false;
    const int x0 = area.x0;
    const int x1 = area.x1;
    for (int y = area.y0; y < area.y1; y += rowStep) {
        const std::uint32_t* __restrict const t =
            target.data() + static_cast<std::size_t>(y) * width_;
        const std::uint32_t* __restrict const s =
            shown.data() + static_cast<std::size_t>(y) * width_;
        std::uint32_t clear = 0;
        std::uint32_t kept = 0;
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t same = t[x] == s[x] ? 1 : 0;
            *targets++ = t[x];
            *unchanged++ = static_cast<std::uint8_t>(same);
            clear |= t[x] == 0 ? 1 : 0;
            kept |= same & (t[x] != 0 ? 1 : 0);
        }
        anyClear |= clear != 0;
        anyUnchangedColor |= kept != 0;
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
    const bool either = prepared.anyUnchangedColor;
    Try attempt{kWays, useGlobal_, either || prepared.anyClear,
                either ? Option::EitherClear : Option::Drawn};
    if (attempt.transparency) Analyse(attempt.global);
    TryOption(prepared.area, attempt, lanes_[0], SIZE_MAX);
    const std::optional<EncodedImage>& image = attempt.image;
    if (!image) {
        // The one way did not fit a table: every way, on every row.
        const std::optional<EncodedImage> whole = Encode(shown, target, wanted, false);
        if (!whole) return std::nullopt;
        return whole->bytes.size();
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
        Try attempt = Retry(kWays, *best);
        attempt.full = static_cast<GifLzwEncoder::FullTable>(best->fullTable);
        attempt.interlace = true;
        TryOption(area, attempt, lanes_[0], best->bytes.size());
        if (attempt.image) best = std::move(attempt.image);
    }
    return best;
}

GifImageEncoder::Try GifImageEncoder::Retry(Way way, const EncodedImage& best) {
    Try attempt{way, best.global, best.transparency, static_cast<Option>(best.option)};
    attempt.limited = best.limited;
    return attempt;
}

GifImageEncoder::Try GifImageEncoder::Retry(Way way, const Try& of) {
    Try attempt{way, of.global, of.transparency, of.option};
    attempt.limited = of.limited;
    return attempt;
}

void GifImageEncoder::TryWays(const GifArea& area, bool force, bool anyClear,
                              bool anyUnchangedColor, bool all, bool explore,
                              std::optional<EncodedImage>& best) {
    // best is empty here: every call comes before an image was found.
    std::array<std::size_t, kWays> sizes;
    sizes.fill(SIZE_MAX);
    auto wanted = [&](Way way) { return all || Kept(ways_, way, exploredBytes_, way < kOwnTable); };
    auto merge = [&](Try& attempt) {
        if (attempt.whileFilled && !(best && best->tableFilled)) return;
        if (attempt.way != kWays) {
            sizes[attempt.way] = attempt.size;
            if (explore && attempt.counted) ++ways_[attempt.way].tried;
        }
        if (attempt.image && (!best || attempt.image->bytes.size() < best->bytes.size())) {
            best = std::move(attempt.image);
        }
    };
    using Full = GifLzwEncoder::FullTable;
    // The second tries, of the best image's way: with a table of its own, and keeping a full
    // string table.
    auto addOwnTable = [&](const Try& of) {
        Try& attempt = tries_.emplace_back(Retry(kOwnTable, of));
        attempt.global = false;
    };
    auto addFullTables = [&](const Try& of) {
        for (const auto& [way, full] :
             {std::pair{kKeepTable, Full::KeepWhileItPays}, std::pair{kHoldTable, Full::Keep}}) {
            if (!wanted(way)) continue;
            Try& attempt = tries_.emplace_back(Retry(way, of));
            attempt.full = full;
            attempt.whileFilled = true;
        }
    };

    tries_.clear();
    if (!anyUnchangedColor) {
        // Unchanged pixels drawn: the only way when there are none. Not counted as tried, but
        // its size is what the second tries below must beat.
        tries_.emplace_back(kDrawn, useGlobal_, force || anyClear).counted = false;
    } else {
        auto add = [&](Way way, bool transparency, Option option, bool limited = false) {
            if (!wanted(way)) return;
            tries_.emplace_back(way, useGlobal_, transparency, option).limited = limited;
        };
        add(kDrawn, force || anyClear, Option::Drawn);
        // Unchanged pixels transparent.
        add(kTransparent, true, Option::Transparent);
        // Each unchanged pixel whichever continues the string, leaning to either when
        // neither does (no one way wins on every image), with all colours or only those
        // below the changed pixels' code size.
        add(kEitherClear, true, Option::EitherClear);
        add(kEitherDrawn, true, Option::EitherDrawn);
        add(kEitherClearLimited, true, Option::EitherClear, true);
        add(kEitherDrawnLimited, true, Option::EitherDrawn, true);
    }
    const std::size_t firstTries = tries_.size();
    // With one way to try (most images, once the ways are counted) the second tries' settings
    // are known before it runs, as it is the only image there can be: they run beside it on
    // the other lane, and count where it wins as assumed. The full-table tries only where the
    // image before filled its table: they count only where this one does too.
    std::size_t ownTableAt = SIZE_MAX;
    std::size_t fullTablesAt = SIZE_MAX;
    if (firstTries == 1 && Parallel()) {
        const Try only = tries_.front();
        if (global_ && wanted(kOwnTable)) {
            ownTableAt = tries_.size();
            addOwnTable(only);
        }
        if (lastFilled_) {
            fullTablesAt = tries_.size();
            addFullTables(only);
        }
    }
    RunTries(area, 0, SIZE_MAX);
    for (std::size_t i = 0; i < firstTries; ++i) merge(tries_[i]);
    if (!best) return;
    const bool firstGlobal = best->global;

    // An image of few colours may do better with a small table of its own than with the
    // global table's wider codes.
    if (global_ && wanted(kOwnTable)) {
        if (ownTableAt != SIZE_MAX) {
            merge(tries_[ownTableAt]);
        } else {
            Try attempt = Retry(kOwnTable, *best);
            attempt.global = false;
            TryOption(area, attempt, lanes_[0], best->bytes.size());
            merge(attempt);
        }
    }
    // Keeping a full string table instead of clearing it wins on some images, loses on
    // others: the best way is tried each way. Kept to the end: the bench's generated terminal
    // 3.7 % smaller, a real 783-image terminal recording 0.3 %, three of the system's single
    // images 1.4-3.3 %; nothing lost elsewhere, since the smallest wins.
    if (best->tableFilled) {
        if (fullTablesAt != SIZE_MAX && best->global == firstGlobal) {
            for (std::size_t i = fullTablesAt; i < tries_.size(); ++i) merge(tries_[i]);
        } else {
            const std::size_t from = tries_.size();
            addFullTables(Retry(kWays, *best));
            RunTries(area, from, best->bytes.size());
            for (std::size_t i = from; i < tries_.size(); ++i) merge(tries_[i]);
        }
    }
    lastFilled_ = best->tableFilled;
    if (!explore) return;
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

bool GifImageEncoder::Parallel() const {
    // Below this many pixels a try takes about as long as handing it to the other thread.
    constexpr std::size_t kLanePixels = 4096;
    return jobs_.Lanes() > 1 && targets_.size() >= kLanePixels;
}

void GifImageEncoder::RunTries(const GifArea& area, std::size_t from, std::size_t beat) {
    for (std::size_t i = from; i < tries_.size(); ++i) {
        if (tries_[i].transparency) Analyse(tries_[i].global);
    }
    // Which image is kept is decided after, whatever the others give.
    const std::size_t count = tries_.size() - from;
    if (Parallel()) {
        jobs_.Run(count, [&](std::size_t i, int lane) {
            TryOption(area, tries_[from + i], lanes_[lane], beat);
        });
    } else {
        for (std::size_t i = from; i < tries_.size(); ++i) {
            TryOption(area, tries_[i], lanes_[0], beat);
        }
    }
}

void GifImageEncoder::TryOption(const GifArea& area, Try& attempt, Lane& lane,
                                std::size_t beat) const {
    const bool transparency = attempt.transparency;
    const Option option = attempt.option;
    const bool limited = attempt.limited;
    const bool useGlobal = attempt.global;
    attempt.size = SIZE_MAX;
    attempt.image.reset();
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
    lane.touched.clear();
    int next = transparency ? 1 : 0;
    int clearIndex = 0;
    std::int64_t seeThrough = -1;
    int changedMax = 0;
    if (transparency) {
        const Analysis& analysis = analysis_[useGlobal ? 1 : 0];
        if (!analysis.usable) return;  // never with at most 255 colours
        clearIndex = analysis.clearIndex;
        seeThrough = analysis.seeThrough;
        changedMax = analysis.changedMax;
    }
    lane.pixels.resize(count);
    lane.alternates.resize(count);
    const bool either = option == Option::EitherClear || option == Option::EitherDrawn;
    if (useGlobal) {
        // The changed pixels' indices need this code size; limited keeps to it.
        const int limit = either && limited
                              ? 1 << std::max(2, BitsFor(std::max({1, clearIndex, changedMax})))
                              : 256;
        bool limitHit = false;  // limited changed some pixel's index
        switch (option) {
            case Option::Drawn:
                maxIndex = MapGlobal<Option::Drawn>(lane, clearIndex, limit, limitHit);
                break;
            case Option::Transparent:
                maxIndex = MapGlobal<Option::Transparent>(lane, clearIndex, limit, limitHit);
                break;
            case Option::EitherClear:
                maxIndex = MapGlobal<Option::EitherClear>(lane, clearIndex, limit, limitHit);
                break;
            case Option::EitherDrawn:
                maxIndex = MapGlobal<Option::EitherDrawn>(lane, clearIndex, limit, limitHit);
                break;
        }
        // A limit that changed nothing gives the unlimited way's bytes, already tried.
        if (limited && !limitHit) return;
    } else if (!MapLocal(lane, option, limited, clearIndex, seeThrough, next, maxIndex)) {
        return;
    }
    if (!useGlobal) {
        tableEntries = 1 << BitsFor(std::max(next - 1, 1));
        maxIndex = std::max(maxIndex, next - 1);
    }
    if (transparency) maxIndex = std::max(maxIndex, clearIndex);
    const int codeSize = std::max(2, BitsFor(maxIndex));
    if (attempt.interlace) Interlace(area, lane);
    GifLzwEncoder::Nearness nearness{nullptr, transparency ? clearIndex : -1, nullptr,
                                     PixelWorth(tolerance_)};
    if (tolerance_ > 0) {
        if (useGlobal) {
            nearness.rows = globalNear_.data();
            nearness.colors = globalColors_.data();
        } else {
            lane.localColors.assign(transparency ? 1 : 0, 0);  // 0: the transparent one
            for (std::uint32_t id : lane.touched) {
                lane.localColors.push_back(dictionary_.colors[id]);
            }
            NearRows(lane.localColors, lane.localNear);
            nearness.rows = lane.localNear.data();
            lane.localColors.resize(256, 0);
            nearness.colors = lane.localColors.data();
        }
    }
    const GifLzwEncoder::Codes codes = lane.lzw.CompressChoosing(
        lane.pixels.data(), lane.alternates.data(), count, codeSize, attempt.full, false,
        nearness.rows != nullptr ? &nearness : nullptr);

    const std::size_t tableBytes = static_cast<std::size_t>(tableEntries) * 3;
    const std::size_t size = 10 + tableBytes + 1 + codes.size + (codes.size + 254) / 255 + 1;
    attempt.size = size;
    if (size >= beat) return;

    EncodedImage image;
    image.transparency = transparency;
    image.transparentIndex = static_cast<std::uint8_t>(clearIndex);
    image.option = static_cast<int>(option);
    image.limited = limited;
    image.tableFilled = lane.lzw.TableFilled();
    image.fullTable = static_cast<int>(attempt.full);
    image.global = useGlobal;
    image.maxIndex = maxIndex;
    std::vector<std::uint8_t>& out = image.bytes;
    out.reserve(size);
    const std::uint8_t interlaceFlag = attempt.interlace ? 0x40 : 0;
    gif_blocks::PutDescriptor(
        out, area.x0, area.y0, area.Width(), area.Height(),
        useGlobal
            ? interlaceFlag
            : static_cast<std::uint8_t>(0x80 | interlaceFlag | (BitsFor(tableEntries - 1) - 1)));
    if (!useGlobal) {
        std::vector<Colorref> table(static_cast<std::size_t>(tableEntries), 0);
        // lane.touched holds the ids in the order they were given indices.
        int index = transparency ? 1 : 0;
        for (std::uint32_t id : lane.touched)
            table[static_cast<std::size_t>(index++)] = dictionary_.colors[id];
        gif_blocks::PutColors(out, table);
    }
    out.push_back(static_cast<std::uint8_t>(codeSize));
    gif_blocks::PutSubBlocks(out, codes.data, codes.size);
    attempt.image = std::move(image);
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

void GifImageEncoder::Interlace(const GifArea& area, Lane& lane) {
    const auto w = static_cast<std::size_t>(area.Width());
    const int h = area.Height();
    lane.interlaced.resize(lane.pixels.size());
    lane.interlacedAlternates.resize(lane.alternates.size());
    std::size_t to = 0;
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < h; y += kStep[pass], to += w) {
            const std::size_t from = static_cast<std::size_t>(y) * w;
            std::copy_n(lane.pixels.begin() + static_cast<std::ptrdiff_t>(from), w,
                        lane.interlaced.begin() + static_cast<std::ptrdiff_t>(to));
            std::copy_n(lane.alternates.begin() + static_cast<std::ptrdiff_t>(from), w,
                        lane.interlacedAlternates.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
    lane.pixels.swap(lane.interlaced);
    lane.alternates.swap(lane.interlacedAlternates);
}

bool GifImageEncoder::MapLocal(Lane& lane, Option option, bool limited, int clearIndex,
                               std::int64_t seeThrough, int& nextIndex, int& maxIndex) const {
    // Through local pointers and counters, as in MapGlobal: a byte store may alias anything.
    const std::uint32_t* __restrict const targets = targets_.data();
    const std::uint8_t* __restrict const unchanged = unchanged_.data();
    std::uint8_t* __restrict const pixels = lane.pixels.data();
    std::uint8_t* __restrict const alternates = lane.alternates.data();
    std::int16_t* __restrict const localOf = lane.localOf.data();
    std::vector<std::uint32_t>& touched = lane.touched;
    int next = nextIndex;
    int most = maxIndex;
    auto indexOf = [&](std::uint32_t t) -> int {
        if (t == 0) return clearIndex;
        std::int16_t& local = localOf[t - 1];
        if (local < 0) {
            local = static_cast<std::int16_t>(next++);
            touched.push_back(t - 1);
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
            if (unchanged[i] == 0) needed = std::max(needed, indexOf(targets[i]));
        }
        if (limited) limit = 1 << std::max(2, BitsFor(needed));
    }
    // An unchanged pixel's colour index, or the transparent one when that is beyond the
    // limit.
    bool limitHit = false;  // limited changed some pixel's index
    auto keptIndexOf = [&](std::uint32_t t) -> int {
        if (t == 0 || t - 1 == seeThrough) return clearIndex;
        if (localOf[t - 1] < 0 && next >= limit) {
            limitHit = true;
            return clearIndex;
        }
        return indexOf(t);
    };
    bool overflow = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t t = targets[i];
        const bool keep = unchanged[i] != 0;
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
        pixels[i] = static_cast<std::uint8_t>(primary);
        alternates[i] = static_cast<std::uint8_t>(alternate);
        most = std::max({most, primary, alternate});
    }
    for (std::uint32_t id : touched) localOf[id] = -1;
    nextIndex = next;
    maxIndex = most;
    return !overflow && (!limited || limitHit);
}

template <GifImageEncoder::Option kOption>
int GifImageEncoder::MapGlobal(Lane& lane, int clearIndex, int limit, bool& limitHit) const {
    const std::size_t count = targets_.size();
    // Through local pointers: a byte store may alias anything, so the vectors' own pointers
    // would be loaded again for every pixel, and the loop could not be vectorised.
    const std::uint16_t* __restrict const globalOf = globalOf_.data();
    const std::uint8_t* __restrict const unchanged = unchanged_.data();
    std::uint8_t* __restrict const pixels = lane.pixels.data();
    std::uint8_t* __restrict const alternates = lane.alternates.data();
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

const GifImageEncoder::Analysis& GifImageEncoder::Analyse(bool global) {
    Analysis& analysis = analysis_[global ? 1 : 0];
    bool& done = analysed_[global ? 1 : 0];
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
            if (global) {
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
        const bool fits = !global || globalIndex_[id] < range;
        if (changedColor_[id] == 0 && fits && keptCount_[id] > most) {
            most = keptCount_[id];
            seeThrough = id;
        }
        keptCount_[id] = 0;
        changedColor_[id] = 0;
    }
    counted_.clear();
    if (global) {
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
