// The Imaging port over Magick++ (still formats, geometry, filters), libimagequant (palette
// reduction), libav (first frame of AVI files) and the program's own GIF decoder (GIF pages).
//
// Choices that callers can see:
// - Transparency: 24-bit results are composited onto white; 8-bit results are the palette of
//   that same composite (a transparent pixel becomes a white entry). The program keeps
//   transparency as a key colour per frame, which the caller chooses afterwards. GIF files are
//   the exception: they come from the program's decoder with their table untouched, the
//   transparent index keeping whatever colour its entry holds.
// - 8 bits: a source with at most 256 colours keeps them exactly (an opaque palette file keeps
//   its own table in order; otherwise the table lists the colours by first appearance); more
//   colours go through libimagequant into a 256-entry table, dithered.
// - Resampling (Resample, FileConvert, ResampleIndexed): triangle filter, i.e. bilinear.
// - RotateIndexed: nearest neighbour on the indices, no new colours.
// - ICO files hold at most 256 x 256 pixels: larger pictures are scaled down to fit, keeping
//   their aspect ratio.
// - TGA files are written with a top-left origin and read as their header's origin says.
// - Every size is checked against ImageSource's budget (16000 px a side, 64 Mpx) before pixels
//   are allocated; larger pictures fail.
//
// ApplyFilter strengths (values outside are clamped):
//   Mosaic   1..100   block width in pixels (1: unchanged)
//   AddNoise 0..1000  uniform noise of +-strength/1000 of full scale per channel, from a fixed
//                     seed so the same picture always gets the same noise
//   Average  0..100   box blur radius in pixels (window 2r+1 square)
//   Contrast -1000..1000  contrast change in tenths of a percent
//   Median   0..10    median filter radius in pixels
//   Hue      0..359   hue rotation in degrees
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/port/Imaging.h"

namespace vorla {

class GifPageCache;
class BgrImage;

class MagickImaging final : public Imaging {
public:
    MagickImaging();
    ~MagickImaging() override;
    MagickImaging(const MagickImaging&) = delete;
    MagickImaging& operator=(const MagickImaging&) = delete;

    // Starts Magick (with the program's path, so it finds its modules beside it when installed
    // privately), sets resource limits and silences libav's console logging. Safe to call more
    // than once and from any thread; the constructor calls it with no path when nobody did.
    static void InitializeImaging(const char* argv0);

    ImagingResult LoadFile(const std::string& path, int bits, CDib& out) override;
    ImagingResult ImageSize(const std::string& path, std::int32_t& width,
                            std::int32_t& height) override;
    ImagingResult LoadGifPage(const std::string& path, int page, CDib& out,
                              GifPageInfo& info) override;
    int GifPageCount(const std::string& path) override;
    void ReleaseGifPages() override;
    ImagingResult ScanGifImages(const std::string& path, const GifImageSink& sink) override;
    bool WriteFile(const CDib& image, const std::string& path, ImageFormat format) override;
    bool FileConvert(const std::string& source, const std::string& target, ImageFormat format,
                     std::int32_t width, std::int32_t height, int bits) override;
    bool Quantize(const CDib& image, CDib& out,
                  const QuantizeOptions& options = QuantizeOptions{}) override;
    bool QuantizeShared(const std::vector<std::vector<std::uint8_t>>& rgbaFrames,
                        std::int32_t width, std::int32_t height, int maxColors,
                        std::vector<RgbQuad>& palette,
                        std::vector<std::vector<std::uint8_t>>& indices) override;
    bool Resample(const CDib& image, std::int32_t width, std::int32_t height, CDib& out) override;
    bool ExactPalette(const CDib& image, CDib& out) override;
    bool ResampleIndexed(const CDib& image, int keyIndex, std::int32_t width, std::int32_t height,
                         CDib& out, int& outKeyIndex) override;
    bool RotateIndexed(const CDib& image, double degrees, std::uint8_t fillIndex,
                       CDib& out) override;
    bool Rotate(const CDib& image, double degrees, Colorref fill, CDib& out) override;
    bool Trim(const CDib& image, std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height, CDib& out) override;
    bool ChangePerspective(const CDib& image, int amount, Colorref fill, CDib& out) override;
    bool ApplyFilter(const CDib& image, FilterKind kind, int strength, CDib& out) override;
    bool ApplyFilterSeeded(const CDib& image, FilterKind kind, int strength, std::uint32_t seed,
                           CDib& out) override;
    bool ToIndexedKeepingMask(const CDib& image, const std::vector<std::uint8_t>& clear,
                              Colorref keyColour, CDib& out, int& keyIndex) override;

private:
    // The picture of any readable file in its natural form: an 8-bit bitmap for palette
    // sources that keep their table, else 24 bits.
    ImagingResult ReadNatural(const std::string& path, CDib& out);
    // Any depth -> 8, 24 or 0 (8 when at most 256 colours, else 24).
    static bool ToDepth(const CDib& image, int bits, CDib& out);
    static bool ToBgr(const CDib& image, BgrImage& out);
    static bool Encode(const CDib& image, ImageFormat format, std::vector<std::uint8_t>& bytes);

    std::unique_ptr<GifPageCache> gifPages_;
};

}  // namespace vorla
