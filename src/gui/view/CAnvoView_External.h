// What a view keeps for external programs: its document's serial number (which names its work
// folder), the link poller, the paint edit with its manager window and program, and the colour
// chooser's colour of its border dialog.
#pragma once

#include <QPointer>
#include <QProcess>

#include "core/external/FrameLinks.h"
#include "core/external/PaintEditSession.h"
#include "gui/dialogs/PaintEditManager.h"
#include "gui/view/CAnvoView.h"

namespace vorla {

struct CAnvoView::ExternalState {
    int serial = 0;  // unique among the documents of this run
    external::LinkPoller poller;
    external::PaintEditSession paintEdit;
    QPointer<PaintEditManager> manager;
    QPointer<QProcess> paintProcess;
    QString paintProgram;
    Colorref chooserColour = 0;
    bool modifiedBeforePaintEdit = false;  // 취소 gives the document's flag back
    // The global properties changed the screen while the frame dialog was open: a snapshot
    // now would hold the dialog's unfinished edits, so it is taken when the dialog ends.
    bool snapshotOwed = false;
};

}  // namespace vorla
