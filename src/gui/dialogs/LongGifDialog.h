// "긴 GIF 열기": which images of a GIF longer than a document become its frames - the first ones,
// a run from a chosen image, or every k-th image. The ranges and the frame count come from the
// core's LongGifQuestion; the dialog only collects the answer.
#pragma once

#include <QDialog>

#include "core/port/LongGifQuestion.h"

class QLabel;
class QRadioButton;
class QSpinBox;

namespace vorla {

class LongGifDialog : public QDialog {
    Q_OBJECT

public:
    LongGifDialog(const LongGifQuestion& question, QWidget* parent = nullptr);

    // The choice after OK; Cancel and the close box give Kind::Cancel.
    LongGifWay Answer() const { return answer_; }

    void accept() override;
    void reject() override;

private:
    LongGifWay Current() const;
    void ShowFrameCount();

    LongGifQuestion question_;
    LongGifWay answer_;
    QRadioButton* first_;
    QRadioButton* from_;
    QRadioButton* every_;
    QSpinBox* start_;
    QSpinBox* step_;
    QLabel* result_;
};

}  // namespace vorla
