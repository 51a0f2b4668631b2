#include "core/edit/FrameTransparency.h"

#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {
namespace {

bool ValidFrame(const FrameTable& table, int frame) {
    return frame >= 0 && frame < table.frameCount;
}

}  // namespace

bool SetFrameTransparency(FrameTable& table, int frame, bool on) {
    if (!ValidFrame(table, frame)) return false;
    const auto slot = static_cast<std::size_t>(frame);
    FrameEntry& entry = table.entries[slot];
    if (on) return effects::MakeTransparent(table, frame) >= 0;
    if (!entry.transparent) return false;
    CDib& image = table.frameImages[slot];
    if (entry.transparentIndex < effects::PaletteSize(image, entry))
        image.SetPaletteColor(entry.transparentIndex, entry.transparentColor);
    entry.transparent = 0;
    return true;
}

bool PickTransparentIndex(FrameTable& table, int frame, int index) {
    if (!ValidFrame(table, frame)) return false;
    const auto slot = static_cast<std::size_t>(frame);
    FrameEntry& entry = table.entries[slot];
    if (!entry.transparent) {
        table.Ui().ShowMessage("먼저 투명 기능을 활성화하세요.");
        return false;
    }
    CDib& image = table.frameImages[slot];
    const int size = effects::PaletteSize(image, entry);
    if (index < 0 || index >= size) return false;
    if (entry.transparentIndex < size)
        image.SetPaletteColor(entry.transparentIndex, entry.transparentColor);
    entry.transparentIndex = static_cast<std::uint8_t>(index);
    table.SetKeyColor(frame);
    return true;
}

}  // namespace vorla::edit
