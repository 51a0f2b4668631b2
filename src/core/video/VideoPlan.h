// What a video import will make, decided before anything is decoded: the segment, the frame rate,
// the size, the number of frames, each frame's time and delay. The dialog and the command line
// both refuse a choice here, so the frame limit is told before any work starts.
#pragma once

#include <string>
#include <vector>

#include "core/port/VideoSource.h"

namespace vorla {

struct VideoChoice {
    enum class Palette { Shared, PerFrame };  // 모든 프레임에 한 팔레트 / 프레임마다 팔레트
    enum class Dither { None, Ordered, Diffusion };

    double start = 0;  // seconds from the clip's start
    double end = -1;   // seconds; -1: the clip's end
    int fps = 10;      // kMinFps..kMaxFps; 0: the source's rate (at most kMaxFps)
    int width = 0;     // of the result; 0: kDefaultWidth, or the source's width when smaller
    int colours = 256;
    Palette palette = Palette::Shared;
    Dither dither = Dither::Diffusion;
    // 손실 압축, 0..kMaxLossy (0: none): with one palette, a pixel keeps the index it had while
    // that entry stays within LossyTolerance(lossy) of its colour in every channel; a pixel takes
    // the entry of the one before it in its row while that is within half of it; and error
    // diffusion passes on less (PaletteRemap). The file is written losslessly.
    int lossy = 0;
};

inline constexpr int kMinFps = 5;
// A GIF delay is a whole number of centiseconds, and browsers slow down delays below 2.
inline constexpr int kMaxFps = 50;
inline constexpr int kDefaultWidth = 480;
inline constexpr int kMinVideoWidth = 16;
inline constexpr int kMinColours = 2;
inline constexpr int kMaxColours = 256;

struct VideoPlan {
    double start = 0;
    double end = 0;
    double fps = 0;  // the rate frames are taken at
    int width = 0;
    int height = 0;
    int frameCount = 0;
    int colours = 256;

    // Output frame i shows the clip at start + i / fps.
    std::vector<double> Times() const;
    // Delays in centiseconds of the first `frames` frames (frameCount, or fewer when the clip
    // ended early): frame i lasts until frame i + 1's time, the last one until the segment's end
    // (or, cut short, for one frame). Each is rounded with the error carried to the next, so the
    // sum is the segment's length to within a centisecond; none is below 2.
    std::vector<int> Delays(int frames) const;
};

// Fills plan from the clip and the choice; "" when it can be made, else why not in Korean.
// frameLimit: the most frames the result may have.
std::string MakeVideoPlan(const VideoInfo& info, const VideoChoice& choice, int frameLimit,
                          VideoPlan& plan);

// The number of frames a choice of rate gives over [start, end): one per 1/fps, a remainder of
// at least half a frame counting as one more. 0 when the segment is shorter than one frame.
int VideoFrameCount(double start, double end, double fps);

// The frames a choice makes, whatever the limit; 0 when the plan refuses it for another reason.
// Above the limit, the dialog and the command line offer the ways below.
int ChoiceFrameCount(const VideoInfo& info, const VideoChoice& choice);

// Ways into the frame limit for a choice the plan refuses as too long: the highest whole rate
// (kMinFps..kMaxFps) whose frames fit, 0 when even kMinFps does not; and the end that makes the
// segment fit at the choice's rate (the source's when fps is 0).
int RateThatFits(const VideoInfo& info, const VideoChoice& choice, int frameLimit);
double EndThatFits(const VideoInfo& info, const VideoChoice& choice, int frameLimit);

// A file name the editor takes for a clip to import rather than a picture to open: MP4, M4V,
// WebM, MKV, MOV (AVI keeps its one-frame open).
bool IsVideoClipName(const std::string& path);

// The message for a fault, naming the file by its name part.
std::string VideoFaultText(VideoFault fault, const std::string& path);

// "3.5초": seconds with at most two decimals, for messages and the dialog's summary.
std::string SecondsText(double seconds);

}  // namespace vorla
