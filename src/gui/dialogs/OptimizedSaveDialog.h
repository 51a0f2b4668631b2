// The dialogs of "최적화하여 저장". They only collect values; the view does the work between
// them, never inside their exec.
//
// Settings: an optional size limit in KB, the lossy level (0 lossless) and whether a frame that
// repeats the screen before it joins that frame (its delay added). Choice: when the
// optimised file is above the limit, the ways to a smaller file with the size each gives, and
// saving as optimised anyway.
#pragma once

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QSpinBox;

namespace vorla {

class OptimizedSaveDialog : public QDialog {
    Q_OBJECT

public:
    // The settings, opening with the last ones used.
    OptimizedSaveDialog(QWidget* parent, bool limitOn, int limitKb, int lossy, bool mergeRepeats);
    // The choice: ways[i] is one line ("색 수 줄이기 (64색): 85 KB"); fitting[i] whether it
    // meets the limit; available[i] false disables a way that could not be made. The first
    // fitting way is chosen at first; the last line saves as is.
    OptimizedSaveDialog(QWidget* parent, qint64 optimisedBytes, qint64 limitBytes,
                        const QStringList& ways, const QList<bool>& fitting,
                        const QList<bool>& available);

    bool LimitOn() const;
    int LimitKb() const;
    int Lossy() const;  // 0..kMaxLossy
    bool MergeRepeats() const;
    // 0..ways - 1 a way; ways.size(): as optimised.
    int Chosen() const;

private:
    QCheckBox* limit_ = nullptr;
    QSpinBox* kilobytes_ = nullptr;
    QSpinBox* lossy_ = nullptr;
    QCheckBox* mergeRepeats_ = nullptr;
    QButtonGroup* ways_ = nullptr;
};

}  // namespace vorla
