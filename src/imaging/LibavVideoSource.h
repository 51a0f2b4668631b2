// The VideoSource port over libavformat, libavcodec and libswscale: a clip from a file, or from
// bytes in memory (the fuzz target reads through the same code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/port/VideoSource.h"

namespace vorla {

class LibavVideoSource : public VideoSource {
public:
    // maxPixels: a stored picture (width x height as coded) above this is TooLarge, checked
    // before the decoder allocates it; the default admits every picture within kMaxVideoSide.
    explicit LibavVideoSource(std::uint64_t maxPixels = std::uint64_t{kMaxVideoSide} *
                                                        kMaxVideoSide);

    VideoFault Open(const std::string& path, VideoInfo& info) override;
    // The same over bytes in memory, which must outlive every Decode.
    VideoFault OpenBytes(const std::uint8_t* data, std::size_t size, VideoInfo& info);

    VideoFault Decode(const std::vector<double>& times, int width, int height,
                      const VideoFrameSink& sink) override;

private:
    struct Input;
    VideoFault OpenInput(Input& input) const;
    VideoFault Inspect(Input& input, VideoInfo& info) const;
    // Opens and inspects what Open or OpenBytes set; opened_ and info_ follow.
    VideoFault OpenSource(VideoInfo& info);

    std::uint64_t maxPixels_;
    std::string path_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool opened_ = false;
    VideoInfo info_;
};

}  // namespace vorla
