#include "gui/dialogs/TwoChoiceDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/port/UserInterface.h"

namespace vorla {

TwoChoiceDialog::TwoChoiceDialog(QWidget* parent) : QDialog(parent) {
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName("message1100");
    messageLabel_->setWordWrap(true);
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setMinimumWidth(280);
    firstButton_ = new QPushButton(this);
    firstButton_->setObjectName("button1098");
    secondButton_ = new QPushButton(this);
    secondButton_->setObjectName("button1099");
    cancelButton_ = new QPushButton(tr("취소"), this);
    cancelButton_->setObjectName("cancelButton");
    connect(firstButton_, &QPushButton::clicked, this, [this] { Answer(kTwoChoiceFirst); });
    connect(secondButton_, &QPushButton::clicked, this, [this] { Answer(kTwoChoiceSecond); });
    connect(cancelButton_, &QPushButton::clicked, this, &TwoChoiceDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(firstButton_);
    buttons->addWidget(secondButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TwoChoiceDialog::setVisible(bool visible) {
    if (visible && !isVisible()) ApplyFieldsToControls();
    QDialog::setVisible(visible);
}

void TwoChoiceDialog::ApplyFieldsToControls() {
    setWindowTitle(title);
    firstButton_->setText(firstLabel);
    secondButton_->setText(secondLabel);
    const bool firstOff = disableMask.size() > 0 && disableMask.at(0) == QLatin1Char('X');
    const bool secondOff = disableMask.size() > 1 && disableMask.at(1) == QLatin1Char('X');
    firstButton_->setEnabled(!firstOff);
    secondButton_->setEnabled(!secondOff);
    // Enter gives the first answer that can be given. The dialog is reused: a button that had
    // the focus when an earlier question ended would otherwise take Enter (a focused push button
    // becomes the default), so the default button takes the focus afresh each time.
    QPushButton* byDefault = !firstOff ? firstButton_ : !secondOff ? secondButton_ : cancelButton_;
    for (QPushButton* button : {firstButton_, secondButton_, cancelButton_})
        button->setDefault(button == byDefault);
    byDefault->setFocus(Qt::OtherFocusReason);
    messageLabel_->setText(message);
}

void TwoChoiceDialog::Answer(int answer) {
    result = answer;
    QDialog::accept();
}

void TwoChoiceDialog::reject() {
    result = kTwoChoiceCancel;
    QDialog::reject();
}

}  // namespace vorla
