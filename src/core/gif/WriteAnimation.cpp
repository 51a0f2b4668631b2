#include "core/gif/WriteAnimation.h"

#include <utility>
#include <vector>

#include "core/gif/GifEncoder.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"

namespace vorla {

std::int64_t WriteAnimation(FrameTable& table, ByteStream& out, bool preserveFrames,
                            bool measureOnly, GifEncoder& encoder, CAnvoDoc* document) {
    encoder.SetUserInterface(&table.Ui());
    table.loadingScreen = true;

    // Writing changes only the frames' palettes (key colours) and entries, so the palettes are
    // what is kept aside, not the whole bitmaps.
    std::vector<std::vector<RgbQuad>> reserved;
    if (preserveFrames) {
        reserved.reserve(static_cast<std::size_t>(table.frameCount));
        for (int i = 0; i < table.frameCount; ++i) {
            reserved.push_back(table.frameImages[static_cast<std::size_t>(i)].ColorTable());
        }
        table.SnapshotEntries();
    }

    MemoryStream output;
    bool complete = table.frameCount > 0;
    const int screenWidth = table.settings.screenWidth;
    const int screenHeight = table.settings.screenHeight;
    // Reused for every frame: the encoder hands their buffers back and forth instead of copying.
    MemoryStream image;
    MemoryStream record;
    for (int i = 0; i < table.frameCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        FrameEntry& entry = table.entries[slot];
        const bool interlace = entry.interlaced != 0;
        const bool loop = table.settings.loopForever;
        GifEncoder::RenewKeyColor(table, i);
        const Colorref key = entry.keyColor;
        // EncodeImage writes from the start without shortening; the last frame's longer image
        // must not trail behind this one.
        image.SetLength(0);
        if (!encoder.EncodeImage(table.frameImages[slot], image, interlace ? "xi" : "x")) {
            // Frames of the table are always 8-bit bitmaps; a file without this frame is not
            // the animation, so the write fails.
            complete = false;
            continue;
        }
        image.SeekToBegin();
        entry.colorCount = static_cast<std::int16_t>(encoder.ColorTableSize());
        encoder.CheckKeyColor(table, i, image);
        if (!encoder.WriteFrameRecord(image, record, entry, screenWidth, screenHeight, key,
                                      interlace, loop, i == 0)) {
            complete = false;
            continue;
        }
        if (i == 0) {
            // The first record opens the output as it is.
            std::swap(output, record);
            output.Seek(0, SeekOrigin::End);
            record.SetLength(0);
        } else if (!encoder.AppendFrameRecord(output, record, i == table.frameCount - 1)) {
            complete = false;
        }
    }

    const std::int64_t length = output.Length();
    bool written = complete;
    if (complete && !measureOnly) {
        auto* memory = dynamic_cast<MemoryStream*>(&out);
        if (memory != nullptr && memory->Length() == 0 && memory->Position() == 0) {
            *memory = MemoryStream(output.TakeBytes());
            memory->Seek(0, SeekOrigin::End);
        } else {
            written = out.Write(output.Bytes().data(), output.Bytes().size());
        }
        if (written && document != nullptr) document->modified = false;
    }

    if (preserveFrames) {
        if (static_cast<int>(reserved.size()) != table.frameCount) {
            ReportProgramError(table.Ui(), "51412", false);
        } else {
            for (int i = 0; i < table.frameCount; ++i) {
                table.frameImages[static_cast<std::size_t>(i)].ColorTable() =
                    std::move(reserved[static_cast<std::size_t>(i)]);
            }
        }
        table.RestoreEntries(true);
        table.Host().Invalidate();
    }
    table.RebuildDisplayImages(-1, true, true, false);
    table.loadingScreen = false;
    return written ? length : -1;
}

}  // namespace vorla
