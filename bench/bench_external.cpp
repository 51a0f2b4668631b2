// Save at another size: 300 frames of 320 x 240 written at 640 x 480 (every frame resampled on
// a private copy of the table, reduced to 8 bits, then encoded), beside Magick++ doing the same
// resizes (triangle filter) and reduction to 256 colours on the same frames without encoding.
// And one pass of the worker over 300 linked frames whose files did not change (target below
// 1 ms: the pass runs every 100 ms on the GUI thread).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <Magick++.h>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/OtherSizeSave.h"
#include "core/external/FrameLinks.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::CDib;

constexpr int kFrames = 300;
constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct ExternalBench {
    ExternalBench()
        : folder(std::filesystem::temp_directory_path() /
                 ("vorla-bench-external-" + std::to_string(getpid()))),
          app((std::filesystem::create_directories(folder), folder.string() + "/"), ui, 1200) {
        app.zoomPercent = 100;
        table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host,
                                                    std::vector<std::uint8_t>{}, 0);
        for (int i = 0; i < kFrames; ++i) {
            CDib& image = table->frameImages[static_cast<std::size_t>(i)];
            image.Create(kWidth, kHeight, 8, 256);
            // A 6 x 7 x 6 colour cube, ordered as a moving field: smooth enough that resampling
            // makes many new colours, as photographs and video frames do.
            for (int c = 0; c < 252; ++c)
                image.SetPaletteColor(
                    c, vorla::MakeRgb((c / 42) * 51, ((c / 6) % 7) * 42, (c % 6) * 51));
            for (int y = 0; y < kHeight; ++y) {
                std::uint8_t* row = image.Row(y);
                for (int x = 0; x < kWidth; ++x) {
                    const int r = ((x + 2 * i) * 6 / kWidth) % 6;
                    const int g = ((y + i) * 7 / kHeight) % 7;
                    const int b = ((x + y + 3 * i) * 6 / (kWidth + kHeight)) % 6;
                    row[x] = static_cast<std::uint8_t>(r * 42 + g * 6 + b);
                }
            }
            vorla::FrameEntry& entry = table->entries[static_cast<std::size_t>(i)];
            entry.width = kWidth;
            entry.height = kHeight;
            entry.delay = 4;
            entry.colorCount = 256;
            entry.transparentIndex = 255;
            entry.controlFlags = 4;
            if (i % 4 == 3) {
                // Every fourth frame has a transparent hole in its middle.
                for (int y = 80; y < 160; ++y)
                    for (int x = 100; x < 220; ++x) image.SetIndex(x, y, 253);
                entry.transparent = 1;
                entry.transparentIndex = 253;
                table->SetKeyColor(i);
            }
        }
        table->frameCount = kFrames;
        table->settings = {kWidth, kHeight, true};
        // 300 linked files, one per frame.
        for (int i = 0; i < kFrames; ++i) {
            const std::string path = (folder / vorla::external::WorkFileName(i, "bmp")).string();
            vorla::WriteFileAtomically(path, std::vector<std::uint8_t>(64, 1));
            vorla::external::LinkFrame(*table, i, path);
        }
    }
    ~ExternalBench() {
        table.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    vorla::HeadlessUserInterface ui;
    vorla::MagickImaging imaging;
    vorla::DetachedHost host;
    vorla::ApplicationState app;
    std::unique_ptr<vorla::FrameTable> table;
};

ExternalBench& Bench() {
    static ExternalBench bench;
    return bench;
}

void BM_SaveAtOtherSize_Vorla(benchmark::State& state) {
    ExternalBench& bench = Bench();
    vorla::GifEncoder encoder;
    const std::string path = (bench.folder / "out_640x480.gif").string();
    for (auto _ : state) {
        const auto result =
            vorla::edit::SaveAtOtherSize(*bench.table, encoder, path, 2 * kWidth, 2 * kHeight);
        if (result != vorla::edit::OtherSizeResult::Written) {
            state.SkipWithError("the save failed");
            return;
        }
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    state.counters["frames"] = kFrames;
}

// The frame-edit resizes of that save alone (no encoding), for the breakdown.
void BM_SaveAtOtherSize_VorlaResizesOnly(benchmark::State& state) {
    ExternalBench& bench = Bench();
    for (auto _ : state) {
        for (int i = 0; i < kFrames; ++i) {
            CDib resized;
            int key = -1;
            const CDib& image = bench.table->frameImages[static_cast<std::size_t>(i)];
            const vorla::FrameEntry& entry = bench.table->entries[static_cast<std::size_t>(i)];
            if (!bench.imaging.ResampleIndexed(image,
                                               entry.transparent ? entry.transparentIndex : -1,
                                               2 * kWidth, 2 * kHeight, resized, key)) {
                state.SkipWithError("a resize failed");
                return;
            }
            benchmark::DoNotOptimize(resized.Bits().data());
        }
    }
    state.counters["frames"] = kFrames;
}

// The same frames, resized with the triangle filter and reduced to 256 colours by ImageMagick's
// own quantiser, one Magick::Image at a time.
void BM_SaveAtOtherSize_MagickResizeQuantize(benchmark::State& state) {
    ExternalBench& bench = Bench();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        for (int i = 0; i < kFrames; ++i) {
            const CDib& image = bench.table->frameImages[static_cast<std::size_t>(i)];
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    const vorla::Colorref c = image.PaletteColor(image.Index(x, y));
                    std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                    p[0] = static_cast<std::uint8_t>(vorla::RedOf(c));
                    p[1] = static_cast<std::uint8_t>(vorla::GreenOf(c));
                    p[2] = static_cast<std::uint8_t>(vorla::BlueOf(c));
                }
            }
            Magick::Image picture;
            picture.read(kWidth, kHeight, "RGB", MagickCore::CharPixel, rgb.data());
            picture.filterType(MagickCore::TriangleFilter);
            Magick::Geometry size(2 * kWidth, 2 * kHeight);
            size.aspect(true);
            picture.resize(size);
            picture.quantizeColors(256);
            picture.quantizeDither(false);
            picture.quantize();
            benchmark::DoNotOptimize(picture.columns());
        }
    }
    state.counters["frames"] = kFrames;
}

void BM_PollLinks300(benchmark::State& state) {
    ExternalBench& bench = Bench();
    vorla::external::LinkPoller poller;
    for (auto _ : state) {
        const auto reloaded = poller.Pass(*bench.table);
        if (!reloaded.empty()) {
            state.SkipWithError("a file that did not change was reloaded");
            return;
        }
        benchmark::DoNotOptimize(reloaded.data());
    }
    state.counters["links"] = kFrames;
}

}  // namespace

BENCHMARK(BM_SaveAtOtherSize_Vorla)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveAtOtherSize_VorlaResizesOnly)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveAtOtherSize_MagickResizeQuantize)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PollLinks300)->Unit(benchmark::kMicrosecond);
