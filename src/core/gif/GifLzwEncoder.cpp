#include "core/gif/GifLzwEncoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>

namespace vorla {

// Inlined into the main loop, which so keeps the stream in registers.
inline void GifLzwEncoder::Emit(Stream& s, std::uint32_t code) {
    s.acc |= static_cast<std::uint64_t>(code) << s.pending;
    s.pending += s.bits;
    if (s.pending >= 32) {
        const auto word = static_cast<std::uint32_t>(s.acc);
        s.out[s.written] = static_cast<std::uint8_t>(word);
        s.out[s.written + 1] = static_cast<std::uint8_t>(word >> 8);
        s.out[s.written + 2] = static_cast<std::uint8_t>(word >> 16);
        s.out[s.written + 3] = static_cast<std::uint8_t>(word >> 24);
        s.written += 4;
        s.acc >>= 32;
        s.pending -= 32;
    }
    // The width follows the next free code as it stood when the code was written; the reader
    // widens after adding that entry, so both change width at the same code.
    if (s.clearPending) {
        s.bits = s.initialBits;
        s.maxCode = (1 << s.bits) - 1;
        s.clearPending = false;
    } else if (s.nextFree > s.maxCode) {
        ++s.bits;
        s.maxCode = s.bits == kMaxBits ? kCodeLimit : (1 << s.bits) - 1;
    }
}

int GifLzwEncoder::Probe(std::uint32_t key, bool& found) const {
    const std::uint32_t c = key >> kMaxBits;
    const std::uint32_t prefix = key & (kCodeLimit - 1);
    int slot = static_cast<int>((c << 4) ^ prefix);
    std::uint32_t held = slots_[static_cast<std::size_t>(slot)];
    found = false;
    // A key of 0xFFFFF would read an empty slot as a match; hence the kEmpty test.
    if (held == kEmpty) return slot;
    if ((held & kKeyMask) == key) {
        found = true;
        return slot;
    }
    const int step = slot == 0 ? 1 : kHashSize - slot;
    for (;;) {
        slot -= step;
        if (slot < 0) slot += kHashSize;
        held = slots_[static_cast<std::size_t>(slot)];
        if (held == kEmpty) return slot;
        const std::uint32_t heldKey = held & kKeyMask;
        if (heldKey == key) {
            found = true;
            return slot;
        }
        if (heldKey == 0) return slot;
    }
}

void GifLzwEncoder::FreeDeleter::operator()(std::uint16_t* p) const {
    std::free(p);
}

void GifLzwEncoder::ForgetStrings(int firstCode, int end) {
    std::uint16_t* const direct = direct_.get();
    for (int code = firstCode; code < end; ++code) {
        direct[given_[static_cast<std::size_t>(code)]] = 0;
    }
}

void GifLzwEncoder::RebuildSlots(int firstCode, int nextFree) {
    slots_.fill(kEmpty);
    bool found = false;
    for (int code = firstCode; code < nextFree; ++code) {
        const std::uint32_t key = given_[static_cast<std::size_t>(code)];
        slots_[static_cast<std::size_t>(Probe(key, found))] =
            (static_cast<std::uint32_t>(code) << 20) | key;
    }
}

bool GifLzwEncoder::StoreClassic(std::uint32_t key, int code) {
    bool found = false;
    // The key is new, so the probe stops at an empty slot or, on a secondary probe, at key 0's.
    const auto slot = static_cast<std::size_t>(Probe(key, found));
    const std::uint32_t held = slots_[slot];
    slots_[slot] = (static_cast<std::uint32_t>(code) << 20) | key;
    return held == kEmpty || (held & kKeyMask) != 0;
}

void GifLzwEncoder::EnsureTable() {
    if (direct_) return;
    // Zeroed by the allocator: fresh pages cost nothing until an image touches them.
    void* table = std::calloc(std::size_t{1} << (kMaxBits + 8), sizeof(std::uint16_t));
    if (table == nullptr) throw std::bad_alloc();
    direct_.reset(static_cast<std::uint16_t*>(table));
}

GifLzwEncoder::Stream GifLzwEncoder::Begin(std::size_t count, int minCodeSize) {
    EnsureTable();
    hashedLives_ = 0;
    // At most one code per pixel, one clear per code in the worst case, plus the first clear and
    // the end code; 12 bits each, and room for the last 32-bit store.
    const std::size_t bound = (2 * count + 8) * 3 / 2 + 16;
    if (out_.size() < bound) out_.resize(bound);
    Stream s{};
    s.out = out_.data();
    s.initialBits = minCodeSize + 1;
    s.bits = s.initialBits;
    s.maxCode = (1 << s.bits) - 1;
    s.nextFree = (1 << minCodeSize) + 2;
    return s;
}

// The end code and the bits still held, padded to a whole byte.
GifLzwEncoder::Codes GifLzwEncoder::Finish(Stream& s, int endCode) {
    Emit(s, static_cast<std::uint32_t>(endCode));
    while (s.pending > 0) {
        s.out[s.written++] = static_cast<std::uint8_t>(s.acc);
        s.acc >>= 8;
        s.pending -= 8;
    }
    return Codes{s.out, s.written};
}

GifLzwEncoder::Codes GifLzwEncoder::Compress(const std::uint8_t* pixels, std::size_t count,
                                             int minCodeSize) {
    static constexpr std::array<std::uint8_t, 256> kIdentity = [] {
        std::array<std::uint8_t, 256> map{};
        for (int i = 0; i < 256; ++i)
            map[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        return map;
    }();
    return Compress(&pixels, count > 0 ? 1 : 0, count, kIdentity.data(), minCodeSize);
}

GifLzwEncoder::Codes GifLzwEncoder::Compress(const std::uint8_t* const* rows, std::size_t rowCount,
                                             std::size_t width, const std::uint8_t* map,
                                             int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int firstCode = clearCode + 2;
    const std::size_t count = width == 0 ? 0 : rowCount * width;
    Stream s = Begin(count, minCodeSize);
    Emit(s, static_cast<std::uint32_t>(clearCode));
    if (count > 0) {
        std::uint16_t* const direct = direct_.get();
        std::uint32_t* const given = given_.data();
        std::uint32_t prefix = map[rows[0][0]];
        // Whether slot 0 of the classic hash holds a key other than key 0, and whether this
        // table life keeps the classic slots (see the header).
        bool slotZeroTaken = false;
        bool tracked = false;
        std::size_t x = 1;
        for (std::size_t r = 0; r < rowCount; ++r, x = 0) {
            const std::uint8_t* const row = rows[r];
            for (; x < width; ++x) {
                const std::uint32_t c = map[row[x]];
                // The pixel's part does not depend on the prefix: a lookup waits on one OR
                // after the load before.
                const std::uint32_t key = (c << kMaxBits) | prefix;
                const std::uint32_t next = direct[key];
                if (next != 0) {
                    prefix = next;
                    continue;
                }
                Emit(s, prefix);
                if (s.nextFree < kCodeLimit) {
                    if (tracked) [[unlikely]] {
                        if (!StoreClassic(key, s.nextFree)) direct[0] = 0;
                    } else if (prefix == (c << 4)) [[unlikely]] {
                        if (key == 0 && slotZeroTaken) {
                            RebuildSlots(firstCode, s.nextFree);
                            StoreClassic(key, s.nextFree);  // no key 0 to overwrite yet
                            tracked = true;
                            ++hashedLives_;
                        }
                        slotZeroTaken = true;
                    }
                    direct[key] = static_cast<std::uint16_t>(s.nextFree);
                    given[s.nextFree++] = key;
                } else {
                    ForgetStrings(firstCode, s.nextFree);
                    s.nextFree = firstCode;
                    s.clearPending = true;
                    slotZeroTaken = false;
                    tracked = false;
                    Emit(s, static_cast<std::uint32_t>(clearCode));
                }
                prefix = c;
            }
        }
        Emit(s, prefix);
        ForgetStrings(firstCode, s.nextFree);
    }
    return Finish(s, endCode);
}

// The longest string the table holds that starts with code (the string's first pixel, at
// from - 1) and goes on through pixels from..count - 1, each of which may take either of its two
// indices. A depth-first walk of the table's paths; at most kSearchBudget branches are followed,
// after which the longest found so far is taken. Returns the string's code; end: the position
// after it.
template <bool kLossy>
std::uint32_t GifLzwEncoder::Longest(const std::uint8_t* pixels, const std::uint8_t* alternates,
                                     std::size_t count, std::size_t from, std::uint32_t code,
                                     std::size_t& end) {
    // Members in locals: the stack's stores could otherwise alias them, and the compiler would
    // load them again on every step.
    const std::uint16_t* const direct = direct_.get();
    const std::uint32_t watch = watch_;
    Branch* const search = search_.data();
    constexpr std::size_t kStack = std::tuple_size_v<decltype(search_)>;
    std::uint32_t best = code;
    std::size_t bestEnd = from;
    // Lossy: the best string's length in squared error units less its error.
    std::int64_t bestScore = 0;
    const std::int64_t worth = kLossy ? near_->pixelWorth : 0;
    int budget = kSearchBudget;
    std::size_t depth = 0;
    bool saw = false;
    search[depth++] = {from, code, 0};
    while (depth > 0) {
        auto [at, node, error] = search[--depth];
        // Along one path, as far as it goes; the other index's branch waits on the stack. A
        // path only lengthens, so where it stops is its furthest point.
        for (;;) {
            saw |= node == watch;
            if (at >= count) break;
            const std::uint32_t c = pixels[at];
            const std::uint32_t a = alternates[at];
            const std::uint32_t viaC = direct[(c << kMaxBits) | node];
            const std::uint32_t viaA = a != c ? direct[(a << kMaxBits) | node] : 0;
            if constexpr (kLossy) {
                // Close indices wait on the stack behind the exact ones.
                for (std::uint32_t child = firstChild_[node];
                     child != 0 && budget > 0 && depth < kStack; child = sibling_[child]) {
                    const std::uint32_t b = given_[child] >> kMaxBits;
                    if (b == c || b == a || !Near(c, a, b)) continue;
                    --budget;
                    search[depth++] = {at + 1, child, error + ErrorOf(c, a, b)};
                }
            }
            if (viaC != 0 && viaA != 0 && budget > 0 && depth < kStack) {
                --budget;
                search[depth++] = {at + 1, viaA, error};
            }
            const std::uint32_t next = viaC != 0 ? viaC : viaA;
            if (next == 0) break;
            node = next;
            ++at;
        }
        if constexpr (kLossy) {
            const std::int64_t score =
                static_cast<std::int64_t>(at - from) * worth - std::int64_t{error};
            if (score > bestScore || (score == bestScore && at > bestEnd)) {
                bestScore = score;
                bestEnd = at;
                best = node;
            }
        } else if (at > bestEnd) {
            bestEnd = at;
            best = node;
        }
    }
    end = bestEnd;
    sawWatch_ = saw;
    return best;
}

GifLzwEncoder::Codes GifLzwEncoder::CompressChoosing(const std::uint8_t* pixels,
                                                     const std::uint8_t* alternates,
                                                     std::size_t count, int minCodeSize,
                                                     FullTable fullTable, bool leadingClear,
                                                     const Nearness* near) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int firstCode = clearCode + 2;
    Stream s = Begin(count, minCodeSize);
    near_ = near;
    if (near_ != nullptr) std::fill_n(firstChild_.begin(), firstCode, 0);
    if (leadingClear) Emit(s, static_cast<std::uint32_t>(clearCode));
    tableFilled_ = false;
    if (count > 0) {
        std::uint16_t* const direct = direct_.get();
        std::uint32_t* const given = given_.data();
        // The index a string starting at i takes: when the pixel may take either, the one from
        // which the table reaches further.
        // When it walked the table for that, the string found from the index taken: a code
        // given out afterwards changes it only if the walk passed through its prefix (watch_).
        struct Start {
            std::uint32_t index;
            bool walked = false;
            std::uint32_t code = 0;
            std::size_t end = 0;
        };
        auto startAt = [&](std::size_t i, std::uint32_t watch) -> Start {
            const std::uint32_t c = pixels[i];
            const std::uint32_t a = alternates[i];
            if (a == c || i + 1 >= count) return {c};
            watch_ = watch;
            Start viaC{c, true};
            Start viaA{a, true};
            viaC.code = Longest(pixels, alternates, count, i + 1, c, viaC.end);
            viaC.walked = !sawWatch_;
            viaA.code = Longest(pixels, alternates, count, i + 1, a, viaA.end);
            viaA.walked = !sawWatch_;
            watch_ = kNoCode;
            return viaA.end > viaC.end ? viaA : viaC;
        };
        // KeepWhileItPays: a full table stays in use while it compresses at least as well as it
        // did since the clear; it is cleared at the first check where it does worse.
        const bool deferClear = fullTable != FullTable::Clear;
        const bool keepToEnd = fullTable == FullTable::Keep;
        std::size_t lifeStart = 0;
        std::size_t lifeBits = 0;
        std::size_t nextCheck = 0;
        double bestRatio = 0;
        bool full = false;
        Start start = startAt(0, kNoCode);
        std::size_t i = 0;
        for (;;) {
            std::size_t end = start.end;
            const std::uint32_t code =
                start.walked ? start.code
                             : Longest(pixels, alternates, count, i + 1, start.index, end);
            Emit(s, code);
            lifeBits += static_cast<std::size_t>(s.bits);
            if (end >= count) break;
            i = end;
            start = startAt(i, code);
            if (s.nextFree < kCodeLimit) {
                const std::uint32_t added = (start.index << kMaxBits) | code;
                direct[added] = static_cast<std::uint16_t>(s.nextFree);
                if (near_ != nullptr) {
                    firstChild_[static_cast<std::size_t>(s.nextFree)] = 0;
                    sibling_[static_cast<std::size_t>(s.nextFree)] = firstChild_[code];
                    firstChild_[code] = static_cast<std::uint16_t>(s.nextFree);
                }
                given[s.nextFree++] = added;
            } else {
                tableFilled_ = true;
                if (deferClear && (!full || i < nextCheck)) {
                    if (!full) {
                        full = true;
                        nextCheck = i + 4096;
                        bestRatio =
                            static_cast<double>(i - lifeStart) / static_cast<double>(lifeBits);
                    }
                } else if (keepToEnd || (deferClear && static_cast<double>(i - lifeStart) /
                                                               static_cast<double>(lifeBits) >=
                                                           bestRatio)) {
                    bestRatio = static_cast<double>(i - lifeStart) / static_cast<double>(lifeBits);
                    nextCheck = i + 4096;
                } else {
                    full = false;
                    lifeStart = i;
                    lifeBits = 0;
                    ForgetStrings(firstCode, s.nextFree);
                    s.nextFree = firstCode;
                    s.clearPending = true;
                    if (near_ != nullptr) std::fill_n(firstChild_.begin(), firstCode, 0);
                    Emit(s, static_cast<std::uint32_t>(clearCode));
                    start = startAt(i, kNoCode);
                    start.walked = false;  // the table it walked is gone
                }
            }
        }
        ForgetStrings(firstCode, s.nextFree);
    }
    near_ = nullptr;
    return Finish(s, endCode);
}

}  // namespace vorla
