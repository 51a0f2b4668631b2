// Video files as the import reads them: what a clip holds, and its pictures at chosen times,
// scaled, with square pixels and upright. Implemented over libav in src/imaging; the core decides
// which times, which size and which colours.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorla {

// Why a clip cannot be read (or was read only in part). The user interface chooses the words
// (VideoFaultText).
enum class VideoFault {
    None,
    NotVideo,       // no container libav knows, or a still picture
    NoVideoStream,  // sound only (a cover picture does not count as video)
    Unsupported,    // a video stream without a decoder
    Damaged,        // nothing decodes
    EndedEarly,     // the pictures stop before the times asked for; those delivered stand
    TooLarge,       // wider or taller than kMaxVideoSide
    UnknownTiming,  // no usable duration
    Cancelled,      // the frame sink said stop
};

// The largest source width or height, in pixels, after the pixels are made square.
inline constexpr int kMaxVideoSide = 16000;

struct VideoInfo {
    double duration = 0;  // seconds, of the video stream (the container's when the stream has none)
    // Frames per second as a fraction; both 0 when the clip does not say or says something absurd.
    int rateNumerator = 0;
    int rateDenominator = 0;
    // The picture as shown: anamorphic pixels widened to square ones, then turned upright.
    int width = 0;
    int height = 0;
    int rotation = 0;  // clockwise degrees that stand the stored picture upright: 0, 90, 180, 270

    double FrameRate() const {
        return rateDenominator > 0 ? static_cast<double>(rateNumerator) / rateDenominator : 0.0;
    }
};

// One delivered picture: the position of its time in the request and width * height pixels of
// 3 bytes (R, G, B), rows top first. false stops the decoding (Cancelled).
using VideoFrameSink = std::function<bool(int index, const std::uint8_t* rgb)>;

class VideoSource {
public:
    virtual ~VideoSource() = default;

    // None with info filled, or why the clip cannot be imported.
    virtual VideoFault Open(const std::string& path, VideoInfo& info) = 0;

    // After a successful Open, any number of times. times: seconds from the clip's start,
    // ascending. Each time gets the last picture whose presentation time is not after it (times
    // before the first picture get the first), scaled to width x height (the upright size), and
    // the sink sees them in order. None: every time delivered; EndedEarly: the stream ran out
    // first (the pictures delivered stand); Damaged: no picture decoded; Cancelled.
    virtual VideoFault Decode(const std::vector<double>& times, int width, int height,
                              const VideoFrameSink& sink) = 0;
};

}  // namespace vorla
