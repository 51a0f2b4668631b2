// The main window: the MDI area with one child window per open animation (at most five), the
// menus, tool bar and status bar built from the command catalogue, the two floating panes, the
// internal frame clipboard, and opening documents (Open, New, dropped files, "모아서 열기", the
// hand-over of a later start). Commands reach the active view through Dispatch.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/edit/DocumentLoader.h"
#include "core/edit/FrameClipboard.h"
#include "core/edit/StripGeometry.h"
#include "core/effects/EffectRandom.h"
#include "core/effects/EffectSettings.h"
#include "core/model/DocumentSlots.h"
#include "core/video/VideoImport.h"
#include "gui/commands/Commands.h"
#include "gui/view/ViewServices.h"

class QAction;
class QDialog;
class QDockWidget;
class QFileDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace vorla {

class ApplicationState;
class CAnimationBar;
class CAnvoView;
class ExternalToolPane;
class HelpWindow;
class Imaging;
class StripArt;
class UserInterface;
class ViewCursors;

// Requests sent to the main frame, by their historical negative codes. Codes that arrive from
// outside the process (the socket of a later start) are limited to OpenHandedOverFile.
enum class MainFrameRequest : int {
    ColourReadout = -17,       // show the colour under the pointer in the small colour window
    OpenHandedOverFile = -16,  // read "urgentfileToopen" from "gnanre.ini" and open that file
    OnlineServices = -13,      // a hook of the online services, which this program leaves out
    ShowCompanyName = -10,     // the status bar shows the maker's company name
    NoAction4 = -4,
    NoAction3 = -3,
};

class CMainFrame : public QMainWindow, public ViewServices {
    Q_OBJECT

public:
    static constexpr int kTemplateSize = 187;  // bytes of the blank-picture GIF "dfnwim.dxt"
    static constexpr int kMaxDocuments = 5;    // document windows open at once

    CMainFrame(ApplicationState& app, Imaging& imaging, const QString& executableDirectory,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Services for the views.
    ApplicationState& App() override { return app_; }
    UserInterface& Ui() override;
    Imaging& Images() override { return imaging_; }
    const std::vector<std::uint8_t>& TemplateBuffer() const override { return template_; }
    DocumentSlots& Slots() override { return slots_; }
    FrameClipboard& Clipboard() override { return clipboard_; }
    // The transition effects' settings and random numbers, shared by every document.
    effects::EffectSettings& Effects() override { return effectSettings_; }
    effects::EffectRandom& EffectRandomNumbers() override { return effectRandom_; }
    DragState& Drag() override { return drag_; }
    const StripArt& Art() const override { return *art_; }
    const ViewCursors& Cursors() const override { return *cursors_; }
    CAnimationBar* AnimationPane() const { return animationPane_; }
    QDockWidget* ToolPane() const { return toolPane_; }
    // The external editors inside the tool pane.
    ExternalToolPane* ExternalPane() const { return externalPane_; }
    QMdiArea* MdiArea() const { return mdiArea_; }

    QList<CAnvoView*> Views() const override;
    CAnvoView* ActiveView() const;
    CAnvoView* ViewAt(const QPoint& globalPos) const override;
    int OpenDocumentCount() const;
    void RepaintAllDocuments() override;
    // The view the animation pane shows: the one that last had the focus.
    CAnvoView* PaneView() const override { return paneView_; }
    void SetPaneView(CAnvoView* view) override;
    // The pane grows to show the pane view's animation whole (a GIF knows its size only once
    // its deferred load has run, so the load calls this again).
    void FitPaneToView() override;
    void RefreshPane() override;
    bool PaneDrawing() const override { return paneDrawing_; }
    void ForgetView(CAnvoView* view) override;
    int MainWindowHeight() const override { return height(); }

    // Cascade position for new child windows: advances by (22, 15), back to (0, 0) past x 160.
    QPoint CascadePosition() const override { return cascade_; }
    void AdvanceCascade() override;
    void RetreatCascade() override;

    // Pick modes of the clipboard commands (1 paste place, 2 copy frame); 0 none.
    int PickMode() const override { return pickMode_; }
    void StartPick(CAnvoView* view, int mode, const QString& title,
                   const QString& message) override;
    void FinishPick(CAnvoView* view, const HitResult& hit) override;
    void CancelPick();
    // The open dialog for one image to paste; empty: cancelled. Tests may answer instead.
    QString AskImagePath(const QString& title) override;
    QString AskLinkPath(const QString& title, const QString& proposed) override;
    // Answers both image dialogs in tests.
    std::function<QString(const QString& title)> imagePathAnswer;
    // Some view's frame properties dialog is open (undo, redo and saving wait for it).
    bool FrameDialogOpen() const override;

    // The files "모아서 열기" gathers, for the new document it opens: taken by that document's
    // load, which owns them while it runs (a New inside its pumps must not pull them away).
    std::unique_ptr<CollectRequest> TakePendingCollect() override { return std::move(collect_); }
    // The frames "동영상 가져오기" made, for the new document it opens, taken the same way.
    std::unique_ptr<VideoImportResult> TakePendingVideo() override { return std::move(video_); }
    bool IsDropping() const override { return dropping_; }

    // Opening documents.
    CAnvoView* OpenDocumentFile(const QString& path);
    CAnvoView* NewDocument();
    void OpenFiles(const QStringList& paths);  // the Open command's loop over chosen files
    void OpenDroppedFiles(const QStringList& paths);
    void CollectAndOpen(const QStringList& paths);
    void OnFileOpen();
    void OnCollectOpen();
    // "동영상 가져오기": a clip chosen in a file dialog, then ImportVideoFile.
    void OnVideoImport();
    // The import dialog for a clip, the import on a worker thread under a progress dialog, and a
    // new document of its frames; null when refused, cancelled or failed (after saying why).
    CAnvoView* ImportVideoFile(const QString& path);

    // Handles one request code; an unknown code is an internal error ("11013").
    void HandleRequest(int code);
    // A later start of the program asked this one to show itself.
    void RaiseFromOtherStart();
    // The file a later start handed over (request -16) or this start's command line.
    void OpenHandedOverFile(const QString& path);
    void OpenCommandLineFile(const QString& path);

    // Commands.
    QAction* Action(CommandId id) const { return actions_.value(static_cast<int>(id)); }
    // Runs a command; a view command runs with its view busy and is refused while the view
    // already is (RefuseWhileBusy).
    void Dispatch(CommandId id) override;
    // Says, without a dialog of its own, that a command, key or drop was not carried out because
    // its window is busy.
    void RefuseWhileBusy() override;
    void UpdateCommandStates() override;
    // The frame or gap menu for hit, its items enabled by the strip's rules. Each item carries
    // its CommandId as data and runs nothing by itself: the caller dispatches the chosen one
    // once exec() has returned, so no command runs inside the menu's loop.
    std::unique_ptr<QMenu> ContextMenuFor(CAnvoView* view, const HitResult& hit) override;

    // The save dialogs. An empty result: cancelled. Tests may answer instead of the dialog.
    QString AskSavePath(const QString& proposed) override;
    QString AskFrameSavePath(const QString& proposed) override;
    std::function<QString(const QString& proposed)> savePathAnswer;
    // A document was opened from or written to path: it heads the recent files.
    void DocumentSaved(const QString& path) override;
    QStringList RecentFiles() const;

    // Placement: the saved rectangle when valid, else (35, 35, max - 70, max - 120).
    static QRect ChoosePlacement(const QRect& saved, const QSize& maxTrack);

signals:
    void documentOpened(CAnvoView* view);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadTemplate(const QString& executableDirectory);
    // false, after saying so, when five documents are open already.
    bool RoomForDocument();
    void createActions();
    void createMenus();
    void createToolBar();
    void createPanes();
    void PlacePanes();
    void RaisePanes();
    void ReadPlacement();
    void SavePlacement();
    void BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes);
    bool HasHandler(CommandId id) const;
    static const std::unordered_map<int, std::function<void(CMainFrame&)>>& FrameCommands();
    void TogglePane(QDockWidget* pane, CommandId id);
    bool AnyViewBusy() const;
    bool SystemClipboardHasImage() const;
    void OpenHelp();
    void OpenLocalPage(const QString& name);
    void ShowColourReadout();
    // Asks about every changed document first and only then closes every window, so that
    // 취소 in any question keeps every window open. true when none is left.
    bool CloseEveryDocument();
    QString AssetPath(const QString& name) const;

    ApplicationState& app_;
    Imaging& imaging_;
    QString executableDirectory_;
    QMdiArea* mdiArea_;
    std::vector<std::uint8_t> template_;
    DocumentSlots slots_;
    FrameClipboard clipboard_;
    effects::EffectSettings effectSettings_;  // the defaults in every run; never saved
    effects::EffectRandom effectRandom_;      // seeded once, from the time, at construction
    DragState drag_;
    std::unique_ptr<StripArt> art_;
    std::unique_ptr<ViewCursors> cursors_;
    CAnimationBar* animationPane_ = nullptr;
    QDockWidget* toolPane_ = nullptr;
    ExternalToolPane* externalPane_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    CAnvoView* paneView_ = nullptr;  // cleared by ForgetView before the view goes
    QHash<int, QAction*> actions_;
    QPoint cascade_{0, 0};
    int pickMode_ = 0;
    std::unique_ptr<CollectRequest> collect_;
    std::unique_ptr<VideoImportResult> video_;
    QStringList RunFileDialog(QFileDialog& dialog);
    void Propose(QFileDialog& dialog, const QString& proposed) const;
    // The folder of the last file accepted in a file dialog, where save dialogs for untitled
    // documents open; empty until then.
    QString lastDialogFolder_;
    bool dropping_ = false;
    bool paneDrawing_ = true;  // cleared while the main window is minimised
    int importing_ = 0;        // a clip's frames are being made (ImportVideoFile's wait)
    bool firstPaint_ = true;   // the panes are placed once, when the window first shows
    bool sampleFolderUsed_ = false;
    QRect savedPlacement_;
    QPointer<QLabel> colourWindow_;
    QPointer<QDialog> pickPrompt_;
    QPointer<HelpWindow> helpWindow_;  // the help shown inside the program, made on first need
};

}  // namespace vorla
