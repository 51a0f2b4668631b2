#include "gui/dialogs/GlobalPropertiesDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "core/edit/GlobalProperties.h"
#include "core/model/ApplicationState.h"
#include "core/model/Settings.h"
#include "gui/dialogs/CFramePropertiesDialog.h"
#include "gui/view/CAnvoView.h"

namespace vorla {
namespace {

// The press history is the program's, as the buttons of every window share one hand.
edit::SizeRepeater& SharedRepeater() {
    static edit::SizeRepeater repeater;
    return repeater;
}

}  // namespace

GlobalPropertiesDialog::GlobalPropertiesDialog(CAnvoView& view, bool fromFrameDialog,
                                               QWidget* parent)
    : QDialog(parent), view_(view), fromFrameDialog_(fromFrameDialog) {
    setWindowTitle(tr("전체 속성"));
    auto* top = new QVBoxLayout(this);

    auto* sizeGroup = new QGroupBox(tr("GIF 규격"), this);
    auto* grid = new QGridLayout(sizeGroup);
    widthEdit_ = new QLineEdit(sizeGroup);
    heightEdit_ = new QLineEdit(sizeGroup);
    widthEdit_->setFixedWidth(60);
    heightEdit_->setFixedWidth(60);
    grid->addWidget(new QLabel(tr("가로"), sizeGroup), 0, 0);
    grid->addWidget(widthEdit_, 0, 1);
    grid->addWidget(new QLabel(tr("세로"), sizeGroup), 1, 0);
    grid->addWidget(heightEdit_, 1, 1);
    // Grow and shrink per side and for both; the arrows say which way.
    struct Spec {
        int button;
        QStyle::StandardPixmap icon;
        const char* tip;
        int row;
        int column;
    };
    const Spec specs[] = {
        {edit::kGrowHeight, QStyle::SP_ArrowDown, "세로 늘이기", 1, 3},
        {edit::kShrinkHeight, QStyle::SP_ArrowUp, "세로 줄이기", 1, 2},
        {edit::kGrowWidth, QStyle::SP_ArrowRight, "가로 늘이기", 0, 3},
        {edit::kShrinkWidth, QStyle::SP_ArrowLeft, "가로 줄이기", 0, 2},
        {edit::kGrowBoth, QStyle::SP_TitleBarMaxButton, "모두 늘이기", 2, 3},
        {edit::kShrinkBoth, QStyle::SP_TitleBarMinButton, "모두 줄이기", 2, 2},
    };
    for (const Spec& spec : specs) {
        auto* button = new QPushButton(sizeGroup);
        button->setIcon(style()->standardIcon(spec.icon));
        button->setToolTip(tr(spec.tip));
        button->setAutoDefault(false);
        button->setFixedWidth(34);
        grid->addWidget(button, spec.row, spec.column);
        // A click shorter than a tick still counts: the press itself is the first tick.
        connect(button, &QPushButton::pressed, this, &GlobalPropertiesDialog::RepeatTick);
        sizeButtons_[static_cast<std::size_t>(spec.button - 1)] = button;
    }
    minimiseButton_ = new QPushButton(tr("최소화"), sizeGroup);
    minimiseButton_->setAutoDefault(false);
    grid->addWidget(minimiseButton_, 2, 0, 1, 2);
    top->addWidget(sizeGroup);

    loopCheck_ = new QCheckBox(tr("무한 반복"), this);
    top->addWidget(loopCheck_);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(new QLabel(tr("보기 배율 (5-100)"), this));
    zoomEdit_ = new QLineEdit(this);
    zoomEdit_->setFixedWidth(50);
    zoomRow->addWidget(zoomEdit_);
    zoomRow->addStretch(1);
    top->addLayout(zoomRow);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("지금 적용"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(tr("취소"), QDialogButtonBox::RejectRole);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);

    connect(widthEdit_, &QLineEdit::textEdited, this, [this] { SizeTyped(false); });
    connect(heightEdit_, &QLineEdit::textEdited, this, [this] { SizeTyped(true); });
    // After Return or leaving a field, both show the size in force, not a refused text.
    for (QLineEdit* edit : {widthEdit_, heightEdit_})
        connect(edit, &QLineEdit::editingFinished, this, [this] { FillSize(); });
    connect(minimiseButton_, &QPushButton::clicked, this, [this] {
        edit::MinimiseScreen(view_.Table());
        FillSize();
        AfterScreenChange();
    });
    connect(loopCheck_, &QCheckBox::toggled, this, [this](bool on) {
        if (filling_) return;
        view_.Table().settings.loopForever = on;
        AfterScreenChange();
    });
    repeatTimer_.setInterval(10);
    connect(&repeatTimer_, &QTimer::timeout, this, &GlobalPropertiesDialog::RepeatTick);

    filling_ = true;
    zoomEdit_->setText(QString::number(view_.Table().App().zoomPercent));
    loopCheck_->setChecked(view_.Table().settings.loopForever);
    filling_ = false;
    FillSize();
}

int GlobalPropertiesDialog::Zoom() const {
    return edit::ReadZoomText(zoomEdit_->text().toStdString());
}

void GlobalPropertiesDialog::FillSize() {
    filling_ = true;
    widthEdit_->setText(QString::number(view_.Table().settings.screenWidth));
    heightEdit_->setText(QString::number(view_.Table().settings.screenHeight));
    filling_ = false;
}

void GlobalPropertiesDialog::SizeTyped(bool heightEdited) {
    if (filling_) return;
    const int width = TextToInt(widthEdit_->text().toStdString());
    const int height = TextToInt(heightEdit_->text().toStdString());
    if (!edit::TypedSizeAccepted(width, height, heightEdited)) return;
    edit::SetScreenSize(view_.Table(), width, height);
    AfterScreenChange();
}

void GlobalPropertiesDialog::RepeatTick() {
    int held = edit::kNoSizeButton;
    for (int button = edit::kGrowHeight; button <= edit::kShrinkBoth; ++button) {
        if (SizeButton(button)->isDown()) {
            held = button;
            break;
        }
    }
    const int step = SharedRepeater().Tick(held);
    if (step == 0) return;
    edit::ApplySizeButton(view_.Table(), held, step);
    FillSize();
    AfterScreenChange();
}

void GlobalPropertiesDialog::AfterScreenChange() {
    view_.Invalidate();
    view_.RefreshAnimationPane();
    if (fromFrameDialog_ && view_.FrameDialog()) view_.FrameDialog()->FrameChangedOutside();
}

void GlobalPropertiesDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // No button of this showing is held yet, whatever the history last saw.
    SharedRepeater().Tick(edit::kNoSizeButton);
    repeatTimer_.start();
    CFramePropertiesDialog* frameDialog = view_.FrameDialog();
    if (!fromFrameDialog_ || !frameDialog) return;
    // Beside the frame dialog, level with its canvas, kept on the screen.
    const QRect frameRect = frameDialog->frameGeometry();
    int x = frameRect.right() + 4;
    const QRect available = frameDialog->screen() ? frameDialog->screen()->availableGeometry()
                                                  : QRect(0, 0, 1600, 1000);
    if (x + width() > available.right()) x = available.right() - width();
    move(std::max(x, available.left()), frameRect.top() + 40);
}

void GlobalPropertiesDialog::done(int result) {
    repeatTimer_.stop();
    QDialog::done(result);
}

}  // namespace vorla
