#include "BenchData.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

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

namespace {

// The terminal's screen, one palette index per pixel.
class Terminal {
public:
    static constexpr int kCols = 80;
    static constexpr int kRows = 25;
    static constexpr int kCellWidth = 8;
    static constexpr int kCellHeight = 16;
    static constexpr int kWidth = kCols * kCellWidth;
    static constexpr int kHeight = kRows * kCellHeight;

    Terminal() : pixels_(static_cast<std::size_t>(kWidth) * kHeight, 0) {}

    std::uint8_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * kWidth; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

    // A printable character: a made-up glyph of its code, in colour ink on black. ' ' is blank.
    void Put(int col, int row, char ch, std::uint8_t ink) {
        for (int y = 0; y < kCellHeight; ++y) {
            std::uint8_t* p = Row(row * kCellHeight + y) + col * kCellWidth;
            // Rows 0..2 and 13..15 stay blank, as in a real font's leading and descender room.
            const unsigned bits = ch == ' ' || y < 3 || y > 12
                                      ? 0u
                                      : (static_cast<unsigned>(ch) * 2654435761u >> (y * 2)) & 0x7E;
            for (int x = 0; x < kCellWidth; ++x) p[x] = (bits >> x) & 1 ? ink : 0;
        }
    }
    void Cursor(int col, int row, bool on) {
        for (int y = 12; y < 14; ++y) {
            std::uint8_t* p = Row(row * kCellHeight + y) + col * kCellWidth;
            for (int x = 0; x < kCellWidth; ++x) p[x] = on ? 15 : 0;
        }
    }
    void ScrollUp() {
        const std::size_t line = static_cast<std::size_t>(kWidth) * kCellHeight;
        std::memmove(pixels_.data(), pixels_.data() + line, pixels_.size() - line);
        std::memset(pixels_.data() + pixels_.size() - line, 0, line);
    }

private:
    std::vector<std::uint8_t> pixels_;
};

}  // namespace

Bytes MakeTerminalAnimation(int frames) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToBytes, &error);
    if (gif == nullptr) return out;
    // The 16 colours of a console palette.
    static constexpr std::uint8_t kConsole[16][3] = {
        {0, 0, 0},     {205, 0, 0},     {0, 205, 0},     {205, 205, 0},  {0, 0, 238}, {205, 0, 205},
        {0, 205, 205}, {229, 229, 229}, {127, 127, 127}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {92, 92, 255}, {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    GifColorType colors[16];
    for (int i = 0; i < 16; ++i) colors[i] = {kConsole[i][0], kConsole[i][1], kConsole[i][2]};
    ColorMapObject* map = GifMakeMapObject(16, colors);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, Terminal::kWidth, Terminal::kHeight, 4, 0, map);

    Terminal screen;
    std::vector<std::uint8_t> previous = screen.Pixels();
    std::uint32_t random = 12345;
    auto next = [&random](std::uint32_t below) {
        random = random * 1103515245u + 12345u;
        return (random >> 16) % below;
    };
    int col = 0;
    int row = 0;
    auto newLine = [&] {
        col = 0;
        if (++row == Terminal::kRows) {
            screen.ScrollUp();
            row = Terminal::kRows - 1;
        }
    };
    auto prompt = [&] {
        for (char ch : std::string("user@host:~$ ")) screen.Put(col++, row, ch, ch == '$' ? 7 : 10);
    };
    for (int r = 0; r < 12; ++r) {  // the first screen: earlier output
        for (int c = 0; c < 20 + (r * 37) % 55; ++c)
            screen.Put(c, row, static_cast<char>('!' + next(90)), static_cast<std::uint8_t>(7));
        newLine();
    }
    prompt();
    std::vector<GifPixelType> rect;
    for (int f = 0; f < frames; ++f) {
        if (f > 0) {
            screen.Cursor(col, row, false);
            if (next(40) == 0) {  // a command's output: a few lines at once
                newLine();
                for (int n = 1 + static_cast<int>(next(4)); n > 0; --n) {
                    for (int c = 0; c < 10 + static_cast<int>(next(60)); ++c)
                        screen.Put(c, row, static_cast<char>('!' + next(90)),
                                   static_cast<std::uint8_t>(1 + next(7)));
                    newLine();
                }
                prompt();
            } else if (col >= Terminal::kCols - 1) {
                newLine();
            } else {  // a typed character
                screen.Put(col++, row, next(6) == 0 ? ' ' : static_cast<char>('a' + next(26)), 7);
            }
        }
        screen.Cursor(col, row, true);
        // The rectangle that changed (the whole screen for the first frame).
        int left = Terminal::kWidth, right = -1, top = Terminal::kHeight, bottom = -1;
        const std::vector<std::uint8_t>& now = screen.Pixels();
        for (int y = 0; y < Terminal::kHeight; ++y) {
            for (int x = 0; x < Terminal::kWidth; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * Terminal::kWidth + x;
                if (f > 0 && now[at] == previous[at]) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (right < 0) left = right = top = bottom = 0;  // nothing changed: one pixel
        const int width = right - left + 1;
        const int height = bottom - top + 1;
        rect.clear();
        for (int y = top; y <= bottom; ++y) {
            const std::uint8_t* p = screen.Row(y) + left;
            rect.insert(rect.end(), p, p + width);
        }
        // 8 to 20 centiseconds, leave in place.
        const GifByteType control[4] = {1 << 2, static_cast<GifByteType>(8 + next(13)), 0, 0};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        EGifPutImageDesc(gif, left, top, width, height, false, nullptr);
        EGifPutLine(gif, rect.data(), width * height);
        previous = now;
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

const std::vector<std::string>& BenchFileNames() {
    static const std::vector<std::string> names = {"synthetic", "terminal", "testsrc", "mandelbrot",
                                                   "plasma",    "alpha",    "previous"};
    return names;
}

const Bytes& BenchFile(const std::string& name) {
    static std::map<std::string, Bytes> files;
    auto found = files.find(name);
    if (found != files.end()) return found->second;
    Bytes bytes;
    if (name == "synthetic") {
        bytes = MakeDefaultAnimation();
    } else if (name == "terminal") {
        bytes = MakeTerminalAnimation();
    } else {
        const char* dir = std::getenv("VORLA_BENCH_DIR");
        const std::filesystem::path folder =
            dir != nullptr && *dir != '\0'
                ? std::filesystem::path(dir)
                : std::filesystem::temp_directory_path() / "vorla-bench-files";
        const std::filesystem::path path = folder / (name + ".gif");
        std::error_code ignored;
        if (!std::filesystem::exists(path, ignored)) {
            const std::string command =
                std::string("'") + VORLA_BENCH_SCRIPT + "' '" + folder.string() + "'";
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "make_bench_gifs.sh did not make every file\n");
        }
        std::ifstream in(path, std::ios::binary);
        if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files.emplace(name, std::move(bytes)).first->second;
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
