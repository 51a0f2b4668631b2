#include "gui/play/CAnimationBar.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include "gui/view/CAnvoView.h"
#include "gui/view/ViewServices.h"

namespace vorla {

class CAnimationBar::Canvas : public QWidget {
public:
    explicit Canvas(ViewServices& services) : QWidget(nullptr), services_(services) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(60, 40);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        CAnvoView* view = services_.PaneView();
        if (view && services_.PaneDrawing()) {
            view->DrawAnimationFrameToPane(painter, rect());
        } else {
            painter.fillRect(rect(), QApplication::palette().color(QPalette::Button));
        }
    }

private:
    ViewServices& services_;
};

CAnimationBar::CAnimationBar(ViewServices& services, QWidget* parent)
    : QDockWidget(tr("애니메이션 창"), parent), canvas_(new Canvas(services)) {
    setObjectName(QStringLiteral("animationPane"));
    setAllowedAreas(Qt::NoDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setWidget(canvas_);
}

void CAnimationBar::RefreshContent() {
    canvas_->update();
}

void CAnimationBar::FitAnimation(const QSize& screenSize) {
    if (screenSize.isEmpty()) return;
    // The dock's title bar and frame: what the pane has around its canvas.
    const QSize chrome = size() - canvas_->size();
    QSize wanted = screenSize + QSize(2 * kMargin, 2 * kMargin) + chrome;
    wanted = wanted.expandedTo(QSize(kInitialSize, kInitialSize));
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        // At most half the screen each way, so the strip, the menus and the other windows stay
        // in sight; a larger animation is shown scaled down inside it.
        wanted =
            wanted.boundedTo((available.size() / 2).expandedTo(QSize(kInitialSize, kInitialSize)));
        resize(wanted);
        // Keep the grown pane on the screen.
        QRect placed = frameGeometry();
        if (placed.right() > available.right()) placed.moveRight(available.right());
        if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
        if (placed.left() < available.left()) placed.moveLeft(available.left());
        if (placed.top() < available.top()) placed.moveTop(available.top());
        if (placed.topLeft() != frameGeometry().topLeft()) move(placed.topLeft());
        return;
    }
    resize(wanted);
}

}  // namespace vorla
