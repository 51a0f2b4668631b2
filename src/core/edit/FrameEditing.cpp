#include "core/edit/FrameEditing.h"

#include "core/edit/FrameClipboard.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {

bool DeleteSelectedFrames(FrameTable& table, FrameClipboard* cutTo) {
    if (cutTo && table.CountSelection() > FrameClipboard::kCapacity) {
        table.Ui().ShowMessage("오려둘 이미지 갯수가 너무 많습니다");
        return false;
    }
    table.loadingScreen = true;
    if (cutTo) cutTo->CopySelected(table);
    // Remove from the back so every removal moves only the frames behind it once.
    for (int k = table.frameCount - 1; k >= 0; --k) {
        if (table.entries[static_cast<std::size_t>(k)].selected) table.RemoveFrame(k);
    }
    table.SetZoom(table.settings.screenWidth, table.settings.screenHeight, false);
    table.RebuildDisplayImages(-1, false, false, false);
    table.loadingScreen = false;
    return true;
}

}  // namespace vorla::edit
