// "색상수 줄이기 마법사": lowers the number of colours one frame's image uses, step by step,
// through effects::ColourReducer. Each run plans its merges on the histogram and re-paints the
// pixels once at its end, unless "중간 과정 보이기" asks to see every step. While it works, OK,
// Cancel, Escape and the close box do nothing; "작업 중지" ends the run after the current step.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "core/model/CDib.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vorla {

class CAnvoView;

class ColourReductionWizard : public QDialog {
    Q_OBJECT

public:
    // backup: the frame's image as the properties dialog had it (the restore button's image).
    ColourReductionWizard(QWidget* parent, CAnvoView& view, int frame, int currentCount,
                          CDib backup, std::function<void()> onChanged);

    // The "줄이기.." button: the wizard modally on the frame's current used-colour count; unless
    // it ends with OK the frame's image comes back. true after OK.
    static bool Run(QWidget* parent, CAnvoView& view, int frame, std::function<void()> onChanged);

    void ReduceTo(int target);
    bool Working() const { return working_; }
    int CurrentCount() const { return current_; }
    int RecommendedCount() const { return recommended_; }
    QPushButton* TargetButton(int i) const { return targets_[static_cast<std::size_t>(i)]; }
    QPushButton* RestoreButton() const { return restore_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* OkButton() const { return ok_; }
    QCheckBox* ShowStepsCheck() const { return showSteps_; }
    QLabel* StatusLabel() const { return status_; }
    // Runs inside every step's pump (tests stop or press keys there).
    std::function<void()> onStep;

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateControls();
    void Restore();
    void FrameChanged();

    CAnvoView& view_;
    int frame_;
    CDib backup_;
    std::function<void()> onChanged_;
    int start_ = 0;
    int current_ = 0;
    int recommended_ = 0;
    bool working_ = false;
    bool stopRequested_ = false;
    bool reduced_ = false;
    bool reported_ = false;  // an index past the table was reported (once per wizard)

    QLineEdit* currentEdit_ = nullptr;
    QLineEdit* recommendedEdit_ = nullptr;
    QCheckBox* showSteps_ = nullptr;
    QLabel* status_ = nullptr;
    std::array<QPushButton*, 6> targets_{};
    QPushButton* restore_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vorla
