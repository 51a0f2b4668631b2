// Colour reduction of 300 frames of 320 x 240 (each a 256-colour frame as the editor holds it)
// to 31 colours: the wizard's planned merges applied in one remap pass, the same merges done
// step by step on the pixels (the reference, whose output must be identical), and beside them
// ImageMagick's quantiser (what `convert -colors 31` runs, with and without dither) and
// libimagequant at 31 colours. Each result is compared with the frame it came from: counter
// "psnr_dB" over all frames' red, green and blue; "identical" is 1 when the one-pass output
// equals the step-by-step output on every frame.
//
// The wizard keeps the frame's palette and only merges indices, so it answers a different
// question from a quantiser (which chooses a new palette); the table shows what each costs and
// how close it stays. Run: vorla_bench --benchmark_filter=Reduce31
#include <Magick++.h>
#include <benchmark/benchmark.h>
#include <libimagequant.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/effects/ColourReduction.h"
#include "core/effects/PaletteOps.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::CDib;

constexpr int kFrames = 300;
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kTarget = 31;

using Rgb = std::vector<std::uint8_t>;  // r, g, b per pixel, rows top first

struct ReduceSet {
    std::vector<CDib> frames;  // 8-bit, 256-entry palettes
    std::vector<Rgb> colours;  // the same frames as r, g, b
};

Rgb ToRgb(const CDib& image) {
    Rgb rgb;
    rgb.reserve(static_cast<std::size_t>(kWidth * kHeight * 3));
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            const vorla::Colorref c = image.PaletteColor(image.Index(x, y));
            rgb.push_back(static_cast<std::uint8_t>(vorla::RedOf(c)));
            rgb.push_back(static_cast<std::uint8_t>(vorla::GreenOf(c)));
            rgb.push_back(static_cast<std::uint8_t>(vorla::BlueOf(c)));
        }
    }
    return rgb;
}

// A moving plasma with a bright disc and a little grain, as photographic content looks:
// smooth gradients that use every one of the 256 colours libimagequant gives each frame.
std::vector<std::uint8_t> PlasmaRgba(int frame) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kWidth * kHeight * 4));
    std::uint32_t grain = 12345u + static_cast<std::uint32_t>(frame);
    const double t = frame * 0.07;
    const double cx = kWidth * (0.5 + 0.3 * std::sin(t));
    const double cy = kHeight * (0.5 + 0.3 * std::cos(t * 1.3));
    std::size_t at = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x, at += 4) {
            const double v = std::sin(x * 0.031 + t) + std::sin(y * 0.043 - t * 1.7) +
                             std::sin((x + y) * 0.021 + t * 0.5) +
                             std::sin(std::hypot(x - 160.0, y - 120.0) * 0.05 - t);
            double r = 128 + 120 * std::sin(v * 1.1);
            double g = 128 + 120 * std::sin(v * 1.1 + 2.1);
            double b = 128 + 120 * std::sin(v * 1.1 + 4.2);
            const double d = std::hypot(x - cx, y - cy);
            if (d < 40) {
                const double w = 1.0 - d / 40.0;
                r += (255 - r) * w;
                g += (240 - g) * w;
                b += (200 - b) * w;
            }
            grain = grain * 1664525u + 1013904223u;
            const double n = static_cast<int>((grain >> 24) % 9) - 4;
            rgba[at] = static_cast<std::uint8_t>(std::clamp(r + n, 0.0, 255.0));
            rgba[at + 1] = static_cast<std::uint8_t>(std::clamp(g + n, 0.0, 255.0));
            rgba[at + 2] = static_cast<std::uint8_t>(std::clamp(b + n, 0.0, 255.0));
            rgba[at + 3] = 255;
        }
    }
    return rgba;
}

// libimagequant: rgba to `colours` entries, dithered at `dither` (0..1). Returns the 8-bit frame.
bool LiqQuantize(const std::vector<std::uint8_t>& rgba, int colours, float dither, CDib& out) {
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, colours);
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), kWidth, kHeight, 0);
    liq_result* result = nullptr;
    bool ok = image && liq_image_quantize(image, attr, &result) == LIQ_OK;
    if (ok) {
        liq_set_dithering_level(result, dither);
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(kWidth * kHeight));
        ok = liq_write_remapped_image(result, image, indices.data(), indices.size()) == LIQ_OK;
        const liq_palette* palette = liq_get_palette(result);
        CDib dib;
        dib.Create(kWidth, kHeight, 8, 256);
        for (unsigned i = 0; i < palette->count; ++i) {
            const liq_color& c = palette->entries[i];
            dib.SetPaletteColor(static_cast<int>(i), vorla::MakeRgb(c.r, c.g, c.b));
        }
        for (int y = 0; y < kHeight; ++y) {
            std::memcpy(dib.Row(y), indices.data() + static_cast<std::size_t>(y * kWidth),
                        static_cast<std::size_t>(kWidth));
        }
        out = std::move(dib);
    }
    if (result) liq_result_destroy(result);
    if (image) liq_image_destroy(image);
    liq_attr_destroy(attr);
    return ok;
}

const ReduceSet& Set() {
    static const ReduceSet set = [] {
        ReduceSet made;
        for (int f = 0; f < kFrames; ++f) {
            CDib frame;
            if (!LiqQuantize(PlasmaRgba(f), 256, 1.0f, frame)) std::abort();
            made.colours.push_back(ToRgb(frame));
            made.frames.push_back(std::move(frame));
        }
        // $VORLA_REDUCE_DUMP: the first ten source frames as binary PPM files in that folder,
        // to check the in-process quantisers against the command-line tools.
        if (const char* folder = std::getenv("VORLA_REDUCE_DUMP")) {
            for (int f = 0; f < 10; ++f) {
                const std::string path =
                    std::string(folder) + "/frame" + std::to_string(f) + ".ppm";
                if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
                    std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight);
                    const Rgb& rgb = made.colours[static_cast<std::size_t>(f)];
                    std::fwrite(rgb.data(), 1, rgb.size(), file);
                    std::fclose(file);
                }
            }
        }
        return made;
    }();
    return set;
}

vorla::FrameEntry EntryOf(const CDib&) {
    vorla::FrameEntry entry;
    entry.width = kWidth;
    entry.height = kHeight;
    entry.colorCount = 256;
    entry.transparentIndex = 255;
    return entry;
}

int UsedColours(const CDib& image) {
    int used = 0;
    for (int n : vorla::effects::IndexHistogram(image)) used += n > 0 ? 1 : 0;
    return used;
}

// PSNR in dB of results against the source colours, over all frames and channels.
double Psnr(const std::vector<Rgb>& results) {
    const ReduceSet& set = Set();
    double squared = 0;
    double samples = 0;
    for (std::size_t f = 0; f < results.size(); ++f) {
        for (std::size_t i = 0; i < results[f].size(); ++i) {
            const double d = static_cast<double>(results[f][i]) - set.colours[f][i];
            squared += d * d;
        }
        samples += static_cast<double>(results[f].size());
    }
    const double mse = squared / samples;
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

void Report(benchmark::State& state, const std::vector<Rgb>& results) {
    state.counters["psnr_dB"] = Psnr(results);
    state.counters["frames"] = static_cast<double>(results.size());
}

std::vector<CDib>& OnePassOutput() {
    static std::vector<CDib> output;
    return output;
}

void BM_Reduce31_WizardOnePass(benchmark::State& state) {
    const ReduceSet& set = Set();
    vorla::HeadlessUserInterface ui;
    std::vector<CDib> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = set.frames;
        state.ResumeTiming();
        for (CDib& frame : work) {
            const int steps = UsedColours(frame) - kTarget;
            vorla::effects::ReduceColours(frame, EntryOf(frame), steps, ui, nullptr);
        }
    }
    std::vector<Rgb> results;
    int worst = 0;
    for (const CDib& frame : work) {
        results.push_back(ToRgb(frame));
        worst = std::max(worst, UsedColours(frame));
    }
    OnePassOutput() = work;
    Report(state, results);
    state.counters["colours_max"] = worst;
}
BENCHMARK(BM_Reduce31_WizardOnePass)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Reduce31_WizardStepByStep(benchmark::State& state) {
    const ReduceSet& set = Set();
    vorla::HeadlessUserInterface ui;
    std::vector<CDib> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = set.frames;
        state.ResumeTiming();
        for (CDib& frame : work) {
            const int steps = UsedColours(frame) - kTarget;
            for (int s = 0; s < steps; ++s) {
                vorla::effects::MergeOneStep(frame, EntryOf(frame), ui, nullptr);
            }
        }
    }
    std::vector<Rgb> results;
    for (const CDib& frame : work) results.push_back(ToRgb(frame));
    Report(state, results);
    if (OnePassOutput().size() == work.size()) {
        state.counters["identical"] = OnePassOutput() == work ? 1 : 0;
    }
}
BENCHMARK(BM_Reduce31_WizardStepByStep)->Unit(benchmark::kMillisecond)->Iterations(1);

// What `convert frame -colors 31` (or with +dither) does to each frame, in process: the frame's
// colours into a Magick image, quantize to 31 colours, the pixels back.
void Magick31(benchmark::State& state, bool dither) {
    vorla::MagickImaging::InitializeImaging(nullptr);
    const ReduceSet& set = Set();
    std::vector<Rgb> results(set.colours.size());
    for (auto _ : state) {
        for (std::size_t f = 0; f < set.colours.size(); ++f) {
            Magick::Image picture;
            picture.read(kWidth, kHeight, "RGB", MagickCore::CharPixel, set.colours[f].data());
            picture.quantizeColors(kTarget);
            picture.quantizeDither(dither);  // convert's default method (Riemersma) when on
            picture.quantize();
            results[f].resize(set.colours[f].size());
            picture.write(0, 0, kWidth, kHeight, "RGB", MagickCore::CharPixel, results[f].data());
        }
    }
    Report(state, results);
}
void BM_Reduce31_MagickDither(benchmark::State& state) {
    Magick31(state, true);
}
void BM_Reduce31_MagickNoDither(benchmark::State& state) {
    Magick31(state, false);
}
BENCHMARK(BM_Reduce31_MagickDither)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Reduce31_MagickNoDither)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Reduce31_Libimagequant(benchmark::State& state) {
    const ReduceSet& set = Set();
    std::vector<Rgb> results(set.colours.size());
    for (auto _ : state) {
        for (std::size_t f = 0; f < set.frames.size(); ++f) {
            std::vector<std::uint8_t> rgba;
            rgba.reserve(static_cast<std::size_t>(kWidth * kHeight * 4));
            for (std::size_t i = 0; i < set.colours[f].size(); i += 3) {
                rgba.insert(rgba.end(),
                            {set.colours[f][i], set.colours[f][i + 1], set.colours[f][i + 2], 255});
            }
            CDib out;
            if (!LiqQuantize(rgba, kTarget, 1.0f, out)) state.SkipWithError("liq failed");
            results[f] = ToRgb(out);
        }
    }
    Report(state, results);
}
BENCHMARK(BM_Reduce31_Libimagequant)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
