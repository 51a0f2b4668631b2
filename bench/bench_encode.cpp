// Encoding speed of the program's GIF writer beside giflib's encoder on the same frames: the
// images of BenchGif() with their own palettes, positions, delays and interlacing.
//
// BM_Encode_Vorla runs the writer's stages per frame exactly as WriteAnimation does (the frame
// as a BMP stream, EncodeImage, WriteFrameRecord, AppendFrameRecord); BM_Encode_Giflib writes
// the same indices with EGifOpen over memory, one local colour table per frame.
// BM_WriteAnimation is the whole call on a frame table (key colours, preserving the frames and
// the display images after it); it has no giflib peer.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchData.h"
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

const Frames& BenchFrames() {
    static const Frames data = [] {
        Frames out;
        vorla::GifDecoder::DecodeAllImages(
            vorla::bench::BenchGif(), vorla::FrameTable::kMaxFrames,
            [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
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
                out.pixels += static_cast<std::uint64_t>(page.width) *
                              static_cast<std::uint64_t>(page.height);
                out.screenWidth =
                    std::max({out.screenWidth, page.screenWidth, page.left + page.width});
                out.screenHeight =
                    std::max({out.screenHeight, page.screenHeight, page.top + page.height});
                out.frames.push_back(std::move(frame));
                return true;
            });
        return out;
    }();
    return data;
}

vorla::FrameEntry EntryOf(const vorla::GifPageInfo& page) {
    vorla::FrameEntry entry;
    entry.left = static_cast<std::int16_t>(page.left);
    entry.top = static_cast<std::int16_t>(page.top);
    entry.width = static_cast<std::int16_t>(page.width);
    entry.height = static_cast<std::int16_t>(page.height);
    entry.delay = static_cast<std::int16_t>(page.delay < 0 ? 50 : page.delay);
    entry.colorCount = static_cast<std::int16_t>(page.colorCount);
    entry.controlFlags = static_cast<std::uint8_t>(page.controlByte & 0x1C);
    entry.transparent = page.transparent;
    entry.transparentIndex =
        page.transparent ? page.transparentIndex : static_cast<std::uint8_t>(page.colorCount - 1);
    entry.restoreBackground = (entry.controlFlags & 0x1C) == 8;
    entry.interlaced = page.interlaced;
    return entry;
}

void SetCounters(benchmark::State& state, std::uint64_t pixels, std::size_t bytes) {
    state.counters["pixels"] =
        benchmark::Counter(static_cast<double>(pixels) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["bytes_written"] = static_cast<double>(bytes);
}

void BM_Encode_Vorla(benchmark::State& state) {
    const Frames& data = BenchFrames();
    vorla::GifEncoder encoder;
    std::size_t bytes = 0;
    for (auto _ : state) {
        vorla::MemoryStream output;
        const std::size_t count = data.frames.size();
        for (std::size_t i = 0; i < count; ++i) {
            const Frame& frame = data.frames[i];
            const vorla::FrameEntry entry = EntryOf(frame.page);
            vorla::MemoryStream bitmap;
            vorla::MemoryStream image;
            vorla::MemoryStream record;
            frame.dib.Write(bitmap);
            bitmap.SeekToBegin();
            if (!encoder.EncodeImage(bitmap, image, entry.interlaced ? "xi" : "x")) {
                state.SkipWithError("EncodeImage failed");
                return;
            }
            const vorla::Colorref key = frame.dib.PaletteColor(entry.transparentIndex);
            encoder.WriteFrameRecord(image, record, entry, data.screenWidth, data.screenHeight, key,
                                     entry.interlaced, true, i == 0);
            if (i == 0) {
                output.Write(record.Bytes().data(), record.Bytes().size());
            } else {
                encoder.AppendFrameRecord(output, record, i + 1 == count);
            }
        }
        bytes = output.Bytes().size();
        benchmark::DoNotOptimize(output.Bytes().data());
    }
    SetCounters(state, data.pixels, bytes);
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
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
             EGifPutImageDesc(gif, page.left, page.top, page.width, page.height, page.interlaced,
                              map) == GIF_OK &&
             EGifPutLine(gif, const_cast<GifPixelType*>(frame.giflibPixels.data()),
                         page.width * page.height) == GIF_OK;
        GifFreeMapObject(map);
    }
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

void BM_Encode_Giflib(benchmark::State& state) {
    const Frames& data = BenchFrames();
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
    SetCounters(state, data.pixels, bytes);
}

void BM_WriteAnimation(benchmark::State& state) {
    const Frames& data = BenchFrames();
    vorla::HeadlessUserInterface ui;
    vorla::DetachedHost host;
    vorla::MagickImaging imaging;
    vorla::ApplicationState app("/tmp/", ui, 1200);
    app.zoomPercent = 100;
    auto table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host, Bytes{}, -1);
    for (const Frame& frame : data.frames) {
        const auto slot = static_cast<std::size_t>(table->frameCount++);
        table->frameImages[slot] = frame.dib;
        table->entries[slot] = EntryOf(frame.page);
    }
    table->settings = {data.screenWidth, data.screenHeight, true};
    vorla::GifEncoder encoder;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        vorla::MemoryStream out;
        bytes = vorla::WriteAnimation(*table, out, true, false, encoder);
        if (bytes < 0) {
            state.SkipWithError("WriteAnimation failed");
            return;
        }
    }
    SetCounters(state, data.pixels, static_cast<std::size_t>(bytes));
}

BENCHMARK(BM_Encode_Vorla)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode_Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAnimation)->Unit(benchmark::kMillisecond);

}  // namespace
