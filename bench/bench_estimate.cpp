// The strip's per-frame byte figures (GifByteEstimator) at three sizes of a 120-frame video-like
// animation (320x240, 960x540, 1920x1080): every frame estimated, and the estimate after one
// frame's edit (that frame and the next). Each iteration does the whole estimate from the frames.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "BenchData.h"
#include "core/gif/GifByteEstimate.h"
#include "core/gif/GifDecoder.h"

namespace {

struct Frames {
    std::vector<vorla::CDib> images;
    vorla::GifSourceAnimation source;
};

const Frames& FramesOf(int width, int height) {
    static std::map<std::pair<int, int>, Frames> made;
    Frames& f = made[{width, height}];
    if (!f.images.empty()) return f;
    const vorla::bench::Bytes gif = vorla::bench::MakeDefaultAnimation(120, width, height);
    std::vector<vorla::GifPageInfo> pages;
    vorla::GifDecoder::DecodeAllImages(gif, SIZE_MAX,
                                       [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
                                           pages.push_back(page);
                                           f.images.push_back(std::move(dib));
                                           return true;
                                       });
    f.source.screenWidth = width;
    f.source.screenHeight = height;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int disposal = (pages[i].controlByte >> 2) & 7;
        f.source.frames.push_back({&f.images[i], pages[i].left, pages[i].top, pages[i].delay,
                                   disposal == 2 || disposal == 3 ? disposal : 1,
                                   pages[i].transparent ? pages[i].transparentIndex : -1});
    }
    return f;
}

void BM_ByteEstimate(benchmark::State& state) {
    const Frames& f = FramesOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool oneEdit = state.range(2) != 0;
    std::vector<std::int64_t> figures;
    int compressed = 0;
    vorla::GifByteEstimator estimator;
    std::vector<bool> estimate(f.source.frames.size(), !oneEdit);
    if (oneEdit) {
        estimate[60] = estimate[61] = true;
        estimator.Estimate(f.source, std::vector<bool>(f.source.frames.size(), true), figures,
                           compressed);
    }
    for (auto _ : state) {
        std::vector<std::int64_t> copy = figures;
        if (!estimator.Estimate(f.source, estimate, copy, compressed)) {
            state.SkipWithError("the estimate failed");
            break;
        }
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["frames_compressed"] = compressed;
    state.counters["pixels_per_s"] =
        benchmark::Counter(static_cast<double>(state.range(0) * state.range(1)) * 120.0 *
                               static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ByteEstimate)
    ->ArgNames({"w", "h", "one_edit"})
    ->Args({320, 240, 0})
    ->Args({960, 540, 0})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
