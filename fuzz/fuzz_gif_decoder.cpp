// Drives the GIF reader with arbitrary bytes: Decode in a mode and for an image chosen by the
// first byte, then the single pass over the rest. Besides memory errors it stops on results
// that contradict each other: a BMP whose size does not fit its header, a single-pass image
// that differs from the same image decoded by Decode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/gif/GifDecoder.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    // "c" and "v" only add stderr traces; "x" is a mode the decoder must refuse.
    static constexpr const char* kModes[4] = {"", "8", "i", "x"};
    const char* mode = kModes[selector & 3];
    const int index = (selector >> 2) & 7;

    static vorla::GifDecoder decoder;  // reused, as a view reuses its decoder
    vorla::MemoryStream in(bytes);
    vorla::MemoryStream out;
    const bool ok = decoder.Decode(&in, out, mode, index);
    Check(!(ok && mode[0] == 'x'));
    vorla::CDib wanted;
    if (ok && !out.Bytes().empty()) {
        const vorla::GifPageInfo& page = decoder.Page();
        const std::size_t stride = (static_cast<std::size_t>(page.width) + 3) & ~std::size_t{3};
        Check(out.Bytes().size() == 1078 + stride * static_cast<std::size_t>(page.height));
        Check(wanted.FromBytes(out.Bytes()));
    }
    const int target = mode[0] == 'i' ? index : 0;
    std::size_t seen = 0;
    vorla::GifScanResult result = vorla::GifDecoder::DecodeAllImages(
        bytes, 1 + (selector >> 5), [&](const vorla::GifPageInfo& page, vorla::CDib&& dib) {
            Check(dib.Width() == page.width && dib.Height() == page.height);
            if (static_cast<int>(seen) == target && !wanted.IsEmpty()) {
                Check(dib == wanted);
                Check(page.delay == decoder.Page().delay);
                Check(page.transparentIndex == decoder.Page().transparentIndex);
            }
            ++seen;
            return true;
        });
    Check(result.delivered == seen && result.imageCount >= seen);
    return 0;
}
