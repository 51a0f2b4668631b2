// "고급 애니메이션 효과": the modeless dialog of the advanced animation command. It only collects
// texts; the rules (enabling, clamping, visible rows, what OK refuses) are
// effects::AdvancedEffectForm's. Its result is 0 while it is open, 1 after OK and 2 after Cancel.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "core/effects/AdvancedEffectForm.h"
#include "gui/dialogs/ParameterRow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;

namespace vorla {

class UserInterface;

// The effect kinds in list order (list index i shows kind KindOfListIndex(i)), as both the
// advanced animation dialog and the frame image effect dialog offer them.
QListWidget* NewEffectKindList(QWidget* parent, UserInterface& ui, int width);

class AdvancedAnimationDialog : public QDialog {
    Q_OBJECT

public:
    // iniPath: the settings file that keeps the kind ("initialframeEffectkind").
    AdvancedAnimationDialog(QWidget* parent, UserInterface& ui, std::string iniPath,
                            int currentFrame, int frameCount);

    int Result() const { return result_; }
    const effects::AdvancedEffectForm& Form() const { return form_; }

    // The controls, for tests.
    QRadioButton* NewRunRadio() const { return newRun_; }
    QRadioButton* ExistingRadio() const { return existing_; }
    QLineEdit* CountEdit() const { return countEdit_; }
    QLineEdit* DelayEdit() const { return delayEdit_; }
    QLineEdit* FromEdit() const { return fromEdit_; }
    QLineEdit* ToEdit() const { return toEdit_; }
    QListWidget* KindList() const { return kinds_; }
    QLabel* Warning() const { return warning_; }
    QLineEdit* FirstEdit(int row) const { return rows_[0][static_cast<std::size_t>(row)].edit; }
    QLineEdit* LastEdit(int row) const { return rows_[1][static_cast<std::size_t>(row)].edit; }
    QLabel* FirstLabel(int row) const { return rows_[0][static_cast<std::size_t>(row)].label; }
    QPushButton* OkButton() const { return ok_; }

public slots:
    void accept() override;
    void reject() override;

private:
    using Row = ParameterRow;

    void ReadControls();
    void WriteControls();
    void Configure(bool clamp, bool reset);
    void KindChanged(int index);
    void ModeChosen(int mode);

    UserInterface& ui_;
    std::string iniPath_;
    effects::AdvancedEffectForm form_;
    int result_ = 0;
    bool writing_ = false;  // controls being filled: their signals are no edits

    QRadioButton* newRun_ = nullptr;
    QRadioButton* existing_ = nullptr;
    QLineEdit* countEdit_ = nullptr;
    QLineEdit* delayEdit_ = nullptr;
    QLineEdit* fromEdit_ = nullptr;
    QLineEdit* toEdit_ = nullptr;
    std::array<QLabel*, 4> rangeLabels_{};  // count, delay, from, to
    QListWidget* kinds_ = nullptr;
    std::array<std::array<Row, 4>, 2> rows_{};  // 첫 프레임, 마지막 프레임
    QLabel* warning_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vorla
