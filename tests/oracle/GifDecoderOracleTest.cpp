// The GIF reader against giflib on files written by independent tools: ImageMagick, gifsicle
// and Pillow. Every image is compared by indices, used palette entries, placement and control
// values, through both the single pass and Decode in index mode.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "GiflibFile.h"
#include "core/gif/GifDecoder.h"
#include "support/GifBuilder.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::Bytes;

void ComparePage(const GifFileType* gif, int k, const GifPageInfo& page, const CDib& dib,
                 const std::string& where) {
    SCOPED_TRACE(where + " image " + std::to_string(k));
    const SavedImage& saved = gif->SavedImages[k];
    const GifImageDesc& d = saved.ImageDesc;
    EXPECT_EQ(page.left, d.Left);
    EXPECT_EQ(page.top, d.Top);
    ASSERT_EQ(page.width, d.Width);
    ASSERT_EQ(page.height, d.Height);
    EXPECT_EQ(page.interlaced, d.Interlace);
    EXPECT_EQ(page.screenWidth, gif->SWidth);
    EXPECT_EQ(page.screenHeight, gif->SHeight);

    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(const_cast<GifFileType*>(gif), k, &gcb) == GIF_OK) {
        EXPECT_EQ(page.delay, gcb.DelayTime);
        EXPECT_EQ((page.controlByte >> 2) & 7, gcb.DisposalMode);
        EXPECT_EQ(page.transparent, gcb.TransparentColor >= 0);
        if (gcb.TransparentColor >= 0) {
            EXPECT_EQ(page.transparentIndex, gcb.TransparentColor);
        }
    } else {
        EXPECT_EQ(page.delay, -1) << "no graphic control";
    }

    const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
    if (map != nullptr) {
        EXPECT_EQ(page.colorCount, map->ColorCount);
    }
    ASSERT_EQ(dib.Width(), d.Width);
    ASSERT_EQ(dib.Height(), d.Height);
    ASSERT_EQ(dib.BitCount(), 8);
    std::vector<bool> used(256, false);
    for (int y = 0; y < d.Height; ++y) {
        const GifByteType* want =
            saved.RasterBits + static_cast<std::size_t>(y) * static_cast<std::size_t>(d.Width);
        const std::uint8_t* have = dib.Row(y);
        for (int x = 0; x < d.Width; ++x) {
            ASSERT_EQ(have[x], want[x])
                << "at " << x << "," << y << ": have " << int{have[x]} << ", want " << int{want[x]};
            used[want[x]] = true;
        }
    }
    if (map == nullptr) return;
    for (int i = 0; i < 256; ++i) {
        if (!used[static_cast<std::size_t>(i)] || i >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[i];
        EXPECT_EQ(dib.PaletteColor(i), MakeRgb(c.Red, c.Green, c.Blue)) << "palette entry " << i;
    }
}

void CompareFile(const std::string& path, const GifFileType* gif) {
    const Bytes bytes = test::ReadBytes(path);
    std::vector<std::pair<GifPageInfo, CDib>> pages;
    GifScanResult scan =
        GifDecoder::DecodeAllImages(bytes, SIZE_MAX, [&](const GifPageInfo& page, CDib&& dib) {
            pages.emplace_back(page, std::move(dib));
            return true;
        });
    EXPECT_TRUE(scan.complete) << scan.error;
    const int count = gif->ImageCount;
    ASSERT_EQ(static_cast<int>(pages.size()), count)
        << "have " << pages.size() << " images, want " << count;
    for (int k = 0; k < count; ++k) {
        ComparePage(gif, k, pages[static_cast<std::size_t>(k)].first,
                    pages[static_cast<std::size_t>(k)].second, "single pass");
    }
    // Index mode for the first, a middle and the last image.
    for (int k : {0, count / 2, count - 1}) {
        GifDecoder decoder;
        MemoryStream in(bytes);
        MemoryStream out;
        ASSERT_TRUE(decoder.Decode(&in, out, "i", k)) << "image " << k;
        CDib dib;
        ASSERT_TRUE(dib.FromBytes(out.Bytes()));
        ComparePage(gif, k, decoder.Page(), dib, "index mode");
        EXPECT_EQ(decoder.ImagesDone(), count);
    }
    // Counting without decoding agrees.
    EXPECT_EQ(static_cast<int>(GifDecoder::DecodeAllImages(bytes, 0, {}).imageCount), count);
}

// Compares every .gif file in dir; returns how many giflib could read.
int CompareFolder(const std::filesystem::path& dir) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".gif") continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        test::GiflibFile oracle(entry.path().string());
        if (oracle.gif == nullptr || !oracle.ok) {
            ADD_FAILURE() << "giflib cannot read " << name;
            continue;
        }
        ++files;
        CompareFile(entry.path().string(), oracle.gif);
    }
    return files;
}

TEST(GifDecoderOracle, ImageMagickFilesMatchGiflib) {
    if (!test::HaveCommand("convert -version"))
        GTEST_SKIP() << "ImageMagick convert is not installed";
    test::TempDir dir;
    const std::string d = dir.Path().string() + "/";
    const std::vector<std::string> commands = {
        "convert -seed 1 -size 64x48 plasma:fractal -colors 200 " + d + "im_plasma.gif",
        "convert -size 33x17 gradient:red-blue -interlace GIF " + d + "im_interlaced.gif",
        "convert -size 31x9 pattern:checkerboard -monochrome " + d + "im_1bit.gif",
        "convert -seed 3 -size 300x200 xc: +noise Random -colors 256 " + d + "im_noise.gif",
        "convert -size 1x1 xc:green " + d + "im_1x1.gif",
        "convert -size 3x7 gradient:white-black -colors 7 " + d + "im_3x7.gif",
        "convert -size 641x1 gradient:yellow-navy " + d + "im_641x1.gif",
        "convert -delay 7 -dispose Background -size 40x30 xc:none -fill red -draw 'circle 20,15 "
        "20,5' "
        "-dispose Previous -delay 12 \\( -size 40x30 xc:none -fill blue -draw 'rectangle 5,5 "
        "20,20' \\) "
        "-loop 0 " +
            d + "im_anim.gif",
    };
    for (const std::string& command : commands) ASSERT_EQ(test::RunCommand(command), 0) << command;
    EXPECT_EQ(CompareFolder(dir.Path()), static_cast<int>(commands.size()));
}

TEST(GifDecoderOracle, GifsicleFilesMatchGiflib) {
    if (!test::HaveCommand("gifsicle --version")) GTEST_SKIP() << "gifsicle is not installed";
    test::TempDir dir;
    const std::string d = dir.Path().string() + "/";
    // Inputs from the test writer; gifsicle rewrites them with its own encoder.
    std::vector<Bytes> frames;
    for (int k = 0; k < 4; ++k) {
        frames.push_back(test::GifsicleInput(k));
        test::WriteBytes(d + "in" + std::to_string(k) + ".in", frames.back());
    }
    const std::vector<std::string> commands = {
        "gifsicle --delay 9 --loopcount=forever --disposal previous " + d + "in0.in " + d +
            "in1.in " + d + "in2.in " + d + "in3.in -o " + d + "gs_local_tables.gif",
        "gifsicle -O3 --delay 4 " + d + "in0.in " + d + "in1.in " + d + "in2.in " + d +
            "in3.in -o " + d + "gs_optimised.gif",
        "gifsicle --interlace " + d + "in2.in -o " + d + "gs_interlaced.gif",
        "gifsicle --colors 2 " + d + "in1.in -o " + d + "gs_2colors.gif",
        "gifsicle --crop 17,5+1x1 " + d + "in3.in -o " + d + "gs_1x1.gif",
    };
    for (const std::string& command : commands) ASSERT_EQ(test::RunCommand(command), 0) << command;
    EXPECT_EQ(CompareFolder(dir.Path()), static_cast<int>(commands.size()));
}

TEST(GifDecoderOracle, PillowFilesMatchGiflib) {
    if (!test::HaveCommand("/usr/bin/python3 -c 'import PIL'")) {
        GTEST_SKIP() << "Pillow for /usr/bin/python3 is not installed";
    }
    test::TempDir dir;
    const std::string script = std::string(VORLA_TOOLS_DIR) + "/make_pillow_gifs.py";
    ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + script + " " + dir.Path().string()), 0);
    EXPECT_EQ(CompareFolder(dir.Path()), 8);
}

}  // namespace
}  // namespace vorla
