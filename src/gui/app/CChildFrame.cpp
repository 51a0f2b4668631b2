#include "gui/app/CChildFrame.h"

#include <QCloseEvent>

#include "gui/view/CAnvoView.h"

namespace vorla {

CChildFrame::CChildFrame(CAnvoView* view, QWidget* parent) : QMdiSubWindow(parent), view_(view) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    resize(200, 200);  // the size before the view lays the strip out
    setWindowTitle(view->Caption());
    connect(view, &CAnvoView::titleChanged, this, [this](const QString& title) {
        setWindowTitle(view_->Document().modified ? title + QStringLiteral(" *") : title);
    });
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (view_->IsRunning() || !view_->QueryClose()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) view_->OnDestroy();
}

}  // namespace vorla
