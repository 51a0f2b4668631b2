#include "gui/play/CAnimationBar.h"

#include <QApplication>
#include <QPainter>

#include "gui/app/CMainFrame.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

class CAnimationBar::Canvas : public QWidget {
public:
    explicit Canvas(CMainFrame& mainFrame) : QWidget(nullptr), main_(mainFrame) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(60, 40);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        CAnvoView* view = main_.PaneView();
        if (view && main_.paneDrawing) {
            view->DrawAnimationFrameToPane(painter, rect());
        } else {
            painter.fillRect(rect(), QApplication::palette().color(QPalette::Button));
        }
    }

private:
    CMainFrame& main_;
};

CAnimationBar::CAnimationBar(CMainFrame& mainFrame)
    : QDockWidget(tr("애니메이션 창"), &mainFrame), canvas_(new Canvas(mainFrame)) {
    setObjectName(QStringLiteral("animationPane"));
    setAllowedAreas(Qt::NoDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setWidget(canvas_);
}

void CAnimationBar::RefreshContent() {
    canvas_->update();
}

}  // namespace vorla
