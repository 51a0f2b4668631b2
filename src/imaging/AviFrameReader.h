// The first video frame of a movie file (AVI in practice; any container libavformat opens),
// decoded in-process through libavcodec and converted to BGR through libswscale.
#pragma once

#include <cstdint>
#include <string>

#include "core/model/CDib.h"
#include "core/port/Imaging.h"

namespace vorla {

class AviFrameReader {
public:
    // libav logs to stderr by default; the layer reports through results only.
    static void SilenceLogging();
    // Frame size of the first video stream without decoding a frame.
    static ImagingResult FrameSize(const std::string& path, std::int32_t& width,
                                   std::int32_t& height);
    // The first decodable frame as a 24-bit bitmap. Frames larger than maxPixels are refused
    // before anything is allocated for them.
    static ImagingResult ReadFirstFrame(const std::string& path, std::uint64_t maxPixels,
                                        CDib& out);
};

}  // namespace vorla
