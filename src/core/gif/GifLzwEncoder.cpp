#include "core/gif/GifLzwEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace vorla {
// Inlined into both loops, so the main loop keeps the stream in registers.
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

void GifLzwEncoder::ForgetStrings(int firstCode) {
    std::uint16_t* const direct = direct_.get();
    for (int code = firstCode; code < stringsEnd_; ++code) {
        direct[given_[static_cast<std::size_t>(code)]] = 0;
    }
    stringsEnd_ = firstCode;
}

std::size_t GifLzwEncoder::RunHashed(const std::uint8_t* pixels, std::size_t i, std::size_t count) {
    Stream& s = stream_;
    std::uint32_t prefix = prefix_;
    const int firstCode = (1 << minCodeSize_) + 2;
    ++hashedLives_;
    // The codes of this life so far, in the order the classic compressor stored them: none of
    // their probes met key 0 outside slot 0, so each lands in the classic slot.
    slots_.fill(kEmpty);
    bool found = false;
    for (int code = firstCode; code < s.nextFree; ++code) {
        const std::uint32_t key = given_[static_cast<std::size_t>(code)];
        const int slot = Probe(key, found);
        slots_[static_cast<std::size_t>(slot)] = (static_cast<std::uint32_t>(code) << 20) | key;
    }
    for (; i < count; ++i) {
        const std::uint32_t c = pixels[i];
        const std::uint32_t key = (c << kMaxBits) + prefix;
        const int slot = Probe(key, found);
        if (found) {
            prefix = slots_[static_cast<std::size_t>(slot)] >> 20;
            continue;
        }
        Emit(s, prefix);
        prefix = c;
        if (s.nextFree < kCodeLimit) {
            slots_[static_cast<std::size_t>(slot)] =
                (static_cast<std::uint32_t>(s.nextFree++) << 20) | key;
        } else {
            ForgetStrings(firstCode);
            s.nextFree = firstCode;
            s.clearPending = true;
            Emit(s, static_cast<std::uint32_t>(firstCode - 2));
            prefix_ = prefix;
            return i + 1;
        }
    }
    prefix_ = prefix;
    return count;
}

void GifLzwEncoder::CompressRest(const std::uint8_t* pixels, std::size_t count, Stream& s,
                                 std::uint32_t& prefixOut, bool& endedHashed) {
    const int clearCode = 1 << minCodeSize_;
    const int firstCode = clearCode + 2;
    std::uint16_t* const direct = direct_.get();
    std::uint32_t* const given = given_.data();
    std::uint32_t prefix = prefixOut;
    // Whether slot 0 of the classic hash holds a key other than key 0 (see the header).
    bool slotZeroTaken = false;
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t c = pixels[i];
        // The pixel's part does not depend on the prefix: a lookup waits on one OR after the
        // load before.
        const std::uint32_t key = (c << kMaxBits) | prefix;
        const std::uint32_t next = direct[key];
        if (next != 0) {
            prefix = next;
            continue;
        }
        if (s.nextFree < kCodeLimit) {
            if (prefix == (c << 4)) [[unlikely]] {
                if (key == 0 && slotZeroTaken) {
                    stringsEnd_ = s.nextFree;
                    stream_ = s;
                    prefix_ = prefix;
                    i = RunHashed(pixels, i, count) - 1;
                    s = stream_;
                    prefix = prefix_;
                    endedHashed = i + 1 == count;
                    slotZeroTaken = false;
                    continue;
                }
                slotZeroTaken = true;
            }
            Emit(s, prefix);
            direct[key] = static_cast<std::uint16_t>(s.nextFree);
            given[s.nextFree++] = key;
        } else {
            Emit(s, prefix);
            stringsEnd_ = s.nextFree;
            ForgetStrings(firstCode);
            s.nextFree = firstCode;
            s.clearPending = true;
            slotZeroTaken = false;
            Emit(s, static_cast<std::uint32_t>(clearCode));
        }
        prefix = c;
    }
    prefixOut = prefix;
}

GifLzwEncoder::Codes GifLzwEncoder::Compress(const std::uint8_t* pixels, std::size_t count,
                                             int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int firstCode = clearCode + 2;
    if (!direct_) {
        // Zeroed by the allocator: fresh pages cost nothing until an image touches them.
        void* table = std::calloc(std::size_t{1} << (kMaxBits + 8), sizeof(std::uint16_t));
        if (table == nullptr) throw std::bad_alloc();
        direct_.reset(static_cast<std::uint16_t*>(table));
    }
    minCodeSize_ = minCodeSize;
    stringsEnd_ = firstCode;
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
    s.nextFree = firstCode;

    Emit(s, static_cast<std::uint32_t>(clearCode));
    if (count > 0) {
        std::uint32_t prefix = pixels[0];
        bool endedHashed = false;  // the last table life ran on the classic hash to the end
        CompressRest(pixels, count, s, prefix, endedHashed);
        Emit(s, prefix);
        if (!endedHashed) stringsEnd_ = s.nextFree;
        ForgetStrings(firstCode);
    }
    Emit(s, static_cast<std::uint32_t>(endCode));
    while (s.pending > 0) {
        s.out[s.written++] = static_cast<std::uint8_t>(s.acc);
        s.acc >>= 8;
        s.pending -= 8;
    }
    return Codes{s.out, s.written};
}

}  // namespace vorla
