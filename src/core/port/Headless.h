// The ports for programs without a window (tools, benchmarks, fuzz targets): a user interface that
// declines every question, an imaging role that reads and converts nothing, and a frame-table host
// with no view behind it.
#pragma once

#include <functional>
#include <string>

#include "core/model/FrameTableHost.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla {

class HeadlessUserInterface : public UserInterface {
public:
    // Every message and notice goes to sink; none given: they are dropped.
    explicit HeadlessUserInterface(std::function<void(const std::string&)> sink = {})
        : sink_(std::move(sink)) {}

    ChoiceAnswer Choose(const ChoiceRequest& request, bool) override {
        Tell(request.message);
        return {};
    }
    void ShowMessage(const std::string& text) override { Tell(text); }
    bool PumpMessages() override { return true; }
    void ShowNotice(const std::string& text, int, int) override { Tell(text); }
    int AskTwoChoice(const std::string& message, const std::string&, const std::string&,
                     const std::string&, const std::string&) override {
        Tell(message);
        return kTwoChoiceCancel;
    }
    bool ChooseColor(Colorref&, const std::string&) override { return false; }
    bool AskNumbers(NumberRequest&) override { return false; }

private:
    void Tell(const std::string& text) {
        if (sink_) sink_(text);
    }
    std::function<void(const std::string&)> sink_;
};

// For tables whose frames are made in memory: nothing is read, written or converted.
class NoImaging : public Imaging {
public:
    ImagingResult LoadFile(const std::string&, int, CDib&) override {
        return ImagingResult::Failed;
    }
    ImagingResult ImageSize(const std::string&, std::int32_t&, std::int32_t&) override {
        return ImagingResult::Failed;
    }
    ImagingResult LoadGifPage(const std::string&, int, CDib&, GifPageInfo&) override {
        return ImagingResult::Failed;
    }
    int GifPageCount(const std::string&) override { return 0; }
    bool WriteFile(const CDib&, const std::string&, ImageFormat) override { return false; }
    bool FileConvert(const std::string&, const std::string&, ImageFormat, std::int32_t,
                     std::int32_t, int) override {
        return false;
    }
    bool Quantize(const CDib&, CDib&, const QuantizeOptions& = QuantizeOptions{}) override {
        return false;
    }
    bool Resample(const CDib&, std::int32_t, std::int32_t, CDib&) override { return false; }
    bool ExactPalette(const CDib&, CDib&) override { return false; }
    bool ResampleIndexed(const CDib&, int, std::int32_t, std::int32_t, CDib&, int&) override {
        return false;
    }
    bool RotateIndexed(const CDib&, double, std::uint8_t, CDib&) override { return false; }
    bool Rotate(const CDib&, double, Colorref, CDib&) override { return false; }
    bool Trim(const CDib&, std::int32_t, std::int32_t, std::int32_t, std::int32_t, CDib&) override {
        return false;
    }
    bool ChangePerspective(const CDib&, int, Colorref, CDib&) override { return false; }
    bool ApplyFilter(const CDib&, FilterKind, int, CDib&) override { return false; }
};

// A frame table that no window shows.
class DetachedHost : public FrameTableHost {
public:
    void MarkModified() override {}
    void MarkImported() override {}
    void RecordSnapshot() override {}
    void Invalidate() override {}
    void DisplayImagesRebuilt(int, int) override {}
    void RefreshAnimationPane() override {}
    void SetScrollHeight(int) override {}
    int MainWindowHeight() override { return 800; }
    void ResizeChildFrame(int, int, bool) override {}
    int ZoomSharingDocumentCount() override { return 1; }
    void RepaintAllDocuments() override {}
    void ResetPlaybackDelay() override {}
};

}  // namespace vorla
