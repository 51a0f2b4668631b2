// The frame properties dialog's palette grid: 7 x 7 cells on an 8-pixel pitch, 16 a row, in
// index order; the transparent cell framed in red with a black frame one pixel further out.
#pragma once

#include <QColor>
#include <QVector>
#include <QWidget>

namespace vorla {

class CFramePropertiesPalette : public QWidget {
    Q_OBJECT

public:
    static constexpr int kOrigin = 2;  // room for the transparent cell's outer frame

    explicit CFramePropertiesPalette(QWidget* parent = nullptr);
    // transparentIndex -1: no framed cell.
    void SetColours(const QVector<QColor>& colours, int transparentIndex);
    // The index of the cell at a widget point, or -1.
    int IndexAt(const QPoint& point) const;
    QSize sizeHint() const override;

signals:
    void clicked(int index);
    void hovered(int index);  // -1: over no cell
    void left();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QVector<QColor> colours_;
    int transparentIndex_ = -1;
    int hovered_ = -1;
};

}  // namespace vorla
