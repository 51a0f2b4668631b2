// The colour chooser with a caption of the caller's choosing. Its result colour persists between
// uses of the same instance: each showing starts from it, OK replaces it, Cancel keeps it.
#pragma once

#include <QColor>
#include <QColorDialog>
#include <QString>

namespace vorla {

class CMyColorDialog : public QColorDialog {
    Q_OBJECT

public:
    explicit CMyColorDialog(QWidget* parent = nullptr);

    QString caption;  // becomes the window title each time the dialog is shown

    // Black until the first OK.
    QColor ResultColor() const { return result_; }
    void SetResultColor(const QColor& colour) { result_ = colour; }

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    QColor result_ = Qt::black;
};

}  // namespace vorla
