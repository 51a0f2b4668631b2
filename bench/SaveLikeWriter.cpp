#include "SaveLikeWriter.h"

#include "core/gif/GifEncoder.h"

namespace vorla::bench {

FrameEntry EntryOfPage(const GifPageInfo& page) {
    FrameEntry entry;
    entry.left = static_cast<std::int16_t>(page.left);
    entry.top = static_cast<std::int16_t>(page.top);
    entry.width = static_cast<std::int16_t>(page.width);
    entry.height = static_cast<std::int16_t>(page.height);
    entry.delay = static_cast<std::int16_t>(page.delay < 0 ? 50 : page.delay);
    entry.colorCount = static_cast<std::int16_t>(page.colorCount);
    entry.controlFlags = static_cast<std::uint8_t>(page.controlByte & 0x1C);
    entry.transparent = page.transparent;
    entry.transparentIndex =
        page.transparent ? page.transparentIndex : static_cast<std::uint8_t>(page.colorCount - 1);
    entry.restoreBackground = (entry.controlFlags & 0x1C) == 8;
    entry.interlaced = page.interlaced;
    return entry;
}

bool WriteLikeSave(std::size_t count,
                   const std::function<std::pair<FrameEntry, const CDib*>(std::size_t)>& frame,
                   int width, int height, MemoryStream& output) {
    GifEncoder encoder;
    MemoryStream image;
    MemoryStream record;
    for (std::size_t i = 0; i < count; ++i) {
        const auto [entry, dib] = frame(i);
        image.SetLength(0);
        if (!encoder.EncodeImage(*dib, image, entry.interlaced ? "xi" : "x")) return false;
        image.SeekToBegin();
        const Colorref key = dib->PaletteColor(entry.transparentIndex);
        if (!encoder.WriteFrameRecord(image, record, entry, width, height, key, entry.interlaced,
                                      true, i == 0)) {
            return false;
        }
        if (i == 0) {
            std::swap(output, record);
            output.Seek(0, SeekOrigin::End);
            record.SetLength(0);
        } else if (!encoder.AppendFrameRecord(output, record, i + 1 == count)) {
            return false;
        }
    }
    return true;
}

void DecodeToSource(const std::vector<std::uint8_t>& gif, int width, int height,
                    std::vector<CDib>& images, GifSourceAnimation& source) {
    std::vector<GifPageInfo> pages;
    GifDecoder::DecodeAllImages(gif, SIZE_MAX, [&](const GifPageInfo& page, CDib&& dib) {
        pages.push_back(page);
        images.push_back(std::move(dib));
        return true;
    });
    source.screenWidth = width;
    source.screenHeight = height;
    source.loop = true;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        source.frames.push_back({&images[i], pages[i].left, pages[i].top, pages[i].delay,
                                 EntryOfPage(pages[i]).WrittenDisposal(),
                                 pages[i].transparent ? pages[i].transparentIndex : -1});
    }
}

}  // namespace vorla::bench
