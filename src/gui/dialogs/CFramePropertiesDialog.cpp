#include "gui/dialogs/CFramePropertiesDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include "core/edit/FrameEditRules.h"
#include "core/edit/FrameTransparency.h"
#include "core/effects/PaletteOps.h"
#include "core/port/UserInterface.h"
#include "gui/dialogs/CFramePropertiesCanvas.h"
#include "gui/dialogs/CFramePropertiesMagnifier.h"
#include "gui/dialogs/CFramePropertiesPalette.h"
#include "gui/dialogs/CaptionColours.h"
#include "gui/dialogs/ColourReductionWizard.h"
#include "gui/view/CAnvoView.h"
#include "gui/view/DibImage.h"

namespace vorla {

static QString HexColour(Colorref colour) {
    return QStringLiteral("%1 %2 %3")
        .arg(RedOf(colour), 2, 16, QLatin1Char('0'))
        .arg(GreenOf(colour), 2, 16, QLatin1Char('0'))
        .arg(BlueOf(colour), 2, 16, QLatin1Char('0'))
        .toUpper();
}

CFramePropertiesDialog::CFramePropertiesDialog(CAnvoView& view)
    : QDialog(&view, Qt::Dialog), view_(view) {
    setModal(false);
    setWindowTitle(tr("프레임 속성"));
    BuildControls();
    ConnectSheetButtons();
    // Shift closes the dialog as 취소 while it is the active window (see eventFilter).
    qApp->installEventFilter(this);
}

CFramePropertiesDialog::~CFramePropertiesDialog() {
    qApp->removeEventFilter(this);
}

FrameTable& CFramePropertiesDialog::Table() const {
    return view_.Table();
}

FrameEntry& CFramePropertiesDialog::Entry() const {
    return view_.Table().entries[static_cast<std::size_t>(session_.Frame())];
}

void CFramePropertiesDialog::BuildControls() {
    auto* top = new QHBoxLayout(this);

    // The canvas with its scroll bars, the view check, the hint and the tools.
    auto* left = new QVBoxLayout;
    auto* canvasGrid = new QGridLayout;
    canvasGrid->setSpacing(0);
    canvas_ = new CFramePropertiesCanvas(this);
    canvas_->setMinimumSize(360, 280);
    verticalBar_ = new QScrollBar(Qt::Vertical, this);
    horizontalBar_ = new QScrollBar(Qt::Horizontal, this);
    canvasGrid->addWidget(canvas_, 0, 0);
    canvasGrid->addWidget(verticalBar_, 0, 1);
    canvasGrid->addWidget(horizontalBar_, 1, 0);
    left->addLayout(canvasGrid, 1);
    currentOnlyCheck_ = new QCheckBox(tr("현재 프레임만 보기"), this);
    left->addWidget(currentOnlyCheck_);
    hint_ = new QLabel(this);
    hint_->setWordWrap(true);
    left->addWidget(hint_);

    auto* toolGroup = new QGroupBox(tr("이미지 변경"), this);
    auto* toolGrid = new QGridLayout(toolGroup);
    tools_ = new QButtonGroup(this);
    const char* const toolNames[] = {"이동",      "너비 줄이기", "높이 줄이기", "여백 채우기",
                                     "투명 설정", "리사이즈",    "회전",        "고급 효과.."};
    for (int t = 0; t < 8; ++t) {
        auto* button = new QPushButton(tr(toolNames[t]), toolGroup);
        button->setCheckable(true);
        button->setAutoDefault(false);
        tools_->addButton(button, t);
        toolGrid->addWidget(button, t / 4, t % 4);
    }
    auto* rotateRow = new QHBoxLayout;
    angleEdit_ = new QLineEdit(toolGroup);
    angleEdit_->setMaxLength(3);
    angleEdit_->setFixedWidth(48);
    angleSlider_ = new QSlider(Qt::Horizontal, toolGroup);
    angleSlider_->setRange(0, 359);
    quarterTurnButton_ = new QPushButton(tr("+90"), toolGroup);
    quarterTurnButton_->setAutoDefault(false);
    rotateRow->addWidget(angleEdit_);
    rotateRow->addWidget(angleSlider_, 1);
    rotateRow->addWidget(quarterTurnButton_);
    toolGrid->addLayout(rotateRow, 2, 0, 1, 4);
    auto* laterRow = new QHBoxLayout;
    for (const char* name : {"테두리 넣기", "줄이기..", "전체속성.."}) {
        auto* button = new QPushButton(tr(name), toolGroup);
        button->setAutoDefault(false);
        button->setEnabled(false);  // their dialogs come later
        laterRow->addWidget(button);
        if (QString::fromUtf8(name) == QStringLiteral("줄이기..")) {
            button->setEnabled(true);
            connect(button, &QPushButton::clicked, this, [this] {
                if (!session_.Active()) return;
                // The canvas shows every step the wizard paints.
                ColourReductionWizard::Run(this, view_, session_.Frame(), [this] {
                    canvas_->FrameChanged();
                    Refresh();
                });
                AfterFrameChange(true);
            });
        }
    }
    toolGrid->addLayout(laterRow, 3, 0, 1, 4);
    left->addWidget(toolGroup);
    top->addLayout(left, 1);

    // The frame's fields.
    auto* middle = new QVBoxLayout;
    auto* delayGroup = new QGroupBox(tr("지연 시간"), this);
    auto* delayRow = new QHBoxLayout(delayGroup);
    delayRow->addWidget(new QLabel(tr("시간(1/100초)"), delayGroup));
    delayEdit_ = new QLineEdit(delayGroup);
    delayEdit_->setMaxLength(5);
    delayEdit_->setFixedWidth(60);
    delayRow->addWidget(delayEdit_);
    allFramesCheck_ = new QCheckBox(tr("모두"), delayGroup);
    delayRow->addWidget(allFramesCheck_);
    middle->addWidget(delayGroup);

    auto* disposalGroup = new QGroupBox(tr("뒷장면으로 전환시 처리"), this);
    auto* disposalRow = new QHBoxLayout(disposalGroup);
    disposalCombo_ = new QComboBox(disposalGroup);
    disposalCombo_->addItem(tr("보존"));
    disposalCombo_->addItem(tr("브라우저 배경으로 지움"));
    disposalRow->addWidget(disposalCombo_);
    middle->addWidget(disposalGroup);

    auto* offsetGroup = new QGroupBox(tr("여백"), this);
    auto* offsetGrid = new QGridLayout(offsetGroup);
    offsetGrid->addWidget(new QLabel(tr("왼쪽"), offsetGroup), 0, 0);
    leftEdit_ = new QLineEdit(offsetGroup);
    offsetGrid->addWidget(leftEdit_, 0, 1);
    offsetGrid->addWidget(new QLabel(tr("위쪽"), offsetGroup), 1, 0);
    topEdit_ = new QLineEdit(offsetGroup);
    offsetGrid->addWidget(topEdit_, 1, 1);
    centreButton_ = new QPushButton(tr("가운데로"), offsetGroup);
    topLeftButton_ = new QPushButton(tr("좌측상단으로"), offsetGroup);
    centreButton_->setAutoDefault(false);
    topLeftButton_->setAutoDefault(false);
    offsetGrid->addWidget(centreButton_, 2, 0);
    offsetGrid->addWidget(topLeftButton_, 2, 1);
    middle->addWidget(offsetGroup);

    auto* transparencyGroup = new QGroupBox(tr("투명 효과"), this);
    auto* transparencyGrid = new QGridLayout(transparencyGroup);
    transparencyCheck_ = new QCheckBox(tr("활성화"), transparencyGroup);
    transparencyGrid->addWidget(transparencyCheck_, 0, 0, 1, 2);
    transparentIndexLabel_ = new QLabel(tr("투명 인덱스"), transparencyGroup);
    transparentIndexEdit_ = new QLineEdit(transparencyGroup);
    transparentIndexEdit_->setMaxLength(3);
    transparentIndexEdit_->setFixedWidth(48);
    transparencyGrid->addWidget(transparentIndexLabel_, 1, 0);
    transparencyGrid->addWidget(transparentIndexEdit_, 1, 1);
    transparentColour_ = new QLabel(transparencyGroup);
    transparentColour_->setFrameShape(QFrame::Panel);
    transparentColour_->setFrameShadow(QFrame::Sunken);
    transparencyGrid->addWidget(transparentColour_, 2, 0, 1, 2);
    middle->addWidget(transparencyGroup);

    interlaceCheck_ = new QCheckBox(tr("인터레이스"), this);
    middle->addWidget(interlaceCheck_);

    auto* sizeGroup = new QGroupBox(tr("이미지 크기"), this);
    auto* sizeGrid = new QGridLayout(sizeGroup);
    widthEdit_ = new QLineEdit(sizeGroup);
    heightEdit_ = new QLineEdit(sizeGroup);
    sizeGrid->addWidget(widthEdit_, 0, 0);
    sizeGrid->addWidget(new QLabel(QStringLiteral("x"), sizeGroup), 0, 1);
    sizeGrid->addWidget(heightEdit_, 0, 2);
    keepAspectCheck_ = new QCheckBox(tr("가로:세로 비율 유지"), sizeGroup);
    keepAspectCheck_->setChecked(true);
    sizeGrid->addWidget(keepAspectCheck_, 1, 0, 1, 3);
    enlargeButton_ = new QPushButton(tr("최대 확대"), sizeGroup);
    enlargeButton_->setAutoDefault(false);
    sizeGrid->addWidget(enlargeButton_, 2, 0, 1, 3);
    middle->addWidget(sizeGroup);
    middle->addStretch(1);
    top->addLayout(middle);

    // The palette, the magnifier and the two endings.
    auto* right = new QVBoxLayout;
    paletteGroup_ = new QGroupBox(this);
    auto* paletteBox = new QVBoxLayout(paletteGroup_);
    paletteGrid_ = new CFramePropertiesPalette(paletteGroup_);
    paletteBox->addWidget(paletteGrid_);
    auto* usedRow = new QHBoxLayout;
    usedRow->addWidget(new QLabel(tr("사용중인 색상 수"), paletteGroup_));
    usedColours_ = new QLabel(paletteGroup_);
    usedRow->addWidget(usedColours_);
    usedRow->addStretch(1);
    paletteBox->addLayout(usedRow);
    unusedNote_ = new QLabel(paletteGroup_);
    paletteBox->addWidget(unusedNote_);
    right->addWidget(paletteGroup_);

    auto* magnifierGroup = new QGroupBox(tr("이미지 확대 정보"), this);
    auto* magnifierBox = new QVBoxLayout(magnifierGroup);
    magnifier_ = new CFramePropertiesMagnifier(magnifierGroup);
    magnifierBox->addWidget(magnifier_);
    auto* readouts = new QGridLayout;
    readouts->addWidget(new QLabel(tr("색상 정보"), magnifierGroup), 0, 0);
    colourReadout_ = new QLabel(magnifierGroup);
    indexReadout_ = new QLabel(magnifierGroup);
    positionReadout_ = new QLabel(magnifierGroup);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    positionReadout_->setFont(fixed);
    readouts->addWidget(colourReadout_, 0, 1);
    readouts->addWidget(indexReadout_, 1, 1);
    readouts->addWidget(positionReadout_, 2, 1);
    magnifierBox->addLayout(readouts);
    right->addWidget(magnifierGroup);
    right->addStretch(1);
    sizeCompareButton_ = new QPushButton(tr("파일 크기 비교"), this);
    sizeCompareButton_->setToolTip(tr("편집 전과 지금의 저장 파일 크기를 비교합니다."));
    right->addWidget(sizeCompareButton_);
    auto* okButton = new QPushButton(tr("적용"), this);
    auto* cancelButton = new QPushButton(tr("취소"), this);
    okButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    cancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    okButton->setDefault(true);
    auto* endings = new QHBoxLayout;
    endings->addWidget(okButton);
    endings->addWidget(cancelButton);
    right->addLayout(endings);
    top->addLayout(right);

    connect(okButton, &QPushButton::clicked, this, &CFramePropertiesDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CFramePropertiesDialog::reject);
    connect(sizeCompareButton_, &QPushButton::clicked, this,
            &CFramePropertiesDialog::SizeCompareClicked);
    connect(delayEdit_, &QLineEdit::textEdited, this, &CFramePropertiesDialog::DelayEdited);
    connect(allFramesCheck_, &QCheckBox::clicked, this, &CFramePropertiesDialog::DelayEdited);
    connect(disposalCombo_, &QComboBox::activated, this, &CFramePropertiesDialog::DisposalChosen);
    connect(leftEdit_, &QLineEdit::textEdited, this, &CFramePropertiesDialog::OffsetEdited);
    connect(topEdit_, &QLineEdit::textEdited, this, &CFramePropertiesDialog::OffsetEdited);
    // Typing applies what it can at once; after Return or leaving the field, the field shows the
    // value in force, so a refused or clamped text does not stay behind.
    for (QLineEdit* edit : {delayEdit_, leftEdit_, topEdit_})
        connect(edit, &QLineEdit::editingFinished, this,
                &CFramePropertiesDialog::ShowValuesInForce);
    connect(transparencyCheck_, &QCheckBox::clicked, this,
            &CFramePropertiesDialog::TransparencyClicked);
    connect(interlaceCheck_, &QCheckBox::clicked, this, &CFramePropertiesDialog::InterlaceClicked);
    connect(currentOnlyCheck_, &QCheckBox::clicked, this,
            &CFramePropertiesDialog::CurrentOnlyClicked);
    connect(horizontalBar_, &QScrollBar::valueChanged, this,
            [this] { canvas_->SetScroll(horizontalBar_->value(), verticalBar_->value()); });
    connect(verticalBar_, &QScrollBar::valueChanged, this,
            [this] { canvas_->SetScroll(horizontalBar_->value(), verticalBar_->value()); });
    connect(canvas_, &CFramePropertiesCanvas::pressed, this,
            &CFramePropertiesDialog::CanvasPressed);
    connect(canvas_, &CFramePropertiesCanvas::moved, this, &CFramePropertiesDialog::CanvasMoved);
    connect(canvas_, &CFramePropertiesCanvas::released, this,
            &CFramePropertiesDialog::CanvasReleased);
    connect(canvas_, &CFramePropertiesCanvas::left, this, &CFramePropertiesDialog::CanvasLeft);
    connect(paletteGrid_, &CFramePropertiesPalette::clicked, this,
            &CFramePropertiesDialog::PaletteClicked);
    connect(paletteGrid_, &CFramePropertiesPalette::hovered, this,
            &CFramePropertiesDialog::PaletteHovered);
    connect(paletteGrid_, &CFramePropertiesPalette::left, this,
            &CFramePropertiesDialog::PaletteLeft);
    connect(tools_, &QButtonGroup::idClicked, this, &CFramePropertiesDialog::ToolButtonClicked);
    connect(widthEdit_, &QLineEdit::textEdited, this, [this] { SizeEdited(true); });
    connect(heightEdit_, &QLineEdit::textEdited, this, [this] { SizeEdited(false); });
    connect(keepAspectCheck_, &QCheckBox::clicked, this, [this] { SizeEdited(true); });
    connect(enlargeButton_, &QPushButton::clicked, this, &CFramePropertiesDialog::EnlargeClicked);
    connect(angleEdit_, &QLineEdit::textEdited, this, &CFramePropertiesDialog::AngleEdited);
    connect(angleSlider_, &QSlider::valueChanged, this, &CFramePropertiesDialog::SliderMoved);
    connect(quarterTurnButton_, &QPushButton::clicked, this,
            &CFramePropertiesDialog::QuarterTurnClicked);
    connect(centreButton_, &QPushButton::clicked, this, &CFramePropertiesDialog::CentreClicked);
    connect(topLeftButton_, &QPushButton::clicked, this, &CFramePropertiesDialog::TopLeftClicked);
}

void CFramePropertiesDialog::Begin(int frame) {
    session_.Begin(Table(), frame, view_.Document().modified);
    snapshot_.reset();
    marginsPickPending_ = dragging_ = resizing_ = false;
    // The document's name, without the window's " *" mark for unsaved changes.
    setWindowTitle(view_.Caption() + tr("의 ") + QString::number(frame + 1) + tr("번 프레임"));
    const FrameEntry& entry = Entry();
    const int paletteSize =
        effects::PaletteSize(Table().frameImages[static_cast<std::size_t>(frame)], entry);
    if (entry.transparent && entry.transparentIndex >= paletteSize)
        ReportProgramError(view_.Table().Ui(), "88988", false);
    filling_ = true;
    delayEdit_->setText(QString::number(edit::DelayOf(entry)));
    allFramesCheck_->setChecked(false);
    disposalCombo_->setCurrentIndex(edit::DisposalChoiceOf(entry));
    interlaceCheck_->setChecked(entry.interlaced);
    transparencyCheck_->setChecked(entry.transparent);
    transparentIndexEdit_->setText(QString::number(entry.transparentIndex));
    filling_ = false;
    canvas_->SetFrame(&Table(), frame, view_.StripBackground());
    canvas_->SetCurrentOnly(currentOnlyCheck_->isChecked());
    magnifier_->Clear();
    colourReadout_->clear();
    indexReadout_->clear();
    positionReadout_->clear();
    tool_ = kMove;
    SetToolButtons(kMove);
    Refresh();
    ApplyCaptionLooks(this, view_.CaptionColour());
    if (!isVisible()) PlaceBesideDocument();
    show();
    raise();
    activateWindow();
}

bool CFramePropertiesDialog::End(bool apply) {
    bool undoStep = false;
    if (apply) {
        undoStep = session_.Apply(Table());
    } else {
        view_.Document().modified = session_.Cancel(Table());
        emit view_.titleChanged(view_.Caption());
    }
    snapshot_.reset();
    dragging_ = resizing_ = marginsPickPending_ = false;
    canvas_->SetFrame(nullptr, -1, QColor());
    QDialog::done(apply ? Accepted : Rejected);
    return undoStep;
}

void CFramePropertiesDialog::accept() {
    // A tool's question may still be open; the dialog ends after it.
    if (view_.IsRunning()) return;
    view_.EndFrameDialog(true);
}

void CFramePropertiesDialog::reject() {
    if (view_.IsRunning()) return;
    view_.EndFrameDialog(false);
}

bool CFramePropertiesDialog::eventFilter(QObject* watched, QEvent* event) {
    // Shift cancels only while this dialog is the active window: a Shift-click in the strip or
    // typing in another program keeps the edits.
    if (event->type() == QEvent::KeyPress && session_.Active() && isVisible() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift &&
        !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool active = QApplication::activeWindow() == this ||
                            (windowHandle() && QGuiApplication::focusWindow() == windowHandle());
        if (widget && widget->window() == this && active) {
            // Ended after the key's delivery, outside whatever handler is running.
            QTimer::singleShot(0, this, [this] {
                if (session_.Active()) reject();
            });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CFramePropertiesDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // The layout has already given the canvas its new size.
    if (session_.Active()) UpdateScrollRanges();
}

void CFramePropertiesDialog::PlaceBesideDocument() {
    adjustSize();
    QWidget* child = view_.parentWidget() ? view_.parentWidget() : &view_;
    const QRect document(child->mapToGlobal(QPoint(0, 0)), child->size());
    const QScreen* screen = child->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    int x = document.right() + 10;
    if (x + width() > available.right())
        x = std::max(available.left(), available.right() - width());
    int y = available.top() + (available.height() - height()) / 2;
    move(x, std::max(available.top(), y));
}

void CFramePropertiesDialog::Refresh() {
    if (!session_.Active()) return;
    FrameTable& table = Table();
    const int frame = session_.Frame();
    const FrameEntry& entry = Entry();
    filling_ = true;
    FillTransparentColourText();
    if (frame == 0 || table.frameCount == 1) {
        currentOnlyCheck_->setChecked(false);
        currentOnlyCheck_->setEnabled(false);
        canvas_->SetCurrentOnly(false);
    } else {
        currentOnlyCheck_->setEnabled(true);
    }
    UpdateScrollRanges();
    const bool wholeScreen = edit::CoversScreen(table, frame);
    usedColours_->setText(QString::number(edit::UsedColourCount(table, frame)));
    leftEdit_->setText(QString::number(entry.left));
    topEdit_->setText(QString::number(entry.top));
    const bool transparent = entry.transparent;
    transparentIndexLabel_->setVisible(transparent);
    transparentIndexEdit_->setVisible(transparent);
    transparentColour_->setVisible(transparent);
    transparencyCheck_->setChecked(transparent);
    if (wholeScreen && tool_ == kMove) {
        tool_ = kNoTool;
        SetToolButtons(kNoTool);
    }
    switch (tool_) {
        case kMove:
            hint_->setText(tr("마우스로 이미지를 드래그해서 이동하세요."));
            hint_->show();
            break;
        case kPickTransparent:
            if (transparent) {
                hint_->setText(tr("팔레트나 이미지 위에서 마우스 클릭을 하세요."));
            } else {
                hint_->setText(tr("투명설정을 하려면 투명기능을 활성화해야 합니다."));
            }
            hint_->show();
            break;
        default: hint_->hide(); break;
    }
    ApplyCaptionLook(hint_, view_.CaptionColour());
    widthEdit_->setEnabled(tool_ == kResize);
    heightEdit_->setEnabled(tool_ == kResize);
    angleEdit_->setVisible(tool_ == kRotate);
    angleSlider_->setVisible(tool_ == kRotate);
    quarterTurnButton_->setVisible(tool_ == kRotate);
    centreButton_->setVisible(tool_ == kMove);
    topLeftButton_->setVisible(tool_ == kMove);
    topLeftButton_->setEnabled(entry.left != 0 || entry.top != 0);
    transparencyCheck_->setEnabled(tool_ != kRotate);
    keepAspectCheck_->setVisible(tool_ == kResize);
    enlargeButton_->setVisible(tool_ == kResize);
    if (tool_ != kResize || !resizing_) {
        widthEdit_->setText(QString::number(entry.width));
        heightEdit_->setText(QString::number(entry.height));
    }
    leftEdit_->setEnabled(!wholeScreen);
    topEdit_->setEnabled(!wholeScreen);
    tools_->button(kMove)->setEnabled(!wholeScreen);
    const QString note = transparent && !edit::TransparentIndexUsed(table, frame)
                             ? (tool_ == kPickTransparent ? tr("[쓰이지 않는 색상 인덱스]")
                                                          : tr("  [투명색이 쓰이지 않음]"))
                             : QString();
    unusedNote_->setText(note);
    RefreshPalette();
    filling_ = false;
    canvas_->update();
}

void CFramePropertiesDialog::RefreshPalette() {
    const FrameEntry& entry = Entry();
    const CDib& image = Table().frameImages[static_cast<std::size_t>(session_.Frame())];
    const int size = effects::PaletteSize(image, entry);
    QVector<QColor> colours;
    colours.reserve(size);
    for (int i = 0; i < size; ++i) colours.append(ToQColor(image.PaletteColor(i)));
    paletteGrid_->SetColours(colours, entry.transparent ? entry.transparentIndex : -1);
    paletteGroup_->setTitle(QString::number(entry.colorCount) + tr("색 팔레트"));
    magnifier_->SetKeyColour(entry.transparent ? static_cast<int>(entry.keyColor) : -1);
}

void CFramePropertiesDialog::FillTransparentColourText() {
    const FrameEntry& entry = Entry();
    const CDib& image = Table().frameImages[static_cast<std::size_t>(session_.Frame())];
    // The colour the transparent index stands for, not the key colour that replaces it.
    const Colorref colour =
        entry.transparent ? entry.transparentColor : image.PaletteColor(entry.transparentIndex);
    transparentColour_->setText(HexColour(colour));
}

void CFramePropertiesDialog::UpdateScrollRanges() {
    const QSize content = canvas_->ContentSize();
    const int rangeX = std::max(0, content.width() - canvas_->width());
    const int rangeY = std::max(0, content.height() - canvas_->height());
    horizontalBar_->setRange(0, rangeX);
    verticalBar_->setRange(0, rangeY);
    horizontalBar_->setPageStep(canvas_->width());
    verticalBar_->setPageStep(canvas_->height());
    horizontalBar_->setVisible(rangeX > 0);
    verticalBar_->setVisible(rangeY > 0);
}

void CFramePropertiesDialog::AfterFrameChange(bool renewSnapshot) {
    const int frame = session_.Frame();
    view_.FrameChangedByDialog(frame);
    canvas_->FrameChanged();
    if (renewSnapshot && snapshot_) snapshot_ = edit::TakeToolSnapshot(Table(), frame);
    filling_ = true;
    transparentIndexEdit_->setText(QString::number(Entry().transparentIndex));
    filling_ = false;
    Refresh();
}

void CFramePropertiesDialog::SetToolButtons(int tool) {
    if (tool < kNoTool || tool > kEffects) {
        ReportProgramError(Table().Ui(), "23421", false);
        return;
    }
    if (tool == kNoTool) {
        tools_->setExclusive(false);
        for (QAbstractButton* button : tools_->buttons()) button->setChecked(false);
        tools_->setExclusive(true);
        return;
    }
    tools_->button(tool)->setChecked(true);
}

void CFramePropertiesDialog::DelayEdited() {
    if (filling_ || !session_.Active()) return;
    edit::ApplyDelayText(Table(), session_.Frame(), delayEdit_->text().toStdString(),
                         allFramesCheck_->isChecked());
    view_.Invalidate();
    view_.RefreshAnimationPane();
}

void CFramePropertiesDialog::ShowValuesInForce() {
    if (filling_ || !session_.Active()) return;
    const FrameEntry& entry = Entry();
    const std::pair<QLineEdit*, int> fields[] = {
        {delayEdit_, edit::DelayOf(entry)}, {leftEdit_, entry.left}, {topEdit_, entry.top}};
    filling_ = true;
    for (const auto& [field, value] : fields) {
        const QString text = QString::number(value);
        if (field->text() != text) field->setText(text);
    }
    filling_ = false;
}

void CFramePropertiesDialog::DisposalChosen(int item) {
    if (filling_ || !session_.Active()) return;
    edit::SetDisposalChoice(Entry(), item);
    view_.Invalidate();
    view_.RefreshAnimationPane();
    canvas_->update();
}

void CFramePropertiesDialog::OffsetEdited() {
    if (filling_ || !session_.Active()) return;
    bool leftOk = false, topOk = false;
    const int left = leftEdit_->text().toInt(&leftOk);
    const int top = topEdit_->text().toInt(&topOk);
    // Unreadable or out-of-screen offsets are ignored: the frame stays where it is.
    if (!leftOk || !topOk || !edit::MoveFrameTo(Table(), session_.Frame(), left, top)) return;
    view_.Invalidate();
    view_.RefreshAnimationPane();
    topLeftButton_->setEnabled(left != 0 || top != 0);
    canvas_->update();
}

void CFramePropertiesDialog::TransparencyClicked(bool on) {
    if (filling_ || !session_.Active()) return;
    edit::SetFrameTransparency(Table(), session_.Frame(), on);
    if (snapshot_) snapshot_ = edit::TakeToolSnapshot(Table(), session_.Frame());
    AfterFrameChange(false);
}

void CFramePropertiesDialog::InterlaceClicked(bool on) {
    if (filling_ || !session_.Active()) return;
    Entry().interlaced = on ? 1 : 0;
}

void CFramePropertiesDialog::CurrentOnlyClicked(bool on) {
    canvas_->SetCurrentOnly(on);
}

}  // namespace vorla
