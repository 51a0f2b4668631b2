#include "core/edit/Border.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/effects/PaletteOps.h"
#include "core/model/FrameTable.h"
#include "core/model/Settings.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {
namespace {

using effects::kMaxPaletteEntries;

bool IsPlain8Bit(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0;
}

// The entry the border paints with, holding exactly `colour`; -1 when none can be had.
int BorderIndex(CDib& image, FrameEntry& entry, Colorref colour) {
    const int size = effects::PaletteSize(image, entry);
    const int keyIndex = entry.transparent ? entry.transparentIndex : -1;
    for (int i = 0; i < size; ++i)
        if (i != keyIndex && image.PaletteColor(i) == colour) return i;
    const auto uses = effects::IndexHistogram(image);
    for (int i = size - 1; i >= 0; --i)
        if (i != keyIndex && uses[static_cast<std::size_t>(i)] == 0) return i;
    if (size > 0 && size < kMaxPaletteEntries) {
        if (image.ColorCount() < size + 1) image.SetColorCount(size + 1);
        entry.colorCount = static_cast<std::int16_t>(size + 1);
        // A frame without transparency keeps its index on the last entry.
        if (!entry.transparent) entry.transparentIndex = static_cast<std::uint8_t>(size);
        return size;
    }
    return effects::FreeEntryIfFull(image, entry);
}

void PaintBorder(CDib& image, std::uint8_t index, const BorderRequest& request) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    // Past the larger side every pixel is painted already.
    const std::int32_t t = std::min<std::int64_t>(request.thickness, std::max(width, height));
    auto fillRows = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t y = std::max(from, 0); y < std::min(to, height); ++y)
            std::fill_n(image.Row(y), width, index);
    };
    auto fillColumns = [&](std::int32_t from, std::int32_t to) {
        from = std::max(from, 0);
        to = std::min(to, width);
        if (from >= to) return;
        for (std::int32_t y = 0; y < height; ++y)
            std::fill(image.Row(y) + from, image.Row(y) + to, index);
    };
    if (request.top) fillRows(0, t);
    if (request.bottom) fillRows(height - t, height);
    if (request.left) fillColumns(0, t);
    if (request.right) fillColumns(width - t, width);
}

}  // namespace

std::string BorderCaption(int frame) {
    if (frame < 0) return "모든 프레임에 테두리 넣기";
    return std::to_string(frame + 1) + "번 프레임에 테두리 넣기";
}

std::string BorderColourText(Colorref colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", RedOf(colour), GreenOf(colour),
                  BlueOf(colour));
    return text;
}

int ReadThicknessText(const std::string& text) {
    return TextToInt(text);
}

bool InsertBorder(FrameTable& table, const BorderRequest& request, bool commit) {
    const int first = request.frame < 0 ? 0 : request.frame;
    const int last = request.frame < 0 ? table.frameCount - 1 : request.frame;
    if (request.frame >= table.frameCount) return false;
    for (int k = first; k <= last; ++k) {
        const FrameEntry& entry = table.entries[static_cast<std::size_t>(k)];
        if (entry.transparent && entry.keyColor == request.colour) {
            table.Ui().ShowMessage(std::to_string(k + 1) +
                                   "번 프레임에서 투명색으로 쓰이는 색상과 테두리색이 겹칩니다. "
                                   "\n\n테두리넣기 명령을 실행할 수 없습니다.");
            return false;
        }
    }
    if (request.thickness <= 0 || !(request.left || request.top || request.right || request.bottom))
        return true;
    // Every frame is painted on a copy first, so that a failure leaves the table as it was.
    std::vector<CDib> images;
    std::vector<FrameEntry> entries;
    for (int k = first; k <= last; ++k) {
        CDib image = table.frameImages[static_cast<std::size_t>(k)];
        FrameEntry entry = table.entries[static_cast<std::size_t>(k)];
        const int index = IsPlain8Bit(image) ? BorderIndex(image, entry, request.colour) : -1;
        if (index < 0) {
            ReportProgramError(table.Ui(), "16323", true);
            return false;
        }
        image.SetPaletteColor(index, request.colour);
        PaintBorder(image, static_cast<std::uint8_t>(index), request);
        images.push_back(std::move(image));
        entries.push_back(entry);
    }
    for (int k = first; k <= last; ++k) {
        const auto at = static_cast<std::size_t>(k - first);
        table.frameImages[static_cast<std::size_t>(k)] = std::move(images[at]);
        table.entries[static_cast<std::size_t>(k)] = entries[at];
        // The new colour may come near the key colour: choose it afresh.
        effects::RecomputeKeyColor(table, k);
        table.RebuildDisplayImages(k, true, true, false);
    }
    if (commit) {
        table.Host().MarkModified();
        table.Host().RecordSnapshot();
    }
    table.Host().Invalidate();
    return true;
}

}  // namespace vorla::edit
