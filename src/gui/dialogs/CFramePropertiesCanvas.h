// The frame properties dialog's canvas: the logical screen with the frame at its offsets, over
// the frames before it unless only the current frame is asked for. Positions it reports are in
// logical-screen pixels.
#pragma once

#include <QImage>
#include <QWidget>

namespace vorla {

class FrameTable;

class CFramePropertiesCanvas : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMargin = 4;  // pixels between the widget's edge and the screen's frame

    explicit CFramePropertiesCanvas(QWidget* parent = nullptr);

    // The frame shown; the cache of the frames before it is dropped.
    void SetFrame(const FrameTable* table, int frame, const QColor& stripBackground);
    // The frame's image or entry changed (the earlier frames did not).
    void FrameChanged();
    void SetCurrentOnly(bool on);
    void SetScroll(int x, int y);
    // Tool 5's drag: the frame drawn stretched to this size; an empty size draws it as it is.
    void SetStretch(const QSize& size);
    // Tools 1 and 2: the column (vertical) or row marked with a dotted line, image pixels; -1 none.
    void SetCutMark(int column, int row);

    QPoint ToScreen(const QPoint& widgetPoint) const;
    // The whole screen plus the frame's margin, for the scroll ranges.
    QSize ContentSize() const;
    // Whether the earlier frames are cached (benchmarks and tests).
    bool HasCompositeCache() const { return !composite_.isNull(); }

signals:
    void pressed(const QPoint& screenPoint);
    void moved(const QPoint& screenPoint, bool leftDown);
    void released(const QPoint& screenPoint);
    void left();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void BuildComposite();

    const FrameTable* table_ = nullptr;
    int frame_ = -1;
    QColor stripBackground_;
    QImage composite_;  // the frames before frame_ over the dialog colour, screen-sized
    QImage current_;    // frame_ with its key colour transparent
    bool currentOnly_ = false;
    QPoint scroll_;
    QSize stretch_;
    int cutColumn_ = -1;
    int cutRow_ = -1;
};

}  // namespace vorla
