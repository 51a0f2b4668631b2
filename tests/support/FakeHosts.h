// Stand-ins for the imaging layer and the view in core tests of the frame model.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
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
    bool Quantize(const CDib& image, CDib& out) override {
        if (image.IsEmpty()) return false;
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
    int OpenDocumentCount() override { return documents; }
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
