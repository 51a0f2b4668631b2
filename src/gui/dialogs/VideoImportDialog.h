// "동영상 가져오기": the segment (start and end, each with a slider and a preview of its frame),
// the frame rate (원본 or 5-50), the width (the height follows the picture), the colours, the
// palette, the dithering and the lossy level, and a line with what the choice makes. The rules are
// the core plan's (MakeVideoPlan): OK stays off while the plan refuses, and a choice past the frame
// limit says how many frames it would make and offers a lower rate or a shorter segment.
#pragma once

#include <QDialog>
#include <QImage>
#include <thread>

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
    // source: opened on path (info is what it said); the previews decode through it, on a
    // thread of their own, which has ended by the time the dialog has.
    VideoImportDialog(const QString& path, const VideoInfo& info, VideoSource& source,
                      QWidget* parent = nullptr);
    ~VideoImportDialog() override;

    void done(int result) override;
    // A preview waits for the slider to rest or is being decoded (tests wait for it).
    bool PreviewPending() const;

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
    // Decodes the picture at previewAt_ on the preview thread, or asks for it once the one
    // under way has come (only the last time asked for is decoded).
    void ShowPreview();
    void PreviewDecoded(const QImage& picture);
    void EndPreviewThread();
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
    // Seeking in a clip can take a good part of a second (a distant key frame, a large
    // picture): the dialog stays responsive meanwhile.
    std::thread previewThread_;
    bool previewRunning_ = false;
    bool previewWanted_ = false;  // asked for while one was running
    bool previewsEnded_ = false;  // the dialog is done: the source belongs to the import
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
