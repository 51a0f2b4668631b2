// One image of the optimising writer (GifOptimizer.h) compressed every way that fits, the
// shortest kept: unchanged pixels drawn, transparent or either one pixel by pixel, with the
// global table or a table of the image's own, a full string table cleared or kept, at a lossy
// level strings through close colours. Which ways win is counted, so that on long animations only
// the ways that win are tried (WayRecord).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/gif/GifLzwEncoder.h"
#include "core/gif/GifOptimizerParts.h"
#include "core/gif/JobLanes.h"

namespace vorla::optimizer {

class GifImageEncoder {
public:
    // allowGlobal false: local tables only, even where all colours would fit one table.
    // tolerance: the lossy share of the LZW strings (see LossyTolerance), 0 lossless.
    // singleImage: the file has one image (which may then be interlaced). twoLanes: ways of
    // one image may be compressed on two threads at once (the bytes are the same either way).
    GifImageEncoder(const ColorDictionary& dictionary, int screenWidth, bool allowGlobal,
                    int tolerance, bool singleImage, bool twoLanes);

    // The image that turns shown into target over area, compressed every way that fits (see
    // TryWays), the shortest kept. force: the image must carry a transparent index. Empty when
    // no way fits one colour table.
    std::optional<EncodedImage> Encode(const Screen& shown, const Screen& target,
                                       const GifArea& wanted, bool force);
    // The bytes of that image, estimated for the look-ahead: one way (the one that usually wins)
    // over a sample of the rows.
    std::optional<std::size_t> EstimateBytes(const Screen& shown, const Screen& target,
                                             const GifArea& wanted);

    // Whether the file has a global table, and its colour ids in table order.
    bool Global() const { return global_; }
    const std::vector<std::uint32_t>& GlobalOrder() const { return globalOrder_; }

private:
    struct Prepared {
        GifArea area;  // the rows taken, as one area from the first
        bool anyClear = false;
        bool anyUnchangedColor = false;
    };
    // Fills targets_, unchanged_ (and globalOf_) with every rowStep-th row of area.
    Prepared Prepare(const Screen& shown, const Screen& target, const GifArea& area, int rowStep);

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
        kHoldTable,
        kWays
    };

    // What one try of a way writes while another may run beside it: per lane of lanes_.
    struct Lane {
        std::vector<std::uint8_t> pixels;
        std::vector<std::uint8_t> alternates;
        std::vector<std::uint8_t> interlaced;  // Interlace's buffers, swapped with the two above
        std::vector<std::uint8_t> interlacedAlternates;
        std::vector<std::int16_t> localOf;  // colour id -> local index; -1 between images
        std::vector<std::uint32_t> touched;
        std::vector<Colorref> localColors;                    // the image's own table
        std::vector<std::array<std::uint64_t, 4>> localNear;  // NearRows of it
        GifLzwEncoder lzw;
    };
    // One way of compressing the prepared image, and what it gave.
    struct Try {
        Try(Way w, bool useGlobal, bool transparent, Option o = Option::Drawn)
            : way(w), global(useGlobal), transparency(transparent), option(o) {}
        Way way;              // kWays: none of ways_
        bool counted = true;  // counted in ways_ as tried where explored
        bool global;
        bool transparency;
        Option option;
        GifLzwEncoder::FullTable full = GifLzwEncoder::FullTable::Clear;
        // An unchanged pixel whose colour's index lies above what the changed pixels need stays
        // transparent, so that the image keeps the code size of its changed pixels.
        bool limited = false;
        bool interlace = false;  // the rows stored interlaced
        // Merged only while the best so far filled its string table (the full-table tries).
        bool whileFilled = false;
        std::size_t size = SIZE_MAX;  // the image's bytes; SIZE_MAX where the way does not fit
        std::optional<EncodedImage> image;  // made only where smaller than TryOption's beat
    };
    // A try of the way that made best, or of another try's way, to be given other settings.
    static Try Retry(Way way, const EncodedImage& best);
    static Try Retry(Way way, const Try& of);

    // all: every way, else those that win (WayRecord); explore: the results are counted.
    void TryWays(const GifArea& area, bool force, bool anyClear, bool anyUnchangedColor, bool all,
                 bool explore, std::optional<EncodedImage>& best);
    // Whether tries of the prepared image run on both lanes: with a second thread, and where
    // the image is large enough to be worth handing over.
    bool Parallel() const;
    // Runs tries_ from from on (on both lanes where Parallel), each making its image where it
    // is smaller than beat bytes. TryWays then merges them in the order they would have run one
    // by one, so the bytes do not depend on the lanes.
    void RunTries(const GifArea& area, std::size_t from, std::size_t beat);
    // Compresses the prepared image one way in lane, making the image where it is smaller
    // than beat bytes.
    void TryOption(const GifArea& area, Try& attempt, Lane& lane, std::size_t beat) const;
    // rows[i] bit j: colours[i] and colours[j] differ by at most tolerance_ in every channel.
    // 256 rows whatever the count, so that any index reads a row.
    void NearRows(const std::vector<Colorref>& colors,
                  std::vector<std::array<std::uint64_t, 4>>& rows) const;
    // Reorders the rows of the lane's pixels and alternates (area's size) into the interlaced
    // order: every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    static void Interlace(const GifArea& area, Lane& lane);
    // The indices of the image's pixels with a local table of the colours it draws, given out in
    // the order the pixels need them (after the transparent index 0 when there is one). False
    // when they do not fit one table, or when limited changes nothing (see TryOption).
    bool MapLocal(Lane& lane, Option option, bool limited, int clearIndex, std::int64_t seeThrough,
                  int& nextIndex, int& maxIndex) const;
    // The same with the global table, from globalOf_.
    template <Option kOption>
    int MapGlobal(Lane& lane, int clearIndex, int limit, bool& limitHit) const;
    // How an image with a transparent index chooses it (see TryOption): the same for every way
    // of one image, so worked out once per image and table kind.
    struct Analysis {
        bool usable = true;
        int clearIndex = 0;
        std::int64_t seeThrough = -1;  // colour id; -1 none
        int changedMax = 0;            // the highest global index a changed pixel needs
    };
    // Worked out before the tries run, so that TryOption only reads it.
    const Analysis& Analyse(bool global);

    const ColorDictionary& dictionary_;
    const int width_;
    const int tolerance_;
    const bool singleImage_;
    bool global_ = false;                    // the file has a global table
    bool useGlobal_ = false;                 // the images being compressed use it
    std::vector<std::uint8_t> globalIndex_;  // colour id -> global table index (0..254)
    std::vector<std::uint32_t> globalOrder_;
    std::vector<std::uint32_t> keptCount_;    // colour id -> unchanged pixels; 0 between images
    std::vector<std::uint8_t> changedColor_;  // colour id -> a changed pixel shows it
    std::vector<std::uint32_t> counted_;      // the ids those two count
    static constexpr std::uint16_t kNoIndex = 256;  // globalOf_: a transparent pixel
    std::vector<std::uint16_t> globalOf_;  // per pixel of the image: global index or kNoIndex
    Analysis analysis_[2];                 // local, global
    bool analysed_[2] = {false, false};
    std::vector<std::uint32_t> targets_;
    std::vector<std::uint8_t> unchanged_;
    std::vector<std::array<std::uint64_t, 4>> globalNear_;  // NearRows of the global table
    std::vector<Colorref> globalColors_;  // the colours of the global table, 256 entries
    std::array<WayRecord, kWays> ways_{};
    std::uint64_t exploredBytes_ = 0;  // the winners' bytes on explored images
    std::uint32_t encodes_ = 0;        // Encode calls that were not look-ahead estimates
    std::vector<Try> tries_;           // the tries RunTries runs
    bool lastFilled_ = false;          // the last image TryWays kept filled its string table
    Lane lanes_[2];
    JobLanes jobs_;  // last: its thread may use the lanes until it is joined
};

}  // namespace vorla::optimizer
