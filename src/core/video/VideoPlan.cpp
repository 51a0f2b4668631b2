#include "core/video/VideoPlan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>

namespace vorla {
namespace {

// Above this many bytes of 8-bit frames the result would not fit in memory beside the editor.
constexpr std::int64_t kMaxResultBytes = std::int64_t{2} << 30;

std::string Range(int minimum, int maximum) {
    return std::to_string(minimum) + "에서 " + std::to_string(maximum) + " 사이";
}

}  // namespace

std::string SecondsText(double seconds) {
    const long long hundredths = std::llround(seconds * 100);
    std::string text = std::to_string(hundredths / 100);
    const long long rest = hundredths % 100;
    if (rest != 0) {
        text += '.';
        text += static_cast<char>('0' + rest / 10);
        if (rest % 10 != 0) text += static_cast<char>('0' + rest % 10);
    }
    return text + "초";
}

int VideoFrameCount(double start, double end, double fps) {
    const double frames = (end - start) * fps;
    // A hair below 1 is float error in a segment of exactly one frame.
    if (!(frames >= 1 - 1e-9) || !std::isfinite(frames)) return 0;
    return static_cast<int>(std::min(std::floor(frames + 0.5), 1e9));
}

std::vector<double> VideoPlan::Times() const {
    std::vector<double> times(static_cast<std::size_t>(frameCount));
    for (int i = 0; i < frameCount; ++i) times[static_cast<std::size_t>(i)] = start + i / fps;
    return times;
}

std::vector<int> VideoPlan::Delays(int frames) const {
    frames = std::clamp(frames, 0, frameCount);
    // Boundaries in centiseconds from the segment's start; rounding each one (not each delay)
    // carries every rounding error into the next delay.
    auto boundary = [&](int i) { return std::llround(100.0 * i / fps); };
    std::vector<int> delays;
    delays.reserve(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const long long until =
            i + 1 < frames
                ? boundary(i + 1)
                : (frames == frameCount ? std::llround(100.0 * (end - start)) : boundary(i + 1));
        delays.push_back(std::max(2, static_cast<int>(until - boundary(i))));
    }
    return delays;
}

namespace {

// Every check but the frame limit and the memory the frames take.
std::string PlanAnyLength(const VideoInfo& info, const VideoChoice& choice, VideoPlan& plan) {
    if (!(info.duration > 0) || info.width <= 0 || info.height <= 0) {
        return "동영상의 길이나 크기를 알 수 없습니다.";
    }
    const double length = info.duration;
    if (!(choice.start >= 0) || choice.start >= length) {
        return "시작 시각(" + SecondsText(choice.start) + ")은 0초 이상, 클립 길이(" +
               SecondsText(length) + ")보다 앞이어야 합니다.";
    }
    // An end past the clip means its end: the user asked for everything up to there.
    const double end = choice.end < 0 ? length : std::min(choice.end, length);
    if (end <= choice.start) {
        return "끝 시각(" + SecondsText(end) + ")이 시작 시각(" + SecondsText(choice.start) +
               ")보다 뒤여야 합니다.";
    }
    double fps = choice.fps;
    if (choice.fps == 0) {
        fps = std::min(info.FrameRate(), static_cast<double>(kMaxFps));
        if (!(fps > 0)) {
            return "원본의 프레임 속도를 알 수 없습니다. 프레임 속도를 " + Range(kMinFps, kMaxFps) +
                   "로 정해 주십시오.";
        }
    } else if (choice.fps < kMinFps || choice.fps > kMaxFps) {
        return "프레임 속도는 " + Range(kMinFps, kMaxFps) + "여야 합니다.";
    }
    const int width = choice.width == 0 ? std::min(kDefaultWidth, info.width) : choice.width;
    if (width < kMinVideoWidth || width > kMaxVideoSide) {
        return "폭은 " + Range(kMinVideoWidth, kMaxVideoSide) + "여야 합니다.";
    }
    // The height follows the picture's shape, rounded to an even number as video sizes are.
    const int height = std::max(
        2, static_cast<int>(
               std::llround(static_cast<double>(width) * info.height / info.width / 2) * 2));
    if (height > kMaxVideoSide) {
        return "높이가 " + std::to_string(height) + " 픽셀이 됩니다. 폭을 줄여 주십시오.";
    }
    if (choice.colours < kMinColours || choice.colours > kMaxColours) {
        return "색 수는 " + Range(kMinColours, kMaxColours) + "여야 합니다.";
    }
    const int frames = VideoFrameCount(choice.start, end, fps);
    if (frames == 0) {
        return "구간(" + SecondsText(end - choice.start) + ")이 한 프레임(" + SecondsText(1 / fps) +
               ")보다 짧습니다.";
    }
    plan = VideoPlan{choice.start, end, fps, width, height, frames, choice.colours};
    return {};
}

}  // namespace

std::string MakeVideoPlan(const VideoInfo& info, const VideoChoice& choice, int frameLimit,
                          VideoPlan& plan) {
    VideoPlan made;
    if (std::string problem = PlanAnyLength(info, choice, made); !problem.empty()) return problem;
    if (made.frameCount > frameLimit) {
        return "이대로는 프레임이 " + std::to_string(made.frameCount) +
               "개가 됩니다. 한 문서에는 " + std::to_string(frameLimit) +
               "개까지 담을 수 있으니 프레임 속도를 낮추거나 구간을 줄여 주십시오.";
    }
    if (std::int64_t{made.width} * made.height * made.frameCount > kMaxResultBytes) {
        return "결과가 너무 큽니다(" + std::to_string(made.width) + "x" +
               std::to_string(made.height) + ", 프레임 " + std::to_string(made.frameCount) +
               "개). 폭을 줄여 주십시오.";
    }
    plan = made;
    return {};
}

int ChoiceFrameCount(const VideoInfo& info, const VideoChoice& choice) {
    VideoPlan plan;
    return PlanAnyLength(info, choice, plan).empty() ? plan.frameCount : 0;
}

int RateThatFits(const VideoInfo& info, const VideoChoice& choice, int frameLimit) {
    const double end = choice.end < 0 ? info.duration : std::min(choice.end, info.duration);
    for (int fps = kMaxFps; fps >= kMinFps; --fps) {
        if (VideoFrameCount(choice.start, end, fps) <= frameLimit) return fps;
    }
    return 0;
}

double EndThatFits(const VideoInfo& info, const VideoChoice& choice, int frameLimit) {
    const double fps =
        choice.fps == 0 ? std::min(info.FrameRate(), static_cast<double>(kMaxFps)) : choice.fps;
    const double end = choice.end < 0 ? info.duration : std::min(choice.end, info.duration);
    if (!(fps > 0)) return end;
    // Half a frame short of one frame more: the count rounds a remainder of half a frame up.
    return std::min(end, choice.start + (frameLimit + 0.49) / fps);
}

bool IsVideoClipName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".mp4" || extension == ".m4v" || extension == ".webm" ||
           extension == ".mkv" || extension == ".mov";
}

std::string VideoFaultText(VideoFault fault, const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    switch (fault) {
        case VideoFault::None: return {};
        case VideoFault::NotVideo: return name + ": 동영상 파일이 아닙니다.";
        case VideoFault::NoVideoStream: return name + "에는 영상이 없습니다(소리만 있는 파일).";
        case VideoFault::Unsupported: return name + ": 이 동영상 형식은 풀 수 없습니다.";
        case VideoFault::Damaged:
            return name + ": 동영상이 손상되어 읽을 수 있는 프레임이 없습니다.";
        case VideoFault::EndedEarly:
            return name + ": 동영상이 예상보다 일찍 끝나 읽은 프레임만 가져왔습니다.";
        case VideoFault::TooLarge:
            return name + ": 동영상이 너무 큽니다(가로, 세로 " + std::to_string(kMaxVideoSide) +
                   " 픽셀까지).";
        case VideoFault::UnknownTiming: return name + ": 동영상의 길이를 알 수 없습니다.";
        case VideoFault::Cancelled: return "동영상 가져오기를 취소했습니다.";
    }
    return {};
}

}  // namespace vorla
