#include "gui/dialogs/ChoiceDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "core/port/UserInterface.h"

namespace vorla {

namespace {

// The layout is absolute so that the compaction and button moves below are exact pixel
// offsets in client coordinates.
constexpr int kWidth = 360;
constexpr int kHeight = 264;
constexpr QRect kGroupFrame(10, 8, 340, 208);
constexpr QRect kMessage(22, 22, 316, 68);
constexpr int kOptionX = 28, kOptionTop = 96, kOptionStep = 22, kOptionWidth = 310;
constexpr QRect kCheckBox(28, 188, 310, 20);
constexpr QRect kOkButton(112, 226, 64, 28);
constexpr QRect kCancelButton(184, 226, 64, 28);

// A single remaining button moves 30 px towards the middle.
constexpr int kSingleButtonShift = 30;
// Without options the window closes up under the question: gaps in pixels between the message,
// the check box, the frame's bottom edge and the buttons. A long question may grow the message
// area up to kMaxMessageHeight.
constexpr int kCompactGap = 8;
constexpr int kCompactFramePadding = 14;
constexpr int kCompactButtonGap = 10;
constexpr int kMaxMessageHeight = 400;

bool MaskHas(const QString& mask, int index, QChar mark) {
    return index < mask.size() && mask.at(index) == mark;
}

}  // namespace

ChoiceDialog::ChoiceDialog(QWidget* parent) : QDialog(parent) {
    // Created first, so it lies below the controls drawn inside it.
    groupFrame_ = new QGroupBox(this);
    groupFrame_->setObjectName("group1082");
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName("message1064");
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    messageLabel_->setTextFormat(Qt::PlainText);
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(this);
        options_[i]->setObjectName(QStringLiteral("option%1").arg(1060 + i));
    }
    checkBox_ = new QCheckBox(this);
    checkBox_->setObjectName("checkBox1097");
    okButton_ = new QPushButton(this);
    okButton_->setObjectName("okButton");
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(this);
    cancelButton_->setObjectName("cancelButton");
    connect(okButton_, &QPushButton::clicked, this, &ChoiceDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &ChoiceDialog::reject);
}

void ChoiceDialog::Fill(const ChoiceRequest& request) {
    title = QString::fromStdString(request.title);
    for (int i = 0; i < 4; ++i) optionTexts[i] = QString::fromStdString(request.options[i]);
    hideMask = QString::fromStdString(request.hideMask);
    disableMask = QString::fromStdString(request.disableMask);
    preselected = request.preselected;
    checkBoxText = QString::fromStdString(request.checkBoxText);
    message = QString::fromStdString(request.message);
}

void ChoiceDialog::setVisible(bool visible) {
    // Laid out before the window appears, so it is never seen in its previous shape.
    if (visible && !isVisible()) ApplyFieldsToControls();
    QDialog::setVisible(visible);
}

void ChoiceDialog::ApplyFieldsToControls() {
    showing = true;
    setWindowTitle(title);
    groupFrame_->setGeometry(kGroupFrame);
    messageLabel_->setGeometry(kMessage);
    for (int i = 0; i < 4; ++i) {
        options_[i]->setGeometry(kOptionX, kOptionTop + i * kOptionStep, kOptionWidth, kOptionStep);
        options_[i]->setText(optionTexts[i]);
        // An auto-exclusive radio button cannot be unchecked while exclusive.
        options_[i]->setAutoExclusive(false);
        options_[i]->setChecked(false);
        options_[i]->setAutoExclusive(true);
        options_[i]->setVisible(true);
        options_[i]->setEnabled(true);
    }
    checkBox_->setGeometry(kCheckBox);
    checkBox_->setChecked(false);
    QRect ok = kOkButton;
    QRect cancel = kCancelButton;
    okButton_->setVisible(true);
    cancelButton_->setVisible(true);
    int height = kHeight;

    if (preselected >= 0 && preselected <= 3) {
        options_[preselected]->setChecked(true);
    } else if (preselected == -2) {
        hideMask = disableMask = QStringLiteral("XXXX");
        cancelButton_->setVisible(false);
        ok.translate(kSingleButtonShift, 0);
    } else if (preselected == -1) {
        hideMask = disableMask = QStringLiteral("XXXX");
        okButton_->setVisible(false);
        cancel.translate(-kSingleButtonShift, 0);
    }

    const bool yesNo = MaskHas(hideMask, 4, QLatin1Char('y'));
    okButton_->setText(yesNo ? tr("예") : tr("확인"));
    cancelButton_->setText(yesNo ? tr("아니오") : tr("취소"));

    for (int i = 0; i < 4; ++i) {
        if (MaskHas(hideMask, i, QLatin1Char('X'))) options_[i]->setVisible(false);
        if (MaskHas(disableMask, i, QLatin1Char('X'))) options_[i]->setEnabled(false);
    }

    const qsizetype percent = message.indexOf(QLatin1Char('%'));
    shownMessage = percent < 0 ? message : message.left(percent);
    messageLabel_->setText(shownMessage);

    QRect group = kGroupFrame;
    QRect check = kCheckBox;
    const bool withCheckBox = message.contains(QLatin1String("%option"));
    if (hideMask == QLatin1String("XXXX")) {
        // Nothing but the question (and its check box) inside the frame: the message area takes
        // the height of its text, and the frame, buttons and window close up under it.
        const int line = messageLabel_->fontMetrics().height();
        const int text =
            std::clamp(messageLabel_->heightForWidth(kMessage.width()), line, kMaxMessageHeight);
        const QRect shown(kMessage.topLeft(), QSize(kMessage.width(), text));
        messageLabel_->setGeometry(shown);
        int contentBottom = shown.bottom();
        if (withCheckBox) {
            check.moveTop(contentBottom + kCompactGap);
            contentBottom = check.bottom();
        }
        group.setBottom(contentBottom + kCompactFramePadding);
        ok.moveTop(group.bottom() + kCompactButtonGap);
        cancel.moveTop(group.bottom() + kCompactButtonGap);
        height = ok.bottom() + 1 + kCompactButtonGap;
    }
    okButton_->setGeometry(ok);
    cancelButton_->setGeometry(cancel);
    checkBox_->setGeometry(check);
    groupFrame_->setGeometry(group);
    setFixedSize(kWidth, height);

    checkBox_->setText(checkBoxText);
    checkBox_->setVisible(withCheckBox);
    checkBox_->setEnabled(withCheckBox);

    // The dialog is reused: the button that had the focus when the last question ended (say
    // Cancel) would otherwise take Enter this time. OK is the default whenever it shows.
    QPushButton* byDefault = okButton_->isVisibleTo(this) ? okButton_ : cancelButton_;
    okButton_->setDefault(byDefault == okButton_);
    cancelButton_->setDefault(byDefault == cancelButton_);
    // The checked option takes the focus where there is one, so the arrow keys move the choice.
    QWidget* focus = byDefault;
    if (preselected >= 0 && preselected <= 3 && options_[preselected]->isVisibleTo(this) &&
        options_[preselected]->isEnabled())
        focus = options_[preselected];
    focus->setFocus(Qt::OtherFocusReason);
}

void ChoiceDialog::accept() {
    // Testing in control order lets the last checked option win.
    for (int i = 0; i < 4; ++i) {
        if (options_[i]->isChecked()) chosen = i;
    }
    accepted = true;
    showing = false;
    checkBoxChecked = checkBox_->isChecked();
    QDialog::accept();
}

void ChoiceDialog::reject() {
    accepted = false;
    showing = false;
    checkBoxChecked = checkBox_->isChecked();
    QDialog::reject();
}

}  // namespace vorla
