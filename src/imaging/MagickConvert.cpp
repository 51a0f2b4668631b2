#include "imaging/MagickConvert.h"

#include <algorithm>
#include <cstring>

namespace vorla {
namespace {

void ToSrgb(Magick::Image& image) {
    const MagickCore::ColorspaceType space = image.colorSpace();
    if (space != MagickCore::sRGBColorspace && space != MagickCore::GRAYColorspace &&
        space != MagickCore::TransparentColorspace && space != MagickCore::UndefinedColorspace)
        image.colorSpace(MagickCore::sRGBColorspace);
}

MagickCore::Quantum ToQuantum(std::uint8_t value) {
    return Magick::Color::scaleDoubleToQuantum(value / 255.0);
}

std::uint8_t Char(MagickCore::Quantum value) {
    return static_cast<std::uint8_t>(MagickCore::ScaleQuantumToChar(value));
}

}  // namespace

Magick::Image MagickConvert::ToMagick(const BgrImage& image) {
    Magick::Image result;
    result.quiet(true);
    result.read(static_cast<std::size_t>(image.Width()), static_cast<std::size_t>(image.Height()),
                "BGR", MagickCore::CharPixel, image.Pixels().data());
    return result;
}

Magick::Image MagickConvert::ToMagickPalette(const CDib& dib8) {
    const std::int32_t width = dib8.Width();
    const std::int32_t height = dib8.Height();
    const auto& table = dib8.ColorTable();
    std::size_t entries = std::max<std::size_t>(table.size(), 1);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = dib8.Row(y);
        for (std::int32_t x = 0; x < width; ++x)
            entries = std::max<std::size_t>(entries, std::size_t{row[x]} + 1);
    }

    Magick::Image result(
        Magick::Geometry(static_cast<std::size_t>(width), static_cast<std::size_t>(height)),
        Magick::Color("black"));
    result.quiet(true);
    result.modifyImage();
    MagickCore::Image* core = result.image();
    if (MagickCore::AcquireImageColormap(core, entries) == MagickCore::MagickFalse)
        throw Magick::ErrorResourceLimit("colour map");
    for (std::size_t i = 0; i < entries; ++i) {
        // Indices past the table read as black, as they do in the bitmap itself.
        RgbQuad c = i < table.size() ? table[i] : RgbQuad{};
        core->colormap[i].red = ToQuantum(c.red);
        core->colormap[i].green = ToQuantum(c.green);
        core->colormap[i].blue = ToQuantum(c.blue);
        core->colormap[i].opacity = 0;  // Magick 6 counts opacity: 0 is opaque
    }
    for (std::int32_t y = 0; y < height; ++y) {
        MagickCore::PixelPacket* pixels = MagickCore::GetAuthenticPixels(
            core, 0, y, static_cast<std::size_t>(width), 1, &core->exception);
        MagickCore::IndexPacket* indexes = MagickCore::GetAuthenticIndexQueue(core);
        if (pixels == nullptr || indexes == nullptr) throw Magick::ErrorCache("pixel cache");
        const std::uint8_t* row = dib8.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            indexes[x] = static_cast<MagickCore::IndexPacket>(row[x]);
            pixels[x] = core->colormap[row[x]];
        }
        if (MagickCore::SyncAuthenticPixels(core, &core->exception) == MagickCore::MagickFalse)
            throw Magick::ErrorCache("pixel cache");
    }
    return result;
}

BgrImage MagickConvert::FromMagick(Magick::Image& image) {
    ToSrgb(image);
    const auto width = static_cast<std::int32_t>(image.columns());
    const auto height = static_cast<std::int32_t>(image.rows());
    BgrImage result(width, height);
    if (!image.matte()) {
        image.write(0, 0, image.columns(), image.rows(), "BGR", MagickCore::CharPixel,
                    result.Pixels().data());
        return result;
    }
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height) * 4);
    image.write(0, 0, image.columns(), image.rows(), "BGRA", MagickCore::CharPixel, bgra.data());
    std::uint8_t* out = result.Pixels().data();
    const std::size_t count = bgra.size() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned alpha = bgra[4 * i + 3];
        for (int channel = 0; channel < 3; ++channel) {
            unsigned value = bgra[4 * i + channel] * alpha + 255u * (255u - alpha);
            out[3 * i + channel] = static_cast<std::uint8_t>((value + 127) / 255);
        }
    }
    return result;
}

bool MagickConvert::PaletteFromMagick(Magick::Image& image, CDib& out) {
    if (image.classType() != MagickCore::PseudoClass || image.matte()) return false;
    const MagickCore::ColorspaceType space = image.colorSpace();
    if (space != MagickCore::sRGBColorspace && space != MagickCore::GRAYColorspace) return false;
    const MagickCore::Image* core = image.constImage();
    const std::size_t entries = core->colors;
    if (entries == 0 || entries > 256 || core->colormap == nullptr) return false;

    const auto width = static_cast<std::int32_t>(image.columns());
    const auto height = static_cast<std::int32_t>(image.rows());
    CDib dib;
    dib.Create(width, height, 8, static_cast<int>(entries));
    for (std::size_t i = 0; i < entries; ++i) {
        const MagickCore::PixelPacket& c = core->colormap[i];
        dib.ColorTable()[i] = RgbQuad{Char(c.blue), Char(c.green), Char(c.red), 0};
    }
    for (std::int32_t y = 0; y < height; ++y) {
        image.getConstPixels(0, y, image.columns(), 1);
        const MagickCore::IndexPacket* indexes = image.getConstIndexes();
        if (indexes == nullptr) return false;
        std::uint8_t* row = dib.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const auto index = static_cast<std::size_t>(indexes[x]);
            if (index >= entries) return false;
            row[x] = static_cast<std::uint8_t>(index);
        }
    }
    out = std::move(dib);
    return true;
}

}  // namespace vorla
