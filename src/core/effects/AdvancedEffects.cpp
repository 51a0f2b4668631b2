#include "core/effects/AdvancedEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/edit/FrameDialogSession.h"
#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/effects/Brightness.h"
#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::effects {
namespace {

constexpr const char* kTitle = "고급 애니메이션 효과";

const std::array<EffectKind, kEffectKindCount>& KindTable() {
    static const std::array<EffectKind, kEffectKindCount> kinds = {{
        {0, "없음", 0, {}},
        {1, "모자이크", 1, {{{"입자 너비", 1, 100, 1}}}},
        {2, "노이즈", 1, {{{"확산 정도", 0, 1000, 0}}}},
        {3, "", 0, {}},
        {4, "밝기", 1, {{{"밝기", -1000, 1000, 0}}}},
        {5, "흐리기", 1, {{{"확산 범위", 0, 100, 0}}}},
        {6, "콘트라스트", 1, {{{"설정", -1000, 1000, 0}}}},
        {7, "미디안 필터", 1, {{{"확산 범위", 0, 10, 0}}}},
        {8, "회전", 1, {{{"각도 x 10", 0, 3599, 0}}}},
        {9, "색조 변경", 1, {{{"설정", 0, 359, 0}}}},
        {10,
         "특정색에 근접하기",
         4,
         {{{"근접도", 0, 1000, 0},
           {"근접할 색의 R 요소", 0, 255, 128},
           {"근접할 색의 G 요소", 0, 255, 128},
           {"근접할 색의 B 요소", 0, 255, 128}}}},
        {11, "크기 변화", 1, {{{"크기", -1000, 1000, 0}}}},
    }};
    return kinds;
}

// List index -> kind id.
constexpr std::array<int, kEffectListSize> kListKinds = {4, 1, 2, 5, 6, 7, 8, 9, 10, 11};

bool IsFilterKind(int kind) {
    switch (kind) {
        case kEffectNone:
        case kEffectMosaic:
        case kEffectNoise:
        case kEffectBlur:
        case kEffectContrast:
        case kEffectMedian:
        case kEffectHue: return true;
        default: return false;
    }
}

FilterKind FilterOf(int kind) {
    switch (kind) {
        case kEffectMosaic: return FilterKind::Mosaic;
        case kEffectNoise: return FilterKind::AddNoise;
        case kEffectBlur: return FilterKind::Average;
        case kEffectContrast: return FilterKind::Contrast;
        case kEffectMedian: return FilterKind::Median;
        default: return FilterKind::Hue;
    }
}

void SetRestoreBackground(FrameEntry& entry, bool on) {
    edit::SetDisposalChoice(entry, on ? edit::kDisposalRestoreBackground : edit::kDisposalKeep);
}

// Frame m's entry when it is computed from u: everything that describes the picture comes from
// u; m keeps its place in the strip, its timing and its link.
FrameEntry EntryFromSource(const FrameEntry& m, const FrameEntry& u) {
    FrameEntry entry = u;
    entry.selected = m.selected;
    entry.gapSelected = m.gapSelected;
    entry.delay = m.delay;
    entry.controlFlags = m.controlFlags;
    entry.restoreBackground = m.restoreBackground;
    entry.effectWord = m.effectWord;
    entry.link = m.link;
    return entry;
}

// A converted image as a frame: 256 entries, so that every 8-bit index names one.
void WidenTable(CDib& image, FrameEntry& entry) {
    if (image.ColorCount() < kMaxPaletteEntries) image.SetColorCount(kMaxPaletteEntries);
    entry.colorCount = kMaxPaletteEntries;
}

// The pixels carrying the transparent index of a transparent frame, one byte each; empty for an
// opaque frame.
std::vector<std::uint8_t> TransparencyMask(const CDib& image, const FrameEntry& entry) {
    std::vector<std::uint8_t> clear;
    if (!entry.transparent) return clear;
    clear.resize(static_cast<std::size_t>(image.Width()) *
                 static_cast<std::size_t>(image.Height()));
    std::size_t at = 0;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.Row(y);
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            clear[at++] = row[x] == entry.transparentIndex ? 1 : 0;
        }
    }
    return clear;
}

bool PlainImage(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0 &&
           image.ColorCount() > 0;
}

// The pixels left..right, top..bottom (inclusive) of an 8-bit image, with its table.
CDib CropIndexed(const CDib& image, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) {
    CDib part;
    part.Create(right - left + 1, bottom - top + 1, 8, image.ColorCount());
    part.ColorTable() = image.ColorTable();
    for (std::int32_t y = top; y <= bottom; ++y) {
        std::memcpy(part.Row(y - top), image.Row(y) + left, static_cast<std::size_t>(part.Width()));
    }
    return part;
}

// An entry of frame m's palette for `colour` that is not the transparent index: one holding it
// already, an unused one, or one freed; -1 when none can be had.
int IndexForColour(CDib& image, FrameEntry& entry, Colorref colour) {
    int size = PaletteSize(image, entry);
    for (int i = 0; i < size; ++i) {
        if (entry.transparent && i == entry.transparentIndex) continue;
        if (image.PaletteColor(i) == colour) return i;
    }
    if (size < kMaxPaletteEntries) {
        WidenTable(image, entry);
        size = kMaxPaletteEntries;
    }
    const auto counts = IndexHistogram(image);
    for (int i = size - 1; i >= 0; --i) {
        if (entry.transparent && i == entry.transparentIndex) continue;
        if (counts[static_cast<std::size_t>(i)] == 0) return i;
    }
    return FreeEntryIfFull(image, entry);
}

bool ProcessPalette(FrameTable& table, int m, int kind, const std::array<int, kMaxParameters>& p) {
    CDib& image = table.frameImages[static_cast<std::size_t>(m)];
    const FrameEntry& entry = table.entries[static_cast<std::size_t>(m)];
    const double x = p[0] * 0.001;
    const int size = PaletteSize(image, entry);
    for (int i = 0; i < size; ++i) {
        if (entry.transparent && i == entry.transparentIndex) continue;
        const Colorref c = image.PaletteColor(i);
        int rgb[3] = {RedOf(c), GreenOf(c), BlueOf(c)};
        for (int k = 0; k < 3; ++k) {
            if (kind == kEffectBrightness) {
                rgb[k] = ScaleChannelBrightness(table.Ui(), rgb[k], x);
            } else {
                const int target = p[static_cast<std::size_t>(k) + 1];
                rgb[k] = std::clamp(static_cast<int>((target - rgb[k]) * x + rgb[k]), 0, 255);
            }
        }
        image.SetPaletteColor(i, MakeRgb(rgb[0], rgb[1], rgb[2]));
    }
    return true;
}

bool ProcessFilter(FrameTable& table, int m, int kind, int strength) {
    CDib& image = table.frameImages[static_cast<std::size_t>(m)];
    FrameEntry& entry = table.entries[static_cast<std::size_t>(m)];
    Imaging& imaging = table.Images();
    CDib filtered;
    if (kind == kEffectNone) {
        filtered = image;
    } else {
        // Seeded by the frame's place, so that every frame of a noise run gets its own noise and
        // the same run gives the same frames.
        const std::uint32_t seed = 0x5EED0000u + static_cast<std::uint32_t>(m);
        if (!imaging.ApplyFilterSeeded(image, FilterOf(kind), strength, seed, filtered) ||
            filtered.IsEmpty() || filtered.Width() != image.Width() ||
            filtered.Height() != image.Height()) {
            return false;
        }
    }
    // The transparent pixels keep their place on a reserved index; only the others are reduced.
    const std::vector<std::uint8_t> clear = TransparencyMask(image, entry);
    CDib reduced;
    int keyIndex = -1;
    if (!imaging.ToIndexedKeepingMask(filtered, clear, entry.keyColor, reduced, keyIndex) ||
        !PlainImage(reduced) || reduced.Width() != image.Width() ||
        reduced.Height() != image.Height() || (entry.transparent && keyIndex < 0)) {
        return false;
    }
    image = std::move(reduced);
    WidenTable(image, entry);
    entry.transparentIndex =
        static_cast<std::uint8_t>(entry.transparent ? keyIndex : kMaxPaletteEntries - 1);
    return true;
}

bool ProcessRotation(FrameTable& table, int m, int p1, const RunChoices& choices,
                     bool fillMargins) {
    const auto slot = static_cast<std::size_t>(m);
    int fill = 0;
    if (choices.fillTransparent) {
        if (fillMargins) {
            if (!FillMarginsWithTransparency(table, m)) return false;
        } else if (MakeTransparent(table, m) < 0) {
            return false;
        }
        fill = table.entries[slot].transparentIndex;
    } else {
        const FrameEntry& entry = table.entries[slot];
        if (entry.transparent && entry.keyColor == choices.fillColour) {
            std::string text = std::to_string(m + 1);
            text.append("번 프레임에서 투명색으로 쓰이고 있는 색상과 회전 여백 색상이 같습니다.");
            table.Ui().ShowMessage(text);
        }
        fill = IndexForColour(table.frameImages[slot], table.entries[slot], choices.fillColour);
        if (fill < 0) return false;
        table.frameImages[slot].SetPaletteColor(fill, choices.fillColour);
    }
    CDib rotated;
    if (!table.Images().RotateIndexed(table.frameImages[slot], p1 / 10.0,
                                      static_cast<std::uint8_t>(fill), rotated) ||
        !PlainImage(rotated) || rotated.Width() != table.frameImages[slot].Width() ||
        rotated.Height() != table.frameImages[slot].Height()) {
        return false;
    }
    table.frameImages[slot] = std::move(rotated);
    SetRestoreBackground(table.entries[slot], true);
    return true;
}

bool ProcessSizeChange(FrameTable& table, int m, int p1) {
    const auto slot = static_cast<std::size_t>(m);
    if (MakeTransparent(table, m) < 0) return false;
    CDib& image = table.frameImages[slot];
    FrameEntry& entry = table.entries[slot];
    const std::int32_t w = image.Width();
    const std::int32_t h = image.Height();
    CDib result;
    int key = -1;
    if (p1 <= 0) {
        const int d = p1 + 1000;
        const auto newW = std::max<std::int32_t>(1, static_cast<std::int32_t>(d * w * 0.001));
        const auto newH = std::max<std::int32_t>(1, static_cast<std::int32_t>(d * h * 0.001));
        if (!table.Images().ResampleIndexed(image, entry.transparentIndex, newW, newH, result,
                                            key) ||
            !PlainImage(result) || result.Width() != newW || result.Height() != newH || key < 0) {
            return false;
        }
        entry.left = static_cast<std::int16_t>(entry.left + (entry.width - newW) / 2);
        entry.top = static_cast<std::int16_t>(entry.top + (entry.height - newH) / 2);
    } else {
        // The centre enlarged: a border of f times the half sizes is cut away and the rest
        // scaled back to the frame's size. f stays below 1, so at least one pixel remains.
        const double f = p1 / 1010.0;
        const auto g = static_cast<std::int32_t>(f * (w / 2));
        const auto k = static_cast<std::int32_t>(f * (h / 2));
        const CDib centre = CropIndexed(image, g, k, w - g - 1, h - k - 1);
        if (!table.Images().ResampleIndexed(centre, entry.transparentIndex, w, h, result, key) ||
            !PlainImage(result) || result.Width() != w || result.Height() != h || key < 0) {
            return false;
        }
    }
    image = std::move(result);
    WidenTable(image, entry);
    entry.transparentIndex = static_cast<std::uint8_t>(key);
    entry.width = static_cast<std::int16_t>(image.Width());
    entry.height = static_cast<std::int16_t>(image.Height());
    SetRestoreBackground(entry, true);
    return true;
}

// Keeps the view busy and the suspend flag set for a command, and puts both back however the
// command ends.
class RunGuard {
public:
    explicit RunGuard(FrameTable& table)
        : table_(table), busy_(table.busy), suspend_(table.rebuildSuspend) {
        table.busy = true;
    }
    ~RunGuard() {
        table_.busy = busy_;
        table_.rebuildSuspend = suspend_;
        table_.frameImages[kBaseSlot].Free();
        table_.displayImages[kBaseSlot].Free();
        table_.entries[kBaseSlot] = FrameEntry{};
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    FrameTable& table_;
    bool busy_;
    int suspend_;
};

void InsertCopies(FrameTable& table, int at, int count, const CDib& image,
                  const FrameEntry& entry) {
    for (int k = table.frameCount - 1; k >= at; --k) {
        const auto from = static_cast<std::size_t>(k);
        const auto to = static_cast<std::size_t>(k + count);
        table.frameImages[to] = std::move(table.frameImages[from]);
        table.displayImages[to] = std::move(table.displayImages[from]);
        table.entries[to] = std::move(table.entries[from]);
    }
    for (int k = 0; k < count; ++k) {
        const auto slot = static_cast<std::size_t>(at + k);
        table.frameImages[slot] = image;
        table.displayImages[slot].Free();
        table.entries[slot] = entry;
    }
    table.frameCount += count;
}

}  // namespace

const EffectKind& EffectKindOf(int id) {
    const auto& kinds = KindTable();
    return kinds[static_cast<std::size_t>(id >= 0 && id < kEffectKindCount ? id : 0)];
}

int KindOfListIndex(UserInterface& ui, int index) {
    if (index == -1) return kEffectNone;
    if (index < 0 || index >= kEffectListSize) return ReportProgramError(ui, "12524", true);
    return kListKinds[static_cast<std::size_t>(index)];
}

int ListIndexOfKind(UserInterface& ui, int id) {
    const auto found = std::find(kListKinds.begin(), kListKinds.end(), id);
    if (found == kListKinds.end()) {
        ReportProgramError(ui, "12523", true);
        return -1;
    }
    return static_cast<int>(found - kListKinds.begin());
}

std::string EffectKindName(UserInterface& ui, int id) {
    if (id < 0 || id >= kEffectKindCount) {
        ReportProgramError(ui, "31431", true);
        return {};
    }
    return EffectKindOf(id).name;
}

bool KindWarnsAboutTransparency(int id) {
    return id == kEffectMosaic || id == kEffectBlur;
}

int InterpolatedValue(UserInterface& ui, int first, int last, int j, int count) {
    if (count <= 0) return first;
    if (count == 1) {
        // A run of one frame has no step (the division by count - 1).
        ReportProgramError(ui, "12093", true);
        return last;
    }
    if (count - j == 1) return last;
    const double step = static_cast<double>(last - first) / (count - 1);
    return static_cast<int>(j * step + first);
}

bool AskRunChoices(UserInterface& ui, const AdvancedRequest& request, RunChoices& choices,
                   Colorref& chooserColour) {
    if (request.count <= 0) return true;
    ChoiceRequest disposal;
    disposal.title = "고급 애니메이션 효과/남은 장면 처리 방법";
    disposal.message = "다음 프레임으로 전환된 후 남겨진 장면 처리 방법을 선택하세요.";
    disposal.options = {"보존", "", "브라우저 배경으로 완전히 지움", ""};
    disposal.hideMask = "OXOX";
    disposal.disableMask = "OOOX";
    disposal.preselected = 2;
    const ChoiceAnswer answer = ui.Choose(disposal, false);
    if (!answer.accepted) return false;
    choices.restoreBackground = answer.chosen == 2;
    choices.fillTransparent = true;
    if (request.askFill) {
        const std::string name = EffectKindName(ui, request.kind);
        if (!AskQuestion(ui, name + " 후 생기는 빈 공간을 투명색으로 채우겠습니까?",
                         std::string(kTitle) + "/" + name, "*nothing", true)) {
            if (!ui.ChooseColor(chooserColour, name + " 후의 빈 공간에 들어갈 색상 선택")) {
                return false;
            }
            choices.fillTransparent = false;
            choices.fillColour = chooserColour;
        }
    }
    return true;
}

bool ProcessEffectFrame(FrameTable& table, int m, int u, int kind,
                        const std::array<int, kMaxParameters>& p, const RunChoices& choices,
                        bool fillMargins) {
    if (m < 0 || m >= table.frameCount || u < 0 || u >= FrameTable::kSlots) return false;
    const auto mSlot = static_cast<std::size_t>(m);
    const auto uSlot = static_cast<std::size_t>(u);
    if (!PlainImage(table.frameImages[uSlot])) return false;
    // Frame m starts again from u; on failure it gets back what it held.
    CDib keptImage = table.frameImages[mSlot];
    const FrameEntry keptEntry = table.entries[mSlot];
    if (u != m) {
        table.frameImages[mSlot] = table.frameImages[uSlot];
        table.entries[mSlot] = EntryFromSource(keptEntry, table.entries[uSlot]);
    }
    bool done = false;
    if (kind == kEffectBrightness || kind == kEffectApproach) {
        done = ProcessPalette(table, m, kind, p);
    } else if (IsFilterKind(kind)) {
        done = ProcessFilter(table, m, kind, p[0]);
    } else if (kind == kEffectRotation) {
        done = ProcessRotation(table, m, p[0], choices, fillMargins);
    } else if (kind == kEffectSizeChange) {
        done = ProcessSizeChange(table, m, p[0]);
    }
    if (!done) {
        table.frameImages[mSlot] = std::move(keptImage);
        table.entries[mSlot] = keptEntry;
        return false;
    }
    RecomputeKeyColor(table, m);
    return true;
}

RunResult RunAdvancedFrames(FrameTable& table, UndoStore* store, const AdvancedRequest& request,
                            const RunChoices& choices) {
    UserInterface& ui = table.Ui();
    RunResult result;
    const int frames = std::max(request.count, 1);
    if (request.start < 0 || request.start + frames > table.frameCount) {
        ui.ShowMessage("프레임 번호 입력이 잘못되었습니다.");
        result.outcome = RunOutcome::Declined;
        return result;
    }
    const bool wasBusy = table.busy;
    table.busy = true;
    std::unique_ptr<WorkProgress> progress;
    if (request.count > 5) {
        progress = ui.CreateProgress();
        progress->SetTitle(kTitle);
        progress->SetStatusText("애니메이션을 만들고 있습니다..");
        progress->SetRange(0, request.count);
        progress->Show();
    }
    // What the run changes, for a Cancel without a usable undo store (with one, the copies
    // would cost as much memory as the run's frames for nothing).
    const bool storeUsable = store && store->Usable() && store->Cursor() >= 0;
    std::vector<std::pair<CDib, FrameEntry>> before;
    if (request.count > 0 && !storeUsable) {
        for (int k = 0; k < frames; ++k) {
            const auto slot = static_cast<std::size_t>(request.start + k);
            before.emplace_back(table.frameImages[slot], table.entries[slot]);
        }
    }
    bool quitting = false;
    for (int j = 0; j < frames; ++j) {
        const int m = request.start + j;
        std::array<int, kMaxParameters> values{};
        for (std::size_t k = 0; k < values.size(); ++k) {
            values[k] = InterpolatedValue(ui, request.first[k], request.last[k], j, request.count);
        }
        if (progress) progress->SetPosition(j);
        if (quitting || (progress && progress->Cancelled())) {
            result.outcome = RunOutcome::Cancelled;
            break;
        }
        const int u = request.source < 0 ? m : request.source;
        if (!ProcessEffectFrame(table, m, u, request.kind, values, choices, request.count > 0)) {
            ++result.failedFrames;
        }
        table.RebuildDisplayImages(m, true, true, true);
        if (request.count == 0) break;
        FrameEntry& entry = table.entries[static_cast<std::size_t>(m)];
        if (request.delay != -1) entry.delay = static_cast<std::int16_t>(request.delay);
        SetRestoreBackground(entry, choices.restoreBackground);
        // A pump that reports quitting counts as Cancel, checked before the next frame.
        quitting = !ui.PumpMessages() && j + 1 < frames;
    }
    if (result.outcome == RunOutcome::Cancelled) {
        result.restoredFromStore = storeUsable && edit::RestoreSnapshot(table, *store);
        if (!result.restoredFromStore) {
            for (int k = 0; k < static_cast<int>(before.size()); ++k) {
                const auto slot = static_cast<std::size_t>(request.start + k);
                table.frameImages[slot] = before[static_cast<std::size_t>(k)].first;
                table.entries[slot] = before[static_cast<std::size_t>(k)].second;
                table.RebuildDisplayImages(request.start + k, true, true, true);
            }
        }
        result.failedFrames = 0;
    }
    progress.reset();
    table.busy = wasBusy;
    table.Host().Invalidate();
    if (result.failedFrames > 0) {
        std::string text = std::to_string(result.failedFrames);
        text.append("개 프레임에 효과를 적용하지 못해 원래 이미지를 그대로 두었습니다.");
        ui.ShowMessage(text);
    }
    return result;
}

RunResult GenerateAdvancedFrames(FrameTable& table, UndoStore* store,
                                 const AdvancedRequest& request, Colorref& chooserColour) {
    RunChoices choices;
    if (!AskRunChoices(table.Ui(), request, choices, chooserColour)) {
        RunResult declined;
        declined.outcome = RunOutcome::Declined;
        return declined;
    }
    return RunAdvancedFrames(table, store, request, choices);
}

bool RunAdvancedAnimation(FrameTable& table, UndoStore* store, int current,
                          const AdvancedCommand& command, Colorref& chooserColour) {
    UserInterface& ui = table.Ui();
    AdvancedRequest request;
    request.kind = command.kind;
    request.askFill = command.kind == kEffectRotation;
    request.first = command.first;
    request.last = command.last;
    const int n = command.count;
    if (command.mode == 1) {
        // The dialog is modeless: the table may have changed since its fields were checked.
        if (command.from < 1 || command.to > table.frameCount || command.to <= command.from) {
            ui.ShowMessage("프레임 번호 입력이 잘못되었습니다.");
            return false;
        }
        request.start = command.from - 1;
        request.count = command.to - command.from + 1;
        request.delay = -1;
        request.source = -1;
    } else {
        // The base frame is replaced by the n frames, so the table may reach exactly 300.
        if (current < 0 || current >= table.frameCount || n < 2 ||
            table.frameCount - 1 + n > FrameTable::kMaxFrames) {
            ui.ShowMessage("프레임 번호 입력이 잘못되었습니다.");
            return false;
        }
        request.start = current;
        request.count = n;
        request.delay = command.delay;
        request.source = kBaseSlot;
    }
    // The questions come before anything changes, so declining leaves the table untouched.
    RunChoices choices;
    if (!AskRunChoices(ui, request, choices, chooserColour)) return false;

    // The selection as the user left it, for a run that ends without a change.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> selection;
    for (int i = 0; i < table.frameCount; ++i) {
        const FrameEntry& entry = table.entries[static_cast<std::size_t>(i)];
        selection.emplace_back(entry.selected, entry.gapSelected);
    }
    const bool gapAfterLast = table.gapAfterLastSelected;

    RunGuard guard(table);
    table.rebuildSuspend = 1;
    if (command.mode == 0) {
        const auto base = static_cast<std::size_t>(current);
        table.frameImages[kBaseSlot] = table.frameImages[base];
        table.entries[kBaseSlot] = table.entries[base];
        FrameEntry copy = table.entries[base];
        copy.selected = 0;
        copy.gapSelected = 0;
        const CDib image = table.frameImages[base];
        table.RemoveFrame(current);
        InsertCopies(table, current, n, image, copy);
        table.ClearSelection(true, -1);
        table.RebuildDisplayImages(-1, true, true, true);
        table.UpdateScrollSizes();
    }
    const RunResult result = RunAdvancedFrames(table, store, request, choices);
    if (result.outcome == RunOutcome::Cancelled && !result.restoredFromStore && command.mode == 0) {
        // No undo block to go back to: take out the copies and put the base frame back.
        for (int k = 1; k < n; ++k) table.RemoveFrame(current + 1);
        table.frameImages[static_cast<std::size_t>(current)] = table.frameImages[kBaseSlot];
        table.entries[static_cast<std::size_t>(current)] = table.entries[kBaseSlot];
    }
    table.rebuildSuspend = 0;
    const bool done = result.outcome == RunOutcome::Done;
    if (done) {
        table.ClearSelection(true, -1);
        table.entries[static_cast<std::size_t>(request.start)].selected = 1;
        table.lastSelectedFrame = request.start;
        table.RebuildDisplayImages(-1, false, false, false);  // one undo step
    } else {
        if (table.frameCount == static_cast<int>(selection.size())) {
            for (int i = 0; i < table.frameCount; ++i) {
                FrameEntry& entry = table.entries[static_cast<std::size_t>(i)];
                entry.selected = selection[static_cast<std::size_t>(i)].first;
                entry.gapSelected = selection[static_cast<std::size_t>(i)].second;
            }
            table.gapAfterLastSelected = gapAfterLast;
        }
        table.RebuildDisplayImages(-1, true, true, false);
    }
    // Mode 0 can turn a single frame into many (or back): the strip's preview row is only as
    // tall as a frame while there are at least two.
    table.SetZoom(table.settings.screenWidth, table.settings.screenHeight, false);
    table.Host().Invalidate();
    return done;
}

}  // namespace vorla::effects
