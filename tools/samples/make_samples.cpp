// Draws the sample animations that come with the program and writes them with the program's own
// GIF writer into the folder given on the command line:
//   vorla_make_samples <folder>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/gif/GifEncoder.h"
#include "core/gif/WriteAnimation.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"

using namespace vorla;

namespace {

struct Sample {
    FrameTable& table;
    void Add(CDib image, int delay, int disposal, int transparentIndex = -1) {
        FrameEntry& entry = table.entries[static_cast<std::size_t>(table.frameCount)];
        entry = FrameEntry{};
        entry.width = static_cast<std::int16_t>(image.Width());
        entry.height = static_cast<std::int16_t>(image.Height());
        entry.delay = static_cast<std::int16_t>(delay);
        entry.colorCount = 256;
        entry.controlFlags = static_cast<std::uint8_t>(disposal << 2);
        entry.restoreBackground = disposal == 2;
        entry.transparent = transparentIndex >= 0;
        entry.transparentIndex =
            static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 255);
        table.frameImages[static_cast<std::size_t>(table.frameCount)] = std::move(image);
        if (entry.transparent) table.SetKeyColor(table.frameCount);
        ++table.frameCount;
    }
};

CDib Canvas(int w, int h) {
    CDib dib;
    dib.Create(w, h, 8, 256);
    return dib;
}

// A ball bouncing over a sky gradient, squashed where it lands.
void BouncingBall(Sample& s) {
    const int w = 200, h = 150;
    for (int k = 0; k < 24; ++k) {
        CDib dib = Canvas(w, h);
        for (int i = 0; i < 64; ++i) dib.SetPaletteColor(i, MakeRgb(120 + i, 170 + i, 230));  // sky
        for (int i = 0; i < 64; ++i)
            dib.SetPaletteColor(64 + i, MakeRgb(200 + i / 2, 40 + i * 2, 40));  // ball
        dib.SetPaletteColor(200, MakeRgb(70, 140, 60));                         // grass
        dib.SetPaletteColor(201, MakeRgb(60, 60, 70));                          // shadow
        const double t = k / 24.0;
        const double height = std::abs(std::sin(t * 3.14159265 * 2));
        const int cy = 120 - static_cast<int>(height * 85);
        const int cx = 30 + static_cast<int>(140 * t);
        const double squash = height < 0.15 ? 1.3 : 1.0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int index = y >= 130 ? 200 : y * 63 / 130;
                const double dx = (x - cx) / (14.0 * squash);
                const double dy = (y - cy) / (14.0 / squash);
                if (y >= 131 && y <= 134 && std::abs(x - cx) < 18 - static_cast<int>(height * 10))
                    index = 201;
                if (dx * dx + dy * dy <= 1.0)
                    index = 64 + static_cast<int>((1.0 - (dx * 0.6 + dy * 0.8 + 1) / 2) * 63) % 64;
                dib.SetIndex(x, y, static_cast<std::uint8_t>(index));
            }
        }
        s.Add(std::move(dib), 4, 1);
    }
}

// Colour bands sliding like a wave.
void RainbowWave(Sample& s) {
    const int w = 240, h = 120;
    for (int k = 0; k < 20; ++k) {
        CDib dib = Canvas(w, h);
        for (int i = 0; i < 240; ++i) {
            const double hue = i / 240.0 * 6.0;
            const int sector = static_cast<int>(hue);
            const double f = hue - sector;
            const int up = static_cast<int>(255 * f), down = 255 - up;
            const int rgb[6][3] = {{255, up, 0},   {down, 255, 0}, {0, 255, up},
                                   {0, down, 255}, {up, 0, 255},   {255, 0, down}};
            dib.SetPaletteColor(
                i, MakeRgb(rgb[sector % 6][0], rgb[sector % 6][1], rgb[sector % 6][2]));
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double wave = std::sin((x + k * 12) * 0.05) * 18 + y;
                dib.SetIndex(x, y,
                             static_cast<std::uint8_t>(
                                 ((static_cast<int>(wave * 2) + k * 12) % 240 + 240) % 240));
            }
        }
        s.Add(std::move(dib), 6, 1);
    }
}

// A twinkling star on a transparent background; each frame restores to the background.
void TwinklingStar(Sample& s) {
    const int w = 96, h = 96;
    for (int k = 0; k < 12; ++k) {
        CDib dib = Canvas(w, h);
        for (int i = 0; i < 32; ++i)
            dib.SetPaletteColor(1 + i, MakeRgb(255, 200 + i * 55 / 31, 40 + i * 6));
        const double glow = 0.65 + 0.35 * std::cos(k / 12.0 * 6.2831853);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double dx = x - 47.5, dy = y - 47.5;
                const double r = std::sqrt(dx * dx + dy * dy);
                const double angle = std::atan2(dy, dx) + k * 0.08;
                const double edge = (22 + 18 * std::pow(std::abs(std::cos(angle * 2.5)), 3)) * glow;
                int index = 0;  // transparent
                if (r <= edge) index = 1 + static_cast<int>((1.0 - r / edge) * 31);
                dib.SetIndex(x, y, static_cast<std::uint8_t>(index));
            }
        }
        s.Add(std::move(dib), 8, 2, 0);
    }
}

bool Write(const std::filesystem::path& folder, const std::string& name, void (*draw)(Sample&)) {
    HeadlessUserInterface ui(
        [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    NoImaging imaging;
    DetachedHost host;
    ApplicationState app(folder.string() + "/", ui, 3000);
    app.zoomPercent = 100;
    FrameTable table(app, ui, imaging, host, {}, 0);
    table.settings.loopForever = true;
    Sample sample{table};
    draw(sample);
    auto [width, height] = table.ScreenExtent();
    table.settings.screenWidth = width;
    table.settings.screenHeight = height;
    GifEncoder encoder;
    MemoryStream out;
    if (WriteAnimation(table, out, false, false, encoder) < 0) return false;
    return WriteFileAtomically((folder / name).string(), out.Bytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    bool ok = Write(folder, "공 튀기기.gif", BouncingBall) &&
              Write(folder, "무지개 물결.gif", RainbowWave) &&
              Write(folder, "반짝이는 별.gif", TwinklingStar);
    return ok ? 0 : 1;
}
