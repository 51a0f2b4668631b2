// The scatter effects' random numbers: a linear congruential generator of its own, so that a
// seed gives the same sequence with every C library (std::rand differs between them).
#pragma once

#include <cstdint>

namespace vorla::effects {

class EffectRandom {
public:
    // The program seeds once at start from the low 16 bits of the time in seconds.
    explicit EffectRandom(std::uint32_t seed = 1) : state_(seed) {}
    void Seed(std::uint32_t seed) { state_ = seed; }

    // 0..32767; the state wraps modulo 2^32.
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

    // 0..n-1 for 1 <= n <= 65535: the draw scaled by 1/32768 in single precision, which stays
    // below n for every draw.
    int Below(int n) {
        const float scaled = static_cast<float>(Next()) * 3.0517578125e-05f;
        return static_cast<int>(scaled * static_cast<float>(n & 0xFFFF));
    }

private:
    std::uint32_t state_;
};

}  // namespace vorla::effects
