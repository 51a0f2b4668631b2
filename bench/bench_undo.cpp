// Cost of one undo step for a full table (300 frames of 480 x 270 at 8 bits, about 39 MB a block)
// beside a plain write of the same number of bytes to a file in the same folder. The store is
// expected to stay within twice the plain write: one serialisation pass, one write.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "core/port/Imaging.h"

namespace {

using vorla::CDib;

// A full table in its own temporary program folder, made once per process.
struct UndoBench {
    static constexpr int kFrames = 300;
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 270;

    UndoBench()
        : folder(std::filesystem::temp_directory_path() /
                 ("vorla-bench-undo-" + std::to_string(getpid()))),
          app((std::filesystem::create_directories(folder), folder.string() + "/"), ui, 1200) {
        app.zoomPercent = 100;
        table = std::make_unique<vorla::FrameTable>(app, ui, imaging, host,
                                                    std::vector<std::uint8_t>{}, 0);
        for (int i = 0; i < kFrames; ++i) {
            CDib& image = table->frameImages[static_cast<std::size_t>(i)];
            image.Create(kWidth, kHeight, 8, 256);
            for (int c = 0; c < 256; ++c)
                image.SetPaletteColor(c, vorla::MakeRgb(c, 255 - c, (c * 7) & 255));
            for (int y = 0; y < kHeight; ++y) {
                std::uint8_t* row = image.Row(y);
                for (int x = 0; x < kWidth; ++x)
                    row[x] = static_cast<std::uint8_t>(x + 2 * y + 3 * i);
            }
            vorla::FrameEntry& entry = table->entries[static_cast<std::size_t>(i)];
            entry.width = kWidth;
            entry.height = kHeight;
            entry.delay = 10;
            entry.colorCount = 256;
        }
        table->frameCount = kFrames;
        table->settings = {kWidth, kHeight, true};
        blockBytes = vorla::edit::BuildSnapshotBlock(*table).size();
    }
    ~UndoBench() {
        table.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    vorla::HeadlessUserInterface ui;
    vorla::NoImaging imaging;
    vorla::DetachedHost host;
    vorla::ApplicationState app;
    std::unique_ptr<vorla::FrameTable> table;
    std::size_t blockBytes = 0;
};

UndoBench& Bench() {
    static UndoBench bench;
    return bench;
}

void SetByteRate(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(Bench().blockBytes) * state.iterations());
}

// One undo step as a view takes it: serialise the table and append the block after the block
// the cursor names (the store is renewed outside the timing so the file never fills up).
void BM_Snapshot_Vorla(benchmark::State& state) {
    UndoBench& bench = Bench();
    std::unique_ptr<vorla::UndoStore> store;
    for (auto _ : state) {
        state.PauseTiming();
        store.reset();
        store = std::make_unique<vorla::UndoStore>(bench.table->snapshotFilePath, bench.ui);
        bool ready = vorla::edit::RecordSnapshot(*bench.table, *store);
        state.ResumeTiming();
        if (!ready || !vorla::edit::RecordSnapshot(*bench.table, *store)) {
            state.SkipWithError("the undo store refused the block");
            break;
        }
    }
    SetByteRate(state);
}

// The same number of bytes written to a new file in the same folder, from a ready buffer.
void BM_Snapshot_PlainWrite(benchmark::State& state) {
    UndoBench& bench = Bench();
    const std::vector<std::uint8_t> bytes(bench.blockBytes, 0x5A);
    const std::string path = (bench.folder / "plain.tmp").string();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            if (file) std::fclose(file);
            state.SkipWithError("plain write failed");
            break;
        }
        std::fclose(file);
    }
    std::filesystem::remove(path);
    SetByteRate(state);
}

// A step once twenty blocks are stored: the oldest block is dropped, sliding the other nineteen
// (about 750 MB) to the front of the file.
void BM_SnapshotDropOldest(benchmark::State& state) {
    UndoBench& bench = Bench();
    vorla::UndoStore store(bench.table->snapshotFilePath, bench.ui);
    for (int k = 0; k < vorla::UndoStore::kMaxBlocks; ++k)
        vorla::edit::RecordSnapshot(*bench.table, store);
    for (auto _ : state) {
        if (!vorla::edit::RecordSnapshot(*bench.table, store)) {
            state.SkipWithError("the undo store refused the block");
            break;
        }
    }
    SetByteRate(state);
}

BENCHMARK(BM_Snapshot_Vorla)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotDropOldest)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace
