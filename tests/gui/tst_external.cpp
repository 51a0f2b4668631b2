// The external editors' pane, linked frames, and the global-properties and border dialogs as
// users reach them: clicks on the strip and the pane, Ctrl+M, the context menu and the frame
// dialog's buttons.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include "GuiFixture.h"
#include "core/edit/GlobalProperties.h"
#include "core/model/Settings.h"
#include "gui/commands/Commands.h"
#include "gui/app/ExternalToolPane.h"
#include "gui/dialogs/BorderDialog.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/GlobalPropertiesDialog.h"
#include "gui/external/ProcessLauncher.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

QPoint FramePoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return QPoint(60, m.ImageTop(k) + m.displayHeight / 2 - view->verticalScrollBar()->value());
}

QPoint GapPoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return QPoint(60, m.GapTop(k) + 6 - view->verticalScrollBar()->value());
}

// Runs `inside` on the next modal dialog of type T once it shows.
template <typename T>
void WhenModal(QObject* context, std::function<void(T*)> inside, bool* seen) {
    QTimer::singleShot(0, context, [inside, seen] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        *seen = dialog != nullptr;
        if (!dialog) return;
        // Laid out and shown before it is clicked; clicks of earlier tests are long past.
        if (!QTest::qWaitForWindowExposed(dialog)) return;
        QTest::qWait(30);
        inside(dialog);
    });
}

// Presses and releases a held size button as a short click: one tick while it is down.
void ClickSizeButton(GlobalPropertiesDialog* dialog, int button) {
    QTest::mouseClick(dialog->SizeButton(button), Qt::LeftButton);
}

QRgb PixelOf(CAnvoView* view, int frame, int x, int y) {
    const CDib& image = view->Table().frameImages[static_cast<std::size_t>(frame)];
    const Colorref c = image.PixelColor(x, y);
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

}  // namespace

class tst_External : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void thePaneFollowsTheSelection();
    void configuringSlotTwoWritesItsKeysAndRelabelsTheButton();
    void anEditorButtonHandsTheSelectedFramesOver();
    void ctrlMChangesTheScreenAndCancelTakesItBack();
    void theBackgroundDoubleClickOpensTheGlobalProperties();
    void theFrameDialogsBorderIsPartOfItsSession();
    void theContextMenuLinksAFrameAndTheWorkerFollowsTheFile();
    void globalPropertiesFromTheFrameDialogTakeTheirStepWhenItEnds();

private:
    std::unique_ptr<MainFrameFixture> f;
    CAnvoView* view = nullptr;
    ExternalToolPane* pane = nullptr;
};

void tst_External::init() {
    f = std::make_unique<MainFrameFixture>();
    f->state.zoomPercent = 100;
    f->frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f->frame));
    f->frame.imagePathAnswer = [](const QString&) { return QString(); };
    f->frame.savePathAnswer = [](const QString&) { return QString(); };
    view = f->Open(f->MakeGif(QStringLiteral("five.gif"), 5, 40, 30));
    QVERIFY(view);
    view->parentWidget()->resize(300, 700);
    view->setFocus();
    pane = f->frame.ExternalPane();
    QVERIFY(pane);
}

void tst_External::cleanup() {
    ProcessLauncher::Hook() = nullptr;
    if (view && view->FrameDialogIsOpen()) view->EndFrameDialog(false);
    for (CAnvoView* v : f->frame.Views()) v->Document().modified = false;
    f.reset();
    view = nullptr;
}

void tst_External::thePaneFollowsTheSelection() {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, GapPoint(view, 2));
    QVERIFY2(!pane->isEnabled(), "a gap is no frame");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QVERIFY(pane->isEnabled());
    QVERIFY(pane->EditorButton(1)->isEnabled());
    QVERIFY2(!pane->ConfigureButton(1)->isEnabled(), "the paint program's slot is fixed");
    QVERIFY(pane->ConfigureButton(2)->isEnabled());
    QCOMPARE(pane->EditorButton(1)->text(), QStringLiteral("그림판"));
    QCOMPARE(pane->FormatLabel(1)->text(), QStringLiteral("bmp"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, GapPoint(view, 3));
    QVERIFY(!pane->isEnabled());
}

void tst_External::configuringSlotTwoWritesItsKeysAndRelabelsTheButton() {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
    QStringList titles;
    pane->programPathAnswer = [&](const QString& title) {
        titles << title;
        return QStringLiteral("/usr/bin/env");
    };
    f->ui.numberAnswers.push_back("내 편집기");
    QTest::mouseClick(pane->ConfigureButton(2), Qt::LeftButton);
    QCOMPARE(titles,
             QStringList{QStringLiteral("연결 프로그램 바꾸기 - 현재 연결된 프로그램 없음")});
    QCOMPARE(QString::fromStdString(f->ui.asked.back().title),
             QStringLiteral("연결 프로그램 속성 - /usr/bin/env"));
    const std::string ini = f->state.WindowIni();
    QCOMPARE(ReadSetting(f->ui, ini, "editor2"), std::string("내 편집기"));
    QCOMPARE(ReadSetting(f->ui, ini, "editor2path"), std::string("/usr/bin/env"));
    QCOMPARE(ReadSetting(f->ui, ini, "editformat2"), std::string("bmp"));
    QCOMPARE(pane->EditorButton(2)->text(), QStringLiteral("내 편집기"));
    QCOMPARE(pane->FormatLabel(2)->text(), QStringLiteral("bmp"));
    QVERIFY2(ReadSetting(f->ui, ini, "editor3path") == "0", "slot 3 untouched");
}

void tst_External::anEditorButtonHandsTheSelectedFramesOver() {
    pane->programPathAnswer = [](const QString&) { return QStringLiteral("/usr/bin/env"); };
    f->ui.numberAnswers.push_back("env");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    pane->ConfigureSlot(2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, FramePoint(view, 4));
    QCOMPARE(view->Table().CountSelection(), 2);
    std::vector<std::vector<std::string>> started;
    std::string program;
    ProcessLauncher::Hook() = [&](const std::string& p, const std::vector<std::string>& args) {
        program = p;
        started.push_back(args);
        return true;
    };
    QTest::mouseClick(pane->EditorButton(2), Qt::LeftButton);
    QCOMPARE(started.size(), std::size_t{2});
    QCOMPARE(program, std::string("/usr/bin/env"));
    const QString folder = view->WorkFolder();
    QCOMPARE(QString::fromStdString(started[0][0]), folder + QStringLiteral("[002].bmp"));
    QCOMPARE(QString::fromStdString(started[1][0]), folder + QStringLiteral("[005].bmp"));
    QVERIFY(QFile::exists(folder + QStringLiteral("[002].bmp")));
    QCOMPARE(QString::fromStdString(view->Table().entries[4].link.linkedPath),
             folder + QStringLiteral("[005].bmp"));
}

void tst_External::ctrlMChangesTheScreenAndCancelTakesItBack() {
    FrameTable& table = view->Table();
    QCOMPARE(table.settings.screenWidth, 40);
    bool seen = false;
    QStringList widthsShown;
    WhenModal<GlobalPropertiesDialog>(
        view,
        [&](GlobalPropertiesDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("전체 속성"));
            ClickSizeButton(dialog, edit::kGrowWidth);
            QCOMPARE(table.settings.screenWidth, 41);  // the strip follows at once
            QCOMPARE(dialog->WidthEdit()->text(), QStringLiteral("41"));
            // A size refused as typed does not stay in the field once the user leaves it
            // (typing 7000 takes 700 on the way).
            dialog->activateWindow();
            (void)QTest::qWaitForWindowActive(dialog);
            for (const char* typed : {"7000", "5"}) {
                dialog->WidthEdit()->setFocus();
                dialog->WidthEdit()->selectAll();
                QTest::keyClicks(dialog->WidthEdit(), QString::fromLatin1(typed));
                QTest::keyClick(dialog->WidthEdit(), Qt::Key_Tab);
                widthsShown << dialog->WidthEdit()->text();
            }
            dialog->LoopCheck()->click();
            dialog->reject();
        },
        &seen);
    QTest::keyClick(view, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(seen);
    QCOMPARE(widthsShown, QStringList({QStringLiteral("700"), QStringLiteral("40")}));
    QCOMPARE(table.settings.screenWidth, 40);
    QVERIFY(!table.settings.loopForever);
    QVERIFY(!view->Document().modified);

    const bool couldUndo = view->CanUndo();
    seen = false;
    edit::SetScreenSize(table, 45, 30);  // room to shrink: the first click must act
    // The main window takes the keys again once the dialog has gone.
    f->frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f->frame));
    view->setFocus();
    WhenModal<GlobalPropertiesDialog>(
        view,
        [&](GlobalPropertiesDialog* dialog) {
            ClickSizeButton(dialog, edit::kShrinkWidth);
            QCOMPARE(table.settings.screenWidth, 44);  // a new showing's first click acts
            QTest::qWait(30);  // released for a few ticks: the next press is a new click
            ClickSizeButton(dialog, edit::kGrowHeight);
            dialog->ZoomEdit()->setText(QStringLiteral("250"));
            dialog->accept();
        },
        &seen);
    QTest::keyClick(view, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(seen);
    QCOMPARE(table.settings.screenWidth, 44);
    QCOMPARE(table.settings.screenHeight, 31);
    QCOMPARE(f->state.zoomPercent, 100);
    QVERIFY(view->Document().modified);
    QVERIFY2(!couldUndo && view->CanUndo(), "OK is one undo step");
}

void tst_External::theBackgroundDoubleClickOpensTheGlobalProperties() {
    edit::SetScreenSize(view->Table(), 41, 31);
    bool seen = false;
    WhenModal<GlobalPropertiesDialog>(
        view,
        [&](GlobalPropertiesDialog* d) {
            ClickSizeButton(d, edit::kShrinkBoth);
            QTest::qWait(30);
            ClickSizeButton(d, edit::kShrinkBoth);  // the frames are 40 x 30
            QCOMPARE(view->Table().settings.screenWidth, 40);
            QCOMPARE(view->Table().settings.screenHeight, 30);
            d->reject();
        },
        &seen);
    const StripMetrics m = view->Metrics();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       QPoint(m.childWidth - 5, FramePoint(view, 1).y()));
    QVERIFY(seen);
    QVERIFY(!view->FrameDialogIsOpen());
    QCOMPARE(view->Table().settings.screenWidth, 41);  // 취소 gave it back
}

void tst_External::theFrameDialogsBorderIsPartOfItsSession() {
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QVERIFY(view->FrameDialogIsOpen());
    QPushButton* borderButton = nullptr;
    QPushButton* globalButton = nullptr;
    for (QPushButton* b : view->FrameDialog()->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("테두리 넣기")) borderButton = b;
        if (b->text() == QStringLiteral("전체속성..")) globalButton = b;
    }
    QVERIFY(borderButton && borderButton->isEnabled());
    QVERIFY(globalButton && globalButton->isEnabled());
    const QRgb red = PixelOf(view, 1, 5, 5);
    bool seen = false;
    WhenModal<BorderDialog>(
        view,
        [&](BorderDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("2번 프레임에 테두리 넣기"));
            QCOMPARE(dialog->ColourText()->text(), QStringLiteral("00 00 00"));
            dialog->ThicknessEdit()->setText(QStringLiteral("2"));
            dialog->accept();
        },
        &seen);
    QTest::mouseClick(borderButton, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(PixelOf(view, 1, 0, 0), qRgb(0, 0, 0));
    QCOMPARE(PixelOf(view, 1, 1, 1), qRgb(0, 0, 0));
    QCOMPARE(PixelOf(view, 1, 5, 5), red);
    QCOMPARE(PixelOf(view, 2, 0, 0), qRgb(0, 255, 0));  // another frame keeps its picture
    view->EndFrameDialog(false);
    QCOMPARE(PixelOf(view, 1, 0, 0), red);
}

void tst_External::theContextMenuLinksAFrameAndTheWorkerFollowsTheFile() {
    // A picture for frame 2, written where the link dialog points.
    const QString path = f->File(QStringLiteral("outside.bmp"));
    auto writeBmp = [&](Colorref colour) {
        CDib image;
        image.Create(40, 30, 8, 2);
        image.SetPaletteColor(0, colour);
        QFile file(path + QStringLiteral(".tmp"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const auto bytes = image.ToBytes();
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        file.close();
        QFile::remove(path);
        QVERIFY(QFile::rename(path + QStringLiteral(".tmp"), path));  // a save by rename
    };
    writeBmp(MakeRgb(10, 20, 30));
    f->frame.imagePathAnswer = [&](const QString& title) {
        if (title != QStringLiteral("이 프레임과 연결될 외부 파일을 지정하세요.")) return QString();
        return path;
    };
    const QPoint at = FramePoint(view, 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    bool picked = false;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* item : menu->actions()) {
            if (item->data().toInt() == static_cast<int>(CommandId::FrameMenuAutoUpdate)) {
                QVERIFY(item->isEnabled());
                QVERIFY2(!item->isChecked(), "not linked yet");
                menu->setActiveAction(item);
                picked = true;
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QVERIFY(picked);
    FrameTable& table = view->Table();
    QCOMPARE(QString::fromStdString(table.entries[2].link.linkedPath), path);
    QCOMPARE(PixelOf(view, 2, 3, 3), qRgb(10, 20, 30));
    const int delay = table.entries[2].delay;

    writeBmp(MakeRgb(200, 100, 50));
    view->OnInitialUpdate();  // the worker runs from here on
    QTRY_COMPARE_WITH_TIMEOUT(PixelOf(view, 2, 3, 3), qRgb(200, 100, 50), 3000);
    QCOMPARE(table.entries[2].delay, delay);
    QCOMPARE(QString::fromStdString(table.entries[2].link.linkedPath), path);
}

void tst_External::globalPropertiesFromTheFrameDialogTakeTheirStepWhenItEnds() {
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
    QVERIFY(view->FrameDialogIsOpen());
    QPushButton* globalButton = nullptr;
    for (QPushButton* b : view->FrameDialog()->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("전체속성..")) globalButton = b;
    QVERIFY(globalButton);
    const bool couldUndo = view->CanUndo();
    bool seen = false;
    WhenModal<GlobalPropertiesDialog>(
        view,
        [&](GlobalPropertiesDialog* dialog) {
            ClickSizeButton(dialog, edit::kGrowBoth);
            dialog->accept();
        },
        &seen);
    QTest::mouseClick(globalButton, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(view->Table().settings.screenWidth, 41);
    QVERIFY(view->FrameDialogIsOpen());
    QVERIFY2(!couldUndo && !view->CanUndo(), "nothing recorded while the dialog is open");
    view->EndFrameDialog(false);
    QCOMPARE(view->Table().settings.screenWidth, 41);  // 취소 of the frame dialog keeps it
    QVERIFY2(view->CanUndo(), "the screen change is one undo step once the dialog ended");
    QVERIFY(view->Document().modified);
}

QTEST_MAIN(tst_External)
#include "tst_external.moc"
