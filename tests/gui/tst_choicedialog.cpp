// The shared question dialog, driven through its real widgets on the offscreen platform.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "core/port/UserInterface.h"
#include "gui/app/QtUserInterface.h"
#include "gui/dialogs/ChoiceDialog.h"

using vorla::ChoiceDialog;
using vorla::ChoiceRequest;

namespace {

struct Controls {
    std::array<QRadioButton*, 4> options{};
    QCheckBox* checkBox = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QLabel* message = nullptr;
    QGroupBox* group = nullptr;
};

Controls Find(ChoiceDialog& dialog) {
    Controls c;
    for (int i = 0; i < 4; ++i) {
        c.options[i] = dialog.findChild<QRadioButton*>(QStringLiteral("option%1").arg(1060 + i));
    }
    c.checkBox = dialog.findChild<QCheckBox*>("checkBox1097");
    c.ok = dialog.findChild<QPushButton*>("okButton");
    c.cancel = dialog.findChild<QPushButton*>("cancelButton");
    c.message = dialog.findChild<QLabel*>("message1064");
    c.group = dialog.findChild<QGroupBox*>("group1082");
    return c;
}

ChoiceRequest WithOptions() {
    ChoiceRequest request;
    request.title = "프레임 속성";
    request.message = "어느 쪽으로 할까요?";
    request.options = {"하나", "둘", "셋", "넷"};
    request.hideMask = "----";
    request.disableMask = "----";
    request.preselected = 1;
    return request;
}

// Radio buttons and check boxes react only on their indicator and text, not on the whole width.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// Shows the dialog window-modally without blocking, as exec() would lay it out.
void Show(ChoiceDialog& dialog, const ChoiceRequest& request) {
    dialog.Fill(request);
    dialog.open();
}

}  // namespace

class tst_ChoiceDialog : public QObject {
    Q_OBJECT

private slots:
    void withoutOptionsTheLayoutCompacts();
    void singleButtonModesMoveTheButton();
    void yesNoLabelsFollowTheFifthMaskCharacter();
    void masksHideAndDisableOptions();
    void checkBoxOnlyWithOptionMarkerAndMessageCutAtPercent();
    void closeBoxCountsAsCancel();
    void okTakesTheLastCheckedOption();
    void reuseStartsFromTheFieldsAgain();
    void portAskQuestionReturnsTheButtonPressed();
    void aQuestionInsideAnotherGetsItsOwnDialog();
};

void tst_ChoiceDialog::withoutOptionsTheLayoutCompacts() {
    ChoiceDialog dialog;
    ChoiceRequest request = WithOptions();
    request.message += "%option";
    request.checkBoxText = "다시 묻지 않기";
    Show(dialog, request);
    Controls c = Find(dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("프레임 속성"));
    QVERIFY(dialog.showing);
    const int height = dialog.height();
    const QRect ok = c.ok->geometry(), cancel = c.cancel->geometry();
    const QRect check = c.checkBox->geometry(), group = c.group->geometry();
    dialog.reject();

    request.hideMask = "XXXX";
    Show(dialog, request);
    // The message area shrinks to its text; the check box, the frame, the buttons and the
    // window close up under it.
    const QLabel* label = dialog.findChild<QLabel*>("message1064");
    const int fitted = std::max(label->fontMetrics().height(), label->heightForWidth(316));
    QCOMPARE(label->height(), fitted);
    QVERIFY(dialog.height() < height - 45);
    QCOMPARE(c.checkBox->geometry().left(), check.left());
    QVERIFY(c.checkBox->geometry().top() > label->geometry().bottom());
    QVERIFY(c.checkBox->geometry().top() - label->geometry().bottom() <= 10);
    QVERIFY(c.group->geometry().bottom() - c.checkBox->geometry().bottom() <= 16);
    QCOMPARE(c.ok->geometry().size(), ok.size());
    QCOMPARE(c.ok->geometry().left(), ok.left());
    QCOMPARE(c.cancel->geometry().left(), cancel.left());
    QVERIFY(c.ok->geometry().top() > c.group->geometry().bottom());
    QCOMPARE(c.group->geometry().width(), group.width());
    for (QRadioButton* option : c.options) QVERIFY(!option->isVisible());
    QVERIFY(c.checkBox->isVisible());
    // The controls still fit inside the smaller window.
    QVERIFY(c.ok->geometry().bottom() < dialog.height());
    QVERIFY(c.checkBox->geometry().bottom() < c.group->geometry().bottom());
    dialog.reject();
}

void tst_ChoiceDialog::singleButtonModesMoveTheButton() {
    ChoiceDialog dialog;
    Show(dialog, WithOptions());
    Controls c = Find(dialog);
    const QRect ok = c.ok->geometry(), cancel = c.cancel->geometry();
    const int height = dialog.height();
    dialog.reject();

    ChoiceRequest request = WithOptions();
    request.preselected = -2;  // the information box: OK only
    Show(dialog, request);
    QVERIFY(c.ok->isVisible());
    QVERIFY(!c.cancel->isVisible());
    // Both masks became "XXXX": the one-line question leaves no empty area under it.
    const QLabel* label = dialog.findChild<QLabel*>("message1064");
    QCOMPARE(c.ok->geometry().left(), ok.left() + 30);
    QVERIFY(c.group->geometry().bottom() - label->geometry().bottom() <= 16);
    QVERIFY(c.ok->geometry().top() > c.group->geometry().bottom());
    QVERIFY(dialog.height() < height - 45);
    QCOMPARE(dialog.height(), c.ok->geometry().bottom() + 11);
    for (QRadioButton* option : c.options) QVERIFY(!option->isVisible());
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.accepted);

    request.preselected = -1;  // Cancel only
    Show(dialog, request);
    QVERIFY(!c.ok->isVisible());
    QVERIFY(c.cancel->isVisible());
    QCOMPARE(c.cancel->geometry().left(), cancel.left() - 30);
    QCOMPARE(c.cancel->geometry().top(), c.ok->geometry().top());
    QTest::mouseClick(c.cancel, Qt::LeftButton);
    QVERIFY(!dialog.accepted);
    QVERIFY(!dialog.showing);
}

void tst_ChoiceDialog::yesNoLabelsFollowTheFifthMaskCharacter() {
    ChoiceDialog dialog;
    ChoiceRequest request = WithOptions();
    request.hideMask = "XXXXy";
    Show(dialog, request);
    Controls c = Find(dialog);
    QCOMPARE(c.ok->text(), QStringLiteral("예"));
    QCOMPARE(c.cancel->text(), QStringLiteral("아니오"));
    dialog.reject();

    for (const char* mask : {"XXXX", "XXXXn"}) {
        request.hideMask = mask;
        Show(dialog, request);
        QCOMPARE(c.ok->text(), QStringLiteral("확인"));
        QCOMPARE(c.cancel->text(), QStringLiteral("취소"));
        dialog.reject();
    }
}

void tst_ChoiceDialog::masksHideAndDisableOptions() {
    ChoiceDialog dialog;
    ChoiceRequest request = WithOptions();
    request.hideMask = "-X--";
    request.disableMask = "--X";  // shorter than four: the missing characters mean "enabled"
    Show(dialog, request);
    Controls c = Find(dialog);
    QCOMPARE(c.options[0]->text(), QStringLiteral("하나"));
    QVERIFY(c.options[0]->isVisible() && c.options[0]->isEnabled());
    QVERIFY(!c.options[1]->isVisible());
    QVERIFY(c.options[2]->isVisible() && !c.options[2]->isEnabled());
    QVERIFY(c.options[3]->isVisible() && c.options[3]->isEnabled());
    // A disabled option cannot be picked.
    Click(c.options[2]);
    QVERIFY(!c.options[2]->isChecked());
    Click(c.options[3]);
    QVERIFY(c.options[3]->isChecked());
    dialog.reject();
}

void tst_ChoiceDialog::checkBoxOnlyWithOptionMarkerAndMessageCutAtPercent() {
    ChoiceDialog dialog;
    ChoiceRequest request = WithOptions();
    request.message = "지울까요?%option";
    request.checkBoxText = "모두 적용";
    Show(dialog, request);
    Controls c = Find(dialog);
    QVERIFY(c.checkBox->isVisible() && c.checkBox->isEnabled());
    QCOMPARE(c.checkBox->text(), QStringLiteral("모두 적용"));
    QCOMPARE(c.message->text(), QStringLiteral("지울까요?"));
    Click(c.checkBox);
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.checkBoxChecked);

    request.message = "50% 크기로 줄입니다";  // a '%' that is not the marker still ends the text
    Show(dialog, request);
    QVERIFY(!c.checkBox->isVisible());
    QVERIFY(!c.checkBox->isEnabled());
    QVERIFY(!c.checkBox->isChecked());
    QCOMPARE(c.message->text(), QStringLiteral("50"));
    QCOMPARE(dialog.shownMessage, QStringLiteral("50"));
    dialog.reject();

    request.message = "그대로 보입니다";
    Show(dialog, request);
    QCOMPARE(c.message->text(), QStringLiteral("그대로 보입니다"));
    dialog.reject();
}

void tst_ChoiceDialog::closeBoxCountsAsCancel() {
    ChoiceDialog dialog;
    dialog.accepted = true;  // left over from an earlier question
    Show(dialog, WithOptions());
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.accepted);
    QVERIFY(!dialog.showing);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void tst_ChoiceDialog::okTakesTheLastCheckedOption() {
    ChoiceDialog dialog;
    Show(dialog, WithOptions());
    Controls c = Find(dialog);
    QVERIFY(c.options[1]->isChecked());  // preselected
    Click(c.options[3]);
    Click(c.options[0]);
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QVERIFY(dialog.accepted);
    QCOMPARE(dialog.chosen, 0);

    // Several checked at once (not possible by clicking): the scan in control order picks the
    // last one.
    Show(dialog, WithOptions());
    c.options[2]->setAutoExclusive(false);
    c.options[2]->setChecked(true);
    QVERIFY(c.options[1]->isChecked());
    QTest::mouseClick(c.ok, Qt::LeftButton);
    QCOMPARE(dialog.chosen, 2);
}

void tst_ChoiceDialog::reuseStartsFromTheFieldsAgain() {
    ChoiceDialog dialog;
    ChoiceRequest request = WithOptions();
    request.preselected = -1;
    Show(dialog, request);
    dialog.reject();

    // After a single-button showing both buttons return, unmoved, and the preselection applies.
    Show(dialog, WithOptions());
    Controls c = Find(dialog);
    QVERIFY(c.ok->isVisible() && c.cancel->isVisible());
    QVERIFY(c.ok->geometry().right() < c.cancel->geometry().left());
    QVERIFY(c.options[3]->isVisible());
    QVERIFY(c.options[1]->isChecked());
    QVERIFY(!c.options[0]->isChecked());
    dialog.reject();
}

void tst_ChoiceDialog::portAskQuestionReturnsTheButtonPressed() {
    vorla::QtUserInterface ui;
    for (const bool pressOk : {true, false}) {
        QString shownTitle, shownText;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<ChoiceDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answer.stop();
            shownTitle = dialog->windowTitle();
            shownText = dialog->shownMessage;
            Controls c = Find(*dialog);
            QTest::mouseClick(pressOk ? c.ok : c.cancel, Qt::LeftButton);
        });
        answer.start();
        const bool accepted = vorla::AskQuestion(ui, "덮어쓸까요?", "저장", "*nothing", true);
        QCOMPARE(accepted, pressOk);
        QCOMPARE(shownTitle, QStringLiteral("저장"));
        QCOMPARE(shownText, QStringLiteral("덮어쓸까요?"));
    }
}

void tst_ChoiceDialog::aQuestionInsideAnotherGetsItsOwnDialog() {
    // While one question waits, another window asks one of its own (a finished load, a drop):
    // the inner question shows in a dialog of its own and the outer keeps its text and answer.
    vorla::QtUserInterface ui;
    bool innerAccepted = true;
    bool innerSeparate = false;
    QString outerTextAfterInner;
    ChoiceDialog* outer = nullptr;
    QTimer answerInner;  // a timer does not fire inside its own slot: one per loop
    answerInner.setInterval(10);
    connect(&answerInner, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ChoiceDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == outer) return;
        answerInner.stop();
        innerSeparate = true;
        QTest::mouseClick(Find(*dialog).cancel, Qt::LeftButton);
    });
    QTimer askInner;
    askInner.setInterval(10);
    connect(&askInner, &QTimer::timeout, [&] {
        outer = qobject_cast<ChoiceDialog*>(QApplication::activeModalWidget());
        if (!outer) return;
        askInner.stop();
        answerInner.start();
        innerAccepted = vorla::AskQuestion(ui, "안쪽 질문", "안쪽", "*nothing", true);
        outerTextAfterInner = outer->shownMessage;
        QTest::mouseClick(Find(*outer).ok, Qt::LeftButton);
    });
    askInner.start();
    QVERIFY(vorla::AskQuestion(ui, "바깥 질문", "바깥", "*nothing", true));
    QVERIFY(innerSeparate);
    QVERIFY(!innerAccepted);
    QCOMPARE(outerTextAfterInner, QStringLiteral("바깥 질문"));
}

QTEST_MAIN(tst_ChoiceDialog)
#include "tst_choicedialog.moc"
