// The frame strip with a loaded GIF, driven by real mouse and key events: clicks, Ctrl and Shift,
// the drag threshold, arrow keys, the context menus and the delete question.
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>

#include "GuiFixture.h"
#include "MenuDriving.h"
#include "core/edit/FrameExpansion.h"
#include "core/edit/Selection.h"
#include "gui/commands/Commands.h"

using namespace vorla;
using namespace vorla::guitest;

class tst_Strip : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clicksSelectAndCtrlToggles();
    void shiftExtendsBothWays();
    void shortDragStaysAClick();
    void arrowKeysMoveBetweenFramesAndGaps();
    void oneFrameMenuHasNoMergeWithPrevious();
    void deleteAsksWithTheCount();
    void zoomStopsAtItsLimits();
    void previewShowsTheCompositeWithRestoredBackground();
    void paintedCopiesStayWithinTheirBound();
    void delaysAboveHalfTheRangePlayLong();
    void theFrameTooltipNamesItsOptimisedBytes();
    void expandingFromTheContextMenuIsOneUndoStep();

private:
    QPoint FramePoint(int k) const {
        const StripMetrics m = view_->Metrics();
        return QPoint(50 + m.displayWidth / 2,
                      m.ImageTop(k) + m.displayHeight / 2 - view_->verticalScrollBar()->value());
    }
    QPoint GapPoint(int k) const {
        const StripMetrics m = view_->Metrics();
        return QPoint(60, m.GapTop(k) + 6 - view_->verticalScrollBar()->value());
    }
    void Click(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        view_->verticalScrollBar()->setValue(std::max(0, view_->Metrics().ImageTop(k) - 100));
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, mods, FramePoint(k));
    }

    std::unique_ptr<MainFrameFixture> f_;
    CAnvoView* view_ = nullptr;
};

void tst_Strip::init() {
    f_ = std::make_unique<MainFrameFixture>();
    f_->state.zoomPercent = 100;
    f_->frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f_->frame));
    view_ = f_->Open(f_->MakeGif(QStringLiteral("strip.gif"), 6, 60, 40));
    QVERIFY(view_);
    view_->parentWidget()->resize(400, 600);
    QCOMPARE(view_->Table().frameCount, 6);
}

void tst_Strip::cleanup() {
    view_ = nullptr;
    f_.reset();
}

void tst_Strip::clicksSelectAndCtrlToggles() {
    Click(2);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..X..."));
    Click(4, Qt::ControlModifier);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..X.X."));
    Click(4, Qt::ControlModifier);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..X..."));
    Click(0, Qt::ControlModifier);
    Click(3, Qt::ControlModifier);
    Click(3);
    QCOMPARE(Marks(view_->Table()),
             QStringLiteral("...X.."));  // "a plain click leaves only that frame"
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::NoModifier, GapPoint(3));
    QCOMPARE(Marks(view_->Table()), QStringLiteral("...|..."));
}

void tst_Strip::shiftExtendsBothWays() {
    Click(1);
    Click(4, Qt::ShiftModifier);
    QCOMPARE(Marks(view_->Table()), QStringLiteral(".XXXX."));
    Click(5);
    Click(2, Qt::ShiftModifier);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..XXXX"));
}

void tst_Strip::shortDragStaysAClick() {
    Click(2);
    Click(1, Qt::ControlModifier);
    QWidget* port = view_->viewport();
    const QPoint start = FramePoint(1);
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(0, 25),
                     port->mapToGlobal(start + QPoint(0, 25)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(port, &move);
    QVERIFY(!f_->frame.Drag().active);
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, 25));
    QCOMPARE(Marks(view_->Table()), QStringLiteral(".X...."));  // "25 pixels: still a click"

    Click(2, Qt::ControlModifier);
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent far(QEvent::MouseMove, start + QPoint(0, 26),
                    port->mapToGlobal(start + QPoint(0, 26)), Qt::NoButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(port, &far);
    QVERIFY(f_->frame.Drag().active);
    QCOMPARE(f_->frame.Clipboard().Count(), 2);  // "the dragged frames wait in the frame clipboard"
    QVERIFY(f_->frame.Drag().canMove);
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, 26));
    QVERIFY(!f_->frame.Drag().active);
}

void tst_Strip::arrowKeysMoveBetweenFramesAndGaps() {
    Click(2);
    view_->setFocus();
    QTest::keyClick(&f_->frame, Qt::Key_Down);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("...X.."));
    QTest::keyClick(&f_->frame, Qt::Key_Left);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("...|..."));
    QTest::keyClick(&f_->frame, Qt::Key_Left);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..|...."));
    QTest::keyClick(&f_->frame, Qt::Key_Up);
    QCOMPARE(Marks(view_->Table()), QStringLiteral(".X...."));
    QTest::keyClick(&f_->frame, Qt::Key_Right);
    QCOMPARE(Marks(view_->Table()), QStringLiteral("..|...."));
    for (int i = 0; i < 6; ++i) QTest::keyClick(&f_->frame, Qt::Key_Down);
    QCOMPARE(Marks(view_->Table()), QStringLiteral(".....X"));  // "down stops at the last frame"
    QVERIFY(view_->verticalScrollBar()->value() > 0);           // "the strip scrolled to it"
}

void tst_Strip::oneFrameMenuHasNoMergeWithPrevious() {
    MainFrameFixture single;
    const QString bmp = single.File(QStringLiteral("one.bmp"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(bmp));
    CAnvoView* view = single.Open(bmp);
    QVERIFY(view);
    std::unique_ptr<QMenu> menu =
        single.frame.ContextMenuFor(view, HitResult{0, HitResult::kFrame, false, 40});
    bool found = false;
    for (QAction* action : menu->findChildren<QAction*>()) {
        if (action->text() == QStringLiteral("앞 프레임과 합치기")) {
            found = true;
            QVERIFY(!action->isEnabled());
        }
        if (action->text() == QStringLiteral("삭제(&D)"))
            QVERIFY(!action->isEnabled());  // the only frame
    }
    QVERIFY(found);
}

void tst_Strip::deleteAsksWithTheCount() {
    Click(0);
    Click(2, Qt::ControlModifier);
    Click(5, Qt::ControlModifier);
    view_->setFocus();
    f_->ui.answers.push_back({false, 0});
    QTest::keyClick(&f_->frame, Qt::Key_Delete);
    QCOMPARE(f_->ui.asked.back().title, std::string("프레임 삭제"));
    QCOMPARE(f_->ui.asked.back().message, std::string("3개 프레임을 삭제하시겠습니까?"));
    QCOMPARE(view_->Table().frameCount, 6);
    f_->ui.answers.push_back({true, 0});
    QTest::keyClick(&f_->frame, Qt::Key_Delete);
    QCOMPARE(view_->Table().frameCount, 3);
    QVERIFY(view_->Document().modified);
}

void tst_Strip::zoomStopsAtItsLimits() {
    f_->state.zoomPercent = 98;
    f_->frame.Dispatch(CommandId::ZoomIn);
    QCOMPARE(f_->state.zoomPercent, 100);
    QVERIFY(!f_->frame.Action(CommandId::ZoomIn)->isEnabled());
    f_->state.zoomPercent = 10;
    f_->frame.Dispatch(CommandId::ZoomOut);
    QCOMPARE(f_->state.zoomPercent, 5);
    QVERIFY(!f_->frame.Action(CommandId::ZoomOut)->isEnabled());
    QCOMPARE(view_->Table().displayWidth, 3);
    QCOMPARE(view_->Table().displayImages[0].Width(), 3);
}

void tst_Strip::previewShowsTheCompositeWithRestoredBackground() {
    // Frame 0 restores to background and covers the left half; frame 1 covers the right half.
    MainFrameFixture g;
    test::GifBuilder gif;
    gif.Screen(20, 10, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}});
    gif.Control(2, 10).Image(0, 0, 10, 10, test::Bytes(100, 1), false, {}, 2);
    gif.Control(1, 10).Image(10, 0, 10, 10, test::Bytes(100, 2), false, {}, 2);
    gif.Trailer();
    CAnvoView* view = g.Open(g.Write(QStringLiteral("dispose.gif"), gif.Get()));
    QVERIFY(view);
    QImage canvas(40, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    // Frame 1 current: frame 0's area shows the background, not red.
    while (view->PlaybackFrame() != 1) view->WakePlayback(), QTest::qWait(5);
    view->DrawComposite(painter, 0, 0, true, QColor(200, 200, 200));
    painter.end();
    QCOMPARE(canvas.pixelColor(5, 5), QColor(200, 200, 200));
    QCOMPARE(canvas.pixelColor(15, 5), QColor(0, 0, 255));
}

void tst_Strip::paintedCopiesStayWithinTheirBound() {
    // 300 frames of 320 x 240: their ARGB copies would take 92 MB.
    CAnvoView* big = f_->Open(f_->MakeGif(QStringLiteral("big.gif"), 300, 320, 240, 1));
    QVERIFY(big);
    QCOMPARE(big->Table().frameCount, 300);
    big->parentWidget()->resize(500, 900);
    big->setFocus();
    const FrameImageCache& cache = big->StripImageCache();
    std::size_t most = 0;
    auto watch = [&] {
        most = std::max(most, cache.Bytes());
        QVERIFY2(
            cache.Bytes() <= cache.Budget() || cache.Count() <= FrameImageCache::kMinEntries,
            qPrintable(
                QStringLiteral("%1 bytes in %2 copies").arg(cache.Bytes()).arg(cache.Count())));
    };
    // Play the whole animation (delays of 1/100 s) while scrolling through the strip.
    QScrollBar* bar = big->verticalScrollBar();
    QSignalSpy shown(big, &CAnvoView::frameShown);
    for (int step = 0; step < 400 && (shown.count() < 320 || bar->value() < bar->maximum());
         ++step) {
        bar->setValue(std::min(bar->maximum(), bar->value() + bar->maximum() / 150 + 1));
        big->viewport()->repaint();
        QTest::qWait(10);
        watch();
    }
    QVERIFY2(shown.count() >= 300, qPrintable(QString::number(shown.count())));
    QCOMPARE(bar->value(), bar->maximum());
    // Zoomed out far, many small rows fit; zoomed in again, the big ones come back.
    for (CommandId id : {CommandId::ZoomOut, CommandId::ZoomOut, CommandId::ZoomOut,
                         CommandId::ZoomIn, CommandId::ZoomIn, CommandId::ZoomIn}) {
        f_->frame.Dispatch(id);
        for (int y = 0; y <= bar->maximum(); y += std::max(1, bar->maximum() / 20)) {
            bar->setValue(y);
            big->viewport()->repaint();
            watch();
        }
    }
    QVERIFY(most > 0);
    QVERIFY(most <= cache.Budget());
}

void tst_Strip::delaysAboveHalfTheRangePlayLong() {
    // GIF delays are unsigned 16-bit: 40000/100 s is over six minutes, not a negative wait.
    CAnvoView* slow = f_->Open(f_->MakeGif(QStringLiteral("slow.gif"), 3, 20, 10, 40000));
    QVERIFY(slow);
    QSignalSpy shown(slow, &CAnvoView::frameShown);
    QTest::qWait(400);
    QVERIFY2(shown.count() <= 1, qPrintable(QString::number(shown.count())));
}

void tst_Strip::theFrameTooltipNamesItsOptimisedBytes() {
    QTRY_VERIFY_WITH_TIMEOUT(view_->ByteCosts().Known(), 10000);
    QApplication::setActiveWindow(&f_->frame);
    view_->setFocus();
    // The pointer rests on frame 2: after its rest the tooltip explains the figure on the row.
    QCursor::setPos(view_->viewport()->mapToGlobal(FramePoint(1)));
    QTest::mouseMove(view_->viewport(), FramePoint(1));
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 5000);
    QVERIFY2(QToolTip::text().endsWith(
                 QStringLiteral("최적화하여 저장한 파일에서 이 프레임의 크기(추정): 약 %1 bytes")
                     .arg(view_->ByteCosts().Cost(1))),
             qPrintable(QToolTip::text()));

    // A change of one frame's delay makes the figures of that frame and the next again, no more.
    QSignalSpy made(&view_->ByteCosts(), &FrameByteCosts::Changed);
    view_->Table().entries[2].delay = 77;
    view_->Invalidate();
    QTRY_VERIFY_WITH_TIMEOUT(made.count() >= 2 && view_->ByteCosts().Cost(3) >= 0, 10000);
    QVERIFY2(view_->ByteCosts().LastCompressed() <= 3,
             qPrintable(QString::number(view_->ByteCosts().LastCompressed())));
}
void tst_Strip::expandingFromTheContextMenuIsOneUndoStep() {
    CAnvoView* view = f_->Open(WritePatchGif(f_->File(QStringLiteral("patch.gif"))));
    QVERIFY(view);
    view->setFocus();
    QTRY_COMPARE(f_->frame.ActiveView(), view);
    const FrameTable& table = view->Table();
    const std::vector<CDib> images(table.frameImages.begin(), table.frameImages.begin() + 3);
    const std::vector<FrameEntry> entries(table.entries.begin(), table.entries.begin() + 3);
    const StripMetrics m = view->Metrics();
    auto point = [&](int k) {
        return QPoint(60, m.ImageTop(k) + m.displayHeight / 2 - view->verticalScrollBar()->value());
    };
    // Delete on a patch file asks first; the default answer expands and deletes as one step.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point(0));
    f_->ui.twoChoiceAnswers.push_back(kTwoChoiceFirst);
    f_->ui.answers.push_back({true, 0});  // the delete question
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(f_->ui.asked.at(f_->ui.asked.size() - 2).message, std::string(edit::kExpandQuestion));
    QCOMPARE(table.frameCount, 2);
    QCOMPARE(int(table.frameImages[0].Index(0, 0)), 1);  // the first frame around the patch
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    for (std::size_t k = 0; k < 3; ++k) {
        FrameEntry back = table.entries[k];
        back.selected = entries[k].selected;  // the click selected
        QVERIFY(table.frameImages[k] == images[k] && back == entries[k]);
    }
    // From the frame menu: the frame becomes the whole screen it shows.
    QVERIFY(PickFromContextMenu(view, point(1), CommandId::ExpandFrames));
    QCOMPARE(QSize(table.entries[1].width, table.entries[1].height), QSize(40, 30));
    QCOMPARE(int(table.frameImages[1].Index(0, 0)), 1);
}

QTEST_MAIN(tst_Strip)
#include "tst_strip.moc"
