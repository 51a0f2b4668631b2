// Encoding speed of the program's GIF writer beside giflib's encoder on the same frames, for the
// bench GIF (BenchGif()) and every file of the varied set (BenchFileNames()): the images with
// their own palettes, positions, delays, transparency and interlacing.
//
// BM_Encode_<file>_Vorla runs the writer's stages per frame exactly as WriteAnimation runs them
// (EncodeImage on the frame's bitmap, WriteFrameRecord, AppendFrameRecord, the same streams
// reused from frame to frame); BM_Encode_<file>_Giflib writes the same indices with EGifOpen over
// memory, one local colour table per frame. BM_Encode_<file>_WriteAnimation is the whole call on
// a frame table (key colours, preserving the frames, display images); files of more frames than a
// document holds skip it. Every iteration starts from a new encoder and new output: nothing made
// in one iteration serves the next.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchData.h"
#include "SaveLikeWriter.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifEncoder.h"
#include "core/gif/WriteAnimation.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "core/port/UserInterface.h"
#include "imaging/MagickImaging.h"

namespace {

using vorla::bench::Bytes;

struct Frame {
    vorla::GifPageInfo page;
    vorla::CDib dib;
    Bytes giflibPixels;  // top row first, in pass order when interlaced
};

struct Frames {
    std::vector<Frame> frames;
    std::uint64_t pixels = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};

Frames DecodeFrames(const Bytes& gif) {
    Frames out;
    vorla::GifDecoder::DecodeAllImages(
        gif, SIZE_MAX, [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
            Frame frame{page, std::move(dib), {}};
            static constexpr int kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
            auto row = [&](int y) {
                const std::uint8_t* p = frame.dib.Row(y);
                frame.giflibPixels.insert(frame.giflibPixels.end(), p, p + page.width);
            };
            if (page.interlaced) {
                for (const auto& pass : kPasses)
                    for (int y = pass[0]; y < page.height; y += pass[1]) row(y);
            } else {
                for (int y = 0; y < page.height; ++y) row(y);
            }
            out.pixels +=
                static_cast<std::uint64_t>(page.width) * static_cast<std::uint64_t>(page.height);
            out.screenWidth = std::max({out.screenWidth, page.screenWidth, page.left + page.width});
            out.screenHeight =
                std::max({out.screenHeight, page.screenHeight, page.top + page.height});
            out.frames.push_back(std::move(frame));
            return true;
        });
    return out;
}

// The frames of a file of the set; "" is BenchGif(). Decoded once, outside any timing.
const Frames& FramesOf(const std::string& name) {
    static std::map<std::string, Frames> decoded;
    auto found = decoded.find(name);
    if (found != decoded.end()) return found->second;
    const Bytes& bytes = name.empty() ? vorla::bench::BenchGif() : vorla::bench::BenchFile(name);
    return decoded.emplace(name, DecodeFrames(bytes)).first->second;
}

void SetCounters(benchmark::State& state, const Frames& data, std::size_t bytes) {
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(data.pixels) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.counters["frames"] = static_cast<double>(data.frames.size());
    state.counters["bytes_written"] = static_cast<double>(bytes);
}

bool Usable(benchmark::State& state, const Frames& data) {
    if (!data.frames.empty()) return true;
    state.SkipWithError("no frames: the file could not be made or read");
    return false;
}

// The stages as WriteAnimation runs them, without the frame table.
bool VorlaEncode(const Frames& data, vorla::MemoryStream& output) {
    return vorla::bench::WriteLikeSave(
        data.frames.size(),
        [&data](std::size_t i) {
            const Frame& frame = data.frames[i];
            return std::pair{vorla::FrameEntry::FromGifPage(frame.page), &frame.dib};
        },
        data.screenWidth, data.screenHeight, output);
}

void EncodeVorla(benchmark::State& state, const Frames& data) {
    if (!Usable(state, data)) return;
    std::size_t bytes = 0;
    for (auto _ : state) {
        vorla::MemoryStream output;
        if (!VorlaEncode(data, output)) {
            state.SkipWithError("the writer failed");
            return;
        }
        bytes = output.Bytes().size();
        benchmark::DoNotOptimize(output.Bytes().data());
    }
    SetCounters(state, data, bytes);
}

int AppendToBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

bool GiflibEncode(const Frames& data, Bytes& out) {
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToBytes, &error);
    if (gif == nullptr) return false;
    bool ok = true;
    EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, data.screenWidth, data.screenHeight, 8, 0, nullptr) == GIF_OK;
    static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof kNetscape, kNetscape) == GIF_OK &&
         EGifPutExtensionBlock(gif, sizeof kLoop, kLoop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
    GifColorType colors[256];
    for (const Frame& frame : data.frames) {
        if (!ok) break;
        const vorla::GifPageInfo& page = frame.page;
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = (page.controlByte >> 2) & 7;
        gcb.DelayTime = page.delay < 0 ? 50 : page.delay;
        gcb.TransparentColor = page.transparent ? page.transparentIndex : NO_TRANSPARENT_COLOR;
        GifByteType control[4];
        EGifGCBToExtension(&gcb, control);
        const int entries = std::max(2, page.colorCount);
        for (int i = 0; i < entries; ++i) {
            const vorla::Colorref c = frame.dib.PaletteColor(i);
            colors[i] = {static_cast<GifByteType>(vorla::RedOf(c)),
                         static_cast<GifByteType>(vorla::GreenOf(c)),
                         static_cast<GifByteType>(vorla::BlueOf(c))};
        }
        ColorMapObject* map = GifMakeMapObject(entries, colors);
        ok = map != nullptr &&
             EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
             EGifPutImageDesc(gif, page.left, page.top, page.width, page.height, page.interlaced,
                              map) == GIF_OK &&
             EGifPutLine(gif, const_cast<GifPixelType*>(frame.giflibPixels.data()),
                         page.width * page.height) == GIF_OK;
        GifFreeMapObject(map);
    }
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

void EncodeGiflib(benchmark::State& state, const Frames& data) {
    if (!Usable(state, data)) return;
    std::size_t bytes = 0;
    for (auto _ : state) {
        Bytes out;
        if (!GiflibEncode(data, out)) {
            state.SkipWithError("giflib failed");
            return;
        }
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, data, bytes);
}

void WriteAnimationOf(benchmark::State& state, const Frames& data) {
    if (!Usable(state, data)) return;
    if (data.frames.size() > static_cast<std::size_t>(vorla::FrameTable::kMaxFrames)) {
        state.SkipWithError("more frames than a document holds");
        return;
    }
    vorla::HeadlessUserInterface ui;
    vorla::DetachedHost host;
    vorla::MagickImaging imaging;
    vorla::ApplicationState app("/tmp/", ui, 1200);
    app.zoomPercent = 100;
    auto table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host, Bytes{}, -1);
    for (const Frame& frame : data.frames) {
        const auto slot = static_cast<std::size_t>(table->frameCount++);
        table->frameImages[slot] = frame.dib;
        table->entries[slot] = vorla::FrameEntry::FromGifPage(frame.page);
    }
    table->settings = {data.screenWidth, data.screenHeight, true};
    std::int64_t bytes = 0;
    for (auto _ : state) {
        vorla::GifEncoder encoder;
        vorla::MemoryStream out;
        // preserveFrames: every iteration writes the same frames.
        bytes = vorla::WriteAnimation(*table, out, true, false, encoder);
        if (bytes < 0) {
            state.SkipWithError("WriteAnimation failed");
            return;
        }
    }
    SetCounters(state, data, static_cast<std::size_t>(bytes));
}

// BM_Encode_* for the bench GIF, then BM_Encode_<file>_* for each file of the set.
const bool kRegistered = [] {
    std::vector<std::pair<std::string, std::string>> sets = {{"BM_Encode", ""}};
    for (const std::string& name : vorla::bench::BenchFileNames())
        sets.emplace_back("BM_Encode_" + name, name);
    for (const auto& [prefix, name] : sets) {
        benchmark::RegisterBenchmark((prefix + "_Vorla").c_str(), [name](benchmark::State& s) {
            EncodeVorla(s, FramesOf(name));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "_Giflib").c_str(), [name](benchmark::State& s) {
            EncodeGiflib(s, FramesOf(name));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            (prefix + "_WriteAnimation").c_str(),
            [name](benchmark::State& s) { WriteAnimationOf(s, FramesOf(name)); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
