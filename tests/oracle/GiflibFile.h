// A GIF file read completely by giflib, the oracle the codec is checked against.
#pragma once

#include <gif_lib.h>

#include <string>
#include <vector>

#include "support/GifBuilder.h"

namespace vorla::test {

struct GiflibFile {
    explicit GiflibFile(const std::string& path) {
        int error = 0;
        gif = DGifOpenFileName(path.c_str(), &error);
        if (gif != nullptr) ok = DGifSlurp(gif) == GIF_OK;
    }
    ~GiflibFile() {
        int error = 0;
        if (gif != nullptr) DGifCloseFile(gif, &error);
    }
    GiflibFile(const GiflibFile&) = delete;
    GiflibFile& operator=(const GiflibFile&) = delete;

    GraphicsControlBlock Control(int k) const {
        GraphicsControlBlock gcb{};
        // No control block: giflib reports delay 0; -1 tells it apart.
        if (DGifSavedExtensionToGCB(gif, k, &gcb) != GIF_OK) {
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            gcb.DelayTime = -1;
        }
        return gcb;
    }
    // The looping block's count, or -1 without one.
    int Loop() const {
        for (int k = 0; k < gif->ImageCount; ++k) {
            const SavedImage& image = gif->SavedImages[k];
            for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
                const ExtensionBlock& app = image.ExtensionBlocks[e];
                const ExtensionBlock& sub = image.ExtensionBlocks[e + 1];
                if (app.Function == APPLICATION_EXT_FUNC_CODE && app.ByteCount == 11 &&
                    std::string(reinterpret_cast<const char*>(app.Bytes), 11) == "NETSCAPE2.0" &&
                    sub.ByteCount >= 3) {
                    return sub.Bytes[1] | (sub.Bytes[2] << 8);
                }
            }
        }
        return -1;
    }

    GifFileType* gif = nullptr;
    bool ok = false;
};

// Input k (0..3) of the gifsicle cases: a 60 x 40 single-image GIF with its own 16 colours and
// a band that widens with k, so gifsicle gives each frame a local table and an offset.
inline Bytes GifsicleInput(int k) {
    Bytes pixels(60 * 40);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>(
            (static_cast<int>(i % 60) < 20 + k * 5) ? (i / 60 + k) % 16 : 3);
    }
    std::vector<Rgb> colors(16);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        colors[i] = {static_cast<std::uint8_t>(i * 16 + k), static_cast<std::uint8_t>(255 - i * 9),
                     7};
    }
    return GifBuilder().Screen(60, 40, colors).Image(0, 0, 60, 40, pixels).Trailer().Get();
}

}  // namespace vorla::test
