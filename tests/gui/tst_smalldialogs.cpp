// The notice, the two-choice question, the colour chooser and the number dialog, driven through
// their real widgets on the offscreen platform.
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "MenuDriving.h"
#include "core/port/UserInterface.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/CMyColorDialog.h"
#include "gui/dialogs/NoticeDialog.h"
#include "gui/dialogs/NumberDialog.h"
#include "gui/dialogs/TwoChoiceDialog.h"

using namespace vorla;

namespace {

NoticeDialog* VisibleNotice() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* notice = qobject_cast<NoticeDialog*>(widget);
        if (notice && notice->isVisible()) return notice;
    }
    return nullptr;
}

// Shows a notice through the port and reports how long the call took and which texts were seen
// on screen meanwhile (looked at every 20 ms).
struct NoticeRun {
    qint64 elapsed = 0;
    QStringList seen;
    bool hadButtons = false;
    bool frameless = false;
};

NoticeRun RunNotice(QtUserInterface& ui, const QString& text, int milliseconds) {
    NoticeRun run;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        NoticeDialog* notice = VisibleNotice();
        if (!notice) return;
        if (!run.seen.contains(notice->Text())) run.seen.append(notice->Text());
        for (QPushButton* button : notice->findChildren<QPushButton*>()) {
            run.hadButtons = run.hadButtons || button->isVisible();
        }
        run.frameless = notice->windowFlags().testFlag(Qt::FramelessWindowHint);
    });
    probe.start();
    QElapsedTimer clock;
    clock.start();
    ui.ShowNotice(text.toStdString(), milliseconds, 1);
    run.elapsed = clock.elapsed();
    return run;
}

NumberRequest DuplicateRequest(int frameCount) {
    NumberRequest request;
    request.title = "같은 프레임 여러 장 만들기";
    request.fields[0].label = "새로 추가될 프레임 수";
    request.fields[0].minimum = 1;
    request.fields[0].maximum = 300 - frameCount;
    // Assigned as a string: a plain char* assignment trips a false GCC 12 -Wrestrict warning.
    request.fields[0].value = std::string("1");
    request.fields[0].clampWhileTyping = true;
    return request;
}

// Presses the button act returns on the next modal dialog once it is up.
template <typename Dialog>
void WhenModal(QTimer& timer, std::function<QAbstractButton*(Dialog&)> act) {
    guitest::WhenModal<Dialog>(timer, [act](Dialog& dialog) {
        if (QAbstractButton* button = act(dialog)) QTest::mouseClick(button, Qt::LeftButton);
    });
}

}  // namespace

class tst_SmallDialogs : public QObject {
    Q_OBJECT

private slots:
    void noticeClosesAfterItsTimeAndIsNotRepeatedWithin800ms();
    void aNoticeLeavesOnTimeWhileADialogOpenedInsideItWaits();
    void twoChoiceMaskDisablesAnswersAndButtonsGiveTheirResults();
    void numberDialogClampsWhileTypingAndHidesDisabledRows();
    void numberDialogFillsTheComboAndReturnsTheEnteredTexts();
    void colourChooserShowsTheCaptionAndKeepsItsColourOnCancel();
};

void tst_SmallDialogs::noticeClosesAfterItsTimeAndIsNotRepeatedWithin800ms() {
    QtUserInterface ui;
    NoticeRun first = RunNotice(ui, QStringLiteral("3번 프레임을 클립보드에 저장했습니다."), 300);
    QVERIFY2(first.elapsed >= 300,
             qPrintable(QStringLiteral("have %1 ms, want >= 300").arg(first.elapsed)));
    QCOMPARE(first.seen, QStringList{QStringLiteral("3번 프레임을 클립보드에 저장했습니다.")});
    QVERIFY(!first.hadButtons);
    QVERIFY(first.frameless);
    QVERIFY2(!VisibleNotice(), "the notice must close itself");

    NoticeRun repeat = RunNotice(ui, QStringLiteral("3번 프레임을 클립보드에 저장했습니다."), 300);
    QVERIFY2(repeat.elapsed < 150,
             qPrintable(QStringLiteral("repeat took %1 ms, want at once").arg(repeat.elapsed)));
    QVERIFY(repeat.seen.isEmpty());

    NoticeRun other = RunNotice(ui, QStringLiteral("클립보드에 이미지 데이터가 없습니다."), 100);
    QCOMPARE(other.seen, QStringList{QStringLiteral("클립보드에 이미지 데이터가 없습니다.")});
    QVERIFY(other.elapsed >= 100);

    // The rule is process-wide: another user interface is held back by the same last notice.
    QtUserInterface second;
    QVERIFY(RunNotice(second, QStringLiteral("클립보드에 이미지 데이터가 없습니다."), 100)
                .seen.isEmpty());
    QTest::qWait(820);
    QCOMPARE(
        RunNotice(second, QStringLiteral("클립보드에 이미지 데이터가 없습니다."), 50).seen.size(),
        1);
}

void tst_SmallDialogs::aNoticeLeavesOnTimeWhileADialogOpenedInsideItWaits() {
    QtUserInterface ui;
    bool noticeGoneWhileDialogUp = false;
    bool dialogRan = false;
    // A queued call runs inside the notice's wait and opens a modal dialog that stays 400 ms.
    QTimer::singleShot(20, [&] {
        QDialog dialog;
        QTimer::singleShot(250, &dialog,
                           [&] { noticeGoneWhileDialogUp = VisibleNotice() == nullptr; });
        QTimer::singleShot(400, &dialog, &QDialog::accept);
        dialog.exec();
        dialogRan = true;
    });
    QElapsedTimer clock;
    clock.start();
    ui.ShowNotice("프레임을 이동했습니다.", 100, 1);
    QVERIFY(dialogRan);
    QVERIFY2(clock.elapsed() >= 400, "the wait returns only after the inner dialog");
    QVERIFY2(noticeGoneWhileDialogUp, "the notice must leave the screen after its 100 ms");
    QVERIFY(!VisibleNotice());
}

void tst_SmallDialogs::twoChoiceMaskDisablesAnswersAndButtonsGiveTheirResults() {
    TwoChoiceDialog dialog;
    dialog.title = QStringLiteral("드래그 & 드롭");
    dialog.message = QStringLiteral("2개의 프레임으로 교체하겠습니까?");
    dialog.firstLabel = QStringLiteral("이동");
    dialog.secondLabel = QStringLiteral("복사");
    dialog.disableMask = QStringLiteral("OX");
    dialog.open();
    auto* first = dialog.findChild<QPushButton*>("button1098");
    auto* second = dialog.findChild<QPushButton*>("button1099");
    auto* cancel = dialog.findChild<QPushButton*>("cancelButton");
    QCOMPARE(dialog.windowTitle(), QStringLiteral("드래그 & 드롭"));
    QCOMPARE(dialog.findChild<QLabel*>("message1100")->text(), dialog.message);
    QCOMPARE(first->text(), QStringLiteral("이동"));
    QCOMPARE(second->text(), QStringLiteral("복사"));
    QCOMPARE(cancel->text(), QStringLiteral("취소"));
    QVERIFY(first->isEnabled() && !second->isEnabled() && cancel->isEnabled());
    QTest::mouseClick(second, Qt::LeftButton);
    QVERIFY2(dialog.isVisible(), "a disabled answer must not end the dialog");
    QVERIFY(dialog.close());  // the close box
    QCOMPARE(dialog.result, kTwoChoiceCancel);

    dialog.disableMask = QStringLiteral("XO");
    dialog.open();
    QVERIFY(!first->isEnabled() && second->isEnabled());
    QTest::mouseClick(second, Qt::LeftButton);
    QCOMPARE(dialog.result, kTwoChoiceSecond);

    // Through the port: each button gives its number.
    QtUserInterface ui;
    for (const int press : {kTwoChoiceFirst, kTwoChoiceSecond, kTwoChoiceCancel}) {
        QTimer timer;
        QString title;
        WhenModal<TwoChoiceDialog>(timer, [&](TwoChoiceDialog& shown) -> QAbstractButton* {
            title = shown.windowTitle();
            const char* name = press == kTwoChoiceFirst    ? "button1098"
                               : press == kTwoChoiceSecond ? "button1099"
                                                           : "cancelButton";
            return shown.findChild<QPushButton*>(name);
        });
        QCOMPARE(ui.AskTwoChoice("3개의 프레임을 첨가하겠습니까?", "드래그 & 드롭", "이동", "복사",
                                 "OO"),
                 press);
        QCOMPARE(title, QStringLiteral("드래그 & 드롭"));
    }
}

void tst_SmallDialogs::numberDialogClampsWhileTypingAndHidesDisabledRows() {
    NumberDialog dialog;
    dialog.request = DuplicateRequest(10);
    dialog.open();
    auto* edit = dialog.findChild<QLineEdit*>("edit1171");
    QCOMPARE(dialog.windowTitle(), QStringLiteral("같은 프레임 여러 장 만들기"));
    QCOMPARE(dialog.findChild<QLabel*>("label1173")->text(),
             QStringLiteral("새로 추가될 프레임 수"));
    QCOMPARE(dialog.findChild<QLabel*>("range1175")->text(), QStringLiteral("(1-290)"));
    for (const char* name : {"label1174", "edit1172", "range1176", "label1177", "combo1186"}) {
        QWidget* widget = dialog.findChild<QWidget*>(name);
        QVERIFY2(!widget->isVisible() && !widget->isEnabled(), name);
    }
    QCOMPARE(dialog.focusWidget(), edit);
    QCOMPARE(edit->selectedText(), QStringLiteral("1"));

    QTest::keyClicks(edit, "0");  // replaces the selected "1"
    QCOMPARE(edit->text(), QStringLiteral("1"));
    QCOMPARE(edit->selectedText(), QStringLiteral("1"));
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "00");
    QCOMPARE(edit->text(), QStringLiteral("100"));  // within the range: kept as typed
    QTest::keyClicks(edit, "0");
    QCOMPARE(edit->text(), QStringLiteral("290"));
    QTest::keyClicks(edit, "7");  // the clamped text is selected, so this replaces it
    QCOMPARE(edit->text(), QStringLiteral("7"));

    dialog.reject();
    QCOMPARE(dialog.request.fields[0].value, std::string("1"));  // Cancel stores nothing
    dialog.open();
    QTest::keyClicks(edit, "12");
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.request.fields[0].value, std::string("12"));
}

void tst_SmallDialogs::numberDialogFillsTheComboAndReturnsTheEnteredTexts() {
    NumberRequest request;
    request.title = "크기";
    request.fields[0].label = "가로";
    request.fields[0].value = std::string("0");  // no range: no range text and no clamping
    request.fields[1].label = "세로";
    request.fields[1].value = "20";
    request.comboLabel = "방식";
    request.comboItems = "보통  부드럽게";  // two entries of four characters
    request.itemWidth = 4;

    QtUserInterface ui;
    QTimer timer;
    QStringList items;
    bool rangeShown = true;
    WhenModal<NumberDialog>(timer, [&](NumberDialog& shown) -> QAbstractButton* {
        auto* combo = shown.findChild<QComboBox*>("combo1186");
        for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
        if (combo->currentIndex() != 0) items.append(QStringLiteral("(item 0 not selected)"));
        rangeShown = shown.findChild<QLabel*>("range1175")->isVisible();
        QTest::keyClicks(shown.findChild<QLineEdit*>("edit1171"), "0");
        combo->setCurrentIndex(1);
        return shown.findChild<QPushButton*>("okButton");
    });
    QVERIFY(ui.AskNumbers(request));
    QCOMPARE(items, (QStringList{QStringLiteral("보통  "), QStringLiteral("부드럽게")}));
    QVERIFY(!rangeShown);
    QCOMPARE(request.fields[0].value, std::string("0"));
    QCOMPARE(request.fields[1].value, std::string("20"));
    QCOMPARE(request.comboText, std::string("부드럽게"));
}

void tst_SmallDialogs::colourChooserShowsTheCaptionAndKeepsItsColourOnCancel() {
    CMyColorDialog chooser;
    chooser.caption = QStringLiteral("테두리 색상을 선택하세요");
    QCOMPARE(chooser.ResultColor(), QColor(Qt::black));
    chooser.open();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("테두리 색상을 선택하세요"));
    chooser.setCurrentColor(QColor(200, 10, 30));
    chooser.accept();
    QCOMPARE(chooser.ResultColor(), QColor(200, 10, 30));

    chooser.caption = QStringLiteral("여백을 채울 색상을 선택하세요");
    chooser.open();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("여백을 채울 색상을 선택하세요"));
    QCOMPARE(chooser.currentColor(), QColor(200, 10, 30));  // opens at the last choice
    chooser.setCurrentColor(QColor(0, 0, 255));
    chooser.reject();
    QCOMPARE(chooser.ResultColor(), QColor(200, 10, 30));

    // Through the port: the caller's colour comes in, OK takes the new one, Cancel keeps it.
    QtUserInterface ui;
    Colorref colour = MakeRgb(1, 2, 3);
    for (const bool ok : {true, false}) {
        QTimer timer;
        QColor opened;
        QString title;
        WhenModal<CMyColorDialog>(timer, [&](CMyColorDialog& shown) -> QAbstractButton* {
            opened = shown.currentColor();
            title = shown.windowTitle();
            shown.setCurrentColor(QColor(40, 50, 60));
            if (ok) {
                shown.accept();
            } else {
                shown.reject();
            }
            return nullptr;
        });
        QCOMPARE(ui.ChooseColor(colour, "테두리 색상을 선택하세요"), ok);
        QCOMPARE(title, QStringLiteral("테두리 색상을 선택하세요"));
        QCOMPARE(opened, ok ? QColor(1, 2, 3) : QColor(40, 50, 60));
        QCOMPARE(colour, MakeRgb(40, 50, 60));
    }
}

QTEST_MAIN(tst_SmallDialogs)
#include "tst_smalldialogs.moc"
