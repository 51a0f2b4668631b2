// The program's own GIF reader (GIF87a and GIF89a).
//
// Decode picks one image of a stream and writes it as an 8-bit bottom-up Windows BMP stream
// (14-byte file header, 40-byte info header, 256 colour-table entries, rows padded to 4 bytes),
// keeping the image's values for the frame model. DecodeAllImages reads a whole stream once and
// hands over every image as a CDib with the same values.
//
// Limits (a failed decode, never a crash):
// - an image above kMaxPixels pixels, or with a width or height of 0, is not decoded;
// - LZW minimum code sizes outside 1..11 fail the stream;
// - a stream above kMaxInputBytes is refused.
// A stream with neither a global nor a local colour table decodes against an all-black table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/gif/GifLzw.h"
#include "core/gif/GifPageInfo.h"
#include "core/model/ByteStream.h"
#include "core/model/CDib.h"

namespace vorla {

class UserInterface;
struct GifImageHeader;

// How one image's compressed data ended. One rule for every reader of GIFs in the program:
// Invalid data (a code past the next free table entry, or a first code that is neither a clear
// code nor a colour, before the image is full) makes the image unreadable; data that ends early
// leaves the rest of the image at index 0 and marks the page cutShort. Codes after the last
// pixel are never judged: the image is whole by then.
enum class GifImageData { Whole, CutShort, Invalid };
GifImageData JudgeImageData(const GifLzw::Outcome& outcome, std::size_t pixelCount);

struct GifScanResult {
    bool complete = false;       // read up to the trailer or the end of data without a failure
    std::size_t imageCount = 0;  // images met; every image of the stream when complete
    std::size_t delivered = 0;   // images handed to the sink
    bool stoppedBySink = false;  // the sink returned false; the scan ended there
    std::string error;           // the first diagnostic text when not complete
    // A looping block was met before the scan ended. Pages handed to the sink only know of the
    // blocks before them (their loopBlock); this is the answer for everything read.
    bool loopBlock = false;
    bool cutShort = false;  // a delivered image's data ended early (its page says cutShort)
};

class GifDecoder {
public:
    using ErrorSink = std::function<void(std::string_view)>;
    // Receives image k (0-based order in the stream); false ends the scan.
    using ImageSink = std::function<bool(const GifPageInfo& page, CDib&& image)>;

    // 64 Mi pixels: 8 K x 8 K, a 64 MiB bitmap; far above any frame the editor shows.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;
    static constexpr std::uint64_t kMaxInputBytes = std::uint64_t{1} << 31;

    explicit GifDecoder(UserInterface* ui = nullptr) : ui_(ui) {}

    // Message boxes of internal errors go here; none are shown without one.
    void SetUserInterface(UserInterface* ui) { ui_ = ui; }
    // Diagnostic texts of failed decodes (in English); by default they are discarded.
    void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }

    // Decodes one image of input into output (both used from their start; output is truncated
    // first). mode: "" or "8" image 1; "i" image imageIndex + 1; "c" image 1 with comments
    // traced to stderr; "v" as "c" and skipped images reported. false for a failure, with output
    // then undefined. A stream that ends before the wanted image gives true, ImageMissing() and
    // an empty output. Every block up to the trailer is read, so damage anywhere fails.
    bool Decode(ByteStream* input, ByteStream& output, std::string_view mode, int imageIndex);

    // The wanted image's values after a successful Decode; loopBlock covers the whole stream.
    const GifPageInfo& Page() const { return page_; }
    // Colour of the transparent index in the table the image uses (0 without transparency).
    int TransparentRed() const { return transparentRed_; }
    int TransparentGreen() const { return transparentGreen_; }
    int TransparentBlue() const { return transparentBlue_; }
    bool ImageMissing() const { return imageMissing_; }
    // Images completely read in the last call.
    int ImagesDone() const { return imagesDone_; }
    // Stream offset just behind the wanted image's descriptor; -1 when it was not reached.
    std::int64_t DataPosition() const { return dataPosition_; }

    // One pass over a whole stream in O(bytes). The first maxImages images are decoded and
    // handed to sink in stream order; image k arrives with exactly the values and pixels that
    // Decode(..., "i", k) gives for it. Images past maxImages are only counted (their data
    // skipped by sub-block lengths, not decoded). The scan ends at the first failure: an
    // unreadable block, or an image that Decode would refuse; images delivered before it stay
    // valid. It differs from Decode only on damaged data that Decode reads on past the wanted
    // image: Decode fails the whole stream, the scan still delivers the images before the damage.
    // An image with invalid data (JudgeImageData) ends the scan as a failure, in both.
    static GifScanResult DecodeAllImages(std::span<const std::uint8_t> bytes, std::size_t maxImages,
                                         const ImageSink& sink);

private:
    // Decodes the pixels of image into pixels_ in stored order; false when refused.
    static bool DecodePixels(GifLzw& lzw, std::span<const std::uint8_t> bytes,
                             const GifImageHeader& image, GifLzw::Finish finish,
                             std::vector<std::uint8_t>& pixels, GifLzw::Outcome& outcome,
                             const ErrorSink& errors);
    static void ReportLzw(const GifLzw::Outcome& outcome, const ErrorSink& errors, bool trace);
    void ResetCall();

    UserInterface* ui_ = nullptr;
    ErrorSink errorSink_;
    GifLzw lzw_;  // tables per decoder: decoders on different threads do not meet
    std::vector<std::uint8_t> pixels_;

    GifPageInfo page_;
    int transparentRed_ = 0;
    int transparentGreen_ = 0;
    int transparentBlue_ = 0;
    bool imageMissing_ = false;
    int imagesDone_ = 0;
    std::int64_t dataPosition_ = -1;
};

}  // namespace vorla
