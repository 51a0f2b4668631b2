// The LZW stage of the GIF reader: turns one image's compressed sub-blocks into palette indices
// in the order they are stored (interlace passes are the caller's business).
//
// Code semantics follow the classic line-by-line reader exactly: a code at or above the next free
// code repeats the first index of the previous string and continues with the old code, tables
// grow to 4096 entries, a clear code resets them. Valid data is decoded by copying every string
// from where it was first written (each table string is a string already in the output), so the
// cost is one pass over the pixels. Once a code points beyond the next free code, later strings
// may change as the table fills, so the rest of that table generation is decoded by walking the
// prefix chains, as the classic reader does, with a bound that catches circular chains.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorla {

class GifLzw {
public:
    // Minimum code sizes accepted. 0 leaves no room for a literal beside clear and end codes; 12
    // and above make the clear code itself 4096 or more, beyond the 12-bit table.
    static constexpr int kMinCodeSize = 1;
    static constexpr int kMaxCodeSize = 11;
    // Slack the pixel buffer needs behind capacity: strings are copied 8 bytes at a time.
    static constexpr std::size_t kSlack = 8;

    enum class Finish {
        Skip,         // no pixels wanted: read codes until the end code or the data run out
        StopAtFull,   // stop once capacity pixels are written, after one further read
        DrainAtFull,  // write capacity pixels, then read on as Skip does
    };

    enum class End {
        EndCode,    // the end code (or a clear code followed by it)
        DataEnded,  // the sub-blocks ran out before the next code was complete
        Corrupt,    // circular chain, or a code after a clear that names no string
        Full,       // StopAtFull only: capacity reached, the one further read came back with data
    };

    struct Outcome {
        End end = End::DataEnded;
        std::size_t pixels = 0;      // indices written (never above capacity)
        std::size_t stopOffset = 0;  // where block parsing goes on
        bool missingEod = false;     // the end code was followed by more non-empty sub-blocks
        bool extraData = false;      // StopAtFull: more indices followed the last pixel
        bool circular = false;       // End::Corrupt came from a circular or endless chain
        // A code past the next free table entry came while pixels were still wanted: the data
        // is invalid, whatever the classic reading below makes of it.
        bool pastTable = false;
    };

    GifLzw();

    // bytes: the whole stream; dataOffset: the first sub-block length byte behind the minimum
    // code size. pixels must hold capacity + kSlack bytes (nullptr with Finish::Skip).
    // minCodeSize must lie in kMinCodeSize..kMaxCodeSize.
    Outcome Run(std::span<const std::uint8_t> bytes, std::size_t dataOffset, int minCodeSize,
                std::uint8_t* pixels, std::size_t capacity, Finish finish);

    // Offset behind the terminator of the sub-block chain at dataOffset (or the end of bytes).
    static std::size_t SkipSubBlocks(std::span<const std::uint8_t> bytes, std::size_t dataOffset);

private:
    enum class Step { Emitted, EndCode, DataEnded, Corrupt };

    void Gather(std::span<const std::uint8_t> bytes, std::size_t dataOffset);
    void Reset();
    int NextCode();
    template <bool kEmit>
    Step Advance();
    Step Chase(int code, bool emit);
    void Put(const std::uint8_t* src, std::size_t length);
    std::size_t OffsetAfterBit(std::span<const std::uint8_t> bytes, std::size_t dataOffset,
                               std::uint64_t bit) const;

    // Tables of the current code generation. prefix/suffix as the classic reader keeps them;
    // first_, length_ and origin_ serve the copy-from-output path.
    std::array<std::uint16_t, 4096> prefix_{};
    std::array<std::uint8_t, 4096> suffix_{};  // low 8 bits: pixels are bytes
    std::array<std::uint8_t, 4096> first_{};
    std::array<std::uint16_t, 4096> length_{};
    std::array<std::uint32_t, 4096> origin_{};  // pixel offset where the string was written
    std::vector<std::uint8_t> stack_;           // one chain, last index first

    std::vector<std::uint8_t> data_;  // the sub-blocks joined, plus 8 zero bytes
    std::uint64_t bitCount_ = 0;      // bits of data_ that came from the stream
    std::uint64_t bit_ = 0;           // bits consumed
    std::size_t dataEnd_ = 0;         // offset behind the terminator, or the end of the stream

    int minCodeSize_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int width_ = 0;
    int limit_ = 0;     // 2^width_: the width grows when nextFree_ reaches it
    int nextFree_ = 0;  // 4096: table full
    int oldCode_ = 0;
    std::uint8_t firstIndex_ = 0;  // first index of the string last decoded
    bool afterClear_ = true;       // the next code starts a generation and must be a literal
    bool chained_ = false;         // a code pointed past nextFree_: decode by chains
    bool pastTable_ = false;       // such a code came before capacity was reached
    std::uint64_t chainBudget_ = 0;

    std::uint8_t* out_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t written_ = 0;
    std::size_t oldOrigin_ = 0;  // where the old code's string starts in the output
    std::size_t oldLength_ = 0;
    bool truncated_ = false;  // the last string did not fit behind capacity
};

}  // namespace vorla
