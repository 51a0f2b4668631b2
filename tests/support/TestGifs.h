// GIF files the tests share: noise that every way to a smaller file has work on, and a stream
// decoded by the program's decoder into an animation the optimiser's functions take.
// Header-only: shared by core, command-line and GUI tests.
#pragma once

#include <random>
#include <vector>

#include "core/gif/GifDecoder.h"
#include "core/gif/GifOptimizer.h"
#include "core/model/CDib.h"
#include "support/GifBuilder.h"

namespace vorla::test {

// frames of 96 x 64 noise, each with its own 256 colours: hard to compress.
inline Bytes NoisyGif(int frames = 6) {
    std::mt19937 random(7);
    GifBuilder gif;
    gif.Screen(96, 64);
    gif.Loop(0);
    for (int k = 0; k < frames; ++k) {
        std::vector<Rgb> colors(256);
        for (auto& c : colors) {
            c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                 static_cast<std::uint8_t>(random())};
        }
        Bytes pixels(96 * 64);
        for (auto& p : pixels) p = static_cast<std::uint8_t>(random());
        gif.Control(1, 8).Image(0, 0, 96, 64, pixels, false, colors);
    }
    return gif.Trailer().Get();
}

// A stream's images as the decoder reads them, and the animation they make (pointing into
// images, so the object stays where it was made).
struct DecodedGif {
    explicit DecodedGif(const Bytes& gif) {
        std::vector<GifPageInfo> pages;
        GifDecoder::DecodeAllImages(gif, 1000, [&](const GifPageInfo& page, CDib&& image) {
            pages.push_back(page);
            images.push_back(std::move(image));
            return true;
        });
        if (pages.empty()) return;
        source.screenWidth = pages[0].screenWidth;
        source.screenHeight = pages[0].screenHeight;
        source.loop = pages.back().loopBlock;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            source.frames.push_back({&images[i], pages[i].left, pages[i].top, pages[i].delay,
                                     (pages[i].controlByte >> 2) & 7,
                                     pages[i].transparent ? pages[i].transparentIndex : -1});
        }
    }
    DecodedGif(const DecodedGif&) = delete;
    DecodedGif& operator=(const DecodedGif&) = delete;

    std::vector<CDib> images;
    GifSourceAnimation source;
};

}  // namespace vorla::test
