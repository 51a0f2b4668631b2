#include "gui/dialogs/VideoImportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/gif/GifOptimizer.h"
#include "core/model/FrameTable.h"
#include "core/port/VideoSource.h"

namespace vorla {
namespace {

// The sliders move in tenths of a second.
constexpr int kSliderSteps = 10;
constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 180;
// The fps box's value below kMinFps, shown as "원본": the source's rate.
constexpr int kSourceRateValue = kMinFps - 1;
// A preview waits this long after the last move of a slider (milliseconds), so dragging does not
// decode every position on the way.
constexpr int kPreviewDelayMs = 150;

}  // namespace

VideoImportDialog::VideoImportDialog(const QString& path, const VideoInfo& info,
                                     VideoSource& source, QWidget* parent)
    : QDialog(parent), info_(info), source_(source) {
    setWindowTitle(tr("동영상 가져오기"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QFileInfo(path).fileName() + QStringLiteral("  (") +
                            QString::fromStdString(SecondsText(info.duration)) +
                            QStringLiteral(", %1x%2)").arg(info.width).arg(info.height));
    layout->addWidget(name);
    preview_ = new QLabel;
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(kPreviewWidth, kPreviewHeight);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setStyleSheet(QStringLiteral("background: black"));
    layout->addWidget(preview_, 0, Qt::AlignHCenter);

    auto* form = new QFormLayout;
    layout->addLayout(form);
    start_ = AddTimeRow(0);
    end_ = AddTimeRow(info.duration);
    auto timeRow = [](const TimeRow& row) {
        auto* line = new QHBoxLayout;
        line->addWidget(row.slider, 1);
        line->addWidget(row.seconds);
        return line;
    };
    form->addRow(tr("시작"), timeRow(start_));
    form->addRow(tr("끝"), timeRow(end_));

    fps_ = new QSpinBox;
    fps_->setRange(kSourceRateValue, kMaxFps);
    fps_->setSpecialValueText(tr("원본"));
    fps_->setValue(VideoChoice{}.fps);
    fps_->setSuffix(tr(" 프레임/초"));
    form->addRow(tr("프레임 속도"), fps_);

    width_ = new QSpinBox;
    width_->setRange(kMinVideoWidth, kMaxVideoSide);
    width_->setValue(std::min(kDefaultWidth, info.width));
    height_ = new QLabel;
    auto* sizeLine = new QHBoxLayout;
    sizeLine->addWidget(width_);
    sizeLine->addWidget(height_, 1);
    form->addRow(tr("폭"), sizeLine);

    colours_ = new QSpinBox;
    colours_->setRange(kMinColours, kMaxColours);
    colours_->setValue(kMaxColours);
    form->addRow(tr("색 수"), colours_);
    palette_ = new QComboBox;
    palette_->addItems({tr("모든 프레임에 한 팔레트"), tr("프레임마다 팔레트")});
    form->addRow(tr("팔레트"), palette_);
    dither_ = new QComboBox;
    dither_->addItems({tr("없음"), tr("규칙"), tr("오차 확산")});
    dither_->setCurrentIndex(static_cast<int>(VideoChoice::Dither::Diffusion));
    form->addRow(tr("디더링"), dither_);
    // The optimised save's levels: pixels keep the colour of the frame before, or of the pixel
    // before them, while it is this close (VideoChoice::lossy).
    lossy_ = new QSpinBox;
    lossy_->setObjectName(QStringLiteral("lossy"));
    lossy_->setRange(0, kMaxLossy);
    lossy_->setValue(0);
    form->addRow(tr("손실 압축"), lossy_);

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    auto* fixes = new QHBoxLayout;
    lowerRate_ = new QPushButton(tr("프레임 속도 낮추기"));
    shorten_ = new QPushButton(tr("구간 줄이기"));
    lowerRate_->setAutoDefault(false);
    shorten_->setAutoDefault(false);
    fixes->addWidget(lowerRate_);
    fixes->addWidget(shorten_);
    fixes->addStretch(1);
    layout->addLayout(fixes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lowerRate_, &QPushButton::clicked, this, &VideoImportDialog::LowerRate);
    connect(shorten_, &QPushButton::clicked, this, &VideoImportDialog::Shorten);

    previewTimer_ = new QTimer(this);
    previewTimer_->setSingleShot(true);
    previewTimer_->setInterval(kPreviewDelayMs);
    connect(previewTimer_, &QTimer::timeout, this, &VideoImportDialog::ShowPreview);
    for (TimeRow* row : {&start_, &end_}) {
        connect(row->slider, &QSlider::valueChanged, this, [this, row](int value) {
            const QSignalBlocker blocker(row->seconds);
            row->seconds->setValue(static_cast<double>(value) / kSliderSteps);
            previewAt_ = row->seconds->value();
            previewTimer_->start();
            Update();
        });
        connect(row->seconds, &QDoubleSpinBox::valueChanged, this, [this, row](double value) {
            const QSignalBlocker blocker(row->slider);
            row->slider->setValue(static_cast<int>(std::lround(value * kSliderSteps)));
            previewAt_ = value;
            previewTimer_->start();
            Update();
        });
    }
    for (QSpinBox* box : {fps_, width_, colours_, lossy_}) {
        connect(box, &QSpinBox::valueChanged, this, &VideoImportDialog::Update);
    }
    for (QComboBox* box : {palette_, dither_}) {
        connect(box, &QComboBox::currentIndexChanged, this, &VideoImportDialog::Update);
    }
    Update();
    ShowPreview();
}

VideoImportDialog::TimeRow VideoImportDialog::AddTimeRow(double value) {
    TimeRow row;
    row.slider = new QSlider(Qt::Horizontal);
    row.slider->setRange(0, static_cast<int>(std::ceil(info_.duration * kSliderSteps)));
    row.seconds = new QDoubleSpinBox;
    row.seconds->setDecimals(2);
    row.seconds->setSingleStep(1.0 / kSliderSteps);
    row.seconds->setRange(0, info_.duration);
    row.seconds->setSuffix(tr(" 초"));
    SetSeconds(row, value);
    return row;
}

void VideoImportDialog::SetSeconds(TimeRow& row, double seconds) {
    // Both at once; the other's signal would round the time to the slider's steps.
    const QSignalBlocker sliderBlocker(row.slider);
    const QSignalBlocker secondsBlocker(row.seconds);
    row.seconds->setValue(seconds);
    row.slider->setValue(static_cast<int>(std::lround(seconds * kSliderSteps)));
}

void VideoImportDialog::Update() {
    VideoChoice choice;
    choice.start = start_.seconds->value();
    // The end at the clip's end means all of it, however the box rounded the duration.
    choice.end = end_.seconds->value() >= end_.seconds->maximum() ? -1 : end_.seconds->value();
    choice.fps = fps_->value() == kSourceRateValue ? 0 : fps_->value();
    choice.width = width_->value();
    choice.colours = colours_->value();
    choice.palette = static_cast<VideoChoice::Palette>(palette_->currentIndex());
    choice.dither = static_cast<VideoChoice::Dither>(dither_->currentIndex());
    choice.lossy = lossy_->value();
    choice_ = choice;
    VideoPlan plan;
    const std::string problem = MakeVideoPlan(info_, choice, FrameTable::kMaxFrames, plan);
    const bool tooMany = ChoiceFrameCount(info_, choice) > FrameTable::kMaxFrames;
    lowerRate_->setVisible(tooMany);
    shorten_->setVisible(tooMany);
    lowerRate_->setEnabled(tooMany && RateThatFits(info_, choice, FrameTable::kMaxFrames) > 0);
    ok_->setEnabled(problem.empty());
    // Return takes the choice once it can be made: while OK was off, focus may have made another
    // button the default.
    if (problem.empty()) ok_->setDefault(true);
    if (!problem.empty()) {
        summary_->setText(QString::fromStdString(problem));
        height_->clear();
        return;
    }
    plan_ = plan;
    height_->setText(tr("높이 %1").arg(plan.height));
    summary_->setText(tr("프레임 %1개, %2, %3x%4")
                          .arg(plan.frameCount)
                          .arg(QString::fromStdString(SecondsText(plan.end - plan.start)))
                          .arg(plan.width)
                          .arg(plan.height));
}

void VideoImportDialog::LowerRate() {
    const int fps = RateThatFits(info_, choice_, FrameTable::kMaxFrames);
    if (fps > 0) fps_->setValue(fps);
}

void VideoImportDialog::Shorten() {
    SetSeconds(end_, EndThatFits(info_, choice_, FrameTable::kMaxFrames));
    previewAt_ = end_.seconds->value();
    previewTimer_->start();
    Update();
}

VideoImportDialog::~VideoImportDialog() {
    EndPreviewThread();
}

void VideoImportDialog::done(int result) {
    // The import decodes through the same source once the dialog has gone.
    EndPreviewThread();
    QDialog::done(result);
}

bool VideoImportDialog::PreviewPending() const {
    return previewTimer_->isActive() || previewRunning_ || previewWanted_;
}

void VideoImportDialog::EndPreviewThread() {
    previewsEnded_ = true;
    previewWanted_ = false;
    previewTimer_->stop();
    if (previewThread_.joinable()) previewThread_.join();
}

void VideoImportDialog::ShowPreview() {
    if (previewsEnded_) return;
    if (previewRunning_) {
        previewWanted_ = true;
        return;
    }
    // The picture at the preview's size, its shape kept.
    double scale = std::min(static_cast<double>(kPreviewWidth) / info_.width,
                            static_cast<double>(kPreviewHeight) / info_.height);
    const int width = std::max(2, static_cast<int>(info_.width * scale));
    const int height = std::max(2, static_cast<int>(info_.height * scale));
    // The last picture starts a frame before the end.
    const double step = info_.FrameRate() > 0 ? 1 / info_.FrameRate() : 0.1;
    const double at = std::clamp(previewAt_, 0.0, std::max(0.0, info_.duration - step));
    if (previewThread_.joinable()) previewThread_.join();  // it has delivered its picture
    previewRunning_ = true;
    previewThread_ = std::thread([this, at, width, height] {
        QImage picture;
        source_.Decode({at}, width, height, [&](int, const std::uint8_t* rgb) {
            picture = QImage(rgb, width, height, 3 * width, QImage::Format_RGB888).copy();
            return true;
        });
        // Delivered in the interface thread; dropped if the dialog has gone by then.
        QMetaObject::invokeMethod(
            this, [this, picture] { PreviewDecoded(picture); }, Qt::QueuedConnection);
    });
}

void VideoImportDialog::PreviewDecoded(const QImage& picture) {
    previewRunning_ = false;
    if (picture.isNull()) {
        preview_->setText(tr("미리 보기 없음"));
    } else {
        preview_->setPixmap(QPixmap::fromImage(picture));
    }
    if (previewWanted_) {
        previewWanted_ = false;
        ShowPreview();
    }
}

}  // namespace vorla
