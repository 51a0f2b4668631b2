#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <tuple>

#include "core/edit/FrameClipboard.h"
#include "core/external/EditorSlots.h"
#include "core/external/FileSignature.h"
#include "core/external/FrameLinks.h"
#include "core/external/PaintEditSession.h"
#include "core/model/FrameTable.h"
#include "core/port/ProgramLauncher.h"
#include "support/TableTest.h"

namespace vorla {
namespace {

namespace fs = std::filesystem;
using external::FileSignature;

class RecordingLauncher : public ProgramLauncher {
public:
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
    };
    bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
        starts.push_back({program, arguments});
        return starts.size() <= static_cast<std::size_t>(startsThatWork);
    }
    int startsThatWork = 1000;
    std::vector<struct Start> starts;
};

// A w x h picture whose pixels carry index `fill`, four grey-blue entries.
CDib Picture(int w, int h, int fill) {
    CDib image;
    image.Create(w, h, 8, 4);
    for (int i = 0; i < 4; ++i) image.SetPaletteColor(i, MakeRgb(40 * i, 40 * i, 200));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.SetIndex(x, y, static_cast<std::uint8_t>(fill));
    return image;
}

// Gives the file this modification time (whole seconds plus nanoseconds).
void SetModificationTime(const std::string& path, std::time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class ExternalLinksTest : public test::TableTest<> {
protected:
    ExternalLinksTest() {
        table = NewTable(0);
        table->settings.screenWidth = 40;
        table->settings.screenHeight = 30;
        for (int k = 0; k < 6; ++k) {
            table->frameImages[static_cast<std::size_t>(k)] = Picture(20, 10, k % 4);
            FrameEntry& entry = table->entries[static_cast<std::size_t>(k)];
            entry.width = 20;
            entry.height = 10;
            entry.left = static_cast<std::int16_t>(k);
            entry.top = 3;
            entry.delay = static_cast<std::int16_t>(10 + k);
            entry.controlFlags = 2 << 2;
            entry.restoreBackground = 1;
            entry.colorCount = 4;
            entry.transparentIndex = 3;
        }
        table->frameCount = 6;
        program = dir.File("fake-editor");
        test::WriteBytes(program, {'#', '!'});
        fs::permissions(program, fs::perms::owner_all);
    }

    // Hands the frames with these indices to a slot of format `format`.
    int HandOver(std::initializer_list<int> frames, const std::string& format = "bmp") {
        table->ClearSelection(true, -1);
        for (int k : frames) table->entries[static_cast<std::size_t>(k)].selected = 1;
        return external::HandFramesToEditor(*table, {program, "editor", format}, Folder(),
                                            launcher);
    }
    std::string Folder() const {
        return external::WorkFolder(app.ProgramDirectory(), "anim.gif", 1);
    }
    FrameEntry& Entry(int k) { return table->entries[static_cast<std::size_t>(k)]; }
    CDib& Image(int k) { return table->frameImages[static_cast<std::size_t>(k)]; }
    // The paint program saves: a new picture, written in place.
    void SaveAs(const std::string& path, const CDib& picture) {
        test::WriteBytes(path, picture.ToBytes());
    }

    std::unique_ptr<FrameTable> table;
    RecordingLauncher launcher;
    std::string program;
    external::LinkPoller poller;
};

TEST_F(ExternalLinksTest, HandingFramesTwoAndFiveWritesTheirFilesAndLinksBoth) {
    EXPECT_EQ(HandOver({1, 4}), 2);
    const std::string second = Folder() + "[002].bmp";
    const std::string fifth = Folder() + "[005].bmp";
    EXPECT_TRUE(fs::exists(second));
    EXPECT_TRUE(fs::exists(fifth));
    EXPECT_EQ(Entry(1).link.linkedPath, second);
    EXPECT_EQ(Entry(4).link.linkedPath, fifth);
    EXPECT_TRUE(Entry(0).link.linkedPath.empty());
    ASSERT_EQ(launcher.starts.size(), 2u) << "one program per frame";
    EXPECT_EQ(launcher.starts[0].program, program);
    EXPECT_EQ(launcher.starts[0].arguments, std::vector<std::string>{second})
        << "the file is one argument, whatever it contains";
    CDib written;
    ASSERT_TRUE(written.FromBytes(test::ReadBytes(fifth)));
    EXPECT_EQ(written.Index(0, 0), Image(4).Index(0, 0));
    EXPECT_TRUE(poller.Pass(*table).empty()) << "our own write is not a change";
}

TEST_F(ExternalLinksTest, AMissingProgramIsToldAndNothingIsWritten) {
    program = dir.File("nowhere");
    EXPECT_EQ(HandOver({0}), 0);
    EXPECT_TRUE(ui.Saw("지정된 외부 프로그램이 없거나 경로가 올바르지 않습니다."));
    EXPECT_FALSE(fs::exists(Folder()));
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(ExternalLinksTest, AProgramThatDoesNotStartIsToldOnce) {
    launcher.startsThatWork = 0;
    EXPECT_EQ(HandOver({0, 1, 2}), 1) << "the first frame only; the others wait for a program";
    EXPECT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.LastMessage(), "지정된 외부 프로그램이 없거나 경로가 올바르지 않습니다.");
}

TEST_F(ExternalLinksTest, ASaveWithinTheSameSecondReloadsTheFrameInPlace) {
    HandOver({2});
    const std::string path = Entry(2).link.linkedPath;
    SetModificationTime(path, 1700000000, 100);
    external::LinkFrame(*table, 2, path);
    FrameClipboard clipboard;
    clipboard.CopyOne(Picture(3, 3, 1), FrameEntry{});
    table->entries[0].selected = 1;
    const FrameEntry before = Entry(2);
    host.snapshots = 0;

    SaveAs(path, Picture(20, 10, 3));
    SetModificationTime(path, 1700000000, 900);  // the same second, later
    EXPECT_EQ(poller.Pass(*table), std::vector<int>{2});
    EXPECT_EQ(Image(2).Index(5, 5), 3);
    EXPECT_EQ(Entry(2).delay, before.delay);
    EXPECT_EQ(Entry(2).Disposal(), 2);
    EXPECT_EQ(Entry(2).restoreBackground, 1);
    EXPECT_EQ(Entry(2).left, before.left);
    EXPECT_EQ(Entry(2).top, before.top);
    EXPECT_EQ(Entry(2).link.linkedPath, path) << "the next save is followed too";
    EXPECT_EQ(clipboard.Count(), 1);
    EXPECT_EQ(clipboard.Image(0).Width(), 3);
    EXPECT_EQ(table->entries[0].selected, 1) << "the selection stays";
    EXPECT_EQ(host.snapshots, 1) << "one undo step";
    EXPECT_TRUE(poller.Pass(*table).empty()) << "read once";

    // A save by rename: a new inode, perhaps nothing else new.
    const std::string fresh = path + ".new";
    SaveAs(fresh, Picture(20, 10, 0));
    SetModificationTime(fresh, 1700000000, 900);
    fs::rename(fresh, path);
    EXPECT_EQ(poller.Pass(*table), std::vector<int>{2});
    EXPECT_EQ(Image(2).Index(5, 5), 0);
    EXPECT_EQ(host.snapshots, 2);
}

TEST_F(ExternalLinksTest, AClearedLinkIgnoresLaterSaves) {
    HandOver({0});
    const std::string path = Entry(0).link.linkedPath;
    ui.Answer(true, 0);  // "연결 해제"
    EXPECT_EQ(external::LinkFrameByHand(*table, 0, {}, {}), external::LinkOutcome::Unlinked);
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0].text, "프레임 자동 업데이트 옵션이 해제되었습니다.");
    EXPECT_EQ(ui.Log()[0].request.options[2], "경로 다시 지정");
    EXPECT_EQ(ui.Log()[0].request.hideMask, "OXOX");

    SaveAs(path, Picture(20, 10, 2));
    EXPECT_TRUE(poller.Pass(*table).empty());
    EXPECT_EQ(Image(0).Index(0, 0), 0);
}

TEST_F(ExternalLinksTest, ATruncatedFileReloadsOnlyOnceItIsComplete) {
    HandOver({1});
    const std::string path = Entry(1).link.linkedPath;
    std::vector<std::uint8_t> bytes = Picture(20, 10, 2).ToBytes();
    std::vector<std::uint8_t> half(bytes.begin(), bytes.begin() + bytes.size() / 2);
    test::WriteBytes(path, half);
    EXPECT_TRUE(poller.Pass(*table).empty());
    EXPECT_EQ(Image(1).Index(0, 0), 1) << "half a file changes nothing";
    EXPECT_EQ(host.snapshots, 0);
    EXPECT_TRUE(poller.Pass(*table).empty()) << "and is tried again, still half";
    test::WriteBytes(path, bytes);
    EXPECT_EQ(poller.Pass(*table), std::vector<int>{1});
    EXPECT_EQ(Image(1).Index(0, 0), 2);
    EXPECT_TRUE(ui.Log().empty()) << "a file being written is no news: " << ui.LastMessage();
    // A file that stays unreadable is named once, however long it stays so.
    test::WriteBytes(path, {'B', 'M', 'x'});
    for (int pass = 0; pass < 3 * external::LinkPoller::kPassesBeforeReport; ++pass)
        EXPECT_TRUE(poller.Pass(*table).empty());
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.LastMessage(), external::LinkPoller::UnreadableText(path));
}

TEST_F(ExternalLinksTest, TwoUntitledDocumentsWorkInSeparateFolders) {
    const std::string first = external::WorkFolder(app.ProgramDirectory(), "무제", 1);
    const std::string second = external::WorkFolder(app.ProgramDirectory(), "무제", 2);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(app.ProgramDirectory() + "work/", 0), 0u);
    EXPECT_EQ(external::WorkFileName(6, "png"), "[007].png");
    EXPECT_EQ(external::WorkFolder(app.ProgramDirectory(), "../x", 1).find("/../"),
              std::string::npos);
}

TEST_F(ExternalLinksTest, AHandOffTakesItsFileAwayFromAFrameThatMovedThere) {
    HandOver({1});
    const std::string path = Entry(1).link.linkedPath;
    table->RemoveFrame(0);  // the linked frame is now frame 0; frame 1 is another one
    HandOver({1});
    EXPECT_EQ(Entry(1).link.linkedPath, path);
    EXPECT_TRUE(Entry(0).link.linkedPath.empty()) << "two frames never share a work file";
}

TEST_F(ExternalLinksTest, ANewFileForALinkIsTheBlankPictureAndLeavesTheFrameUnlinked) {
    const std::string path = dir.File("new.bmp");
    std::string proposed;
    HandOver({0});  // linked before: "경로 다시 지정" to the new file drops that link too
    ui.Answer(true, 2);
    ui.Answer(true, 0);  // yes
    const std::vector<std::uint8_t> blank(187, 0x47);
    const auto outcome = external::LinkFrameByHand(
        *table, 0,
        [&](const std::string&, const std::string& name) {
            proposed = name;
            return path;
        },
        blank);
    EXPECT_EQ(outcome, external::LinkOutcome::CreatedFile);
    EXPECT_EQ(proposed, "001.BMP");
    EXPECT_EQ(test::ReadBytes(path), blank);
    EXPECT_TRUE(Entry(0).link.linkedPath.empty());
    EXPECT_EQ(ui.LastMessage(), path + "는 존재하지 않습니다.\n\n새로 만들겠습니까?");
}

TEST_F(ExternalLinksTest, LinkingAnExistingFileTakesItsPictureAtOnce) {
    const std::string path = dir.File("outside.bmp");
    SaveAs(path, Picture(20, 10, 3));
    const auto outcome = external::LinkFrameByHand(
        *table, 3, [&](const std::string&, const std::string&) { return path; }, {});
    EXPECT_EQ(outcome, external::LinkOutcome::Linked);
    EXPECT_EQ(Image(3).Index(0, 0), 3);
    EXPECT_EQ(Entry(3).link.linkedPath, path);
    EXPECT_EQ(host.snapshots, 1);
}

TEST_F(ExternalLinksTest, ATransparentFrameKeepsItsKeyColourThroughAReload) {
    Entry(2).transparent = 1;
    Entry(2).transparentIndex = 0;
    table->SetKeyColor(2);
    const Colorref original = Entry(2).transparentColor;
    HandOver({2});
    const std::string path = Entry(2).link.linkedPath;
    CDib edited = Image(2);  // the key colour stays where the program found it
    edited.SetIndex(0, 0, 1);
    std::swap(edited.ColorTable()[0], edited.ColorTable()[3]);  // and moves in the palette
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            edited.SetIndex(x, y, edited.Index(x, y) == 0 ? 3 : edited.Index(x, y));
    SaveAs(path, edited);
    SetModificationTime(path, 1700000001, 0);
    ASSERT_EQ(poller.Pass(*table), std::vector<int>{2});
    EXPECT_TRUE(Entry(2).transparent);
    EXPECT_EQ(Entry(2).transparentIndex, 3);
    EXPECT_EQ(Entry(2).transparentColor, original);
    EXPECT_EQ(Image(2).PaletteColor(3), Entry(2).keyColor);
}

TEST_F(ExternalLinksTest, SignaturesTellApartEverySave) {
    const std::string path = dir.File("sig.bin");
    test::WriteBytes(path, {1, 2, 3});
    SetModificationTime(path, 1700000000, 5);
    const FileSignature first = external::ReadFileSignature(path);
    EXPECT_TRUE(first.exists);
    EXPECT_EQ(first.size, 3);
    SetModificationTime(path, 1700000000, 6);
    EXPECT_NE(external::ReadFileSignature(path), first) << "one nanosecond later";
    FrameLink link;
    external::StoreSignature(link, first);
    EXPECT_EQ(link.linkedTime, 1700000000) << "the record keeps whole seconds";
    EXPECT_EQ(external::LinkedSignature(link), first);
    EXPECT_FALSE(external::ReadFileSignature(dir.File("none")).exists);
}

TEST_F(ExternalLinksTest, ImageMagicksOneAndFourBitAndRle8FilesReloadInPlace) {
    if (!test::HaveCommand("convert -version")) GTEST_SKIP() << "ImageMagick's convert is missing";
    // Colours, convert's options, and the depth and compression they must give.
    const std::tuple<int, const char*, int, std::uint32_t> variants[] = {
        {2, "-type palette", 1, 0},
        {4, "-type palette", 4, 0},
        {4, "-type palette -compress RLE", 8, 1}};
    HandOver({1});
    const std::string path = Entry(1).link.linkedPath, made = dir.File("made.bmp");
    for (const auto& [colours, options, bits, compression] : variants) {
        SCOPED_TRACE(options);
        CDib picture = Picture(20, 10, 0);
        picture.SetColorCount(colours);
        for (int i = 0; i < 200; ++i)
            picture.SetIndex(i % 20, i / 20,
                             static_cast<std::uint8_t>((i % 20 / 3 + i / 20) % colours));
        SaveAs(made, picture);
        ASSERT_EQ(test::RunCommand("convert '" + made + "' " + options + " 'BMP3:" + made + "'"),
                  0);
        CDib written;  // really that layout, not an 8-bit file that would read anyway
        ASSERT_TRUE(written.FromBytes(test::ReadBytes(made)));
        ASSERT_EQ(std::pair(written.BitCount(), written.Compression()),
                  std::pair(bits, compression));
        test::WriteBytes(path, test::ReadBytes(made));
        ASSERT_EQ(poller.Pass(*table), std::vector<int>{1});
        for (int i = 0; i < 200; ++i)
            EXPECT_EQ(Image(1).PixelColor(i % 20, i / 20), picture.PixelColor(i % 20, i / 20)) << i;
    }
}

// ---- The paint-program edit ----

TEST_F(ExternalLinksTest, CancellingThePaintEditAfterTwoSavesRestoresOnlyThatFrame) {
    const std::string editFile = dir.File("EDIT.BMP");
    external::PaintEditSession session;
    ASSERT_TRUE(session.Begin(*table, 2, editFile));
    const CDib original = Image(2);
    const FrameEntry entry = Entry(2);
    auto runPasses = [&](int n) {
        auto last = external::PaintEditSession::PassResult::Nothing;
        for (int i = 0; i < n; ++i) {
            auto result = session.Pass(*table);
            if (result != external::PaintEditSession::PassResult::Nothing) last = result;
        }
        return last;
    };
    EXPECT_EQ(runPasses(10), external::PaintEditSession::PassResult::Nothing);
    SaveAs(editFile, Picture(20, 10, 3));
    SetModificationTime(editFile, 1700000002, 1);
    EXPECT_EQ(runPasses(9), external::PaintEditSession::PassResult::Nothing)
        << "the file is looked at every tenth pass";
    EXPECT_EQ(runPasses(1), external::PaintEditSession::PassResult::Reloaded);
    EXPECT_EQ(Image(2).Index(0, 0), 3);
    SaveAs(editFile, Picture(20, 10, 0));
    SetModificationTime(editFile, 1700000002, 2);
    EXPECT_EQ(runPasses(10), external::PaintEditSession::PassResult::Reloaded);
    EXPECT_EQ(Image(2).Index(0, 0), 0);
    Entry(4).delay = 77;  // another frame's change is not the session's
    session.Cancel(*table);
    EXPECT_FALSE(session.Active());
    EXPECT_EQ(Image(2), original);
    EXPECT_EQ(Entry(2), entry);
    EXPECT_EQ(Entry(4).delay, 77);
}

TEST_F(ExternalLinksTest, APaintEditFileThatNeverReadsWholeIsReportedOnce) {
    const std::string editFile = dir.File("EDIT.BMP");
    external::PaintEditSession session;
    ASSERT_TRUE(session.Begin(*table, 0, editFile));
    test::WriteBytes(editFile, {'B', 'M', 1, 2, 3});
    for (int i = 0; i < 100; ++i) session.Pass(*table);
    int reports = 0;
    for (const std::string& text : ui.Messages())
        reports += text.find("90121") != std::string::npos;
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(Image(0).Index(0, 0), 0);
    EXPECT_FALSE(session.Apply(*table)) << "nothing changed";
}

// ---- Slots ----

TEST(EditorSlots, ThePaintProgramIsTheFirstOfTheListFoundOnThePath) {
    std::vector<std::string> present = {"/b/krita", "/a/pinta", "/b/mtpaint"};
    auto exists = [&](const std::string& p) {
        return std::find(present.begin(), present.end(), p) != present.end();
    };
    EXPECT_EQ(external::FindPaintProgram("/a:/b", exists), "/a/pinta");
    present.push_back("/b/kolourpaint");
    EXPECT_EQ(external::FindPaintProgram("/a:/b", exists), "/b/kolourpaint");
    EXPECT_EQ(external::FindPaintProgram("/c", exists), "");
}

class EditorSlotsTest : public test::TableTest<> {};

TEST_F(EditorSlotsTest, AUserSlotTravelsThroughItsThreeKeys) {
    const std::string ini = app.WindowIni();
    EXPECT_TRUE(external::ReadUserSlot(ui, ini, 2).Empty()) << "\"0\" is an empty slot";
    NumberRequest request = external::SlotPropertiesRequest("/opt/tools/my-paint.bin");
    EXPECT_EQ(request.fields[0].label, "프로그램 이름");
    EXPECT_EQ(request.fields[0].value, "my-paint");
    EXPECT_EQ(request.comboLabel, "사용할 파일 형식");
    EXPECT_EQ(SplitComboItems(request.comboItems, request.itemWidth).size(), 7u);
    request.comboText = "png";
    const auto slot = external::SlotFromAnswer("/opt/tools/my-paint.bin", request);
    ASSERT_TRUE(external::WriteUserSlot(ui, ini, 3, slot));
    const auto back = external::ReadUserSlot(ui, ini, 3);
    EXPECT_EQ(back.path, "/opt/tools/my-paint.bin");
    EXPECT_EQ(back.name, "my-paint");
    EXPECT_EQ(back.format, "png");
    EXPECT_EQ(external::ConfigureDialogTitle({}),
              "연결 프로그램 바꾸기 - 현재 연결된 프로그램 없음");
    EXPECT_EQ(external::ConfigureDialogTitle(back),
              "연결 프로그램 바꾸기 - /opt/tools/my-paint.bin");
    const std::string longPath = "/home/user/" + std::string(60, 'd') + "/tool";
    const std::string shortened = external::ShortenPath(longPath);
    EXPECT_LE(shortened.size(), 40u);
    EXPECT_NE(shortened.find("/tool"), std::string::npos) << "the file name stays";
}

}  // namespace
}  // namespace vorla
