// CDib / BgrImage <-> Magick::Image. Every function may throw Magick::Exception; callers in this
// folder catch it, nothing outside ever sees one.
#pragma once

#include <Magick++.h>

#include "core/model/CDib.h"
#include "imaging/BgrImage.h"

namespace vorla {

class MagickConvert {
public:
    static Magick::Image ToMagick(const BgrImage& image);
    // An 8-bit bitmap as a palette (PseudoClass) image whose colour map is the bitmap's colour
    // table in its order, so palette-capable writers keep it.
    static Magick::Image ToMagickPalette(const CDib& dib8);
    // The pixels in sRGB. Transparency is composited onto white: the program keeps its own
    // transparency model (a key colour per frame), and white is what a viewer shows behind a
    // transparent picture.
    static BgrImage FromMagick(Magick::Image& image);
    // An opaque palette image with at most 256 map entries as an 8-bit bitmap with the file's
    // own colour map in its order; false for anything else.
    static bool PaletteFromMagick(Magick::Image& image, CDib& out);
};

}  // namespace vorla
