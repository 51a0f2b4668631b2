// Nested event loops: every command of the frame and gap menus picked from the open menu with
// real key events (the command runs after the menu's loop), and a long run during which keys,
// drops and closing are refused and the frames stay as the run leaves them.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <functional>

#include "GuiFixture.h"
#include "MenuDriving.h"
#include "core/edit/FrameClipboard.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/EffectSettingsSheet.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

void CollectIds(const std::vector<MenuNode>& nodes, std::vector<CommandId>& ids) {
    for (const MenuNode& node : nodes) {
        if (node.kind == MenuNode::Command) ids.push_back(node.id);
        if (node.kind == MenuNode::Submenu) CollectIds(node.children, ids);
    }
}

QPoint GapPoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return QPoint(60, m.GapTop(k) + 6 - view->verticalScrollBar()->value());
}

}  // namespace

class tst_Busy : public QObject {
    Q_OBJECT

private slots:
    void everyMenuCommandRunsAfterItsMenu();
    void aLongRunRefusesKeysDropsAndClosing();
};

void tst_Busy::everyMenuCommandRunsAfterItsMenu() {
    MainFrameFixture f;
    f.state.zoomPercent = 100;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    f.frame.imagePathAnswer = [](const QString&) { return QString(); };
    f.frame.savePathAnswer = [](const QString&) { return QString(); };
    const QString gif = f.MakeGif(QStringLiteral("menu.gif"), 8, 40, 30);
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::green);
    QApplication::clipboard()->setImage(image);

    // The effect commands open their settings sheet, modally: take its values as they are.
    QTimer sheetCloser;
    sheetCloser.setInterval(20);
    connect(&sheetCloser, &QTimer::timeout, [] {
        if (auto* sheet = qobject_cast<EffectSettingsSheet*>(QApplication::activeModalWidget()))
            sheet->accept();
    });
    sheetCloser.start();

    std::vector<CommandId> frameIds, gapIds;
    CollectIds(FrameContextMenu(), frameIds);
    CollectIds(GapContextMenu(), gapIds);
    int picked = 0;
    QStringList pickedNames;
    // A command whose modeless dialog the view waits for: cancel it once it shows.
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (dialog && dialog->isVisible() && !dialog->isModal() &&
                dialog->windowTitle() == QStringLiteral("고급 애니메이션 효과"))
                dialog->reject();
        }
    });
    closer.start();
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<CommandId>& ids = pass == 0 ? frameIds : gapIds;
        for (CommandId id : ids) {
            // A fresh window each time: the last command may have deleted or merged frames.
            for (CAnvoView* old : f.frame.Views()) {
                old->Document().modified = false;
                old->parentWidget()->close();
            }
            QTRY_VERIFY(f.frame.Views().isEmpty());
            CAnvoView* view = f.Open(gif);
            QVERIFY(view);
            view->parentWidget()->resize(300, 700);
            view->setFocus();
            // Something in the frame clipboard, so that the paste items are live.
            view->Table().entries[1].selected = 1;
            f.frame.Clipboard().CopySelected(view->Table());
            view->Table().ClearSelection(true, -1);
            f.ui.answers.assign(8, ChoiceAnswer{true, 0});
            f.ui.numberAnswers = {"3"};
            const QPoint at = pass == 0 ? FramePoint(view, 2) : GapPoint(view, 3);
            if (PickFromContextMenu(view, at, id)) {
                ++picked;
                pickedNames << QString::number(static_cast<int>(id));
            }
            QVERIFY2(!QApplication::activePopupWidget(), "the menu closed");
            // The frame properties item leaves its modeless dialog open, holding the frames.
            if (view->FrameDialogIsOpen()) view->EndFrameDialog(false);
            QTRY_VERIFY(!view->IsBusy());
            QVERIFY(view->Table().frameCount >= 1);
        }
    }
    // Every command that the strip offers for one selected frame or a middle gap was picked,
    // among them the ones that pump (duplicate, merge) and the system clipboard's copy.
    for (CommandId must :
         {CommandId::FrameMenuDuplicate, CommandId::FrameMenuMergeWithPrevious,
          CommandId::FrameMenuCopyToClipboard, CommandId::FrameMenuCopy, CommandId::FrameMenuDelete,
          CommandId::GapMenuPaste, CommandId::GapMenuDeleteAllBefore}) {
        QVERIFY2(
            pickedNames.contains(QString::number(static_cast<int>(must))),
            qPrintable(QStringLiteral("command %1 was not picked").arg(static_cast<int>(must))));
    }
    QVERIFY(picked >= 12);
}

void tst_Busy::aLongRunRefusesKeysDropsAndClosing() {
    MainFrameFixture f;
    f.state.zoomPercent = 100;
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    CAnvoView* other = f.Open(f.MakeGif(QStringLiteral("other.gif"), 3, 40, 30, 33));
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("busy.gif"), 6, 40, 30));
    QVERIFY(other && view);
    view->parentWidget()->resize(300, 700);
    QTest::qWait(1100);  // drops wait a second after a load
    view->setFocus();
    QTRY_COMPARE(f.frame.ActiveView(), view);

    // A drag from the other window is under way: its frames sit in the frame clipboard.
    other->Table().entries[0].selected = 1;
    DragState& drag = f.frame.Drag();
    drag.sourceView = other;
    drag.canMove = true;
    f.frame.Clipboard().CopySelected(other->Table());

    bool tried = false;
    int countInside = -1;
    f.ui.onPump = [&] {
        if (tried || view->Table().frameCount < 10) return;
        tried = true;
        countInside = view->Table().frameCount;
        // The progress window may have taken the activation; keys go to the main window.
        QApplication::setActiveWindow(&f.frame);
        view->setFocus();
        QVERIFY(!f.frame.Action(CommandId::UndoKey)->isEnabled());
        QVERIFY(!f.frame.Action(CommandId::EditDelete)->isEnabled());
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_V, Qt::AltModifier);
        QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
        view->SignalDrop(view->viewport()->mapToGlobal(GapPoint(view, 2)));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
        view->parentWidget()->close();
        f.frame.close();
        QCoreApplication::processEvents();
        QCOMPARE(view->Table().frameCount, countInside);
    };
    f.ui.numberAnswers = {"50"};
    f.frame.savePathAnswer = [](const QString&) { return QStringLiteral("/nonexistent/x.gif"); };
    QVERIFY(PickFromContextMenu(view, FramePoint(view, 2), CommandId::FrameMenuDuplicate));
    f.ui.onPump = nullptr;
    QVERIFY(tried);
    QCOMPARE(view->Table().frameCount, 56);
    // Nothing refused came back later: no drop question, no save, no deletion.
    QTest::qWait(400);
    QCOMPARE(view->Table().frameCount, 56);
    QCOMPARE(other->Table().frameCount, 3);
    QCOMPARE(f.ui.asked.size(), std::size_t{1});  // the number dialog only
    QVERIFY(f.frame.Views().contains(view));
    QVERIFY(f.frame.isVisible());
    QVERIFY(!view->IsBusy());
    QVERIFY(f.frame.Action(CommandId::EditDelete)->isEnabled() ||
            view->Table().CountSelection() <= 0);
    // The refused keys work again now.
    QVERIFY(f.frame.Action(CommandId::UndoKey)->isEnabled());
    QApplication::setActiveWindow(&f.frame);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(view->Table().frameCount, 6);
}

QTEST_MAIN(tst_Busy)
#include "tst_busy.moc"
