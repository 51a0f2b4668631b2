#include "core/edit/FrameDialogSession.h"

#include <algorithm>

#include "core/edit/FrameEditRules.h"
#include "core/edit/Saving.h"
#include "core/effects/PaletteOps.h"
#include "core/gif/WriteAnimation.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"

namespace vorla::edit {
namespace {

// Entries compare without their selection: clicks in the strip stay live while the dialog is
// open and are no edit of the session.
bool SameButSelection(FrameEntry a, FrameEntry b) {
    a.selected = b.selected;
    a.gapSelected = b.gapSelected;
    return a == b;
}

}  // namespace

void FrameDialogSession::Begin(const FrameTable& table, int frame, bool modified) {
    frame_ = frame;
    modified_ = modified;
    entries_.assign(table.entries.begin(), table.entries.begin() + table.frameCount);
    image_ = table.frameImages[static_cast<std::size_t>(frame)];
}

bool FrameDialogSession::Changed(const FrameTable& table) const {
    if (!Active()) return false;
    // The view refuses every command that adds or removes frames while the dialog is open.
    if (table.frameCount != static_cast<int>(entries_.size())) return true;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!SameButSelection(table.entries[i], entries_[i])) return true;
    }
    return !(table.frameImages[static_cast<std::size_t>(frame_)] == image_);
}

bool FrameDialogSession::Cancel(FrameTable& table) {
    if (!Active()) return false;
    const auto count = std::min(entries_.size(), static_cast<std::size_t>(table.frameCount));
    for (std::size_t i = 0; i < count; ++i) {
        FrameEntry& entry = table.entries[i];
        const std::uint8_t selected = entry.selected;
        const std::uint8_t gapSelected = entry.gapSelected;
        entry = entries_[i];
        entry.selected = selected;
        entry.gapSelected = gapSelected;
    }
    if (frame_ < table.frameCount) table.frameImages[static_cast<std::size_t>(frame_)] = image_;
    frame_ = -1;
    entries_.clear();
    image_ = CDib{};
    return modified_;
}

bool FrameDialogSession::Apply(const FrameTable& table) {
    const bool changed = Changed(table);
    frame_ = -1;
    entries_.clear();
    image_ = CDib{};
    return changed;
}

SavedSizes MeasureSessionSizes(FrameTable& table, const FrameDialogSession& session,
                               GifEncoder& encoder) {
    SavedSizes sizes;
    MemoryStream none;
    // A preserving write: key colours and entries come back as they were.
    sizes.now = WriteAnimation(table, none, true, true, encoder, nullptr);
    if (!session.Active() || session.Frame() >= table.frameCount) return sizes;

    // The state at opening, put in place for one measurement and swapped back afterwards. Only
    // the session's frame image and the entries can differ from it.
    const auto frame = static_cast<std::size_t>(session.Frame());
    const std::size_t count =
        std::min(session.EntryCount(), static_cast<std::size_t>(table.frameCount));
    std::vector<FrameEntry> current(table.entries.begin(), table.entries.begin() + count);
    CDib currentImage = std::move(table.frameImages[frame]);
    for (std::size_t i = 0; i < count; ++i) table.entries[i] = session.EntryAt(i);
    table.frameImages[frame] = session.ImageCopy();
    sizes.before = WriteAnimation(table, none, true, true, encoder, nullptr);
    table.frameImages[frame] = std::move(currentImage);
    std::copy(current.begin(), current.end(), table.entries.begin());
    return sizes;
}

std::string SessionSizeText(const SavedSizes& sizes) {
    return saving::SizeText("*default", sizes.now, "편집 전 파일 크기", sizes.before);
}

int ApplyDelayText(FrameTable& table, int frame, const std::string& text, bool allFrames) {
    const int delay = ReadDelayText(text);
    if (allFrames) {
        for (int i = 0; i < table.frameCount; ++i)
            SetDelay(table.entries[static_cast<std::size_t>(i)], delay);
    } else if (frame >= 0 && frame < table.frameCount) {
        SetDelay(table.entries[static_cast<std::size_t>(frame)], delay);
    }
    return delay;
}

void SetDisposalChoice(FrameEntry& entry, int item) {
    constexpr std::uint8_t kDisposalBits = 7 << 2;
    if (item == kDisposalRestoreBackground) {
        entry.restoreBackground = 1;
        entry.controlFlags =
            static_cast<std::uint8_t>((entry.controlFlags & ~kDisposalBits) | (2 << 2));
        return;
    }
    entry.restoreBackground = 0;
    if (entry.Disposal() == 2)
        entry.controlFlags =
            static_cast<std::uint8_t>((entry.controlFlags & ~kDisposalBits) | (1 << 2));
}

int DisposalChoiceOf(const FrameEntry& entry) {
    return entry.restoreBackground ? kDisposalRestoreBackground : kDisposalKeep;
}

bool MoveFrameTo(FrameTable& table, int frame, int left, int top) {
    if (frame < 0 || frame >= table.frameCount) return false;
    FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    if (left < 0 || top < 0) return false;
    if (left + entry.width > table.settings.screenWidth) return false;
    if (top + entry.height > table.settings.screenHeight) return false;
    entry.left = static_cast<std::int16_t>(left);
    entry.top = static_cast<std::int16_t>(top);
    return true;
}

FrameOffsetPair DraggedOffsets(const FrameTable& table, int frame, int dx, int dy) {
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    const int screenWidth = table.settings.screenWidth;
    const int screenHeight = table.settings.screenHeight;
    FrameOffsetPair to{entry.left + dx, entry.top + dy};
    if (to.left < 0) to.left = 0;
    if (to.left + entry.width > screenWidth) to.left = screenWidth - entry.width;
    if (to.top < 0) to.top = 0;
    if (to.top + entry.height > screenHeight) to.top = screenHeight - entry.height;
    return to;
}

bool CoversScreen(const FrameTable& table, int frame) {
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    return entry.left == 0 && entry.top == 0 && entry.width == table.settings.screenWidth &&
           entry.height == table.settings.screenHeight;
}

int UsedColourCount(const FrameTable& table, int frame) {
    const auto slot = static_cast<std::size_t>(frame);
    const CDib& image = table.frameImages[slot];
    const int size = effects::PaletteSize(image, table.entries[slot]);
    if (size == 0) return 0;
    const auto histogram = effects::IndexHistogram(image);
    int used = 0;
    for (int i = 0; i < size; ++i) used += histogram[static_cast<std::size_t>(i)] > 0 ? 1 : 0;
    return used;
}

bool TransparentIndexUsed(const FrameTable& table, int frame) {
    const auto slot = static_cast<std::size_t>(frame);
    const CDib& image = table.frameImages[slot];
    if (image.BitCount() != 8) return false;
    const auto histogram = effects::IndexHistogram(image);
    return histogram[table.entries[slot].transparentIndex] > 0;
}

}  // namespace vorla::edit
