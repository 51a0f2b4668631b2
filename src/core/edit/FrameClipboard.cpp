#include "core/edit/FrameClipboard.h"

#include "core/model/FrameTable.h"

namespace vorla {

FrameClipboard::FrameClipboard(const FrameClipboard& other) : FrameClipboard() {
    for (int i = 0; i < other.count_; ++i) {
        (*images_)[static_cast<std::size_t>(i)] = other.Image(i);
        (*entries_)[static_cast<std::size_t>(i)] = other.Entry(i);
    }
    count_ = other.count_;
}

int FrameClipboard::CopySelected(const FrameTable& table) {
    count_ = 0;
    for (int i = 0; i < table.frameCount && count_ < kCapacity; ++i) {
        const FrameEntry& entry = table.entries[static_cast<std::size_t>(i)];
        if (!entry.selected) continue;
        (*images_)[static_cast<std::size_t>(count_)] =
            table.frameImages[static_cast<std::size_t>(i)];
        (*entries_)[static_cast<std::size_t>(count_)] = entry;
        ++count_;
    }
    return count_;
}

void FrameClipboard::CopyOne(const CDib& image, const FrameEntry& entry) {
    (*images_)[0] = image;
    (*entries_)[0] = entry;
    count_ = 1;
}

}  // namespace vorla
