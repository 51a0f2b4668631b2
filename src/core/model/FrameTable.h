// The animation of one document: up to 300 frames in fixed 301-slot arrays (slot 300 is the spare
// used while frames are moved), their display copies at the strip zoom, one FrameEntry per frame,
// the animation-wide values and the selection.
//
// Invariants: slots 0..frameCount-1 of every array describe the same frames; 0 <= frameCount <=
// 300; entries[i].width/height equal frameImages[i]'s size; displayImages[i] is frameImages[i]
// scaled by zoomFactor, except at 100 %, where it stays empty and DisplayImage(i) is the frame
// itself (a copy would double the document's memory); restoreBackground == (disposal == 2); while
// entries[i].transparent is set palette entry transparentIndex of frameImages[i] holds keyColor.
// Either frames are selected or one gap is, never both.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/gif/GifPageInfo.h"
#include "core/model/ApplicationState.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/model/FrameTableHost.h"

namespace vorla {

class Imaging;
class UserInterface;

class FrameTable {
public:
    static constexpr int kMaxFrames = 300;
    static constexpr int kSlots = 301;

    enum class SourceKind { Blank = 0, StillImage = 1, GifPage = 2, AnyFile = 3 };
    enum AddResult { kAddFailed = 0, kAddTableFull = 2, kAddDone = 3 };

    // blankTemplate: the blank-picture GIF the main window loaded at start. documentSlot: 0..4, or
    // -1 when no slot was free.
    FrameTable(ApplicationState& app, UserInterface& ui, Imaging& imaging, FrameTableHost& host,
               std::vector<std::uint8_t> blankTemplate, int documentSlot);
    ~FrameTable();
    FrameTable(const FrameTable&) = delete;
    FrameTable& operator=(const FrameTable&) = delete;

    // kind as an int keeps the unknown-kind path ("04214") reachable.
    int AddFrameFromSource(int kind, const std::string& source, int page);
    // A frame made in memory (an imported video frame): an 8-bit image with the playback values
    // a decoded GIF image would carry. Display images are the caller's to rebuild.
    int AddDecodedFrame(CDib&& image, const GifPageInfo& info);
    // A page of a GIF file being loaded (the deferred load's frames): display images follow in
    // batches, FinishLoadedDisplayImages completes them.
    int AddLoadedGifPage(CDib&& image, const GifPageInfo& info);
    void EntryFromDecoder(bool isFirst, const GifPageInfo& image);
    void EntryForImportedImage(const std::string& path, bool isFirst);
    Colorref SetKeyColor(int frame);
    Colorref PaletteColor(int frame, int index) const;
    void RemoveFrame(int frame);
    int CountSelection();
    int ClearSelection(bool clearFrames, int except);
    void SnapshotEntries();
    void RestoreEntries(bool restoreSelection);
    void RebuildDisplayImages(int first, bool noModify, bool noSnapshot, bool force);
    // The end of a GIF load: scales the frames that no batch scaled at the current zoom, then
    // commits as RebuildDisplayImages(-1, noModify, false, false) would.
    void FinishLoadedDisplayImages(bool noModify);
    // What the strip shows of frame i: its display image, or at 100 % the frame itself.
    const CDib& DisplayImage(int i) const {
        const auto slot = static_cast<std::size_t>(i);
        return zoomFactor == 1.0 ? frameImages[slot] : displayImages[slot];
    }
    // The zoom a newly filled document takes: 100 % (50 % for wide frames) when it is the only
    // document sharing the zoom, else the shared one, 50 % at most for wide frames.
    void ZoomStep();
    void SetZoom(int width, int height, bool moveFrame);
    std::pair<int, int> UpdateScrollSizes();  // (1, total) or (-1, 0)
    std::pair<int, int> ScreenExtent() const;
    bool FitEntriesToScreen(int frame, bool apply);

    ApplicationState& App() { return app_; }
    UserInterface& Ui() { return ui_; }
    Imaging& Images() { return imaging_; }
    FrameTableHost& Host() { return host_; }

    std::array<CDib, kSlots> frameImages;
    std::array<CDib, kSlots> displayImages;
    std::array<FrameEntry, kSlots> entries;
    std::array<FrameEntry, kSlots> savedEntries;
    int savedCount = 0;
    bool savedGapAfterLast = false;
    int frameCount = 0;
    int targetGap = -1;  // index of the frame before the gap; -1: before the first frame
    int menuFrame = 0;
    bool gapAfterLastSelected = false;
    int lastSelectedFrame = 0;
    int selectedGapIndex = -2;  // (index of the selected gap) - 1; -2: no gap selected
    int displayWidth = 0;       // screen size times zoomFactor
    int displayHeight = 0;
    int stripRowHeight = 5;  // displayHeight, or 5 while fewer than 2 frames
    int childWidth = 0;
    double zoomFactor = 1.0;  // zoomPercent / 100, exactly 1.0 from 100 % on
    bool firstBatchPending = false;
    std::string sourceGifPath;
    bool pendingGifLoad = false;
    // A GIF page added since the load began had data that ended early (GifPageInfo::cutShort).
    bool loadedCutShortPage = false;
    int rebuildSuspend = 0;  // 1: RebuildDisplayImages does nothing; 2: rebuilds without commit
    bool busy = false;
    // The question whether to expand a frame-optimised animation before a structural edit was
    // answered (edit::ConfirmStructuralEdit): it is asked once per document.
    bool expansionQuestionAnswered = false;
    bool loadingScreen = false;  // a load or generator run draws nothing of the animation yet
    int documentSlot = -1;
    std::string snapshotFilePath;    // undo store of this document
    std::string exchangeBitmapPath;  // frame handed to an external program
    AnimationSettings settings;

private:
    bool ReadIntoNewSlot(CDib& image);
    void FinishNewFrame();

    ApplicationState& app_;
    UserInterface& ui_;
    Imaging& imaging_;
    FrameTableHost& host_;
    std::vector<std::uint8_t> blankTemplate_;
    int displayedUpTo_ = 0;     // GIF loading: display images of frames below this are current
    double displayedZoom_ = 0;  // the zoomFactor those display images were scaled with
};

}  // namespace vorla
