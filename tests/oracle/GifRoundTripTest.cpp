// GIF files made by independent tools (ImageMagick, gifsicle, Pillow, ffmpeg) are loaded through
// the real load path (the deferred GIF load over MagickImaging), saved as the Save command saves,
// and both files are decoded by giflib and by Pillow. Both must show the same composited frames,
// delays, positions, transparency and looping.
//
// The writer keeps disposals 2 and 3 and writes the others (0, and the undefined 4 to 7) as 1
// (leave in place), which viewers show alike; the original is composited with that mapping, and
// for Pillow a copy of the original with its disposals so mapped is what the result is compared
// with. A file loops after the round trip exactly when it had a looping block (its count becomes
// "forever").
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GiflibFile.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/Saving.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "imaging/MagickImaging.h"
#include "support/FakeHosts.h"
#include "support/GifBuilder.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::Bytes;

// The disposal the writer keeps of a disposal: 2 and 3 stay, everything else is written as 1.
int WrittenDisposal(int disposal) {
    return disposal == 2 || disposal == 3 ? disposal : 1;
}

using Rgba = std::vector<std::uint8_t>;

// Composites every frame onto a canvas that starts transparent; disposal 2 clears the frame's
// area to transparent (as browsers do), 3 restores what was there before the frame.
std::vector<Rgba> Composite(const test::GiflibFile& file, bool mapDisposals) {
    const GifFileType* gif = file.gif;
    const int width = gif->SWidth;
    const int height = gif->SHeight;
    Rgba canvas(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    std::vector<Rgba> frames;
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        const GifImageDesc& d = image.ImageDesc;
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        const GraphicsControlBlock gcb = file.Control(k);
        int disposal = gcb.DisposalMode;
        if (mapDisposals) disposal = WrittenDisposal(disposal);
        const Rgba before = canvas;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const int sx = d.Left + x;
                const int sy = d.Top + y;
                if (sx >= width || sy >= height) continue;
                const int index = image.RasterBits[y * d.Width + x];
                if (index == gcb.TransparentColor || map == nullptr || index >= map->ColorCount) {
                    continue;
                }
                std::uint8_t* p = &canvas[(static_cast<std::size_t>(sy) * width + sx) * 4];
                p[0] = map->Colors[index].Red;
                p[1] = map->Colors[index].Green;
                p[2] = map->Colors[index].Blue;
                p[3] = 255;
            }
        }
        frames.push_back(canvas);
        if (disposal == 2) {
            for (int y = d.Top; y < std::min(height, d.Top + d.Height); ++y) {
                for (int x = d.Left; x < std::min(width, d.Left + d.Width); ++x) {
                    std::fill_n(&canvas[(static_cast<std::size_t>(y) * width + x) * 4], 4, 0);
                }
            }
        } else if (disposal == 3) {
            canvas = before;
        }
    }
    return frames;
}

// Pillow's view of a file: one line per frame, then the loop line.
std::vector<std::string> PillowFrames(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 " + std::string(VORLA_TOOLS_DIR) + "/gif_composite_frames.py " + path;
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines.push_back(line);
    }
    if (pclose(pipe) != 0) lines.clear();
    return lines;
}

// A copy of the original whose control blocks carry the disposals the writer keeps.
bool WriteMappedCopy(const std::string& from, const std::string& to) {
    int error = 0;
    GifFileType* in = DGifOpenFileName(from.c_str(), &error);
    if (in == nullptr || DGifSlurp(in) != GIF_OK) return false;
    for (int k = 0; k < in->ImageCount; ++k) {
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(in, k, &gcb) != GIF_OK) continue;
        gcb.DisposalMode = WrittenDisposal(gcb.DisposalMode);
        EGifGCBToSavedExtension(&gcb, in, k);
    }
    GifFileType* out = EGifOpenFileName(to.c_str(), false, &error);
    if (out == nullptr) {
        DGifCloseFile(in, &error);
        return false;
    }
    out->SWidth = in->SWidth;
    out->SHeight = in->SHeight;
    out->SColorResolution = in->SColorResolution;
    out->SBackGroundColor = in->SBackGroundColor;
    out->SColorMap = in->SColorMap;
    out->ImageCount = in->ImageCount;
    out->SavedImages = in->SavedImages;
    out->ExtensionBlockCount = in->ExtensionBlockCount;
    out->ExtensionBlocks = in->ExtensionBlocks;
    // EGifSpew closes out without freeing the table, images and extension blocks it shares
    // with in (giflib 5.2): closing in frees them.
    const bool ok = EGifSpew(out) == GIF_OK;
    DGifCloseFile(in, &error);
    return ok;
}

class GifRoundTrip : public ::testing::Test {
protected:
    // Opens path as the view does (the deferred GIF load) and saves the document under another
    // name as Save does; returns the written file's path.
    std::string LoadAndWrite(const std::string& path) {
        test::ScriptedUserInterface ui;
        test::RecordingHost host;
        ApplicationState app(dir.Path().string() + "/", ui, 1200);
        app.zoomPercent = 100;
        FrameTable table(app, ui, imaging, host, Bytes{}, 0);
        CAnvoDoc document;
        DocumentLoader loader(table, document, ui);
        EXPECT_TRUE(loader.LoadDocument(path, nullptr, false));
        EXPECT_TRUE(table.pendingGifLoad);
        EXPECT_EQ(loader.RunDeferredGifLoad(), DocumentLoader::GifLoad::Complete) << path;
        EXPECT_GT(table.frameCount, 0) << path;
        std::vector<CDib> before(table.frameImages.begin(),
                                 table.frameImages.begin() + table.frameCount);
        std::vector<FrameEntry> entries(table.entries.begin(),
                                        table.entries.begin() + table.frameCount);
        const std::string written = path + ".out.gif";
        GifEncoder encoder;
        EXPECT_TRUE(saving::SaveDocument(table, document, encoder, written));
        EXPECT_TRUE(ui.Messages().empty()) << "first message: " << ui.LastMessage();
        for (int i = 0; i < table.frameCount; ++i) {
            EXPECT_EQ(table.frameImages[static_cast<std::size_t>(i)],
                      before[static_cast<std::size_t>(i)])
                << "frame " << i << " changed by a preserving write";
            EXPECT_EQ(table.entries[static_cast<std::size_t>(i)],
                      entries[static_cast<std::size_t>(i)]);
        }
        return written;
    }

    void CompareWithGiflib(const std::string& original, const std::string& written) {
        test::GiflibFile a(original);
        test::GiflibFile b(written);
        ASSERT_TRUE(a.ok) << "giflib cannot read " << original;
        ASSERT_TRUE(b.ok) << "giflib cannot read " << written;
        ASSERT_EQ(b.gif->ImageCount, a.gif->ImageCount)
            << "have " << b.gif->ImageCount << " frames, want " << a.gif->ImageCount;
        EXPECT_EQ(b.gif->SWidth, a.gif->SWidth);
        EXPECT_EQ(b.gif->SHeight, a.gif->SHeight);
        EXPECT_EQ(b.Loop(), a.Loop() >= 0 ? 0 : -1)
            << "a looping block (any count) comes back as forever, none stays none";
        for (int k = 0; k < a.gif->ImageCount; ++k) {
            SCOPED_TRACE("frame " + std::to_string(k));
            const GifImageDesc& da = a.gif->SavedImages[k].ImageDesc;
            const GifImageDesc& db = b.gif->SavedImages[k].ImageDesc;
            EXPECT_EQ(db.Left, da.Left);
            EXPECT_EQ(db.Top, da.Top);
            ASSERT_EQ(db.Width, da.Width);
            ASSERT_EQ(db.Height, da.Height);
            EXPECT_EQ(db.Interlace, da.Interlace);
            const GraphicsControlBlock ga = a.Control(k);
            const GraphicsControlBlock gb = b.Control(k);
            EXPECT_EQ(gb.DelayTime, ga.DelayTime < 0 ? 50 : ga.DelayTime);
            EXPECT_EQ(gb.DisposalMode, WrittenDisposal(ga.DisposalMode));
            EXPECT_EQ(gb.TransparentColor >= 0, ga.TransparentColor >= 0);
            CheckIndexMapping(a, b, k, ga.TransparentColor, gb.TransparentColor);
        }
        const std::vector<Rgba> want = Composite(a, true);
        const std::vector<Rgba> have = Composite(b, false);
        for (std::size_t k = 0; k < want.size(); ++k) {
            EXPECT_TRUE(have[k] == want[k]) << "composited frame " << k << " differs";
        }
    }

    // Only unused entries may be renumbered away: used indices keep their order, colours and
    // transparency.
    static void CheckIndexMapping(const test::GiflibFile& a, const test::GiflibFile& b, int k,
                                  int transparentA, int transparentB) {
        const SavedImage& ia = a.gif->SavedImages[k];
        const SavedImage& ib = b.gif->SavedImages[k];
        const ColorMapObject* ma = ia.ImageDesc.ColorMap ? ia.ImageDesc.ColorMap : a.gif->SColorMap;
        const ColorMapObject* mb = ib.ImageDesc.ColorMap;
        ASSERT_NE(mb, nullptr) << "every written frame has a local table";
        std::array<int, 256> map;
        map.fill(-1);
        const int count = ia.ImageDesc.Width * ia.ImageDesc.Height;
        for (int p = 0; p < count; ++p) {
            const int from = ia.RasterBits[p];
            const int to = ib.RasterBits[p];
            if (map[static_cast<std::size_t>(from)] < 0) map[static_cast<std::size_t>(from)] = to;
            ASSERT_EQ(map[static_cast<std::size_t>(from)], to) << "index " << from << " split";
        }
        int last = -1;
        for (int from = 0; from < 256; ++from) {
            const int to = map[static_cast<std::size_t>(from)];
            if (to < 0) continue;
            EXPECT_EQ(to, last + 1) << "used index " << from << " is not the next compacted one";
            last = to;
            if (from == transparentA) {
                EXPECT_EQ(to, transparentB) << "the transparent index follows its pixels";
                continue;
            }
            if (ma == nullptr) continue;
            const GifColorType& ca = ma->Colors[from];
            const GifColorType& cb = mb->Colors[to];
            EXPECT_TRUE(ca.Red == cb.Red && ca.Green == cb.Green && ca.Blue == cb.Blue)
                << "colour of index " << from;
        }
    }

    // Pillow fills a disposal-2 area of an opaque frame, and the screen around an opaque first
    // frame, with a palette entry that the writer renumbers; such files are compared by the
    // giflib compositor only.
    static bool PillowComparable(const test::GiflibFile& original) {
        const GifFileType* gif = original.gif;
        for (int k = 0; k < gif->ImageCount; ++k) {
            const GraphicsControlBlock gcb = original.Control(k);
            const GifImageDesc& d = gif->SavedImages[k].ImageDesc;
            const bool opaque = gcb.TransparentColor < 0;
            if (k == 0 && opaque &&
                (d.Left != 0 || d.Top != 0 || d.Width != gif->SWidth || d.Height != gif->SHeight)) {
                return false;
            }
            if (opaque && WrittenDisposal(gcb.DisposalMode) == 2 && k + 1 < gif->ImageCount) {
                return false;
            }
        }
        return true;
    }

    void CompareWithPillow(const std::string& original, const std::string& written) {
        if (!test::HaveCommand("/usr/bin/python3 -c 'import PIL'")) return;
        test::GiflibFile a(original);
        ASSERT_TRUE(a.ok);
        if (!PillowComparable(a)) return;
        const std::string mapped = original + ".mapped.gif";
        ASSERT_TRUE(WriteMappedCopy(original, mapped));
        std::vector<std::string> want = PillowFrames(mapped);
        std::vector<std::string> have = PillowFrames(written);
        ASSERT_FALSE(want.empty()) << "Pillow cannot read " << mapped;
        ASSERT_EQ(have.size(), want.size()) << "Pillow frame count";
        for (std::size_t k = 0; k + 1 < want.size(); ++k) {
            // "frame K DURATION SHA1": an absent duration is written as 50 centiseconds.
            std::istringstream wantLine(want[k]);
            std::istringstream haveLine(have[k]);
            std::string tag, wantHash, haveHash;
            int index = 0, wantDuration = 0, haveDuration = 0;
            wantLine >> tag >> index >> wantDuration >> wantHash;
            haveLine >> tag >> index >> haveDuration >> haveHash;
            EXPECT_EQ(haveDuration, wantDuration < 0 ? 500 : wantDuration) << "Pillow frame " << k;
            EXPECT_EQ(haveHash, wantHash) << "Pillow composite of frame " << k;
        }
        EXPECT_EQ(have.back(), want.back() == "loop -1" ? "loop -1" : "loop 0");
        ++pillowCompared;
    }

    void RoundTrip(const std::string& path) {
        SCOPED_TRACE(path);
        const std::string written = LoadAndWrite(path);
        CompareWithGiflib(path, written);
        CompareWithPillow(path, written);
    }

    // Runs commands that each make one file in the test folder, then round-trips them all.
    void RoundTripAll(const std::vector<std::pair<std::string, std::string>>& made) {
        for (const auto& [command, file] : made) {
            ASSERT_EQ(test::RunCommand(command + " >/dev/null 2>&1"), 0) << command;
        }
        for (const auto& [command, file] : made) RoundTrip(file);
        if (test::HaveCommand("/usr/bin/python3 -c 'import PIL'")) {
            EXPECT_EQ(pillowCompared, static_cast<int>(made.size())) << "files Pillow compared";
        }
    }

    std::string File(const std::string& name) const { return dir.File(name); }

    test::TempDir dir;
    MagickImaging imaging;
    int pillowCompared = 0;
};

TEST_F(GifRoundTrip, ImageMagickAnimationsKeepTheirFrames) {
    if (!test::HaveCommand("convert -version"))
        GTEST_SKIP() << "ImageMagick convert is not installed";
    const std::string anim = File("im_anim.gif");
    const std::string plasma = File("im_plasma.gif");
    const std::string interlaced = File("im_interlaced.gif");
    const std::string moving = File("im_moving.gif");
    RoundTripAll({
        {"convert -delay 7 -dispose Background -size 40x30 xc:none -fill red -draw 'circle "
         "20,15 20,5' -dispose Previous -delay 12 \\( -size 40x30 xc:none -fill blue -draw "
         "'rectangle 5,5 20,20' \\) -dispose None -delay 9 \\( -size 40x30 xc:none -fill green "
         "-draw 'rectangle 12,3 30,25' \\) -loop 0 " +
             anim,
         anim},
        {"convert -seed 1 -size 64x48 plasma:fractal -colors 200 -loop 0 " + plasma, plasma},
        {"convert -size 33x17 gradient:red-blue -interlace GIF -loop 0 " + interlaced, interlaced},
        // Frames of different sizes at offsets on one screen, with their own palettes.
        {"convert -delay 20 -size 50x40 xc:yellow \\( -size 20x10 gradient:red-green -repage "
         "+13+7 \\) \\( -size 9x21 gradient:blue-white -repage +30+15 \\) -loop 0 " +
             moving,
         moving},
    });
}

TEST_F(GifRoundTrip, GifsicleLocalTablesOffsetsAndInterlacing) {
    if (!test::HaveCommand("gifsicle --version")) GTEST_SKIP() << "gifsicle is not installed";
    std::string inputs;
    for (int k = 0; k < 4; ++k) {
        const std::string in = File("in" + std::to_string(k) + ".in");
        test::WriteBytes(in, test::GifsicleInput(k));
        inputs += " " + in;
    }
    const std::string local = File("gs_local.gif");
    const std::string optimised = File("gs_optimised.gif");
    const std::string interlaced = File("gs_interlaced.gif");
    const std::string background = File("gs_background.gif");
    RoundTripAll({
        {"gifsicle --delay 9 --loopcount=forever --disposal previous" + inputs + " -o " + local,
         local},
        // -O3 crops frames to what changed and uses transparency: offsets and transparent index.
        {"gifsicle -O3 --delay 4 --loopcount=forever" + inputs + " -o " + optimised, optimised},
        {"gifsicle --interlace --loopcount=forever --delay 3" + inputs + " -o " + interlaced,
         interlaced},
        {"gifsicle --disposal background --loopcount=forever -O2" + inputs + " -o " + background,
         background},
    });
}

TEST_F(GifRoundTrip, PlayOnceFilesKeepRestoreToPreviousAndNoLoopingBlock) {
    // No looping block; restore-to-previous frames over a picture that later frames change, so
    // writing them as leave-in-place would show different pictures.
    test::GifBuilder gif;
    gif.Screen(8, 6, {{0, 0, 0}, {250, 20, 20}, {20, 250, 20}, {20, 20, 250}});
    gif.Control(1, 10).Image(0, 0, 8, 6, Bytes(48, 1));
    gif.Control(3, 12, 0).Image(2, 1, 4, 3, {2, 0, 2, 2, 0, 2, 2, 0, 2, 2, 0, 2});
    gif.Control(1, 7).Image(3, 2, 3, 3, Bytes(9, 3));
    gif.Control(3, 9).Image(0, 0, 5, 4, Bytes(20, 2));
    gif.Control(2, 11, 0).Image(1, 1, 3, 3, {3, 0, 3, 0, 3, 0, 3, 0, 3});
    gif.Control(1, 5).Image(6, 4, 2, 2, {2, 3, 3, 2});
    const std::string crafted = File("once_previous.gif");
    test::WriteBytes(crafted, gif.Trailer().Get());
    RoundTrip(crafted);

    test::GiflibFile written(crafted + ".out.gif");
    ASSERT_TRUE(written.ok);
    EXPECT_EQ(written.Loop(), -1) << "played once before, played once after";
    EXPECT_EQ(written.Control(1).DisposalMode, 3);
    EXPECT_EQ(written.Control(3).DisposalMode, 3);

    if (test::HaveCommand("gifsicle --version")) {
        std::string inputs;
        for (int k = 0; k < 4; ++k) {
            const std::string in = File("once" + std::to_string(k) + ".in");
            test::WriteBytes(in, test::GifsicleInput(k));
            inputs += " " + in;
        }
        const std::string once = File("gs_once_previous.gif");
        ASSERT_EQ(test::RunCommand("gifsicle --delay 6 --disposal previous" + inputs + " -o " +
                                   once + " >/dev/null 2>&1"),
                  0);
        test::GiflibFile original(once);
        ASSERT_TRUE(original.ok);
        ASSERT_EQ(original.Loop(), -1) << "gifsicle writes no looping block unless asked";
        RoundTrip(once);
        if (test::HaveCommand("/usr/bin/python3 -c 'import PIL'")) {
            EXPECT_EQ(pillowCompared, 2) << "Pillow saw both files alike";
        }
    }
}

TEST_F(GifRoundTrip, PillowAnimationWithPalettesTransparencyAndDisposals) {
    if (!test::HaveCommand("/usr/bin/python3 -c 'import PIL'")) {
        GTEST_SKIP() << "Pillow for /usr/bin/python3 is not installed";
    }
    const std::string script = std::string(VORLA_TOOLS_DIR) + "/make_pillow_gifs.py";
    ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + script + " " + dir.Path().string()), 0);
    // Transparency 5, disposals 1, 2, 3, 1, 2, a palette per frame, loop 0.
    RoundTrip(File("pil_anim.gif"));
    RoundTrip(File("pil_noise_interlaced.gif"));
    RoundTrip(File("pil_1bit.gif"));
    EXPECT_GE(pillowCompared, 2);
}

TEST_F(GifRoundTrip, FfmpegAnimationWithOffsetsAndTransparency) {
    if (!test::HaveCommand("ffmpeg -version")) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string clip = File("ff_testsrc.gif");
    RoundTripAll({
        {"ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=64x48:rate=10 -t 0.8 "
         "-loop 0 -y " +
             clip,
         clip},
    });
}

}  // namespace
}  // namespace vorla
