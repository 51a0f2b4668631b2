#include "core/gif/GifCanvas.h"

#include <algorithm>

#include "core/model/CDib.h"

namespace vorla {

void GifArea::Unite(const GifArea& other) {
    if (other.Empty()) return;
    if (Empty()) {
        *this = other;
        return;
    }
    x0 = std::min(x0, other.x0);
    y0 = std::min(y0, other.y0);
    x1 = std::max(x1, other.x1);
    y1 = std::max(y1, other.y1);
}

GifCanvas::Values GifCanvas::ColourValues(const CDib& image, int transparentIndex) {
    Values values{};
    const auto& table = image.ColorTable();
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 0xFF000000u | (i < table.size() ? table[i].ToColorref() : 0);
    if (transparentIndex >= 0 && transparentIndex < 256)
        values[static_cast<std::size_t>(transparentIndex)] = 0;
    return values;
}

void GifCanvas::Reset(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    area_ = {};
}

void GifCanvas::Draw(const CDib& image, int left, int top, const Values& values) {
    area_.x0 = std::clamp(left, 0, width_);
    area_.y0 = std::clamp(top, 0, height_);
    area_.x1 = std::clamp(left + image.Width(), 0, width_);
    area_.y1 = std::clamp(top + image.Height(), 0, height_);
    saved_.clear();
    if (area_.Empty() || image.BitCount() != 8 || image.Bits().empty()) return;
    const auto w = static_cast<std::size_t>(area_.Width());
    saved_.reserve(w * static_cast<std::size_t>(area_.Height()));
    for (int y = area_.y0; y < area_.y1; ++y) {
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(y) * width_ + area_.x0;
        saved_.insert(saved_.end(), out, out + w);
        const std::uint8_t* in = image.Row(y - top) + (area_.x0 - left);
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t v = values[in[x]];
            if (v != 0) out[x] = v;
        }
    }
}

void GifCanvas::Dispose(int disposal) {
    if (area_.Empty() || (disposal != 2 && disposal != 3)) return;
    const auto w = static_cast<std::size_t>(area_.Width());
    const std::uint32_t* saved = saved_.data();
    for (int y = area_.y0; y < area_.y1; ++y) {
        std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(y) * width_ + area_.x0;
        if (disposal == 2) {
            std::fill_n(out, w, 0u);
        } else if (!saved_.empty()) {
            std::copy_n(saved, w, out);
            saved += w;
        }
    }
}

}  // namespace vorla
