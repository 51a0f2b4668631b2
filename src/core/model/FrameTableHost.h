// What the frame table needs from the window that shows it. The GUI view implements it; core
// tests use a recording host.
#pragma once

namespace vorla {

class FrameTableHost {
public:
    virtual ~FrameTableHost() = default;
    virtual void MarkModified() = 0;
    // The first frame came from a non-GIF file: Save must ask for a name.
    virtual void MarkImported() = 0;
    virtual void RecordSnapshot() = 0;  // one undo step
    virtual void Invalidate() = 0;      // repaint this view
    // Display images first..last (inclusive) were rebuilt; drawing caches for them are stale.
    virtual void DisplayImagesRebuilt(int first, int last) = 0;
    virtual void RefreshAnimationPane() = 0;
    virtual void SetScrollHeight(int total) = 0;
    virtual int MainWindowHeight() = 0;
    // Child-frame size; moveToCascade: also move it to the main window's next cascade position.
    virtual void ResizeChildFrame(int width, int height, bool moveToCascade) = 0;
    // Documents that share the zoom: this one and every other that already shows frames.
    virtual int ZoomSharingDocumentCount() = 0;
    virtual void RepaintAllDocuments() = 0;  // the zoom is shared by every document
    virtual void ResetPlaybackDelay() = 0;   // playback advances at once
};

}  // namespace vorla
