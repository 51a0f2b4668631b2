// The strip's cursors, drawn in code: over a gap, the three pick-mode shapes and the two phases
// of the drag cursor.
#pragma once

#include <QCursor>

namespace vorla {

class ViewCursors {
public:
    ViewCursors();
    const QCursor& Drag(int phase) const { return phase ? drag2 : drag1; }

    QCursor gap;
    QCursor pickNothing;
    QCursor pickGapPaste;
    QCursor pickFramePaste;
    QCursor pickFrameCopy;
    QCursor drag1;
    QCursor drag2;
};

}  // namespace vorla
