#include "MonkeyFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "support/GifBuilder.h"

namespace vorla::monkey {

namespace {

using test::Bytes;
using test::GifBuilder;
using test::Rgb;

bool WriteBytes(const QString& path, const Bytes& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

std::vector<Rgb> Ramp(int count, int phase) {
    std::vector<Rgb> colours;
    for (int i = 0; i < count; ++i) {
        colours.push_back({static_cast<std::uint8_t>((i * 7 + phase) & 255),
                           static_cast<std::uint8_t>((i * 3 + 2 * phase) & 255),
                           static_cast<std::uint8_t>(255 - ((i * 5) & 255))});
    }
    return colours;
}

// 96 x 72, 24 full frames over a 256-colour global table: moving bands and a square.
Bytes Walk() {
    constexpr int w = 96, h = 72, frames = 24;
    GifBuilder gif;
    gif.Screen(w, h, Ramp(256, 0));
    gif.Comment("walk");
    for (int k = 0; k < frames; ++k) {
        Bytes pixels(static_cast<std::size_t>(w * h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int index = (x + y + 4 * k) % 200;
                if (x >= 3 * k && x < 3 * k + 16 && y >= 20 && y < 36) index = 250;
                pixels[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint8_t>(index);
            }
        }
        gif.Control(1, 6);
        gif.Image(0, 0, w, h, pixels);
    }
    gif.Trailer();
    return gif.Get();
}

// 80 x 60, 12 frames with index 0 transparent: sub-rectangles at moving places, every disposal
// method in turn, a local table on odd frames and interlacing on every fourth.
Bytes Sprite() {
    constexpr int w = 80, h = 60, frames = 12;
    GifBuilder gif;
    gif.Screen(w, h, Ramp(16, 40), 0);
    for (int k = 0; k < frames; ++k) {
        const int fw = 20 + (k * 7) % 31;
        const int fh = 14 + (k * 5) % 23;
        const int left = (k * 9) % (w - fw);
        const int top = (k * 4) % (h - fh);
        Bytes pixels(static_cast<std::size_t>(fw * fh));
        for (int y = 0; y < fh; ++y) {
            for (int x = 0; x < fw; ++x) {
                const int dx = x - fw / 2, dy = y - fh / 2;
                // A disc on a transparent field.
                const bool inside = dx * dx * fh * fh + dy * dy * fw * fw < fw * fw * fh * fh / 4;
                pixels[static_cast<std::size_t>(y * fw + x)] =
                    static_cast<std::uint8_t>(inside ? 1 + (x / 3 + k) % 15 : 0);
            }
        }
        gif.Control(k % 4, 10, 0);
        const std::vector<Rgb> local = k % 2 ? Ramp(16, 17 * k) : std::vector<Rgb>{};
        gif.Image(left, top, fw, fh, pixels, k % 4 == 3, local, 4);
    }
    gif.Trailer();
    return gif.Get();
}

// 48 x 36, 40 frames over 16 colours with delays 0, 2, 10 and 25 and background disposal: long
// enough for the strip to scroll.
Bytes Long() {
    constexpr int w = 48, h = 36, frames = 40;
    static constexpr int kDelays[] = {0, 2, 10, 25};
    GifBuilder gif;
    gif.Screen(w, h, Ramp(16, 90));
    for (int k = 0; k < frames; ++k) {
        Bytes pixels(static_cast<std::size_t>(w * h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                pixels[static_cast<std::size_t>(y * w + x)] =
                    static_cast<std::uint8_t>(((x / 6) ^ (y / 6) ^ k) & 15);
            }
        }
        gif.Control(2, kDelays[k % 4]);
        gif.Image(0, 0, w, h, pixels, false, {}, 4);
    }
    gif.Trailer();
    return gif.Get();
}

Bytes OneFrame() {
    GifBuilder gif;
    gif.Screen(20, 20, {{0, 0, 0}, {255, 255, 255}});
    gif.Image(0, 0, 20, 20, Bytes(400, 1), false, {}, 2);
    gif.Trailer();
    return gif.Get();
}

bool WriteStill(const QString& path, const QColor& colour) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawEllipse(QRect(8, 6, 40, 30));
    painter.end();
    return image.save(path);
}

}  // namespace

MonkeyFiles MakeMonkeyFiles(const QString& folder, const QString& outFolder) {
    MonkeyFiles files;
    if (!QDir().mkpath(folder) || !QDir().mkpath(outFolder)) return files;
    const QDir dir(folder);
    const Bytes walk = Walk();
    struct Start {
        const char* name;
        Bytes bytes;
        int frames;
    };
    const Start starts[] = {
        {"walk.gif", walk, 24}, {"sprite.gif", Sprite(), 12}, {"long.gif", Long(), 40}};
    for (const Start& start : starts) {
        const QString path = dir.filePath(QString::fromLatin1(start.name));
        if (!WriteBytes(path, start.bytes)) return {};
        files.startGifs << path;
        files.startFrameCounts << start.frames;
    }
    const QString png = dir.filePath(QStringLiteral("still.png"));
    const QString bmp = dir.filePath(QStringLiteral("still.bmp"));
    if (!WriteStill(png, QColor(250, 200, 40)) || !WriteStill(bmp, QColor(40, 120, 220))) return {};
    files.stills << png << bmp;
    const QString one = dir.filePath(QStringLiteral("one.gif"));
    // The first half of an animation: the stream ends inside an image.
    const QString damaged = dir.filePath(QStringLiteral("damaged.gif"));
    if (!WriteBytes(one, OneFrame()) ||
        !WriteBytes(damaged, Bytes(walk.begin(), walk.begin() + walk.size() / 2)))
        return {};
    files.extras << one << damaged;
    files.folder = folder;
    files.outFolder = outFolder;
    return files;
}

}  // namespace vorla::monkey
