// A view's hand-off to external programs: frames handed to an external editor, frames linked to
// files that are reloaded when they change, and the paint edit (one frame in a paint program,
// with its manager window; the view counts as busy while it is open). The document's serial
// number names its work folder.
#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QString>

#include "core/external/FrameLinks.h"
#include "core/external/PaintEditSession.h"

namespace vorla {

class CAnvoView;
class PaintEditManager;
class ViewServices;
namespace external {
struct EditorSlot;
}

class ViewExternalEditing {
    Q_DECLARE_TR_FUNCTIONS(ViewExternalEditing)

public:
    ViewExternalEditing(CAnvoView& view, ViewServices& services);
    ~ViewExternalEditing();

    void HandFramesToEditor(const external::EditorSlot& slot);
    // "자동 갱신 연결": links the menu's frame to a file the user names.
    void LinkMenuFrame();
    // The worker's check of linked files and of the paint edit's file.
    void PollFiles();
    void EditInPaint();
    void EndPaintEdit(bool apply);
    bool PaintEditOpen() const { return paintEdit_.Active(); }
    QWidget* PaintManager() const;
    // This document's work folder for external editors.
    QString WorkFolder();

private:
    // Gives the document its serial number; from then on the worker watches its links.
    void Use();

    CAnvoView& view_;
    ViewServices& services_;
    bool inUse_ = false;
    int serial_ = 0;  // unique among the documents of this run; 0 until first use
    external::LinkPoller poller_;
    external::PaintEditSession paintEdit_;
    QPointer<PaintEditManager> manager_;
    QPointer<QProcess> paintProcess_;
    QString paintProgram_;
    bool modifiedBeforePaintEdit_ = false;  // 취소 gives the document's flag back
};

}  // namespace vorla
