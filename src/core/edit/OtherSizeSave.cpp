#include "core/edit/OtherSizeSave.h"

#include <algorithm>
#include <memory>

#include "core/edit/FrameImageEdits.h"
#include "core/gif/WriteAnimation.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "core/port/UserInterface.h"

namespace vorla::edit {

OtherSizeRules OtherSizeRulesFor(const FrameTable& table) {
    OtherSizeRules rules;
    if (table.settings.screenWidth > 0)
        rules.ratio = static_cast<double>(table.settings.screenHeight) / table.settings.screenWidth;
    return rules;
}

std::optional<std::string> OtherSizeRefusal(int width, int height) {
    if (width < 1 || height < 1 || width > kLargestOtherSide || height > kLargestOtherSide)
        return std::string("가로와 세로 크기는 1부터 16000 사이로 지정하세요.");
    return std::nullopt;
}

std::string ProposedOtherSizeName(const std::string& caption, int width, int height) {
    return caption.substr(0, caption.find('.')) + "_" + std::to_string(width) + "x" +
           std::to_string(height) + ".gif";
}

ScaledPlacement ScalePlacement(int left, int top, int width, int height, int oldWidth,
                               int oldHeight, int newWidth, int newHeight) {
    const double sx = static_cast<double>(newWidth) / oldWidth;
    const double sy = static_cast<double>(newHeight) / oldHeight;
    ScaledPlacement placed;
    placed.width = width == oldWidth ? newWidth : static_cast<int>(width * sx);
    placed.height = height == oldHeight ? newHeight : static_cast<int>(height * sy);
    placed.width = std::clamp(placed.width, 1, newWidth);
    placed.height = std::clamp(placed.height, 1, newHeight);
    placed.left = std::clamp(static_cast<int>(left * sx), 0, newWidth - placed.width);
    placed.top = std::clamp(static_cast<int>(top * sy), 0, newHeight - placed.height);
    return placed;
}

OtherSizeResult SaveAtOtherSize(FrameTable& table, GifEncoder& encoder, const std::string& path,
                                int width, int height) {
    UserInterface& ui = table.Ui();
    if (auto refusal = OtherSizeRefusal(width, height)) {
        ui.ShowMessage(*refusal);
        return OtherSizeResult::Refused;
    }
    const int oldWidth = table.settings.screenWidth;
    const int oldHeight = table.settings.screenHeight;
    const int count = table.frameCount;
    if (count < 1 || oldWidth < 1 || oldHeight < 1) return OtherSizeResult::Refused;

    DetachedHost host;  // the private copy shows nowhere
    auto copy = std::make_unique<FrameTable>(table.App(), ui, table.Images(), host,
                                             std::vector<std::uint8_t>{}, -1);
    copy->snapshotFilePath.clear();  // it has no undo store to remove
    copy->settings = table.settings;
    copy->settings.screenWidth = width;
    copy->settings.screenHeight = height;
    for (int k = 0; k < count; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        copy->frameImages[slot] = table.frameImages[slot];
        copy->entries[slot] = table.entries[slot];
        copy->entries[slot].link = FrameLink{};
    }
    copy->frameCount = count;

    for (int k = 0; k < count; ++k) {
        if (!ui.PumpMessages()) return OtherSizeResult::Cancelled;
        FrameEntry& entry = copy->entries[static_cast<std::size_t>(k)];
        const ScaledPlacement placed = ScalePlacement(
            entry.left, entry.top, entry.width, entry.height, oldWidth, oldHeight, width, height);
        entry.left = static_cast<std::int16_t>(placed.left);
        entry.top = static_cast<std::int16_t>(placed.top);
        if (placed.width == entry.width && placed.height == entry.height) continue;
        const ToolSnapshot snapshot = TakeToolSnapshot(*copy, k);
        if (!ResizeFrame(*copy, k, snapshot, FrameSize{placed.width, placed.height})) {
            ui.ShowMessage(std::to_string(k + 1) +
                           "번 프레임의 크기를 바꿀 수 없어서 파일을 저장하지 않았습니다.");
            return OtherSizeResult::ResizeFailed;
        }
    }
    if (table.frameCount != count) {
        // The document changed under the command; what was scaled no longer describes it.
        ReportProgramError(ui, "51412", false);
        return OtherSizeResult::WriteFailed;
    }
    MemoryStream stream;
    if (WriteAnimation(*copy, stream, false, false, encoder, nullptr) < 0) {
        return OtherSizeResult::WriteFailed;
    }
    if (!WriteFileAtomically(path, stream.Bytes())) {
        ui.ShowMessage(path + "에 저장할 수 없습니다.");
        return OtherSizeResult::WriteFailed;
    }
    return OtherSizeResult::Written;
}

}  // namespace vorla::edit
