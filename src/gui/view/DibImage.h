// CDib <-> QImage. Frames become premultiplied ARGB once, when their display copies are rebuilt,
// so painting only copies pixels.
#pragma once

#include <QColor>
#include <QImage>

#include "core/model/CDib.h"

namespace vorla {

inline QColor ToQColor(Colorref c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}
inline Colorref FromQColor(const QColor& c) {
    return MakeRgb(c.red(), c.green(), c.blue());
}

// An image of any CDib depth. keyColor >= 0: pixels whose palette colour equals it are fully
// transparent (8-bit and lower only).
QImage DibToQImage(const CDib& dib, long long keyColor = -1);

// A 24-bit CDib of the image (alpha composited over white), or an 8-bit one when the image is
// indexed.
CDib QImageToDib(const QImage& image);

}  // namespace vorla
