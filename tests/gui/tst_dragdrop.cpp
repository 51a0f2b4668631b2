// Dropping dragged frames: insert into another window with a move (the source loses its
// frames), replace a frame, and a drop into the source window's own gap.
#include <QMdiSubWindow>
#include <QPointer>

#include "GuiFixture.h"
#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameExpansion.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

// Starts a drag of the selected frames of source the way the strip does past 25 pixels.
void BeginDrag(MainFrameFixture& f, CAnvoView* source) {
    DragState& drag = f.frame.Drag();
    drag.sourceView = source;
    drag.canMove = source->Table().CountSelection() < source->Table().frameCount;
    f.frame.Clipboard().CopySelected(source->Table());
}

QPoint GapPoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return view->viewport()->mapToGlobal(QPoint(60, m.GapTop(k) + 6));
}

QPoint FramePoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return view->viewport()->mapToGlobal(QPoint(60, m.ImageTop(k) + m.displayHeight / 2));
}

}  // namespace

class tst_DragDrop : public QObject {
    Q_OBJECT

private slots:
    void moveIntoAnotherWindowRemovesTheOriginals();
    void dropOnAFrameReplacesIt();
    void aDropIntoAPatchFileAsksToExpandFirst();
    void moveInsideTheSourceWindowKeepsOneCopy();
    void dropOutsideAsksAndHoldsTheWindowOpen();
};

void tst_DragDrop::moveIntoAnotherWindowRemovesTheOriginals() {
    MainFrameFixture f;
    CAnvoView* source = f.Open(f.MakeGif(QStringLiteral("a.gif"), 4, 30, 20, 11));
    CAnvoView* target = f.Open(f.MakeGif(QStringLiteral("b.gif"), 2, 30, 20, 22));
    QVERIFY(source && target);
    QTest::qWait(1100);  // drops wait a second after a load
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.frame));
    source->setFocus();
    QTRY_COMPARE(f.frame.ActiveView(), source);
    source->Table().entries[1].selected = 1;
    source->Table().entries[2].selected = 1;
    BeginDrag(f, source);
    f.ui.answers.push_back({true, 1});  // "이동"
    target->SignalDrop(GapPoint(target, 1));
    QTRY_COMPARE(target->Table().frameCount, 4);
    // The window that took the drop is the active one: Ctrl+S saves it.
    QCOMPARE(f.frame.ActiveView(), target);
    QTest::keyClick(&f.frame, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!target->Document().modified);
    QCOMPARE(f.ui.asked.back().title, std::string("드래그 & 드롭"));
    QCOMPARE(f.ui.asked.back().message, std::string("2개의 프레임을 첨가하겠습니까?"));
    QCOMPARE(target->Table().entries[1].delay, 11);
    QCOMPARE(int(target->Table().frameImages[1].Index(0, 0)), 1);
    QCOMPARE(int(target->Table().frameImages[2].Index(0, 0)), 2);
    // The source's worker removes the moved frames.
    QTRY_COMPARE(source->Table().frameCount, 2);
    QCOMPARE(int(source->Table().frameImages[1].Index(0, 0)), 3);
}

void tst_DragDrop::dropOnAFrameReplacesIt() {
    MainFrameFixture f;
    CAnvoView* source = f.Open(f.MakeGif(QStringLiteral("a.gif"), 4, 30, 20, 11));
    CAnvoView* target = f.Open(f.MakeGif(QStringLiteral("b.gif"), 3, 30, 20, 22));
    QVERIFY(source && target);
    QTest::qWait(1100);
    source->Table().entries[3].selected = 1;
    BeginDrag(f, source);
    f.ui.answers.push_back({true, 0});  // "복사"
    target->SignalDrop(FramePoint(target, 1));
    QTRY_COMPARE(int(target->Table().frameImages[1].Index(0, 0)), 3);
    QCOMPARE(f.ui.asked.back().message, std::string("1개의 프레임으로 교체하겠습니까?"));
    QCOMPARE(target->Table().frameCount, 3);
    QCOMPARE(target->Table().entries[1].delay, 22);  // the replaced frame's delay stays
    QTest::qWait(250);
    QCOMPARE(source->Table().frameCount, 4);  // a copy leaves the source alone
}

void tst_DragDrop::aDropIntoAPatchFileAsksToExpandFirst() {
    MainFrameFixture f;
    CAnvoView* source = f.Open(f.MakeGif(QStringLiteral("a.gif"), 2, 40, 30));
    CAnvoView* target = f.Open(WritePatchGif(f.File(QStringLiteral("patch.gif"))));
    QVERIFY(source && target);
    QTest::qWait(1100);
    source->Table().entries[0].selected = 1;
    BeginDrag(f, source);
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceFirst);  // 펼치고 편집
    f.ui.answers.push_back({true, 0});                 // "복사"
    target->SignalDrop(GapPoint(target, 2));
    QTRY_COMPARE(target->Table().frameCount, 4);
    QCOMPARE(f.ui.asked.front().message, std::string(edit::kExpandQuestion));
    QCOMPARE(target->Table().entries[3].width, 40);  // the patch after the drop stands alone
}

void tst_DragDrop::moveInsideTheSourceWindowKeepsOneCopy() {
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("self.gif"), 4, 30, 20));
    QVERIFY(view);
    QTest::qWait(1100);
    view->Table().entries[0].selected = 1;
    BeginDrag(f, view);
    f.ui.answers.push_back({true, 1});  // move frame 1 behind frame 3
    view->SignalDrop(GapPoint(view, 3));
    QTRY_COMPARE(view->Table().frameCount, 4);
    QTRY_VERIFY(!f.frame.Drag().moveRequested);
    QTest::qWait(250);
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameCount, 4);
    QCOMPARE(int(table.frameImages[0].Index(0, 0)), 1);
    QCOMPARE(int(table.frameImages[1].Index(0, 0)), 2);
    QCOMPARE(int(table.frameImages[2].Index(0, 0)), 0);
    QCOMPARE(int(table.frameImages[3].Index(0, 0)), 3);
}

void tst_DragDrop::dropOutsideAsksAndHoldsTheWindowOpen() {
    // Frames dragged out of every document window are deleted after a question. While the
    // question is open the user may click the window's close button: the window must stay until
    // the answer has been carried out (it was deleted under the running drop before).
    MainFrameFixture f;
    CAnvoView* view = f.Open(f.MakeGif(QStringLiteral("a.gif"), 4, 30, 20, 11));
    QVERIFY(view);
    auto* child = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    QVERIFY(child);
    QPointer<CAnvoView> alive(view);
    view->Table().entries[1].selected = 1;
    QWidget* port = view->viewport();
    const QPoint start = port->mapFromGlobal(FramePoint(view, 1));
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, start);
    auto move = [port](const QPoint& local) {
        QMouseEvent event(QEvent::MouseMove, local, port->mapToGlobal(local), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    };
    move(start + QPoint(0, 40));
    QVERIFY(f.frame.Drag().active);
    const QPoint outside(-5000, -5000);  // no window of the program lies there
    move(outside);
    QVERIFY(f.frame.Drag().targetView == nullptr);

    bool closedWhileAsking = true;
    f.ui.whileAsking = [&] {
        child->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closedWhileAsking = alive.isNull();
    };
    f.ui.answers.push_back({true, 0});
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, outside);
    f.ui.whileAsking = nullptr;

    QVERIFY(!closedWhileAsking);
    QVERIFY(alive);
    QCOMPARE(f.ui.asked.back().title, std::string("프레임 삭제"));
    QCOMPARE(f.ui.asked.back().message, std::string("1개 프레임을 삭제하시겠습니까?"));
    QCOMPARE(view->Table().frameCount, 3);
    QVERIFY(!f.frame.Drag().active);
    // Once the drop is done the window closes as usual, asking about the changed frames.
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceSecond);  // "저장 안 함"
    QVERIFY(child->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(alive.isNull());
}

QTEST_MAIN(tst_DragDrop)
#include "tst_dragdrop.moc"
