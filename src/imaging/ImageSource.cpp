#include "imaging/ImageSource.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>

#include "core/model/ByteStream.h"

namespace vorla {
namespace {

constexpr std::size_t kHeadBytes = 16;

bool StartsWith(const std::vector<std::uint8_t>& head, std::initializer_list<int> bytes,
                std::size_t at = 0) {
    if (head.size() < at + bytes.size()) return false;
    std::size_t i = at;
    for (int b : bytes)
        if (head[i++] != static_cast<std::uint8_t>(b)) return false;
    return true;
}

std::string LowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// A still file read whole, with its coder fixed so Magick never guesses.
bool LoadBlob(const std::string& path, Magick::Blob& blob) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, ImageSource::kMaxFileBytes) || bytes.empty()) return false;
    blob.update(bytes.data(), bytes.size());
    return true;
}

void PrepareFirstImageRead(Magick::Image& image, const SourceFormat& format) {
    image.quiet(true);  // warnings (odd but readable files) must not become exceptions
    image.subImage(0);
    image.subRange(1);
    image.magick(format.magick);
}

}  // namespace

SourceFormat ImageSource::Sniff(const std::vector<std::uint8_t>& head, const std::string& path) {
    if (StartsWith(head, {'G', 'I', 'F', '8'})) return {SourceKind::Gif, "GIF"};
    if (StartsWith(head, {'R', 'I', 'F', 'F'}) && StartsWith(head, {'A', 'V', 'I', ' '}, 8))
        return {SourceKind::Movie, ""};
    if (StartsWith(head, {'B', 'M'})) return {SourceKind::Still, "BMP"};
    if (StartsWith(head, {0xFF, 0xD8, 0xFF})) return {SourceKind::Still, "JPEG"};
    if (StartsWith(head, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return {SourceKind::Still, "PNG"};
    if (StartsWith(head, {'8', 'B', 'P', 'S'})) return {SourceKind::Still, "PSD"};
    if (StartsWith(head, {'I', 'I', 42, 0}) || StartsWith(head, {'M', 'M', 0, 42}) ||
        StartsWith(head, {'I', 'I', 43, 0}) || StartsWith(head, {'M', 'M', 0, 43}))
        return {SourceKind::Still, "TIFF"};
    // TGA has no signature, and a true-colour TGA starts with the same four bytes as a cursor:
    // the extension decides before the icon signatures are tried.
    const std::string extension = LowerExtension(path);
    if (extension == ".tga" || extension == ".icb" || extension == ".vda" || extension == ".vst")
        return {SourceKind::Still, "TGA"};
    // Icons and cursors: reserved 0, type 1 or 2, at least one entry.
    const bool hasEntries = head.size() >= 6 && (head[4] != 0 || head[5] != 0);
    if (StartsWith(head, {0, 0, 1, 0}) && hasEntries) return {SourceKind::Still, "ICO"};
    if (StartsWith(head, {0, 0, 2, 0}) && hasEntries) return {SourceKind::Still, "CUR"};
    // PCX: manufacturer 10, a known version, run-length or raw encoding.
    if (head.size() >= 3 && head[0] == 0x0A && head[1] <= 5 && head[1] != 1 && head[2] <= 1)
        return {SourceKind::Still, "PCX"};
    if (extension == ".avi") return {SourceKind::Movie, ""};
    return {};
}

ImagingResult ImageSource::Identify(const std::string& path, SourceFormat& format) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) return ImagingResult::NotFound;
    if (!std::filesystem::is_regular_file(path, error)) return ImagingResult::Failed;
    std::ifstream in(path, std::ios::binary);
    if (!in) return ImagingResult::Failed;
    std::vector<std::uint8_t> head(kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    format = Sniff(head, path);
    return format.kind == SourceKind::Unknown ? ImagingResult::Failed : ImagingResult::Ok;
}

ImagingResult ImageSource::PingStill(const std::string& path, const SourceFormat& format,
                                     std::int32_t& width, std::int32_t& height) {
    try {
        Magick::Blob blob;
        if (!LoadBlob(path, blob)) return ImagingResult::Failed;
        Magick::Image image;
        PrepareFirstImageRead(image, format);
        image.ping(blob);
        const auto w = static_cast<std::int64_t>(image.columns());
        const auto h = static_cast<std::int64_t>(image.rows());
        if (w <= 0 || h <= 0 || w > CDib::kMaxDimension || h > CDib::kMaxDimension)
            return ImagingResult::Failed;
        // A picture stored on its side reports the size it is shown at.
        const MagickCore::OrientationType orientation = image.orientation();
        const bool sideways = orientation >= MagickCore::LeftTopOrientation;
        width = static_cast<std::int32_t>(sideways ? h : w);
        height = static_cast<std::int32_t>(sideways ? w : h);
        return ImagingResult::Ok;
    } catch (const Magick::Exception&) {
        return ImagingResult::Failed;
    } catch (const std::exception&) {
        return ImagingResult::Failed;
    }
}

ImagingResult ImageSource::ReadStill(const std::string& path, const SourceFormat& format,
                                     Magick::Image& out) {
    try {
        Magick::Blob blob;
        if (!LoadBlob(path, blob)) return ImagingResult::Failed;
        Magick::Image probe;
        PrepareFirstImageRead(probe, format);
        probe.ping(blob);
        if (!WithinBudget(static_cast<std::int64_t>(probe.columns()),
                          static_cast<std::int64_t>(probe.rows())))
            return ImagingResult::Failed;

        Magick::Image image;
        PrepareFirstImageRead(image, format);
        image.read(blob);
        if (!WithinBudget(static_cast<std::int64_t>(image.columns()),
                          static_cast<std::int64_t>(image.rows())))
            return ImagingResult::Failed;
        // JPEG and TIFF carry an orientation tag; TGA's reader records its bottom-up origin
        // as an orientation instead of flipping the rows.
        image.autoOrient();
        out = image;
        return ImagingResult::Ok;
    } catch (const Magick::Exception&) {
        return ImagingResult::Failed;
    } catch (const std::exception&) {
        return ImagingResult::Failed;
    }
}

}  // namespace vorla
