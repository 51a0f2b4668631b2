#include "core/edit/Paste.h"

#include <algorithm>
#include <string>

#include "core/edit/FrameClipboard.h"
#include "core/edit/FrameEditing.h"
#include "core/edit/Selection.h"
#include "core/gif/GifDecoder.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {
namespace {

// Opens slot `at` by moving frames at..frameCount-1 one place back.
void OpenSlot(FrameTable& table, int at) {
    for (int k = table.frameCount; k > at; --k) {
        auto to = static_cast<std::size_t>(k);
        table.frameImages[to] = std::move(table.frameImages[to - 1]);
        table.displayImages[to] = std::move(table.displayImages[to - 1]);
        table.entries[to] = std::move(table.entries[to - 1]);
    }
}

}  // namespace

bool PasteFrames(FrameTable& table, FrameClipboard& clipboard) {
    UserInterface& ui = table.Ui();
    if (clipboard.Count() + table.frameCount >= FrameTable::kMaxFrames + 1) {
        ui.ShowMessage("더 이상의 프레임을 붙여넣을 수 없습니다.");
        return false;
    }
    if (clipboard.Empty()) {
        ShowInfoBox(ui, "데이터가 없습니다.", "프레임 바꾸기");
        return false;
    }
    const int savedSuspend = table.rebuildSuspend;
    if (table.rebuildSuspend == 0) table.rebuildSuspend = 1;
    for (int k = 0; k < clipboard.Count(); ++k) {
        FrameEntry& entry = clipboard.Entry(k);
        const int screenW = table.settings.screenWidth;
        const int screenH = table.settings.screenHeight;
        if (entry.left + entry.width > screenW || entry.top + entry.height > screenH) {
            if (entry.width > screenW || entry.height > screenH) {
                const int w = std::max<int>(screenW, entry.width);
                const int h = std::max<int>(screenH, entry.height);
                table.Host().Invalidate();
                if (!AskQuestion(ui,
                                 "전체 크기 규격을 " + std::to_string(w) + " x " +
                                     std::to_string(h) + "으로 확대해야 합니다. \n\n계속할까요?",
                                 "프레임 붙여넣기")) {
                    table.rebuildSuspend = savedSuspend;
                    table.Host().Invalidate();
                    return false;
                }
                table.SetZoom(w, h, false);
            }
            entry.left = 0;
            entry.top = 0;
        }
        const int at = table.targetGap + 1;
        OpenSlot(table, at);
        auto slot = static_cast<std::size_t>(at);
        table.frameImages[slot] = clipboard.Image(k);
        table.displayImages[slot].Free();
        table.entries[slot] = entry;
        table.entries[slot].gapSelected = 1;
        ++table.frameCount;
        table.targetGap = at;
    }
    table.rebuildSuspend = savedSuspend;
    table.RebuildDisplayImages(-1, false, false, false);
    table.SetZoom(table.settings.screenWidth, table.settings.screenHeight, false);
    table.ClearSelection(true, -1);
    table.Host().Invalidate();
    return true;
}

bool ReplaceWithClipboard(FrameTable& table, FrameClipboard& clipboard,
                          const std::function<void(int frame)>& beforeCommit) {
    const int m = table.menuFrame;
    if (m < 0 || m >= table.frameCount) {
        ReportProgramError(table.Ui(), "21316", false);
        return false;
    }
    const FrameEntry old = table.entries[static_cast<std::size_t>(m)];
    table.targetGap = m - 1;
    table.rebuildSuspend = 1;
    if (!PasteFrames(table, clipboard)) {
        table.rebuildSuspend = 0;
        return false;
    }
    table.ClearSelection(true, -1);
    // The replaced frame now follows the pasted ones.
    table.entries[static_cast<std::size_t>(m + clipboard.Count())].selected = 1;
    DeleteSelectedFrames(table, nullptr);
    table.rebuildSuspend = 0;
    FrameEntry& first = table.entries[static_cast<std::size_t>(m)];
    first.delay = old.delay;
    // Disposal travels with its derived flag so restoreBackground keeps matching it.
    first.controlFlags =
        static_cast<std::uint8_t>((first.controlFlags & ~0x1C) | (old.controlFlags & 0x1C));
    first.restoreBackground = old.restoreBackground;
    if (beforeCommit) beforeCommit(m);
    table.RebuildDisplayImages(-1, false, false, false);
    return true;
}

ImageLoad LoadImageForPaste(const std::string& path, Imaging& imaging, IncomingImage& out) {
    FileStream file;
    char magic[4] = {};
    const bool isGif = file.Open(path, FileStream::Mode::Read) && file.Read(magic, 4) == 4 &&
                       std::string(magic, 4) == "GIF8";
    file.Close();
    if (isGif) {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(path, bytes, GifDecoder::kMaxInputBytes)) return ImageLoad::DamagedGif;
        MemoryStream in{std::span<const std::uint8_t>(bytes)};
        MemoryStream bmp;
        GifDecoder decoder;
        if (!decoder.Decode(&in, bmp, "i", 0) || decoder.ImageMissing() || decoder.Page().cutShort)
            return ImageLoad::DamagedGif;
        bmp.SeekToBegin();
        if (!out.image.Read(bmp)) return ImageLoad::DamagedGif;
        out.transparent = decoder.Page().transparent;
        out.transparentIndex = decoder.Page().transparentIndex;
        return ImageLoad::Ok;
    }
    out.transparent = false;
    if (imaging.LoadFile(path, 8, out.image) != ImagingResult::Ok || out.image.BitCount() != 8) {
        return ImageLoad::Unreadable;
    }
    return ImageLoad::Ok;
}

FrameEntry NewImageEntry(const CDib& image) {
    FrameEntry entry;
    entry.width = static_cast<std::int16_t>(image.Width());
    entry.height = static_cast<std::int16_t>(image.Height());
    entry.delay = 50;
    entry.colorCount = 256;
    entry.controlFlags = 4;
    entry.transparentIndex = 255;
    return entry;
}

namespace {

// The frame at `frame` takes the pasted GIF's transparency with a fresh key colour.
void ApplyIncomingTransparency(FrameTable& table, int frame, const IncomingImage& incoming) {
    if (!incoming.transparent || frame < 0 || frame >= table.frameCount) return;
    FrameEntry& entry = table.entries[static_cast<std::size_t>(frame)];
    entry.transparent = 1;
    entry.transparentIndex = static_cast<std::uint8_t>(incoming.transparentIndex);
    table.SetKeyColor(frame);
}

}  // namespace

bool PasteImage(FrameTable& table, FrameClipboard& clipboard, const IncomingImage& incoming) {
    const int gap = table.targetGap;
    clipboard.CopyOne(incoming.image, NewImageEntry(incoming.image));
    const int savedSuspend = table.rebuildSuspend;
    // The transparency is applied before the commit, so the paste stays one undo step.
    if (savedSuspend == 0) table.rebuildSuspend = 1;
    const bool pasted = PasteFrames(table, clipboard);
    table.rebuildSuspend = savedSuspend;
    if (!pasted) return false;
    ApplyIncomingTransparency(table, gap + 1, incoming);
    if (savedSuspend == 0) table.RebuildDisplayImages(-1, false, false, false);
    table.ClearSelection(true, -1);
    selection::SelectGapAfter(table, gap + 1);
    table.Host().Invalidate();
    return true;
}

bool ReplaceFrameWithImage(FrameTable& table, FrameClipboard& clipboard,
                           const IncomingImage& incoming) {
    const int m = table.menuFrame;
    if (m < 0 || m >= table.frameCount) {
        ReportProgramError(table.Ui(), "21316", false);
        return false;
    }
    clipboard.CopyOne(incoming.image, NewImageEntry(incoming.image));
    return ReplaceWithClipboard(
        table, clipboard, [&](int frame) { ApplyIncomingTransparency(table, frame, incoming); });
}

}  // namespace vorla::edit
