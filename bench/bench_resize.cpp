// The frame dialog's resize on whole animations: 300 frames of 320 x 240 to 150 % and back to
// 8 bits, through the imaging port as the dialog runs it (BM_Resize_<file>_Vorla), beside
// Magick++ resize + quantize(256) on the same frames (BM_Resize_<file>_Magick). Each run reports
// the PSNR of the 8-bit result against its own true-colour resize (the loss of going back to a
// palette), in dB, as the counter "psnr".
#include <Magick++.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "BenchData.h"
#include "core/gif/GifDecoder.h"
#include "core/model/CDib.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::CDib;
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 300;
constexpr int kToWidth = kWidth * 3 / 2;
constexpr int kToHeight = kHeight * 3 / 2;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator<(const Rgb& o) const { return std::tie(r, g, b) < std::tie(o.r, o.g, o.b); }
};

// The file's frames as the viewer shows them, sampled to 320 x 240, each an 8-bit bitmap with
// its colours exact (frames above 256 colours are left out: none of the set has them).
std::vector<CDib> FramesOf(const vorla::bench::Bytes& gif) {
    std::vector<CDib> frames;
    std::vector<Rgb> canvas;
    int screenW = 0, screenH = 0;
    vorla::GifDecoder::DecodeAllImages(
        gif, SIZE_MAX, [&](const vorla::GifPageInfo& page, CDib&& image) {
            if (canvas.empty()) {
                screenW = std::max(1, page.screenWidth);
                screenH = std::max(1, page.screenHeight);
                canvas.assign(static_cast<std::size_t>(screenW) * screenH, Rgb{0, 0, 0});
            }
            for (int y = 0; y < page.height; ++y) {
                for (int x = 0; x < page.width; ++x) {
                    const int sx = page.left + x, sy = page.top + y;
                    if (sx >= screenW || sy >= screenH) continue;
                    const std::uint8_t index = image.Index(x, y);
                    if (page.transparent && index == page.transparentIndex) continue;
                    const vorla::Colorref c = image.PaletteColor(index);
                    canvas[static_cast<std::size_t>(sy) * screenW + sx] = {
                        static_cast<std::uint8_t>(vorla::RedOf(c)),
                        static_cast<std::uint8_t>(vorla::GreenOf(c)),
                        static_cast<std::uint8_t>(vorla::BlueOf(c))};
                }
            }
            std::map<Rgb, int> palette;
            CDib frame;
            frame.Create(kWidth, kHeight, 8, 256);
            bool fits = true;
            for (int y = 0; y < kHeight && fits; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    const Rgb c = canvas[static_cast<std::size_t>(y * screenH / kHeight) * screenW +
                                         x * screenW / kWidth];
                    auto [it, added] = palette.emplace(c, static_cast<int>(palette.size()));
                    if (it->second > 255) {
                        fits = false;
                        break;
                    }
                    if (added) frame.SetPaletteColor(it->second, vorla::MakeRgb(c.r, c.g, c.b));
                    frame.SetIndex(x, y, static_cast<std::uint8_t>(it->second));
                }
            }
            if (fits) frames.push_back(std::move(frame));
            return static_cast<int>(frames.size()) < kFrames;
        });
    // Short files repeat: the run always covers 300 frames.
    for (std::size_t i = 0; !frames.empty() && frames.size() < kFrames; ++i)
        frames.push_back(frames[i]);
    return frames;
}

const std::vector<CDib>& Frames(const std::string& name) {
    static std::map<std::string, std::vector<CDib>> made;
    auto it = made.find(name);
    if (it == made.end()) it = made.emplace(name, FramesOf(vorla::bench::BenchFile(name))).first;
    return it->second;
}

std::vector<std::uint8_t> RgbOf(const CDib& image) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(image.Width()) * image.Height() * 3);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const vorla::Colorref c = image.PaletteColor(image.Index(x, y));
            rgb.push_back(vorla::RedOf(c));
            rgb.push_back(vorla::GreenOf(c));
            rgb.push_back(vorla::BlueOf(c));
        }
    }
    return rgb;
}

// Squared error sums, turned into one PSNR over the whole run.
struct ErrorSum {
    double squared = 0;
    double samples = 0;
    void Add(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const double d = static_cast<double>(a[i]) - b[i];
            squared += d * d;
        }
        samples += static_cast<double>(n);
    }
    double Psnr() const {
        if (samples == 0) return 0;
        const double mse = squared / samples;
        return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
    }
};

std::vector<std::uint8_t> RgbOf(Magick::Image& picture) {
    std::vector<std::uint8_t> rgb(picture.columns() * picture.rows() * 3);
    picture.write(0, 0, picture.columns(), picture.rows(), "RGB", MagickCore::CharPixel,
                  rgb.data());
    return rgb;
}

Magick::Image PictureOf(const CDib& frame) {
    const std::vector<std::uint8_t> rgb = RgbOf(frame);
    Magick::Image picture(static_cast<std::size_t>(frame.Width()),
                          static_cast<std::size_t>(frame.Height()), "RGB", MagickCore::CharPixel,
                          rgb.data());
    return picture;
}

// The true-colour resize each side's 8-bit result is measured against: its own filter.
std::vector<std::uint8_t> TrueColourResize(const CDib& frame, MagickCore::FilterTypes filter) {
    Magick::Image picture = PictureOf(frame);
    if (filter != MagickCore::UndefinedFilter) picture.filterType(filter);
    Magick::Geometry size(kToWidth, kToHeight);
    size.aspect(true);
    picture.resize(size);
    return RgbOf(picture);
}

void ResizeVorla(benchmark::State& state, const std::string& name) {
    const std::vector<CDib>& frames = Frames(name);
    if (frames.empty()) {
        state.SkipWithError("the file could not be made");
        return;
    }
    vorla::MagickImaging imaging;
    std::vector<CDib> results(frames.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < frames.size(); ++i) {
            int key = -1;
            if (!imaging.ResampleIndexed(frames[i], -1, kToWidth, kToHeight, results[i], key)) {
                state.SkipWithError("resize failed");
                return;
            }
        }
    }
    ErrorSum error;
    for (std::size_t i = 0; i < frames.size(); i += 10)
        error.Add(TrueColourResize(frames[i], MagickCore::TriangleFilter), RgbOf(results[i]));
    state.counters["psnr"] = error.Psnr();
    state.counters["frames"] = static_cast<double>(frames.size());
}

void ResizeMagick(benchmark::State& state, const std::string& name) {
    const std::vector<CDib>& frames = Frames(name);
    if (frames.empty()) {
        state.SkipWithError("the file could not be made");
        return;
    }
    std::vector<Magick::Image> results(frames.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < frames.size(); ++i) {
            Magick::Image picture = PictureOf(frames[i]);
            Magick::Geometry size(kToWidth, kToHeight);
            size.aspect(true);
            picture.resize(size);
            picture.quantizeColors(256);
            picture.quantize();
            results[i] = picture;
        }
    }
    ErrorSum error;
    for (std::size_t i = 0; i < frames.size(); i += 10) {
        std::vector<std::uint8_t> have = RgbOf(results[i]);
        error.Add(TrueColourResize(frames[i], MagickCore::UndefinedFilter), have);
    }
    state.counters["psnr"] = error.Psnr();
    state.counters["frames"] = static_cast<double>(frames.size());
}

const bool kRegistered = [] {
    for (const char* name : {"synthetic", "testsrc", "plasma", "terminal", "alpha"}) {
        const std::string file = name;
        benchmark::RegisterBenchmark(("BM_Resize_" + file + "_Vorla").c_str(),
                                     [file](benchmark::State& s) { ResizeVorla(s, file); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("BM_Resize_" + file + "_Magick").c_str(),
                                     [file](benchmark::State& s) { ResizeMagick(s, file); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return true;
}();

}  // namespace
