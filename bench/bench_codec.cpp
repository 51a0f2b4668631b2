// Decoding speed of the program's GIF reader beside giflib on the same bytes: the bench GIF
// (BM_Decode_*) and every file of the varied set (BM_Decode_<file>_*).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BenchData.h"
#include "core/gif/GifDecoder.h"

namespace {

using vorla::bench::Bytes;

const Bytes& BytesOf(const std::string& name) {
    return name.empty() ? vorla::bench::BenchGif() : vorla::bench::BenchFile(name);
}

void SetPixelRate(benchmark::State& state, const Bytes& gif, std::uint64_t pixelsPerRun) {
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(pixelsPerRun) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(gif.size()) * state.iterations());
}

// Every image to a CDib in one pass: what opening an animation costs.
void DecodeVorla(benchmark::State& state, const Bytes& gif) {
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
    SetPixelRate(state, gif, pixels);
}

void DecodeGiflib(benchmark::State& state, const Bytes& gif) {
    std::uint64_t pixels = 0;
    for (auto _ : state) {
        if (!vorla::bench::GiflibSlurp(gif, pixels)) {
            state.SkipWithError("giflib failed");
            break;
        }
    }
    SetPixelRate(state, gif, pixels);
}

const bool kRegistered = [] {
    std::vector<std::pair<std::string, std::string>> sets = {{"BM_Decode", ""}};
    for (const std::string& name : vorla::bench::BenchFileNames())
        sets.emplace_back("BM_Decode_" + name, name);
    for (const auto& [prefix, name] : sets) {
        benchmark::RegisterBenchmark((prefix + "_Vorla").c_str(), [name](benchmark::State& s) {
            DecodeVorla(s, BytesOf(name));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "_Giflib").c_str(), [name](benchmark::State& s) {
            DecodeGiflib(s, BytesOf(name));
        })->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
