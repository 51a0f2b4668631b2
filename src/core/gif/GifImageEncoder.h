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

namespace vorla::optimizer {

class GifImageEncoder {
public:
    // allowGlobal false: local tables only, even where all colours would fit one table.
    // tolerance: the lossy share of the LZW strings (see LossyTolerance), 0 lossless.
    // singleImage: the file has one image (which may then be interlaced).
    GifImageEncoder(const ColorDictionary& dictionary, int screenWidth, bool allowGlobal,
                    int tolerance, bool singleImage);

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

    // all: every way, else those that win (WayRecord); explore: the results are counted.
    void TryWays(const GifArea& area, bool force, bool anyClear, bool anyUnchangedColor, bool all,
                 bool explore, std::optional<EncodedImage>& best);
    // limited: an unchanged pixel whose colour's index lies above what the changed pixels need
    // stays transparent, so that the image keeps the code size of its changed pixels.
    void TryOption(const GifArea& area, bool transparency, Option option,
                   std::optional<EncodedImage>& best,
                   GifLzwEncoder::FullTable full = GifLzwEncoder::FullTable::Clear,
                   bool limited = false);
    // rows[i] bit j: colours[i] and colours[j] differ by at most tolerance_ in every channel.
    // 256 rows whatever the count, so that any index reads a row.
    void NearRows(const std::vector<Colorref>& colors,
                  std::vector<std::array<std::uint64_t, 4>>& rows) const;
    // Reorders the rows of pixels_ and alternates_ (area's size) into the interlaced order:
    // every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    void Interlace(const GifArea& area);
    // The indices of the image's pixels with a local table of the colours it draws, given out in
    // the order the pixels need them (after the transparent index 0 when there is one). False
    // when they do not fit one table, or when limited changes nothing (see TryOption).
    bool MapLocal(Option option, bool limited, int clearIndex, std::int64_t seeThrough, int& next,
                  int& maxIndex);
    // The same with the global table, from globalOf_.
    template <Option kOption>
    int MapGlobal(int clearIndex, int limit, bool& limitHit);
    // How an image with a transparent index chooses it (see TryOption): the same for every way
    // of one image, so worked out once per image and table kind.
    struct Analysis {
        bool usable = true;
        int clearIndex = 0;
        std::int64_t seeThrough = -1;  // colour id; -1 none
        int changedMax = 0;            // the highest global index a changed pixel needs
    };
    const Analysis& Analyse();

    const ColorDictionary& dictionary_;
    const int width_;
    const int tolerance_;
    const bool singleImage_;
    bool global_ = false;                    // the file has a global table
    bool useGlobal_ = false;                 // the image being compressed uses it
    bool interlace_ = false;                 // TryOption stores the rows interlaced
    std::vector<std::uint8_t> globalIndex_;  // colour id -> global table index (0..254)
    std::vector<std::uint32_t> globalOrder_;
    std::vector<std::int16_t> localOf_;  // colour id -> local index; -1 between images
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint32_t> keptCount_;    // colour id -> unchanged pixels; 0 between images
    std::vector<std::uint8_t> changedColor_;  // colour id -> a changed pixel shows it
    std::vector<std::uint32_t> counted_;      // the ids those two count
    static constexpr std::uint16_t kNoIndex = 256;  // globalOf_: a transparent pixel
    std::vector<std::uint16_t> globalOf_;  // per pixel of the image: global index or kNoIndex
    Analysis analysis_[2];                 // local, global
    bool analysed_[2] = {false, false};
    std::vector<std::uint32_t> targets_;
    std::vector<std::uint8_t> unchanged_;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> alternates_;
    std::vector<std::array<std::uint64_t, 4>> globalNear_;  // NearRows of the global table
    std::vector<std::array<std::uint64_t, 4>> localNear_;   // of the image being compressed
    std::vector<Colorref> globalColors_;    // the colours of the global table, 256 entries
    std::vector<Colorref> localColors_;     // of the image's own table
    std::vector<std::uint8_t> interlaced_;  // Interlace's buffers, swapped with the two above
    std::vector<std::uint8_t> interlacedAlternates_;
    std::array<WayRecord, kWays> ways_{};
    std::uint64_t exploredBytes_ = 0;  // the winners' bytes on explored images
    std::uint32_t encodes_ = 0;        // Encode calls that were not look-ahead estimates
    std::size_t lastSize_ = SIZE_MAX;  // the size TryOption's last image had; SIZE_MAX none
    GifLzwEncoder lzw_;
};

}  // namespace vorla::optimizer
