#include "gui/dialogs/ColourReductionWizard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/edit/FrameDialogSession.h"
#include "core/effects/ColourReduction.h"
#include "core/model/FrameTable.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

ColourReductionWizard::ColourReductionWizard(QWidget* parent, CAnvoView& view, int frame,
                                             int currentCount, CDib backup,
                                             std::function<void()> onChanged)
    : QDialog(parent, Qt::Dialog),
      view_(view),
      frame_(frame),
      backup_(std::move(backup)),
      onChanged_(std::move(onChanged)),
      start_(currentCount),
      current_(currentCount) {
    setWindowTitle(tr("색상수 줄이기 마법사"));
    auto* top = new QVBoxLayout(this);
    auto* about = new QLabel(
        tr("이미지가 사용하는 색상 수를 줄여 파일 크기를 줄입니다. 권장 색상 수는 그림이 거의 "
           "변하지 않는 가장 작은 색상 수입니다."),
        this);
    about->setWordWrap(true);
    top->addWidget(about);

    auto* counts = new QGridLayout;
    currentEdit_ = new QLineEdit(this);
    recommendedEdit_ = new QLineEdit(this);
    for (QLineEdit* edit : {currentEdit_, recommendedEdit_}) {
        edit->setReadOnly(true);
        edit->setFixedWidth(60);
    }
    counts->addWidget(new QLabel(tr("현재 사용 색상 수"), this), 0, 0);
    counts->addWidget(currentEdit_, 0, 1);
    counts->addWidget(new QLabel(tr("권장 색상 수"), this), 1, 0);
    counts->addWidget(recommendedEdit_, 1, 1);
    top->addLayout(counts);

    auto* targetGroup = new QGroupBox(tr("원하는 사용 색상 수"), this);
    auto* targetGrid = new QGridLayout(targetGroup);
    const char* const names[] = {"3색", "7색", "15색", "31색", "63색", "127색"};
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        targets_[i] = new QPushButton(tr(names[i]), targetGroup);
        targets_[i]->setAutoDefault(false);
        targetGrid->addWidget(targets_[i], static_cast<int>(i) / 3, static_cast<int>(i) % 3);
        const int target = effects::kReductionTargets[i];
        connect(targets_[i], &QPushButton::clicked, this, [this, target] { ReduceTo(target); });
    }
    top->addWidget(targetGroup);

    showSteps_ = new QCheckBox(tr("중간 과정 보이기"), this);
    top->addWidget(showSteps_);
    connect(showSteps_, &QCheckBox::clicked, this, [this](bool on) {
        if (working_) return;
        WriteIntSetting(view_.Table().Ui(), view_.Table().App().WindowIni(), "ISshowchange",
                        on ? 1 : 0);
    });
    status_ = new QLabel(this);
    top->addWidget(status_);
    progress_ = new QProgressBar(this);
    top->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    restore_ = new QPushButton(this);
    stop_ = new QPushButton(tr("작업 중지"), this);
    ok_ = new QPushButton(tr("확인"), this);
    cancel_ = new QPushButton(tr("취소"), this);
    ok_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    cancel_->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QPushButton* b : {restore_, stop_, ok_, cancel_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);
    connect(restore_, &QPushButton::clicked, this, &ColourReductionWizard::Restore);
    connect(stop_, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (!working_) accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &ColourReductionWizard::reject);

    const CDib& image = view_.Table().frameImages[static_cast<std::size_t>(frame_)];
    recommended_ = effects::RecommendedCount(
        start_, effects::DistinctCoarseColours(image, view_.Table().Ui(), &reported_));
    UpdateControls();
}

bool ColourReductionWizard::Run(QWidget* parent, CAnvoView& view, int frame,
                                std::function<void()> onChanged) {
    FrameTable& table = view.Table();
    const CDib backup = table.frameImages[static_cast<std::size_t>(frame)];
    ColourReductionWizard wizard(parent, view, frame, edit::UsedColourCount(table, frame), backup,
                                 onChanged);
    const bool kept = wizard.exec() == QDialog::Accepted;
    if (!kept && frame < table.frameCount) {
        table.frameImages[static_cast<std::size_t>(frame)] = backup;
        view.FrameChangedByDialog(frame);
    }
    if (onChanged) onChanged();
    return kept;
}

void ColourReductionWizard::UpdateControls() {
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        targets_[i]->setEnabled(
            effects::TargetEnabled(effects::kReductionTargets[i], current_, working_));
    }
    progress_->setVisible(working_);
    status_->setVisible(working_);
    stop_->setVisible(working_);
    ok_->setVisible(!working_);
    cancel_->setVisible(!working_);
    restore_->setVisible(!working_);
    restore_->setText(tr("원래 색상 수(%1)로").arg(start_));
    restore_->setEnabled(current_ != start_);
    ok_->setEnabled(reduced_);
    showSteps_->setChecked(
        ReadIntSetting(view_.Table().Ui(), view_.Table().App().WindowIni(), "ISshowchange") != 0);
    currentEdit_->setText(QString::number(current_));
    recommendedEdit_->setText(QString::number(recommended_));
}

void ColourReductionWizard::FrameChanged() {
    view_.FrameChangedByDialog(frame_);
    if (onChanged_) onChanged_();
}

void ColourReductionWizard::ReduceTo(int target) {
    if (working_) return;
    FrameTable& table = view_.Table();
    if (frame_ >= table.frameCount) return;
    UserInterface& ui = table.Ui();
    working_ = true;
    const int steps = current_ - target;
    if (steps < 1) ReportProgramError(ui, "23478", true);
    stopRequested_ = false;
    progress_->setRange(0, std::max(steps, 1));
    UpdateControls();
    status_->setText(tr("%1색으로 줄이는 중입니다..").arg(target));

    const bool showSteps = showSteps_->isChecked();
    CDib& image = table.frameImages[static_cast<std::size_t>(frame_)];
    effects::ColourReducer reducer(image, table.entries[static_cast<std::size_t>(frame_)], ui,
                                   &reported_);
    for (int s = 0; s < steps; ++s) {
        effects::MergeStep step;
        if (!reducer.PlanStep(step)) break;
        if (showSteps) {
            // Seen step by step: this step's re-painting now (the same pixels as the single
            // pass of the plan).
            for (std::int32_t y = 0; y < image.Height(); ++y) {
                std::uint8_t* row = image.Row(y);
                for (std::int32_t x = 0; x < image.Width(); ++x) {
                    if (row[x] == step.removed)
                        row[x] = static_cast<std::uint8_t>(step.replacement);
                }
            }
            FrameChanged();
        }
        reduced_ = true;
        --current_;
        currentEdit_->setText(QString::number(current_));
        progress_->setValue(s);
        if (onStep) onStep();
        const bool running = ui.PumpMessages();
        if (stopRequested_ || !running) break;
    }
    if (!showSteps) reducer.Apply(image);
    working_ = false;
    WriteIntSetting(ui, table.App().WindowIni(), "ISshowchange", showSteps_->isChecked() ? 1 : 0);
    UpdateControls();
    FrameChanged();
}

void ColourReductionWizard::Restore() {
    FrameTable& table = view_.Table();
    if (working_ || frame_ >= table.frameCount) return;
    table.frameImages[static_cast<std::size_t>(frame_)] = backup_;
    FrameChanged();
    current_ = start_;
    UpdateControls();
}

void ColourReductionWizard::reject() {
    if (working_) return;
    QDialog::reject();
}

void ColourReductionWizard::keyPressEvent(QKeyEvent* event) {
    // Escape closes only while idle; Return must not press a target button.
    if (event->key() == Qt::Key_Escape) {
        if (!working_) reject();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ColourReductionWizard::closeEvent(QCloseEvent* event) {
    if (working_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace vorla
