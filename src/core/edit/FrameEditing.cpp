#include "core/edit/FrameEditing.h"

#include <algorithm>
#include <memory>

#include "core/edit/FrameClipboard.h"
#include "core/edit/Paste.h"
#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "core/model/Settings.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"
#include "core/port/WorkProgress.h"

namespace vorla::edit {
namespace {

const char kGapMessage[] = "선택하신 메뉴는 프레임과 프레임 사이를 선택하신 후 사용하십시오.";
const char kOneFrameMessage[] = "선택하신 메뉴는 하나의 프레임을 선택하신 후 사용하십시오.";
const char kDuplicateTitle[] = "같은 프레임 여러 장 만들기";
const char kRemoveTitle[] = "프레임 제거";

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

// The gap a "delete all before/after" command works on, or -2 after the message. Only a gap
// with frames on both sides qualifies: the end gaps would remove nothing or every frame.
int GapWithFramesOnBothSides(FrameTable& table, bool frameMenuForm) {
    int gap = table.targetGap;
    if (frameMenuForm) {
        gap = -2;
        if (table.CountSelection() == -1) {
            table.targetGap = table.selectedGapIndex;
            gap = table.targetGap;
        }
    }
    if (gap < 0 || gap >= table.frameCount - 1) {
        table.Ui().ShowMessage(kGapMessage);
        return -2;
    }
    return gap;
}

// Selects exactly the frames first..last and removes them (one commit).
bool DeleteRange(FrameTable& table, int first, int last) {
    table.ClearSelection(true, -1);
    for (int i = first; i <= last; ++i) table.entries[Slot(i)].selected = 1;
    DeleteSelectedFrames(table, nullptr);
    table.Host().Invalidate();
    return true;
}

}  // namespace

bool DeleteSelectedFrames(FrameTable& table, FrameClipboard* cutTo) {
    if (cutTo && table.CountSelection() > FrameClipboard::kCapacity) {
        table.Ui().ShowMessage("오려둘 이미지 갯수가 너무 많습니다");
        return false;
    }
    table.loadingScreen = true;
    if (cutTo) cutTo->CopySelected(table);
    // Remove from the back so every removal moves only the frames behind it once.
    for (int k = table.frameCount - 1; k >= 0; --k) {
        if (table.entries[Slot(k)].selected) table.RemoveFrame(k);
    }
    // The current frame and gap must keep naming frames that exist.
    table.menuFrame = std::clamp(table.menuFrame, 0, std::max(table.frameCount - 1, 0));
    table.targetGap = std::clamp(table.targetGap, -1, table.frameCount - 1);
    table.SetZoom(table.settings.screenWidth, table.settings.screenHeight, false);
    table.RebuildDisplayImages(-1, false, false, false);
    table.loadingScreen = false;
    return true;
}

bool CopyFrames(FrameTable& table, FrameClipboard& clipboard) {
    const int selected = table.CountSelection();
    if (selected > FrameClipboard::kCapacity) {
        table.Ui().ShowMessage("복사해둘 이미지 갯수가 너무 많습니다");
        return false;
    }
    if (selected <= 0) return false;
    clipboard.CopySelected(table);
    return true;
}

bool CutFrames(FrameTable& table, FrameClipboard& clipboard) {
    const int selected = table.CountSelection();
    if (selected <= 0 || selected >= table.frameCount) return false;
    return DeleteSelectedFrames(table, &clipboard);
}

bool DeleteWithQuestion(FrameTable& table) {
    UserInterface& ui = table.Ui();
    const int selected = table.CountSelection();
    if (selected <= 0) return false;
    if (selected >= table.frameCount) {
        ui.ShowNotice("프레임을 삭제할 수 없습니다.", 330, 1);
        return false;
    }
    if (!AskQuestion(ui, std::to_string(selected) + "개 프레임을 삭제하시겠습니까?",
                     "프레임 삭제")) {
        return false;
    }
    return DeleteSelectedFrames(table, nullptr);
}

bool DeleteAllBeforeGap(FrameTable& table, bool frameMenuForm) {
    const int gap = GapWithFramesOnBothSides(table, frameMenuForm);
    if (gap < 0) return false;
    if (!AskQuestion(table.Ui(),
                     std::to_string(gap + 2) + "번 프레임 이전의 모든 프레임을 삭제하시겠습니까?",
                     kRemoveTitle)) {
        return false;
    }
    return DeleteRange(table, 0, gap);
}

bool DeleteAllAfterGap(FrameTable& table, bool frameMenuForm) {
    const int gap = GapWithFramesOnBothSides(table, frameMenuForm);
    if (gap < 0) return false;
    if (!AskQuestion(table.Ui(),
                     std::to_string(gap + 1) + "번 프레임 이후의 모든 프레임을 삭제하시겠습니까?",
                     kRemoveTitle)) {
        return false;
    }
    return DeleteRange(table, gap + 1, table.frameCount - 1);
}

bool DeleteAllButOne(FrameTable& table, bool frameMenuForm) {
    if (frameMenuForm && table.CountSelection() != 1) {
        table.Ui().ShowMessage(kOneFrameMessage);
        return false;
    }
    for (int i = 0; i < table.frameCount; ++i) {
        if (table.entries[Slot(i)].selected) {
            table.menuFrame = i;
            break;
        }
    }
    const int keep = table.menuFrame;
    if (keep < 0 || keep >= table.frameCount) return false;
    if (!AskQuestion(table.Ui(),
                     std::to_string(keep + 1) + "번의 앞뒤 모든 프레임을 삭제하시겠습니까?",
                     kRemoveTitle)) {
        return false;
    }
    if (table.frameCount < 2) return false;  // nothing around it to remove
    table.ClearSelection(true, -1);
    for (int i = 0; i < table.frameCount; ++i) table.entries[Slot(i)].selected = i != keep;
    DeleteSelectedFrames(table, nullptr);
    table.menuFrame = 0;
    return true;
}

bool MergeWithPrevious(FrameTable& table, bool frameMenuForm) {
    UserInterface& ui = table.Ui();
    if (frameMenuForm) {
        if (table.CountSelection() != 1 || table.lastSelectedFrame == 0) {
            ui.ShowMessage(std::string(kOneFrameMessage) + "\n단, 첫번째 프레임은 제외.");
            return false;
        }
        table.menuFrame = table.lastSelectedFrame;
    }
    const int m = table.menuFrame;
    if (m <= 0 || m >= table.frameCount) {
        ReportProgramError(ui, "45432", false);
        return false;
    }
    if (!ui.PumpMessages()) return false;  // the program is quitting: nothing changed yet

    // Both frames change step by step; any failure puts them back so the table is untouched.
    const std::size_t over = Slot(m);
    const std::size_t under = Slot(m - 1);
    const CDib overImage = table.frameImages[over];
    const CDib underImage = table.frameImages[under];
    const FrameEntry overEntry = table.entries[over];
    const FrameEntry underEntry = table.entries[under];
    auto fail = [&] {
        table.frameImages[over] = overImage;
        table.frameImages[under] = underImage;
        table.entries[over] = overEntry;
        table.entries[under] = underEntry;
        table.loadingScreen = false;
        ReportProgramError(ui, "45433", false);
        return false;
    };
    if (!effects::FillMarginsWithTransparency(table, m) ||
        !effects::FillMarginsWithTransparency(table, m - 1)) {
        return fail();
    }
    table.loadingScreen = true;
    effects::FreeEntryIfFull(table.frameImages[over], table.entries[over]);
    effects::FreeEntryIfFull(table.frameImages[under], table.entries[under]);

    // Frame m over frame m - 1 at 24 bits. An opaque colour of frame m that frame m - 1's key
    // colour would swallow moves 16 steps in red, so it stays opaque after the reduction.
    const std::int32_t width = table.settings.screenWidth;
    const std::int32_t height = table.settings.screenHeight;
    const Colorref overKey = table.entries[over].keyColor;
    const Colorref underKey = table.entries[under].keyColor;
    CDib composite;
    composite.Create(width, height, 24);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            Colorref colour = table.frameImages[over].PixelColor(x, y);
            if (colour == overKey) {
                colour = table.frameImages[under].PixelColor(x, y);
            } else if (effects::ColourDistance(colour, underKey) < 2) {
                const int red = RedOf(colour);
                colour = MakeRgb(red <= 128 ? red + 16 : red - 16, GreenOf(colour), BlueOf(colour));
            }
            composite.SetPixelColor(x, y, colour);
        }
    }
    CDib reduced;
    if (!table.Images().Quantize(composite, reduced) || reduced.BitCount() != 8 ||
        reduced.Compression() != 0 || reduced.Width() != width || reduced.Height() != height) {
        return fail();
    }
    if (reduced.ColorCount() < effects::kMaxPaletteEntries) {
        reduced.SetColorCount(effects::kMaxPaletteEntries);
    }
    table.frameImages[over] = std::move(reduced);
    FrameEntry& merged = table.entries[over];
    merged.colorCount = effects::kMaxPaletteEntries;
    if (merged.transparent) {
        int index = -1;
        for (int i = 0; i < effects::kMaxPaletteEntries && index < 0; ++i) {
            if (effects::ColourDistance(table.PaletteColor(m, i), underKey) < 2) index = i;
        }
        if (index >= 0) {
            merged.transparentIndex = static_cast<std::uint8_t>(index);
            table.SetKeyColor(m);
        } else {
            merged.transparent = 0;  // nothing shows through: any unused index will do
            effects::MakeTransparent(table, m);
        }
    }

    table.ClearSelection(true, -1);
    table.entries[under].selected = 1;
    DeleteSelectedFrames(table, nullptr);
    table.menuFrame = m - 1;
    table.loadingScreen = false;
    return true;
}

bool DuplicateFrames(FrameTable& table, FrameClipboard& clipboard, UndoStore& store,
                     bool frameMenuForm) {
    UserInterface& ui = table.Ui();
    if (table.CountSelection() <= 0) {
        if (frameMenuForm) ui.ShowMessage("선택하신 메뉴는 프레임을 선택하신 후 사용하십시오.");
        return false;
    }
    const int room = FrameTable::kMaxFrames - table.frameCount;
    if (room < 1) {
        ui.ShowMessage("더 이상의 프레임을 붙여넣을 수 없습니다.");
        return false;
    }
    NumberRequest request;
    request.title = kDuplicateTitle;
    NumberField& count = request.fields[0];
    count.label = "새로 추가될 프레임 수";
    count.minimum = 1;
    count.maximum = room;
    count.value = std::to_string(count.minimum);  // "1"
    count.clampWhileTyping = true;
    if (!ui.AskNumbers(request)) return false;
    // The field clamps while typing; a text that still reads outside the range is clamped here.
    const int times = std::clamp(TextToInt(request.fields[0].value), 1, room);
    if (!CopyFrames(table, clipboard)) return false;
    if (table.menuFrame < 0 || table.menuFrame >= table.frameCount) {
        table.menuFrame = table.lastSelectedFrame;
    }
    table.targetGap = table.menuFrame;
    return InsertClipboardRepeatedly(table, clipboard, store, times, "*default");
}

bool InsertClipboardRepeatedly(FrameTable& table, FrameClipboard& clipboard, UndoStore& store,
                               int times, const std::string& caption) {
    if (times < 1) return false;
    UserInterface& ui = table.Ui();
    table.busy = true;
    table.loadingScreen = true;
    std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
    progress->SetRange(0, times);
    progress->SetStatusText("프레임 추가 중입니다. 기다려 주십시오..");
    progress->SetTitle(caption == "*default" ? std::string(kDuplicateTitle) : caption);
    if (times > 5) progress->Show();

    const int savedSuspend = table.rebuildSuspend;
    table.rebuildSuspend = 1;
    const int countBefore = table.frameCount;
    const int firstInserted = table.targetGap + 1;
    bool done = true;
    // Another window may copy into the shared clipboard while this run pumps.
    FrameClipboard frames(clipboard);
    for (int i = 0; i < times && done; ++i) {
        const bool running = ui.PumpMessages();
        progress->SetPosition(i);
        done = running && PasteFrames(table, frames) && !progress->Cancelled();
    }
    if (!done) {
        const bool restored =
            store.Usable() && store.Cursor() >= 0 && RestoreSnapshot(table, store);
        if (!restored) {
            // No snapshot to go back to: take out exactly what this run inserted.
            for (int k = table.frameCount - countBefore; k > 0; --k) {
                table.RemoveFrame(firstInserted);
            }
        }
    }
    table.rebuildSuspend = savedSuspend;
    if (done) {
        table.RebuildDisplayImages(-1, false, false, false);
    } else {
        table.RebuildDisplayImages(-1, true, true, false);
    }
    progress.reset();
    table.busy = false;
    table.loadingScreen = false;
    return done;
}

}  // namespace vorla::edit
