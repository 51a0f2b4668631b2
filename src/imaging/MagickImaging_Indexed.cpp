// Operations of MagickImaging on 8-bit palette images that must keep a transparent index:
// exact palettes, resampling with the key pixels as alpha 0, and rotation on indices.
#include <Magick++.h>

#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "imaging/BgrImage.h"
#include "imaging/ImageSource.h"
#include "imaging/MagickImaging.h"
#include "imaging/NoThrow.h"
#include "imaging/Quantizer.h"

namespace vorla {
namespace {

bool IsPlain8(const CDib& image) {
    return image.BitCount() == 8 && image.Compression() == 0 && !image.IsEmpty() &&
           image.ColorCount() > 0 &&
           image.Bits().size() >=
               static_cast<std::size_t>(image.Stride()) * static_cast<std::size_t>(image.Height());
}

// The picture as r, g, b, a; pixels of keyIndex get alpha 0, and so do indices past the colour
// table (they have no colour to show).
std::vector<std::uint8_t> KeyedRgba(const CDib& image, int keyIndex) {
    const auto& table = image.ColorTable();
    const std::size_t width = static_cast<std::size_t>(image.Width());
    std::vector<std::uint8_t> rgba(width * static_cast<std::size_t>(image.Height()) * 4);
    std::uint8_t* pixel = rgba.data();
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.Row(y);
        for (std::size_t x = 0; x < width; ++x, pixel += 4) {
            const int index = row[x];
            if (index == keyIndex || index >= static_cast<int>(table.size())) continue;
            const RgbQuad& c = table[static_cast<std::size_t>(index)];
            pixel[0] = c.red;
            pixel[1] = c.green;
            pixel[2] = c.blue;
            pixel[3] = 255;
        }
    }
    return rgba;
}

// A resized frame is one picture shown still: error diffusion stays. The palette search runs a
// little faster than for a photo opened once (speed 4), because whole animations are resized at
// once (save at another size). Speed 6 keeps the PSNR within 0.1 dB of speed 4 on the resize
// bench's set; speed 8 falls below ImageMagick's quantize(256) on video frames.
QuantizeOptions ResizeQuantizing() {
    QuantizeOptions options;
    options.speed = 6;
    return options;
}

}  // namespace

bool MagickImaging::ExactPalette(const CDib& image, CDib& out) {
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        return pixels.ToExactPalette(out);
    });
}

bool MagickImaging::ResampleIndexed(const CDib& image, int keyIndex, std::int32_t width,
                                    std::int32_t height, CDib& out, int& outKeyIndex) {
    return NoThrow(false, [&]() -> bool {
        if (!IsPlain8(image) || !ImageSource::WithinBudget(image.Width(), image.Height()) ||
            !ImageSource::WithinBudget(width, height))
            return false;
        if (keyIndex < 0 || keyIndex >= image.ColorCount()) {
            CDib scaled;
            if (!Resample(image, width, height, scaled)) return false;
            BgrImage pixels;
            if (!BgrImage::FromDib(scaled, pixels) || !pixels.ToDib8(out, ResizeQuantizing()))
                return false;
            outKeyIndex = -1;
            return true;
        }
        const std::vector<std::uint8_t> source = KeyedRgba(image, keyIndex);
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) *
                                       static_cast<std::size_t>(height) * 4);
        try {
            Magick::Image picture;
            picture.quiet(true);
            picture.read(static_cast<std::size_t>(image.Width()),
                         static_cast<std::size_t>(image.Height()), "RGBA", MagickCore::CharPixel,
                         source.data());
            // The triangle filter weighs each colour by its alpha, so the key pixels (alpha 0)
            // add nothing to the colours around them.
            picture.filterType(MagickCore::TriangleFilter);
            Magick::Geometry size(static_cast<std::size_t>(width),
                                  static_cast<std::size_t>(height));
            size.aspect(true);
            picture.resize(size);
            if (picture.columns() != static_cast<std::size_t>(width) ||
                picture.rows() != static_cast<std::size_t>(height))
                return false;
            picture.write(0, 0, static_cast<std::size_t>(width), static_cast<std::size_t>(height),
                          "RGBA", MagickCore::CharPixel, rgba.data());
        } catch (const Magick::Exception&) {
            return false;
        } catch (const std::exception&) {
            return false;
        }
        // At least half covered counts as a pixel; the rest is transparent.
        for (std::size_t i = 3; i < rgba.size(); i += 4) {
            if (rgba[i] >= 128) {
                rgba[i] = 255;
            } else {
                rgba[i - 3] = rgba[i - 2] = rgba[i - 1] = rgba[i] = 0;
            }
        }
        return Quantizer::QuantizeKeyed(rgba, width, height, image.PaletteColor(keyIndex), out,
                                        outKeyIndex);
    });
}

bool MagickImaging::RotateIndexed(const CDib& image, double degrees, std::uint8_t fillIndex,
                                  CDib& out) {
    return NoThrow(false, [&]() -> bool {
        if (!IsPlain8(image) || !std::isfinite(degrees)) return false;
        const std::int32_t width = image.Width();
        const std::int32_t height = image.Height();
        double turn = std::fmod(degrees, 360.0);
        if (turn < 0) turn += 360.0;
        double cosine = std::cos(turn * M_PI / 180.0);
        double sine = std::sin(turn * M_PI / 180.0);
        // Quarter turns exactly, so that they move whole pixels.
        if (turn == 0.0 || turn == 90.0 || turn == 180.0 || turn == 270.0) {
            cosine = std::round(cosine);
            sine = std::round(sine);
        }
        CDib result;
        result.Create(width, height, 8, image.ColorCount());
        result.ColorTable() = image.ColorTable();
        // Each target pixel centre, turned back by the angle about the picture's centre, falls
        // into the source pixel it shows. y grows downwards, so a positive angle turns clockwise.
        const double halfWidth = width / 2.0;
        const double halfHeight = height / 2.0;
        constexpr double kNudge = 1e-9;  // centres on a pixel edge go the same way every time
        for (std::int32_t y = 0; y < height; ++y) {
            std::uint8_t* row = result.Row(y);
            const double dy = y + 0.5 - halfHeight;
            for (std::int32_t x = 0; x < width; ++x) {
                const double dx = x + 0.5 - halfWidth;
                const double sx = std::floor(dx * cosine + dy * sine + halfWidth + kNudge);
                const double sy = std::floor(-dx * sine + dy * cosine + halfHeight + kNudge);
                if (sx < 0 || sy < 0 || sx >= width || sy >= height) {
                    row[x] = fillIndex;
                } else {
                    row[x] =
                        image.Index(static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy));
                }
            }
        }
        out = std::move(result);
        return true;
    });
}

}  // namespace vorla

namespace vorla {

bool MagickImaging::ToIndexedKeepingMask(const CDib& image, const std::vector<std::uint8_t>& clear,
                                         Colorref keyColour, CDib& out, int& keyIndex) {
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        const std::size_t count =
            static_cast<std::size_t>(pixels.Width()) * static_cast<std::size_t>(pixels.Height());
        if (clear.empty()) {
            if (!pixels.ToDib8(out)) return false;
            keyIndex = -1;
            return true;
        }
        if (clear.size() != count) return false;
        std::vector<std::uint8_t> rgba = pixels.ToRgba();
        for (std::size_t i = 0; i < count; ++i) {
            if (clear[i] != 0) {
                rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = rgba[4 * i + 3] = 0;
            } else {
                rgba[4 * i + 3] = 255;
            }
        }
        return Quantizer::QuantizeKeyed(rgba, pixels.Width(), pixels.Height(), keyColour, out,
                                        keyIndex);
    });
}

}  // namespace vorla
