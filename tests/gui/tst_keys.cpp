// Keys and states that users reach directly: zooming with the keypad and Shift+=, Alt+V over
// the View menu's mnemonic, Ctrl+V following another program's clipboard, frame save during a
// pick, the animation pane fitting the animation, and pages opened without a desktop handler.
#include <QClipboard>
#include <QDockWidget>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBrowser>

#include "GuiFixture.h"
#include "core/edit/FrameClipboard.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/external/DesktopLauncher.h"
#include "gui/play/CAnimationBar.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_Keys : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keypadPlusAndShiftEqualsZoomIn();
    void altVPastesInsteadOfOpeningTheViewMenu();
    void ctrlVFollowsTheSystemClipboard();
    void frameSaveIsOffDuringAPick();
    void animationPaneFitsTheAnimation();
    void pagesOpenWithoutADesktopHandlerOrSaySo();
    void theKeysEveryEditorHas();

private:
    std::unique_ptr<MainFrameFixture> f_;
    CAnvoView* view_ = nullptr;
};

void tst_Keys::init() {
    f_ = std::make_unique<MainFrameFixture>();
    f_->frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f_->frame));
    view_ = f_->Open(f_->MakeGif(QStringLiteral("keys.gif"), 4, 60, 40));
    QVERIFY(view_);
    view_->setFocus();
    QTRY_COMPARE(f_->frame.ActiveView(), view_);
}

void tst_Keys::cleanup() {
    view_ = nullptr;
    f_.reset();
}

void tst_Keys::keypadPlusAndShiftEqualsZoomIn() {
    // Opening a document shows it at 100 %, the most there is: step out first.
    f_->state.zoomPercent = 50;
    f_->frame.UpdateCommandStates();
    const int before = f_->state.zoomPercent;
    QTest::keyClick(view_, Qt::Key_Plus, Qt::KeypadModifier);
    QTRY_VERIFY2(f_->state.zoomPercent > before, "the keypad's + zooms in");
    const int afterKeypad = f_->state.zoomPercent;
    // Shift+= on a US layout arrives as "+" with Shift held.
    QTest::keyClick(view_, Qt::Key_Plus, Qt::ShiftModifier);
    QTRY_VERIFY2(f_->state.zoomPercent > afterKeypad, "Shift+= zooms in");
    const int afterShift = f_->state.zoomPercent;
    QTest::keyClick(view_, Qt::Key_Minus, Qt::KeypadModifier);
    QTRY_VERIFY(f_->state.zoomPercent < afterShift);
}

void tst_Keys::altVPastesInsteadOfOpeningTheViewMenu() {
    for (QAction* top : f_->frame.menuBar()->actions()) {
        QVERIFY2(!top->text().contains(QStringLiteral("&V")), qPrintable(top->text()));
    }
    // One frame in the frame clipboard, the gap after frame 2 selected: Alt+V pastes there.
    view_->Table().entries[0].selected = 1;
    f_->frame.Clipboard().CopySelected(view_->Table());
    view_->Table().ClearSelection(true, -1);
    view_->Table().entries[2].gapSelected = 1;
    view_->Table().selectedGapIndex = 1;
    f_->frame.UpdateCommandStates();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous.*")));
    QTest::keyClick(view_, Qt::Key_V, Qt::AltModifier);
    QTRY_COMPARE(view_->Table().frameCount, 5);
    QVERIFY(!QApplication::activePopupWidget());
}

void tst_Keys::ctrlVFollowsTheSystemClipboard() {
    QApplication::clipboard()->clear();
    QTRY_VERIFY(!f_->frame.Action(CommandId::EditPasteFromClipboard)->isEnabled());
    // Another program puts an image there: no menu opens in between.
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QApplication::clipboard()->setImage(image);
    QTRY_VERIFY(f_->frame.Action(CommandId::EditPasteFromClipboard)->isEnabled());
    QApplication::clipboard()->clear();
    QTRY_VERIFY(!f_->frame.Action(CommandId::EditPasteFromClipboard)->isEnabled());
}

void tst_Keys::frameSaveIsOffDuringAPick() {
    view_->Table().entries[1].selected = 1;
    f_->frame.UpdateCommandStates();
    QVERIFY(f_->frame.Action(CommandId::FrameSave)->isEnabled());
    f_->frame.StartPick(view_, 2, QStringLiteral("pick"), QStringLiteral("pick"));
    f_->frame.UpdateCommandStates();
    QVERIFY(!f_->frame.Action(CommandId::FrameSave)->isEnabled());
    QVERIFY(!f_->frame.Action(CommandId::FrameMenuSaveFrame)->isEnabled());
    f_->frame.CancelPick();
    QVERIFY(f_->frame.Action(CommandId::FrameSave)->isEnabled());
}

void tst_Keys::animationPaneFitsTheAnimation() {
    QDockWidget* pane = f_->frame.AnimationPane();
    QTRY_VERIFY(pane->isVisible());
    // A small animation keeps the pane's first size.
    QCOMPARE(pane->size(), QSize(CAnimationBar::kInitialSize, CAnimationBar::kInitialSize));
    CAnvoView* large = f_->Open(f_->MakeGif(QStringLiteral("large.gif"), 2, 1920, 1080));
    QVERIFY(large);
    large->setFocus();
    QTRY_COMPARE(f_->frame.PaneView(), large);
    const QSize inner = pane->widget()->size();
    const QSize half = pane->screen()->availableGeometry().size() / 2;
    // The pane grows with the animation, up to half the screen each way.
    QVERIFY2(inner.width() >= std::min(1920 + 20, half.width() - 40),
             qPrintable(QStringLiteral("pane canvas %1 wide").arg(inner.width())));
    QVERIFY2(inner.height() >= std::min(1080 + 20, half.height() - 80),
             qPrintable(QStringLiteral("pane canvas %1 high").arg(inner.height())));
    QVERIFY(pane->width() <= std::max(half.width(), CAnimationBar::kInitialSize) &&
            pane->height() <= std::max(half.height(), CAnimationBar::kInitialSize));
    // What does not fit is shown whole, scaled: the last column of the scaled picture still
    // shows the animation (its frames are black and red), not the pane's face.
    {
        const QImage shown = pane->widget()->grab().toImage();
        const QSize fitted = QSize(1920, 1080).scaled(inner - QSize(20, 20), Qt::KeepAspectRatio);
        const QColor edge = shown.pixelColor(10 + fitted.width() - 2, 10 + fitted.height() / 2);
        QVERIFY2(edge == QColor(0, 0, 0) || edge == QColor(255, 0, 0), qPrintable(edge.name()));
        // and the margin stays the pane's face: the picture does not run over it.
        QCOMPARE(shown.pixelColor(inner.width() - 5, inner.height() - 5),
                 QApplication::palette().color(QPalette::Button));
    }
}

void tst_Keys::pagesOpenWithoutADesktopHandlerOrSaySo() {
    QTemporaryDir bin;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    const QString record = bin.filePath(QStringLiteral("opened.txt"));
    // Launchers as scripts on an otherwise empty PATH, "name=status": exits at once with that
    // status; "name=" writes its argument to `record`.
    auto useLaunchers = [&](const QStringList& launchers) {
        for (const QString& old : QDir(bin.path()).entryList(QDir::Files))
            QFile::remove(bin.filePath(old));
        for (const QString& launcher : launchers) {
            const QString status = launcher.section(QLatin1Char('='), 1);
            QFile script(bin.filePath(launcher.section(QLatin1Char('='), 0, 0)));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write((status.isEmpty()
                              ? QStringLiteral("#!/bin/sh\necho \"$1\" > '%1'\n").arg(record)
                              : QStringLiteral("#!/bin/sh\nexit %1\n").arg(status))
                             .toUtf8());
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    };
    const QString page = f_->File(QStringLiteral("page.html"));
    QFile(page).open(QIODevice::WriteOnly);
    struct Case {
        QStringList launchers;
        bool started;  // something could be started at all
        bool opens;
    };
    const Case cases[] = {
        {{"firefox="}, true, true},                           // a browser and no xdg-open
        {{"xdg-open=3", "firefox="}, true, true},             // xdg-open fails, the browser opens
        {{"xdg-open=3", "sensible-browser=1"}, true, false},  // every launcher fails
        {{}, false, false},                                   // nothing to start: said at once
    };
    for (const Case& c : cases) {
        useLaunchers(c.launchers);
        QFile::remove(record);
        f_->ui.asked.clear();
        QCOMPARE(OpenLocalFileOrSay(f_->ui, page, &f_->frame), c.started);
        if (c.opens) {
            QTRY_VERIFY(QFile::exists(record));
            QFile opened(record);
            QVERIFY(opened.open(QIODevice::ReadOnly) && opened.readAll().contains("page.html"));
        } else {
            QTRY_COMPARE(f_->ui.asked.size(), std::size_t{1});
            QCOMPARE(f_->ui.asked[0].message, BrowserFailureText(page).toStdString());
        }
    }
    // F1 without a working browser shows the help inside the program.
    useLaunchers({QStringLiteral("xdg-open=4")});
    f_->ui.asked.clear();
    QTest::keyClick(&f_->frame, Qt::Key_F1);
    HelpWindow* help = nullptr;
    QTRY_VERIFY((help = f_->frame.findChild<HelpWindow*>()) && help->isVisible());
    QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Vorla")));
    QVERIFY(f_->ui.asked.empty());
    qputenv("PATH", savedPath);
}

void tst_Keys::theKeysEveryEditorHas() {
    const FrameTable& table = view_->Table();
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&f_->frame, k, modifiers);
    };
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> steps[] = {
        {Qt::Key_End, Qt::NoModifier, "...X"},   {Qt::Key_Up, Qt::ShiftModifier, "..XX"},
        {Qt::Key_Up, Qt::ShiftModifier, ".XXX"}, {Qt::Key_Down, Qt::ShiftModifier, "..XX"},
        {Qt::Key_Home, Qt::NoModifier, "X..."},  {Qt::Key_Down, Qt::ShiftModifier, "XX.."},
    };
    for (const auto& [k, modifiers, marks] : steps) {
        key(k, modifiers);
        QCOMPARE(Marks(table), QString::fromLatin1(marks));
    }

    // Space stops and resumes the playback of the active document.
    key(Qt::Key_Space);
    QVERIFY(view_->PausedByUser());
    const int stoppedAt = view_->PlaybackFrame();
    QTest::qWait(300);  // the frames have a delay of 10 cs
    QCOMPARE(view_->PlaybackFrame(), stoppedAt);
    key(Qt::Key_Space);
    QVERIFY(!view_->PausedByUser());
    QTRY_VERIFY(view_->PlaybackFrame() != stoppedAt);

    // Ctrl+Shift+Z redoes what Ctrl+Z undid; Ctrl+Shift+S is 다른 이름으로 저장.
    f_->ui.answers.push_back({true, 0});
    key(Qt::Key_Delete);
    QCOMPARE(table.frameCount, 2);
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(table.frameCount, 4);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(table.frameCount, 2);
    QString proposed;
    f_->frame.savePathAnswer = [&](const QString& name) {
        proposed = name;
        return QString();
    };
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("keys.gif"));
}

QTEST_MAIN(tst_Keys)
#include "tst_keys.moc"
