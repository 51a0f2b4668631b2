// The application's internal frame clipboard: up to 300 frames with their entries (links
// included). It belongs to the main window, so frames copied in one document can be pasted in
// another, also after the source window has closed.
#pragma once

#include <array>
#include <memory>

#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla {

class FrameTable;

class FrameClipboard {
public:
    static constexpr int kCapacity = 300;

    FrameClipboard()
        : images_(std::make_unique<std::array<CDib, kCapacity>>()),
          entries_(std::make_unique<std::array<FrameEntry, kCapacity>>()) {}
    // A deep copy: a long run pastes from its own copy, since the shared clipboard may be
    // replaced from another window while the run pumps messages.
    FrameClipboard(const FrameClipboard& other);
    FrameClipboard& operator=(const FrameClipboard&) = delete;

    // Replaces the content with the selected frames of table, in order. Returns the count.
    int CopySelected(const FrameTable& table);
    // Replaces the content with one image and its entry.
    void CopyOne(const CDib& image, const FrameEntry& entry);

    int Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    const CDib& Image(int i) const { return (*images_)[static_cast<std::size_t>(i)]; }
    FrameEntry& Entry(int i) { return (*entries_)[static_cast<std::size_t>(i)]; }
    const FrameEntry& Entry(int i) const { return (*entries_)[static_cast<std::size_t>(i)]; }

private:
    std::unique_ptr<std::array<CDib, kCapacity>> images_;
    std::unique_ptr<std::array<FrameEntry, kCapacity>> entries_;
    int count_ = 0;
};

}  // namespace vorla
