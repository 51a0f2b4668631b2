#include "core/effects/EffectSettings.h"

#include "core/model/Settings.h"

namespace vorla::effects {
namespace {

bool FramesOk(int frames) {
    return frames >= 0 && frames <= kMaxEffectFrames;
}

bool DelayOk(int delay) {
    return delay >= kMinEffectDelay && delay <= kMaxEffectDelay;
}

}  // namespace

EffectSheetTexts EffectSheetTexts::From(const EffectSettings& s) {
    EffectSheetTexts texts;
    texts.fadeFrames = std::to_string(s.fadeFrameCount);
    texts.fadeDelay = std::to_string(s.fadeDelay);
    texts.darkestPercent = std::to_string(static_cast<int>(s.darkestBrightness * 100));
    texts.scatterFrames = std::to_string(s.scatterFrameCount);
    texts.scatterDelay = std::to_string(s.scatterDelay);
    texts.preservation = std::to_string(s.scatterPreservation);
    texts.overlapFrames = std::to_string(s.overlapFrameCount);
    texts.overlapDelay = std::to_string(s.overlapDelay);
    return texts;
}

SheetCheck StoreSheetTexts(const EffectSheetTexts& texts, EffectSettings& settings) {
    const int fadeFrames = TextToInt(texts.fadeFrames);
    const int fadeDelay = TextToInt(texts.fadeDelay);
    const int percent = TextToInt(texts.darkestPercent);
    if (!FramesOk(fadeFrames) || !DelayOk(fadeDelay) || percent < 0 ||
        percent > kMaxDarkestPercent) {
        return {kBrightnessPage, "밝기 변화 효과의 설정 값이 잘못되었습니다."};
    }
    settings.fadeDelay = fadeDelay;
    settings.fadeFrameCount = fadeFrames;
    settings.darkestBrightness = percent * 0.01;

    const int scatterFrames = TextToInt(texts.scatterFrames);
    const int scatterDelay = TextToInt(texts.scatterDelay);
    const int preservation = TextToInt(texts.preservation);
    if (!FramesOk(scatterFrames) || !DelayOk(scatterDelay) || preservation < kMinPreservation ||
        preservation > kMaxPreservation) {
        // The scatter page has always answered with the overlap page's wording.
        return {kScatterPage, "오버랩 효과의 설정 값이 잘못되었습니다."};
    }
    settings.scatterDelay = scatterDelay;
    settings.scatterFrameCount = scatterFrames;
    settings.scatterPreservation = preservation;

    const int overlapFrames = TextToInt(texts.overlapFrames);
    const int overlapDelay = TextToInt(texts.overlapDelay);
    if (!FramesOk(overlapFrames) || !DelayOk(overlapDelay)) {
        return {kOverlapPage, "오버랩 효과의 설정 값이 잘못되었습니다."};
    }
    settings.overlapDelay = overlapDelay;
    settings.overlapFrameCount = overlapFrames;
    return {};
}

}  // namespace vorla::effects
