#include "imaging/MagickImaging.h"
#include "imaging/NoThrow.h"

#include <Magick++.h>

#include <exception>
#include <mutex>

#include "core/model/ByteStream.h"
#include "imaging/AviFrameReader.h"
#include "imaging/BgrImage.h"
#include "imaging/GifPageCache.h"
#include "imaging/ImageSource.h"
#include "imaging/MagickConvert.h"
#include "imaging/Quantizer.h"

namespace vorla {
namespace {

constexpr std::uint32_t kBiRgb = 0;
// Icons hold at most 256 pixels a side.
constexpr std::size_t kMaxIconSide = 256;
constexpr std::size_t kJpegQuality = 92;

std::once_flag initializeOnce;

bool IsPlain8(const CDib& image) {
    return image.BitCount() == 8 && image.Compression() == kBiRgb && !image.IsEmpty() &&
           image.Bits().size() >=
               static_cast<std::size_t>(image.Stride()) * static_cast<std::size_t>(image.Height());
}

bool IsPlain24(const CDib& image) {
    return image.BitCount() == 24 && image.Compression() == kBiRgb && !image.IsEmpty() &&
           image.Bits().size() >=
               static_cast<std::size_t>(image.Stride()) * static_cast<std::size_t>(image.Height());
}

const char* CoderFor(ImageFormat format, bool palette) {
    switch (format) {
        case ImageFormat::Bmp: return "BMP3";
        case ImageFormat::Gif: return "GIF";
        case ImageFormat::Psd: return "PSD";
        case ImageFormat::Ico: return "ICO";
        case ImageFormat::Png: return palette ? "PNG8" : "PNG24";
        case ImageFormat::Pcx: return "PCX";
        case ImageFormat::Tga: return "TGA";
        case ImageFormat::Jpeg: return "JPEG";
        case ImageFormat::Tiff: return "TIFF";
    }
    return "";
}

// Magick 6 writes indexed PSD files that no reader (itself included) accepts, so PSD is
// always written in RGB.
bool FormatKeepsPalette(ImageFormat format) {
    return format != ImageFormat::Jpeg && format != ImageFormat::Ico && format != ImageFormat::Psd;
}

}  // namespace

MagickImaging::MagickImaging() : gifPages_(std::make_unique<GifPageCache>()) {
    InitializeImaging(nullptr);
}

MagickImaging::~MagickImaging() = default;

void MagickImaging::InitializeImaging(const char* argv0) {
    std::call_once(initializeOnce, [argv0] {
        AviFrameReader::SilenceLogging();
        // A start-up failure leaves Magick unusable; every later operation then fails.
        NoThrow(false, [argv0] {
            Magick::InitializeMagick(argv0);
            // Debian's policy caps memory at 256 MiB and area at 128 Mpx, and Magick takes the
            // smaller of policy and request, so these raise the limits only as far as the local
            // policy allows; beyond the memory limit Magick moves the pixel cache to disk instead
            // of failing. The width and height limits make Magick itself refuse what the layer's
            // budget refuses.
            Magick::ResourceLimits::memory(std::uint64_t{2} << 30);
            Magick::ResourceLimits::map(std::uint64_t{4} << 30);
            Magick::ResourceLimits::area(std::uint64_t{1} << 30);
            Magick::ResourceLimits::disk(std::uint64_t{8} << 30);
            Magick::ResourceLimits::width(
                static_cast<MagickCore::MagickSizeType>(ImageSource::kMaxSide));
            Magick::ResourceLimits::height(
                static_cast<MagickCore::MagickSizeType>(ImageSource::kMaxSide));
            return true;
        });
    });
}

ImagingResult MagickImaging::ReadNatural(const std::string& path, CDib& out) {
    SourceFormat format;
    ImagingResult identified = ImageSource::Identify(path, format);
    if (identified != ImagingResult::Ok) return identified;
    switch (format.kind) {
        case SourceKind::Gif: {
            GifPageInfo info;
            return gifPages_->Page(path, 0, out, info);
        }
        case SourceKind::Movie:
            return AviFrameReader::ReadFirstFrame(path, ImageSource::kMaxPixels, out);
        case SourceKind::Still: {
            Magick::Image image;
            ImagingResult read = ImageSource::ReadStill(path, format, image);
            if (read != ImagingResult::Ok) return read;
            try {
                if (!MagickConvert::PaletteFromMagick(image, out))
                    out = MagickConvert::FromMagick(image).ToDib24();
                return ImagingResult::Ok;
            } catch (const Magick::Exception&) {
                return ImagingResult::Failed;
            } catch (const std::exception&) {
                return ImagingResult::Failed;
            }
        }
        case SourceKind::Unknown: break;
    }
    return ImagingResult::Failed;
}

bool MagickImaging::ToBgr(const CDib& image, BgrImage& out) {
    if (!ImageSource::WithinBudget(image.Width(), image.Height())) return false;
    if (BgrImage::FromDib(image, out)) return true;
    // Run-length bitmaps: Magick's BMP reader unpacks them.
    try {
        std::vector<std::uint8_t> bytes = image.ToBytes();
        Magick::Blob blob(bytes.data(), bytes.size());
        Magick::Image decoded;
        decoded.quiet(true);
        decoded.magick("BMP");
        decoded.read(blob);
        if (decoded.columns() != static_cast<std::size_t>(image.Width()) ||
            decoded.rows() != static_cast<std::size_t>(image.Height()))
            return false;
        out = MagickConvert::FromMagick(decoded);
        return true;
    } catch (const Magick::Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool MagickImaging::ToDepth(const CDib& image, int bits, CDib& out) {
    if (bits == 8 || bits == 0) {
        if (IsPlain8(image)) {
            out = image;
            return true;
        }
    } else if (bits == 24) {
        if (IsPlain24(image)) {
            out = image;
            return true;
        }
    } else {
        return false;
    }
    BgrImage pixels;
    if (!ToBgr(image, pixels)) return false;
    if (bits == 24) {
        out = pixels.ToDib24();
        return true;
    }
    if (bits == 8) return pixels.ToDib8(out);
    if (!pixels.ToExactPalette(out)) out = pixels.ToDib24();
    return true;
}

ImagingResult MagickImaging::LoadFile(const std::string& path, int bits, CDib& out) {
    return NoThrow(ImagingResult::Failed, [&]() -> ImagingResult {
        if (bits != 0 && bits != 8 && bits != 24) return ImagingResult::Failed;
        CDib natural;
        ImagingResult read = ReadNatural(path, natural);
        if (read != ImagingResult::Ok) return read;
        return ToDepth(natural, bits, out) ? ImagingResult::Ok : ImagingResult::Failed;
    });
}

ImagingResult MagickImaging::ImageSize(const std::string& path, std::int32_t& width,
                                       std::int32_t& height) {
    return NoThrow(ImagingResult::Failed, [&]() -> ImagingResult {
        SourceFormat format;
        ImagingResult identified = ImageSource::Identify(path, format);
        if (identified != ImagingResult::Ok) return identified;
        if (format.kind == SourceKind::Movie) return AviFrameReader::FrameSize(path, width, height);
        return ImageSource::PingStill(path, format, width, height);
    });
}

bool MagickImaging::Encode(const CDib& image, ImageFormat format,
                           std::vector<std::uint8_t>& bytes) {
    if (format == ImageFormat::Bmp) {
        // The program's own exchange format: written as it stands, palette and depth intact.
        CDib plain;
        if (!IsPlain8(image) && !IsPlain24(image)) {
            if (!ToDepth(image, 24, plain)) return false;
        }
        bytes = (plain.IsEmpty() ? image : plain).ToBytes();
        return !bytes.empty();
    }
    try {
        CDib palette;
        bool usePalette = false;
        if (FormatKeepsPalette(format) && IsPlain8(image)) {
            palette = image;
            usePalette = true;
        } else if (format == ImageFormat::Gif) {
            // GIF holds palettes only; the quantiser chooses better ones than Magick would.
            if (!ToDepth(image, 8, palette)) return false;
            usePalette = true;
        }
        Magick::Image picture;
        if (usePalette) {
            picture = MagickConvert::ToMagickPalette(palette);
        } else {
            BgrImage pixels;
            if (!ToBgr(image, pixels)) return false;
            picture = MagickConvert::ToMagick(pixels);
        }
        if (format == ImageFormat::Ico &&
            (picture.columns() > kMaxIconSide || picture.rows() > kMaxIconSide)) {
            picture.filterType(MagickCore::TriangleFilter);
            picture.resize(Magick::Geometry(kMaxIconSide, kMaxIconSide));  // keeps the aspect
        }
        if (format == ImageFormat::Tga) picture.orientation(MagickCore::TopLeftOrientation);
        if (format == ImageFormat::Jpeg) picture.quality(kJpegQuality);
        Magick::Blob blob;
        picture.write(&blob, CoderFor(format, usePalette));
        const auto* data = static_cast<const std::uint8_t*>(blob.data());
        if (data == nullptr || blob.length() == 0) return false;
        bytes.assign(data, data + blob.length());
        return true;
    } catch (const Magick::Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

bool MagickImaging::WriteFile(const CDib& image, const std::string& path, ImageFormat format) {
    return NoThrow(false, [&]() -> bool {
        std::vector<std::uint8_t> bytes;
        if (!Encode(image, format, bytes)) return false;
        return WriteFileAtomically(path, bytes);
    });
}

bool MagickImaging::FileConvert(const std::string& source, const std::string& target,
                                ImageFormat format, std::int32_t width, std::int32_t height,
                                int bits) {
    return NoThrow(false, [&]() -> bool {
        if (bits != 0 && bits != 8 && bits != 24) return false;
        if (width < 0 || height < 0) return false;
        CDib picture;
        if (ReadNatural(source, picture) != ImagingResult::Ok) return false;
        // "Keep" means a palette source stays a palette picture, even when resampling adds colours.
        if (bits == 0 && picture.BitCount() <= 8) bits = 8;
        if (width != 0 || height != 0) {
            const std::int32_t newWidth = width != 0 ? width : picture.Width();
            const std::int32_t newHeight = height != 0 ? height : picture.Height();
            CDib scaled;
            if (!Resample(picture, newWidth, newHeight, scaled)) return false;
            picture = std::move(scaled);
        }
        CDib result;
        if (!ToDepth(picture, bits, result)) return false;
        return WriteFile(result, target, format);
    });
}

bool MagickImaging::QuantizeShared(const std::vector<std::vector<std::uint8_t>>& rgbaFrames,
                                   std::int32_t width, std::int32_t height, int maxColors,
                                   std::vector<RgbQuad>& palette,
                                   std::vector<std::vector<std::uint8_t>>& indices) {
    return Quantizer::QuantizeShared(rgbaFrames, width, height, maxColors, palette, indices);
}

bool MagickImaging::Quantize(const CDib& image, CDib& out, const QuantizeOptions& options) {
    return NoThrow(false, [&]() -> bool {
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        return Quantizer::Quantize(pixels.ToRgba(), pixels.Width(), pixels.Height(), out, options);
    });
}

bool MagickImaging::Resample(const CDib& image, std::int32_t width, std::int32_t height,
                             CDib& out) {
    return NoThrow(false, [&]() -> bool {
        if (!ImageSource::WithinBudget(width, height)) return false;
        BgrImage pixels;
        if (!ToBgr(image, pixels)) return false;
        try {
            Magick::Image picture = MagickConvert::ToMagick(pixels);
            picture.filterType(MagickCore::TriangleFilter);
            Magick::Geometry size(static_cast<std::size_t>(width),
                                  static_cast<std::size_t>(height));
            size.aspect(true);  // exactly this size, whatever the source's proportions
            picture.resize(size);
            out = MagickConvert::FromMagick(picture).ToDib24();
            return true;
        } catch (const Magick::Exception&) {
            return false;
        } catch (const std::exception&) {
            return false;
        }
    });
}

}  // namespace vorla
