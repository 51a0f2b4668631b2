// The Imaging port over Magick++, libimagequant and libav, checked on files made at test time by
// ImageMagick's command-line tools and ffmpeg.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "core/model/CDib.h"
#include "imaging/MagickImaging.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::RunCommand;
using test::TempDir;

constexpr Colorref kRed = MakeRgb(255, 0, 0);
constexpr Colorref kBlue = MakeRgb(0, 0, 255);
constexpr Colorref kGreen = MakeRgb(0, 255, 0);
constexpr Colorref kYellow = MakeRgb(255, 255, 0);
constexpr Colorref kWhite = MakeRgb(255, 255, 255);

bool HaveTool(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

std::string Text(Colorref c) {
    std::ostringstream text;
    text << '(' << RedOf(c) << ',' << GreenOf(c) << ',' << BlueOf(c) << ')';
    return text.str();
}

::testing::AssertionResult Near(Colorref have, Colorref want, int tolerance) {
    if (std::abs(RedOf(have) - RedOf(want)) <= tolerance &&
        std::abs(GreenOf(have) - GreenOf(want)) <= tolerance &&
        std::abs(BlueOf(have) - BlueOf(want)) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "have " << Text(have) << ", want " << Text(want) << " within " << tolerance;
}

std::set<Colorref> TableColours(const CDib& dib) {
    std::set<Colorref> colours;
    for (int i = 0; i < dib.ColorCount(); ++i) colours.insert(dib.PaletteColor(i));
    return colours;
}

// A 4 x 2 palette picture: red, green, blue, yellow on top; the bottom row reversed.
CDib FourColourPicture() {
    CDib dib;
    dib.Create(4, 2, 8, 4);
    const Colorref colours[4] = {kRed, kGreen, kBlue, kYellow};
    for (int i = 0; i < 4; ++i) dib.SetPaletteColor(i, colours[i]);
    for (int x = 0; x < 4; ++x) {
        dib.SetIndex(x, 0, static_cast<std::uint8_t>(x));
        dib.SetIndex(x, 1, static_cast<std::uint8_t>(3 - x));
    }
    return dib;
}

// A 24-bit picture with a smooth two-way gradient (far more than 256 colours).
CDib GradientPicture(std::int32_t width, std::int32_t height) {
    CDib dib;
    dib.Create(width, height, 24);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            dib.SetPixelColor(x, y, MakeRgb(x * 255 / (width - 1), y * 255 / (height - 1), 96));
    return dib;
}

class MagickImagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    // Runs a tool quietly; the test fails when it does.
    void Make(const std::string& command) {
        ASSERT_EQ(RunCommand(command + " >/dev/null 2>&1"), 0) << command;
    }
    std::string File(const std::string& name) const { return dir_.File(name); }

    TempDir dir_;
    MagickImaging imaging_;
};

// Every still format: a 16 x 16 picture, blue in its top half and red below, so both the
// decoding and the row order are checked.
TEST_F(MagickImagingTest, EveryStillFormatLoadsUpright) {
    for (const char* extension : {"bmp", "cur", "ico", "jpg", "pcx", "png", "psd", "tga", "tif"}) {
        SCOPED_TRACE(extension);
        const std::string path = File(std::string("picture.") + extension);
        // Magick 6 labels its TGA files' origin correctly only when told (see the TGA test).
        const std::string orient = std::string(extension) == "tga" ? "-orient TopLeft " : "";
        Make("convert -size 16x16 xc:red -fill blue -draw 'rectangle 0,0 15,7' " + orient + path);
        CDib dib;
        ASSERT_EQ(imaging_.LoadFile(path, 24, dib), ImagingResult::Ok);
        ASSERT_EQ(dib.Width(), 16);
        ASSERT_EQ(dib.Height(), 16);
        EXPECT_EQ(dib.BitCount(), 24);
        const int tolerance = std::string(extension) == "jpg" ? 60 : 0;
        EXPECT_TRUE(Near(dib.PixelColor(8, 2), kBlue, tolerance)) << "top";
        EXPECT_TRUE(Near(dib.PixelColor(8, 13), kRed, tolerance)) << "bottom";
        std::int32_t width = 0, height = 0;
        EXPECT_EQ(imaging_.ImageSize(path, width, height), ImagingResult::Ok);
        EXPECT_EQ(width, 16);
        EXPECT_EQ(height, 16);
    }
}

TEST_F(MagickImagingTest, MultiPageFilesGiveTheirFirstPageAndPsdItsComposite) {
    const std::string tiff = File("pages.tif");
    Make("convert -size 5x3 xc:lime xc:red " + tiff);
    CDib dib;
    ASSERT_EQ(imaging_.LoadFile(tiff, 24, dib), ImagingResult::Ok);
    EXPECT_TRUE(Near(dib.PixelColor(0, 0), kGreen, 0));

    // Two layers: the composite shows the red square over the blue background.
    const std::string psd = File("layers.psd");
    Make(
        "convert -size 8x8 xc:blue \\( -size 4x4 xc:red \\) -geometry +0+0 -composite "
        "\\( -size 8x8 xc:blue \\) \\( -size 4x4 xc:red \\) " +
        psd);
    ASSERT_EQ(imaging_.LoadFile(psd, 24, dib), ImagingResult::Ok);
    ASSERT_EQ(dib.Width(), 8);
    EXPECT_TRUE(Near(dib.PixelColor(1, 1), kRed, 0));
    EXPECT_TRUE(Near(dib.PixelColor(6, 6), kBlue, 0));
}

TEST_F(MagickImagingTest, AviGivesItsFirstVideoFrame) {
    if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string path = File("movie.avi");
    // Frame 1 blue over red, frame 2 green: only the first may come back.
    Make(
        "ffmpeg -nostdin -f lavfi -i 'color=c=red:s=32x24:d=1:r=2,"
        "drawbox=x=0:y=0:w=32:h=12:color=blue:t=fill:enable=eq(n\\,0),"
        "drawbox=x=0:y=0:w=32:h=24:color=lime:t=fill:enable=gt(n\\,0)' "
        "-c:v mpeg4 -q:v 2 -y " +
        path);
    CDib dib;
    ASSERT_EQ(imaging_.LoadFile(path, 24, dib), ImagingResult::Ok);
    ASSERT_EQ(dib.Width(), 32);
    ASSERT_EQ(dib.Height(), 24);
    EXPECT_TRUE(Near(dib.PixelColor(16, 3), kBlue, 40)) << "top";
    EXPECT_TRUE(Near(dib.PixelColor(16, 20), kRed, 40)) << "bottom";
    std::int32_t width = 0, height = 0;
    EXPECT_EQ(imaging_.ImageSize(path, width, height), ImagingResult::Ok);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 24);
}

TEST_F(MagickImagingTest, MissingFileIsNotFound) {
    const std::string path = File("absent.png");
    CDib dib;
    std::int32_t width = 0, height = 0;
    GifPageInfo info;
    EXPECT_EQ(imaging_.LoadFile(path, 8, dib), ImagingResult::NotFound);
    EXPECT_EQ(imaging_.ImageSize(path, width, height), ImagingResult::NotFound);
    EXPECT_EQ(imaging_.LoadGifPage(File("absent.gif"), 0, dib, info), ImagingResult::NotFound);
    EXPECT_EQ(imaging_.GifPageCount(File("absent.gif")), 0);
    EXPECT_FALSE(imaging_.FileConvert(path, File("out.bmp"), ImageFormat::Bmp, 0, 0, 8));
    EXPECT_FALSE(std::filesystem::exists(File("out.bmp")));
}

TEST_F(MagickImagingTest, BrokenFilesFailQuietlyWithoutThrowing) {
    const std::string png = File("cut.png");
    Make("convert -size 64x64 gradient:red-blue " + png);
    auto bytes = test::ReadBytes(png);
    bytes.resize(bytes.size() / 2);  // the pixel data ends half way
    test::WriteBytes(png, bytes);
    test::WriteBytes(File("noise.tga"), std::vector<std::uint8_t>(300, 0xA5));
    test::WriteBytes(File("text.png"), {'h', 'e', 'l', 'l', 'o'});
    test::WriteBytes(File("empty.jpg"), {});
    test::WriteBytes(File("header.avi"), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    std::filesystem::create_directory(File("folder.png"));

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const char* name :
         {"cut.png", "noise.tga", "text.png", "empty.jpg", "header.avi", "folder.png"}) {
        SCOPED_TRACE(name);
        CDib dib;
        std::int32_t width = 0, height = 0;
        EXPECT_EQ(imaging_.LoadFile(File(name), 0, dib), ImagingResult::Failed);
        EXPECT_TRUE(dib.IsEmpty());
        if (std::string(name) != "cut.png") {  // its header is intact, so its size is known
            EXPECT_EQ(imaging_.ImageSize(File(name), width, height), ImagingResult::Failed);
        }
        EXPECT_FALSE(imaging_.FileConvert(File(name), File("out.png"), ImageFormat::Png, 0, 0, 8));
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A BMP header that claims 60000 x 60000 pixels over a few bytes: refused from the header,
// before anything of that size is allocated.
TEST_F(MagickImagingTest, PictureOverTheBudgetIsRefusedFromItsHeader) {
    std::vector<std::uint8_t> bmp(14 + 40 + 1024 + 64, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bmp.size()));
    put32(10, 14 + 40 + 1024);
    put32(14, 40);
    put32(18, 60000);
    put32(22, 60000);
    bmp[26] = 1;
    bmp[28] = 8;
    test::WriteBytes(File("huge.bmp"), bmp);
    const auto start = std::chrono::steady_clock::now();
    CDib dib;
    EXPECT_EQ(imaging_.LoadFile(File("huge.bmp"), 8, dib), ImagingResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(MagickImagingTest, FewColoursLoadExactlyAtEightBits) {
    const std::string path = File("four.png");
    Make(
        "convert -size 2x2 xc:red -fill lime -draw 'point 1,0' -fill blue -draw 'point 0,1' "
        "-fill yellow -draw 'point 1,1' -type TrueColor PNG24:" +
        path);
    for (int bits : {8, 0}) {
        SCOPED_TRACE(bits);
        CDib dib;
        ASSERT_EQ(imaging_.LoadFile(path, bits, dib), ImagingResult::Ok);
        ASSERT_EQ(dib.BitCount(), 8);
        EXPECT_EQ(TableColours(dib), (std::set<Colorref>{kRed, kGreen, kBlue, kYellow}));
        EXPECT_EQ(dib.ColorCount(), 4);
        EXPECT_EQ(dib.PixelColor(0, 0), kRed);
        EXPECT_EQ(dib.PixelColor(1, 0), kGreen);
        EXPECT_EQ(dib.PixelColor(0, 1), kBlue);
        EXPECT_EQ(dib.PixelColor(1, 1), kYellow);
    }
}

// A palette file's table comes back as stored, unused entries and order included, so indices
// the program keeps (a transparent index) stay valid across a trip through a file.
TEST_F(MagickImagingTest, PaletteFileKeepsItsOwnTable) {
    CDib picture = FourColourPicture();
    picture.SetColorCount(6);
    picture.SetPaletteColor(4, MakeRgb(1, 2, 3));
    picture.SetPaletteColor(5, MakeRgb(4, 5, 6));
    const std::string path = File("palette.bmp");
    ASSERT_TRUE(imaging_.WriteFile(picture, path, ImageFormat::Bmp));
    CDib dib;
    ASSERT_EQ(imaging_.LoadFile(path, 8, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.ColorTable(), picture.ColorTable());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dib.Index(x, y), picture.Index(x, y));
}

TEST_F(MagickImagingTest, ManyColoursAreQuantisedAtEightBitsAndKeptAtZero) {
    const std::string path = File("gradient.png");
    ASSERT_TRUE(imaging_.WriteFile(GradientPicture(96, 64), path, ImageFormat::Png));
    CDib natural;
    ASSERT_EQ(imaging_.LoadFile(path, 0, natural), ImagingResult::Ok);
    EXPECT_EQ(natural.BitCount(), 24);
    CDib reduced;
    ASSERT_EQ(imaging_.LoadFile(path, 8, reduced), ImagingResult::Ok);
    ASSERT_EQ(reduced.BitCount(), 8);
    EXPECT_LE(reduced.ColorCount(), 256);
    // Dithered, so single pixels stray, but every 8 x 8 block keeps its average colour.
    for (int top = 0; top < 64; top += 8)
        for (int left = 0; left < 96; left += 8) {
            int have[3] = {0, 0, 0}, want[3] = {0, 0, 0};
            for (int y = top; y < top + 8; ++y)
                for (int x = left; x < left + 8; ++x) {
                    Colorref a = natural.PixelColor(x, y), b = reduced.PixelColor(x, y);
                    want[0] += RedOf(a), want[1] += GreenOf(a), want[2] += BlueOf(a);
                    have[0] += RedOf(b), have[1] += GreenOf(b), have[2] += BlueOf(b);
                }
            EXPECT_TRUE(Near(MakeRgb(have[0] / 64, have[1] / 64, have[2] / 64),
                             MakeRgb(want[0] / 64, want[1] / 64, want[2] / 64), 4))
                << "block at " << left << "," << top;
        }
}

TEST_F(MagickImagingTest, TransparentPixelsBecomeWhite) {
    const std::string path = File("alpha.png");
    Make("convert -size 2x1 xc:red -alpha set -fill none -draw 'color 1,0 point' " + path);
    CDib dib;
    ASSERT_EQ(imaging_.LoadFile(path, 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kRed);
    EXPECT_EQ(dib.PixelColor(1, 0), kWhite);
}

// A 3 x 2 true-colour TGA, blue on top and red below, stored in the given row order.
std::vector<std::uint8_t> HandMadeTga(bool topFirst) {
    std::vector<std::uint8_t> tga = {
        0, 0, 2, 0, 0, 0, 0, 0,  0,
        0, 0, 0, 3, 0, 2, 0, 24, static_cast<std::uint8_t>(topFirst ? 0x20 : 0x00)};
    const std::uint8_t blue[3] = {255, 0, 0}, red[3] = {0, 0, 255};  // stored b, g, r
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* pixel = (row == 0) == topFirst ? blue : red;
            tga.insert(tga.end(), pixel, pixel + 3);
        }
    return tga;
}

TEST_F(MagickImagingTest, TgaKeepsItsFirstRowOnTopBothWays) {
    CDib dib;
    for (bool topFirst : {true, false}) {
        SCOPED_TRACE(topFirst ? "top-left origin" : "bottom-left origin");
        test::WriteBytes(File("hand.tga"), HandMadeTga(topFirst));
        ASSERT_EQ(imaging_.LoadFile(File("hand.tga"), 24, dib), ImagingResult::Ok);
        EXPECT_EQ(dib.PixelColor(1, 0), kBlue);
        EXPECT_EQ(dib.PixelColor(1, 1), kRed);
    }

    CDib picture;
    picture.Create(3, 2, 24);
    for (int x = 0; x < 3; ++x) {
        picture.SetPixelColor(x, 0, kBlue);
        picture.SetPixelColor(x, 1, kRed);
    }
    const std::string ours = File("ours.tga");
    ASSERT_TRUE(imaging_.WriteFile(picture, ours, ImageFormat::Tga));
    ASSERT_EQ(imaging_.LoadFile(ours, 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kBlue);
    EXPECT_EQ(dib.PixelColor(0, 1), kRed);

    Make("convert -size 3x2 xc:red -fill blue -draw 'line 0,0 2,0' -orient TopLeft " +
         File("theirs.tga"));
    ASSERT_EQ(imaging_.LoadFile(File("theirs.tga"), 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(1, 0), kBlue);
    // Without -orient, Magick 6 stores the top row first but labels the file bottom-left; a
    // reader that follows the header, as this one does, shows such a file upside down.
    Make("convert -size 3x2 xc:red -fill blue -draw 'line 0,0 2,0' " + File("mislabelled.tga"));
    ASSERT_EQ(imaging_.LoadFile(File("mislabelled.tga"), 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(1, 0), kRed);

    if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    // ffmpeg as an independent reader of ours and writer of its own.
    Make("ffmpeg -nostdin -i " + ours + " -y " + File("ours.png"));
    ASSERT_EQ(imaging_.LoadFile(File("ours.png"), 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kBlue);
    Make(
        "ffmpeg -nostdin -f lavfi -i 'color=c=red:s=4x4,drawbox=x=0:y=0:w=4:h=2:color=blue:"
        "t=fill' -frames:v 1 -y " +
        File("ffmpeg.tga"));
    ASSERT_EQ(imaging_.LoadFile(File("ffmpeg.tga"), 24, dib), ImagingResult::Ok);
    EXPECT_TRUE(Near(dib.PixelColor(1, 0), kBlue, 4));  // lavfi colours pass through YUV
    EXPECT_TRUE(Near(dib.PixelColor(1, 3), kRed, 4));
}

TEST_F(MagickImagingTest, EveryWriteFormatReadsBack) {
    const CDib palette = FourColourPicture();
    const CDib trueColour = GradientPicture(12, 10);
    struct Case {
        ImageFormat format;
        const char* extension;
        bool exact;
        bool keepsPalette;
    };
    const Case cases[] = {
        {ImageFormat::Bmp, "bmp", true, true},   {ImageFormat::Gif, "gif", true, true},
        {ImageFormat::Psd, "psd", true, false},  {ImageFormat::Ico, "ico", true, false},
        {ImageFormat::Png, "png", true, true},   {ImageFormat::Pcx, "pcx", true, true},
        {ImageFormat::Tga, "tga", true, false},  {ImageFormat::Jpeg, "jpg", false, false},
        {ImageFormat::Tiff, "tif", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::string path = File(std::string("written.") + c.extension);
        ASSERT_TRUE(imaging_.WriteFile(palette, path, c.format));
        CDib dib;
        ASSERT_EQ(imaging_.LoadFile(path, 0, dib), ImagingResult::Ok);
        ASSERT_EQ(dib.Width(), 4);
        ASSERT_EQ(dib.Height(), 2);
        if (c.keepsPalette) {
            EXPECT_EQ(dib.BitCount(), 8);
        }
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_TRUE(Near(dib.PixelColor(x, y), palette.PixelColor(x, y), c.exact ? 0 : 90))
                    << x << "," << y;

        if (c.format == ImageFormat::Gif || c.format == ImageFormat::Jpeg) continue;
        ASSERT_TRUE(imaging_.WriteFile(trueColour, path, c.format));
        ASSERT_EQ(imaging_.LoadFile(path, 24, dib), ImagingResult::Ok);
        EXPECT_EQ(dib.PixelColor(0, 0), trueColour.PixelColor(0, 0));
        EXPECT_EQ(dib.PixelColor(11, 9), trueColour.PixelColor(11, 9));
    }
}

TEST_F(MagickImagingTest, IconsAreScaledDownToFitKeepingTheirAspect) {
    const std::string path = File("big.ico");
    ASSERT_TRUE(imaging_.WriteFile(GradientPicture(512, 256), path, ImageFormat::Ico));
    std::int32_t width = 0, height = 0;
    ASSERT_EQ(imaging_.ImageSize(path, width, height), ImagingResult::Ok);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 128);
}

TEST_F(MagickImagingTest, FileConvertResamplesAndKeepsTheSizeForZero) {
    const std::string source = File("source.png");
    ASSERT_TRUE(imaging_.WriteFile(GradientPicture(40, 30), source, ImageFormat::Png));
    const std::string target = File("cvtfmt.tmp");

    ASSERT_TRUE(imaging_.FileConvert(source, target, ImageFormat::Bmp, 20, 15, 8));
    CDib dib;
    ASSERT_TRUE(dib.FromBytes(test::ReadBytes(target)));
    EXPECT_EQ(dib.Width(), 20);
    EXPECT_EQ(dib.Height(), 15);
    EXPECT_EQ(dib.BitCount(), 8);

    ASSERT_TRUE(imaging_.FileConvert(source, target, ImageFormat::Bmp, 0, 0, 24));
    ASSERT_TRUE(dib.FromBytes(test::ReadBytes(target)));
    EXPECT_EQ(dib.Width(), 40);
    EXPECT_EQ(dib.Height(), 30);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.PixelColor(39, 29), GradientPicture(40, 30).PixelColor(39, 29));

    // In place, as display images are rebuilt: the source is read whole before writing.
    ASSERT_TRUE(imaging_.FileConvert(target, target, ImageFormat::Bmp, 80, 0, 8));
    ASSERT_TRUE(dib.FromBytes(test::ReadBytes(target)));
    EXPECT_EQ(dib.Width(), 80);
    EXPECT_EQ(dib.Height(), 30);
    EXPECT_EQ(dib.BitCount(), 8);
}

TEST_F(MagickImagingTest, QuantizeAndResample) {
    const CDib gradient = GradientPicture(64, 48);
    CDib reduced;
    ASSERT_TRUE(imaging_.Quantize(gradient, reduced));
    EXPECT_EQ(reduced.BitCount(), 8);
    EXPECT_EQ(reduced.ColorCount(), 256);
    EXPECT_TRUE(Near(reduced.PixelColor(0, 0), gradient.PixelColor(0, 0), 24));

    CDib scaled;
    ASSERT_TRUE(imaging_.Resample(FourColourPicture(), 8, 6, scaled));
    EXPECT_EQ(scaled.Width(), 8);
    EXPECT_EQ(scaled.Height(), 6);
    EXPECT_EQ(scaled.BitCount(), 24);
    EXPECT_FALSE(imaging_.Resample(gradient, 0, 10, scaled));
    EXPECT_FALSE(imaging_.Resample(gradient, 100000, 100000, scaled));
}

TEST_F(MagickImagingTest, RotateTurnsClockwiseAndGrowsTheCanvas) {
    CDib pair;
    pair.Create(2, 1, 24);
    pair.SetPixelColor(0, 0, kRed);
    pair.SetPixelColor(1, 0, kBlue);
    CDib turned;
    ASSERT_TRUE(imaging_.Rotate(pair, 90.0, kWhite, turned));
    ASSERT_EQ(turned.Width(), 1);
    ASSERT_EQ(turned.Height(), 2);
    EXPECT_EQ(turned.PixelColor(0, 0), kRed);
    EXPECT_EQ(turned.PixelColor(0, 1), kBlue);

    CDib square;
    square.Create(20, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) square.SetPixelColor(x, y, kRed);
    ASSERT_TRUE(imaging_.Rotate(square, 45.0, kGreen, turned));
    EXPECT_GT(turned.Width(), 27);
    EXPECT_GT(turned.Height(), 27);
    EXPECT_EQ(turned.PixelColor(0, 0), kGreen) << "uncovered corner";
    EXPECT_EQ(turned.PixelColor(turned.Width() / 2, turned.Height() / 2), kRed);
}

TEST_F(MagickImagingTest, TrimClampsTheRectangleAndKeepsThePalette) {
    const CDib picture = FourColourPicture();
    CDib part;
    ASSERT_TRUE(imaging_.Trim(picture, 2, 1, 100, 100, part));
    ASSERT_EQ(part.Width(), 2);
    ASSERT_EQ(part.Height(), 1);
    EXPECT_EQ(part.BitCount(), 8);
    EXPECT_EQ(part.ColorTable(), picture.ColorTable());
    EXPECT_EQ(part.PixelColor(0, 0), kGreen);
    EXPECT_EQ(part.PixelColor(1, 0), kRed);

    ASSERT_TRUE(imaging_.Trim(GradientPicture(10, 8), -3, -3, 5, 4, part));
    EXPECT_EQ(part.Width(), 2);
    EXPECT_EQ(part.Height(), 1);
    EXPECT_EQ(part.PixelColor(1, 0), GradientPicture(10, 8).PixelColor(1, 0));

    EXPECT_FALSE(imaging_.Trim(picture, 4, 0, 3, 3, part));
    EXPECT_FALSE(imaging_.Trim(picture, 0, 0, 0, 2, part));
}

TEST_F(MagickImagingTest, PerspectiveNarrowsTheTopEdge) {
    CDib square;
    square.Create(40, 40, 24);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) square.SetPixelColor(x, y, kRed);
    CDib changed;
    ASSERT_TRUE(imaging_.ChangePerspective(square, 25, kGreen, changed));
    ASSERT_EQ(changed.Width(), 40);
    ASSERT_EQ(changed.Height(), 40);
    // Edge pixels are blended with the fill; pixels clear of the edges are not.
    EXPECT_EQ(changed.PixelColor(1, 0), kGreen);
    EXPECT_EQ(changed.PixelColor(38, 0), kGreen);
    EXPECT_TRUE(Near(changed.PixelColor(20, 3), kRed, 2));
    EXPECT_TRUE(Near(changed.PixelColor(3, 36), kRed, 2));
    EXPECT_TRUE(Near(changed.PixelColor(4, 4), kGreen, 2));

    ASSERT_TRUE(imaging_.ChangePerspective(square, 0, kGreen, changed));
    EXPECT_EQ(changed, square);
}

TEST_F(MagickImagingTest, FiltersChangePixelsKeepTheSizeAndLeaveNeutralStrengthsAlone) {
    // Stripes of 3 pixels: every filter has edges and colour to work on.
    CDib stripes;
    stripes.Create(30, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            stripes.SetPixelColor(x, y, (x / 3) % 2 ? MakeRgb(200, 60, 40) : MakeRgb(40, 90, 160));
    struct Case {
        FilterKind kind;
        int strength;
        int neutral;
    };
    for (const Case& c : {Case{FilterKind::Mosaic, 4, 1}, Case{FilterKind::AddNoise, 300, 0},
                          Case{FilterKind::Average, 2, 0}, Case{FilterKind::Contrast, 500, 0},
                          Case{FilterKind::Median, 3, 0}, Case{FilterKind::Hue, 120, 0}}) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        CDib filtered;
        ASSERT_TRUE(imaging_.ApplyFilter(stripes, c.kind, c.strength, filtered));
        ASSERT_EQ(filtered.Width(), 30);
        ASSERT_EQ(filtered.Height(), 20);
        EXPECT_EQ(filtered.BitCount(), 24);
        EXPECT_NE(filtered, stripes);
        ASSERT_TRUE(imaging_.ApplyFilter(stripes, c.kind, c.neutral, filtered));
        EXPECT_EQ(filtered, stripes);
    }
    CDib once, again;
    ASSERT_TRUE(imaging_.ApplyFilter(stripes, FilterKind::AddNoise, 300, once));
    ASSERT_TRUE(imaging_.ApplyFilter(stripes, FilterKind::AddNoise, 300, again));
    EXPECT_EQ(once, again) << "noise is seeded";

    CDib turned;
    ASSERT_TRUE(imaging_.ApplyFilter(stripes, FilterKind::Hue, 120, turned));
    EXPECT_TRUE(Near(turned.PixelColor(0, 0), MakeRgb(160, 40, 90), 6)) << "a third of a turn";
    // The median removes a lone speck and keeps edges.
    CDib speck = stripes;
    speck.SetPixelColor(10, 10, kWhite);
    CDib cleaned;
    ASSERT_TRUE(imaging_.ApplyFilter(speck, FilterKind::Median, 1, cleaned));
    EXPECT_EQ(cleaned, stripes);
    CDib blurred;
    ASSERT_TRUE(imaging_.ApplyFilter(stripes, FilterKind::Average, 100, blurred));
    EXPECT_TRUE(Near(blurred.PixelColor(15, 10), blurred.PixelColor(16, 10), 2)) << "flattened";
}

TEST_F(MagickImagingTest, GifPagesComeFromOneDecodingWithTheirValues) {
    const std::string path = File("anim.gif");
    Make("convert -delay 20 -dispose Background -size 8x6 xc:red xc:lime xc:blue " + path);
    ASSERT_EQ(imaging_.GifPageCount(path), 3);
    const Colorref colours[3] = {kRed, kGreen, kBlue};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        CDib dib;
        GifPageInfo info;
        ASSERT_EQ(imaging_.LoadGifPage(path, page, dib, info), ImagingResult::Ok);
        EXPECT_EQ(dib.BitCount(), 8);
        EXPECT_EQ(dib.PixelColor(7, 5), colours[page]);
        EXPECT_EQ(info.width, 8);
        EXPECT_EQ(info.height, 6);
        EXPECT_EQ(info.delay, 20);
        EXPECT_EQ((info.controlByte >> 2) & 7, 2) << "disposal";
    }
    CDib dib;
    GifPageInfo info;
    EXPECT_EQ(imaging_.LoadGifPage(path, 3, dib, info), ImagingResult::Failed);
    EXPECT_EQ(imaging_.LoadGifPage(path, -1, dib, info), ImagingResult::Failed);

    // Still-image loading takes the first page; the size comes from the header.
    ASSERT_EQ(imaging_.LoadFile(path, 24, dib), ImagingResult::Ok);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.PixelColor(0, 0), kRed);
    std::int32_t width = 0, height = 0;
    ASSERT_EQ(imaging_.ImageSize(path, width, height), ImagingResult::Ok);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 6);
}

TEST_F(MagickImagingTest, GifCacheNoticesAChangedFile) {
    const std::string path = File("anim.gif");
    Make("convert -size 4x4 xc:red xc:lime xc:blue " + path);
    CDib dib;
    GifPageInfo info;
    ASSERT_EQ(imaging_.LoadGifPage(path, 0, dib, info), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kRed);
    Make("convert -size 4x4 xc:yellow xc:blue " + path);
    EXPECT_EQ(imaging_.GifPageCount(path), 2);
    ASSERT_EQ(imaging_.LoadGifPage(path, 0, dib, info), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kYellow);
    // The last page hands the cache over; asking again decodes afresh.
    ASSERT_EQ(imaging_.LoadGifPage(path, 1, dib, info), ImagingResult::Ok);
    ASSERT_EQ(imaging_.LoadGifPage(path, 1, dib, info), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kBlue);
}

// Offsets of each image's LZW minimum-code-size byte in a well-formed GIF stream.
std::vector<std::size_t> LzwSizeOffsets(const std::vector<std::uint8_t>& gif) {
    std::vector<std::size_t> offsets;
    auto skipSubBlocks = [&](std::size_t at) {
        while (at < gif.size() && gif[at] != 0) at += gif[at] + 1u;
        return at + 1;
    };
    std::size_t at = 13;
    if (gif[10] & 0x80) at += 3u << ((gif[10] & 7) + 1);
    while (at < gif.size() && gif[at] != 0x3B) {
        if (gif[at] == 0x21) {
            at = skipSubBlocks(at + 2);
        } else if (gif[at] == 0x2C && at + 10 < gif.size()) {
            std::uint8_t flags = gif[at + 9];
            at += 10;
            if (flags & 0x80) at += 3u << ((flags & 7) + 1);
            offsets.push_back(at);
            at = skipSubBlocks(at + 1);
        } else {
            break;
        }
    }
    return offsets;
}

TEST_F(MagickImagingTest, DamagedGifServesThePagesBeforeTheDamageAndFailsOnIt) {
    const std::string path = File("damaged.gif");
    Make("convert -size 32x32 xc:red xc:lime xc:blue " + path);
    auto bytes = test::ReadBytes(path);
    const auto offsets = LzwSizeOffsets(bytes);
    ASSERT_EQ(offsets.size(), 3u);
    bytes[offsets[2]] = 0;  // no valid LZW code size: the third image cannot be decoded
    test::WriteBytes(path, bytes);
    EXPECT_EQ(imaging_.GifPageCount(path), 3) << "the damaged image counts, so loading reaches it";
    CDib dib;
    GifPageInfo info;
    EXPECT_EQ(imaging_.LoadGifPage(path, 1, dib, info), ImagingResult::Ok);
    EXPECT_EQ(dib.PixelColor(0, 0), kGreen);
    EXPECT_EQ(imaging_.LoadGifPage(path, 2, dib, info), ImagingResult::Failed);
}

TEST_F(MagickImagingTest, InitialisingTwiceIsHarmless) {
    MagickImaging::InitializeImaging("vorla");
    MagickImaging::InitializeImaging(nullptr);
    MagickImaging second;
    CDib scaled;
    EXPECT_TRUE(second.Resample(FourColourPicture(), 2, 2, scaled));
}

}  // namespace
}  // namespace vorla
