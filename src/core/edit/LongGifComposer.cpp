#include "core/edit/LongGifComposer.h"

#include <algorithm>

#include "core/edit/FrameExpansion.h"

namespace vorla {
namespace {

constexpr int kMaxDelay = 65535;  // the GIF field is 16 bits of centiseconds

// The smallest area holding every pixel p (rows of `width`) for which differs(p) holds.
template <typename Differs>
GifArea AreaWhere(int width, int height, Differs differs) {
    GifArea area{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            if (!differs(row + static_cast<std::size_t>(x))) continue;
            area.x0 = std::min(area.x0, x);
            area.y0 = std::min(area.y0, y);
            area.x1 = std::max(area.x1, x + 1);
            area.y1 = std::max(area.y1, y + 1);
        }
    }
    return area.Empty() ? GifArea{} : area;
}

}  // namespace

LongGifComposer::LongGifComposer(const LongGifQuestion& question, const LongGifWay& way,
                                 Imaging& imaging)
    : question_(question), way_(question.Clamped(way)), imaging_(imaging) {}

bool LongGifComposer::Add(const GifPageInfo& info, CDib&& image, std::vector<Frame>& ready) {
    const int index = added_++;
    if (index == 0) {
        // The screen covers the first image also when the stream's screen is too small, as the
        // frame table's does.
        canvas_.Reset(std::max({1, info.screenWidth, info.left + info.width}),
                      std::max({1, info.screenHeight, info.top + info.height}));
    }
    cutShort_ = cutShort_ || info.cutShort;
    loopBlock_ = loopBlock_ || info.loopBlock;
    canvas_.Draw(image, info.left, info.top,
                 GifCanvas::ColourValues(image, info.transparent ? info.transparentIndex : -1));
    const int delay = std::max(0, info.delay);
    if (question_.Keeps(way_, index)) {
        const std::vector<std::uint32_t>& screen = canvas_.Pixels();
        if (open_) {
            if (!Close(&screen, ready)) return false;
            area_ = AreaWhere(canvas_.Width(), canvas_.Height(),
                              [&](std::size_t p) { return target_[p] != screen[p]; });
            // Nothing changed: the frame still needs a pixel, one that draws what is there.
            if (area_.Empty()) area_ = GifArea{0, 0, 1, 1};
        } else {
            area_ = GifArea{0, 0, canvas_.Width(), canvas_.Height()};
        }
        open_ = true;
        target_ = screen;
        own_ = std::move(image);
        ownInfo_ = info;
        delay_ = delay;
        hadDelay_ = info.delay >= 0;
    } else if (open_ && way_.kind == LongGifWay::Kind::EveryKth) {
        // A skipped image's time on screen goes to the kept image before it.
        delay_ = std::min(kMaxDelay, delay_ + delay);
        hadDelay_ = hadDelay_ || info.delay >= 0;
    }
    canvas_.Dispose((info.controlByte >> 2) & 7);
    return true;
}

bool LongGifComposer::Finish(std::vector<Frame>& ready) {
    if (!open_) return true;
    open_ = false;
    return Close(nullptr, ready);
}

bool LongGifComposer::Close(const std::vector<std::uint32_t>* next, std::vector<Frame>& ready) {
    const int width = canvas_.Width();
    int disposal = 1;
    if (next) {
        const GifArea cleared = AreaWhere(width, canvas_.Height(), [&](std::size_t p) {
            return (*next)[p] == 0 && target_[p] != 0;
        });
        if (!cleared.Empty()) {
            disposal = 2;
            area_.Unite(cleared);
        }
    }
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(area_.Width()) *
                   static_cast<std::size_t>(area_.Height()));
    for (int y = area_.y0; y < area_.y1; ++y) {
        const auto row = target_.begin() + static_cast<std::ptrdiff_t>(y) * width;
        pixels.insert(pixels.end(), row + area_.x0, row + area_.x1);
    }
    edit::ScreenPicture picture;
    const int ownColours = std::min(ownInfo_.colorCount, own_.ColorCount());
    if (!edit::PictureOfScreen(imaging_, own_, ownColours,
                               ownInfo_.transparent ? ownInfo_.transparentIndex : -1, pixels,
                               area_.Width(), area_.Height(), picture))
        return false;

    Frame frame;
    frame.info.screenWidth = width;
    frame.info.screenHeight = canvas_.Height();
    frame.info.left = area_.x0;
    frame.info.top = area_.y0;
    frame.info.width = area_.Width();
    frame.info.height = area_.Height();
    frame.info.delay = hadDelay_ ? delay_ : -1;
    frame.info.colorCount = std::min(256, picture.image.ColorCount());
    frame.info.transparent = picture.transparentIndex >= 0;
    frame.info.transparentIndex =
        static_cast<std::uint8_t>(frame.info.transparent ? picture.transparentIndex : 0);
    frame.info.controlByte =
        static_cast<std::uint8_t>((disposal << 2) | (frame.info.transparent ? 1 : 0));
    frame.info.loopBlock = loopBlock_;
    frame.image = std::move(picture.image);
    ready.push_back(std::move(frame));

    // The screen this frame leaves for the next: its target, with the area cleared by disposal 2.
    if (disposal == 2) {
        for (int y = area_.y0; y < area_.y1; ++y) {
            const auto row = target_.begin() + static_cast<std::ptrdiff_t>(y) * width;
            std::fill(row + area_.x0, row + area_.x1, 0u);
        }
    }
    return true;
}

}  // namespace vorla
