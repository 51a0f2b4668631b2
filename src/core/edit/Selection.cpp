#include "core/edit/Selection.h"

#include <algorithm>
#include <string>

#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla::selection {
namespace {

FrameEntry& Entry(FrameTable& table, int k) {
    return table.entries[static_cast<std::size_t>(k)];
}

bool FrameVisible(const StripMetrics& m, int k, int top, int bottom) {
    int rowTop = m.ImageTop(k);
    return rowTop < bottom && rowTop + std::max(m.displayHeight, 1) > top;
}

int ScrollToFrame(const StripMetrics& m, int k, int top, int bottom) {
    if (FrameVisible(m, k, top, bottom)) return -1;
    return k == 0 ? 0 : std::max(0, m.SelectionTop(k) - 10);
}

int ScrollToGapAfter(const StripMetrics& m, int g, int top, int bottom) {
    int bandTop = m.GapTop(g + 1);
    int bandBottom = m.GapBottom(g + 1);
    if (bandTop >= top && bandBottom < bottom) return -1;
    return g < 0 ? 0 : std::max(0, bandTop - 10);
}

}  // namespace

void SelectGapAfter(FrameTable& table, int gap) {
    table.targetGap = gap;
    if (gap + 1 < table.frameCount) {
        Entry(table, gap + 1).gapSelected = 1;
    } else {
        table.gapAfterLastSelected = true;
    }
}

void Press(FrameTable& table, const HitResult& hit, bool ctrl, bool shift) {
    if (hit.index < 0) return;
    if (hit.kind == HitResult::kGapBefore) {
        table.ClearSelection(true, -1);
        Entry(table, hit.index).gapSelected = 1;
        return;
    }
    if (hit.kind == HitResult::kGapAfterLast) {
        table.ClearSelection(true, -1);
        table.gapAfterLastSelected = true;
        return;
    }
    if (hit.index >= table.frameCount) {
        ReportProgramError(table.Ui(), "62532", false);
        return;
    }
    const int k = hit.index;
    bool before = false;
    bool after = false;
    for (int i = 0; i < table.frameCount; ++i) {
        if (!Entry(table, i).selected) continue;
        before = before || i < k;
        after = after || i > k;
    }
    if (!shift || (before && after)) {
        table.ClearSelection(false, -1);
        FrameEntry& entry = Entry(table, k);
        entry.selected = ctrl ? !entry.selected : 1;
        return;
    }
    if (!before && !after) {
        // Nothing selected to extend from: the click selects just its frame.
        Entry(table, k).selected = 1;
        table.ClearSelection(false, -1);
        return;
    }
    const int direction = before ? -1 : +1;
    for (int i = k; i >= 0 && i < table.frameCount; i += direction) {
        FrameEntry& entry = Entry(table, i);
        if (entry.selected && i != k) break;
        entry.selected = 1;
    }
    table.ClearSelection(false, -1);
}

void Release(FrameTable& table, const HitResult& hit, bool ctrl, bool shift) {
    if (hit.index < 0 || hit.kind != HitResult::kFrame || ctrl || shift) return;
    if (hit.index >= table.frameCount) return;
    table.ClearSelection(true, hit.index);
}

void SelectAll(FrameTable& table) {
    table.ClearSelection(true, -1);
    for (int i = 0; i < table.frameCount; ++i) Entry(table, i).selected = 1;
}

void SelectOnly(FrameTable& table, const HitResult& hit) {
    table.ClearSelection(true, -1);
    if (hit.index < 0) return;
    if (hit.kind == HitResult::kFrame && hit.index < table.frameCount) {
        Entry(table, hit.index).selected = 1;
    } else if (hit.kind == HitResult::kGapBefore && hit.index < table.frameCount) {
        Entry(table, hit.index).gapSelected = 1;
    } else if (hit.kind == HitResult::kGapAfterLast) {
        table.gapAfterLastSelected = true;
    }
}

int MoveWithArrow(FrameTable& table, const StripMetrics& m, Arrow arrow, int top, int bottom) {
    if (table.frameCount == 0) return -1;
    const int n = table.CountSelection();
    const int g = n == -1 ? table.selectedGapIndex : -2;
    const int c = table.lastSelectedFrame;
    const int last = table.frameCount - 1;
    auto visible = [&](int k) { return FrameVisible(m, k, top, bottom); };
    auto selectFrame = [&](int k) {
        table.ClearSelection(true, -1);
        Entry(table, k).selected = 1;
        return ScrollToFrame(m, k, top, bottom);
    };
    auto selectGap = [&](int gap) {
        table.ClearSelection(true, -1);
        SelectGapAfter(table, gap);
        return ScrollToGapAfter(m, gap, top, bottom);
    };
    auto fallback = [&] {
        int first = 0;
        while (first <= last && !visible(first)) ++first;
        return selectFrame(first > last ? 0 : first);
    };

    switch (arrow) {
        case Arrow::Up:
            if (n == -1 && g >= 0 && visible(g)) return selectFrame(g);
            if (n == 1 && c == 0) return -1;
            if (n == 1 && visible(c)) return selectFrame(c - 1);
            return fallback();
        case Arrow::Down:
            if (n == -1 && g != last && g + 1 <= last && visible(g + 1)) return selectFrame(g + 1);
            if (n == 1 && c == last) return -1;
            if (n == 1 && visible(c)) return selectFrame(c + 1);
            return fallback();
        case Arrow::Left:
            if (n == 1 && visible(c)) return selectGap(c - 1);
            if (n == -1 && g == -1) return -1;
            if (n == -1) return selectGap(g - 1);
            return fallback();
        case Arrow::Right:
            if (n == 1 && visible(c)) return selectGap(c);
            if (n == -1 && g == last) return -1;
            if (n == -1) return selectGap(g + 1);
            return fallback();
    }
    return -1;
}

int SelectEndFrame(FrameTable& table, const StripMetrics& m, bool last, int top, int bottom) {
    if (table.frameCount == 0) return -1;
    const int k = last ? table.frameCount - 1 : 0;
    table.ClearSelection(true, -1);
    Entry(table, k).selected = 1;
    table.lastSelectedFrame = k;
    return ScrollToFrame(m, k, top, bottom);
}

int ExtendSelection(FrameTable& table, const StripMetrics& m, bool down, int top, int bottom,
                    int& anchor, int& end) {
    const int last = table.frameCount - 1;
    if (last < 0) return -1;
    auto isRange = [&] {
        if (anchor < 0 || end < 0 || anchor > last || end > last) return false;
        for (int k = 0; k <= last; ++k) {
            const bool inside = k >= std::min(anchor, end) && k <= std::max(anchor, end);
            if ((Entry(table, k).selected != 0) != inside) return false;
        }
        return true;
    };
    bool move = true;
    if (!isRange()) {
        int start = table.CountSelection() > 0 ? table.lastSelectedFrame : -1;
        if (start < 0 || start > last || !Entry(table, start).selected) {
            // Nothing to extend: the key selects the first visible frame.
            start = 0;
            while (start < last && !FrameVisible(m, start, top, bottom)) ++start;
            move = false;
        }
        anchor = end = start;
    }
    if (move) end = std::clamp(end + (down ? 1 : -1), 0, last);
    table.ClearSelection(true, -1);
    for (int k = std::min(anchor, end); k <= std::max(anchor, end); ++k)
        Entry(table, k).selected = 1;
    table.lastSelectedFrame = end;
    return ScrollToFrame(m, end, top, bottom);
}

bool ConfirmDeleteSelection(FrameTable& table, UserInterface& ui) {
    int n = table.CountSelection();
    if (n <= 0) return false;
    if (n >= table.frameCount) {
        ShowInfoBox(ui, "프레임을 삭제할 수 없습니다.", "");
        return false;
    }
    return AskQuestion(ui, std::to_string(n) + "개 프레임을 삭제하시겠습니까?", "프레임 삭제");
}

}  // namespace vorla::selection
