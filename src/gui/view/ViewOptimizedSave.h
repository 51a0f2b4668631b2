// A view's optimising save and what each frame costs in it: "최적화하여 저장" (settings, file name,
// the optimising write with its progress, and above a size limit the ways to a smaller file with
// their sizes), "파일 용량" with the optimised size beside the ordinary one, and the per-frame
// byte costs the strip shows (estimated in the background, exact after a save).
#pragma once

#include <QCoreApplication>
#include <memory>

#include "gui/view/FrameByteCosts.h"

namespace vorla {

class CAnvoView;
class ViewServices;

class ViewOptimizedSave {
    Q_DECLARE_TR_FUNCTIONS(ViewOptimizedSave)

public:
    // The costs are estimated only while the view may be read (not busy, not loading).
    ViewOptimizedSave(CAnvoView& view, ViewServices& services);

    void Save();
    void ShowSavedSize();
    FrameByteCosts& ByteCosts() { return byteCosts_; }
    const FrameByteCosts& ByteCosts() const { return byteCosts_; }

    static constexpr const char* kOptimisedSizeLabel = "최적화하여 저장시 파일 크기";

private:
    CAnvoView& view_;
    ViewServices& services_;
    FrameByteCosts byteCosts_;
};

}  // namespace vorla
