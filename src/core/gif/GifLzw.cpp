#include "core/gif/GifLzw.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vorla {

namespace {

constexpr int kTableSize = 4096;  // 12-bit codes
// A chain longer than the table has a cycle in it.
constexpr int kMaxChain = kTableSize;
// Chain steps allowed for one image once decoding has fallen back to prefix chains. Pixel output
// bounds the steps of a wanted image; a skipped image has no such bound, so a hostile stream
// could otherwise spend minutes here. Real data never falls back at all.
constexpr std::uint64_t kChainBudget = std::uint64_t{1} << 26;

std::uint64_t LoadLittle64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

}  // namespace

GifLzw::GifLzw() {
    stack_.reserve(kMaxChain + 2);
}

std::size_t GifLzw::SkipSubBlocks(std::span<const std::uint8_t> bytes, std::size_t dataOffset) {
    std::size_t p = dataOffset;
    while (p < bytes.size()) {
        std::size_t length = bytes[p];
        if (length == 0) return p + 1;
        p += 1 + length;
    }
    return bytes.size();
}

void GifLzw::Gather(std::span<const std::uint8_t> bytes, std::size_t dataOffset) {
    data_.clear();
    std::size_t p = dataOffset;
    dataEnd_ = bytes.size();
    while (p < bytes.size()) {
        std::size_t length = bytes[p];
        if (length == 0) {
            dataEnd_ = p + 1;
            break;
        }
        // A sub-block cut short by the end of the stream still gives the bytes it has.
        std::size_t present = std::min(length, bytes.size() - p - 1);
        data_.insert(data_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(p + 1),
                     bytes.begin() + static_cast<std::ptrdiff_t>(p + 1 + present));
        p += 1 + length;
    }
    bitCount_ = std::uint64_t{data_.size()} * 8;
    data_.insert(data_.end(), 8, 0);  // NextCode loads 8 bytes at a time
}

std::size_t GifLzw::OffsetAfterBit(std::span<const std::uint8_t> bytes, std::size_t dataOffset,
                                   std::uint64_t bit) const {
    // The classic bit reader holds whole sub-blocks and fetches the next one as soon as a code
    // ends on the last bit of the current one, so it stands behind the block holding `bit`.
    std::uint64_t seen = 0;
    std::size_t p = dataOffset;
    while (p < bytes.size()) {
        std::size_t length = bytes[p];
        if (length == 0) break;
        seen += std::uint64_t{length} * 8;
        p += 1 + length;
        if (seen > bit) return std::min(p, bytes.size());
    }
    return dataEnd_;
}

void GifLzw::Reset() {
    width_ = minCodeSize_ + 1;
    limit_ = 2 * clearCode_;
    nextFree_ = clearCode_ + 2;
    afterClear_ = true;
    chained_ = false;
    // Undefined entries read as prefix 0, suffix 0, which a corrupt chain may reach.
    std::fill(prefix_.begin(), prefix_.end(), std::uint16_t{0});
    std::fill(suffix_.begin(), suffix_.end(), std::uint8_t{0});
    for (int i = 0; i < clearCode_; ++i) {
        suffix_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        first_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        length_[static_cast<std::size_t>(i)] = 1;
    }
}

int GifLzw::NextCode() {
    if (bit_ + static_cast<std::uint64_t>(width_) > bitCount_) return -1;
    std::uint64_t v = LoadLittle64(data_.data() + (bit_ >> 3)) >> (bit_ & 7);
    bit_ += static_cast<std::uint64_t>(width_);
    return static_cast<int>(v & ((std::uint64_t{1} << width_) - 1));
}

void GifLzw::Put(const std::uint8_t* src, std::size_t length) {
    std::uint8_t* dst = out_ + written_;
    std::size_t room = capacity_ - written_;
    if (length <= room) {
        // src + length <= dst always holds (a string is copied from earlier output), so the
        // bytes that matter are never overwritten; the copy may run up to 7 bytes past the
        // string, into output not yet written or the slack behind capacity.
        for (std::size_t i = 0; i < length; i += 8) {
            std::uint64_t v;
            std::memcpy(&v, src + i, 8);
            std::memcpy(dst + i, &v, 8);
        }
        written_ += length;
    } else {
        std::memmove(dst, src, room);
        written_ = capacity_;
        truncated_ = true;
    }
}

GifLzw::Step GifLzw::Chase(int code, bool emit) {
    const int incoming = code;
    stack_.clear();
    if (code >= nextFree_) {
        stack_.push_back(firstIndex_);
        code = oldCode_;
    }
    int steps = 0;
    while (code >= clearCode_) {
        const auto at = static_cast<std::size_t>(code);
        stack_.push_back(suffix_[at]);
        if (prefix_[at] == code || ++steps > kMaxChain) return Step::Corrupt;
        code = prefix_[at];
    }
    if (static_cast<std::uint64_t>(steps) > chainBudget_) return Step::Corrupt;
    chainBudget_ -= static_cast<std::uint64_t>(steps);
    firstIndex_ = suffix_[static_cast<std::size_t>(code)];
    stack_.push_back(firstIndex_);
    if (nextFree_ < kTableSize) {
        const auto at = static_cast<std::size_t>(nextFree_);
        prefix_[at] = static_cast<std::uint16_t>(oldCode_);
        suffix_[at] = firstIndex_;
        if (++nextFree_ >= limit_ && limit_ < kTableSize) {
            limit_ *= 2;
            ++width_;
        }
    }
    oldCode_ = incoming;
    if (emit) {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
            if (written_ == capacity_) {
                truncated_ = true;
                break;
            }
            out_[written_++] = *it;
        }
    }
    return Step::Emitted;
}

template <bool kEmit>
GifLzw::Step GifLzw::Advance() {
    int code = NextCode();
    // A clear code is never a pixel: however many follow each other, the generation starts
    // with the first code that is not one.
    while (code == clearCode_) {
        Reset();
        code = NextCode();
    }
    if (code < 0) return Step::DataEnded;
    if (code == endCode_) return Step::EndCode;
    if (afterClear_) {
        // Only a literal can open a generation; any other code names no string yet.
        if (code > clearCode_) return Step::Corrupt;
        afterClear_ = false;
        // Only with minimum code size 1 is the table already at 2^width here (next free 4): the
        // next code may be 4 and needs 3 bits, as other readers and writers agree.
        if (nextFree_ >= limit_) {
            limit_ *= 2;
            ++width_;
        }
        oldCode_ = code;
        firstIndex_ = static_cast<std::uint8_t>(code);
        oldOrigin_ = written_;
        oldLength_ = 1;
        if constexpr (kEmit) {
            if (written_ == capacity_) {
                truncated_ = true;
            } else {
                out_[written_++] = firstIndex_;
            }
        }
        return Step::Emitted;
    }
    if (code > nextFree_) {
        chained_ = true;
        if constexpr (kEmit) pastTable_ = pastTable_ || written_ < capacity_;
    }
    if (chained_) return Chase(code, kEmit);

    const std::size_t start = written_;
    std::uint8_t first;
    std::size_t length;
    if (code < clearCode_) {
        first = static_cast<std::uint8_t>(code);
        length = 1;
        if constexpr (kEmit) {
            if (written_ == capacity_) {
                truncated_ = true;
            } else {
                out_[written_++] = first;
            }
        }
    } else if (code < nextFree_) {
        const auto at = static_cast<std::size_t>(code);
        first = first_[at];
        length = length_[at];
        if constexpr (kEmit) Put(out_ + origin_[at], length);
    } else {
        // The code being defined right now: the old string and its own first index.
        first = firstIndex_;
        length = oldLength_ + 1;
        if constexpr (kEmit) {
            Put(out_ + oldOrigin_, oldLength_);
            if (written_ == capacity_) {
                truncated_ = true;
            } else {
                out_[written_++] = firstIndex_;
            }
        }
    }
    if (nextFree_ < kTableSize) {
        const auto at = static_cast<std::size_t>(nextFree_);
        prefix_[at] = static_cast<std::uint16_t>(oldCode_);
        suffix_[at] = first;
        first_[at] = firstIndex_;
        length_[at] = static_cast<std::uint16_t>(oldLength_ + 1);
        origin_[at] = static_cast<std::uint32_t>(oldOrigin_);
        if (++nextFree_ >= limit_ && limit_ < kTableSize) {
            limit_ *= 2;
            ++width_;
        }
    }
    oldCode_ = code;
    firstIndex_ = first;
    oldOrigin_ = start;
    oldLength_ = length;
    return Step::Emitted;
}

GifLzw::Outcome GifLzw::Run(std::span<const std::uint8_t> bytes, std::size_t dataOffset,
                            int minCodeSize, std::uint8_t* pixels, std::size_t capacity,
                            Finish finish) {
    Gather(bytes, dataOffset);
    minCodeSize_ = std::clamp(minCodeSize, kMinCodeSize, kMaxCodeSize);
    clearCode_ = 1 << minCodeSize_;
    endCode_ = clearCode_ + 1;
    Reset();
    bit_ = 0;
    out_ = pixels;
    capacity_ = pixels == nullptr ? 0 : capacity;
    written_ = 0;
    truncated_ = false;
    pastTable_ = false;
    oldOrigin_ = 0;
    oldLength_ = 0;
    chainBudget_ = kChainBudget;

    Outcome outcome;
    Step step = Step::Emitted;
    bool full = false;
    if (finish != Finish::Skip) {
        while (written_ < capacity_ && (step = Advance<true>()) == Step::Emitted) {
        }
        full = step == Step::Emitted;
    }
    if (full && finish == Finish::StopAtFull) {
        outcome.pixels = written_;
        // One more read tells whether the data held more than the image.
        if (truncated_ || (step = Advance<false>()) == Step::Emitted) {
            outcome.end = End::Full;
            outcome.extraData = true;
            outcome.stopOffset = OffsetAfterBit(bytes, dataOffset, bit_);
            outcome.pastTable = pastTable_;
            return outcome;
        }
    } else if (step == Step::Emitted) {
        while ((step = Advance<false>()) == Step::Emitted) {
        }
    }
    outcome.pixels = written_;
    switch (step) {
        case Step::EndCode: {
            outcome.end = End::EndCode;
            std::size_t held = OffsetAfterBit(bytes, dataOffset, bit_);
            outcome.missingEod = held < dataEnd_ && bytes[held] != 0;
            outcome.stopOffset = dataEnd_;
            break;
        }
        case Step::DataEnded:
            outcome.end = End::DataEnded;
            outcome.stopOffset = dataEnd_;
            break;
        case Step::Corrupt:
        case Step::Emitted:
            outcome.end = End::Corrupt;
            outcome.circular = !afterClear_;
            outcome.stopOffset = OffsetAfterBit(bytes, dataOffset, bit_);
            break;
    }
    outcome.pastTable = pastTable_;
    return outcome;
}

}  // namespace vorla
