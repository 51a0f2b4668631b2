// Clips made by ffmpeg imported as 동영상 가져오기 and "vorla --video" import them: how many
// frames, their size and delays, the faults each kind of bad file gives, the pictures against
// ffmpeg's own decode of the same times, and still areas that stay still.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numeric>

#include "core/video/VideoImport.h"
#include "imaging/AviFrameReader.h"
#include "imaging/LibavVideoSource.h"
#include "imaging/LiqVideoQuantizer.h"
#include "support/TestClips.h"

namespace vorla {
namespace {

// Every clip the tests read, made once for the run.
struct Clips {
    Clips() {
        AviFrameReader::SilenceLogging();
        const std::string x264 = " -c:v libx264 -pix_fmt yuv420p";
        mp4 = test::MakeClip(dir, "a.mp4", test::TestSource() + x264);
        webm = test::MakeClip(dir, "a.webm", test::TestSource() + " -c:v libvpx-vp9");
        mkv = test::MakeClip(dir, "a.mkv", test::TestSource("24000/1001") + x264);
        rotated =
            test::MakeClip(dir, "rotated.mp4", "-i " + mp4 + " -c copy -metadata:s:v rotate=90");
        sound = test::MakeClip(dir, "sound.m4a", "-f lavfi -i sine -t 1");
        // Colour bars under a little noise that changes every frame: a still picture as a camera
        // films it.
        still = test::MakeClip(dir, "still.mp4",
                               "-f lavfi -i smptebars=size=160x120:rate=25,noise=alls=3:allf=t "
                               "-t 1 -crf 12" +
                                   x264);
        cutMkv = test::CutClip(dir, mkv, "cut.mkv", test::ReadBytes(mkv).size() / 2);
        // An MP4 keeps its index at the end: cut short, nothing says where the pictures are.
        cutMp4 = test::CutClip(dir, mp4, "cut.mp4", test::ReadBytes(mp4).size() / 2);
        text = dir.File("notes.mp4");
        test::WriteBytes(text, {'n', 'o', 't', ' ', 'a', ' ', 'c', 'l', 'i', 'p', '\n'});
    }
    test::TempDir dir;
    std::string mp4, webm, mkv, rotated, sound, still, cutMkv, cutMp4, text;
};

const Clips& TheClips() {
    static const Clips clips;
    return clips;
}

struct Imported {
    VideoFault fault = VideoFault::None;  // from Open, else from the import
    std::string problem;                  // the plan's refusal
    VideoPlan plan;
    VideoImportResult result;
};

Imported Import(const std::string& path, const VideoChoice& choice, int frameLimit = 300,
                const GifProgress& progress = {}) {
    Imported out;
    LibavVideoSource source;
    LiqVideoQuantizer quantizer;
    VideoInfo info;
    out.fault = source.Open(path, info);
    if (out.fault != VideoFault::None) return out;
    out.problem = MakeVideoPlan(info, choice, frameLimit, out.plan);
    if (!out.problem.empty()) return out;
    out.result = ImportVideo(source, quantizer, out.plan, choice, progress);
    out.fault = out.result.fault;
    return out;
}

using P = VideoChoice::Palette;
using D = VideoChoice::Dither;

VideoChoice Choose(int fps, double start = 0, double end = -1, P palette = P::Shared,
                   D dither = D::Diffusion) {
    VideoChoice choice;
    choice.fps = fps;
    choice.start = start;
    choice.end = end;
    choice.palette = palette;
    choice.dither = dither;
    return choice;
}

TEST(VideoImport, MakesThePlannedFramesOrSaysWhyNot) {
    const Clips& c = TheClips();
    struct Case {
        std::string clip;
        VideoChoice choice;
        int frames;  // -1: fewer than planned, but some
        int width = 160;
        int height = 120;
        VideoFault fault = VideoFault::None;
        std::string refusal = {};  // words of the plan's refusal
        int limit = 300;
        bool cancel = false;
    };
    const Case cases[] = {
        {c.mp4, Choose(10), 20},
        {c.webm, Choose(0, 0, -1, P::PerFrame, D::Ordered), 50},
        {c.mkv, Choose(0), 48},       // 23.976 fps: 47.95 frames, delays of 4 and 5
        {c.mkv, Choose(7, 0.5), 11},  // 10.5 frames round up; the last lasts the remainder
        {c.rotated, Choose(25, 0, -1, P::Shared, D::None), 50, 120, 160},
        {c.mp4, Choose(10, 1.2, 1.55), 4},  // 3.5 frames after the seek
        {c.cutMkv, Choose(10), -1, 160, 120, VideoFault::EndedEarly},
        {c.cutMp4, Choose(10), 0, 0, 0, VideoFault::Damaged},
        {c.sound, Choose(10), 0, 0, 0, VideoFault::NoVideoStream},
        {c.text, Choose(10), 0, 0, 0, VideoFault::NotVideo},
        {c.mp4, Choose(10), 0, 0, 0, VideoFault::Cancelled, "", 300, true},
        {c.mp4, Choose(10, 1, 1.04), 0, 0, 0, VideoFault::None, "한 프레임"},
        {c.mp4, Choose(50), 0, 0, 0, VideoFault::None, "100개", 99},
        {c.mp4, Choose(0, 3), 0, 0, 0, VideoFault::None, "시작 시각"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clip + " at " + std::to_string(k.choice.fps) + " fps from " +
                     std::to_string(k.choice.start));
        ASSERT_FALSE(k.clip.empty()) << "ffmpeg could not make a clip";
        const Imported got = Import(k.clip, k.choice, k.limit, [&](int, int) { return !k.cancel; });
        if (!k.refusal.empty()) {
            EXPECT_NE(got.problem.find(k.refusal), std::string::npos) << got.problem;
            continue;
        }
        ASSERT_EQ(got.problem, "");
        ASSERT_EQ(got.fault, k.fault) << VideoFaultText(got.fault, k.clip);
        const std::vector<CDib>& frames = got.result.frames;
        if (k.frames == 0) {
            EXPECT_TRUE(frames.empty()) << "have " << frames.size() << " frames after a fault";
            continue;
        }
        if (k.frames < 0) {
            EXPECT_GT(frames.size(), 0u);
            EXPECT_LT(static_cast<int>(frames.size()), got.plan.frameCount);
        } else {
            EXPECT_EQ(static_cast<int>(frames.size()), k.frames);
            const int total =
                std::accumulate(got.result.delays.begin(), got.result.delays.end(), 0);
            const double wanted = 100 * (got.plan.end - got.plan.start);
            EXPECT_LE(std::abs(total - wanted), 1.0) << "have " << total << " cs, want " << wanted;
        }
        ASSERT_EQ(got.result.delays.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i].Width(), k.width) << "frame " << i;
            ASSERT_EQ(frames[i].Height(), k.height) << "frame " << i;
            ASSERT_GE(got.result.delays[i], 2) << "frame " << i;
        }
    }
}

// ffmpeg's decode of the same times: its fps filter rounding up takes, for each time, the last
// picture not after it, as the import does; its scaler gets the flags the import uses.
std::vector<std::uint8_t> FfmpegFrames(const std::string& clip, int fps, int width, int height) {
    const std::string command =
        "ffmpeg -nostdin -v error -i '" + clip + "' -vf fps=fps=" + std::to_string(fps) +
        ":round=up,scale=" + std::to_string(width) + ":" + std::to_string(height) +
        ":flags=lanczos+full_chroma_int+accurate_rnd -f rawvideo "
        "-pix_fmt rgb24 -";
    std::vector<std::uint8_t> bytes;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return bytes;
    std::uint8_t block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) {
        bytes.insert(bytes.end(), block, block + n);
    }
    pclose(pipe);
    return bytes;
}

double Psnr(const CDib& frame, const std::uint8_t* rgb) {
    double squares = 0;
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x, rgb += 3) {
            const RgbQuad& c = frame.ColorTable()[frame.Index(x, y)];
            const int d[3] = {c.red - rgb[0], c.green - rgb[1], c.blue - rgb[2]};
            squares += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double mean = squares / (3.0 * frame.Width() * frame.Height());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

TEST(VideoImport, FramesMatchFfmpegsDecodeOfTheSameTimes) {
    const Clips& c = TheClips();
    struct Case {
        std::string clip;
        VideoChoice choice;
    };
    const Case cases[] = {
        {c.webm, Choose(10)},
        {c.rotated, Choose(25, 0, -1, P::Shared, D::None)},
        {c.mp4, Choose(25, 0, -1, P::PerFrame, D::Ordered)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clip);
        const Imported got = Import(k.clip, k.choice);
        ASSERT_EQ(got.fault, VideoFault::None);
        const std::vector<CDib>& frames = got.result.frames;
        const std::size_t size = 3 * static_cast<std::size_t>(got.plan.width) * got.plan.height;
        const std::vector<std::uint8_t> theirs =
            FfmpegFrames(k.clip, k.choice.fps, got.plan.width, got.plan.height);
        ASSERT_EQ(theirs.size(), frames.size() * size) << "ffmpeg made " << theirs.size() / size;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_GE(Psnr(frames[i], theirs.data() + i * size), 30) << "frame " << i;
        }
    }
}

TEST(VideoImport, StillAreasKeepTheirIndicesUnderNoise) {
    const Imported got = Import(TheClips().still, Choose(25));
    ASSERT_EQ(got.fault, VideoFault::None);
    const std::vector<CDib>& frames = got.result.frames;
    ASSERT_GT(frames.size(), 2u);
    // What the optimising save has to write again in each frame.
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const auto& now = frames[i].Bits();
        const auto& before = frames[i - 1].Bits();
        const auto same = std::inner_product(now.begin(), now.end(), before.begin(), std::size_t{0},
                                             std::plus<>(), std::equal_to<>());
        EXPECT_GE(same, now.size() * 95 / 100) << "frame " << i << " changed " << now.size() - same;
    }
}

}  // namespace
}  // namespace vorla
