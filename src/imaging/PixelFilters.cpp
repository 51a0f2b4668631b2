#include "imaging/PixelFilters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace vorla {
namespace {

constexpr std::uint32_t kNoiseSeed = 0x5EED1234u;

}  // namespace

void PixelFilters::Mosaic(BgrImage& image, int block) {
    if (block <= 1) return;
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    for (std::int32_t top = 0; top < height; top += block) {
        const std::int32_t bottom = std::min(height, top + block);
        for (std::int32_t left = 0; left < width; left += block) {
            const std::int32_t right = std::min(width, left + block);
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::int32_t y = top; y < bottom; ++y) {
                const std::uint8_t* row = image.Row(y);
                for (std::int32_t x = left; x < right; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += row[3 * x + c];
            }
            const std::uint64_t count =
                static_cast<std::uint64_t>(bottom - top) * static_cast<std::uint64_t>(right - left);
            std::uint8_t mean[3];
            for (int c = 0; c < 3; ++c)
                mean[c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
            for (std::int32_t y = top; y < bottom; ++y) {
                std::uint8_t* row = image.Row(y);
                for (std::int32_t x = left; x < right; ++x) std::memcpy(row + 3 * x, mean, 3);
            }
        }
    }
}

void PixelFilters::AddNoise(BgrImage& image, int amplitude) {
    AddNoise(image, amplitude, kNoiseSeed);
}

void PixelFilters::AddNoise(BgrImage& image, int amplitude, std::uint32_t seed) {
    amplitude = std::clamp(amplitude, 0, 255);
    if (amplitude == 0) return;
    // mt19937 is specified bit for bit, so the noise is the same on every build.
    std::mt19937 random(seed);
    const auto span = static_cast<std::uint32_t>(2 * amplitude + 1);
    for (std::uint8_t& value : image.Pixels()) {
        const int noisy = value + static_cast<int>(random() % span) - amplitude;
        value = static_cast<std::uint8_t>(std::clamp(noisy, 0, 255));
    }
}

void PixelFilters::Median(BgrImage& image, int radius) {
    if (radius <= 0) return;
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    const BgrImage source = image;
    const int window = (2 * radius + 1) * (2 * radius + 1);
    const int half = window / 2;  // the median is the (half + 1)-th smallest value
    auto clampX = [&](std::int32_t x) { return std::clamp(x, 0, width - 1); };
    auto clampY = [&](std::int32_t y) { return std::clamp(y, 0, height - 1); };

    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* target = image.Row(y);
        for (int channel = 0; channel < 3; ++channel) {
            std::array<int, 256> histogram{};
            auto addColumn = [&](std::int32_t x, int delta) {
                const std::int32_t cx = clampX(x);
                for (std::int32_t dy = -radius; dy <= radius; ++dy)
                    histogram[source.Row(clampY(y + dy))[3 * cx + channel]] += delta;
            };
            for (std::int32_t dx = -radius; dx <= radius; ++dx) addColumn(dx, 1);
            for (std::int32_t x = 0; x < width; ++x) {
                if (x > 0) {
                    addColumn(x - radius - 1, -1);
                    addColumn(x + radius, 1);
                }
                int seen = 0;
                int value = 0;
                while ((seen += histogram[static_cast<std::size_t>(value)]) <= half) ++value;
                target[3 * x + channel] = static_cast<std::uint8_t>(value);
            }
        }
    }
}

}  // namespace vorla
