// A linked file as an external editor may leave it: ReadLinkedImage over arbitrary bytes (GIF,
// BMP of any depth and compression, or anything else) and, for what it accepts, the in-place
// reload into a frame; and the BMP expansions it relies on, called directly. The table's
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
#include "core/model/BmpPixels.h"
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

// Pictures above this many pixels are not fuzzed: a few bytes of run-length data may claim one
// of 512 MB, which takes seconds a run and reaches no code a small picture does not.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 22;

// The expansions on their own, on whatever CDib::Read takes: the picture keeps its size, the
// result is plain and bottom-up, and every index of an 8-bit result lies inside its table.
// false: too large to go on with.
bool CheckExpansions(const std::uint8_t* data, std::size_t size) {
    vorla::CDib in;
    if (!in.FromBytes(std::vector<std::uint8_t>(data, data + size))) return true;
    if (static_cast<std::uint64_t>(in.Width()) * static_cast<std::uint64_t>(in.Height()) >
        kMaxPixels)
        return false;
    vorla::CDib out;
    const bool indexed = vorla::ExpandToIndexed8(in, out);
    if (!indexed && !vorla::ExpandToTrueColour(in, out)) return true;
    if (out.Width() != in.Width() || out.Height() != in.Height() || out.Compression() != 0 ||
        out.TopDown() || out.BitCount() != (indexed ? 8 : 24) ||
        out.Bits().size() !=
            static_cast<std::size_t>(out.Stride()) * static_cast<std::size_t>(out.Height()))
        __builtin_trap();
    if (!indexed) return true;
    if (out.ColorCount() < 1 || out.ColorCount() > 256) __builtin_trap();
    for (std::int32_t y = 0; y < out.Height(); ++y)
        for (std::int32_t x = 0; x < out.Width(); ++x)
            if (out.Index(x, y) >= out.ColorCount()) __builtin_trap();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!CheckExpansions(data, size)) return 0;
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
