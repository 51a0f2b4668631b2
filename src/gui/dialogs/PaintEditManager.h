// "연결 프로그램  관리자": the modeless window that supervises one frame edited in the paint
// program. 적용 keeps what the program saved, 취소 puts the frame back as it was; the view does
// both (CAnvoView::EndPaintEdit).
#pragma once

#include <QDialog>

class QPushButton;

namespace vorla {

class CAnvoView;

class PaintEditManager : public QDialog {
    Q_OBJECT

public:
    PaintEditManager(CAnvoView& view, QWidget* parent);

    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CAnvoView& view_;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vorla
