// "작업 진행": a modeless progress dialog with a status text, a bar and a cancel button (Escape
// cancels too). Showing it clears the cancel flag.
#pragma once

#include <QDialog>

#include "core/port/WorkProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vorla {

class WorkProgressDialog : public QDialog, public WorkProgress {
    Q_OBJECT

public:
    explicit WorkProgressDialog(QWidget* parent = nullptr);

    void SetTitle(const std::string& title) override;
    void SetStatusText(const std::string& text) override;
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void Show() override;
    bool IsShown() const override { return isVisible(); }
    bool Cancelled() const override { return cancelled_; }

protected:
    void reject() override;  // Escape and the close box

private:
    QString title_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelled_ = false;
};

}  // namespace vorla
