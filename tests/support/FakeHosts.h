// Stand-ins for the imaging layer and the view in core tests of the frame model.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/effects/PaletteOps.h"
#include "core/model/DibScale.h"
#include "core/model/FrameTable.h"
#include "core/model/FrameTableHost.h"
#include "core/port/Imaging.h"

namespace vorla::test {

// Serves still images and GIF pages from memory.
class FakeImaging : public Imaging {
public:
    struct Page {
        CDib image;
        GifPageInfo info;
    };
    std::map<std::string, CDib> stills;
    std::map<std::string, std::vector<Page>> gifs;

    ImagingResult LoadFile(const std::string& path, int, CDib& out) override {
        auto it = stills.find(path);
        if (it == stills.end()) return ImagingResult::Failed;
        out = it->second;
        return ImagingResult::Ok;
    }
    ImagingResult ImageSize(const std::string& path, std::int32_t& width,
                            std::int32_t& height) override {
        auto it = stills.find(path);
        if (it == stills.end()) return ImagingResult::NotFound;
        width = it->second.Width();
        height = it->second.Height();
        return ImagingResult::Ok;
    }
    ImagingResult LoadGifPage(const std::string& path, int page, CDib& out,
                              GifPageInfo& info) override {
        auto it = gifs.find(path);
        if (it == gifs.end() || page < 0 || page >= static_cast<int>(it->second.size())) {
            return ImagingResult::Failed;
        }
        out = it->second[static_cast<std::size_t>(page)].image;
        info = it->second[static_cast<std::size_t>(page)].info;
        return ImagingResult::Ok;
    }
    int GifPageCount(const std::string& path) override {
        auto it = gifs.find(path);
        if (it == gifs.end()) return 0;
        auto counted = pageCounts.find(path);
        return counted != pageCounts.end() ? counted->second : static_cast<int>(it->second.size());
    }
    void ReleaseGifPages() override { ++releases; }
    // The pages present; a count above them (pageCounts) is damage after the last.
    ImagingResult ScanGifImages(const std::string& path, const GifImageSink& sink) override {
        auto it = gifs.find(path);
        if (it == gifs.end()) return ImagingResult::NotFound;
        for (const Page& page : it->second) {
            if (!sink(page.info, CDib(page.image))) return ImagingResult::Ok;
        }
        auto counted = pageCounts.find(path);
        return counted == pageCounts.end() || counted->second <= static_cast<int>(it->second.size())
                   ? ImagingResult::Ok
                   : ImagingResult::Failed;
    }
    // Counts reported instead of the pages present (a file longer than its pages here).
    std::map<std::string, int> pageCounts;
    int releases = 0;
    bool WriteFile(const CDib&, const std::string&, ImageFormat) override { return false; }
    bool FileConvert(const std::string&, const std::string&, ImageFormat, std::int32_t,
                     std::int32_t, int) override {
        return false;
    }
    // Exact for images of at most 256 colours: the palette lists the colours in the order they
    // first occur (top row first), unused entries black. More colours: false.
    bool Quantize(const CDib& image, CDib& out,
                  const QuantizeOptions& options = QuantizeOptions{}) override {
        lastQuantize = options;
        if (image.IsEmpty() || failQuantize) return false;
        std::map<Colorref, int> indexOf;
        CDib result;
        result.Create(image.Width(), image.Height(), 8, 256);
        for (std::int32_t y = 0; y < image.Height(); ++y) {
            for (std::int32_t x = 0; x < image.Width(); ++x) {
                const Colorref colour = image.PixelColor(x, y);
                auto [it, added] = indexOf.emplace(colour, static_cast<int>(indexOf.size()));
                if (added && it->second >= 256) return false;
                if (added) result.SetPaletteColor(it->second, colour);
                result.SetIndex(x, y, static_cast<std::uint8_t>(it->second));
            }
        }
        out = std::move(result);
        return true;
    }
    bool Resample(const CDib&, std::int32_t, std::int32_t, CDib&) override { return false; }
    QuantizeOptions lastQuantize;
    bool failQuantize = false;  // every reduction fails
    // Exact palette of at most 256 colours, the table as long as the colours (Quantize's order).
    bool ExactPalette(const CDib& image, CDib& out) override {
        CDib result;
        if (!Quantize(image, result)) return false;
        int used = 0;
        for (int i : effects::IndexHistogram(result)) used += i > 0 ? 1 : 0;
        result.SetColorCount(used);
        out = std::move(result);
        return true;
    }
    // Nearest neighbour on the indices; the table is then rebuilt in order of first appearance
    // with the key entry where its pixels first occur (or last), so the transparent index moves
    // as it may with the real quantiser.
    bool ResampleIndexed(const CDib& image, int keyIndex, std::int32_t width, std::int32_t height,
                         CDib& out, int& outKeyIndex) override {
        ++resamples;
        if (failResample || image.BitCount() != 8 || width < 1 || height < 1) return false;
        const CDib scaled = ScaleNearest8(image, width, height);
        std::map<int, int> newIndex;
        CDib result;
        result.Create(width, height, 8, 0);
        std::vector<RgbQuad> table;
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const int old = scaled.Index(x, y);
                auto [it, added] = newIndex.emplace(old, static_cast<int>(table.size()));
                if (added) table.push_back(image.ColorTable()[static_cast<std::size_t>(old)]);
                result.SetIndex(x, y, static_cast<std::uint8_t>(it->second));
            }
        }
        outKeyIndex = -1;
        if (keyIndex >= 0) {
            auto [it, added] = newIndex.emplace(keyIndex, static_cast<int>(table.size()));
            if (added) table.push_back(image.ColorTable()[static_cast<std::size_t>(keyIndex)]);
            outKeyIndex = it->second;
        }
        result.ColorTable() = std::move(table);
        out = std::move(result);
        return true;
    }
    // Quarter turns only (others fail), size kept, uncovered pixels fillIndex.
    bool RotateIndexed(const CDib& image, double degrees, std::uint8_t fillIndex,
                       CDib& out) override {
        ++rotations;
        lastRotation = degrees;
        const int quarter = static_cast<int>(degrees) / 90;
        if (image.BitCount() != 8 || degrees != quarter * 90.0) return false;
        CDib result = image;
        const std::int32_t w = image.Width();
        const std::int32_t h = image.Height();
        for (std::int32_t y = 0; y < h; ++y) {
            for (std::int32_t x = 0; x < w; ++x) {
                // Centred coordinates doubled, so odd sizes stay whole numbers.
                const int cx = 2 * x + 1 - w;
                const int cy = 2 * y + 1 - h;
                int sx = cx;
                int sy = cy;
                for (int k = 0; k < ((quarter % 4) + 4) % 4; ++k) {
                    const int t = sx;
                    sx = sy;
                    sy = -t;
                }
                const int px = (sx + w - 1) / 2;
                const int py = (sy + h - 1) / 2;
                const bool inside = (sx + w - 1) % 2 == 0 && (sy + h - 1) % 2 == 0 && px >= 0 &&
                                    py >= 0 && px < w && py < h;
                result.SetIndex(x, y, inside ? image.Index(px, py) : fillIndex);
            }
        }
        out = std::move(result);
        return true;
    }
    int resamples = 0;
    bool failResample = false;  // ResampleIndexed fails, as the imaging layer may
    int rotations = 0;
    double lastRotation = 0;
    bool Rotate(const CDib&, double, Colorref, CDib&) override { return false; }
    bool Trim(const CDib&, std::int32_t, std::int32_t, std::int32_t, std::int32_t, CDib&) override {
        return false;
    }
    bool ChangePerspective(const CDib&, int, Colorref, CDib&) override { return false; }
    bool ApplyFilter(const CDib&, FilterKind, int, CDib&) override { return false; }
};

// Records what the frame table asks of its view.
class RecordingHost : public FrameTableHost {
public:
    int modified = 0;
    int imported = 0;
    int snapshots = 0;
    int invalidates = 0;
    int repaintAll = 0;
    int playbackResets = 0;
    int scrollHeight = -1;
    int childWidth = 0;
    int childHeight = 0;
    int documents = 1;
    int mainHeight = 800;

    void MarkModified() override { ++modified; }
    void MarkImported() override { ++imported; }
    void RecordSnapshot() override { ++snapshots; }
    void Invalidate() override { ++invalidates; }
    void DisplayImagesRebuilt(int, int) override {}
    void RefreshAnimationPane() override {}
    void SetScrollHeight(int total) override { scrollHeight = total; }
    int MainWindowHeight() override { return mainHeight; }
    void ResizeChildFrame(int width, int height, bool) override {
        childWidth = width;
        childHeight = height;
    }
    int ZoomSharingDocumentCount() override { return documents; }
    void RepaintAllDocuments() override { ++repaintAll; }
    void ResetPlaybackDelay() override { ++playbackResets; }
};

// Records into an undo store on every commit of the table, as the view does.
class StoringHost : public RecordingHost {
public:
    void RecordSnapshot() override {
        RecordingHost::RecordSnapshot();
        if (store && table) edit::RecordSnapshot(*table, *store);
    }
    UndoStore* store = nullptr;
    FrameTable* table = nullptr;
};

}  // namespace vorla::test
