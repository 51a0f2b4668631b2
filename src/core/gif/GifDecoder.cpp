#include "core/gif/GifDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/gif/GifStreamReader.h"
#include "core/port/UserInterface.h"

namespace vorla {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kBitsOffset = kFileHeaderBytes + kInfoHeaderBytes + 4 * 256;

std::size_t PixelCount(const GifPageInfo& page) {
    return static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height);
}

std::size_t StrideOf(std::int32_t width) {
    return (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}

void Put16(std::uint8_t*& p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p += 2;
}

void Put32(std::uint8_t*& p, std::uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p, v >> 16);
}

// Copies the complete rows among count stored pixels to their place in bottom-up bits. Rows
// come in the four interlace passes when interlaced; passes that start below the last row are
// empty. A row cut short by the end of the data is not written.
void PlaceRows(const std::uint8_t* pixels, std::size_t count, const GifPageInfo& page,
               std::uint8_t* bits, std::size_t stride) {
    const auto width = static_cast<std::size_t>(page.width);
    const std::size_t rows = count / width;
    std::size_t k = 0;
    auto put = [&](std::int32_t y) {
        std::memcpy(bits + stride * static_cast<std::size_t>(page.height - 1 - y),
                    pixels + k * width, width);
        ++k;
    };
    if (!page.interlaced) {
        for (std::size_t y = 0; y < rows; ++y) put(static_cast<std::int32_t>(y));
        return;
    }
    static constexpr std::int32_t kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    for (const auto& pass : kPasses) {
        for (std::int32_t y = pass[0]; y < page.height && k < rows; y += pass[1]) put(y);
    }
}

void WriteBmpHeaders(std::uint8_t* p, const GifPageInfo& page, const GifImageHeader& image) {
    const auto imageBytes =
        static_cast<std::uint32_t>(StrideOf(page.width) * static_cast<std::size_t>(page.height));
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, imageBytes + static_cast<std::uint32_t>(kBitsOffset));
    Put32(p, 0);  // two reserved words
    Put32(p, static_cast<std::uint32_t>(kBitsOffset));
    Put32(p, kInfoHeaderBytes);
    Put32(p, static_cast<std::uint32_t>(page.width));
    Put32(p, static_cast<std::uint32_t>(page.height));  // positive: bottom-up
    Put16(p, 1);                                        // planes
    Put16(p, 8);                                        // bits per pixel
    Put32(p, 0);                                        // no compression
    Put32(p, imageBytes);
    Put32(p, 0);  // resolutions
    Put32(p, 0);
    Put32(p, 256);  // colours used
    Put32(p, 256);  // colours important
    for (const RgbQuad& q : image.colors) {
        *p++ = q.blue;
        *p++ = q.green;
        *p++ = q.red;
        *p++ = 0;
    }
}

}  // namespace

GifImageData JudgeImageData(const GifLzw::Outcome& outcome, std::size_t pixelCount) {
    // pastTable only counts codes met before the image was full.
    if (outcome.pastTable) return GifImageData::Invalid;
    if (outcome.pixels >= pixelCount) return GifImageData::Whole;
    return outcome.end == GifLzw::End::Corrupt ? GifImageData::Invalid : GifImageData::CutShort;
}

void GifDecoder::ResetCall() {
    page_ = GifPageInfo{};
    transparentRed_ = transparentGreen_ = transparentBlue_ = 0;
    imageMissing_ = false;
    imagesDone_ = 0;
    dataPosition_ = -1;
}

void GifDecoder::ReportLzw(const GifLzw::Outcome& outcome, const ErrorSink& errors, bool trace) {
    auto fail = [&](std::string_view text) {
        if (errors) errors(text);
    };
    switch (outcome.end) {
        case GifLzw::End::DataEnded: fail("ran off the end of my bits"); break;
        case GifLzw::End::Corrupt:
            fail(outcome.circular ? "circular table entry BIG ERROR" : "bad code after clear code");
            break;
        case GifLzw::End::EndCode:
        case GifLzw::End::Full: break;
    }
    if (trace && outcome.missingEod) {
        std::fprintf(stderr, "missing EOD in data stream (common occurence)\n");
    }
    if (trace && outcome.extraData)
        std::fprintf(stderr, "too much input data, ignoring extra...\n");
}

bool GifDecoder::DecodePixels(GifLzw& lzw, std::span<const std::uint8_t> bytes,
                              const GifImageHeader& image, GifLzw::Finish finish,
                              std::vector<std::uint8_t>& pixels, GifLzw::Outcome& outcome,
                              const ErrorSink& errors) {
    auto fail = [&](std::string_view text) {
        if (errors) errors(text);
        return false;
    };
    const GifPageInfo& page = image.page;
    // A 0 x n image has no row to show; the frame model cannot hold it.
    if (page.width == 0 || page.height == 0) return fail("image has no pixels");
    const std::uint64_t count =
        static_cast<std::uint64_t>(page.width) * static_cast<std::uint64_t>(page.height);
    if (count > kMaxPixels) return fail("image too large");
    try {
        if (pixels.size() < count + GifLzw::kSlack) pixels.resize(count + GifLzw::kSlack);
    } catch (const std::bad_alloc&) {
        return fail("couldn't alloc space for image");
    }
    outcome = lzw.Run(bytes, image.dataOffset, image.minCodeSize, pixels.data(), count, finish);
    return true;
}

bool GifDecoder::Decode(ByteStream* input, ByteStream& output, std::string_view mode,
                        int imageIndex) {
    ResetCall();
    if (input == nullptr) {
        if (ui_ != nullptr) ui_->ShowMessage("GIF player internal error no.98213");
        return false;
    }
    bool traceComments = false;
    bool traceImages = false;
    int wanted = 1;  // 1-based
    switch (mode.empty() ? '\0' : mode.front()) {
        case '\0':
        case '8': break;
        case 'i': wanted = imageIndex + 1; break;
        case 'c': traceComments = true; break;
        case 'v': traceComments = traceImages = true; break;
        default:
            if (ui_ != nullptr) ui_->ShowMessage("GIF player internal error no.20124");
            return false;
    }
    const bool trace = traceComments || traceImages;
    auto fail = [&](std::string_view text) {
        if (errorSink_) errorSink_(text);
        return false;
    };

    input->SeekToBegin();
    output.SeekToBegin();
    output.SetLength(0);
    const std::int64_t length = input->Length();
    if (length < 0 || static_cast<std::uint64_t>(length) > kMaxInputBytes) {
        return fail("input too large");
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return fail("input too large");
    }
    bytes.resize(input->Read(bytes.data(), bytes.size()));

    GifStreamReader reader(bytes, errorSink_, traceComments, trace);
    if (!reader.ReadHeader()) return false;
    page_.screenWidth = reader.ScreenWidth();
    page_.screenHeight = reader.ScreenHeight();

    std::vector<std::uint8_t> bmp;
    int seen = 0;
    GifImageHeader image;
    for (;;) {
        const GifStreamReader::Next next = reader.NextImage(image);
        if (next == GifStreamReader::Next::Failed) return false;
        if (next == GifStreamReader::Next::End) break;
        ++seen;
        GifLzw::Outcome outcome;
        if (seen == wanted) {
            page_ = image.page;
            dataPosition_ = static_cast<std::int64_t>(image.descriptorEnd);
            if (page_.transparent) {
                const RgbQuad& c = image.colors[page_.transparentIndex];
                transparentRed_ = c.red;
                transparentGreen_ = c.green;
                transparentBlue_ = c.blue;
            }
            if (!DecodePixels(lzw_, bytes, image, GifLzw::Finish::StopAtFull, pixels_, outcome,
                              errorSink_)) {
                return false;
            }
            const GifImageData judged = JudgeImageData(outcome, PixelCount(page_));
            if (judged == GifImageData::Invalid) {
                ReportLzw(outcome, errorSink_, trace);
                return fail("image data is invalid");
            }
            page_.cutShort = judged == GifImageData::CutShort;
            if (trace) {
                std::fprintf(stderr, "reading %d by %d%s GIF image\n", page_.width, page_.height,
                             page_.interlaced ? " interlaced" : "");
            }
            const std::size_t stride = StrideOf(page_.width);
            const std::size_t imageBytes = stride * static_cast<std::size_t>(page_.height);
            try {
                bmp.assign(kBitsOffset + imageBytes, 0);
            } catch (const std::bad_alloc&) {
                return fail("couldn't alloc space for image");
            }
            WriteBmpHeaders(bmp.data(), page_, image);
            PlaceRows(pixels_.data(), outcome.pixels, page_, bmp.data() + kBitsOffset, stride);
        } else {
            if (traceImages) std::fprintf(stderr, "skipping image...\n");
            outcome = lzw_.Run(bytes, image.dataOffset, image.minCodeSize, nullptr, 0,
                               GifLzw::Finish::Skip);
        }
        ReportLzw(outcome, errorSink_, trace);
        reader.ContinueAt(outcome.stopOffset);
        ++imagesDone_;
    }
    if (seen < wanted || wanted < 1) imageMissing_ = true;
    page_.loopBlock = reader.LoopBlockSeen();
    if (!bmp.empty() && !output.Write(bmp.data(), bmp.size())) return fail("error writing image");
    output.SeekToBegin();
    return true;
}

GifScanResult GifDecoder::DecodeAllImages(std::span<const std::uint8_t> bytes,
                                          std::size_t maxImages, const ImageSink& sink) {
    GifScanResult result;
    const ErrorSink keepFirst = [&result](std::string_view text) {
        if (result.error.empty()) result.error = text;
    };
    GifStreamReader reader(bytes, keepFirst, false, false);
    if (!reader.ReadHeader()) return result;
    // Every way out reports the looping blocks read up to there.
    auto finish = [&]() -> GifScanResult {
        result.loopBlock = reader.LoopBlockSeen();
        return result;
    };

    GifLzw lzw;
    std::vector<std::uint8_t> pixels;
    GifImageHeader image;
    for (;;) {
        const GifStreamReader::Next next = reader.NextImage(image);
        if (next == GifStreamReader::Next::Failed) return finish();
        if (next == GifStreamReader::Next::End) break;
        ++result.imageCount;
        if (result.delivered >= maxImages) {
            reader.ContinueAt(GifLzw::SkipSubBlocks(bytes, image.dataOffset));
            continue;
        }
        GifLzw::Outcome outcome;
        if (!DecodePixels(lzw, bytes, image, GifLzw::Finish::DrainAtFull, pixels, outcome,
                          keepFirst)) {
            return finish();
        }
        const GifImageData judged = JudgeImageData(outcome, PixelCount(image.page));
        if (judged == GifImageData::Invalid) {
            ReportLzw(outcome, keepFirst, false);
            keepFirst("image data is invalid");
            return finish();
        }
        image.page.cutShort = judged == GifImageData::CutShort;
        result.cutShort = result.cutShort || image.page.cutShort;
        reader.ContinueAt(outcome.stopOffset);
        CDib dib;
        try {
            dib.Create(image.page.width, image.page.height, 8, 256);
        } catch (const std::bad_alloc&) {
            keepFirst("couldn't alloc space for image");
            return finish();
        }
        std::copy(image.colors.begin(), image.colors.end(), dib.ColorTable().begin());
        PlaceRows(pixels.data(), outcome.pixels, image.page, dib.Bits().data(),
                  static_cast<std::size_t>(dib.Stride()));
        ++result.delivered;
        if (sink && !sink(image.page, std::move(dib))) {
            result.stoppedBySink = true;
            return finish();
        }
    }
    result.complete = true;
    return finish();
}

}  // namespace vorla
