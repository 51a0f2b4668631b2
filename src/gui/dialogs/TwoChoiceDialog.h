// A question with two named answer buttons and "취소". The owner fills the public fields, shows
// the dialog modally and reads `result`. Each showing applies the fields afresh.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace vorla {

class TwoChoiceDialog : public QDialog {
    Q_OBJECT

public:
    explicit TwoChoiceDialog(QWidget* parent = nullptr);

    QString title;
    QString firstLabel;
    QString secondLabel;
    QString disableMask;  // 'X' first: the first answer is disabled; 'X' second: the second
    QString message;
    int result = 0;  // kTwoChoiceCancel, kTwoChoiceFirst or kTwoChoiceSecond

    void setVisible(bool visible) override;
    void reject() override;  // Cancel, Escape and the close box

private:
    void ApplyFieldsToControls();
    void Answer(int answer);

    QLabel* messageLabel_;
    QPushButton* firstButton_;
    QPushButton* secondButton_;
    QPushButton* cancelButton_;
};

}  // namespace vorla
