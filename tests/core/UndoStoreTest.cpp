#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/edit/Snapshot.h"
#include "core/edit/UndoStore.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

const char kUndoLimit[] = "더 이상 실행취소를 할 수 없습니다.";
const char kRedoLimit[] = "더 이상 재실행할 수 없습니다.";

std::int32_t Int32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::int32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
}

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

std::vector<std::int32_t> DirectoryOf(const std::string& path) {
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    std::vector<std::int32_t> lengths;
    for (std::size_t k = 0; k < 20 && 4 * k + 4 <= bytes.size(); ++k)
        lengths.push_back(Int32At(bytes, 4 * k));
    return lengths;
}

std::string ErrorBox(const std::string& code) {
    return ProgramErrorText(code, false);
}

class UndoStoreTest : public test::TableTest<test::StoringHost> {
protected:
    UndoStoreTest() {
        table = NewTable(3);
        store = std::make_unique<UndoStore>(table->snapshotFilePath, ui);
        host.table = table.get();
        host.store = store.get();
    }

    // Frame i: its own size, palette and pixels, so that a mix-up between frames shows.
    void PutFrame(int i, int width, int height, int seed) {
        CDib image;
        image.Create(width, height, 8, 16);
        for (int c = 0; c < 16; ++c)
            image.SetPaletteColor(c, MakeRgb(c * 16 + seed, seed * 3, 255 - c));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>((x + y * 3 + seed) % 16));
        }
        auto slot = static_cast<std::size_t>(i);
        table->frameImages[slot] = image;
        FrameEntry& entry = table->entries[slot];
        entry = FrameEntry{};
        entry.width = static_cast<std::int16_t>(width);
        entry.height = static_cast<std::int16_t>(height);
        entry.left = static_cast<std::int16_t>(seed % 3);
        entry.delay = static_cast<std::int16_t>(10 + seed);
        entry.colorCount = 16;
        entry.transparentIndex = 15;
        entry.controlFlags = 8;
        entry.restoreBackground = 1;
        entry.transparentColor = MakeRgb(1, 2, seed);
        entry.keyColor = MakeRgb(seed, 5, 6);
        entry.effectWord = 0xA5A50000u + static_cast<std::uint32_t>(seed);
        entry.link.word1 = 7;
        entry.link.linkedTime = 1700000000 + seed;
    }

    // Opening: frames arrive without snapshots, then the first block is recorded.
    void Load(int frames) {
        for (int i = 0; i < frames; ++i) PutFrame(i, 6 + i, 4 + i, i);
        table->frameCount = frames;
        table->SetZoom(20, 12, false);
        table->RebuildDisplayImages(-1, true, true, false);
        ASSERT_TRUE(edit::RecordSnapshot(*table, *store));
    }

    // A frame-changing command: frame 0's delay becomes `mark`, then the commit step.
    void Change(int mark) {
        table->entries[0].delay = static_cast<std::int16_t>(mark);
        table->RebuildDisplayImages(-1, false, false, false);
    }

    int Delay() const { return table->entries[0].delay; }

    std::unique_ptr<FrameTable> table;
    std::unique_ptr<UndoStore> store;
    edit::UndoGuards open;  // no guard holds
};

TEST_F(UndoStoreTest, FileIsNamedAfterTheSlotAndRemovedWithTheStore) {
    EXPECT_EQ(store->FileName(), dir.Path().string() + "/udar003.tmp");
    EXPECT_EQ(DirectoryOf(store->FileName()), std::vector<std::int32_t>(20, -1));
    EXPECT_EQ(std::filesystem::file_size(store->FileName()), 80u);
    EXPECT_EQ(store->Count(), 0);
    EXPECT_EQ(store->Cursor(), -1);
    host.store = nullptr;
    store.reset();
    EXPECT_FALSE(std::filesystem::exists(dir.File("udar003.tmp")));
}

TEST_F(UndoStoreTest, TwentyFiveChangesGiveNineteenUndos) {
    Load(2);
    for (int mark = 1; mark <= 25; ++mark) Change(mark);
    EXPECT_EQ(host.snapshots, 25);
    EXPECT_EQ(store->Count(), 20);
    EXPECT_EQ(store->Cursor(), 19);
    host.modified = 0;
    for (int undo = 1; undo <= 19; ++undo) {
        ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored) << "undo " << undo;
        ASSERT_EQ(Delay(), 25 - undo) << "undo " << undo;
    }
    EXPECT_TRUE(ui.Messages().empty()) << "have message " << ui.LastMessage();
    EXPECT_FALSE(edit::CanUndo(store.get(), *table, false));
    EXPECT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::AtLimit);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{kUndoLimit});
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0].milliseconds, 450);
    EXPECT_EQ(ui.notices[0].style, 1);
    EXPECT_EQ(Delay(), 6) << "the state after the 6th change stays";
    EXPECT_EQ(host.snapshots, 25) << "restoring records no snapshot";
    EXPECT_GT(host.modified, 0) << "an undone document counts as modified";
}

TEST_F(UndoStoreTest, ChangeAfterUndoCutsTheRedoBlocks) {
    Load(1);
    for (int mark = 1; mark <= 3; ++mark) Change(mark);
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_TRUE(edit::CanRedo(store.get(), *table, false));
    EXPECT_EQ(Delay(), 1);

    Change(40);
    EXPECT_EQ(store->Count(), 3);
    EXPECT_EQ(store->Cursor(), 2);
    std::vector<std::int32_t> lengths = DirectoryOf(store->FileName());
    for (int k = 3; k < 20; ++k)
        EXPECT_EQ(lengths[static_cast<std::size_t>(k)], -1) << "entry " << k;
    EXPECT_EQ(std::filesystem::file_size(store->FileName()),
              static_cast<std::uintmax_t>(80 + lengths[0] + lengths[1] + lengths[2]))
        << "the file ends with the new block";

    EXPECT_FALSE(edit::CanRedo(store.get(), *table, false));
    EXPECT_EQ(edit::Redo(*table, *store, open), edit::UndoResult::AtLimit);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{kRedoLimit});
    EXPECT_EQ(Delay(), 40);
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_EQ(Delay(), 1);
    ASSERT_EQ(edit::Redo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_EQ(Delay(), 40);
}

TEST_F(UndoStoreTest, UndoAndRedoDropEveryLink) {
    Load(2);
    table->entries[1].link.linkedPath = dir.File("frame2.bmp");
    Change(5);
    table->entries[0].link.linkedPath = dir.File("frame1.bmp");
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_TRUE(table->entries[0].link.linkedPath.empty());
    EXPECT_TRUE(table->entries[1].link.linkedPath.empty());
    EXPECT_EQ(table->entries[1].link.linkedTime, 1700000001) << "only the path goes";

    table->entries[1].link.linkedPath = dir.File("frame2.bmp");
    ASSERT_EQ(edit::Redo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_TRUE(table->entries[1].link.linkedPath.empty());

    // Also when nothing is left to redo.
    table->entries[1].link.linkedPath = dir.File("frame2.bmp");
    EXPECT_EQ(edit::Redo(*table, *store, open), edit::UndoResult::AtLimit);
    EXPECT_TRUE(table->entries[1].link.linkedPath.empty());
}

TEST_F(UndoStoreTest, NothingHappensWhileTheFrameDialogIsOpenOrPlaybackIsPaused) {
    Load(1);
    Change(1);
    Change(2);
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    table->entries[0].link.linkedPath = "linked.bmp";
    for (edit::UndoGuards guards : {edit::UndoGuards{true, false}, edit::UndoGuards{false, true}}) {
        EXPECT_EQ(edit::Undo(*table, *store, guards), edit::UndoResult::Ignored);
        EXPECT_EQ(edit::Redo(*table, *store, guards), edit::UndoResult::Ignored);
    }
    EXPECT_EQ(store->Cursor(), 1);
    EXPECT_EQ(Delay(), 1);
    EXPECT_EQ(table->entries[0].link.linkedPath, "linked.bmp");
    EXPECT_TRUE(ui.Messages().empty());

    EXPECT_FALSE(edit::CanUndo(store.get(), *table, true));
    EXPECT_FALSE(edit::CanRedo(store.get(), *table, true));
    EXPECT_TRUE(edit::CanUndo(store.get(), *table, false));
    EXPECT_TRUE(edit::CanRedo(store.get(), *table, false));
    EXPECT_FALSE(edit::CanUndo(nullptr, *table, false)) << "no store, no undo";
}

TEST_F(UndoStoreTest, DirectoryHoldsBlockLengthsAndTheTwentyFirstDropsTheOldest) {
    std::vector<std::vector<std::uint8_t>> blocks;
    for (int k = 0; k < 21; ++k) {
        blocks.emplace_back(static_cast<std::size_t>(100 + 37 * k),
                            static_cast<std::uint8_t>(k + 1));
        blocks.back().front() = 0xEE;  // marks the block's first byte
    }
    std::size_t total = 80;
    for (int k = 0; k < 20; ++k) {
        ASSERT_TRUE(store->Push(blocks[static_cast<std::size_t>(k)]));
        total += blocks[static_cast<std::size_t>(k)].size();
        std::vector<std::int32_t> lengths = DirectoryOf(store->FileName());
        for (int j = 0; j < 20; ++j) {
            EXPECT_EQ(lengths[static_cast<std::size_t>(j)], j <= k ? 100 + 37 * j : -1)
                << "entry " << j << " after " << k + 1 << " pushes";
        }
        ASSERT_EQ(std::filesystem::file_size(store->FileName()), total);
    }
    ASSERT_TRUE(store->Push(blocks[20]));
    EXPECT_EQ(store->Count(), 20);
    EXPECT_EQ(store->Cursor(), 19);
    std::vector<std::int32_t> lengths = DirectoryOf(store->FileName());
    for (int j = 0; j < 20; ++j)
        EXPECT_EQ(lengths[static_cast<std::size_t>(j)], 100 + 37 * (j + 1)) << "entry " << j;

    // The blocks lie back to back after the directory, block 1 first.
    std::vector<std::uint8_t> file = test::ReadBytes(store->FileName());
    std::vector<std::uint8_t> expected(80);
    for (int j = 0; j < 20; ++j)
        PutInt32(expected, 4 * static_cast<std::size_t>(j), 100 + 37 * (j + 1));
    for (int k = 1; k <= 20; ++k) {
        const auto& block = blocks[static_cast<std::size_t>(k)];
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_TRUE(file == expected) << "have " << file.size() << " bytes, want " << expected.size();

    MemoryStream read;
    ASSERT_TRUE(store->Read(0, read));
    EXPECT_TRUE(read.Bytes() == blocks[1]);
    ASSERT_TRUE(store->Read(19, read));
    EXPECT_TRUE(read.Bytes() == blocks[20]);
    EXPECT_FALSE(store->Read(20, read));
    EXPECT_FALSE(store->Read(-1, read));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(UndoStoreTest, NamesOfTwoHundredFiftySixCharactersAreRefused) {
    std::string base = dir.Path().string() + "/";
    const std::size_t baseLength = base.size();
    UndoStore tooLong(base + std::string(256 - baseLength, 'a'), ui);
    EXPECT_FALSE(tooLong.Usable());
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{ErrorBox("fatal 91723")});
    EXPECT_FALSE(tooLong.Push(std::vector<std::uint8_t>(4, 1)));

    // Characters, not bytes: each Hangul syllable takes three bytes.
    ui.Clear();
    std::string hangul;
    for (int i = 0; i < 80; ++i) hangul += "가";
    UndoStore korean(base + hangul, ui);
    EXPECT_GT(korean.FileName().size(), 255u);
    EXPECT_TRUE(korean.Usable());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(UndoStoreTest, TruncatedStoreFailsCleanlyAndKeepsTheTable) {
    Load(3);
    Change(1);
    Change(2);
    std::vector<std::uint8_t> file = test::ReadBytes(store->FileName());
    std::vector<std::int32_t> lengths = DirectoryOf(store->FileName());
    file.resize(static_cast<std::size_t>(80 + lengths[0] + lengths[1] / 2));
    test::WriteBytes(store->FileName(), file);

    EXPECT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Failed);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{ErrorBox("61923"), ErrorBox("99731")}));
    EXPECT_EQ(store->Cursor(), 2) << "the cursor still names the block the view shows";
    EXPECT_EQ(Delay(), 2);
    EXPECT_EQ(table->frameCount, 3);

    // Block 0 is whole: undoing twice in one step works.
    ui.Clear();
    ASSERT_TRUE(store->MoveCursor(-2));
    EXPECT_TRUE(edit::RestoreSnapshot(*table, *store));
    EXPECT_EQ(Delay(), 10);

    // A push needs the blocks up to the cursor; a file that lost them starts a new history.
    ASSERT_TRUE(store->MoveCursor(+1));
    Change(3);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{ErrorBox("66382")});
    EXPECT_EQ(store->Count(), 0);
    Change(4);
    EXPECT_EQ(store->Count(), 1);
    EXPECT_EQ(DirectoryOf(store->FileName())[0],
              static_cast<std::int32_t>(std::filesystem::file_size(store->FileName()) - 80));
}

TEST_F(UndoStoreTest, DamagedDirectoryOrBlockFailsCleanly) {
    Load(2);
    Change(1);
    const std::vector<std::uint8_t> good = test::ReadBytes(store->FileName());
    const std::int32_t length0 = Int32At(good, 0);

    // A length far beyond the file, and one below -1.
    for (std::int32_t bad : {0x7FFFFFFF, -5}) {
        std::vector<std::uint8_t> file = good;
        PutInt32(file, 0, bad);
        test::WriteBytes(store->FileName(), file);
        ui.Clear();
        EXPECT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Failed) << "length " << bad;
        EXPECT_EQ(ui.Messages(), (std::vector<std::string>{ErrorBox("61923"), ErrorBox("99731")}));
    }
    // A free slot where a block should be.
    std::vector<std::uint8_t> file = good;
    PutInt32(file, 0, -1);
    test::WriteBytes(store->FileName(), file);
    ui.Clear();
    EXPECT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Failed);
    EXPECT_TRUE(ui.Saw(ErrorBox("61923")));

    // Blocks that read back but do not describe a table: a negative screen, 301 frames, a frame
    // length running past the block, a bitmap that is not a BMP.
    struct Damage {
        std::size_t at;
        std::int32_t value;
    };
    for (Damage damage : {Damage{4, -1}, Damage{0, 301}, Damage{17, 0x00FFFFFF}, Damage{1217, 0}}) {
        file = good;
        PutInt32(file, 80 + damage.at, damage.value);  // block 0 follows the directory
        test::WriteBytes(store->FileName(), file);
        ui.Clear();
        EXPECT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Failed)
            << "field at " << damage.at;
        EXPECT_EQ(ui.Messages(), std::vector<std::string>{ErrorBox("23523")})
            << "field at " << damage.at;
    }
    EXPECT_EQ(store->Cursor(), 1);
    EXPECT_EQ(Delay(), 1);
    EXPECT_EQ(table->frameCount, 2);
    EXPECT_EQ(table->frameImages[0].Width(), 6);
    EXPECT_GT(length0, 0);
}

TEST_F(UndoStoreTest, RoundTripRestoresFramesEntriesScreenAndLoop) {
    Load(3);
    table->settings.loopForever = false;
    table->entries[1].transparent = 1;
    table->entries[2].interlaced = 1;
    table->entries[2].selected = 1;
    table->SetZoom(20, 12, false);
    Change(77);
    std::vector<CDib> images(table->frameImages.begin(), table->frameImages.begin() + 3);
    std::vector<FrameEntry> entries(table->entries.begin(), table->entries.begin() + 3);
    entries[2].selected = 0;  // a restore clears the selection

    // The block itself: count, screen, loop, then BMP lengths for the three frames only.
    std::vector<std::uint8_t> block = edit::BuildSnapshotBlock(*table, 33);
    EXPECT_EQ(Int32At(block, 0), 3);
    EXPECT_EQ(Int32At(block, 4), 20);
    EXPECT_EQ(Int32At(block, 8), 12);
    EXPECT_EQ(block[12], 0);
    EXPECT_EQ(Int32At(block, 13), 33);
    std::size_t size = edit::kSnapshotHeaderBytes;
    for (std::size_t i = 0; i < 300; ++i) {
        std::int32_t length = Int32At(block, 17 + 4 * i);
        if (i < 3) {
            EXPECT_EQ(length, static_cast<std::int32_t>(images[i].ToBytes().size()))
                << "frame " << i;
            size += static_cast<std::size_t>(length) + 59;
        } else {
            ASSERT_EQ(length, -1) << "slot " << i;
        }
    }
    EXPECT_EQ(block.size(), size);

    // Everything changes: one frame fewer, other pixels, another screen, looping.
    table->RemoveFrame(0);
    table->frameImages[0].SetIndex(0, 0, 9);
    table->frameImages[0].SetPaletteColor(3, MakeRgb(1, 1, 1));
    table->settings.loopForever = true;
    table->SetZoom(50, 50, false);
    Change(78);

    table->rebuildSuspend = 1;  // a multi-step operation holds rebuilding back
    ASSERT_EQ(edit::Undo(*table, *store, open), edit::UndoResult::Restored);
    ASSERT_EQ(table->frameCount, 3);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(table->frameImages[i] == images[i])
            << "frame " << i << " pixels or palette differ";
        EXPECT_EQ(table->entries[i], entries[i]) << "frame " << i;
        EXPECT_EQ(table->DisplayImage(static_cast<int>(i)).Width(), images[i].Width())
            << "display image " << i << " rebuilt";
    }
    EXPECT_EQ(table->settings.screenWidth, 20);
    EXPECT_EQ(table->settings.screenHeight, 12);
    EXPECT_FALSE(table->settings.loopForever);
    EXPECT_EQ(host.snapshots, 2);

    ASSERT_EQ(edit::Redo(*table, *store, open), edit::UndoResult::Restored);
    EXPECT_EQ(table->frameCount, 2);
    EXPECT_TRUE(table->frameImages[2].IsEmpty()) << "slots past the count are freed";
    EXPECT_EQ(table->frameImages[0].Index(0, 0), 9);
    EXPECT_EQ(table->settings.screenWidth, 50);
    EXPECT_TRUE(table->settings.loopForever);
    EXPECT_TRUE(ui.Messages().empty()) << "have " << ui.LastMessage();
}

}  // namespace
}  // namespace vorla
