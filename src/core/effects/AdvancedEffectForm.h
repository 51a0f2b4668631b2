// The rules of the two effect dialogs, without widgets: which controls are enabled and shown,
// how typed texts are clamped, and what OK refuses. The dialogs copy their texts in, call a
// rule, and copy the texts (and the marks of the fields that were rewritten) back out.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/effects/AdvancedEffects.h"
#include "core/model/CDib.h"
#include "core/model/FrameEntry.h"

namespace vorla {
class FrameTable;
}

namespace vorla::effects {

// The four parameter fields of one group ("첫 프레임", "마지막 프레임", or the single group of
// the frame image effects) as texts.
struct ParameterGroup {
    std::array<std::string, kMaxParameters> texts;
    std::array<bool, kMaxParameters> rewritten{};  // set by Clamp/Reset for the changed fields

    // Every field to its parameter's default.
    void Reset(const EffectKind& kind);
    // Every field into its parameter's range (fields of hidden rows are left as they are).
    void Clamp(const EffectKind& kind);
    std::array<int, kMaxParameters> Values() const;
};

// "고급 애니메이션 효과".
struct AdvancedEffectForm {
    // Texts as the controls hold them.
    int mode = 0;                  // 0: new animation from this frame; 1: existing frames
    std::string countText = "10";  // "애니메이션 프레임 수"
    std::string delayText = "5";   // "각 프레임 지연 시간"
    std::string fromText;          // "번 프레임부터"
    std::string toText;            // "번 프레임까지"
    int listIndex = 0;             // selection of the kind list
    ParameterGroup first;
    ParameterGroup last;

    // The view's state the rules depend on.
    int currentFrame = 0;
    int frameCount = 1;

    // Fields rewritten by the last Configure (their text is then selected).
    bool countRewritten = false;
    bool delayRewritten = false;
    bool toRewritten = false;

    // The defaults, the stored kind (negative: the first), then Configure(true, true).
    void Show(int current, int frames, int storedListIndex);
    // The rules after any change: "to" never past the last frame; with clamp the count, delay
    // and parameters into their ranges (reset: parameters to the kind's defaults first).
    void Configure(bool clamp, bool reset);

    int Kind() const;
    const EffectKind& KindInfo() const { return EffectKindOf(Kind()); }
    bool ModeOneEnabled() const { return currentFrame < frameCount - 1; }
    bool CountFieldsEnabled() const { return mode == 0; }  // count and delay
    bool RangeFieldsEnabled() const { return mode == 1; }  // from and to
    bool WarningVisible() const { return KindWarnsAboutTransparency(Kind()); }
    bool RowVisible(int row) const { return KindInfo().parameterCount > row; }
    // The most frames mode 0 may make: the base frame is replaced, so up to 300 in all.
    int MaximumCount() const { return 301 - frameCount; }

    // OK: nullopt when the dialog may close, else the message to show.
    std::optional<std::string> CheckOk() const;
    AdvancedCommand Command() const;
};

// "프레임 이미지 고급 효과": one group, no range; the warning also needs a transparent frame.
struct FrameImageEffectForm {
    int listIndex = 0;
    ParameterGroup values;
    bool frameTransparent = false;

    int Kind() const;
    const EffectKind& KindInfo() const { return EffectKindOf(Kind()); }
    bool WarningVisible() const { return frameTransparent && KindWarnsAboutTransparency(Kind()); }
    bool RowVisible(int row) const { return KindInfo().parameterCount > row; }
    void Configure(bool clamp, bool reset);
    // The request of one preview: count 0 on the edited frame from slot 300.
    AdvancedRequest Request(int frame) const;
};

// The frame image effects on one frame of a table: a backup taken when the dialog opens, the
// working copy in slot 300 that every preview starts from, and the ending. A kind change copies
// the frame as it is previewed into slot 300, so effects of different kinds stack up, while
// changes of one kind's values always start again from the same base.
class FrameEffectPreview {
public:
    void Begin(FrameTable& table, int frame);
    bool Active() const { return frame_ >= 0; }
    int Frame() const { return frame_; }
    void KindChanged(FrameTable& table);
    // One preview of the form's values. false: the frame kept its image (a failure was told).
    bool Apply(FrameTable& table, const FrameImageEffectForm& form);
    // keep false (Cancel, close): the frame's image and entry come back byte for byte. Slot 300
    // is emptied either way.
    void End(FrameTable& table, bool keep);

private:
    int frame_ = -1;
    CDib image_;
    FrameEntry entry_;
};

// The kind list's stored index: negative or past the list reads as the first entry.
int StoredListIndex(int stored);

}  // namespace vorla::effects
