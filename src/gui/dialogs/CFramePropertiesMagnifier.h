// The frame properties dialog's magnifier: 16 x 13 cells around the pixel under the mouse, 10
// pixels apart, each a 9 x 9 square of the pixel's colour; the centre cell (7, 6) outlined.
#pragma once

#include <QWidget>
#include <array>

namespace vorla {

class CFramePropertiesMagnifier : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 16;
    static constexpr int kRows = 13;
    static constexpr int kCentreColumn = 7;
    static constexpr int kCentreRow = 6;
    static constexpr int kPitch = 10;
    // Cell values: a packed RGB colour, or one of these.
    static constexpr int kOutside = -1;  // a point outside the image
    static constexpr int kNoData = -2;

    explicit CFramePropertiesMagnifier(QWidget* parent = nullptr);

    // Cell (i, j); false for a cell outside the table (the caller reports it).
    bool SetCell(int i, int j, int value);
    void Clear();
    // Cells of this colour are hatched as transparent; -1 none.
    void SetKeyColour(int colour) { keyColour_ = colour; }
    // Tools 1 and 2: a line through the centre column (vertical) or row.
    void SetCutLine(bool column, bool row);
    int Cell(int i, int j) const { return cells_[static_cast<std::size_t>(j * kColumns + i)]; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<int, kColumns * kRows> cells_{};
    int keyColour_ = -1;
    bool cutColumn_ = false;
    bool cutRow_ = false;
};

}  // namespace vorla
