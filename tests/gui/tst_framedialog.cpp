// The frame properties dialog from the strip: how it opens and ends, that its view refuses every
// frame edit but the dialog's own while it is open, and that a session is one undo step.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include "GuiFixture.h"
#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditRules.h"
#include "core/gif/GifDecoder.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/CFramePropertiesCanvas.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/CFramePropertiesMagnifier.h"

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

bool DialogOpen(CAnvoView* view) {
    return view->FrameDialogIsOpen() && view->FrameDialog() && view->FrameDialog()->isVisible();
}

void TypeInto(QLineEdit* edit, const QString& text) {
    // The first key replaces the selected text, as when a user types over it.
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

std::vector<int> Delays(CAnvoView* view) {
    std::vector<int> delays;
    for (int k = 0; k < view->Table().frameCount; ++k)
        delays.push_back(view->Table().entries[static_cast<std::size_t>(k)].delay);
    return delays;
}

}  // namespace

class tst_FrameDialog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void doubleClickOpensTheFrameAndCancelsOnTheSameFrame();
    void doubleClickOnAGapPastesFromAFile();
    void whileOpenEveryFrameEditIsRefused();
    void shiftCancelsOnlyInTheDialog();
    void theCommandWantsOneSelectedFrame();
    void allDelaysComeBackOnCancelAndOneUndoRevertsAnApply();
    void closingTheDocumentAppliesTheDialog();
    void quittingAppliesTheDialog();
    void aLoadingFileRefusesTheDialog();
    void theCanvasMagnifierAndHints();
    void returnAndCtrlROpenTheSelectedFrame();
    void sizeCompareAndCaptionColours();
    void cutResizeAndRotateGoBackOnCancel();
    void marginsFilledFromAPickedPixelCoverTheScreen();
    void appliedFieldsAreSavedAndOneUndoRevertsThem();

private:
    std::unique_ptr<MainFrameFixture> f;
    CAnvoView* view = nullptr;
};

void tst_FrameDialog::init() {
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
}

void tst_FrameDialog::cleanup() {
    if (view && view->FrameDialogIsOpen()) view->EndFrameDialog(false);
    for (CAnvoView* v : f->frame.Views()) v->Document().modified = false;
    f.reset();
    view = nullptr;
}

void tst_FrameDialog::doubleClickOpensTheFrameAndCancelsOnTheSameFrame() {
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 2));
    QTRY_VERIFY(DialogOpen(view));
    CFramePropertiesDialog* dialog = view->FrameDialog();
    const QString childTitle = view->parentWidget()->windowTitle();
    QCOMPARE(dialog->windowTitle(), childTitle + QStringLiteral("의 3번 프레임"));
    QCOMPARE(dialog->FrameIndex(), 2);
    QVERIFY(f->frame.FrameDialogOpen());
    f->frame.UpdateCommandStates();
    QVERIFY2(!f->frame.Action(CommandId::FrameProperties)->isEnabled(),
             "Ctrl+R waits for the open dialog");
    QCOMPARE(dialog->UsedColoursLabel()->text(), QStringLiteral("1"));

    // A double-click on another frame moves the dialog there (the first session is cancelled).
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
    QTRY_COMPARE(dialog->FrameIndex(), 0);
    QVERIFY(dialog->windowTitle().endsWith(QStringLiteral("의 1번 프레임")));

    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
    QTRY_VERIFY(!DialogOpen(view));
    QVERIFY(!f->frame.FrameDialogOpen());
    QVERIFY(!view->Document().modified);
}

void tst_FrameDialog::doubleClickOnAGapPastesFromAFile() {
    QStringList asked;
    f->frame.imagePathAnswer = [&](const QString& title) {
        asked << title;
        return QString();
    };
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, GapPoint(view, 2));
    QTRY_COMPARE(asked.size(), 1);
    QVERIFY(!DialogOpen(view));
    // Below the last frame's gap lies the background: nothing happens there.
    const StripMetrics m = view->Metrics();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(m.childWidth + 400, 5));
    QTest::qWait(50);
    QCOMPARE(asked.size(), 1);
    QVERIFY(!DialogOpen(view));
}

void tst_FrameDialog::whileOpenEveryFrameEditIsRefused() {
    view->Table().entries[1].selected = 1;
    f->frame.Clipboard().CopySelected(view->Table());
    view->Table().ClearSelection(true, -1);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QTRY_VERIFY(DialogOpen(view));
    QVERIFY(view->IsBusy());
    QVERIFY(!view->IsRunning());
    view->Document().modified = true;  // so that a save would write
    bool saveAsked = false;
    f->frame.savePathAnswer = [&](const QString&) {
        saveAsked = true;
        return QString();
    };
    const int frames = view->Table().frameCount;
    for (CommandId id : {CommandId::EditPaste, CommandId::EditCut, CommandId::EditDelete,
                         CommandId::Undo, CommandId::UndoKey, CommandId::FileSave,
                         CommandId::FileSaveAs, CommandId::EditPasteFromFile}) {
        f->frame.statusBar()->clearMessage();
        f->frame.Dispatch(id);
        QCOMPARE(view->Table().frameCount, frames);
        QVERIFY2(
            !f->frame.statusBar()->currentMessage().isEmpty(),
            qPrintable(QStringLiteral("command %1 was not refused").arg(static_cast<int>(id))));
    }
    QVERIFY(!saveAsked);
    QVERIFY(f->ui.unexpected.empty());
    // A drop of frames onto the strip.
    view->SignalDrop(view->viewport()->mapToGlobal(GapPoint(view, 3)));
    QTest::qWait(300);
    QCOMPARE(view->Table().frameCount, frames);
    QVERIFY(DialogOpen(view));
    // Selection clicks stay live and end nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 3));
    QVERIFY(view->Table().entries[3].selected);
    QVERIFY(DialogOpen(view));
}

void tst_FrameDialog::shiftCancelsOnlyInTheDialog() {
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QTRY_VERIFY(DialogOpen(view));
    CFramePropertiesDialog* dialog = view->FrameDialog();
    TypeInto(dialog->DelayEdit(), QStringLiteral("55"));
    QCOMPARE(view->Table().entries[1].delay, 55);

    // Shift in the strip, and a Shift-click there, keep the edits.
    view->activateWindow();
    QTest::keyClick(view, Qt::Key_Shift);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, FramePoint(view, 3));
    QTest::qWait(20);
    QVERIFY(DialogOpen(view));
    QCOMPARE(view->Table().entries[1].delay, 55);

    dialog->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(dialog));
    QTest::keyClick(dialog->DelayEdit(), Qt::Key_Shift);
    QTRY_VERIFY(!DialogOpen(view));
    QCOMPARE(view->Table().entries[1].delay, 10);
}

void tst_FrameDialog::theCommandWantsOneSelectedFrame() {
    view->Table().entries[1].selected = 1;
    view->Table().entries[2].selected = 1;
    f->frame.UpdateCommandStates();
    f->frame.Dispatch(CommandId::FrameProperties);
    QVERIFY(!DialogOpen(view));
    QVERIFY(f->ui.Texts().contains(
        QStringLiteral("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.")));

    view->Table().ClearSelection(true, -1);
    view->Table().entries[4].selected = 1;
    f->frame.UpdateCommandStates();
    QVERIFY(f->frame.Action(CommandId::FrameProperties)->isEnabled());
    f->frame.Dispatch(CommandId::FrameProperties);
    QTRY_VERIFY(DialogOpen(view));
    QCOMPARE(view->FrameDialog()->FrameIndex(), 4);
    QVERIFY(!view->IsRunning());
}

void tst_FrameDialog::allDelaysComeBackOnCancelAndOneUndoRevertsAnApply() {
    const std::vector<int> before = Delays(view);
    view->OpenFrameDialog(2);
    CFramePropertiesDialog* dialog = view->FrameDialog();
    QVERIFY(DialogOpen(view));
    dialog->AllFramesCheck()->click();
    TypeInto(dialog->DelayEdit(), QStringLiteral("99999"));
    QCOMPARE(Delays(view), std::vector<int>(5, -1));  // 65535 in the 16-bit field
    // Leaving a field shows the value in force: the clamped delay, the offsets not taken.
    const QString left = dialog->LeftEdit()->text();
    QApplication::setActiveWindow(dialog);
    for (const auto& [field, typed, shown] :
         {std::tuple{dialog->DelayEdit(), "99999", QStringLiteral("65535")},
          std::tuple{dialog->LeftEdit(), "-5", left},
          std::tuple{dialog->LeftEdit(), "99999999999", left}}) {
        field->setFocus();
        TypeInto(field, QString::fromLatin1(typed));
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(field->text(), shown);
    }
    dialog->reject();
    QVERIFY(!DialogOpen(view));
    QCOMPARE(Delays(view), before);
    QVERIFY(!view->Document().modified);

    view->OpenFrameDialog(2);
    dialog->AllFramesCheck()->click();
    TypeInto(dialog->DelayEdit(), QStringLiteral("33"));
    dialog->LeftEdit()->selectAll();
    TypeInto(dialog->LeftEdit(), QStringLiteral("0"));
    dialog->accept();
    QVERIFY(!DialogOpen(view));
    QCOMPARE(Delays(view), std::vector<int>(5, 33));
    QVERIFY(view->Document().modified);
    // The caption names the document without the window's mark for changes.
    view->OpenFrameDialog(2);
    QCOMPARE(view->FrameDialog()->windowTitle(), view->Caption() + QStringLiteral("의 3번 프레임"));
    view->FrameDialog()->reject();
    QVERIFY(view->CanUndo());
    view->Undo();
    QCOMPARE(Delays(view), before);
}

void tst_FrameDialog::closingTheDocumentAppliesTheDialog() {
    view->OpenFrameDialog(3);
    TypeInto(view->FrameDialog()->DelayEdit(), QStringLiteral("44"));
    // The save question is cancelled, so the window stays and shows what closing did first.
    f->ui.twoChoiceAnswers = {kTwoChoiceCancel};
    view->parentWidget()->close();
    QVERIFY(!DialogOpen(view));
    QCOMPARE(view->Table().entries[3].delay, 44);
    QVERIFY2(view->Document().modified, "적용 marked the change before the save question");
    QVERIFY(f->ui.Texts().contains(QStringLiteral("five.gif의 변경 내용을 저장하시겠습니까?")));
    QVERIFY(view->CanUndo());
}

void tst_FrameDialog::quittingAppliesTheDialog() {
    view->OpenFrameDialog(2);
    TypeInto(view->FrameDialog()->DelayEdit(), QStringLiteral("21"));
    f->ui.twoChoiceAnswers = {kTwoChoiceCancel};  // the save question keeps the program open
    f->frame.close();
    QVERIFY(f->frame.isVisible());
    QVERIFY(!DialogOpen(view));
    QCOMPARE(view->Table().entries[2].delay, 21);
    QVERIFY(view->Document().modified);
}

void tst_FrameDialog::aLoadingFileRefusesTheDialog() {
    // A GIF whose remaining images are still to be read (its deferred load is pending).
    view->Table().pendingGifLoad = true;
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QVERIFY(!DialogOpen(view));
    QVERIFY(!f->ui.notices.empty());
    QCOMPARE(f->ui.notices.back(),
             std::string("파일을 열고 있는 중에는 속성에 접근할 수 없습니다"));
    view->Table().pendingGifLoad = false;
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QVERIFY(DialogOpen(view));
}

namespace {

// Three frames of 20 x 10 at (5, 5) on a 40 x 30 screen, image k striped in indices k and 1.
QString SmallFramesGif(MainFrameFixture& f) {
    test::GifBuilder gif;
    gif.Screen(40, 30, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    for (int k = 0; k < 3; ++k) {
        gif.Control(1, 10);
        test::Bytes pixels(200);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>(i % 2 ? 1 : k % 4);
        gif.Image(5, 5, 20, 10, pixels, false, {}, 2);
    }
    gif.Trailer();
    return f.Write(QStringLiteral("small.gif"), gif.Get());
}

// Mouse events sent to the canvas itself: the window system's pointer state (which window a
// button press grabbed in an earlier test) must not decide where they land.
void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& point, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
void Move(QWidget* w, const QPoint& p, Qt::MouseButtons held = Qt::NoButton) {
    SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, held);
}
void Press(QWidget* w, const QPoint& p) {
    SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void Release(QWidget* w, const QPoint& p) {
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}
void Click(QWidget* w, const QPoint& p) {
    Press(w, p);
    Release(w, p);
}

QPoint CanvasPoint(int screenX, int screenY) {
    return QPoint(screenX + CFramePropertiesCanvas::kMargin,
                  screenY + CFramePropertiesCanvas::kMargin);
}

}  // namespace

void tst_FrameDialog::theCanvasMagnifierAndHints() {
    CAnvoView* small = f->Open(SmallFramesGif(*f));
    QVERIFY(small);
    small->OpenFrameDialog(0);
    CFramePropertiesDialog* dialog = small->FrameDialog();
    QVERIFY2(!dialog->CurrentOnlyCheck()->isEnabled(), "the first frame has nothing before it");
    QCOMPARE(dialog->HintLine()->text(),
             QStringLiteral("마우스로 이미지를 드래그해서 이동하세요."));
    small->OpenFrameDialog(2);
    QVERIFY(dialog->CurrentOnlyCheck()->isEnabled());
    dialog->Canvas()->grab();
    QVERIFY2(dialog->Canvas()->HasCompositeCache(), "the earlier frames are drawn once");

    CFramePropertiesCanvas* canvas = dialog->Canvas();
    Move(canvas, CanvasPoint(1, 1));
    QCOMPARE(dialog->ColourReadout()->text(), QStringLiteral("외곽 영역"));
    QVERIFY(dialog->PositionReadout()->text().isEmpty());
    Move(canvas, CanvasPoint(5 + 2, 5 + 1));  // image pixel (2, 1): index 2, green
    QCOMPARE(dialog->ColourReadout()->text(), QStringLiteral("00 FF 00"));
    QCOMPARE(dialog->PositionReadout()->text(), QStringLiteral("   2 ,   1"));

    // The move tool drags the frame inside the screen only.
    Press(canvas, CanvasPoint(10, 10));
    Move(canvas, CanvasPoint(100, 10), Qt::LeftButton);
    Release(canvas, CanvasPoint(100, 10));
    QCOMPARE(small->Table().entries[2].left, 20);
    QCOMPARE(dialog->LeftEdit()->text(), QStringLiteral("20"));

    // Tool 4 without transparency explains itself and changes nothing.
    dialog->SelectTool(CFramePropertiesDialog::kPickTransparent);
    QCOMPARE(dialog->HintLine()->text(),
             QStringLiteral("투명설정을 하려면 투명기능을 활성화해야 합니다."));
    const FrameEntry entry = small->Table().entries[2];
    Click(canvas, CanvasPoint(22, 7));
    QVERIFY(f->ui.Texts().contains(QStringLiteral("먼저 투명 기능을 활성화하세요.")));
    QVERIFY(small->Table().entries[2] == entry);
    // With transparency on, a click on a pixel makes its index transparent.
    dialog->TransparencyCheck()->click();
    QVERIFY(small->Table().entries[2].transparent);
    Click(canvas, CanvasPoint(20 + 1, 6));  // index 1
    QCOMPARE(small->Table().entries[2].transparentIndex, 1);
    small->EndFrameDialog(false);
    QCOMPARE(small->Table().entries[2].left, 5);
    QCOMPARE(small->Table().entries[2].transparent, 0);
    small->Document().modified = false;
}

void tst_FrameDialog::returnAndCtrlROpenTheSelectedFrame() {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 3));
    QCOMPARE(view->Table().CountSelection(), 1);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(DialogOpen(view));
    QCOMPARE(view->FrameDialog()->FrameIndex(), 3);
    view->EndFrameDialog(false);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY(DialogOpen(view));
    QCOMPARE(view->FrameDialog()->FrameIndex(), 1);
    QVERIFY(view->FrameDialog()->windowTitle().endsWith(QStringLiteral("의 2번 프레임")));
}

void tst_FrameDialog::sizeCompareAndCaptionColours() {
    view->OpenFrameDialog(1);
    CFramePropertiesDialog* dialog = view->FrameDialog();
    const auto imageBefore = view->Table().frameImages[1].ToBytes();
    const std::vector<int> delaysBefore = Delays(view);

    // Unchanged: both lines give the same size.
    dialog->SizeCompareButton()->click();
    QString text = f->ui.Texts().last();
    QStringList lines = text.split(QStringLiteral("\n\n"));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("편집 전 파일 크기: ")), qPrintable(text));
    QVERIFY2(lines[1].startsWith(QStringLiteral("저장시 파일 크기: ")), qPrintable(text));
    QCOMPARE(lines[0].mid(lines[0].indexOf(':')), lines[1].mid(lines[1].indexOf(':')));

    // A smaller frame changes what a save writes; measuring changes nothing in the table.
    dialog->SelectTool(CFramePropertiesDialog::kResize);
    TypeInto(dialog->WidthEdit(), QStringLiteral("4"));
    QCOMPARE(view->Table().entries[1].width, 4);
    const auto imageNow = view->Table().frameImages[1].ToBytes();
    const FrameEntry entryNow = view->Table().entries[1];
    dialog->SizeCompareButton()->click();
    text = f->ui.Texts().last();
    lines = text.split(QStringLiteral("\n\n"));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].mid(lines[0].indexOf(':')) != lines[1].mid(lines[1].indexOf(':')),
             qPrintable(text));
    QVERIFY(view->Table().frameImages[1].ToBytes() == imageNow);
    QVERIFY(view->Table().entries[1] == entryNow);
    QVERIFY(Delays(view) == delaysBefore);

    // Captions: the group names in the view's caption colour, the warning hint in red, the
    // check boxes inside a coloured group in the ordinary text colour.
    const QColor caption = view->CaptionColour();
    QGroupBox* delayGroup = nullptr;
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
        if (group->title() == QStringLiteral("지연 시간")) delayGroup = group;
    QVERIFY(delayGroup);
    QCOMPARE(delayGroup->palette().color(QPalette::WindowText), caption);
    QCOMPARE(dialog->TransparencyCheck()->palette().color(QPalette::WindowText),
             QApplication::palette(dialog->TransparencyCheck()).color(QPalette::WindowText));
    dialog->SelectTool(CFramePropertiesDialog::kPickTransparent);
    QCOMPARE(dialog->HintLine()->palette().color(QPalette::WindowText), QColor(Qt::red));
    dialog->SelectTool(CFramePropertiesDialog::kMove);  // the 4-pixel frame can move
    QCOMPARE(dialog->HintLine()->text(),
             QStringLiteral("마우스로 이미지를 드래그해서 이동하세요."));
    QCOMPARE(dialog->HintLine()->palette().color(QPalette::WindowText),
             QApplication::palette(dialog->HintLine()).color(QPalette::WindowText));
    view->EndFrameDialog(false);
    QVERIFY(view->Table().frameImages[1].ToBytes() == imageBefore);
}

void tst_FrameDialog::cutResizeAndRotateGoBackOnCancel() {
    CAnvoView* small = f->Open(SmallFramesGif(*f));
    QVERIFY(small);
    const auto imageBefore = small->Table().frameImages[1].ToBytes();
    const FrameEntry entryBefore = small->Table().entries[1];
    small->OpenFrameDialog(1);
    CFramePropertiesDialog* dialog = small->FrameDialog();
    CFramePropertiesCanvas* canvas = dialog->Canvas();

    // Cut width at image column 3, giving up the left side with the marked column.
    dialog->SelectTool(CFramePropertiesDialog::kCutWidth);
    f->ui.answers = {ChoiceAnswer{true, edit::kCutFirstSide}};
    Click(canvas, CanvasPoint(5 + 3, 8));
    QCOMPARE(small->Table().entries[1].width, 16);
    QCOMPARE(small->Table().entries[1].left, 9);
    QCOMPARE(dialog->WidthEdit()->text(), QStringLiteral("16"));

    // Resize: a width of 0 reads 1; "최대 확대" with the ratio kept fills the screen's width.
    dialog->SelectTool(CFramePropertiesDialog::kResize);
    QVERIFY(dialog->WidthEdit()->isEnabled());
    // A drag moves the bottom-right corner; the frame changes when the button is released.
    Press(canvas, CanvasPoint(20, 10));
    Move(canvas, CanvasPoint(30, 25), Qt::LeftButton);
    QCOMPARE(dialog->WidthEdit()->text(), QStringLiteral("21"));
    QCOMPARE(small->Table().entries[1].width, 16);
    Release(canvas, CanvasPoint(30, 25));
    QCOMPARE(small->Table().entries[1].width, 21);
    QCOMPARE(small->Table().entries[1].height, 20);
    QCOMPARE(small->Table().frameImages[1].Width(), 21);
    // The magnifier shows the resized frame: the pixel up and left of the pointer is its
    // bottom-right corner, outside the frame before the drag.
    using M = CFramePropertiesMagnifier;
    QCOMPARE(dialog->Magnifier()->Cell(M::kCentreColumn - 1, M::kCentreRow - 1),
             static_cast<int>(small->Table().frameImages[1].PixelColor(20, 19)));
    TypeInto(dialog->WidthEdit(), QStringLiteral("0"));
    QCOMPARE(dialog->WidthEdit()->text(), QStringLiteral("1"));
    QCOMPARE(small->Table().entries[1].width, 1);
    QVERIFY(small->Table().entries[1].height >= 1);
    dialog->EnlargeButton()->click();
    QCOMPARE(small->Table().entries[1].left, 0);
    QCOMPARE(small->Table().entries[1].width, 40);

    // Rotate: the angle text is corrected, the disposal becomes "브라우저 배경으로 지움".
    dialog->SelectTool(CFramePropertiesDialog::kRotate);
    QCOMPARE(dialog->AngleEdit()->text(), QStringLiteral("0"));
    QVERIFY(small->Table().entries[1].transparent);
    TypeInto(dialog->AngleEdit(), QStringLiteral("400"));
    QCOMPARE(dialog->AngleEdit()->text(), QStringLiteral("359"));
    TypeInto(dialog->AngleEdit(), QStringLiteral("300"));
    QPushButton* quarter = nullptr;
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("+90")) quarter = button;
    QVERIFY(quarter);
    quarter->click();
    QCOMPARE(dialog->AngleEdit()->text(), QStringLiteral("30"));
    QCOMPARE(dialog->DisposalCombo()->currentIndex(), 1);
    QCOMPARE(small->Table().entries[1].Disposal(), 2);
    QVERIFY2(!small->Document().modified, "edits mark nothing before 적용");

    small->EndFrameDialog(false);
    QCOMPARE(small->Table().frameImages[1].ToBytes(), imageBefore);
    FrameEntry after = small->Table().entries[1];
    after.selected = entryBefore.selected;
    QVERIFY(after == entryBefore);
    QVERIFY(f->ui.unexpected.empty());
}

void tst_FrameDialog::marginsFilledFromAPickedPixelCoverTheScreen() {
    CAnvoView* small = f->Open(SmallFramesGif(*f));
    QVERIFY(small);
    small->OpenFrameDialog(1);
    CFramePropertiesDialog* dialog = small->FrameDialog();
    QCOMPARE(dialog->CurrentTool(), static_cast<int>(CFramePropertiesDialog::kMove));
    f->ui.answers = {ChoiceAnswer{true, 0}};  // "기존의 이미지 중에서 선택"
    dialog->SelectTool(CFramePropertiesDialog::kFillMargins);
    QCOMPARE(f->ui.asked.back().title, std::string("여백 색상 지정 방법"));
    QCOMPARE(small->Table().entries[1].width, 20);
    // The next click inside the frame picks its pixel's colour (index 1, red).
    Click(dialog->Canvas(), CanvasPoint(5 + 1, 5));
    const FrameEntry& entry = small->Table().entries[1];
    QCOMPARE(entry.left, 0);
    QCOMPARE(entry.width, 40);
    QCOMPARE(entry.height, 30);
    QCOMPARE(small->Table().frameImages[1].PixelColor(0, 0), MakeRgb(255, 0, 0));
    // A frame that covers the whole screen has nothing to move.
    QCOMPARE(dialog->CurrentTool(), static_cast<int>(CFramePropertiesDialog::kNoTool));
    QVERIFY(!dialog->LeftEdit()->isEnabled());
    small->EndFrameDialog(true);
    QVERIFY(small->Document().modified);
    small->Document().modified = false;
}

void tst_FrameDialog::appliedFieldsAreSavedAndOneUndoRevertsThem() {
    CAnvoView* small = f->Open(SmallFramesGif(*f));
    QVERIFY(small);
    small->setFocus();
    small->OpenFrameDialog(1);
    CFramePropertiesDialog* dialog = small->FrameDialog();
    TypeInto(dialog->DelayEdit(), QStringLiteral("123"));
    emit dialog->DisposalCombo()->activated(1);
    TypeInto(dialog->LeftEdit(), QStringLiteral("12"));
    TypeInto(dialog->TopEdit(), QStringLiteral("3"));
    dialog->TransparencyCheck()->click();
    const FrameEntry applied = small->Table().entries[1];
    QVERIFY(applied.transparent);
    dialog->accept();

    const QString target = f->File(QStringLiteral("roundtrip.gif"));
    f->frame.savePathAnswer = [&](const QString&) { return target; };
    f->frame.Dispatch(CommandId::FileSaveAs);
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::vector<GifPageInfo> pages;
    std::vector<CDib> images;
    GifDecoder::DecodeAllImages(test::Bytes(bytes.begin(), bytes.end()), 1000,
                                [&](const GifPageInfo& page, CDib&& image) {
                                    pages.push_back(page);
                                    images.push_back(std::move(image));
                                    return true;
                                });
    QCOMPARE(pages.size(), std::size_t{3});
    QCOMPARE(pages[1].delay, 123);
    QCOMPARE((pages[1].controlByte >> 2) & 7, 2);
    QCOMPARE(pages[1].left, 12);
    QCOMPARE(pages[1].top, 3);
    QVERIFY(pages[1].transparent);
    // The writer may renumber the palette; what counts is that no real colour turned
    // transparent (the frame has no transparent pixel) and the colours stayed.
    const CDib& saved = images[1];
    for (int y = 0; y < saved.Height(); ++y)
        for (int x = 0; x < saved.Width(); ++x)
            QVERIFY(saved.Index(x, y) != pages[1].transparentIndex);
    QCOMPARE(saved.PixelColor(0, 0), MakeRgb(255, 0, 0));
    QCOMPARE(pages[0].delay, 10);

    // The whole session is one undo step.
    small->Undo();
    const FrameEntry& undone = small->Table().entries[1];
    QCOMPARE(undone.delay, 10);
    QCOMPARE(undone.left, 5);
    QCOMPARE(undone.restoreBackground, 0);
    QCOMPARE(undone.transparent, 0);
    small->Document().modified = false;
}

QTEST_MAIN(tst_FrameDialog)
#include "tst_framedialog.moc"
