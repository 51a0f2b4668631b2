#include "core/gif/GifLzwEncoder.h"

#include <algorithm>

namespace vorla {

void GifLzwEncoder::ClearTable() {
    slots_.fill(kEmpty);
}

GifLzwEncoder::Codes GifLzwEncoder::Compress(const std::uint8_t* pixels, std::size_t count,
                                             int minCodeSize) {
    const int initialBits = minCodeSize + 1;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;

    // At most one code per pixel, one clear per code in the worst case, plus the first clear and
    // the end code; 12 bits each, and room for the last 32-bit store.
    const std::size_t bound = (2 * count + 8) * 3 / 2 + 16;
    if (out_.size() < bound) out_.resize(bound);
    std::uint8_t* out = out_.data();
    std::size_t written = 0;

    // Pending bits, least significant first. At most 31 stay between codes, so a 12-bit code
    // always fits in the 64-bit accumulator.
    std::uint64_t acc = 0;
    int pending = 0;
    int bits = initialBits;
    int maxCode = (1 << bits) - 1;
    int nextFree = clearCode + 2;
    bool clearPending = false;

    auto emit = [&](int code) {
        acc |= static_cast<std::uint64_t>(code) << pending;
        pending += bits;
        if (pending >= 32) {
            out[written] = static_cast<std::uint8_t>(acc);
            out[written + 1] = static_cast<std::uint8_t>(acc >> 8);
            out[written + 2] = static_cast<std::uint8_t>(acc >> 16);
            out[written + 3] = static_cast<std::uint8_t>(acc >> 24);
            written += 4;
            acc >>= 32;
            pending -= 32;
        }
        // The width follows the next free code as it stood when the code was written; the
        // reader widens after adding that entry, so both change width at the same code.
        if (clearPending) {
            bits = initialBits;
            maxCode = (1 << bits) - 1;
            clearPending = false;
        } else if (nextFree > maxCode) {
            ++bits;
            maxCode = bits == kMaxBits ? kCodeLimit : (1 << bits) - 1;
        }
    };

    ClearTable();
    emit(clearCode);
    if (count > 0) {
        std::uint32_t prefix = pixels[0];
        std::uint32_t* const slots = slots_.data();
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint32_t c = pixels[i];
            const std::uint32_t key = (c << kMaxBits) + prefix;
            int slot = static_cast<int>((c << 4) ^ prefix);
            std::uint32_t held = slots[slot];
            // A key of 0xFFFFF reads an empty slot as a match; it needs prefix 4095, which
            // exists only while the table is full, so that miss ends in a clear anyway.
            if ((held & kKeyMask) == key && held != kEmpty) {
                prefix = held >> 20;
                continue;
            }
            if (held != kEmpty) {
                // Secondary probes; the search ends at a slot that is empty or holds key 0.
                const int step = slot == 0 ? 1 : kHashSize - slot;
                bool found = false;
                for (;;) {
                    slot -= step;
                    if (slot < 0) slot += kHashSize;
                    held = slots[slot];
                    const std::uint32_t heldKey = held & kKeyMask;
                    if (heldKey == key && held != kEmpty) {
                        found = true;
                        break;
                    }
                    if (held == kEmpty || heldKey == 0) break;
                }
                if (found) {
                    prefix = held >> 20;
                    continue;
                }
            }
            emit(static_cast<int>(prefix));
            if (nextFree < kCodeLimit) {
                slots[slot] = (static_cast<std::uint32_t>(nextFree++) << 20) | key;
            } else {
                ClearTable();
                nextFree = clearCode + 2;
                clearPending = true;
                emit(clearCode);
            }
            prefix = c;
        }
        emit(static_cast<int>(prefix));
    }
    emit(endCode);
    while (pending > 0) {
        out[written++] = static_cast<std::uint8_t>(acc);
        acc >>= 8;
        pending -= 8;
    }
    return Codes{out, written};
}

}  // namespace vorla
