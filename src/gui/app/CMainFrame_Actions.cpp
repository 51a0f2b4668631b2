// Commands: one QAction per catalogue entry, the menus and tool bar built from them, routing to
// the active view and the enabling rules.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <functional>
#include <unordered_map>

#include "core/edit/Selection.h"
#include "core/model/ApplicationState.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/ExternalToolPane.h"
#include "gui/app/VorlaApplication.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/EffectSettingsSheet.h"
#include "gui/play/CAnimationBar.h"
#include "gui/view/CAnvoView.h"

namespace vorla {
namespace {

QList<QKeySequence> Shortcuts(const char* text) {
    QList<QKeySequence> keys;
    for (const QString& part :
         QString::fromUtf8(text).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        keys.append(QKeySequence::fromString(part, QKeySequence::PortableText));
    }
    return keys;
}

// Commands the active view carries out.
const std::unordered_map<int, std::function<void(CAnvoView&)>>& ViewCommands() {
    using V = CAnvoView;
    auto arrow = [](selection::Arrow a) {
        return [a](V& v) { v.MoveSelection(static_cast<int>(a)); };
    };
    static const std::unordered_map<int, std::function<void(V&)>> commands = {
        {static_cast<int>(CommandId::ZoomIn), [](V& v) { v.ZoomIn(); }},
        {static_cast<int>(CommandId::ZoomOut), [](V& v) { v.ZoomOut(); }},
        {static_cast<int>(CommandId::SelectAll), [](V& v) { v.SelectAll(); }},
        {static_cast<int>(CommandId::ArrowUp), arrow(selection::Arrow::Up)},
        {static_cast<int>(CommandId::ArrowDown), arrow(selection::Arrow::Down)},
        {static_cast<int>(CommandId::ArrowLeft), arrow(selection::Arrow::Left)},
        {static_cast<int>(CommandId::ArrowRight), arrow(selection::Arrow::Right)},
        {static_cast<int>(CommandId::FirstFrame), [](V& v) { v.SelectEndFrame(false); }},
        {static_cast<int>(CommandId::LastFrame), [](V& v) { v.SelectEndFrame(true); }},
        {static_cast<int>(CommandId::ExtendSelectionUp), [](V& v) { v.ExtendSelection(false); }},
        {static_cast<int>(CommandId::ExtendSelectionDown), [](V& v) { v.ExtendSelection(true); }},
        {static_cast<int>(CommandId::TogglePlayback), [](V& v) { v.TogglePlayback(); }},
        {static_cast<int>(CommandId::ContextMenuKey),
         [](V& v) { v.ShowContextMenuAt(v.viewport()->mapFromGlobal(QCursor::pos())); }},
        {static_cast<int>(CommandId::ContextMenuAtCurrent),
         [](V& v) { v.ShowContextMenuAt(v.viewport()->mapFromGlobal(QCursor::pos())); }},
        {static_cast<int>(CommandId::EditDelete), [](V& v) { v.DeleteWithQuestion(); }},
        {static_cast<int>(CommandId::FrameMenuDelete), [](V& v) { v.DeleteWithQuestion(); }},
        {static_cast<int>(CommandId::FrameDeleteAllBefore), [](V& v) { v.DeleteAllBefore(true); }},
        {static_cast<int>(CommandId::GapMenuDeleteAllBefore),
         [](V& v) { v.DeleteAllBefore(false); }},
        {static_cast<int>(CommandId::FrameDeleteAllAfter), [](V& v) { v.DeleteAllAfter(true); }},
        {static_cast<int>(CommandId::GapMenuDeleteAllAfter), [](V& v) { v.DeleteAllAfter(false); }},
        {static_cast<int>(CommandId::FrameDeleteAllButOne), [](V& v) { v.DeleteAllButOne(true); }},
        {static_cast<int>(CommandId::FrameMenuDeleteAllButThis),
         [](V& v) { v.DeleteAllButOne(false); }},
        {static_cast<int>(CommandId::FrameMergeWithPrevious),
         [](V& v) { v.MergeWithPrevious(true); }},
        {static_cast<int>(CommandId::FrameMenuMergeWithPrevious),
         [](V& v) { v.MergeWithPrevious(false); }},
        {static_cast<int>(CommandId::FrameDuplicate), [](V& v) { v.DuplicateFrames(true); }},
        {static_cast<int>(CommandId::ExpandFrames), [](V& v) { v.ExpandFrames(); }},
        {static_cast<int>(CommandId::FrameMenuDuplicate), [](V& v) { v.DuplicateFrames(false); }},
        {static_cast<int>(CommandId::AnimationAdvancedEffect),
         [](V& v) { v.OnAdvancedAnimation(true); }},
        {static_cast<int>(CommandId::FrameMenuAdvancedEffect),
         [](V& v) { v.OnAdvancedAnimation(false); }},
        {static_cast<int>(CommandId::EditCopy), [](V& v) { v.CopySelection(); }},
        {static_cast<int>(CommandId::FrameMenuCopy), [](V& v) { v.CopySelection(); }},
        {static_cast<int>(CommandId::EditCut), [](V& v) { v.CutSelection(); }},
        {static_cast<int>(CommandId::FrameMenuCut), [](V& v) { v.CutSelection(); }},
        {static_cast<int>(CommandId::EditPaste), [](V& v) { v.PasteRouted(); }},
        {static_cast<int>(CommandId::GapMenuPaste), [](V& v) { v.PasteAtGap(); }},
        {static_cast<int>(CommandId::FrameMenuPaste), [](V& v) { v.ReplaceMenuFrame(); }},
        {static_cast<int>(CommandId::EditCopyToClipboard),
         [](V& v) { v.OnCopyToSystemClipboard(false); }},
        {static_cast<int>(CommandId::FrameMenuCopyToClipboard),
         [](V& v) { v.OnCopyToSystemClipboard(true); }},
        {static_cast<int>(CommandId::EditPasteFromClipboard),
         [](V& v) { v.OnPasteFromSystemClipboard(0); }},
        {static_cast<int>(CommandId::GapMenuPasteFromClipboard),
         [](V& v) { v.OnPasteFromSystemClipboard(1); }},
        {static_cast<int>(CommandId::FrameMenuPasteFromClipboard),
         [](V& v) { v.OnPasteFromSystemClipboard(2); }},
        {static_cast<int>(CommandId::EditPasteFromFile), [](V& v) { v.OnPasteFromFile(0); }},
        {static_cast<int>(CommandId::GapMenuPasteFromFile), [](V& v) { v.OnPasteFromFile(1); }},
        {static_cast<int>(CommandId::FrameMenuPasteFromFile), [](V& v) { v.OnPasteFromFile(2); }},
        {static_cast<int>(CommandId::Undo), [](V& v) { v.Undo(); }},
        {static_cast<int>(CommandId::UndoKey), [](V& v) { v.Undo(); }},
        {static_cast<int>(CommandId::Redo), [](V& v) { v.Redo(); }},
        {static_cast<int>(CommandId::RedoKey), [](V& v) { v.Redo(); }},
        {static_cast<int>(CommandId::FileSave), [](V& v) { v.OnFileSave(); }},
        {static_cast<int>(CommandId::FileSaveAs), [](V& v) { v.OnFileSaveAs(); }},
        {static_cast<int>(CommandId::ShowSavedSize), [](V& v) { v.ShowSavedSize(); }},
        {static_cast<int>(CommandId::SaveOptimized), [](V& v) { v.SaveOptimized(); }},
        {static_cast<int>(CommandId::FrameSave), [](V& v) { v.SaveFrame(true); }},
        {static_cast<int>(CommandId::FrameMenuSaveFrame), [](V& v) { v.SaveFrame(false); }},
        {static_cast<int>(CommandId::BrowserPreview), [](V& v) { v.BrowserPreview(); }},
        {static_cast<int>(CommandId::FrameProperties), [](V& v) { v.OnFrameProperties(false); }},
        {static_cast<int>(CommandId::FrameMenuProperties), [](V& v) { v.OnFrameProperties(true); }},
        // The transition effects, in every menu form.
        {static_cast<int>(CommandId::AnimationFadeIn),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationFadeIn); }},
        {static_cast<int>(CommandId::GapMenuFadeIn),
         [](V& v) { v.OnEffectCommand(CommandId::GapMenuFadeIn); }},
        {static_cast<int>(CommandId::AnimationFadeOut),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationFadeOut); }},
        {static_cast<int>(CommandId::GapMenuFadeOut),
         [](V& v) { v.OnEffectCommand(CommandId::GapMenuFadeOut); }},
        {static_cast<int>(CommandId::AnimationFadeInOut),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationFadeInOut); }},
        {static_cast<int>(CommandId::ContextFadeInOut),
         [](V& v) { v.OnEffectCommand(CommandId::ContextFadeInOut); }},
        {static_cast<int>(CommandId::AnimationScatterAppear),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationScatterAppear); }},
        {static_cast<int>(CommandId::GapMenuScatterAppear),
         [](V& v) { v.OnEffectCommand(CommandId::GapMenuScatterAppear); }},
        {static_cast<int>(CommandId::AnimationScatterDisappear),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationScatterDisappear); }},
        {static_cast<int>(CommandId::GapMenuScatterDisappear),
         [](V& v) { v.OnEffectCommand(CommandId::GapMenuScatterDisappear); }},
        {static_cast<int>(CommandId::AnimationScatterAppearDisappear),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationScatterAppearDisappear); }},
        {static_cast<int>(CommandId::ContextScatterAppearDisappear),
         [](V& v) { v.OnEffectCommand(CommandId::ContextScatterAppearDisappear); }},
        {static_cast<int>(CommandId::AnimationOverlap),
         [](V& v) { v.OnEffectCommand(CommandId::AnimationOverlap); }},
        {static_cast<int>(CommandId::GapMenuOverlap),
         [](V& v) { v.OnEffectCommand(CommandId::GapMenuOverlap); }},
        {static_cast<int>(CommandId::GlobalProperties), [](V& v) { v.OnGlobalProperties(false); }},
        {static_cast<int>(CommandId::GlobalPropertiesAlternate),
         [](V& v) { v.OnGlobalProperties(false); }},
        {static_cast<int>(CommandId::InsertBorder), [](V& v) { v.OnInsertBorder(-1); }},
        {static_cast<int>(CommandId::SaveAtOtherSize), [](V& v) { v.OnSaveAtOtherSize(); }},
        {static_cast<int>(CommandId::EditInPaint), [](V& v) { v.OnEditInPaint(); }},
        {static_cast<int>(CommandId::FrameMenuAutoUpdate), [](V& v) { v.OnAutoUpdateLink(); }},
    };
    return commands;
}

}  // namespace

// Commands the main window carries out itself, with or without a document.
const std::unordered_map<int, std::function<void(CMainFrame&)>>& CMainFrame::FrameCommands() {
    using F = CMainFrame;
    static const std::unordered_map<int, std::function<void(F&)>> commands = {
        {static_cast<int>(CommandId::FileNew), [](F& f) { f.collect_.reset(), f.NewDocument(); }},
        {static_cast<int>(CommandId::FileNewAlternate),
         [](F& f) { f.collect_.reset(), f.NewDocument(); }},
        {static_cast<int>(CommandId::FileOpen), [](F& f) { f.OnFileOpen(); }},
        {static_cast<int>(CommandId::CollectOpen), [](F& f) { f.OnCollectOpen(); }},
        {static_cast<int>(CommandId::VideoImport), [](F& f) { f.OnVideoImport(); }},
        {static_cast<int>(CommandId::AppExit), [](F& f) { f.close(); }},
        {static_cast<int>(CommandId::AppAbout),
         [](F& f) { AboutDialog(VorlaApplication::ApplicationTitle(), &f).exec(); }},
        {static_cast<int>(CommandId::HelpContents), [](F& f) { f.OpenHelp(); }},
        // The settings sheet alone, on its first page.
        {static_cast<int>(CommandId::EffectSettings),
         [](F& f) { EditEffectSettings(f.effectSettings_, f.Ui(), 0, &f); }},
        {static_cast<int>(CommandId::HelpMakerHomePage),
         [](F& f) { f.OpenLocalPage(QStringLiteral("help/tarnwick.html")); }},
        {static_cast<int>(CommandId::HelpProductHomePage),
         [](F& f) { f.OpenLocalPage(QStringLiteral("help/brelmo.html")); }},
        {static_cast<int>(CommandId::ToggleAnimationPane),
         [](F& f) { f.TogglePane(f.animationPane_, CommandId::ToggleAnimationPane); }},
        {static_cast<int>(CommandId::ToggleToolPane),
         [](F& f) { f.TogglePane(f.toolPane_, CommandId::ToggleToolPane); }},
        {static_cast<int>(CommandId::NextPane), [](F& f) { f.mdiArea_->activateNextSubWindow(); }},
        {static_cast<int>(CommandId::PreviousPane),
         [](F& f) { f.mdiArea_->activatePreviousSubWindow(); }},
        {static_cast<int>(CommandId::CascadeWindows),
         [](F& f) { f.mdiArea_->cascadeSubWindows(); }},
        {static_cast<int>(CommandId::TileWindows), [](F& f) { f.mdiArea_->tileSubWindows(); }},
        {static_cast<int>(CommandId::CloseAllWindows),
         [](F& f) {
             if (f.ActiveView()) f.CloseEveryDocument();
         }},
        // A submenu: its entries open the files.
        {static_cast<int>(CommandId::FileRecentFiles), [](F&) {}},
    };
    return commands;
}

void CMainFrame::TogglePane(QDockWidget* pane, CommandId id) {
    pane->setVisible(!pane->isVisible());
    Action(id)->setChecked(pane->isVisible());
}

bool CMainFrame::HasHandler(CommandId id) const {
    return FrameCommands().count(static_cast<int>(id)) > 0 ||
           ViewCommands().count(static_cast<int>(id)) > 0;
}

void CMainFrame::createActions() {
    for (const CommandInfo& info : AllCommands()) {
        auto* action = new QAction(tr(info.menuText), this);
        action->setShortcuts(Shortcuts(info.shortcuts));
        if (*info.statusText) action->setStatusTip(tr(info.statusText));
        const CommandId id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
        // Every key is bound, also for commands that nothing serves yet: the window owns them.
        addAction(action);
        actions_.insert(static_cast<int>(id), action);
    }
}

void CMainFrame::BuildMenu(QMenu* menu, const std::vector<MenuNode>& nodes) {
    for (const MenuNode& node : nodes) {
        switch (node.kind) {
            case MenuNode::Separator: menu->addSeparator(); break;
            case MenuNode::Submenu: BuildMenu(menu->addMenu(tr(node.title)), node.children); break;
            case MenuNode::Command: {
                QAction* action = Action(node.id);
                if (!action) break;
                if (*node.textOverride) {
                    // The same command under another text in this menu.
                    auto* twin = menu->addAction(tr(MenuItemText(node)));
                    const CommandId id = node.id;
                    connect(twin, &QAction::triggered, this, [this, id] { Dispatch(id); });
                    twin->setEnabled(action->isEnabled());
                    connect(action, &QAction::changed, twin,
                            [twin, action] { twin->setEnabled(action->isEnabled()); });
                } else {
                    menu->addAction(action);
                }
                break;
            }
        }
    }
}

static QString MenuBarTitle(QString text) {
    // A key bound to a command wins over a menu's mnemonic, as accelerators do: a title whose
    // Alt+letter is a command's key loses its "(&X)", or Qt would call the key ambiguous and do
    // neither.
    const qsizetype amp = text.indexOf(QLatin1Char('&'));
    if (amp < 0 || amp + 1 >= text.size()) return text;
    const QString alt = QStringLiteral("Alt+") + text.at(amp + 1).toUpper();
    if (!FindCommandByShortcut(alt.toUtf8().constData())) return text;
    const QString marker = QStringLiteral("(&") + text.at(amp + 1) + QLatin1Char(')');
    if (text.contains(marker)) return text.remove(marker);
    return text.remove(amp, 1);
}

void CMainFrame::createMenus() {
    for (const MenuNode& top : MainMenuBar()) {
        QMenu* menu = menuBar()->addMenu(MenuBarTitle(tr(top.title)));
        BuildMenu(menu, top.children);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    }
    // The recent files: a submenu filled each time it opens.
    if (QAction* recent = Action(CommandId::FileRecentFiles)) {
        auto* files = new QMenu(this);
        recent->setMenu(files);
        connect(files, &QMenu::aboutToShow, this, [this, files] {
            files->clear();
            const QStringList paths = RecentFiles();
            for (int i = 0; i < paths.size(); ++i) {
                const QString path = paths[i];
                QAction* entry = files->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
                connect(entry, &QAction::triggered, this, [this, path] { OpenFiles({path}); });
            }
            if (paths.isEmpty()) files->addAction(tr("(없음)"))->setEnabled(false);
        });
    }
    // Undo and Redo show the keys bound to their twins.
    for (CommandId id : {CommandId::Undo, CommandId::Redo}) {
        if (QAction* action = Action(id))
            action->setText(action->text() + QLatin1Char('\t') +
                            QLatin1String(MenuShortcutHint(id)));
    }
}

void CMainFrame::createToolBar() {
    toolBar_ = addToolBar(tr("도구 모음"));
    toolBar_->setObjectName(QStringLiteral("mainToolBar"));
    toolBar_->setMovable(true);
    struct Button {
        CommandId id;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {CommandId::FileNew, QStyle::SP_FileIcon},
        {CommandId::FileOpen, QStyle::SP_DialogOpenButton},
        {CommandId::FileSave, QStyle::SP_DialogSaveButton},
        {CommandId::Undo, QStyle::SP_ArrowBack},
        {CommandId::Redo, QStyle::SP_ArrowForward},
        {CommandId::BrowserPreview, QStyle::SP_MediaPlay},
    };
    for (const Button& button : buttons) {
        QAction* action = Action(button.id);
        action->setIcon(style()->standardIcon(button.icon));
        toolBar_->addAction(action);
    }
}

void CMainFrame::Dispatch(CommandId id) {
    const auto own = FrameCommands().find(static_cast<int>(id));
    if (own != FrameCommands().end()) {
        own->second(*this);
        return;
    }
    const auto forView = ViewCommands().find(static_cast<int>(id));
    CAnvoView* view = ActiveView();
    if (!view || forView == ViewCommands().end()) return;
    // A key or a menu item can arrive from inside a nested loop of the view's own running
    // command (its dialog, its pump): that command still owns the frames.
    if (view->IsBusy()) {
        RefuseWhileBusy();
        return;
    }
    // The menu keys only open the context menu, which holds the view busy while it shows and
    // dispatches the chosen item after it has closed.
    if (id == CommandId::ContextMenuKey || id == CommandId::ContextMenuAtCurrent) {
        forView->second(*view);
        return;
    }
    CAnvoView::BusyScope busy(*view);
    if (ChangesFrameOrder(id) && !view->ConfirmStructuralEdit()) return;
    forView->second(*view);
}

void CMainFrame::RefuseWhileBusy() {
    QApplication::beep();
    statusBar()->showMessage(tr("작업이 진행 중인 창입니다. 작업이 끝난 뒤에 다시 시도하세요."),
                             3000);
}

void CMainFrame::UpdateCommandStates() {
    CAnvoView* view = ActiveView();
    const bool hasView = view != nullptr;
    FrameTable* table = hasView ? &view->Table() : nullptr;
    const int selected = table ? table->CountSelection() : 0;
    const int frames = table ? table->frameCount : 0;
    const bool busy = hasView && view->IsBusy();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        const auto id = static_cast<CommandId>(it.key());
        bool enabled = HasHandler(id);
        if (busy && ViewCommands().count(it.key()) > 0) {
            it.value()->setEnabled(false);
            continue;
        }
        switch (id) {
            case CommandId::ZoomIn: enabled = hasView && CanZoomIn(app_.zoomPercent); break;
            case CommandId::ZoomOut: enabled = hasView && CanZoomOut(app_.zoomPercent); break;
            case CommandId::SelectAll:
            case CommandId::CloseAllWindows:
            case CommandId::ArrowUp:
            case CommandId::ArrowDown:
            case CommandId::ArrowLeft:
            case CommandId::ArrowRight:
            case CommandId::FirstFrame:
            case CommandId::LastFrame:
            case CommandId::ExtendSelectionUp:
            case CommandId::ExtendSelectionDown:
            case CommandId::TogglePlayback:
            case CommandId::ContextMenuKey:
            case CommandId::ContextMenuAtCurrent: enabled = hasView && frames > 0; break;
            case CommandId::EditDelete:
            case CommandId::FrameMenuDelete:
                enabled = hasView && selected >= 1 && selected < frames;
                break;
            case CommandId::EditCopy: enabled = hasView && selected > 0; break;
            case CommandId::EditCut: enabled = hasView && selected >= 1 && selected < frames; break;
            case CommandId::EditPaste:
                enabled = hasView && !clipboard_.Empty() && (selected == -1 || selected == 1);
                break;
            case CommandId::EditCopyToClipboard:
                enabled = hasView && pickMode_ == 0 && selected == 1;
                break;
            case CommandId::EditPasteFromClipboard:
                enabled = hasView && pickMode_ == 0 && frames > 0 && SystemClipboardHasImage();
                break;
            case CommandId::EditPasteFromFile:
                enabled = hasView && (selected == -1 || selected == 1);
                break;
            case CommandId::FrameDeleteAllBefore:
            case CommandId::FrameDeleteAllAfter:
                enabled = hasView &&
                          frames > 0;  // always available; the command explains a wrong selection
                break;
            case CommandId::FrameDeleteAllButOne:
            case CommandId::FrameMergeWithPrevious:
            case CommandId::FrameDuplicate:
                enabled = hasView && frames > 0 && pickMode_ == 0 && !FrameDialogOpen();
                break;
            case CommandId::GapMenuDeleteAllBefore:
            case CommandId::GapMenuDeleteAllAfter:
            case CommandId::FrameMenuDeleteAllButThis:
            case CommandId::FrameMenuMergeWithPrevious:
            case CommandId::FrameMenuDuplicate:
            case CommandId::FrameMenuCopy:
            case CommandId::FrameMenuCut:
            case CommandId::GapMenuPaste:
            case CommandId::FrameMenuPaste:
            case CommandId::FrameMenuCopyToClipboard:
            case CommandId::GapMenuPasteFromClipboard:
            case CommandId::FrameMenuPasteFromClipboard:
            case CommandId::GapMenuPasteFromFile:
            case CommandId::FrameMenuPasteFromFile:
                // Context-menu forms: their menu applies the strip's rules when it opens.
                enabled = hasView && frames > 0 && pickMode_ == 0;
                break;
            case CommandId::Undo: enabled = hasView && view->CanUndo(); break;
            case CommandId::Redo: enabled = hasView && view->CanRedo(); break;
            case CommandId::UndoKey:
            case CommandId::RedoKey:
                // The keys stay live at the ends of the history, where they say so in a notice.
                enabled = hasView && frames > 0;
                break;
            case CommandId::FileSave:
            case CommandId::FileSaveAs:
            case CommandId::SaveOptimized:
            case CommandId::ShowSavedSize:
            case CommandId::BrowserPreview:
                enabled = hasView && frames > 0 && !FrameDialogOpen();
                break;
            case CommandId::FrameProperties:
                enabled = hasView && frames > 0 && !FrameDialogOpen();
                break;
            case CommandId::AnimationAdvancedEffect:
                enabled = hasView && frames > 0 && !FrameDialogOpen();
                break;
            case CommandId::FrameMenuAdvancedEffect:
                enabled = hasView && frames > 0 && pickMode_ == 0;
                break;
            case CommandId::ExpandFrames:
                enabled = hasView && frames > 0 && pickMode_ == 0 && !FrameDialogOpen();
                break;
            case CommandId::FrameMenuProperties:
                enabled = hasView && frames > 0 && pickMode_ == 0 && !FrameDialogOpen();
                break;
            case CommandId::AnimationFadeIn:
            case CommandId::AnimationFadeOut:
            case CommandId::AnimationFadeInOut:
            case CommandId::AnimationScatterAppear:
            case CommandId::AnimationScatterDisappear:
            case CommandId::AnimationScatterAppearDisappear:
            case CommandId::AnimationOverlap:
            case CommandId::GapMenuFadeIn:
            case CommandId::GapMenuFadeOut:
            case CommandId::ContextFadeInOut:
            case CommandId::GapMenuScatterAppear:
            case CommandId::GapMenuScatterDisappear:
            case CommandId::ContextScatterAppearDisappear:
            case CommandId::GapMenuOverlap:
                // The commands explain a wrong selection themselves; a pick waits for its click.
                enabled = hasView && frames > 0 && pickMode_ == 0;
                break;
            case CommandId::GlobalProperties:
            case CommandId::GlobalPropertiesAlternate:
            case CommandId::InsertBorder:
            case CommandId::SaveAtOtherSize:
                enabled = hasView && frames > 0 && !FrameDialogOpen();
                break;
            case CommandId::EditInPaint:
                enabled = hasView && frames > 0 && !FrameDialogOpen() && pickMode_ == 0;
                break;
            case CommandId::FrameMenuAutoUpdate:
                enabled = hasView && frames > 0 && pickMode_ == 0;
                break;
            case CommandId::FrameSave:
            case CommandId::FrameMenuSaveFrame:
                // A pick names the frame by a click, not by the selection this would save.
                enabled = hasView && frames > 0 && !FrameDialogOpen() && pickMode_ == 0;
                break;
            default: break;
        }
        it.value()->setEnabled(enabled);
    }
    if (externalPane_) externalPane_->SetFrameSelected(hasView && !busy && selected > 0);
    // Tool-bar buttons 2 to 5 are off while no document is open, whatever their handlers.
    for (CommandId id :
         {CommandId::FileSave, CommandId::Undo, CommandId::Redo, CommandId::BrowserPreview}) {
        if (!hasView) Action(id)->setEnabled(false);
    }
}

bool CMainFrame::SystemClipboardHasImage() const {
    const QMimeData* offered = QApplication::clipboard()->mimeData();
    return offered && offered->hasImage();
}

std::unique_ptr<QMenu> CMainFrame::ContextMenuFor(CAnvoView* view, const HitResult& hit) {
    UpdateCommandStates();
    FrameTable& table = view->Table();
    const int n = table.CountSelection();
    const bool frameMenu = hit.kind == HitResult::kFrame;
    const bool gapBeforeFirst = hit.kind == HitResult::kGapBefore && hit.index == 0;
    const bool gapAfterLast = hit.kind == HitResult::kGapAfterLast;
    // The strip's own rules, on top of whether each command is available at all.
    QList<int> off;
    if (clipboard_.Empty()) off << 32776 << 32852;
    if (!SystemClipboardHasImage()) off << 32831 << 32832;
    if (n <= 0) off << 32775 << 32774 << 32848;
    if (n != 1)
        off << 32803 << 32819 << 32823 << 32868 << 32833 << 32852 << 32831 << 32826 << 32874
            << 32782 << 32812;
    if (gapBeforeFirst || gapAfterLast) off << 32778 << 32777;
    if (n >= table.frameCount) off << 32778 << 32777 << 32775 << 32848;
    if (gapAfterLast) off << 32780 << 32804;
    if (gapBeforeFirst) off << 32781 << 32811;
    if (frameMenu && hit.index == 0) off << 32874;
    if (!frameMenu) {
        // The gap menu's "효과" items work on the frame before the clicked gap, whatever the
        // selection (the click selected the gap): off only before the first frame.
        off.removeAll(static_cast<int>(CommandId::ContextFadeInOut));
        off.removeAll(static_cast<int>(CommandId::ContextScatterAppearDisappear));
        if (hit.index <= 0)
            off << static_cast<int>(CommandId::ContextFadeInOut)
                << static_cast<int>(CommandId::ContextScatterAppearDisappear);
    }

    // Owned by the caller and parented to nothing: no window that a nested loop may close can
    // take the menu with it while it runs.
    auto menu = std::make_unique<QMenu>();
    std::function<void(QMenu*, const std::vector<MenuNode>&)> build =
        [&](QMenu* into, const std::vector<MenuNode>& nodes) {
            for (const MenuNode& node : nodes) {
                if (node.kind == MenuNode::Separator) {
                    into->addSeparator();
                } else if (node.kind == MenuNode::Submenu) {
                    build(into->addMenu(tr(node.title)), node.children);
                } else {
                    const CommandId id = node.id;
                    QAction* shared = Action(id);
                    QAction* item = into->addAction(tr(MenuItemText(node)));
                    item->setEnabled(shared && shared->isEnabled() &&
                                     !off.contains(static_cast<int>(id)));
                    if (id == CommandId::FrameMenuAutoUpdate && frameMenu) {
                        // Checked while the frame is linked to an outside file.
                        item->setCheckable(true);
                        item->setChecked(!table.entries[static_cast<std::size_t>(hit.index)]
                                              .link.linkedPath.empty());
                    }
                    // The caller dispatches the chosen item after the menu's loop has ended.
                    item->setData(static_cast<int>(id));
                }
            }
        };
    build(menu.get(), frameMenu ? FrameContextMenu() : GapContextMenu());
    return menu;
}

}  // namespace vorla
