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
    long long key = entry.transparent ? static_cast<long long>(entry.keyColor) : -1;
    const void* bits = dib.Bits().data();
    std::size_t paletteHash = HashPalette(dib);
    if (item.image.isNull() || item.bits != bits || item.key != key ||
        item.paletteHash != paletteHash) {
        item.image = DibToQImage(dib, key);
        item.bits = bits;
        item.key = key;
        item.paletteHash = paletteHash;
    }
    return item.image;
}

void FrameImageCache::Clear(int first, int last) {
    for (int k = std::max(first, 0); k <= last && k < FrameTable::kSlots; ++k) {
        items_[static_cast<std::size_t>(k)] = Item{};
    }
}

}  // namespace vorla
