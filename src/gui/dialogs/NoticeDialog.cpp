#include "gui/dialogs/NoticeDialog.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vorla {

namespace {

// About 289 x 64 dialog units of the classic dialog font.
constexpr QSize kSize(434, 104);
// A pale yellow, the colour of hints, set apart from document windows; the text is black on it.
const QColor kNoticeColour(255, 255, 225);

}  // namespace

NoticeDialog::NoticeDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    // A notice must not take the keyboard focus from the window the user works in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kSize);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kNoticeColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    text_ = new QLabel(this);
    text_->setObjectName("text1081");
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    text_->setFrameShape(QFrame::Box);  // the only edge a frameless window has
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
}

QString NoticeDialog::Text() const {
    return text_->text();
}

void NoticeDialog::Display(const QString& text, int milliseconds, int style) {
    const QString outerText = text_->text();
    const int outerStyle = style_;
    ++depth_;
    style_ = style;
    text_->setText(text);
    CentreOnOwner();
    show();
    raise();
    repaint();  // painted before the first wait, whatever the event loop does next

    // The wait can only return once every loop started inside it has returned (a question a
    // queued drop asks meanwhile, say). The notice leaves the screen on time all the same, so that
    // it neither covers that question nor tells of something long past.
    QEventLoop wait;
    const int depth = depth_;
    QTimer::singleShot(std::max(0, milliseconds), &wait, [this, depth, &wait] {
        if (depth_ == depth) hide();  // a notice shown inside this one keeps the window
        wait.quit();
    });
    wait.exec(QEventLoop::ExcludeUserInputEvents);

    if (--depth_ > 0) {
        text_->setText(outerText);
        style_ = outerStyle;
    } else {
        hide();
    }
}

void NoticeDialog::CentreOnOwner() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner && owner->isVisible()) {
        area = owner->frameGeometry();
    } else if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace vorla
