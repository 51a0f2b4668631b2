// The LZW stage of the GIF writer: palette indices in, the variable-width code stream out (least
// significant bit first, no sub-block framing).
//
// The output is that of the classic compressor with its open-addressed hash of 5003 slots (a
// prime above 4096): first probe (pixel << 4) XOR prefix, secondary step 5003 - slot (1 from slot
// 0), keys (pixel << 12) + prefix, and a secondary probe stops at the first slot that is empty or
// holds key 0. When the table holds 4096 codes the next unmatched string writes its prefix and
// then a clear code, and the code width returns to the initial width.
//
// Why a table of the encoder's own gives the same codes: the codes follow from greedy longest
// match, codes given out in order and the clear at 4096, whatever structure answers "is prefix +
// pixel in the table" - as long as that answer is the true one. The classic hash answers falsely in
// exactly one case: a secondary probe reaching a slot that holds key 0 (pixel 0 after code 0) stops
// there, so the new key stored there overwrites key 0, which the hash then no longer finds. Any
// other key, once stored, is always found: the slots its probe passed were neither empty nor key 0
// and stay so. The secondary probes from slot s visit k * s mod 5003 (k = 2, 3, ...) and from slot
// 0 visit 5002, 5001, ...; with at most 4090 keys they meet an empty slot long before coming back
// to slot 0. So key 0 is harmless while it sits in its first-probe slot 0, and it lands elsewhere
// only when slot 0 already holds another key whose first probe is slot 0 (prefix == pixel << 4).
// Until that happens the encoder's own table (exact: one entry per pair prefix, pixel) answers like
// the classic one. From that point to the next clear the encoder also keeps the classic slots,
// rebuilt from the codes given so far (inserted in order, every one lands where the classic
// compressor put it): each new code probes for its slot, and when that slot is key 0's, the pair
// 0 0 leaves the encoder's table too. Lookups stay one load per pixel; only new codes probe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorla {

class GifLzwEncoder {
public:
    static constexpr int kMaxBits = 12;
    static constexpr int kCodeLimit = 1 << kMaxBits;  // 4096 codes
    static constexpr int kHashSize = 5003;

    // Compresses rowCount rows of width stored values each, in that order, writing the index
    // map[v] for each stored value v (below 2^minCodeSize for every v that occurs; minCodeSize
    // 2..8), and returns the code bytes; the returned view stays valid until the next call. No
    // pixels write a clear code and the end code only.
    struct Codes {
        const std::uint8_t* data;
        std::size_t size;
    };
    Codes Compress(const std::uint8_t* const* rows, std::size_t rowCount, std::size_t width,
                   const std::uint8_t* map, int minCodeSize);
    // The same for count indices in one run, written as they are.
    Codes Compress(const std::uint8_t* pixels, std::size_t count, int minCodeSize);

    // For images where some pixels may take either of two indices (alternates[i] differs from
    // pixels[i]; both below 2^minCodeSize), as the optimising writer's unchanged pixels may show
    // their colour or the transparent index. Each code is the longest string the table holds
    // through any choice of the pixels' indices (a depth-first walk of the table, see Longest);
    // a string's first pixel takes the index from which the table reaches further. Codes given
    // out in order and a clear at 4096, as Compress, but without the classic hash's lapse: these
    // codes are not meant to equal any other compressor's. Where no pixel has a choice they are
    // plain greedy LZW.
    // full: what happens when the table holds kCodeLimit codes (FullTable).
    // leadingClear: the stream opens with a clear code, which readers do not need (their table
    // starts fresh) but which the classic writer emits.
    //
    // near (lossy compression): near->rows[i] holds bit j when index j shows a colour close
    // enough to index i's to stand for it. A string may then also run through a pixel by any
    // index close to one of its two, except the transparent index (near->transparent, -1 none),
    // which neither stands for a colour nor is stood for. The exact indices are followed first.
    //
    // Among the strings the walk finds, the one kept gains the most length for its error: a
    // string of n more pixels than another is worth near->pixelWorth * n of squared error
    // (summed over red, green and blue from near->colors, 0x00BBGGRR per index), so that
    // a close colour is taken where it lengthens a string by much and left where it gains a
    // pixel or two.
    struct Nearness {
        const std::array<std::uint64_t, 4>* rows;  // 256 rows of 256 bits
        int transparent;
        const std::uint32_t* colors;  // 256 entries
        std::uint32_t pixelWorth;
    };
    // When the table is full: Clear it (the classic way); KeepWhileItPays: keep it (no new
    // codes) for as long as the bits per pixel since the last clear do not grow, checked every
    // 4096 pixels, and clear when they do; Keep: keep it to the end of the image (screen text and
    // other repeating content, whose strings stay good while the ratio wavers).
    enum class FullTable { Clear, KeepWhileItPays, Keep };
    Codes CompressChoosing(const std::uint8_t* pixels, const std::uint8_t* alternates,
                           std::size_t count, int minCodeSize, FullTable full = FullTable::Clear,
                           bool leadingClear = true, const Nearness* near = nullptr);

    // Whether the string table of the last CompressChoosing call reached kCodeLimit codes (so
    // that clearing or keeping it could matter).
    bool TableFilled() const { return tableFilled_; }

    // How many table lives of the last Compress call kept the classic hash's slots (see above).
    int HashedLives() const { return hashedLives_; }

private:
    // The longest string for CompressChoosing: see the definition. At most kSearchBudget
    // branches are followed per string (a bound on the work when long runs of pixels could each
    // take either index); the walk stack holds them.
    static constexpr int kSearchBudget = 64;
    struct Branch {
        std::size_t at;       // the pixel the branch goes on with
        std::uint32_t node;   // the code of the string so far
        std::uint32_t error;  // lossy: the squared error of the string so far
    };
    // The squared colour error of showing index b for a pixel of indices c and a (the one of
    // them that is not transparent).
    std::uint32_t ErrorOf(std::uint32_t c, std::uint32_t a, std::uint32_t b) const {
        const std::uint32_t t = static_cast<std::uint32_t>(near_->transparent);
        const std::uint32_t x = near_->colors[c != t ? c : a];
        const std::uint32_t y = near_->colors[b];
        std::uint32_t sum = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = static_cast<int>(x >> shift & 0xFF) - static_cast<int>(y >> shift & 0xFF);
            sum += static_cast<std::uint32_t>(d * d);
        }
        return sum;
    }
    // kLossy: near_ is set (the lossless walk is kept apart so that its state fits the
    // registers).
    template <bool kLossy>
    std::uint32_t Longest(const std::uint8_t* pixels, const std::uint8_t* alternates,
                          std::size_t count, std::size_t from, std::uint32_t code,
                          std::size_t& end);
    std::uint32_t Longest(const std::uint8_t* pixels, const std::uint8_t* alternates,
                          std::size_t count, std::size_t from, std::uint32_t code,
                          std::size_t& end) {
        return near_ != nullptr ? Longest<true>(pixels, alternates, count, from, code, end)
                                : Longest<false>(pixels, alternates, count, from, code, end);
    }
    // Whether index b may stand for a pixel of indices c and a under near_.
    bool Near(std::uint32_t c, std::uint32_t a, std::uint32_t b) const {
        const auto t = static_cast<std::uint32_t>(near_->transparent);
        if (b == t) return false;
        const auto in = [&](std::uint32_t row) {
            return row != t && (near_->rows[row][b >> 6] >> (b & 63) & 1) != 0;
        };
        return in(c) || (a != c && in(a));
    }
    const Nearness* near_ = nullptr;  // during a lossy CompressChoosing
    // The table as a tree, kept during a lossy CompressChoosing: the first of a code's
    // extensions and the next extension of the same prefix; 0 ends a list (no code below 6
    // extends anything).
    std::array<std::uint16_t, kCodeLimit> firstChild_{};
    std::array<std::uint16_t, kCodeLimit> sibling_{};
    std::array<Branch, kSearchBudget + 1> search_{};
    // Longest notes in sawWatch_ whether its walk passed through the string watch_.
    static constexpr std::uint32_t kNoCode = 0xFFFFFFFF;
    std::uint32_t watch_ = kNoCode;
    bool sawWatch_ = false;

    // The code writer's state.
    struct Stream {
        std::uint8_t* out;
        std::size_t written;
        std::uint64_t acc;  // pending bits, least significant first; at most 31 between codes
        int pending;
        int bits;
        int maxCode;
        int nextFree;
        int initialBits;
        bool clearPending;
    };

    // A stream for count pixels at minCodeSize, writing into out_; the table ready.
    Stream Begin(std::size_t count, int minCodeSize);
    static void Emit(Stream& s, std::uint32_t code);
    static Codes Finish(Stream& s, int endCode);
    // The classic probe: the slot holding key, or the slot where the search stopped.
    int Probe(std::uint32_t key, bool& found) const;
    // Fills the classic slots with the codes given in this table life, in order.
    void RebuildSlots(int firstCode, int nextFree);
    // The classic slot for a new key, whose code is stored there. Returns false when that slot
    // held key 0, which the classic hash thereby forgets.
    bool StoreClassic(std::uint32_t key, int code);
    // Empties the string table entries of the codes firstCode..end - 1.
    void ForgetStrings(int firstCode, int end);
    // Allocates the direct table on first use.
    void EnsureTable();

    // One slot: the code above the 20-bit key, (code << 20) | key, so that a hit costs one load.
    // kEmpty cannot be a stored entry: its key would need prefix 4095, and no code lies above.
    static constexpr std::uint32_t kKeyMask = 0xFFFFF;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    std::array<std::uint32_t, kHashSize> slots_{};

    // The encoder's own string table: direct_[key] is the code of the pair with the classic key
    // (pixel << 12) | prefix, 0 for none (no string code is below 6). Laid out pixel first, the
    // entries of one pixel after all prefixes lie together, and prefixes given out close in time
    // are close in number: the pixels of an image region, usually few, keep their lookups in a
    // few neighbouring cache lines, which a prefix-first layout spreads over the whole table.
    // 2 MiB of which an image touches only the part of the pixels it has (256 KiB per 32 pixel
    // values); all 0 between calls, a clear empties only what this table life gave out. given_
    // holds the key of each code, for the clear and for rebuilding the classic hash.
    struct FreeDeleter {
        void operator()(std::uint16_t* p) const;
    };
    std::unique_ptr<std::uint16_t[], FreeDeleter> direct_;
    std::array<std::uint32_t, kCodeLimit> given_{};
    int hashedLives_ = 0;
    bool tableFilled_ = false;
    std::vector<std::uint8_t> out_;  // reused between images; only grows
};

}  // namespace vorla
