// The imaging role: reading and writing other image formats, resampling, filters and palette
// reduction. Images cross this boundary as CDib (BMP layout). Implementations never throw and
// never show anything; the caller reports failures in its own words.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/gif/GifPageInfo.h"
#include "core/model/CDib.h"
#include "core/model/Color.h"

namespace vorla {

enum class ImagingResult { Ok, NotFound, Failed };

// File formats the program writes (frame saving, external editors, conversions).
enum class ImageFormat { Bmp, Gif, Psd, Ico, Png, Pcx, Tga, Jpeg, Tiff };

enum class FilterKind { Mosaic, AddNoise, Average, Contrast, Median, Hue };

// How Quantize reduces an image. The defaults are the reduction every still picture gets.
struct QuantizeOptions {
    // Error diffusion suits a single picture; in a sequence of generated frames its pattern
    // changes from frame to frame and the picture shimmers, so those are reduced without it.
    enum class Dither { Diffusion, None };
    int speed = 4;  // 1 (slowest, best palette) .. 10 (fastest)
    Dither dither = Dither::Diffusion;
};

class Imaging {
public:
    virtual ~Imaging() = default;

    // Reads any supported file (first frame of AVI, first page of multi-page files).
    // bits 8: 8-bit palette image (reduced when needed); 24: 24-bit; 0: whichever fits the
    // source (8 when it has at most 256 colours, else 24).
    virtual ImagingResult LoadFile(const std::string& path, int bits, CDib& out) = 0;
    virtual ImagingResult ImageSize(const std::string& path, std::int32_t& width,
                                    std::int32_t& height) = 0;

    // Page 'page' (0-based) of a GIF file as an 8-bit bitmap with its playback values. The file
    // is decoded once and cached, so reading pages 0..n-1 in order costs O(n) in total.
    virtual ImagingResult LoadGifPage(const std::string& path, int page, CDib& out,
                                      GifPageInfo& info) = 0;
    // Number of images the GIF file holds (0 when it cannot be read). A damaged image counts,
    // so that reading it fails and the caller reports the file as damaged.
    virtual int GifPageCount(const std::string& path) = 0;
    // Drops what LoadGifPage keeps of the last file. Called when a load ends, however it ends,
    // so that the decoded pages of a file do not outlive its load.
    virtual void ReleaseGifPages() {}
    // Every image of a GIF file in stream order, each decoded once and handed to sink, which
    // takes it over: nothing is kept here, so a file of any length costs the memory of the images
    // the sink keeps. sink false stops the scan (Ok). Failed: the file cannot be read, or an
    // image past those handed over is damaged. A port that reads no GIF files says Failed.
    using GifImageSink = std::function<bool(const GifPageInfo& page, CDib&& image)>;
    virtual ImagingResult ScanGifImages(const std::string& path, const GifImageSink& sink) {
        (void)path, (void)sink;
        return ImagingResult::Failed;
    }

    // Writes the bitmap in the given format (8-bit sources keep their palette where the format
    // allows). TGA is written top-left oriented.
    virtual bool WriteFile(const CDib& image, const std::string& path, ImageFormat format) = 0;
    // source file -> target file in format; width and height 0 keep the size, others resample;
    // bits 8 or 24 (0 keeps).
    virtual bool FileConvert(const std::string& source, const std::string& target,
                             ImageFormat format, std::int32_t width, std::int32_t height,
                             int bits) = 0;

    // 24-bit (or any) image reduced to 8 bits with a 256-colour palette chosen by the quantiser.
    virtual bool Quantize(const CDib& image, CDib& out,
                          const QuantizeOptions& options = QuantizeOptions{}) = 0;
    // Frames of width x height pixels as R, G, B, A bytes (A 0: transparent, else opaque),
    // reduced together to one palette of at most maxColors opaque colours (2..255): palette
    // receives those colours, indices one index per pixel per frame, and fully transparent
    // pixels take index palette.size() (one past the colours). false when it cannot be done;
    // a port without a quantiser says so.
    virtual bool QuantizeShared(const std::vector<std::vector<std::uint8_t>>& rgbaFrames,
                                std::int32_t width, std::int32_t height, int maxColors,
                                std::vector<RgbQuad>& palette,
                                std::vector<std::vector<std::uint8_t>>& indices) {
        (void)rgbaFrames, (void)width, (void)height, (void)maxColors, (void)palette, (void)indices;
        return false;
    }
    // Bilinear resampling to width x height at 24 bits.
    virtual bool Resample(const CDib& image, std::int32_t width, std::int32_t height,
                          CDib& out) = 0;

    // The colours of any image exactly, as an 8-bit bitmap whose colour table lists them in the
    // order they first occur (top row first, left to right) and has as many entries as there are
    // colours. false, out untouched, when the image holds more than 256 colours.
    virtual bool ExactPalette(const CDib& image, CDib& out) = 0;

    // Resamples an 8-bit palette image to width x height (both at least 1) into an 8-bit image.
    // keyIndex >= 0 names the transparent index: its pixels take part as fully transparent, so
    // their colour never bleeds into the others; a result pixel at least half transparent takes
    // outKeyIndex, which no other pixel uses and whose entry holds the source's colour at
    // keyIndex. keyIndex < 0: nothing is transparent and outKeyIndex is -1. The result's table
    // is exact when it has few enough colours, else chosen by the quantiser; it may be shorter
    // than 256 entries.
    virtual bool ResampleIndexed(const CDib& image, int keyIndex, std::int32_t width,
                                 std::int32_t height, CDib& out, int& outKeyIndex) = 0;

    // Rotates an 8-bit palette image clockwise by `degrees` about its centre, keeping its size:
    // each pixel takes the index of the source pixel it comes from (nearest neighbour), so every
    // colour, the key colour included, stays exact; pixels that no source pixel reaches take
    // fillIndex. The colour table is copied unchanged.
    virtual bool RotateIndexed(const CDib& image, double degrees, std::uint8_t fillIndex,
                               CDib& out) = 0;

    // Rotation of any image; the canvas grows to the rotated picture's bounding box, the
    // uncovered parts take `fill`, and the result has 24 bits.
    virtual bool Rotate(const CDib& image, double degrees, Colorref fill, CDib& out) = 0;
    virtual bool Trim(const CDib& image, std::int32_t left, std::int32_t top, std::int32_t width,
                      std::int32_t height, CDib& out) = 0;
    // Perspective change: the top edge narrowed by 'amount' percent on each side.
    virtual bool ChangePerspective(const CDib& image, int amount, Colorref fill, CDib& out) = 0;
    // The filter applied with a strength whose range is the filter's own (documented per kind
    // in the implementation); the result keeps the source's size at 24 bits.
    virtual bool ApplyFilter(const CDib& image, FilterKind kind, int strength, CDib& out) = 0;

    // ApplyFilter for a filter that draws random numbers (AddNoise) from `seed`: the same seed
    // gives the same picture, different seeds different noise. Other kinds ignore the seed.
    virtual bool ApplyFilterSeeded(const CDib& image, FilterKind kind, int strength,
                                   std::uint32_t seed, CDib& out) {
        (void)seed;
        return ApplyFilter(image, kind, strength, out);
    }

    // Any image to 8 bits while a transparency mask is kept: clear holds one byte per pixel (rows
    // top first; empty: every pixel opaque), non-zero for a transparent pixel. Transparent pixels,
    // and only they, take keyIndex, an entry holding keyColour; the opaque pixels keep their
    // colours exactly when they hold at most 255 (without a mask 256), else the quantiser
    // chooses them. keyIndex is -1 without a mask. The table may be shorter than 256 entries.
    virtual bool ToIndexedKeepingMask(const CDib& image, const std::vector<std::uint8_t>& clear,
                                      Colorref keyColour, CDib& out, int& keyIndex) {
        (void)image, (void)clear, (void)keyColour, (void)out, (void)keyIndex;
        return false;
    }
};

}  // namespace vorla
