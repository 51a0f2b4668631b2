#include "gui/view/DibImage.h"

#include <array>
#include <cstring>

namespace vorla {

QImage DibToQImage(const CDib& dib, long long keyColor) {
    if (dib.IsEmpty()) return {};
    const int width = dib.Width();
    const int height = dib.Height();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    if (dib.BitCount() == 8 && dib.Compression() == 0) {
        std::array<QRgb, 256> lookup{};
        for (int i = 0; i < dib.ColorCount() && i < 256; ++i) {
            Colorref c = dib.PaletteColor(i);
            bool key = keyColor >= 0 && c == static_cast<Colorref>(keyColor);
            lookup[static_cast<std::size_t>(i)] = key ? 0u : qRgb(RedOf(c), GreenOf(c), BlueOf(c));
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = dib.Row(y);
            auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) to[x] = lookup[from[x]];
        }
        return image;
    }
    for (int y = 0; y < height; ++y) {
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            Colorref c = dib.PixelColor(x, y);
            bool key = keyColor >= 0 && dib.BitCount() <= 8 && c == static_cast<Colorref>(keyColor);
            to[x] = key ? 0u : qRgb(RedOf(c), GreenOf(c), BlueOf(c));
        }
    }
    return image;
}

CDib QImageToDib(const QImage& source) {
    CDib dib;
    if (source.isNull()) return dib;
    if (source.format() == QImage::Format_Indexed8) {
        dib.Create(source.width(), source.height(), 8, 256);
        const QList<QRgb> table = source.colorTable();
        for (int i = 0; i < table.size() && i < 256; ++i) {
            dib.SetPaletteColor(i, MakeRgb(qRed(table[i]), qGreen(table[i]), qBlue(table[i])));
        }
        for (int y = 0; y < source.height(); ++y) {
            std::memcpy(dib.Row(y), source.constScanLine(y),
                        static_cast<std::size_t>(source.width()));
        }
        return dib;
    }
    QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    dib.Create(source.width(), source.height(), 24);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            QRgb p = from[x];
            int a = qAlpha(p);
            // Composite over white so transparent areas of pasted images come out white.
            int r = (qRed(p) * a + 255 * (255 - a)) / 255;
            int g = (qGreen(p) * a + 255 * (255 - a)) / 255;
            int b = (qBlue(p) * a + 255 * (255 - a)) / 255;
            dib.SetPixelColor(x, y, MakeRgb(r, g, b));
        }
    }
    return dib;
}

}  // namespace vorla
