#include "BenchData.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vorla::bench {

namespace {

int AppendToBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct MemoryReader {
    const Bytes* bytes;
    std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* data, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    std::size_t n = std::min(static_cast<std::size_t>(length), reader->bytes->size() - reader->pos);
    std::memcpy(data, reader->bytes->data() + reader->pos, n);
    reader->pos += n;
    return static_cast<int>(n);
}

// 4x4 Bayer matrix, thresholds in 1/16 of a quantisation step.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int Quantise(double value, int levels, int threshold) {
    double scaled = value * (levels - 1) + (threshold + 0.5) / 16.0 - 0.5;
    return std::clamp(static_cast<int>(std::lround(scaled)), 0, levels - 1);
}

}  // namespace

Bytes MakeDefaultAnimation(int frames, int width, int height) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToBytes, &error);
    if (gif == nullptr) return out;
    GifColorType colors[256] = {};
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 7; ++g) {
            for (int b = 0; b < 6; ++b) {
                GifColorType& c = colors[(r * 7 + g) * 6 + b];
                c.Red = static_cast<GifByteType>(r * 51);
                c.Green = static_cast<GifByteType>(g * 42);
                c.Blue = static_cast<GifByteType>(b * 51);
            }
        }
    }
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int f = 0; f < frames; ++f) {
        const double t = f * 0.05;
        // 4 centiseconds, do not dispose.
        const GifByteType control[4] = {1 << 2, 4, 0, 0};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const double u = static_cast<double>(x) / width;
                const double v = static_cast<double>(y) / height;
                const double red = 0.5 + 0.5 * std::sin(6.0 * u + t);
                const double green = 0.5 + 0.5 * std::sin(5.0 * v - 1.3 * t + 3.0 * u * v);
                const double blue = 0.5 + 0.5 * std::cos(4.0 * (u + v) + 0.7 * t);
                const int threshold = kBayer[y & 3][x & 3];
                row[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(
                    (Quantise(red, 6, threshold) * 7 + Quantise(green, 7, threshold)) * 6 +
                    Quantise(blue, 6, threshold));
            }
            EGifPutLine(gif, row.data(), width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

const Bytes& BenchGif() {
    static const Bytes bytes = [] {
        const char* path = std::getenv("VORLA_BENCH_GIF");
        if (path == nullptr || *path == '\0') return MakeDefaultAnimation();
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read VORLA_BENCH_GIF file %s\n", path);
            std::exit(2);
        }
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

bool GiflibSlurp(const Bytes& bytes, std::uint64_t& pixels) {
    MemoryReader reader{&bytes};
    int error = 0;
    pixels = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (gif == nullptr) return false;
    const bool ok = DGifSlurp(gif) == GIF_OK;
    if (ok) {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
            pixels += static_cast<std::uint64_t>(d.Width) * static_cast<std::uint64_t>(d.Height);
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

}  // namespace vorla::bench
