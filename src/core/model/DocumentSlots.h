// The five document slots of the main window: at most five animations are open at once, and the
// slot number names each document's undo file.
#pragma once

#include <array>

namespace vorla {

class DocumentSlots {
public:
    static constexpr int kCount = 5;

    // The lowest free slot, or -1 when all are taken.
    int FirstFreeSlot() const {
        for (int k = 0; k < kCount; ++k) {
            if (!used_[static_cast<std::size_t>(k)]) return k;
        }
        return -1;
    }
    int UsedSlots() const {
        int count = 0;
        for (bool used : used_) count += used ? 1 : 0;
        return count;
    }
    void Take(int slot) { Set(slot, true); }
    void Release(int slot) { Set(slot, false); }
    bool IsUsed(int slot) const {
        return slot >= 0 && slot < kCount && used_[static_cast<std::size_t>(slot)];
    }

private:
    void Set(int slot, bool used) {
        if (slot >= 0 && slot < kCount) used_[static_cast<std::size_t>(slot)] = used;
    }
    std::array<bool, kCount> used_{};
};

}  // namespace vorla
