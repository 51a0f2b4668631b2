// What a document view needs from the program around it, and all it may reach: the program's
// settings and user-interface port, what every document shares (the frame clipboard, the effect
// settings, a drag between windows, the strip's art), the file dialogs, and the notifications
// that keep the main window's commands, panes and cascade in step with the view. The main window
// implements it; a test gives a view a fake one. Nothing here names the main window, so the view,
// its dialogs and the play pane stand without it.
#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/edit/DocumentLoader.h"
#include "core/edit/StripGeometry.h"
#include "core/video/VideoImport.h"
#include "gui/commands/Commands.h"

class QMenu;

namespace vorla {

class ApplicationState;
class CAnvoView;
class DocumentSlots;
class FrameClipboard;
class Imaging;
class StripArt;
class UserInterface;
class ViewCursors;
namespace effects {
struct EffectSettings;
class EffectRandom;
}  // namespace effects

// A drag of frames between document windows. Views are named by identity, not by caption, since
// two documents may show the same file name.
struct DragState {
    bool active = false;
    CAnvoView* sourceView = nullptr;
    CAnvoView* targetView = nullptr;  // the document window under the pointer; null: none
    bool canMove = false;             // not every frame of the source is selected
    bool moveRequested = false;       // the source deletes its selected frames after a move
};

class ViewServices {
public:
    virtual ~ViewServices() = default;

    // ---- Shared by every document ----
    virtual ApplicationState& App() = 0;
    virtual UserInterface& Ui() = 0;
    virtual Imaging& Images() = 0;
    // The blank-picture GIF new frames and new documents start from.
    virtual const std::vector<std::uint8_t>& TemplateBuffer() const = 0;
    virtual DocumentSlots& Slots() = 0;
    virtual FrameClipboard& Clipboard() = 0;
    // The transition effects' settings and random numbers.
    virtual effects::EffectSettings& Effects() = 0;
    virtual effects::EffectRandom& EffectRandomNumbers() = 0;
    virtual DragState& Drag() = 0;
    virtual const StripArt& Art() const = 0;
    virtual const ViewCursors& Cursors() const = 0;

    // ---- The other documents ----
    virtual QList<CAnvoView*> Views() const = 0;
    // The document view under a global position; null: none.
    virtual CAnvoView* ViewAt(const QPoint& globalPos) const = 0;
    virtual void RepaintAllDocuments() = 0;
    // Some view's frame properties dialog is open (undo, redo and saving wait for it).
    virtual bool FrameDialogOpen() const = 0;

    // ---- Commands ----
    // The enabled state of every command follows the views' state as it is now.
    virtual void UpdateCommandStates() = 0;
    // Says, without a dialog of its own, that a command, key or drop was not carried out because
    // its window is busy.
    virtual void RefuseWhileBusy() = 0;
    // Runs a command the way the menus do (the view busy meanwhile).
    virtual void Dispatch(CommandId id) = 0;
    // The frame or gap menu for hit; its items carry their CommandId as data and run nothing.
    virtual std::unique_ptr<QMenu> ContextMenuFor(CAnvoView* view, const HitResult& hit) = 0;
    // Pick modes of the clipboard commands (1 paste place, 2 copy frame); 0 none.
    virtual int PickMode() const = 0;
    virtual void StartPick(CAnvoView* view, int mode, const QString& title,
                           const QString& message) = 0;
    virtual void FinishPick(CAnvoView* view, const HitResult& hit) = 0;

    // ---- The animation pane and the window ----
    // The view the animation pane shows: the one that last had the focus.
    virtual CAnvoView* PaneView() const = 0;
    virtual void SetPaneView(CAnvoView* view) = 0;
    // The pane grows to show the pane view's animation whole.
    virtual void FitPaneToView() = 0;
    // The pane draws the pane view's current frame again.
    virtual void RefreshPane() = 0;
    // false while the main window is minimised: playback leaves the pane alone.
    virtual bool PaneDrawing() const = 0;
    // The view is going: no pane, drag or pick may name it any more.
    virtual void ForgetView(CAnvoView* view) = 0;
    virtual int MainWindowHeight() const = 0;
    // Cascade position for new child windows.
    virtual QPoint CascadePosition() const = 0;
    virtual void AdvanceCascade() = 0;
    virtual void RetreatCascade() = 0;

    // ---- Files ----
    // The save dialogs and the open dialog for one image; an empty result: cancelled.
    virtual QString AskSavePath(const QString& proposed) = 0;
    virtual QString AskFrameSavePath(const QString& proposed) = 0;
    virtual QString AskImagePath(const QString& title) = 0;
    // The open dialog for a file to link a frame to, which may not exist yet.
    virtual QString AskLinkPath(const QString& title, const QString& proposed) = 0;
    // A document was opened from or written to path: it heads the recent files.
    virtual void DocumentSaved(const QString& path) = 0;
    // What a new untitled document is made of, taken by its load (null: a blank document).
    virtual std::unique_ptr<CollectRequest> TakePendingCollect() = 0;
    virtual std::unique_ptr<VideoImportResult> TakePendingVideo() = 0;
    // Files dropped from outside are opening: a load says nothing a drop would not want said.
    virtual bool IsDropping() const = 0;
};

}  // namespace vorla
