#include "gui/view/FrameImageCache.h"

#include "gui/view/DibImage.h"

namespace vorla {
namespace {

std::size_t HashPalette(const CDib& dib) {
    std::size_t hash = 1469598103934665603ull;
    for (const RgbQuad& q : dib.ColorTable()) {
        hash = (hash ^ (q.red | (q.green << 8) | (q.blue << 16))) * 1099511628211ull;
    }
    return hash;
}

}  // namespace

const QImage& FrameImageCache::Get(int slot, const CDib& dib, const FrameEntry& entry) {
    Item& item = items_[static_cast<std::size_t>(slot)];
    item.lastUse = ++clock_;
    const long long key = entry.transparent ? static_cast<long long>(entry.keyColor) : -1;
    const void* bits = dib.Bits().data();
    const std::size_t paletteHash = HashPalette(dib);
    if (item.image.isNull() || item.bits != bits || item.key != key ||
        item.paletteHash != paletteHash) {
        Drop(item);
        const std::size_t incoming =
            static_cast<std::size_t>(dib.Width()) * static_cast<std::size_t>(dib.Height()) * 4;
        MakeRoom(incoming, &item);
        item.image = DibToQImage(dib, key);
        item.bits = bits;
        item.key = key;
        item.paletteHash = paletteHash;
        bytes_ += static_cast<std::size_t>(item.image.sizeInBytes());
        ++count_;
    }
    return item.image;
}

void FrameImageCache::Drop(Item& item) {
    if (item.image.isNull()) return;
    bytes_ -= static_cast<std::size_t>(item.image.sizeInBytes());
    --count_;
    const std::uint64_t lastUse = item.lastUse;
    item = Item{};
    item.lastUse = lastUse;
}

void FrameImageCache::MakeRoom(std::size_t incoming, const Item* keep) {
    while (count_ >= kMinEntries && bytes_ + incoming > budget_) {
        Item* oldest = nullptr;
        for (Item& candidate : items_) {
            if (&candidate == keep || candidate.image.isNull()) continue;
            if (!oldest || candidate.lastUse < oldest->lastUse) oldest = &candidate;
        }
        if (!oldest) return;
        Drop(*oldest);
    }
}

void FrameImageCache::Clear(int first, int last) {
    for (int k = std::max(first, 0); k <= last && k < FrameTable::kSlots; ++k) {
        Drop(items_[static_cast<std::size_t>(k)]);
    }
}

}  // namespace vorla
