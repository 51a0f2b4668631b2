// Geometry and filters of MagickImaging: rotation, cropping, perspective and the six filters.
#include <Magick++.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "imaging/BgrImage.h"
#include "imaging/ImageSource.h"
#include "imaging/MagickConvert.h"
#include "imaging/MagickImaging.h"
#include "imaging/NoThrow.h"
#include "imaging/PixelFilters.h"

namespace vorla {
namespace {

constexpr std::uint32_t kBiRgb = 0;
Magick::Color ToMagickColor(Colorref color) {
    return Magick::ColorRGB(RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0);
}

// Runs one Magick operation on a copy of the picture and hands back the 24-bit result.
template <typename Operation>
bool WithMagick(const BgrImage& pixels, CDib& out, Operation operation) {
    try {
        Magick::Image picture = MagickConvert::ToMagick(pixels);
        operation(picture);
        if (!ImageSource::WithinBudget(static_cast<std::int64_t>(picture.columns()),
                                       static_cast<std::int64_t>(picture.rows())))
            return false;
        out = MagickConvert::FromMagick(picture).ToDib24();
        return true;
    } catch (const Magick::Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool TrimPlain(const CDib& image, std::int32_t left, std::int32_t top, std::int32_t width,
               std::int32_t height, CDib& out) {
    const int bytesPerPixel = image.BitCount() / 8;
    CDib result;
    result.Create(width, height, image.BitCount(), image.ColorCount());
    result.ColorTable() = image.ColorTable();
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(result.Row(y), image.Row(top + y) + std::size_t{1} * left * bytesPerPixel,
                    static_cast<std::size_t>(width) * bytesPerPixel);
    out = std::move(result);
    return true;
}

}  // namespace

bool MagickImaging::Rotate(const CDib& image, double degrees, Colorref fill, CDib& out) {
    return NoThrow(false, [&]() -> bool {
        if (!std::isfinite(degrees)) return false;
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        const double angle = std::fmod(degrees, 360.0);
        return WithMagick(pixels, out, [&](Magick::Image& picture) {
            picture.backgroundColor(ToMagickColor(fill));
            picture.rotate(angle);  // the canvas grows to the rotated picture's bounding box
        });
    });
}

bool MagickImaging::Trim(const CDib& image, std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height, CDib& out) {
    return NoThrow(false, [&]() -> bool {
        if (image.IsEmpty() || width <= 0 || height <= 0) return false;
        // The rectangle is clamped to the picture; nothing left of it is a failure.
        const std::int64_t x0 = std::max<std::int64_t>(left, 0);
        const std::int64_t y0 = std::max<std::int64_t>(top, 0);
        const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{left} + width, image.Width());
        const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{top} + height, image.Height());
        if (x1 <= x0 || y1 <= y0) return false;
        const auto cropLeft = static_cast<std::int32_t>(x0);
        const auto cropTop = static_cast<std::int32_t>(y0);
        const auto cropWidth = static_cast<std::int32_t>(x1 - x0);
        const auto cropHeight = static_cast<std::int32_t>(y1 - y0);

        const bool byteAligned =
            image.BitCount() == 8 || image.BitCount() == 24 || image.BitCount() == 32;
        if (byteAligned && image.Compression() == kBiRgb &&
            image.Bits().size() >=
                static_cast<std::size_t>(image.Stride()) * static_cast<std::size_t>(image.Height()))
            return TrimPlain(image, cropLeft, cropTop, cropWidth, cropHeight, out);

        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        CDib whole = pixels.ToDib24();
        return TrimPlain(whole, cropLeft, cropTop, cropWidth, cropHeight, out);
    });
}

bool MagickImaging::ChangePerspective(const CDib& image, int amount, Colorref fill, CDib& out) {
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        // Positive amounts narrow the top edge, negative ones the bottom edge; past 49 percent a
        // side the two corners of the edge would cross.
        amount = std::clamp(amount, -49, 49);
        if (amount == 0) {
            out = pixels.ToDib24();
            return true;
        }
        const double width = pixels.Width();
        const double height = pixels.Height();
        const double inset = width * std::abs(amount) / 100.0;
        const double topInset = amount > 0 ? inset : 0.0;
        const double bottomInset = amount < 0 ? inset : 0.0;
        // Pairs of (source x, source y, target x, target y) for the four corners.
        const double arguments[16] = {
            0.0, 0.0,    topInset,    0.0,    width, 0.0,    width - topInset,    0.0,
            0.0, height, bottomInset, height, width, height, width - bottomInset, height};
        return WithMagick(pixels, out, [&](Magick::Image& picture) {
            picture.backgroundColor(ToMagickColor(fill));
            picture.virtualPixelMethod(MagickCore::BackgroundVirtualPixelMethod);
            picture.distort(MagickCore::PerspectiveDistortion, 16, arguments, false);
        });
    });
}

bool MagickImaging::ApplyFilter(const CDib& image, FilterKind kind, int strength, CDib& out) {
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        switch (kind) {
            case FilterKind::Mosaic:
                PixelFilters::Mosaic(pixels, std::clamp(strength, 1, 100));
                out = pixels.ToDib24();
                return true;
            case FilterKind::AddNoise:
                PixelFilters::AddNoise(pixels, std::clamp(strength, 0, 1000) * 255 / 1000);
                out = pixels.ToDib24();
                return true;
            case FilterKind::Average: {
                const int radius = std::clamp(strength, 0, 100);
                if (radius == 0) break;
                // A box blur is separable: one row pass and one column pass cost 2(2r+1) taps a
                // pixel where a square kernel costs (2r+1)^2. Convolution runs fast in Magick; its
                // mean statistic does not.
                const std::string side = std::to_string(2 * radius + 1);
                return WithMagick(pixels, out, [&](Magick::Image& picture) {
                    picture.artifact("convolve:scale", "!");  // normalise each kernel to sum 1
                    picture.morphology(MagickCore::ConvolveMorphology,
                                       "Rectangle:" + side + "x1;Rectangle:1x" + side);
                });
            }
            case FilterKind::Contrast: {
                const double percent = std::clamp(strength, -1000, 1000) / 10.0;
                if (percent == 0.0) break;
                return WithMagick(pixels, out, [&](Magick::Image& picture) {
                    picture.brightnessContrast(0.0, percent);
                });
            }
            case FilterKind::Median:
                PixelFilters::Median(pixels, std::clamp(strength, 0, 10));
                out = pixels.ToDib24();
                return true;
            case FilterKind::Hue: {
                int degrees = ((strength % 360) + 360) % 360;
                if (degrees == 0) break;
                if (degrees > 180) degrees -= 360;
                // Magick's hue percentage: 100 keeps the hue, 0 and 200 turn it half way round.
                const double hue = 100.0 + degrees * 100.0 / 180.0;
                return WithMagick(pixels, out, [&](Magick::Image& picture) {
                    picture.modulate(100.0, 100.0, hue);
                });
            }
        }
        out = pixels.ToDib24();
        return true;
    });
}

}  // namespace vorla

namespace vorla {

bool MagickImaging::ApplyFilterSeeded(const CDib& image, FilterKind kind, int strength,
                                      std::uint32_t seed, CDib& out) {
    if (kind != FilterKind::AddNoise) return ApplyFilter(image, kind, strength, out);
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        PixelFilters::AddNoise(pixels, std::clamp(strength, 0, 1000) * 255 / 1000, seed);
        out = pixels.ToDib24();
        return true;
    });
}

}  // namespace vorla
