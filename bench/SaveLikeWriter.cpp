#include "SaveLikeWriter.h"

#include "core/gif/GifEncoder.h"

namespace vorla::bench {

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
                                 FrameEntry::FromGifPage(pages[i]).WrittenDisposal(),
                                 pages[i].transparent ? pages[i].transparentIndex : -1});
    }
}

}  // namespace vorla::bench
