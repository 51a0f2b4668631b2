// "동영상 가져오기": the segment (start and end, each with a slider and a preview of its frame),
// the frame rate (원본 or 5-50), the width (the height follows the picture), the colours, the
// palette, the dithering and the lossy level, and a line with what the choice makes. The rules are
// the core plan's (MakeVideoPlan): OK stays off while the plan refuses, and a choice past the frame
// limit says how many frames it would make and offers a lower rate or a shorter segment.
#pragma once

#include <QDialog>

#include "core/video/VideoPlan.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace vorla {

class VideoSource;

class VideoImportDialog : public QDialog {
    Q_OBJECT

public:
    // source: opened on path (info is what it said); the previews decode through it.
    VideoImportDialog(const QString& path, const VideoInfo& info, VideoSource& source,
                      QWidget* parent = nullptr);

    // After OK: what was chosen and the plan it makes.
    const VideoChoice& Choice() const { return choice_; }
    const VideoPlan& Plan() const { return plan_; }

private:
    struct TimeRow {
        QSlider* slider = nullptr;
        QDoubleSpinBox* seconds = nullptr;
    };
    TimeRow AddTimeRow(double value);
    void Update();
    void ShowPreview();
    void LowerRate();
    void Shorten();
    void SetSeconds(TimeRow& row, double seconds);

    VideoInfo info_;
    VideoSource& source_;
    VideoChoice choice_;
    VideoPlan plan_;
    TimeRow start_;
    TimeRow end_;
    double previewAt_ = 0;  // the time the preview shows: of the row moved last
    QLabel* preview_;
    QSpinBox* fps_;
    QSpinBox* width_;
    QLabel* height_;
    QSpinBox* colours_;
    QComboBox* palette_;
    QComboBox* dither_;
    QSpinBox* lossy_;
    QLabel* summary_;
    QPushButton* lowerRate_;
    QPushButton* shorten_;
    QPushButton* ok_;
    QTimer* previewTimer_;
};

}  // namespace vorla
