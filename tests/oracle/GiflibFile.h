// A GIF file read completely by giflib, the oracle the codec is checked against.
#pragma once

#include <gif_lib.h>

#include <string>

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

}  // namespace vorla::test
