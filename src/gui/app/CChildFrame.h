// The frame around one document's view. It refuses to close while its view is busy (loading or
// generating frames), so a long operation is never cut off halfway.
#pragma once

#include <QMdiSubWindow>

namespace vorla {

class CAnvoView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT

public:
    explicit CChildFrame(CAnvoView* view, QWidget* parent = nullptr);
    CAnvoView* View() const { return view_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CAnvoView* view_;
};

}  // namespace vorla
