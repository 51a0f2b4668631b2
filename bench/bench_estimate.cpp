// The strip's per-frame byte figures (GifByteEstimator): every frame estimated, and the estimate
// after one frame's edit (that frame and the next), on a 120-frame video-like animation at three
// sizes (320x240, 960x540, 1920x1080) and on every file of the varied set. Each iteration does
// the whole estimate from the frames.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "SaveLikeWriter.h"
#include "core/gif/GifByteEstimate.h"

namespace {

struct Frames {
    std::vector<vorla::CDib> images;
    vorla::GifSourceAnimation source;
};

// "WxH": the video-like animation of that size; anything else: a file of the varied set.
const Frames& FramesOf(const std::string& name) {
    static std::map<std::string, Frames> made;
    Frames& f = made[name];
    if (!f.images.empty()) return f;
    const std::size_t x = name.find('x');
    const bool sized = x != std::string::npos && std::isdigit(static_cast<unsigned char>(name[0]));
    const vorla::bench::Bytes gif = sized ? vorla::bench::MakeDefaultAnimation(
                                                120, std::stoi(name), std::stoi(name.substr(x + 1)))
                                          : vorla::bench::BenchFile(name);
    int width = 0, height = 0;
    vorla::GifDecoder::DecodeAllImages(gif, 1, [&](const vorla::GifPageInfo& page, vorla::CDib&&) {
        width = page.screenWidth;
        height = page.screenHeight;
        return false;
    });
    vorla::bench::DecodeToSource(gif, width, height, f.images, f.source);
    return f;
}

void BM_ByteEstimate(benchmark::State& state, const std::string& name, bool oneEdit) {
    const Frames& f = FramesOf(name);
    const std::size_t count = f.source.frames.size();
    if (count < 2) return state.SkipWithError("no frames");
    std::vector<std::int64_t> figures;
    int compressed = 0;
    vorla::GifByteEstimator estimator;
    std::vector<bool> estimate(count, !oneEdit);
    if (oneEdit) {
        estimate[count / 2] = estimate[count / 2 + 1] = true;
        estimator.Estimate(f.source, std::vector<bool>(count, true), figures, compressed);
    }
    for (auto _ : state) {
        std::vector<std::int64_t> copy = figures;
        if (!estimator.Estimate(f.source, estimate, copy, compressed)) {
            state.SkipWithError("the estimate failed");
            break;
        }
        benchmark::DoNotOptimize(copy.data());
    }
    const double pixels = static_cast<double>(f.source.screenWidth) * f.source.screenHeight *
                          static_cast<double>(count);
    state.counters["frames"] = static_cast<double>(count);
    state.counters["frames_compressed"] = compressed;
    state.counters["pixels_per_s"] = benchmark::Counter(
        pixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

const bool registered = [] {
    std::vector<std::string> names = {"320x240", "960x540", "1920x1080"};
    for (const std::string& file : vorla::bench::BenchFileNames()) names.push_back(file);
    for (const std::string& name : names) {
        for (const bool oneEdit : {false, true}) {
            benchmark::RegisterBenchmark(
                ("BM_ByteEstimate_" + name + (oneEdit ? "_OneEdit" : "_All")).c_str(),
                BM_ByteEstimate, name, oneEdit)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
    return true;
}();

}  // namespace
