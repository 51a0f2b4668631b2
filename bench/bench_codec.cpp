// Decoding speed of the program's GIF reader beside giflib on the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "BenchData.h"
#include "core/gif/GifDecoder.h"

namespace {

using vorla::bench::BenchGif;

void SetPixelRate(benchmark::State& state, std::uint64_t pixelsPerRun) {
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(pixelsPerRun) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(BenchGif().size()) * state.iterations());
}

// Every image to a CDib in one pass: what opening an animation costs.
void BM_Decode_Vorla(benchmark::State& state) {
    const auto& gif = BenchGif();
    std::uint64_t pixels = 0;
    for (auto _ : state) {
        pixels = 0;
        vorla::GifScanResult result = vorla::GifDecoder::DecodeAllImages(
            gif, SIZE_MAX, [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
                pixels += static_cast<std::uint64_t>(page.width) *
                          static_cast<std::uint64_t>(page.height);
                benchmark::DoNotOptimize(dib.Bits().data());
                return true;
            });
        if (!result.complete) {
            state.SkipWithError(("decode failed: " + result.error).c_str());
            break;
        }
    }
    SetPixelRate(state, pixels);
}

void BM_Decode_Giflib(benchmark::State& state) {
    const auto& gif = BenchGif();
    std::uint64_t pixels = 0;
    for (auto _ : state) {
        if (!vorla::bench::GiflibSlurp(gif, pixels)) {
            state.SkipWithError("giflib failed");
            break;
        }
    }
    SetPixelRate(state, pixels);
}

BENCHMARK(BM_Decode_Vorla)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode_Giflib)->Unit(benchmark::kMillisecond);

}  // namespace
