#include "gui/app/CChildFrame.h"

#include <QCloseEvent>

#include "gui/app/CMainFrame.h"
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
    // An open frame dialog does not hold the close: quitting applies it (see CAnvoView_Dialogs).
    if (view_->IsRunning()) {
        if (auto* mainFrame = qobject_cast<CMainFrame*>(window())) mainFrame->RefuseWhileBusy();
        event->ignore();
        return;
    }
    if (!view_->QueryClose()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) view_->OnDestroy();
}

}  // namespace vorla
