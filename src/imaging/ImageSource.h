// Where a file's picture comes from: the file kind told by its first bytes (the extension only
// for TGA, which has no signature), and the checked first image of a still-image file read
// through Magick. Only the formats the program offers are ever handed to Magick, so none of its
// other coders (scripts, vector formats, text) can be reached through a renamed file.
#pragma once

#include <Magick++.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/port/Imaging.h"

namespace vorla {

enum class SourceKind { Unknown, Still, Gif, Movie };

struct SourceFormat {
    SourceKind kind = SourceKind::Unknown;
    const char* magick = "";  // the Magick coder for Still (and Gif) files
};

class ImageSource {
public:
    // Budget for any picture the layer decodes or creates. Both numbers sit inside Debian's
    // ImageMagick policy (width and height 16000 px there) and keep one picture's working
    // copies (16-bit RGBA pixel cache, 24-bit bitmap) well under a gigabyte.
    static constexpr std::int64_t kMaxSide = 16000;
    static constexpr std::int64_t kMaxPixels = std::int64_t{64} << 20;
    // Still-image files are read whole into memory before decoding.
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{512} << 20;

    static bool WithinBudget(std::int64_t width, std::int64_t height) {
        return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
               width * height <= kMaxPixels;
    }

    static SourceFormat Sniff(const std::vector<std::uint8_t>& head, const std::string& path);
    // Reads the first bytes of path; NotFound when it does not exist or is not a regular file.
    static ImagingResult Identify(const std::string& path, SourceFormat& format);

    // The size a still-image file declares, without decoding its pixels.
    static ImagingResult PingStill(const std::string& path, const SourceFormat& format,
                                   std::int32_t& width, std::int32_t& height);
    // The first image (first page, first icon, a PSD's composite) upright, after its declared
    // size passed the budget. Throws nothing; Failed for every decoding problem.
    static ImagingResult ReadStill(const std::string& path, const SourceFormat& format,
                                   Magick::Image& out);
};

}  // namespace vorla
