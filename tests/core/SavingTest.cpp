#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "core/edit/Saving.h"
#include "core/gif/GifDecoder.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TableTest.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

TEST(Saving, ShortSizesTruncateToTheirUnit) {
    EXPECT_EQ(saving::ShortSize(950), "950");
    EXPECT_EQ(saving::ShortSize(1023), "1023");
    EXPECT_EQ(saving::ShortSize(1024), "1.0K");
    EXPECT_EQ(saving::ShortSize(1100), "1.0K");
    EXPECT_EQ(saving::ShortSize(1536), "1.5K");
    EXPECT_EQ(saving::ShortSize(1048575), "1023.9K");
    EXPECT_EQ(saving::ShortSize(1048576), "1.00M");
    EXPECT_EQ(saving::ShortSize(1048576 + 52 * 1024), "1.05M") << "hundredths keep two digits";
    EXPECT_EQ(saving::ShortSize(1073741824), "1024.00M");
    EXPECT_EQ(saving::ShortSize(1073741825), "1.00G");
}

TEST(Saving, SizeTextShowsTheExactCountBesideAUnit) {
    EXPECT_EQ(saving::SizeText("*default", 1536), "저장시 파일 크기: 1.5K(1536) bytes");
    EXPECT_EQ(saving::SizeText("*default", 950), "저장시 파일 크기: 950 bytes");
    EXPECT_EQ(saving::SizeText("*default", 1048576), "저장시 파일 크기: 1.00M(1048576) bytes");
    EXPECT_EQ(saving::SizeText("새 크기", 1024, "이전 크기", 2048),
              "이전 크기: 2.0K(2048) bytes\n\n새 크기: 1.0K(1024) bytes");
}

TEST(Saving, DefaultNamesReplaceOnlyTheLastExtension) {
    CAnvoDoc document;
    EXPECT_EQ(saving::DefaultGifName(document), "무제");
    document.sourcePath = "/home/kim/anim.old.gif";
    EXPECT_EQ(saving::DefaultGifName(document), "anim.old.gif");
    document.sourcePath = "/home/kim/photo.PNG";
    EXPECT_EQ(saving::DefaultGifName(document), "photo.gif");
    document.sourcePath = "/home/kim/noext";
    EXPECT_EQ(saving::DefaultGifName(document), "noext");
    EXPECT_EQ(saving::FrameFileName("clip.gif", 2), "clip[003].bmp");
    EXPECT_EQ(saving::FrameFileName("무제", 99), "무제[100].bmp");
}

class SavingFileTest : public test::TableTest<> {
protected:
    SavingFileTest() {
        table = NewTable(0);
        GifPageInfo info;
        info.screenWidth = info.width = 6;
        info.screenHeight = info.height = 4;
        info.colorCount = 4;
        info.delay = 7;
        info.controlByte = 4;
        CDib image;
        image.Create(6, 4, 8, 256);
        for (int i = 0; i < 4; ++i) image.SetPaletteColor(i, MakeRgb(60 * i, 20, 200 - 40 * i));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                image.SetIndex(x, y, static_cast<std::uint8_t>((x + y) % 4));
        imaging.gifs["a.gif"] = {{image, info}, {image, info}};
        table->AddFrameFromSource(2, "a.gif", 0);
        table->AddFrameFromSource(2, "a.gif", 1);
    }

    std::unique_ptr<FrameTable> table;
    CAnvoDoc document;
    GifEncoder encoder;
};

TEST_F(SavingFileTest, SaveKeepsTheFullPathAndWritesAReadableGif) {
    const std::string path = dir.File("out.gif");
    document.modified = true;
    ASSERT_TRUE(saving::SaveDocument(*table, document, encoder, path));
    EXPECT_EQ(document.sourcePath, path)
        << "the next Save writes the same file, wherever the program runs";
    EXPECT_EQ(document.Title(), "out.gif");
    EXPECT_FALSE(document.modified);
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    std::size_t images = 0;
    GifScanResult scan =
        GifDecoder::DecodeAllImages(bytes, 10, [&](const GifPageInfo& page, CDib&& image) {
            EXPECT_EQ(page.delay, 7);
            EXPECT_EQ(image.Index(1, 0) == image.Index(0, 1), true);
            ++images;
            return true;
        });
    EXPECT_TRUE(scan.complete);
    EXPECT_EQ(images, 2u);
    EXPECT_EQ(saving::MeasureSave(*table, encoder), static_cast<std::int64_t>(bytes.size()));
}

TEST_F(SavingFileTest, FailedSaveLeavesTheOldFileByteForByte) {
    const std::string path = dir.File("old.gif");
    const std::vector<std::uint8_t> old = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3};
    test::WriteBytes(path, old);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    document.modified = true;
    EXPECT_FALSE(saving::SaveDocument(*table, document, encoder, path));
    EXPECT_EQ(test::ReadBytes(path), old);
    EXPECT_TRUE(document.modified);
    EXPECT_TRUE(document.IsUntitled());
    // A folder that does not exist cannot take the file either.
    EXPECT_FALSE(saving::SaveDocument(*table, document, encoder, dir.File("no/such/folder/a.gif")));
}

TEST_F(SavingFileTest, BrowserPreviewWritesOneImageTagAndKeepsTheDocument) {
    document.modified = true;
    const std::string page =
        saving::WriteBrowserPreview(*table, document, encoder, dir.Path().string() + "/");
    ASSERT_EQ(page, dir.File("Tarnwick.html"));
    EXPECT_EQ(test::ReadText(page), "<img src=\"" + dir.File("Tarnwick.gif") + "\">");
    EXPECT_TRUE(document.modified);
    EXPECT_EQ(table->frameCount, 2);
    EXPECT_GT(test::ReadBytes(dir.File("Tarnwick.gif")).size(), 30u);
}

TEST_F(SavingFileTest, FrameFilesFollowTheirExtension) {
    table->menuFrame = 1;
    ASSERT_TRUE(saving::SaveFrameToFile(*table, dir.File("f.bmp")));
    CDib back;
    ASSERT_TRUE(back.FromBytes(test::ReadBytes(dir.File("f.bmp"))));
    EXPECT_EQ(back, table->frameImages[1]);
    EXPECT_FALSE(saving::SaveFrameToFile(*table, dir.File("f.xyz")));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (13214)"));
    table->menuFrame = 5;
    EXPECT_FALSE(saving::SaveFrameToFile(*table, dir.File("f.bmp")));
    EXPECT_TRUE(ui.Saw("프로그램 오류 (55234)"));
}

TEST_F(SavingFileTest, ChosenFrameNamesPickTheirFormatAndBmpOtherwise) {
    // Records what the imaging layer is asked to write, and writes a marker.
    struct Writes : test::FakeImaging {
        bool WriteFile(const CDib&, const std::string& path, ImageFormat format) override {
            formats.push_back(format);
            test::WriteBytes(path, {'x'});
            return true;
        }
        std::vector<ImageFormat> formats;
    } writes;
    writes.gifs = imaging.gifs;
    FrameTable other(app, ui, writes, host, {}, 3);
    ASSERT_EQ(other.AddFrameFromSource(2, "a.gif", 0), FrameTable::kAddDone);
    other.menuFrame = 0;
    const std::pair<const char*, ImageFormat> named[] = {
        {"f.png", ImageFormat::Png}, {"f.GIF", ImageFormat::Gif}, {"f.psd", ImageFormat::Psd},
        {"f.ico", ImageFormat::Ico}, {"f.pcx", ImageFormat::Pcx}, {"f.tga", ImageFormat::Tga},
    };
    for (const auto& [name, format] : named) {
        ASSERT_TRUE(saving::SaveChosenFrameFile(other, dir.File(name))) << name;
        ASSERT_FALSE(writes.formats.empty()) << name;
        EXPECT_EQ(writes.formats.back(), format) << name;
    }
    const std::size_t before = writes.formats.size();
    for (const char* name : {"g.bmp", "g.xyz", "g"}) {
        ASSERT_TRUE(saving::SaveChosenFrameFile(other, dir.File(name))) << name;
        CDib back;
        ASSERT_TRUE(back.FromBytes(test::ReadBytes(dir.File(name)))) << name << " is a BMP";
        EXPECT_EQ(back, other.frameImages[0]);
    }
    EXPECT_EQ(writes.formats.size(), before) << "BMP files are the frame's own bytes";
    EXPECT_FALSE(ui.Saw("프로그램 오류 (13214)")) << "a chosen name never reports an extension";
}

TEST_F(SavingFileTest, SavingOverAPartlyLoadedFileAsksFirst) {
    const std::string source = dir.File("long.gif");
    const std::vector<std::uint8_t> original = {'G', 'I', 'F', '8', '9', 'a', 7};
    test::WriteBytes(source, original);
    document.sourcePath = source;
    document.partialSourcePath = source;
    document.partialSourceImages = 783;
    document.partialLoadedImages = 300;

    EXPECT_EQ(saving::ConfirmOverwrite(ui, document, dir.File("other.gif")),
              saving::OverwriteChoice::Write)
        << "another file loses nothing";
    EXPECT_TRUE(ui.twoChoices.empty());

    ui.AnswerTwoChoice(kTwoChoiceFirst);
    EXPECT_EQ(saving::ConfirmOverwrite(ui, document, source), saving::OverwriteChoice::OtherName);
    ASSERT_EQ(ui.twoChoices.size(), 1u);
    EXPECT_EQ(ui.twoChoices[0].message,
              "이 파일의 이미지 783개 중 300개만 불러왔습니다. 저장하면 나머지 이미지 483개가 "
              "파일에서 사라집니다. 덮어쓰겠습니까?");
    EXPECT_EQ(ui.twoChoices[0].title, "long.gif");
    EXPECT_EQ(ui.twoChoices[0].firstLabel, "다른 이름으로 저장") << "the safe answer is first";
    EXPECT_EQ(ui.twoChoices[0].secondLabel, "덮어쓰기");
    ui.AnswerTwoChoice(kTwoChoiceCancel);
    EXPECT_EQ(saving::ConfirmOverwrite(ui, document, dir.File("./long.gif")),
              saving::OverwriteChoice::Cancel)
        << "another spelling of the same file asks too";
    ui.AnswerTwoChoice(kTwoChoiceSecond);
    EXPECT_EQ(saving::ConfirmOverwrite(ui, document, source), saving::OverwriteChoice::Write);
    EXPECT_EQ(test::ReadBytes(source), original) << "asking writes nothing";

    // A copy elsewhere leaves the document partial; writing over the file itself ends it.
    ASSERT_TRUE(saving::SaveDocument(*table, document, encoder, dir.File("copy.gif")));
    EXPECT_TRUE(document.IsPartial());
    ASSERT_TRUE(saving::SaveDocument(*table, document, encoder, source));
    EXPECT_FALSE(document.IsPartial());
    EXPECT_EQ(saving::ConfirmOverwrite(ui, document, source), saving::OverwriteChoice::Write);
    EXPECT_EQ(ui.UnusedAnswers(), 0u);
}

}  // namespace
}  // namespace vorla
