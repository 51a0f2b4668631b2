// Premultiplied ARGB copies of frame bitmaps for painting the strip's rows, by table slot. An
// entry is reused only while its slot still holds the same pixel buffer with the same palette
// and key colour, so frames moving between slots or edited in place are never drawn stale.
//
// The copies are four times the size of the 8-bit frames they come from, so the cache is bounded
// in bytes: what the strip painted last stays, the least recently used copy goes first.
#pragma once

#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"
#include "core/model/FrameTable.h"

namespace vorla {

class FrameImageCache {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{16} << 20;  // bytes of ARGB
    // Kept whatever their size, so that one paint of a few large rows never converts twice.
    static constexpr int kMinEntries = 4;

    explicit FrameImageCache(std::size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // The copy of slot's frame; valid until the next Get or Clear.
    const QImage& Get(int slot, const CDib& dib, const FrameEntry& entry);
    void Clear(int first, int last);
    void ClearAll() { Clear(0, FrameTable::kSlots - 1); }

    int Count() const { return count_; }
    std::size_t Bytes() const { return bytes_; }
    std::size_t Budget() const { return budget_; }

private:
    struct Item {
        QImage image;
        const void* bits = nullptr;
        std::size_t paletteHash = 0;
        long long key = -2;
        std::uint64_t lastUse = 0;
    };
    void Drop(Item& item);
    // Evicts least recently used copies until `incoming` more bytes fit; keeps `keep`.
    void MakeRoom(std::size_t incoming, const Item* keep);

    std::array<Item, FrameTable::kSlots> items_;
    std::size_t budget_;
    std::size_t bytes_ = 0;
    int count_ = 0;
    std::uint64_t clock_ = 0;
};

}  // namespace vorla
