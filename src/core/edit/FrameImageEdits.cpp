#include "core/edit/FrameImageEdits.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/effects/PaletteOps.h"
#include "core/model/FrameEntry.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {
namespace {

using effects::kMaxPaletteEntries;

constexpr std::uint8_t kDisposalBits = 0x1C;  // bits 2..4 of the graphic-control flags
constexpr std::uint8_t kRestoreToBackground = 2 << 2;

bool ValidFrame(const FrameTable& table, int frame) {
    return frame >= 0 && frame < table.frameCount;
}

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

bool IsPlain8Bit(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0;
}

bool FitsEntry(std::int64_t value) {
    return value >= 1 && value <= INT16_MAX;
}

// The transparent index the frame's pixels carry now, or -1.
int CurrentKeyIndex(const CDib& image, const FrameEntry& entry) {
    if (!entry.transparent) return -1;
    return entry.transparentIndex < effects::PaletteSize(image, entry) ? entry.transparentIndex
                                                                       : -1;
}

// Widens the image's table and colorCount to 256 entries; new entries are black and unused.
void WidenPalette(CDib& image, FrameEntry& entry) {
    if (image.ColorCount() < kMaxPaletteEntries) image.SetColorCount(kMaxPaletteEntries);
    entry.colorCount = kMaxPaletteEntries;
}

// After the image was replaced: the transparent index becomes keyIndex, which the new image's
// transparent pixels carry; the entry gets back the colour it stands for and the key colour is
// chosen afresh against the new palette, so that no other entry resembles it. Without a usable
// keyIndex the frame is made transparent anew. A frame without transparency gets the index its
// convention wants (colorCount - 1).
void SettleTransparency(FrameTable& table, int frame, int keyIndex) {
    CDib& image = table.frameImages[Slot(frame)];
    FrameEntry& entry = table.entries[Slot(frame)];
    if (!entry.transparent) {
        entry.transparentIndex = static_cast<std::uint8_t>(std::max(entry.colorCount - 1, 0));
        return;
    }
    if (keyIndex < 0 || keyIndex >= effects::PaletteSize(image, entry)) {
        entry.transparent = 0;
        effects::MakeTransparent(table, frame);
        return;
    }
    entry.transparentIndex = static_cast<std::uint8_t>(keyIndex);
    image.SetPaletteColor(keyIndex, entry.transparentColor);
    table.SetKeyColor(frame);
}

// Frees an entry for a new colour without touching the transparent one: an unused entry, else
// the least-used other entry after its pixels moved to their nearest other colour. -1: none.
int EntryForNewColour(CDib& image, const FrameEntry& entry) {
    const int size = effects::PaletteSize(image, entry);
    const int key = CurrentKeyIndex(image, entry);
    const auto counts = effects::IndexHistogram(image);
    for (int i = size - 1; i >= 0; --i) {
        if (i != key && counts[Slot(i)] == 0) return i;
    }
    if (key < 0) return effects::FreeEntryIfFull(image, entry);
    // Every entry but the (unused) transparent one is in use: FreeEntryIfFull would see that
    // one as free, so the least-used entry is merged here.
    int removed = -1;
    for (int i = 0; i < size; ++i) {
        if (i != key && (removed < 0 || counts[Slot(i)] < counts[Slot(removed)])) removed = i;
    }
    int nearest = -1;
    for (int i = 0; removed >= 0 && i < size; ++i) {
        if (i == key || i == removed) continue;
        if (nearest < 0 ||
            effects::ColourDistance(image.PaletteColor(removed), image.PaletteColor(i)) <
                effects::ColourDistance(image.PaletteColor(removed), image.PaletteColor(nearest)))
            nearest = i;
    }
    if (nearest < 0) return -1;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.Row(y);
        std::replace(row, row + image.Width(), static_cast<std::uint8_t>(removed),
                     static_cast<std::uint8_t>(nearest));
    }
    return removed;
}

// The whole logical screen in `fill`, with the frame's pixels at its offsets (clipped to the
// screen) and its transparent pixels (keyIndex >= 0) in `fill` too.
CDib OnScreen(const CDib& image, const FrameEntry& entry, std::int32_t screenWidth,
              std::int32_t screenHeight, std::uint8_t fill, int keyIndex) {
    CDib screen;
    screen.Create(screenWidth, screenHeight, 8, kMaxPaletteEntries);
    std::copy_n(image.ColorTable().begin(), kMaxPaletteEntries, screen.ColorTable().begin());
    for (std::int32_t y = 0; y < screenHeight; ++y)
        std::memset(screen.Row(y), fill, static_cast<std::size_t>(screenWidth));
    const std::int32_t fromX = std::max(0, -std::int32_t{entry.left});
    const std::int32_t toX = std::min(image.Width(), screenWidth - entry.left);
    const std::int32_t toY = std::min(image.Height(), screenHeight - entry.top);
    for (std::int32_t y = std::max(0, -std::int32_t{entry.top}); y < toY; ++y) {
        const std::uint8_t* from = image.Row(y);
        std::uint8_t* to = screen.Row(entry.top + y) + entry.left;
        for (std::int32_t x = fromX; x < toX; ++x) to[x] = from[x] == keyIndex ? fill : from[x];
    }
    return screen;
}

}  // namespace

ToolSnapshot TakeToolSnapshot(const FrameTable& table, int frame) {
    ToolSnapshot snapshot;
    if (!ValidFrame(table, frame)) return snapshot;
    snapshot.image = table.frameImages[Slot(frame)];
    snapshot.transparentIndex = CurrentKeyIndex(snapshot.image, table.entries[Slot(frame)]);
    return snapshot;
}

bool CropFrame(FrameTable& table, int frame, const ImageRect& rect) {
    if (!ValidFrame(table, frame)) return false;
    CDib& image = table.frameImages[Slot(frame)];
    FrameEntry& entry = table.entries[Slot(frame)];
    // Imaging's trim would clamp such a rectangle without a word; a cut never asks for one.
    if (rect.left < 0 || rect.top < 0 || rect.right < rect.left || rect.bottom < rect.top ||
        rect.right >= image.Width() || rect.bottom >= image.Height()) {
        ReportProgramError(table.Ui(), "74527", false);
        return false;
    }
    if (!IsPlain8Bit(image)) return false;
    const int key = CurrentKeyIndex(image, entry);
    const std::int32_t width = rect.right - rect.left + 1;
    const std::int32_t height = rect.bottom - rect.top + 1;
    CDib cropped;
    cropped.Create(width, height, 8, image.ColorCount());
    cropped.ColorTable() = image.ColorTable();
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(cropped.Row(y), image.Row(rect.top + y) + rect.left,
                    static_cast<std::size_t>(width));
    image = std::move(cropped);
    WidenPalette(image, entry);
    entry.left =
        static_cast<std::int16_t>(std::clamp(entry.left + rect.left, INT16_MIN, INT16_MAX));
    entry.top = static_cast<std::int16_t>(std::clamp(entry.top + rect.top, INT16_MIN, INT16_MAX));
    entry.width = static_cast<std::int16_t>(width);
    entry.height = static_cast<std::int16_t>(height);
    // The pixels kept their indices, so the transparent entry (the one that holds the key colour
    // exactly) stays; the widened palette may have brought the key colour's black twin.
    SettleTransparency(table, frame, key);
    return true;
}

bool CutFrame(FrameTable& table, int frame, CutAxis axis, int position) {
    if (!ValidFrame(table, frame)) return false;
    const CDib& image = table.frameImages[Slot(frame)];
    const bool columns = axis == CutAxis::Columns;
    const std::int32_t extent = columns ? image.Width() : image.Height();
    const std::optional<ChoiceRequest> question = CutQuestion(axis, position, extent);
    if (!question) return false;
    const ChoiceAnswer answer = table.Ui().Choose(*question, false);
    if (!answer.accepted) return false;
    const std::optional<AxisSpan> kept = CutKeeps(position, extent, answer.chosen);
    if (!kept) return false;
    ImageRect rect{0, 0, image.Width() - 1, image.Height() - 1};
    if (columns) {
        rect.left = kept->first;
        rect.right = kept->first + kept->count - 1;
    } else {
        rect.top = kept->first;
        rect.bottom = kept->first + kept->count - 1;
    }
    return CropFrame(table, frame, rect);
}

MarginMethod AskMarginMethod(UserInterface& ui) {
    ChoiceRequest request;
    request.title = "여백 색상 지정 방법";
    request.message = "모든 여백을 채우려고 합니다. \n\n여백 색상을 어떻게 정할까요?";
    request.options = {"기존의 이미지 중에서 선택", "새로 만듦", "투명으로 채움", ""};
    request.hideMask = "OOOX";
    request.disableMask = "OOOX";
    request.preselected = 0;
    const ChoiceAnswer answer = ui.Choose(request, false);
    if (!answer.accepted) return MarginMethod::Cancelled;
    switch (answer.chosen) {
        case 0: return MarginMethod::PickFromImage;
        case 1: return MarginMethod::NewColour;
        case 2: return MarginMethod::Transparent;
        default: return MarginMethod::Cancelled;
    }
}

bool FillMargins(FrameTable& table, int frame, const MarginFill& fill) {
    if (!ValidFrame(table, frame)) return false;
    const std::int32_t screenWidth = table.settings.screenWidth;
    const std::int32_t screenHeight = table.settings.screenHeight;
    if (!FitsEntry(screenWidth) || !FitsEntry(screenHeight)) return false;
    CDib& image = table.frameImages[Slot(frame)];
    FrameEntry& entry = table.entries[Slot(frame)];
    if (!IsPlain8Bit(image)) return false;
    const int key = CurrentKeyIndex(image, entry);
    if (fill.kind == MarginFill::Kind::Transparent ||
        (fill.kind == MarginFill::Kind::PaletteIndex && fill.index == key && key >= 0))
        return effects::FillMarginsWithTransparency(table, frame);
    if (fill.kind == MarginFill::Kind::PaletteIndex &&
        (fill.index < 0 || fill.index >= effects::PaletteSize(image, entry)))
        return false;

    const bool widened =
        entry.colorCount != kMaxPaletteEntries || image.ColorCount() < kMaxPaletteEntries;
    WidenPalette(image, entry);
    int index = fill.index;
    if (fill.kind == MarginFill::Kind::Colour) {
        index = -1;
        for (int i = 0; i < kMaxPaletteEntries && index < 0; ++i) {
            if (i != key && image.PaletteColor(i) == fill.colour) index = i;
        }
        if (index < 0) index = EntryForNewColour(image, entry);
        if (index < 0) return false;
        image.SetPaletteColor(index, fill.colour);
    }
    image =
        OnScreen(image, entry, screenWidth, screenHeight, static_cast<std::uint8_t>(index), key);
    entry.left = 0;
    entry.top = 0;
    entry.width = static_cast<std::int16_t>(screenWidth);
    entry.height = static_cast<std::int16_t>(screenHeight);
    // The transparent entry keeps its index (now without pixels); a new colour or the widened
    // palette may have come near the key colour, so it is chosen again.
    if (key < 0 || widened || fill.kind == MarginFill::Kind::Colour)
        SettleTransparency(table, frame, key);
    return true;
}

bool FillMarginsWithPickedIndex(FrameTable& table, int frame, int index) {
    if (!ValidFrame(table, frame)) return false;
    const int key = CurrentKeyIndex(table.frameImages[Slot(frame)], table.entries[Slot(frame)]);
    if (key >= 0 && index == key) {
        if (!AskQuestion(table.Ui(), "투명색으로 모든 여백을 채우겠습니까?", "여백 채우기"))
            return false;
        return FillMargins(table, frame, {MarginFill::Kind::Transparent, 0, 0});
    }
    return FillMargins(table, frame, {MarginFill::Kind::PaletteIndex, index, 0});
}

bool FillMarginsWithNewColour(FrameTable& table, int frame, Colorref& chooserColour) {
    if (!ValidFrame(table, frame)) return false;
    if (!table.Ui().ChooseColor(chooserColour, "여백을 채울 색상을 선택하세요")) return false;
    return FillMargins(table, frame, {MarginFill::Kind::Colour, 0, chooserColour});
}

ResizeRules ResizeRulesFor(const FrameTable& table, int frame, const ToolSnapshot& snapshot,
                           bool keepAspect) {
    ResizeRules rules;
    rules.screenWidth = table.settings.screenWidth;
    rules.screenHeight = table.settings.screenHeight;
    rules.keepAspect = keepAspect;
    if (ValidFrame(table, frame)) {
        rules.left = table.entries[Slot(frame)].left;
        rules.top = table.entries[Slot(frame)].top;
    }
    if (!snapshot.image.IsEmpty())
        rules.ratio = static_cast<double>(snapshot.image.Height()) / snapshot.image.Width();
    return rules;
}

bool ResizeFrame(FrameTable& table, int frame, const ToolSnapshot& snapshot, FrameSize size) {
    if (!ValidFrame(table, frame) || !IsPlain8Bit(snapshot.image)) return false;
    FrameEntry& entry = table.entries[Slot(frame)];
    if (!FitsEntry(size.width) || !FitsEntry(size.height)) return false;
    if (entry.left + size.width > table.settings.screenWidth ||
        entry.top + size.height > table.settings.screenHeight)
        return false;
    const int key = entry.transparent ? snapshot.transparentIndex : -1;
    CDib resized;
    int newKey = -1;
    if (!table.Images().ResampleIndexed(snapshot.image, key, size.width, size.height, resized,
                                        newKey) ||
        !IsPlain8Bit(resized) || resized.Width() != size.width || resized.Height() != size.height)
        return false;
    CDib& image = table.frameImages[Slot(frame)];
    image = std::move(resized);
    WidenPalette(image, entry);
    entry.width = static_cast<std::int16_t>(size.width);
    entry.height = static_cast<std::int16_t>(size.height);
    SettleTransparency(table, frame, key >= 0 ? newKey : -1);
    return true;
}

bool EnlargeToMaximum(FrameTable& table, int frame, const ToolSnapshot& snapshot, bool keepAspect) {
    if (!ValidFrame(table, frame)) return false;
    FrameEntry& entry = table.entries[Slot(frame)];
    const FrameEntry before = entry;
    const FrameSize size = ResizeRulesFor(table, frame, snapshot, keepAspect).MaximumEnlargement();
    entry.left = 0;
    entry.top = 0;
    if (ResizeFrame(table, frame, snapshot, size)) return true;
    entry = before;
    return false;
}

std::optional<ToolSnapshot> StartRotation(FrameTable& table, int frame) {
    if (!ValidFrame(table, frame) || effects::MakeTransparent(table, frame) < 0)
        return std::nullopt;
    return TakeToolSnapshot(table, frame);
}

bool RotateFrame(FrameTable& table, int frame, const ToolSnapshot& snapshot, int degrees) {
    if (!ValidFrame(table, frame) || snapshot.transparentIndex < 0) return false;
    CDib rotated;
    if (!table.Images().RotateIndexed(snapshot.image, degrees,
                                      static_cast<std::uint8_t>(snapshot.transparentIndex),
                                      rotated) ||
        !IsPlain8Bit(rotated) || rotated.Width() != snapshot.image.Width() ||
        rotated.Height() != snapshot.image.Height())
        return false;
    CDib& image = table.frameImages[Slot(frame)];
    FrameEntry& entry = table.entries[Slot(frame)];
    image = std::move(rotated);
    entry.width = static_cast<std::int16_t>(image.Width());
    entry.height = static_cast<std::int16_t>(image.Height());
    entry.restoreBackground = 1;
    entry.controlFlags =
        static_cast<std::uint8_t>((entry.controlFlags & ~kDisposalBits) | kRestoreToBackground);
    entry.transparent = 1;
    SettleTransparency(table, frame, snapshot.transparentIndex);
    return true;
}

bool RotateFromSlider(FrameTable& table, int frame, int tool, const ToolSnapshot& snapshot,
                      int position) {
    if (tool != kRotateTool) {
        ReportProgramError(table.Ui(), "93012", false);
        return false;
    }
    return RotateFrame(table, frame, snapshot, position);
}

}  // namespace vorla::edit
