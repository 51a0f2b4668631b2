// The transition effects from the keyboard and the context menu: the settings sheet opens on the
// command's page and stays open on a refused value, a fade runs under its progress dialog with
// the window busy, and the overlap's wrap-around leaves the frame clipboard alone.
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <functional>

#include "GuiFixture.h"
#include "MenuDriving.h"
#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameExpansion.h"
#include "core/edit/OptimizedSave.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/EffectSettingsSheet.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

QPoint GapPoint(CAnvoView* view, int k) {
    const StripMetrics m = view->Metrics();
    return QPoint(60, m.GapTop(k) + 6 - view->verticalScrollBar()->value());
}

void ClickStrip(CAnvoView* view, const QPoint& at) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Runs `step` on the settings sheet once it is the modal window (inside its exec loop), for as
// long as the returned timer lives.
std::unique_ptr<QTimer> OnSheet(std::function<void(EffectSettingsSheet*)> step) {
    auto poll = std::make_unique<QTimer>();
    poll->setInterval(10);
    QTimer* timer = poll.get();
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* sheet = qobject_cast<EffectSettingsSheet*>(QApplication::activeModalWidget());
        if (!sheet) return;
        timer->stop();
        step(sheet);
    });
    poll->start();
    return poll;
}

void ClickButton(EffectSettingsSheet* sheet, QDialogButtonBox::StandardButton which) {
    auto* box = sheet->findChild<QDialogButtonBox*>();
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

// Replaces a field's text with typed keys.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

}  // namespace

class tst_Effects : public QObject {
    Q_OBJECT

private slots:
    void theSheetOpensOnTheCommandsPage();
    void aRefusedValueKeepsTheSheetAndItsTexts();
    void aFadeRunsUnderItsProgressDialogAndRefusesEdits();
    void theOverlapFromTheContextMenuKeepsTheFrameClipboard();
    void gapMenuEffectsTakeTheFrameBeforeTheGapAndACancelLeavesNoMark();
    void aFadeOutBeforePatchesLeavesThemLookingAsBefore();

private:
    // frames images of the fixture's GIF, or the file at path.
    CAnvoView* OpenStrip(MainFrameFixture& f, int frames, const QString& path = {}) {
        f.state.zoomPercent = 100;
        f.frame.show();
        if (!QTest::qWaitForWindowExposed(&f.frame)) return nullptr;
        CAnvoView* view = f.Open(
            path.isEmpty() ? f.MakeGif(QStringLiteral("effects.gif"), frames, 40, 30) : path);
        if (!view) return nullptr;
        view->parentWidget()->resize(300, 700);
        QApplication::setActiveWindow(&f.frame);
        view->setFocus();
        return view;
    }
};

void tst_Effects::theSheetOpensOnTheCommandsPage() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 4);
    QVERIFY(view);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Case cases[] = {{Qt::Key_I, Qt::ShiftModifier, 0},
                          {Qt::Key_O, Qt::ShiftModifier, 0},
                          {Qt::Key_I, Qt::AltModifier, 1},
                          {Qt::Key_O, Qt::AltModifier, 1},
                          {Qt::Key_V, Qt::ShiftModifier, 2}};
    for (const Case& c : cases) {
        ClickStrip(view, GapPoint(view, 2));
        QCOMPARE(view->Table().CountSelection(), -1);
        int page = -1;
        QString title;
        const auto sheetStep = OnSheet([&](EffectSettingsSheet* sheet) {
            page = sheet->Pages()->currentIndex();
            title = sheet->windowTitle();
            QCOMPARE(sheet->Pages()->tabText(0), QStringLiteral("밝기 변화"));
            QCOMPARE(sheet->Pages()->tabText(1), QStringLiteral("흩뿌리기"));
            QCOMPARE(sheet->Pages()->tabText(2), QStringLiteral("오버랩"));
            ClickButton(sheet, QDialogButtonBox::Cancel);
        });
        QApplication::setActiveWindow(&f.frame);
        view->setFocus();
        QTest::keyClick(view, c.key, c.modifiers);
        QTRY_COMPARE_WITH_TIMEOUT(page, c.page, 2000);
        QCOMPARE(title, QStringLiteral("효과 세부 설정"));
        QCOMPARE(view->Table().frameCount, 4);
    }
    // A frame command with a gap selected explains itself without the sheet.
    f.ui.asked.clear();
    QApplication::setActiveWindow(&f.frame);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_U, Qt::ShiftModifier);
    QCOMPARE(
        f.ui.Texts(),
        QStringList{QStringLiteral("선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.")});
}

void tst_Effects::aRefusedValueKeepsTheSheetAndItsTexts() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 3);
    QVERIFY(view);
    ClickStrip(view, GapPoint(view, 1));
    bool stillOpen = false;
    QString keptText;
    int pageAfterRefusal = -1;
    const auto sheetStep = OnSheet([&](EffectSettingsSheet* sheet) {
        Type(sheet->Field(0), QStringLiteral("4"));   // brightness frames: valid
        Type(sheet->Field(6), QStringLiteral("77"));  // overlap frames: too many
        ClickButton(sheet, QDialogButtonBox::Ok);
        stillOpen = sheet->isVisible();
        keptText = sheet->Field(6)->text();
        pageAfterRefusal = sheet->Pages()->currentIndex();
        ClickButton(sheet, QDialogButtonBox::Cancel);
    });
    QTest::keyClick(view, Qt::Key_V, Qt::ShiftModifier);
    QTRY_VERIFY(pageAfterRefusal >= 0);
    QVERIFY(stillOpen);
    QCOMPARE(keptText, QStringLiteral("77"));
    QCOMPARE(pageAfterRefusal, 2);
    QVERIFY(f.ui.Texts().contains(QStringLiteral("오버랩 효과의 설정 값이 잘못되었습니다.")));
    QCOMPARE(view->Table().frameCount, 3);
    QCOMPARE(f.frame.Effects().fadeFrameCount, 4);
    QCOMPARE(f.frame.Effects().overlapFrameCount, 10);
}

void tst_Effects::aFadeRunsUnderItsProgressDialogAndRefusesEdits() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 3);
    QVERIFY(view);
    ClickStrip(view, GapPoint(view, 1));  // the gap between frames 0 and 1
    QString progressTitle;
    int countInside = -1;
    bool busyInside = false;
    f.ui.onPump = [&] {
        if (countInside >= 0 || view->Table().frameCount < 8) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<WorkProgressDialog*>(w); dialog && dialog->isVisible())
                progressTitle = dialog->windowTitle();
        }
        countInside = view->Table().frameCount;
        busyInside = view->IsBusy();
        QApplication::setActiveWindow(&f.frame);
        view->setFocus();
        ClickStrip(view, FramePoint(view, 0));
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(view->Table().frameCount, countInside);
    };
    const auto sheetStep = OnSheet([&](EffectSettingsSheet* sheet) {
        Type(sheet->Field(0), QStringLiteral("12"));
        ClickButton(sheet, QDialogButtonBox::Ok);
    });
    QTest::keyClick(view, Qt::Key_I, Qt::ShiftModifier);
    f.ui.onPump = nullptr;
    QCOMPARE(progressTitle, QStringLiteral("밝기 조정"));
    QVERIFY(busyInside);
    QCOMPARE(view->Table().frameCount, 15);
    QVERIFY(f.ui.asked.empty());  // the refused keys asked nothing
    QVERIFY(view->Document().modified);
    // The source (frame 1 before) follows the twelve new frames and is selected.
    QCOMPARE(view->Table().entries[13].selected, std::uint8_t{1});
    QCOMPARE(view->Table().entries[13].delay, std::int16_t{50});
    QCOMPARE(view->Table().CountSelection(), 1);
    // One undo step takes the whole fade back.
    QVERIFY(!view->IsBusy());
    QApplication::setActiveWindow(&f.frame);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(view->Table().frameCount, 3);
}

void tst_Effects::gapMenuEffectsTakeTheFrameBeforeTheGapAndACancelLeavesNoMark() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 3);
    QVERIFY(view);
    const QString title = view->parentWidget()->windowTitle();
    auto fadeFromGapMenu = [&](bool cancel) {
        f.ui.onPump = [cancel] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<WorkProgressDialog*>(w);
                if (cancel && progress && progress->isVisible())
                    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        };
        const auto sheetStep = OnSheet([](EffectSettingsSheet* sheet) {
            Type(sheet->Field(0), QStringLiteral("4"));
            ClickButton(sheet, QDialogButtonBox::Ok);
        });
        // The gap between frames 1 and 2.
        const bool picked =
            PickFromContextMenu(view, GapPoint(view, 2), CommandId::ContextFadeInOut);
        f.ui.onPump = nullptr;
        return picked;
    };
    // Cancelled in its progress dialog: the frames, the flag and the title are as before.
    QVERIFY(fadeFromGapMenu(true));
    QCOMPARE(view->Table().frameCount, 3);
    QVERIFY(!view->Document().modified);
    QCOMPARE(view->parentWidget()->windowTitle(), title);
    // Run to its end: frame 1, the one before the gap, is the source between its four darker
    // copies on either side.
    QVERIFY(fadeFromGapMenu(false));
    QCOMPARE(view->Table().frameCount, 3 + 8);
    QCOMPARE(int(view->Table().frameImages[5].Index(0, 0)), 1);
    QCOMPARE(view->Table().entries[5].selected, std::uint8_t{1});
    QCOMPARE(view->parentWidget()->windowTitle(), title + QStringLiteral(" *"));
    // Before the first frame there is no frame to take.
    QVERIFY(
        !PickFromContextMenu(view, GapPoint(view, 0), CommandId::ContextScatterAppearDisappear));
}

void tst_Effects::aFadeOutBeforePatchesLeavesThemLookingAsBefore() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 0, WritePatchGif(f.File(QStringLiteral("patches.gif"))));
    QVERIFY(view);
    const auto before = optimized::CompositeScreens(optimized::SourceOf(view->Table()));
    ClickStrip(view, GapPoint(view, 1));               // after the first frame
    f.ui.twoChoiceAnswers.push_back(kTwoChoiceFirst);  // 펼치고 편집
    const auto sheetStep = OnSheet([](EffectSettingsSheet* sheet) {
        Type(sheet->Field(0), QStringLiteral("3"));
        ClickButton(sheet, QDialogButtonBox::Ok);
    });
    QTest::keyClick(view, Qt::Key_O, Qt::ShiftModifier);
    QCOMPARE(f.ui.asked.front().message, std::string(edit::kExpandQuestion));
    QCOMPARE(view->Table().frameCount, 3 + 3);
    const auto after = optimized::CompositeScreens(optimized::SourceOf(view->Table()));
    QVERIFY(after[0] == before[0]);
    QVERIFY2(after[4] == before[1] && after[5] == before[2], "the patches look as before");
}

void tst_Effects::theOverlapFromTheContextMenuKeepsTheFrameClipboard() {
    MainFrameFixture f;
    CAnvoView* view = OpenStrip(f, 3);
    QVERIFY(view);
    view->Table().entries[1].selected = 1;
    f.frame.Clipboard().CopySelected(view->Table());
    view->Table().ClearSelection(true, -1);
    const int clipboardDelay = f.frame.Clipboard().Entry(0).delay;

    // The gap before the first frame: the wrap-around question, answered Yes.
    f.ui.answers.push_back(ChoiceAnswer{true, 0});
    const auto sheetStep = OnSheet([&](EffectSettingsSheet* sheet) {
        Type(sheet->Field(6), QStringLiteral("2"));
        ClickButton(sheet, QDialogButtonBox::Ok);
    });
    bool picked = false;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* top : menu->actions()) {
            QMenu* sub = top->menu();
            if (!sub) continue;
            for (QAction* item : sub->actions()) {
                if (item->data().toInt() != static_cast<int>(CommandId::GapMenuOverlap)) continue;
                menu->setActiveAction(top);
                QTest::keyClick(menu, Qt::Key_Right);
                auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!open) return;
                open->setActiveAction(item);
                picked = true;
                QTest::keyClick(open, Qt::Key_Return);
                return;
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    const QPoint at = GapPoint(view, 0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QVERIFY(picked);
    QTRY_COMPARE(view->Table().frameCount, 5);
    QCOMPARE(QString::fromStdString(f.ui.asked.front().message),
             QStringLiteral("마지막 장면을 처음으로 옮기고 작업하겠습니까?"));
    QCOMPARE(f.frame.Clipboard().Count(), 1);
    QCOMPARE(f.frame.Clipboard().Entry(0).delay, clipboardDelay);
    // The former last frame leads, then the two mixes, then the former first frame.
    const FrameTable& table = view->Table();
    QCOMPARE(table.frameImages[0].PixelColor(0, 0), MakeRgb(0, 255, 0));  // index 2: green
    QCOMPARE(table.frameImages[3].PixelColor(0, 0), MakeRgb(0, 0, 0));    // index 0: black
    QVERIFY(f.ui.unexpected.empty());
}

QTEST_MAIN(tst_Effects)
#include "tst_effects.moc"
