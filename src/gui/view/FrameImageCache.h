// Premultiplied ARGB copies of frame bitmaps for painting, one per table slot. An entry is reused
// only while its slot still holds the same pixel buffer with the same palette and key colour, so
// frames moving between slots or edited in place are never drawn stale.
#pragma once

#include <QImage>
#include <array>
#include <cstddef>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/model/FrameTable.h"

namespace vorla {

class FrameImageCache {
public:
    const QImage& Get(int slot, const CDib& dib, const FrameEntry& entry);
    void Clear(int first, int last);
    void ClearAll() { Clear(0, FrameTable::kSlots - 1); }

private:
    struct Item {
        QImage image;
        const void* bits = nullptr;
        std::size_t paletteHash = 0;
        long long key = -2;
    };
    std::array<Item, FrameTable::kSlots> items_;
};

}  // namespace vorla
