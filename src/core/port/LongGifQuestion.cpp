#include "core/port/LongGifQuestion.h"

#include <algorithm>

namespace vorla {

std::string LongGifQuestion::Text() const {
    return "이 파일에는 이미지가 " + std::to_string(images) + "개 있습니다. 한 문서에는 " +
           std::to_string(limit) + "개까지 담을 수 있습니다.";
}

int LongGifQuestion::SmallestStep() const {
    return limit > 0 ? std::max(1, (images + limit - 1) / limit) : 1;
}

LongGifWay LongGifQuestion::Clamped(LongGifWay way) const {
    const int last = std::max(1, images);
    way.start = std::clamp(way.start, 1, last);
    way.step = std::clamp(way.step, SmallestStep(), std::max(SmallestStep(), last));
    return way;
}

int LongGifQuestion::FramesMade(const LongGifWay& asked) const {
    const LongGifWay way = Clamped(asked);
    switch (way.kind) {
        case LongGifWay::Kind::First: return std::min(images, limit);
        case LongGifWay::Kind::From: return std::min(images - way.start + 1, limit);
        case LongGifWay::Kind::EveryKth: return std::min((images + way.step - 1) / way.step, limit);
        case LongGifWay::Kind::Cancel: break;
    }
    return 0;
}

bool LongGifQuestion::Keeps(const LongGifWay& asked, int index) const {
    const LongGifWay way = Clamped(asked);
    switch (way.kind) {
        case LongGifWay::Kind::First: return index < limit;
        case LongGifWay::Kind::From: return index >= way.start - 1 && index < way.start - 1 + limit;
        case LongGifWay::Kind::EveryKth: return index % way.step == 0 && index / way.step < limit;
        case LongGifWay::Kind::Cancel: break;
    }
    return false;
}

bool LongGifQuestion::PastLastNeeded(const LongGifWay& asked, int index) const {
    const LongGifWay way = Clamped(asked);
    switch (way.kind) {
        case LongGifWay::Kind::First: return index >= limit - 1;
        case LongGifWay::Kind::From: return index >= way.start - 2 + limit;
        // The images after the last kept one still lend it their delays.
        case LongGifWay::Kind::EveryKth: return false;
        case LongGifWay::Kind::Cancel: break;
    }
    return true;
}

}  // namespace vorla
