// A linked file as an external editor may leave it: ReadLinkedImage over arbitrary bytes (GIF,
// BMP or anything else) and, for what it accepts, the in-place reload into a frame. The table's
// invariants must hold afterwards: the entry's size is the image's, a transparent frame's index
// lies inside its palette and holds the key colour.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/external/FrameLinks.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"

namespace {

struct World {
    World()
        : folder(std::filesystem::temp_directory_path() /
                 ("vorla-fuzz-linked-" + std::to_string(getpid()))),
          app((std::filesystem::create_directories(folder), folder.string() + "/"), ui, 1200) {
        app.zoomPercent = 100;
        table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host,
                                                    std::vector<std::uint8_t>{}, -1);
        table->snapshotFilePath.clear();
    }
    std::filesystem::path folder;
    vorla::HeadlessUserInterface ui;
    vorla::NoImaging imaging;
    vorla::DetachedHost host;
    vorla::ApplicationState app;
    std::unique_ptr<vorla::FrameTable> table;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    const std::string path = (world.folder / "linked.bin").string();
    if (!vorla::WriteFileAtomically(path, std::span<const std::uint8_t>(data, size))) return 0;
    vorla::edit::IncomingImage incoming;
    vorla::external::FileSignature signature;
    if (vorla::external::ReadLinkedImage(path, world.imaging, incoming, signature) !=
        vorla::external::ReadResult::Ok)
        return 0;
    vorla::FrameTable& table = *world.table;
    table.frameCount = 1;
    table.settings = {vorla::CDib::kMaxDimension, vorla::CDib::kMaxDimension, false};
    vorla::CDib blank;
    blank.Create(2, 2, 8, 2);
    table.frameImages[0] = blank;
    table.entries[0] = vorla::FrameEntry{};
    table.entries[0].width = 2;
    table.entries[0].height = 2;
    table.entries[0].colorCount = 2;
    table.entries[0].transparentIndex = 1;
    if (!vorla::external::ReplaceFrameInPlace(table, 0, incoming)) return 0;
    const vorla::CDib& image = table.frameImages[0];
    const vorla::FrameEntry& entry = table.entries[0];
    if (entry.width != image.Width() || entry.height != image.Height()) __builtin_trap();
    if (entry.transparent && (entry.transparentIndex >= entry.colorCount ||
                              image.PaletteColor(entry.transparentIndex) != entry.keyColor))
        __builtin_trap();
    return 0;
}
