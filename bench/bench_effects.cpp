// The transition generators on frames of a video's size. The cross-fade (100 mixes of two
// 480 x 270 frames, the whole command: mix, reduction to 256 colours, insertion) beside Magick++
// doing the same mixes with its blend composite and quantize(256); every run reports the PSNR of
// its frames against the exact mix (psnr_min, psnr_mean, dB). And a 100-frame palette fade, which
// touches no pixel.
#include <Magick++.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/UndoStore.h"
#include "core/effects/Brightness.h"
#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/effects/Overlap.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::CDib;
using vorla::Colorref;

constexpr int kWidth = 480;
constexpr int kHeight = 270;
constexpr int kMixes = 100;

// A photograph-like picture: smooth gradients, a soft disc and fine texture, reduced to 256
// colours as a GIF frame would be.
CDib MakeFrame(vorla::Imaging& imaging, int variant) {
    CDib rgb;
    rgb.Create(kWidth, kHeight, 24);
    vorla::effects::EffectRandom noise(static_cast<std::uint32_t>(17 + variant));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = static_cast<double>(x) / kWidth;
            const double v = static_cast<double>(y) / kHeight;
            const double cx = variant == 0 ? 0.3 : 0.7;
            const double d = std::hypot(u - cx, (v - 0.5) * 0.6);
            const double disc = std::max(0.0, 1.0 - d * 4.0);
            const int grain = noise.Below(9) - 4;
            int r = 0, g = 0, b = 0;
            if (variant == 0) {
                r = static_cast<int>(40 + 180 * u + 35 * disc);
                g = static_cast<int>(60 + 120 * std::sin(v * 3.1) + 60 * disc);
                b = static_cast<int>(200 - 150 * v);
            } else {
                r = static_cast<int>(220 - 160 * v + 30 * disc);
                g = static_cast<int>(90 + 100 * u);
                b = static_cast<int>(60 + 140 * std::cos(u * 2.0) * v + 80 * disc);
            }
            auto clamp = [grain](int c) { return std::clamp(c + grain, 0, 255); };
            rgb.SetPixelColor(x, y, vorla::MakeRgb(clamp(r), clamp(g), clamp(b)));
        }
    }
    CDib frame;
    imaging.Quantize(rgb, frame);
    return frame;
}

struct EffectBench {
    EffectBench()
        : folder(std::filesystem::temp_directory_path() /
                 ("vorla-bench-effects-" + std::to_string(getpid()))),
          app((std::filesystem::create_directories(folder), folder.string() + "/"), ui, 1200) {
        app.zoomPercent = 100;
        a = MakeFrame(imaging, 0);
        b = MakeFrame(imaging, 1);
    }
    ~EffectBench() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // A document of the two frames, as opened.
    std::unique_ptr<vorla::FrameTable> NewTable() {
        auto table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host,
                                                         std::vector<std::uint8_t>{}, 0);
        for (int i = 0; i < 2; ++i) {
            auto slot = static_cast<std::size_t>(i);
            table->frameImages[slot] = i == 0 ? a : b;
            vorla::FrameEntry& entry = table->entries[slot];
            entry = vorla::FrameEntry{};
            entry.width = kWidth;
            entry.height = kHeight;
            entry.colorCount = 256;
            entry.transparentIndex = 255;
            entry.delay = 10;
        }
        table->frameCount = 2;
        table->SetZoom(kWidth, kHeight, false);
        return table;
    }

    std::filesystem::path folder;
    vorla::HeadlessUserInterface ui;
    vorla::MagickImaging imaging;
    vorla::DetachedHost host;
    vorla::ApplicationState app;
    CDib a;
    CDib b;
};

EffectBench& Bench() {
    static EffectBench bench;
    return bench;
}

// PSNR over the three channels of mix k (0-based, weight (2k + 1) / 200 of b) against the
// exact integer mix. pixel(x, y) gives the result's colour.
template <typename Pixel>
double MixPsnr(int k, Pixel pixel) {
    const CDib exact = vorla::effects::BlendFrames(Bench().a, Bench().b, 2 * k + 1, 2 * kMixes);
    double squared = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Colorref want = exact.PixelColor(x, y);
            const Colorref have = pixel(x, y);
            const int dr = vorla::RedOf(want) - vorla::RedOf(have);
            const int dg = vorla::GreenOf(want) - vorla::GreenOf(have);
            const int db = vorla::BlueOf(want) - vorla::BlueOf(have);
            squared += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = squared / (3.0 * kWidth * kHeight);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

void ReportPsnr(benchmark::State& state, const std::vector<double>& psnr) {
    double sum = 0;
    double lowest = 99;
    for (double p : psnr) {
        sum += p;
        lowest = std::min(lowest, p);
    }
    state.counters["psnr_min"] = lowest;
    state.counters["psnr_mean"] = psnr.empty() ? 0 : sum / static_cast<double>(psnr.size());
}

// args: quantiser speed, dither (0 none, 1 diffusion).
void BM_Overlap100_Vorla(benchmark::State& state) {
    EffectBench& bench = Bench();
    vorla::QuantizeOptions options;
    options.speed = static_cast<int>(state.range(0));
    options.dither = state.range(1) ? vorla::QuantizeOptions::Dither::Diffusion
                                    : vorla::QuantizeOptions::Dither::None;
    std::vector<double> psnr;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = bench.NewTable();
        vorla::UndoStore store(table->snapshotFilePath, bench.ui);
        vorla::CAnvoDoc document;
        vorla::effects::EffectSettings settings;
        settings.overlapFrameCount = kMixes;  // beyond the sheet's 50: the core takes it
        vorla::effects::EffectRandom random;
        Colorref margin = 0;
        vorla::effects::EffectContext context{
            *table, store, document, settings, random, margin, [](int) { return true; }};
        table->targetGap = 0;
        state.ResumeTiming();
        const auto outcome =
            vorla::effects::Overlap(context, vorla::effects::CommandForm::ContextMenu, options);
        state.PauseTiming();
        if (outcome != vorla::effects::EffectOutcome::Done || table->frameCount != kMixes + 2) {
            state.SkipWithError("the cross-fade did not run");
            break;
        }
        if (psnr.empty()) {
            for (int k = 0; k < kMixes; ++k) {
                const CDib& frame = table->frameImages[static_cast<std::size_t>(1 + k)];
                psnr.push_back(MixPsnr(k, [&](int x, int y) { return frame.PixelColor(x, y); }));
            }
        }
        state.ResumeTiming();
    }
    ReportPsnr(state, psnr);
}

Magick::Image ToMagick(const CDib& frame) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::size_t at = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Colorref c = frame.PixelColor(x, y);
            rgb[at++] = static_cast<std::uint8_t>(vorla::RedOf(c));
            rgb[at++] = static_cast<std::uint8_t>(vorla::GreenOf(c));
            rgb[at++] = static_cast<std::uint8_t>(vorla::BlueOf(c));
        }
    }
    return Magick::Image(kWidth, kHeight, "RGB", Magick::CharPixel, rgb.data());
}

// The same 100 mixes through Magick++: a blend composite of b over a at the mix's weight, then
// quantizeColors(256) and quantize() with Magick's defaults.
void BM_Overlap100_Magick(benchmark::State& state) {
    EffectBench& bench = Bench();
    const Magick::Image a = ToMagick(bench.a);
    const Magick::Image b = ToMagick(bench.b);
    std::vector<double> psnr;
    for (auto _ : state) {
        for (int k = 0; k < kMixes; ++k) {
            Magick::Image mix(a);
            mix.artifact("compose:args", std::to_string(100.0 * (2 * k + 1) / (2 * kMixes)));
            mix.composite(b, 0, 0, Magick::BlendCompositeOp);
            mix.quantizeColors(256);
            mix.quantize();
            benchmark::DoNotOptimize(mix);
            if (psnr.size() < static_cast<std::size_t>(kMixes)) {
                state.PauseTiming();
                std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
                mix.write(0, 0, kWidth, kHeight, "RGB", Magick::CharPixel, rgb.data());
                psnr.push_back(MixPsnr(k, [&](int x, int y) {
                    const std::size_t at = 3 * (static_cast<std::size_t>(y) * kWidth + x);
                    return vorla::MakeRgb(rgb[at], rgb[at + 1], rgb[at + 2]);
                }));
                state.ResumeTiming();
            }
        }
    }
    ReportPsnr(state, psnr);
}

// A 100-frame fade in before a 480 x 270 frame: palettes only.
void BM_Fade100_Vorla(benchmark::State& state) {
    EffectBench& bench = Bench();
    for (auto _ : state) {
        state.PauseTiming();
        auto table = bench.NewTable();
        vorla::UndoStore store(table->snapshotFilePath, bench.ui);
        vorla::CAnvoDoc document;
        vorla::effects::EffectSettings settings;
        settings.fadeFrameCount = kMixes;
        vorla::effects::EffectRandom random;
        Colorref margin = 0;
        vorla::effects::EffectContext context{
            *table, store, document, settings, random, margin, [](int) { return true; }};
        table->targetGap = -1;
        state.ResumeTiming();
        const auto outcome =
            vorla::effects::FadeIn(context, vorla::effects::CommandForm::ContextMenu);
        state.PauseTiming();
        if (outcome != vorla::effects::EffectOutcome::Done || table->frameCount != kMixes + 2)
            state.SkipWithError("the fade did not run");
        table.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_Overlap100_Vorla)
    ->Args({8, 0})
    ->Args({4, 0})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(2);
// Both sides may run threads (OpenMP): CPU time is the whole process's.
BENCHMARK(BM_Overlap100_Magick)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(2);
BENCHMARK(BM_Fade100_Vorla)->Unit(benchmark::kMillisecond)->Iterations(5);
