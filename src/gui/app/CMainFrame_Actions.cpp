// Commands: one QAction per catalogue entry, the menus and tool bar built from them, routing to
// the active view and the enabling rules.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStyle>
#include <QToolBar>
#include <functional>

#include "core/edit/Selection.h"
#include "core/model/ApplicationState.h"
#include "gui/app/CMainFrame.h"
#include "gui/dialogs/AboutDialog.h"
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

}  // namespace

bool CMainFrame::HasHandler(CommandId id) const {
    switch (id) {
        case CommandId::FileNew:
        case CommandId::FileNewAlternate:
        case CommandId::FileOpen:
        case CommandId::CollectOpen:
        case CommandId::AppExit:
        case CommandId::AppAbout:
        case CommandId::HelpContents:
        case CommandId::HelpMakerHomePage:
        case CommandId::HelpProductHomePage:
        case CommandId::ToggleAnimationPane:
        case CommandId::ToggleToolPane:
        case CommandId::CloseAllWindows:
        case CommandId::ZoomIn:
        case CommandId::ZoomOut:
        case CommandId::SelectAll:
        case CommandId::ArrowUp:
        case CommandId::ArrowDown:
        case CommandId::ArrowLeft:
        case CommandId::ArrowRight:
        case CommandId::ContextMenuKey:
        case CommandId::ContextMenuAtCurrent:
        case CommandId::EditDelete:
        case CommandId::FrameMenuDelete:
        case CommandId::FileSave:
        case CommandId::FileSaveAs:
        case CommandId::ShowSavedSize:
        case CommandId::FrameSave:
        case CommandId::FrameMenuSaveFrame:
        case CommandId::BrowserPreview:
        case CommandId::Undo:
        case CommandId::UndoKey:
        case CommandId::Redo:
        case CommandId::RedoKey:
        case CommandId::FrameDeleteAllBefore:
        case CommandId::GapMenuDeleteAllBefore:
        case CommandId::FrameDeleteAllAfter:
        case CommandId::GapMenuDeleteAllAfter:
        case CommandId::FrameDeleteAllButOne:
        case CommandId::FrameMenuDeleteAllButThis:
        case CommandId::FrameMergeWithPrevious:
        case CommandId::FrameMenuMergeWithPrevious:
        case CommandId::FrameDuplicate:
        case CommandId::FrameMenuDuplicate:
        case CommandId::EditCopy:
        case CommandId::FrameMenuCopy:
        case CommandId::EditCut:
        case CommandId::FrameMenuCut:
        case CommandId::EditPaste:
        case CommandId::GapMenuPaste:
        case CommandId::FrameMenuPaste:
        case CommandId::EditCopyToClipboard:
        case CommandId::FrameMenuCopyToClipboard:
        case CommandId::EditPasteFromClipboard:
        case CommandId::GapMenuPasteFromClipboard:
        case CommandId::FrameMenuPasteFromClipboard:
        case CommandId::EditPasteFromFile:
        case CommandId::GapMenuPasteFromFile:
        case CommandId::FrameMenuPasteFromFile:
        case CommandId::NextPane:
        case CommandId::PreviousPane:
        case CommandId::CascadeWindows:
        case CommandId::TileWindows:
        case CommandId::FileRecentFiles: return true;
        default: return false;
    }
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

void CMainFrame::createMenus() {
    for (const MenuNode& top : MainMenuBar()) {
        QMenu* menu = menuBar()->addMenu(tr(top.title));
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
    CAnvoView* view = ActiveView();
    switch (id) {
        case CommandId::FileNew:
        case CommandId::FileNewAlternate:
            collect_.reset();
            NewDocument();
            return;
        case CommandId::FileOpen: OnFileOpen(); return;
        case CommandId::CollectOpen: OnCollectOpen(); return;
        case CommandId::AppExit: close(); return;
        case CommandId::AppAbout: {
            AboutDialog dialog(this);
            dialog.exec();
            return;
        }
        case CommandId::HelpContents: OpenHelp(); return;
        case CommandId::HelpMakerHomePage:
            OpenLocalPage(QStringLiteral("help/tarnwick.html"));
            return;
        case CommandId::HelpProductHomePage:
            OpenLocalPage(QStringLiteral("help/brelmo.html"));
            return;
        case CommandId::ToggleAnimationPane:
            animationPane_->setVisible(!animationPane_->isVisible());
            Action(id)->setChecked(animationPane_->isVisible());
            return;
        case CommandId::ToggleToolPane:
            toolPane_->setVisible(!toolPane_->isVisible());
            Action(id)->setChecked(toolPane_->isVisible());
            return;
        case CommandId::NextPane: mdiArea_->activateNextSubWindow(); return;
        case CommandId::CascadeWindows: mdiArea_->cascadeSubWindows(); return;
        case CommandId::TileWindows: mdiArea_->tileSubWindows(); return;
        case CommandId::PreviousPane: mdiArea_->activatePreviousSubWindow(); return;
        default: break;
    }
    if (!view) return;
    switch (id) {
        case CommandId::CloseAllWindows: CloseAllWindows(); break;
        case CommandId::ZoomIn: view->ZoomIn(); break;
        case CommandId::ZoomOut: view->ZoomOut(); break;
        case CommandId::SelectAll: view->SelectAll(); break;
        case CommandId::ArrowUp: view->MoveSelection(static_cast<int>(selection::Arrow::Up)); break;
        case CommandId::ArrowDown:
            view->MoveSelection(static_cast<int>(selection::Arrow::Down));
            break;
        case CommandId::ArrowLeft:
            view->MoveSelection(static_cast<int>(selection::Arrow::Left));
            break;
        case CommandId::ArrowRight:
            view->MoveSelection(static_cast<int>(selection::Arrow::Right));
            break;
        case CommandId::ContextMenuKey:
        case CommandId::ContextMenuAtCurrent:
            view->ShowContextMenuAt(view->viewport()->mapFromGlobal(QCursor::pos()));
            break;
        case CommandId::EditDelete:
        case CommandId::FrameMenuDelete: view->DeleteWithQuestion(); break;
        case CommandId::FrameDeleteAllBefore: view->DeleteAllBefore(true); break;
        case CommandId::GapMenuDeleteAllBefore: view->DeleteAllBefore(false); break;
        case CommandId::FrameDeleteAllAfter: view->DeleteAllAfter(true); break;
        case CommandId::GapMenuDeleteAllAfter: view->DeleteAllAfter(false); break;
        case CommandId::FrameDeleteAllButOne: view->DeleteAllButOne(true); break;
        case CommandId::FrameMenuDeleteAllButThis: view->DeleteAllButOne(false); break;
        case CommandId::FrameMergeWithPrevious: view->MergeWithPrevious(true); break;
        case CommandId::FrameMenuMergeWithPrevious: view->MergeWithPrevious(false); break;
        case CommandId::FrameDuplicate: view->DuplicateFrames(true); break;
        case CommandId::FrameMenuDuplicate: view->DuplicateFrames(false); break;
        case CommandId::EditCopy:
        case CommandId::FrameMenuCopy: view->CopySelection(); break;
        case CommandId::EditCut:
        case CommandId::FrameMenuCut: view->CutSelection(); break;
        case CommandId::EditPaste: view->PasteRouted(); break;
        case CommandId::GapMenuPaste: view->PasteAtGap(); break;
        case CommandId::FrameMenuPaste: view->ReplaceMenuFrame(); break;
        case CommandId::EditCopyToClipboard: view->OnCopyToSystemClipboard(false); break;
        case CommandId::FrameMenuCopyToClipboard: view->OnCopyToSystemClipboard(true); break;
        case CommandId::EditPasteFromClipboard: view->OnPasteFromSystemClipboard(0); break;
        case CommandId::GapMenuPasteFromClipboard: view->OnPasteFromSystemClipboard(1); break;
        case CommandId::FrameMenuPasteFromClipboard: view->OnPasteFromSystemClipboard(2); break;
        case CommandId::EditPasteFromFile: view->OnPasteFromFile(0); break;
        case CommandId::GapMenuPasteFromFile: view->OnPasteFromFile(1); break;
        case CommandId::FrameMenuPasteFromFile: view->OnPasteFromFile(2); break;
        case CommandId::Undo:
        case CommandId::UndoKey: view->Undo(); break;
        case CommandId::Redo:
        case CommandId::RedoKey: view->Redo(); break;
        case CommandId::FileSave: view->OnFileSave(); break;
        case CommandId::FileSaveAs: view->OnFileSaveAs(); break;
        case CommandId::ShowSavedSize: view->ShowSavedSize(); break;
        case CommandId::FrameSave: view->SaveFrame(true); break;
        case CommandId::FrameMenuSaveFrame: view->SaveFrame(false); break;
        case CommandId::BrowserPreview: view->BrowserPreview(); break;
        default: break;
    }
}

void CMainFrame::UpdateCommandStates() {
    CAnvoView* view = ActiveView();
    const bool hasView = view != nullptr;
    FrameTable* table = hasView ? &view->Table() : nullptr;
    const int selected = table ? table->CountSelection() : 0;
    const int frames = table ? table->frameCount : 0;
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        const auto id = static_cast<CommandId>(it.key());
        bool enabled = HasHandler(id);
        switch (id) {
            case CommandId::ZoomIn: enabled = hasView && CanZoomIn(app_.zoomPercent); break;
            case CommandId::ZoomOut: enabled = hasView && CanZoomOut(app_.zoomPercent); break;
            case CommandId::SelectAll:
            case CommandId::CloseAllWindows:
            case CommandId::ArrowUp:
            case CommandId::ArrowDown:
            case CommandId::ArrowLeft:
            case CommandId::ArrowRight:
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
            case CommandId::ShowSavedSize:
            case CommandId::FrameSave:
            case CommandId::FrameMenuSaveFrame:
            case CommandId::BrowserPreview:
                enabled = hasView && frames > 0 && !FrameDialogOpen();
                break;
            default: break;
        }
        it.value()->setEnabled(enabled);
    }
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

QMenu* CMainFrame::ContextMenuFor(CAnvoView* view, const HitResult& hit) {
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

    auto* menu = new QMenu(view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
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
                    connect(item, &QAction::triggered, this, [this, id] { Dispatch(id); });
                }
            }
        };
    build(menu, frameMenu ? FrameContextMenu() : GapContextMenu());
    return menu;
}

}  // namespace vorla
