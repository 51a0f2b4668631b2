#include "gui/dialogs/CMyColorDialog.h"

namespace vorla {

CMyColorDialog::CMyColorDialog(QWidget* parent) : QColorDialog(Qt::black, parent) {
    // The platform's own chooser would ignore the caption; Qt's dialog shows it everywhere.
    setOption(QColorDialog::DontUseNativeDialog);
}

void CMyColorDialog::setVisible(bool visible) {
    if (visible && !isVisible()) {
        setWindowTitle(caption);
        setCurrentColor(result_);
    }
    QColorDialog::setVisible(visible);
}

void CMyColorDialog::done(int result) {
    // QColorDialog forgets its selected colour on Cancel; the result colour must not.
    if (result == QDialog::Accepted) result_ = currentColor();
    QColorDialog::done(result);
}

}  // namespace vorla
