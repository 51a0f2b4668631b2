// CDib::Read over arbitrary bytes: never reads outside the stream, never allocates from an
// unchecked header field, and a bitmap it accepts is fully addressable.
#include <cstddef>
#include <cstdint>

#include "core/model/CDib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorla::MemoryStream stream{std::span<const std::uint8_t>(data, size)};
    vorla::CDib dib;
    if (!dib.Read(stream)) return 0;
    // Touch the first and last pixel of every row and every palette entry.
    volatile std::uint32_t sink = 0;
    for (std::int32_t y = 0; y < dib.Height(); ++y) {
        sink = sink + dib.PixelColor(0, y) + dib.PixelColor(dib.Width() - 1, y);
    }
    for (int i = 0; i < dib.ColorCount(); ++i) sink = sink + dib.PaletteColor(i);
    auto bytes = dib.ToBytes();
    vorla::CDib again;
    if (!again.FromBytes(bytes) || !(again == dib)) __builtin_trap();
    return 0;
}
