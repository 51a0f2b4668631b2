// One document window's content: the frame strip of an animation. The view owns the document and
// its frame table, draws the strip, plays the animation and turns mouse, keys and commands into
// frame-table operations. Its three activities (playback, hover, worker) are GUI-thread timers.
// Command families with state of their own are collaborators the view forwards to (clipboard,
// effects, external editing, the optimising save); the program around it is reached only through
// ViewServices.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>

#include "core/edit/StripGeometry.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/model/FrameTableHost.h"
#include "gui/commands/Commands.h"
#include "gui/view/FrameByteCosts.h"
#include "gui/view/FrameImageCache.h"
#include "gui/view/ViewClipboard.h"
#include "gui/view/ViewEffects.h"
#include "gui/view/ViewExternalEditing.h"
#include "gui/view/ViewOptimizedSave.h"

class QMenu;

namespace vorla {

class CFramePropertiesDialog;
class AnimationCompositor;
class GifEncoder;
class UndoStore;
class ViewServices;
namespace external {
struct EditorSlot;
}

class CAnvoView : public QAbstractScrollArea, public FrameTableHost {
    Q_OBJECT

public:
    explicit CAnvoView(ViewServices& services, QWidget* parent = nullptr);
    ~CAnvoView() override;

    // Loads the document (path "?!": a new one). false: the window must close.
    bool LoadDocument(const QString& path);
    // Starts the view's activities (after the window is shown).
    void OnInitialUpdate();
    // The window is going: stops the activities, frees the document slot and the pane.
    void OnDestroy();

    CAnvoDoc& Document() { return document_; }
    FrameTable& Table() { return table_; }
    const FrameTable& Table() const { return table_; }
    StripMetrics Metrics() const;
    // The strip rows' ARGB copies (their bound is the view's memory promise).
    const FrameImageCache& StripImageCache() const { return displayCache_; }
    const FrameByteCosts& ByteCosts() const { return optimizedSave_->ByteCosts(); }
    QString Caption() const;
    // Busy: a load or long run of the core is under way, or one of the view's commands is still
    // running (it may sit in a modal dialog, a menu or a pump), or the frame properties dialog is
    // open (it holds copies of the entries and of its frame's image for 취소). While busy,
    // nothing that changes the frames may start: commands, keys, drags, drops, undo, save.
    GifEncoder& Encoder() { return *encoder_; }
    // The document's undo steps; null before its load.
    UndoStore* Store() { return store_.get(); }
    bool IsBusy() const { return IsRunning() || frameDialogOpen_ || PaintEditOpen(); }
    // Something is running: then also selection clicks, double-clicks and closing are refused.
    // The open frame dialog alone leaves them live (a double-click on its frame cancels it;
    // closing ends it as 적용).
    bool IsRunning() const { return table_.busy || busyDepth_ > 0; }

    // Holds the view busy for its lifetime; scopes nest. Ending the outermost scope brings the
    // command states back, since everything was disabled while it ran; a quiet scope leaves
    // them alone (for a check that runs ten times a second and rarely asks anything).
    class BusyScope {
    public:
        enum Mode { kRefreshCommands, kQuiet };
        explicit BusyScope(CAnvoView& view, Mode mode = kRefreshCommands);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        QPointer<CAnvoView> view_;
        Mode mode_;
    };
    bool IsClosing() const { return closing_; }

    // Playback state.
    int PlaybackFrame() const { return playbackFrame_; }
    bool playbackPaused = false;

    // Draws the animation as it looks at the current playback frame. fullSize: the pane.
    void DrawComposite(QPainter& painter, int x, int y, bool fullSize, const QColor& background);
    void DrawAnimationFrameToPane(QPainter& painter, const QRect& area);

    // FrameTableHost
    void MarkModified() override;
    void MarkImported() override { document_.imported = true; }
    void RecordSnapshot() override;
    void Invalidate() override;
    void DisplayImagesRebuilt(int first, int last) override;
    void RefreshAnimationPane() override;
    void SetScrollHeight(int total) override;
    int MainWindowHeight() override;
    void ResizeChildFrame(int width, int height, bool moveToCascade) override;
    int ZoomSharingDocumentCount() override;
    void RepaintAllDocuments() override;
    void ResetPlaybackDelay() override { playbackDelay_ = 0; }

    // Commands.
    void ZoomIn();
    void ZoomOut();
    void SelectAll();
    void MoveSelection(int arrow);  // selection::Arrow as int
    void DeleteSelection();
    void ShowContextMenuAt(const QPoint& viewportPoint);
    // The frame clipboard and the system clipboard (ViewClipboard).
    void CopySelection() { clipboard_->Copy(); }
    void CutSelection() { clipboard_->Cut(); }
    void PasteRouted() { clipboard_->PasteRouted(); }
    void PasteAtGap() { clipboard_->PasteAtGap(); }
    void ReplaceMenuFrame() { clipboard_->ReplaceMenuFrame(); }
    void OnCopyToSystemClipboard(bool fromFrameMenu) {
        clipboard_->CopyToSystemClipboard(fromFrameMenu);
    }
    void OnPasteFromSystemClipboard(int where) { clipboard_->PasteFromSystemClipboard(where); }
    void OnPasteFromFile(int where) { clipboard_->PasteFromFile(where); }
    void ContinuePick(int mode, const HitResult& hit) { clipboard_->ContinuePick(mode, hit); }
    // After a command changed the frames: playback, strip, pane and command states follow.
    void AfterFramesChanged();

    // Deleting, merging and duplicating; frameMenuForm: the main menu's form of the command.
    void DeleteWithQuestion();
    void DeleteAllBefore(bool frameMenuForm);
    void DeleteAllAfter(bool frameMenuForm);
    void DeleteAllButOne(bool frameMenuForm);
    void MergeWithPrevious(bool frameMenuForm);
    void DuplicateFrames(bool frameMenuForm);
    // The transition effects and the advanced animation effects (ViewEffects).
    void OnEffectCommand(CommandId id) { effects_->Run(id); }
    void OnAdvancedAnimation(bool animationMenu) { effects_->RunAdvanced(animationMenu); }

    // The frame properties dialog (CAnvoView_Dialogs.cpp). menuForm: the context menu's form,
    // which opens the frame the menu was shown for; the main menu's needs one selected frame.
    void OnFrameProperties(bool menuForm);
    void OpenFrameDialog(int frame);
    // Ends the open dialog: apply keeps its edits (one undo step when something changed),
    // otherwise every entry and the frame's image go back to their state at opening.
    void EndFrameDialog(bool apply);
    bool FrameDialogIsOpen() const { return frameDialogOpen_; }
    int FrameDialogFrame() const;
    CFramePropertiesDialog* FrameDialog() const;
    // The strip's background colour (earlier frames that restore to the background show it).
    QColor CaptionColour() const;
    QColor StripBackground() const;
    // The frame's thumbnail and the strip after the dialog changed the frame.
    void FrameChangedByDialog(int frame);

    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    void OnFileSave();
    void OnFileSaveAs();
    // name in the folder of the file the document came from; as it is for an untitled one (the
    // save dialog then chooses the folder).
    QString InDocumentFolder(const QString& name) const;
    // Home / End, Shift+Up / Shift+Down (selection::SelectEndFrame, ExtendSelection).
    void SelectEndFrame(bool last);
    void ExtendSelection(bool down);
    // Space: pauses or resumes this document's playback (the header row and the pane).
    void TogglePlayback();
    bool PausedByUser() const { return pausedByUser_; }
    // "프레임 펼치기" for the selected frames, or all (FrameExpansion.h).
    void ExpandFrames();
    // Before a command that changes which frames come before others: false when the user
    // cancelled (edit::ConfirmStructuralEdit).
    bool ConfirmStructuralEdit();
    // "파일 용량" and "최적화하여 저장" (ViewOptimizedSave).
    void ShowSavedSize() { optimizedSave_->ShowSavedSize(); }
    void SaveOptimized() { optimizedSave_->Save(); }
    void SaveFrame(bool fromMainMenu);
    void BrowserPreview();
    // Asks to save a changed document before its window closes; false: keep the window. After
    // ConfirmClose the next call asks nothing (the question was already answered).
    bool QueryClose();
    void ConfirmClose(bool confirmed) { closeConfirmed_ = confirmed; }

    // Gives the pending GIF load a turn (the worker's request; also used by tests).
    void RunPendingLoad();
    // Cuts a running playback wait short: the next frame follows at once.
    void WakePlayback();
    // A finished drag dropped on this view at globalPos: handled at the next worker step.
    void SignalDrop(const QPoint& globalPos);
    void DeleteSelectedFrames();

    // Global properties and borders (CAnvoView_Dialogs.cpp), saving at another size
    // (CAnvoView_File.cpp).
    void OnGlobalProperties(bool fromFrameDialog);
    void OnInsertBorder(int frame);  // -1: every frame
    void OnSaveAtOtherSize();
    // External programs, links and the paint edit (ViewExternalEditing). The paint edit's
    // manager holds its frame like the frame dialog: while it is open the view counts as busy.
    void OnEditInPaint() { external_->EditInPaint(); }
    void OnAutoUpdateLink() { external_->LinkMenuFrame(); }
    void HandFramesToEditor(const external::EditorSlot& slot) {
        external_->HandFramesToEditor(slot);
    }
    bool PaintEditOpen() const { return external_->PaintEditOpen(); }
    void EndPaintEdit(bool apply) { external_->EndPaintEdit(apply); }
    QWidget* PaintManager() const { return external_->PaintManager(); }
    QString WorkFolder() const { return external_->WorkFolder(); }
    // The border dialog's colour chooser's colour (black before the first choice).
    Colorref& ChooserColour() { return chooserColour_; }

signals:
    void closeRequested();
    // Playback advanced to this frame (timing tools listen).
    void frameShown(int frame);
    void titleChanged(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Drawing (CAnvoView_Draw.cpp).
    void DrawStrip(QPainter& painter, const QRect& visible);
    void DrawPreviewRow(QPainter& painter);
    void DrawFrameRow(QPainter& painter, int k, const QRect& visible);
    void DrawGapBand(QPainter& painter, int k, bool selected, bool dropMarker);
    void DrawPlaybackNumber(QPainter& painter);
    void UpdatePreviewArea();
    void CheckSharedZoom();

    // Activities (CAnvoView_Play.cpp).
    void PlaybackStep();
    void ScheduleNextPlayback();
    void HandleDrop();
    void HoverStep();
    void WorkerStep();
    void StopActivities();

    // Mouse helpers (CAnvoView_Mouse.cpp).
    HitResult HitAt(const QPoint& viewportPoint) const;
    void StartDrag();
    void FinishDrag();
    void UpdateCursor(const QPoint& viewportPoint);
    void ShowTooltip(const HitResult& hit);

    void ZoomBy(int percent);
    bool SaveWithDialog(QString proposed);
    bool SaveTo(const QString& path);

    ViewServices& services_;
    CAnvoDoc document_;
    std::unique_ptr<GifEncoder> encoder_;
    std::unique_ptr<UndoStore> store_;  // from the document's load until the window goes
    bool suppressSnapshots_ = false;    // while loading: one snapshot at the end
    FrameTable table_;
    StripColors colors_;

    // ARGB copies of the strip rows last painted (bounded; playback keeps none).
    FrameImageCache displayCache_;
    std::unique_ptr<AnimationCompositor> previewCompositor_;
    std::unique_ptr<AnimationCompositor> paneCompositor_;

    // Playback.
    QTimer playbackTimer_;
    QTimer hoverTimer_;
    QTimer workerTimer_;
    QElapsedTimer playbackClock_;
    qint64 nextDeadlineMs_ = 0;
    int playbackFrame_ = 0;
    int playbackDelay_ = 0;  // centiseconds the current frame stays
    bool closing_ = false;
    bool focused_ = false;
    bool started_ = false;
    bool destroyed_ = false;

    // Mouse and hover.
    QPoint lastMouse_;
    QPoint pressPoint_;
    bool mouseDown_ = false;
    bool dragging_ = false;
    HitResult hoverHit_;
    int restSteps_ = 0;
    bool mouseMoved_ = false;
    int tooltipSteps_ = -1;
    qint64 lastTooltipMs_ = -100000;
    bool dropPending_ = false;
    HitResult dropHit_;  // where the pending drop landed
    int dragCursorPhase_ = 0;
    bool inWorker_ = false;
    int busyDepth_ = 0;  // open BusyScopes
    // The frame properties dialog: created at its first opening, a child of the view so that it
    // goes with it; hidden (never deleted) between sessions.
    QPointer<CFramePropertiesDialog> frameDialog_;
    bool frameDialogOpen_ = false;
    bool closeConfirmed_ = false;
    bool pausedByUser_ = false;  // Space stopped the playback (not the undo guard above)
    int extendAnchor_ = -1;      // the range Shift+Up / Shift+Down last made
    int extendEnd_ = -1;
    bool titleShowsModified_ = false;  // the window title's " *" as last announced  // a
                                       // close-everything command has had its answer for this view
    Colorref chooserColour_ = 0;
    // The global properties changed the screen while the frame dialog was open: a snapshot then
    // would hold the dialog's unfinished edits, so it is taken when the dialog ends.
    bool snapshotOwed_ = false;

    // The command families; made in the constructor, after the table they work on.
    std::unique_ptr<ViewClipboard> clipboard_;
    std::unique_ptr<ViewEffects> effects_;
    std::unique_ptr<ViewExternalEditing> external_;
    std::unique_ptr<ViewOptimizedSave> optimizedSave_;
};

}  // namespace vorla
