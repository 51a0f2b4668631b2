// The LZW stage of the GIF writer: palette indices in, the variable-width code stream out (least
// significant bit first, no sub-block framing).
//
// The string table is the classic open-addressed hash of 5003 slots (a prime above 4096 that
// keeps the table at most about 80 % full): the first probe is (pixel << 4) XOR prefix, the
// secondary step 5003 - slot, keys pack the pixel above the 12-bit prefix code. A probe stops at
// the first slot whose key is not positive, so a stored key of 0 (pixel 0 after prefix 0) can be
// overwritten; the code stream stays valid and the output matches the classic compressor byte
// for byte. When the table holds 4096 codes the next unmatched string writes its prefix and then
// a clear code, and the code width returns to the initial width.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorla {

class GifLzwEncoder {
public:
    static constexpr int kMaxBits = 12;
    static constexpr int kCodeLimit = 1 << kMaxBits;  // 4096 codes
    static constexpr int kHashSize = 5003;

    // Compresses count indices (each below 2^minCodeSize; minCodeSize 2..8) and returns the code
    // bytes; the returned view stays valid until the next call. count 0 writes a clear code and
    // the end code only.
    struct Codes {
        const std::uint8_t* data;
        std::size_t size;
    };
    Codes Compress(const std::uint8_t* pixels, std::size_t count, int minCodeSize);

private:
    void ClearTable();

    // One slot: the code above the 20-bit key, (code << 20) | key, so that a hit costs one load.
    // kEmpty cannot be a stored entry: its key would need prefix 4095, and no code lies above.
    static constexpr std::uint32_t kKeyMask = 0xFFFFF;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    std::array<std::uint32_t, kHashSize> slots_{};
    std::vector<std::uint8_t> out_;  // reused between images; only grows
};

}  // namespace vorla
