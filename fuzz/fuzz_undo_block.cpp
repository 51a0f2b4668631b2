// The undo store and snapshot restore over arbitrary bytes. The first byte picks the path:
//   even: the rest is a snapshot block handed straight to ApplySnapshotBlock;
//   odd:  the rest replaces the store file of a store that believes it holds a few blocks; every
//         block is restored, then a new block is pushed (which must cope with the damaged file).
// Neither may read outside its input or the file, allocate more than the input holds, or leave
// the table breaking its invariants.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace {

using vorla::CDib;

class NoHost : public vorla::DetachedHost {
public:
    void RecordSnapshot() override { __builtin_trap(); }  // a restore must never record one
};

struct World {
    World()
        : folder(std::filesystem::temp_directory_path() /
                 ("vorla-fuzz-undo-" + std::to_string(getpid()))),
          app((std::filesystem::create_directories(folder), folder.string() + "/"), ui, 1200) {
        app.zoomPercent = 100;
    }

    std::filesystem::path folder;
    vorla::HeadlessUserInterface ui;
    vorla::NoImaging imaging;
    NoHost host;
    vorla::ApplicationState app;
};

World& TheWorld() {
    static World* world = [] {
        auto* made = new World;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(TheWorld().folder, ignored);
        });
        return made;
    }();
    return *world;
}

// A table of two small frames: what a restore replaces, and what a failed one must keep.
std::unique_ptr<vorla::FrameTable> MakeTable(World& world) {
    auto table = std::make_unique<vorla::FrameTable>(world.app, world.ui, world.imaging, world.host,
                                                     std::vector<std::uint8_t>{}, 1);
    for (int i = 0; i < 2; ++i) {
        CDib& image = table->frameImages[static_cast<std::size_t>(i)];
        image.Create(3 + i, 2, 8, 4);
        vorla::FrameEntry& entry = table->entries[static_cast<std::size_t>(i)];
        entry.width = static_cast<std::int16_t>(3 + i);
        entry.height = 2;
        entry.colorCount = 4;
    }
    table->frameCount = 2;
    table->SetZoom(4, 2, false);
    table->RebuildDisplayImages(-1, true, true, false);
    return table;
}

// Whatever a restore leaves, the table must hold together: the count in range, every frame an
// 8-bit bitmap with its display copy, nothing beyond the count.
void CheckTable(const vorla::FrameTable& table) {
    if (table.frameCount < 0 || table.frameCount > vorla::FrameTable::kMaxFrames) __builtin_trap();
    volatile std::uint32_t sink = 0;
    for (int i = 0; i < table.frameCount; ++i) {
        const CDib& image = table.frameImages[static_cast<std::size_t>(i)];
        const CDib& display = table.displayImages[static_cast<std::size_t>(i)];
        if (image.IsEmpty() || image.BitCount() != 8) __builtin_trap();
        if (display.Width() != image.Width() || display.Height() != image.Height())
            __builtin_trap();
        sink = sink + image.Index(image.Width() - 1, image.Height() - 1) + image.PaletteColor(255);
        if (!table.entries[static_cast<std::size_t>(i)].link.linkedPath.empty()) __builtin_trap();
    }
    for (int i = table.frameCount; i < vorla::FrameTable::kMaxFrames; ++i) {
        if (!table.frameImages[static_cast<std::size_t>(i)].IsEmpty()) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    World& world = TheWorld();
    auto table = MakeTable(world);
    std::span<const std::uint8_t> rest(data + 1, size - 1);

    if ((data[0] & 1) == 0) {
        vorla::edit::ApplySnapshotBlock(*table, rest);
        CheckTable(*table);
        return 0;
    }

    vorla::UndoStore store(table->snapshotFilePath, world.ui);
    // Four genuine blocks give the store its count and cursor; then the file is replaced.
    for (int k = 0; k < 4; ++k) {
        table->entries[0].delay = static_cast<std::int16_t>(k);
        vorla::edit::RecordSnapshot(*table, store);
    }
    if (std::FILE* file = std::fopen(table->snapshotFilePath.c_str(), "wb")) {
        std::fwrite(rest.data(), 1, rest.size(), file);
        std::fclose(file);
    }
    for (int k = store.Count() - 1; k >= 0; --k) {
        if (store.Cursor() != k && !store.MoveCursor(k - store.Cursor())) __builtin_trap();
        vorla::edit::RestoreSnapshot(*table, store);
        CheckTable(*table);
    }
    // Back into the middle, so that the push cuts redo blocks of the damaged file too.
    store.MoveCursor(1);
    vorla::edit::RecordSnapshot(*table, store);
    if (store.Count() < 0 || store.Count() > vorla::UndoStore::kMaxBlocks) __builtin_trap();
    if (store.Count() > 0) {
        vorla::edit::RestoreSnapshot(*table, store);
        CheckTable(*table);
    }
    return 0;
}
