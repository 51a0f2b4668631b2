// "프레임 이미지 고급 효과": one effect kind with one set of values on the frame being edited in
// the frame properties dialog, previewed live on the frame. Every preview starts from the working
// copy in slot 300 (effects::FrameEffectPreview); previews are coalesced, so a slow filter
// (a blur of radius 100) runs once for the latest value instead of once per slider step.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "core/effects/AdvancedEffectForm.h"
#include "gui/dialogs/ParameterRow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;
class QTimer;

namespace vorla {

class CAnvoView;

class FrameImageEffectDialog : public QDialog {
    Q_OBJECT

public:
    // onChanged: the frame changed (thumbnail and the properties dialog follow).
    FrameImageEffectDialog(QWidget* parent, CAnvoView& view, int frame,
                           std::function<void()> onChanged);
    ~FrameImageEffectDialog() override;

    // The "고급 효과.." tool: the dialog modally; the frame keeps the previewed result only after
    // OK, otherwise its image and entry come back. true after OK.
    static bool Run(QWidget* parent, CAnvoView& view, int frame, std::function<void()> onChanged);

    QListWidget* KindList() const { return kinds_; }
    QLineEdit* Edit(int row) const { return rows_[static_cast<std::size_t>(row)].edit; }
    QSlider* Slider(int row) const { return rows_[static_cast<std::size_t>(row)].slider; }
    QLabel* Label(int row) const { return rows_[static_cast<std::size_t>(row)].label; }
    QLabel* Warning() const { return warning_; }
    int PreviewsRun() const { return previews_; }

    void done(int result) override;

private:
    using Row = ParameterRow;

    void ReadControls();
    void WriteControls();
    void KindChanged(int index);
    void RequestPreview();
    void RunPreview();

    CAnvoView& view_;
    std::function<void()> onChanged_;
    effects::FrameImageEffectForm form_;
    effects::FrameEffectPreview preview_;
    bool writing_ = false;
    int previews_ = 0;  // previews computed (tests check the coalescing)
    QTimer* pending_ = nullptr;

    QListWidget* kinds_ = nullptr;
    std::array<Row, 4> rows_{};
    QLabel* warning_ = nullptr;
};

}  // namespace vorla
