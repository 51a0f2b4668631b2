// The values of one decoded GIF image that the frame model keeps.
#pragma once

#include <cstdint>

namespace vorla {

// The delay, in centiseconds, the editor gives an image no graphic control precedes.
inline constexpr int kDelayWithoutControl = 50;

struct GifPageInfo {
    std::int32_t screenWidth = 0;  // logical screen of the stream
    std::int32_t screenHeight = 0;
    std::int32_t left = 0;  // image position and size inside the logical screen, pixels
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t delay = -1;       // centiseconds; -1: no graphic control preceded the image
    std::int32_t colorCount = 0;   // entries of the colour table the image uses (2..256)
    std::uint8_t controlByte = 0;  // graphic-control packed byte; disposal in bits 2..4
    bool transparent = false;
    std::uint8_t transparentIndex = 0;
    bool interlaced = false;
    // The stream holds a looping block (a NETSCAPE2.0 or ANIMEXTS1.0 application extension with
    // a loop sub-block) anywhere in it; without one, viewers play the animation once.
    bool loopBlock = false;
    // The image's data ended before its last pixel (a file cut short, or an encoder that stopped
    // early): the pixels not covered are index 0. Whether that is acceptable is the caller's
    // decision (JudgeImageData).
    bool cutShort = false;
};

}  // namespace vorla
