#include "core/effects/AdvancedEffectForm.h"

#include <algorithm>
#include <cstdint>

#include "core/model/FrameTable.h"
#include "core/model/Settings.h"

namespace vorla::effects {
namespace {

// A list index to its kind without reporting: the form keeps the index inside the list.
int KindAt(int listIndex) {
    constexpr std::array<int, kEffectListSize> kinds = {4, 1, 2, 5, 6, 7, 8, 9, 10, 11};
    if (listIndex < 0 || listIndex >= kEffectListSize) return kEffectNone;
    return kinds[static_cast<std::size_t>(listIndex)];
}

// Rewrites text with value when it reads differently; true when it did.
bool Rewrite(std::string& text, int value) {
    const std::string wanted = std::to_string(value);
    if (text == wanted) return false;
    text = wanted;
    return true;
}

}  // namespace

void ParameterGroup::Reset(const EffectKind& kind) {
    for (int k = 0; k < kMaxParameters; ++k) {
        const auto at = static_cast<std::size_t>(k);
        rewritten[at] = Rewrite(texts[at], kind.parameters[at].initial);
    }
}

void ParameterGroup::Clamp(const EffectKind& kind) {
    for (int k = 0; k < kind.parameterCount; ++k) {
        const auto at = static_cast<std::size_t>(k);
        const EffectParameter& p = kind.parameters[at];
        const int value = TextToInt(texts[at]);
        if (value < p.minimum || value > p.maximum) {
            rewritten[at] = Rewrite(texts[at], std::clamp(value, p.minimum, p.maximum));
        }
    }
}

std::array<int, kMaxParameters> ParameterGroup::Values() const {
    std::array<int, kMaxParameters> values{};
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = TextToInt(texts[k]);
    return values;
}

int StoredListIndex(int stored) {
    return stored < 0 || stored >= kEffectListSize ? 0 : stored;
}

void AdvancedEffectForm::Show(int current, int frames, int storedListIndex) {
    currentFrame = current;
    frameCount = frames;
    mode = 0;
    // Move-assigned: GCC 12 warns falsely (-Wrestrict) on copying short literals here.
    countText = std::string("10");
    delayText = std::string("5");
    fromText = std::to_string(current + 1);
    toText = std::to_string(frames);
    listIndex = StoredListIndex(storedListIndex);
    Configure(true, true);
}

int AdvancedEffectForm::Kind() const {
    return KindAt(listIndex);
}

void AdvancedEffectForm::Configure(bool clamp, bool reset) {
    countRewritten = delayRewritten = toRewritten = false;
    first.rewritten = {};
    last.rewritten = {};
    if (mode == 1 && !ModeOneEnabled()) mode = 0;
    if (TextToInt(toText) > frameCount) toRewritten = Rewrite(toText, frameCount);
    if (!clamp) return;
    const EffectKind& kind = KindInfo();
    if (reset) {
        first.Reset(kind);
        last.Reset(kind);
    }
    const int count = TextToInt(countText);
    if (count > MaximumCount()) {
        countRewritten = Rewrite(countText, MaximumCount());
    } else if (count < 1) {
        countRewritten = Rewrite(countText, 2);
    }
    const int delay = TextToInt(delayText);
    if (delay > 9999) {
        delayRewritten = Rewrite(delayText, 9999);
    } else if (delay < 1) {
        delayRewritten = Rewrite(delayText, 1);
    }
    first.Clamp(kind);
    last.Clamp(kind);
}

std::optional<std::string> AdvancedEffectForm::CheckOk() const {
    if (mode == 1) {
        const int from = TextToInt(fromText);
        const int to = TextToInt(toText);
        // "from" below 1 would start the run before the first frame.
        if (from < 1 || to > frameCount || to <= from) {
            return std::string("프레임 번호 입력이 잘못되었습니다.");
        }
        return std::nullopt;
    }
    // Only the new animation uses the count, so only it is checked (a table of 300 frames can
    // still take the effect on existing frames).
    const int count = TextToInt(countText);
    if (count <= 1) return std::string("애니메이션 프레임 수는 1보다 커야 합니다.");
    if (count > MaximumCount()) return std::string("프레임 번호 입력이 잘못되었습니다.");
    return std::nullopt;
}

AdvancedCommand AdvancedEffectForm::Command() const {
    AdvancedCommand command;
    command.mode = mode;
    command.from = TextToInt(fromText);
    command.to = TextToInt(toText);
    command.count = TextToInt(countText);
    command.delay = TextToInt(delayText);
    command.kind = Kind();
    command.first = first.Values();
    command.last = last.Values();
    return command;
}

int FrameImageEffectForm::Kind() const {
    return KindAt(listIndex);
}

void FrameImageEffectForm::Configure(bool clamp, bool reset) {
    values.rewritten = {};
    if (!clamp) return;
    if (reset) values.Reset(KindInfo());
    values.Clamp(KindInfo());
}

AdvancedRequest FrameImageEffectForm::Request(int frame) const {
    AdvancedRequest request;
    request.start = frame;
    request.count = 0;
    request.delay = -1;
    request.kind = Kind();
    request.askFill = request.kind == kEffectRotation || request.kind == kEffectSizeChange;
    request.first = values.Values();
    request.last = request.first;
    request.source = kBaseSlot;
    return request;
}

void FrameEffectPreview::Begin(FrameTable& table, int frame) {
    frame_ = frame;
    image_ = table.frameImages[static_cast<std::size_t>(frame)];
    entry_ = table.entries[static_cast<std::size_t>(frame)];
    KindChanged(table);
}

void FrameEffectPreview::KindChanged(FrameTable& table) {
    if (frame_ < 0) return;
    table.frameImages[kBaseSlot] = table.frameImages[static_cast<std::size_t>(frame_)];
    table.entries[kBaseSlot] = table.entries[static_cast<std::size_t>(frame_)];
    table.RebuildDisplayImages(kBaseSlot, true, true, true);
}

bool FrameEffectPreview::Apply(FrameTable& table, const FrameImageEffectForm& form) {
    if (frame_ < 0 || frame_ >= table.frameCount) return false;
    Colorref unused = 0;  // count 0 asks nothing
    const RunResult result = GenerateAdvancedFrames(table, nullptr, form.Request(frame_), unused);
    return result.outcome == RunOutcome::Done && result.failedFrames == 0;
}

void FrameEffectPreview::End(FrameTable& table, bool keep) {
    if (frame_ >= 0 && frame_ < table.frameCount && !keep) {
        const auto slot = static_cast<std::size_t>(frame_);
        table.frameImages[slot] = image_;
        table.entries[slot] = entry_;
        table.RebuildDisplayImages(frame_, true, true, true);
    }
    table.frameImages[kBaseSlot].Free();
    table.displayImages[kBaseSlot].Free();
    table.entries[kBaseSlot] = FrameEntry{};
    frame_ = -1;
    image_.Free();
}

}  // namespace vorla::effects
