// The one question dialog of the program: a message, up to four alternatives as radio buttons in a
// group frame, an optional check box and OK/Cancel. The owner fills the public fields, shows the
// dialog modally and then reads `accepted` and `chosen`. One instance is reused for every
// question; each showing lays the controls out afresh from the fields.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vorla {

struct ChoiceRequest;

class ChoiceDialog : public QDialog {
    Q_OBJECT

public:
    explicit ChoiceDialog(QWidget* parent = nullptr);

    // Copies a port request into the fields below.
    void Fill(const ChoiceRequest& request);

    QString title;
    std::array<QString, 4> optionTexts;
    QString hideMask;     // char i == 'X' hides option i; a fifth char 'y' gives 예/아니오
    QString disableMask;  // char i == 'X' disables option i
    int preselected = 0;  // 0..3 checks that option; -1 Cancel button only; -2 OK button only
    bool accepted = false;
    int chosen = 0;  // index of the checked option after OK; unchanged when none is checked
    QString checkBoxText;
    QString message;       // "%option" anywhere in it shows the check box
    QString shownMessage;  // message up to its first '%'
    bool showing = false;
    bool checkBoxChecked = false;  // state of the check box when the dialog ended

    void setVisible(bool visible) override;
    void accept() override;
    void reject() override;

private:
    void ApplyFieldsToControls();

    QGroupBox* groupFrame_;
    QLabel* messageLabel_;
    std::array<QRadioButton*, 4> options_;
    QCheckBox* checkBox_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

}  // namespace vorla
