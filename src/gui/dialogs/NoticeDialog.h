// A short notice without buttons: a frameless box with one centred text, displayed for a fixed
// time and then closed again. The owner keeps one instance and reuses it for every notice.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace vorla {

class NoticeDialog : public QDialog {
    Q_OBJECT

public:
    explicit NoticeDialog(QWidget* parent = nullptr);

    // Shows the text centred on the owner (on the screen without a visible owner) and returns
    // after `milliseconds`. Meanwhile painting and timers go on, but keyboard and mouse input wait
    // until the notice has closed, as they would for a busy program. A notice displayed from
    // inside another one takes its place for its time; the outer text then returns.
    void Display(const QString& text, int milliseconds, int style);

    QString Text() const;
    // Kept with the notice for its callers; it changes nothing that is shown.
    int Style() const { return style_; }

private:
    void CentreOnOwner();

    QLabel* text_;
    int style_ = 0;
    int depth_ = 0;  // Display calls in progress
};

}  // namespace vorla
