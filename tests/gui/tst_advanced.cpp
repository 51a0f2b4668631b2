// The advanced animation effects from the Animation menu and the frame context menu, the frame
// image effects and the colour reduction wizard from the frame properties dialog: driven with
// real clicks and keys, each dialog handled from a timer while the command waits for it.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

#include "GuiFixture.h"
#include "MenuDriving.h"
#include "core/effects/AdvancedEffects.h"
#include "core/model/Settings.h"
#include "gui/commands/Commands.h"
#include "gui/dialogs/AdvancedAnimationDialog.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/dialogs/ColourReductionWizard.h"
#include "gui/dialogs/FrameImageEffectDialog.h"

using namespace vorla;
using namespace vorla::guitest;

namespace {

// Runs `act` on the first visible top-level T, polling from the event loop that is running then
// (the command's own wait or a modal dialog's).
template <typename T>
void WhenShown(QObject* context, std::function<void(T*)> act, bool* done) {
    auto* timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act, done] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(dialog);
                if (done) *done = true;
                return;
            }
        }
    });
    timer->start();
}

// Opens the menu bar's "애니메이션" menu and picks the item of `id` with Return.
bool PickFromAnimationMenu(CMainFrame& frame, CommandId id) {
    QAction* top = nullptr;
    for (QAction* a : frame.menuBar()->actions()) {
        if (a->text().startsWith(QStringLiteral("애니메이션"))) top = a;
    }
    if (!top || !top->menu()) return false;
    QAction* item = frame.Action(id);
    if (!item || !item->isEnabled()) return false;
    frame.menuBar()->setActiveAction(top);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!popup) return false;
    popup->setActiveAction(item);
    QTest::keyClick(popup, Qt::Key_Return);
    return true;
}

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// A GIF of one w x h image over `colours` colours of a 256-entry table (a ramp).
QString ColourfulGif(MainFrameFixture& f, const QString& name, int colours, int w, int h) {
    std::vector<test::Rgb> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>((i * 5) % 256),
                           static_cast<std::uint8_t>(255 - i)});
    }
    test::Bytes pixels(static_cast<std::size_t>(w * h));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>((i * 7 + i / 13) % static_cast<std::size_t>(colours));
    }
    test::GifBuilder gif;
    gif.Screen(w, h, palette);
    gif.Control(1, 10);
    gif.Image(0, 0, w, h, pixels);
    gif.Trailer();
    return f.Write(name, gif.Get());
}

}  // namespace

class tst_Advanced : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theDialogShowsTheKindsAndRemembersTheChoice();
    void theContextMenuFormRunsTheEffect();
    void theWizardClosesOnEscapeOnlyWhenIdle();
    void imageEffectsPreviewLiveAndCancelRestores();

private:
    std::unique_ptr<MainFrameFixture> f;
    CAnvoView* view = nullptr;
};

void tst_Advanced::init() {
    f = std::make_unique<MainFrameFixture>();
    f->state.zoomPercent = 100;
    f->frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f->frame));
    view = f->Open(f->MakeGif(QStringLiteral("five.gif"), 5, 40, 30));
    QVERIFY(view);
    view->parentWidget()->resize(300, 700);
    view->setFocus();
}

void tst_Advanced::cleanup() {
    if (view && view->FrameDialogIsOpen()) view->EndFrameDialog(false);
    for (CAnvoView* v : f->frame.Views()) v->Document().modified = false;
    f.reset();
    view = nullptr;
}

void tst_Advanced::theDialogShowsTheKindsAndRemembersTheChoice() {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 1));
    QCOMPARE(view->Table().CountSelection(), 1);
    f->frame.UpdateCommandStates();

    bool seen = false;
    WhenShown<AdvancedAnimationDialog>(
        this,
        [&](AdvancedAnimationDialog* dialog) {
            QListWidget* kinds = dialog->KindList();
            QStringList names;
            for (int i = 0; i < kinds->count(); ++i) names << kinds->item(i)->text();
            QCOMPARE(names, QStringList({"밝기", "모자이크", "노이즈", "흐리기", "콘트라스트",
                                         "미디안 필터", "회전", "색조 변경", "특정색에 근접하기",
                                         "크기 변화"}));
            QCOMPARE(dialog->FromEdit()->text(), QStringLiteral("2"));
            QCOMPARE(dialog->ToEdit()->text(), QStringLiteral("5"));
            QVERIFY(!dialog->FromEdit()->isEnabled());
            QVERIFY(dialog->CountEdit()->isEnabled());
            for (int i = 0; i < kinds->count(); ++i) {
                QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {},
                                  kinds->visualItemRect(kinds->item(i)).center());
                QCOMPARE(kinds->currentRow(), i);
                QCOMPARE(dialog->Warning()->isVisible(), i == 1 || i == 3);
                QCOMPARE(dialog->FirstEdit(3)->isVisible(), i == 8);
            }
            // 특정색에 근접하기: four rows with their labels and defaults.
            QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {},
                              kinds->visualItemRect(kinds->item(8)).center());
            QCOMPARE(dialog->FirstLabel(0)->text(), QStringLiteral("근접도"));
            QCOMPARE(dialog->FirstLabel(3)->text(), QStringLiteral("근접할 색의 B 요소"));
            QCOMPARE(dialog->LastEdit(2)->text(), QStringLiteral("128"));
            // Typing past a range is clamped; OK refuses a count of 1.
            TypeInto(dialog->FirstEdit(1), QStringLiteral("999"));
            QCOMPARE(dialog->FirstEdit(1)->text(), QStringLiteral("255"));
            TypeInto(dialog->CountEdit(), QStringLiteral("1"));
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
            QVERIFY(dialog->isVisible());
            QCOMPARE(f->ui.asked.back().message,
                     std::string("애니메이션 프레임 수는 1보다 커야 합니다."));
            TypeInto(dialog->CountEdit(), QStringLiteral("3"));
            TypeInto(dialog->FirstEdit(0), QStringLiteral("1000"));
            f->ui.answers.push_back({true, 2});
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        },
        &seen);
    QVERIFY(PickFromAnimationMenu(f->frame, CommandId::AnimationAdvancedEffect));
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!view->IsBusy());
    QCOMPARE(view->Table().frameCount, 7);  // frame 2 became three frames
    QVERIFY(view->Document().modified);
    QCOMPARE(view->Table().entries[1].restoreBackground, std::uint8_t{1});
    QCOMPARE(view->Table().entries[3].delay, std::int16_t{5});
    QCOMPARE(ReadIntSetting(f->ui, f->state.GeneralIni(), "initialframeEffectkind"), 8);

    // Reopened, the stored kind comes back; Cancel changes nothing.
    bool again = false;
    WhenShown<AdvancedAnimationDialog>(
        this,
        [&](AdvancedAnimationDialog* dialog) {
            QCOMPARE(dialog->KindList()->currentRow(), 8);
            QVERIFY(dialog->FirstEdit(3)->isVisible());
            QTest::keyClick(dialog, Qt::Key_Escape);
        },
        &again);
    view->Table().ClearSelection(true, -1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, FramePoint(view, 0));
    f->frame.UpdateCommandStates();
    QVERIFY(PickFromAnimationMenu(f->frame, CommandId::AnimationAdvancedEffect));
    QTRY_VERIFY(again);
    QTRY_VERIFY(!view->IsBusy());
    QCOMPARE(view->Table().frameCount, 7);
}

void tst_Advanced::theContextMenuFormRunsTheEffect() {
    bool seen = false;
    WhenShown<AdvancedAnimationDialog>(
        this,
        [&](AdvancedAnimationDialog* dialog) {
            QVERIFY(dialog->ExistingRadio()->isEnabled());
            QTest::mouseClick(dialog->ExistingRadio(), Qt::LeftButton);
            QVERIFY(dialog->ToEdit()->isEnabled());
            QVERIFY(!dialog->CountEdit()->isEnabled());
            TypeInto(dialog->FromEdit(), QStringLiteral("0"));
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
            QCOMPARE(f->ui.asked.back().message, std::string("프레임 번호 입력이 잘못되었습니다."));
            TypeInto(dialog->FromEdit(), QStringLiteral("2"));
            TypeInto(dialog->ToEdit(), QStringLiteral("4"));
            f->ui.answers.push_back({true, 0});
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        },
        &seen);
    const QPoint at = FramePoint(view, 2);
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QMenu* owner = nullptr;
        QAction* item = FindItem(menu, CommandId::FrameMenuAdvancedEffect, &owner);
        QVERIFY(item && item->isEnabled());
        menu->setActiveAction(owner->menuAction());
        QTest::keyClick(menu, Qt::Key_Right);
        owner = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(owner);
        owner->setActiveAction(item);
        QTest::keyClick(owner, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QTRY_VERIFY(seen);
    QTRY_VERIFY(!view->IsBusy());
    QCOMPARE(view->Table().frameCount, 5);
    QVERIFY(view->Document().modified);
    QVERIFY2(view->Table().entries[0].delay == 10, "outside the range");
}

void tst_Advanced::theWizardClosesOnEscapeOnlyWhenIdle() {
    CAnvoView* rich = f->Open(ColourfulGif(*f, QStringLiteral("rich.gif"), 40, 60, 40));
    QVERIFY(rich);
    rich->OpenFrameDialog(0);
    CFramePropertiesDialog* properties = rich->FrameDialog();
    QVERIFY(properties);
    QPushButton* reduce = nullptr;
    for (QPushButton* b : properties->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("줄이기..")) reduce = b;
    }
    QVERIFY(reduce && reduce->isEnabled());
    const CDib before = rich->Table().frameImages[0];

    // First opening: Escape while idle closes it, and the frame is as it was.
    bool first = false;
    WhenShown<ColourReductionWizard>(
        this,
        [&](ColourReductionWizard* wizard) {
            QCOMPARE(wizard->CurrentCount(), 40);
            QVERIFY(wizard->TargetButton(3)->isEnabled());   // 31색
            QVERIFY(!wizard->TargetButton(4)->isEnabled());  // 63색
            QVERIFY(!wizard->OkButton()->isEnabled());
            QTest::keyClick(wizard, Qt::Key_Escape);
        },
        &first);
    QTest::mouseClick(reduce, Qt::LeftButton);
    QTRY_VERIFY(first);
    QCOMPARE(rich->Table().frameImages[0], before);

    // Second: Escape and the close box during the work do nothing; the run ends at 31 colours,
    // the restore button gives the frame back exactly; then Escape closes without keeping.
    bool second = false;
    int escapesWhileWorking = 0;
    WhenShown<ColourReductionWizard>(
        this,
        [&](ColourReductionWizard* wizard) {
            wizard->onStep = [&, wizard] {
                if (!wizard->Working()) return;
                QCOMPARE(wizard->StatusLabel()->text(),
                         QStringLiteral("31색으로 줄이는 중입니다.."));
                QVERIFY(wizard->StopButton()->isVisible());
                QVERIFY(!wizard->OkButton()->isVisible());
                QTest::keyClick(wizard, Qt::Key_Escape);
                wizard->close();
                QVERIFY(wizard->isVisible());
                ++escapesWhileWorking;
            };
            QTest::mouseClick(wizard->TargetButton(3), Qt::LeftButton);
            QCOMPARE(escapesWhileWorking, 9);
            QCOMPARE(wizard->CurrentCount(), 31);
            QVERIFY(wizard->OkButton()->isEnabled());
            QCOMPARE(wizard->RestoreButton()->text(), QStringLiteral("원래 색상 수(40)로"));
            QVERIFY(rich->Table().frameImages[0] != before);
            QTest::mouseClick(wizard->RestoreButton(), Qt::LeftButton);
            QCOMPARE(rich->Table().frameImages[0], before);
            QCOMPARE(wizard->CurrentCount(), 40);
            // "작업 중지" ends the run after the step in progress.
            int steps = 0;
            wizard->onStep = [&, wizard] {
                if (++steps == 3) QTest::mouseClick(wizard->StopButton(), Qt::LeftButton);
            };
            QTest::mouseClick(wizard->TargetButton(2), Qt::LeftButton);  // 15색
            QCOMPARE(steps, 3);
            QCOMPARE(wizard->CurrentCount(), 37);
            QVERIFY(!wizard->Working());
            QVERIFY(wizard->OkButton()->isVisible());
            wizard->onStep = nullptr;
            QTest::keyClick(wizard, Qt::Key_Escape);
        },
        &second);
    QTest::mouseClick(reduce, Qt::LeftButton);
    QTRY_VERIFY(second);
    QVERIFY2(rich->Table().frameImages[0] == before, "Escape does not keep the reduction");
    rich->EndFrameDialog(false);
    rich->Document().modified = false;
}

void tst_Advanced::imageEffectsPreviewLiveAndCancelRestores() {
    view->OpenFrameDialog(1);
    CFramePropertiesDialog* properties = view->FrameDialog();
    QVERIFY(properties);
    QPushButton* effects = nullptr;
    for (QPushButton* b : properties->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("고급 효과..")) effects = b;
    }
    QVERIFY(effects && effects->isEnabled());
    const CDib image = view->Table().frameImages[1];
    const FrameEntry entry = view->Table().entries[1];
    WriteIntSetting(f->ui, f->state.GeneralIni(), "initialframeEffectkind", 0);

    bool seen = false;
    WhenShown<FrameImageEffectDialog>(
        this,
        [&](FrameImageEffectDialog* dialog) {
            QCOMPARE(dialog->KindList()->currentRow(), 0);
            QCOMPARE(dialog->Label(0)->text(), QStringLiteral("밝기"));
            dialog->Slider(0)->setValue(-1000);
            QTRY_VERIFY(dialog->PreviewsRun() >= 1);
            QCOMPARE(view->Table().frameImages[1].PaletteColor(1), MakeRgb(0, 0, 0));
            // A burst of slider moves is one preview, of the last value.
            const int before = dialog->PreviewsRun();
            for (int v = -900; v <= 0; v += 100) dialog->Slider(0)->setValue(v);
            QTRY_COMPARE(dialog->PreviewsRun(), before + 1);
            QVERIFY2(view->Table().frameImages[1] == image, "0 gives the palette back exactly");
            dialog->Slider(0)->setValue(500);
            QTRY_VERIFY(view->Table().frameImages[1] != image);
            QTest::keyClick(dialog, Qt::Key_Escape);
        },
        &seen);
    QTest::mouseClick(effects, Qt::LeftButton);
    QTRY_VERIFY(seen);
    QCOMPARE(view->Table().frameImages[1], image);
    QCOMPARE(view->Table().entries[1], entry);
    QVERIFY(view->Table().frameImages[effects::kBaseSlot].IsEmpty());
    view->EndFrameDialog(false);
}

QTEST_MAIN(tst_Advanced)
#include "tst_advanced.moc"
