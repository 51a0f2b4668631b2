#include "gui/dialogs/PaintEditManager.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "gui/view/CAnvoView.h"

namespace vorla {

PaintEditManager::PaintEditManager(CAnvoView& view, QWidget* parent)
    : QDialog(parent, Qt::Tool), view_(view) {
    setModal(false);
    setWindowTitle(tr("연결 프로그램  관리자"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* grid = new QGridLayout(this);
    auto* program = new QComboBox(this);
    program->addItem(tr("그림판"));
    program->setEnabled(false);
    auto* format = new QComboBox(this);
    format->addItem(QStringLiteral("BMP"));
    format->setEnabled(false);
    grid->addWidget(program, 0, 0);
    grid->addWidget(format, 0, 1);
    grid->addWidget(new QLabel(tr("연결 프로그램 내에서 [저장] 버튼을 누르세요."), this), 1, 0, 1,
                    2);
    apply_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("적용"), this);
    cancel_ =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("취소"), this);
    apply_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    grid->addWidget(apply_, 2, 0);
    grid->addWidget(cancel_, 2, 1);
    // The view ends the edit; the buttons only say how. Queued: the view hides this window.
    connect(
        apply_, &QPushButton::clicked, this, [this] { view_.EndPaintEdit(true); },
        Qt::QueuedConnection);
    connect(
        cancel_, &QPushButton::clicked, this, [this] { view_.EndPaintEdit(false); },
        Qt::QueuedConnection);
    move(0, 0);  // the top left of the screen, out of the paint program's way
}

void PaintEditManager::closeEvent(QCloseEvent* event) {
    // The close box is 취소.
    event->ignore();
    view_.EndPaintEdit(false);
}

void PaintEditManager::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        view_.EndPaintEdit(false);
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vorla
