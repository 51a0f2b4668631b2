// The optimised save beside the ordinary one, judged by giflib and Pillow on files made at test
// time by other tools: an ffmpeg video, ImageMagick plasma frames with their own palettes joined
// by gifsicle, a terminal-like recording, transparent frames with restore to background and to
// previous (ImageMagick and Pillow). Each file is opened as the program opens it, written by
// Save and by the optimising save, and both files must show the same frames with the same
// delays and looping: composited by giflib's frames with the rules browsers follow, and as
// Pillow shows them wherever Pillow shows the ordinary file that way too (Pillow fills a
// cleared area of an opaque frame with the background colour, so on such files it cannot agree
// with anyone).
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "GiflibFile.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/FrameEditing.h"
#include "core/edit/FrameExpansion.h"
#include "core/edit/OptimizedSave.h"
#include "core/edit/Saving.h"
#include "core/gif/GifEncoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/UserInterface.h"
#include "imaging/MagickImaging.h"
#include "support/FakeHosts.h"
#include "support/GifBuilder.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using Rgba = std::vector<std::uint8_t>;

struct Shown {
    int width = 0;
    int height = 0;
    int loop = -1;
    std::vector<int> delays;  // centiseconds
    std::vector<Rgba> frames;
};

// giflib's images composited as browsers do: a transparent start, disposal 2 clears to
// transparent, 3 restores.
Shown GiflibShown(const std::string& path) {
    Shown shown;
    test::GiflibFile file(path);
    if (!file.ok) return shown;
    const GifFileType* gif = file.gif;
    shown.width = gif->SWidth;
    shown.height = gif->SHeight;
    shown.loop = file.Loop() >= 0 ? 0 : -1;
    Rgba canvas(static_cast<std::size_t>(shown.width) * shown.height * 4, 0);
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        const GifImageDesc& d = image.ImageDesc;
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        const GraphicsControlBlock gcb = file.Control(k);
        const Rgba before = canvas;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const int sx = d.Left + x;
                const int sy = d.Top + y;
                if (sx >= shown.width || sy >= shown.height) continue;
                const int index = image.RasterBits[y * d.Width + x];
                if (index == gcb.TransparentColor || map == nullptr || index >= map->ColorCount) {
                    continue;
                }
                std::uint8_t* p = &canvas[(static_cast<std::size_t>(sy) * shown.width + sx) * 4];
                p[0] = map->Colors[index].Red;
                p[1] = map->Colors[index].Green;
                p[2] = map->Colors[index].Blue;
                p[3] = 255;
            }
        }
        shown.frames.push_back(canvas);
        shown.delays.push_back(gcb.DelayTime);
        if (gcb.DisposalMode == 2) {
            for (int y = d.Top; y < std::min(shown.height, d.Top + d.Height); ++y) {
                for (int x = d.Left; x < std::min(shown.width, d.Left + d.Width); ++x) {
                    std::fill_n(&canvas[(static_cast<std::size_t>(y) * shown.width + x) * 4], 4, 0);
                }
            }
        } else if (gcb.DisposalMode == 3) {
            canvas = before;
        }
    }
    return shown;
}

Shown PillowShown(const std::string& path) {
    Shown shown;
    const std::string raw = path + ".pillow";
    const std::string command = "/usr/bin/python3 " + std::string(VORLA_TOOLS_DIR) +
                                "/gif_rgba_frames.py '" + path + "' '" + raw + "'";
    if (test::RunCommand(command) != 0) return shown;
    std::ifstream in(raw, std::ios::binary);
    int count = 0;
    in >> shown.width >> shown.height >> count >> shown.loop;
    in.get();
    for (int k = 0; k < count && in; ++k) {
        int duration = 0;
        in >> duration;
        in.get();
        Rgba frame(static_cast<std::size_t>(shown.width) * shown.height * 4);
        in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
        shown.delays.push_back(duration < 0 ? -1 : duration / 10);
        shown.frames.push_back(std::move(frame));
    }
    return shown;
}

// What ImageMagick shows: its coalesced frames, each the whole screen, and the delays it read.
// The looping is taken from giflib (ImageMagick's is not asked for here).
Shown ImageMagickShown(const std::string& path) {
    Shown shown;
    const std::string raw = path + ".magick";
    const std::string info = path + ".magick.txt";
    if (test::RunCommand("convert '" + path + "' -coalesce -depth 8 'rgba:" + raw + "'") != 0 ||
        test::RunCommand("identify -format '%T %W %H\\n' '" + path + "' > '" + info + "'") != 0) {
        return shown;
    }
    std::ifstream delays(info);
    int delay = 0;
    while (delays >> delay >> shown.width >> shown.height) shown.delays.push_back(delay);
    const test::Bytes bytes = test::ReadBytes(raw);
    const std::size_t size = static_cast<std::size_t>(shown.width) * shown.height * 4;
    for (std::size_t at = 0; size > 0 && at + size <= bytes.size(); at += size) {
        Rgba frame(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        for (std::size_t p = 0; p < size; p += 4) {
            if (frame[p + 3] == 0)
                std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(p), 4, 0);
        }
        shown.frames.push_back(std::move(frame));
    }
    shown.loop = GiflibShown(path).loop;
    return shown;
}

// What plays: a frame that shows the screen before it again for it, both waiting at least
// kMinMergedDelay, joins it (the optimising save writes such frames so).
Shown Played(Shown s) {
    for (std::size_t k = s.frames.size(); k-- > 1;) {
        if (s.frames[k] != s.frames[k - 1] ||
            std::min(s.delays[k - 1], s.delays[k]) < kMinMergedDelay) {
            continue;
        }
        s.delays[k - 1] += s.delays[k];
        s.delays.erase(s.delays.begin() + static_cast<std::ptrdiff_t>(k));
        s.frames.erase(s.frames.begin() + static_cast<std::ptrdiff_t>(k));
    }
    return s;
}

// "" when they play alike, else the first difference.
std::string Compare(const Shown& haveShown, const Shown& wantShown) {
    const Shown have = Played(haveShown);
    const Shown want = Played(wantShown);
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on literal + string here.
    std::string what;
    if (have.width != want.width || have.height != want.height) return "screen size";
    if (have.frames.size() != want.frames.size()) {
        what = "have ";
        what += std::to_string(have.frames.size());
        what += " frames, want ";
        what += std::to_string(want.frames.size());
        return what;
    }
    if (have.loop != want.loop) return "looping";
    for (std::size_t k = 0; k < want.frames.size(); ++k) {
        // No control block (-1) waits 0, as a block with delay 0 does; a single image shows no
        // delay, and is written without one also for the delay such an image opens with.
        const auto wait = [&](int delay) {
            return delay < 0 || (want.frames.size() == 1 && delay == kDelayWithoutControl) ? 0
                                                                                           : delay;
        };
        const bool sameDelay = wait(have.delays[k]) == wait(want.delays[k]);
        if (sameDelay && have.frames[k] == want.frames[k]) continue;
        what = !sameDelay ? "delay of frame " : "frame ";
        what += std::to_string(k);
        return what;
    }
    return what;
}

// A file opened as the program opens it, in a document of its own.
struct Opened {
    Opened(const std::string& folder, Imaging& imaging, const std::string& path)
        : app(folder + "/", ui, 1200), table(app, ui, imaging, host, test::Bytes{}, 0) {
        app.zoomPercent = 100;
        DocumentLoader loader(table, document, ui);
        ok = loader.LoadDocument(path, nullptr, false) &&
             loader.RunDeferredGifLoad() == DocumentLoader::GifLoad::Complete;
    }
    test::ScriptedUserInterface ui;
    test::RecordingHost host;
    ApplicationState app;
    FrameTable table;
    CAnvoDoc document;
    bool ok = false;
};

// What a file shows without its third frame.
Shown WithoutThird(Shown shown) {
    shown.frames.erase(shown.frames.begin() + 2);
    shown.delays.erase(shown.delays.begin() + 2);
    return shown;
}

class OptimizedSaveOracle : public ::testing::Test {
protected:
    // Opens path as the program does, writes it by Save and by the optimising save, and
    // compares what giflib and Pillow show of both.
    void Check(const std::string& path) {
        SCOPED_TRACE(path);
        Opened opened(dir.Path().string(), imaging, path);
        ASSERT_TRUE(opened.ok);
        test::ScriptedUserInterface& ui = opened.ui;
        FrameTable& table = opened.table;
        CAnvoDoc& document = opened.document;
        const std::string ordinary = path + ".saved.gif";
        const std::string small = path + ".optimised.gif";
        GifEncoder encoder;
        ASSERT_TRUE(saving::SaveDocument(table, document, encoder, ordinary));
        const optimized::Report report = optimized::Run(optimized::SourceOf(table), ui, small);
        ASSERT_EQ(report.outcome, optimized::Outcome::Written) << ui.LastMessage();
        EXPECT_TRUE(ui.Messages().empty()) << ui.LastMessage();

        const std::uint64_t ordinaryBytes = test::ReadBytes(ordinary).size();
        const std::uint64_t smallBytes = test::ReadBytes(small).size();
        EXPECT_EQ(static_cast<std::int64_t>(smallBytes), report.bytes);
        EXPECT_LE(smallBytes, ordinaryBytes);
        std::printf("%-22s ordinary %8llu  optimised %8llu\n",
                    path.substr(path.rfind('/') + 1).c_str(),
                    static_cast<unsigned long long>(ordinaryBytes),
                    static_cast<unsigned long long>(smallBytes));

        const Shown want = GiflibShown(ordinary);
        ASSERT_FALSE(want.frames.empty()) << "giflib reads the ordinary file";
        EXPECT_EQ(Compare(GiflibShown(small), want), "") << "giflib";
        // The optimised file leaves readers no room for their own ways (a first image that
        // leaves the screen uncovered, clearing to the background colour): Pillow and
        // ImageMagick show what giflib shows of the ordinary file, as browsers do. (They may show
        // the ordinary file itself otherwise.)
        if (magick) {
            EXPECT_EQ(Compare(ImageMagickShown(small), want), "") << "ImageMagick";
        }
        if (!pillow) return;
        EXPECT_EQ(Compare(PillowShown(small), want), "") << "Pillow";
        ++pillowCompared;
    }

    // Opens a frame-optimised file, expands every frame ("프레임 펼치기") and writes it by Save and
    // by the optimising save: both must show what the original shows, in giflib and in Pillow.
    void CheckExpansion(const std::string& path) {
        SCOPED_TRACE(path);
        Opened opened(dir.Path().string(), imaging, path);
        ASSERT_TRUE(opened.ok);
        ASSERT_TRUE(edit::ExpandSelectedFrames(opened.table).done) << opened.ui.LastMessage();
        const std::string expanded = path + ".expanded.gif";
        const std::string small = path + ".expanded.optimised.gif";
        GifEncoder encoder;
        ASSERT_TRUE(saving::SaveDocument(opened.table, opened.document, encoder, expanded));
        ASSERT_EQ(optimized::Run(optimized::SourceOf(opened.table), opened.ui, small).outcome,
                  optimized::Outcome::Written);
        std::printf("%-22s original %8zu  expanded %8zu  expanded, optimised %8zu\n",
                    path.substr(path.rfind('/') + 1).c_str(), test::ReadBytes(path).size(),
                    test::ReadBytes(expanded).size(), test::ReadBytes(small).size());
        const Shown original = GiflibShown(path);
        ASSERT_FALSE(original.frames.empty());
        EXPECT_EQ(Compare(GiflibShown(expanded), original), "") << "giflib, expanded";
        EXPECT_EQ(Compare(GiflibShown(small), original), "") << "giflib, optimised";
        EXPECT_FALSE(edit::AnyFrameDependsOnEarlier(opened.table)) << "every frame stands alone";

        // Frame 3 deleted after "펼치고 편집" (asked only where a frame shows earlier ones).
        Opened again(dir.Path().string(), imaging, path);
        const bool depends = edit::AnyFrameDependsOnEarlier(again.table);
        again.ui.AnswerTwoChoice(kTwoChoiceFirst);
        ASSERT_EQ(edit::ConfirmStructuralEdit(again.table),
                  depends ? edit::StructuralAnswer::Expanded : edit::StructuralAnswer::Proceed);
        again.table.entries[2].selected = 1;
        ASSERT_TRUE(edit::DeleteSelectedFrames(again.table, nullptr));
        const std::string deleted = path + ".deleted.gif";
        ASSERT_TRUE(saving::SaveDocument(again.table, again.document, encoder, deleted));
        EXPECT_EQ(Compare(GiflibShown(deleted), WithoutThird(original)), "") << "giflib, deleted";
        if (pillow) {
            EXPECT_EQ(Compare(PillowShown(expanded), PillowShown(path)), "") << "Pillow";
            EXPECT_EQ(Compare(PillowShown(deleted), WithoutThird(PillowShown(path))), "")
                << "Pillow, deleted";
        }
    }

    void Make(const std::string& command) {
        ASSERT_EQ(test::RunCommand(command + " >/dev/null 2>&1"), 0) << command;
    }
    std::string File(const std::string& name) const { return dir.File(name); }

    test::TempDir dir;
    MagickImaging imaging;
    const bool pillow = test::HaveCommand("/usr/bin/python3 -c 'import PIL'");
    const bool magick = test::HaveCommand("convert -version");
    int pillowCompared = 0;
};

TEST_F(OptimizedSaveOracle, FfmpegVideo) {
    if (!test::HaveCommand("ffmpeg -version")) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string clip = File("ff_testsrc.gif");
    Make(
        "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=96x64:rate=10 -t 2 -loop 0 "
        "-y " +
        clip);
    Check(clip);
    const std::string alpha = File("ff_alpha.gif");
    // A moving round hole: transparency and restore to background from ffmpeg's own writer.
    Make(
        "ffmpeg -nostdin -loglevel error -f lavfi -i \"testsrc2=size=96x64:rate=10,trim=end_"
        "frame=12,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='if(lt(hypot(X-48-20*sin(T*"
        "4),Y-32),24),255,0)'\" -filter_complex \"[0:v]split[a][b];[a]palettegen=reserve_"
        "transparent=1[p];[b][p]paletteuse=alpha_threshold=128\" -y " +
        alpha);
    Check(alpha);
    if (pillow) {
        EXPECT_GE(pillowCompared, 1);
    }
}

TEST_F(OptimizedSaveOracle, ImageMagickPlasmaWithLocalPalettesAndDisposals) {
    if (!test::HaveCommand("convert -version") || !test::HaveCommand("gifsicle --version")) {
        GTEST_SKIP() << "ImageMagick or gifsicle is not installed";
    }
    std::string frames;
    for (int k = 0; k < 4; ++k) {
        const std::string one = File("p" + std::to_string(k) + ".gif");
        Make("convert -seed " + std::to_string(k + 1) + " -size 64x48 plasma:fractal -colors " +
             std::to_string(100 + 40 * k) + " " + one);
        frames += " " + one;
    }
    const std::string plasma = File("im_plasma.gif");
    Make("gifsicle --loopcount=forever --delay 7" + frames + " -o " + plasma);
    Check(plasma);
    const std::string anim = File("im_disposals.gif");
    Make(
        "convert -delay 7 -dispose Background -size 40x30 xc:none -fill red -draw 'circle "
        "20,15 20,5' -dispose Previous -delay 12 \\( -size 40x30 xc:none -fill blue -draw "
        "'rectangle 5,5 20,20' \\) -dispose None -delay 9 \\( -size 40x30 xc:none -fill green "
        "-draw 'rectangle 12,3 30,25' \\) -dispose Previous \\( -size 40x30 xc:none -fill "
        "yellow -draw 'rectangle 2,2 8,8' \\) -loop 0 " +
        anim);
    Check(anim);
    const std::string badge = File("im_badge.gif");
    Make(
        "convert -seed 3 -size 80x60 plasma:fractal -colors 32 -dispose None -delay 6 "
        "-dispose Previous \\( -size 20x12 xc:none -fill orange -draw 'roundrectangle 0,0 19,11 "
        "3,3' -repage +5+10 \\) \\( -size 20x12 xc:none -fill cyan -draw 'roundrectangle 0,0 "
        "19,11 3,3' -repage +15+20 \\) \\( -size 20x12 xc:none -fill lime -draw "
        "'roundrectangle 0,0 19,11 3,3' -repage +25+30 \\) -loop 0 " +
        badge);
    Check(badge);
    if (pillow) {
        EXPECT_GE(pillowCompared, 2);
    }
}

TEST_F(OptimizedSaveOracle, TerminalRecording) {
    // 16 colours; the first frame the whole screen, then the cell that changed (a typed
    // character and the cursor), as terminal recorders write them.
    std::vector<test::Rgb> colors;
    for (int i = 0; i < 16; ++i) {
        colors.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i * 5),
                          static_cast<std::uint8_t>(255 - i * 16)});
    }
    test::GifBuilder gif;
    gif.Screen(160, 64, colors).Loop(0);
    gif.Control(1, 50).Image(0, 0, 160, 64, test::Bytes(160 * 64, 0));
    for (int k = 0; k < 40; ++k) {
        const int column = k % 19;  // the last cell pair ends at the screen's right edge
        const int row = k / 19;
        test::Bytes cell(8 * 16 + 8 * 16);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                // The glyph in the left cell, the cursor block in the right one.
                cell[y * 16 + x] = static_cast<std::uint8_t>(
                    x < 8 ? (((x + k) * (y + 1)) % 5 == 0 ? 7 : 0) : (y > 12 ? 15 : 0));
            }
        }
        gif.Control(1, 8 + k % 3).Image(column * 8, row * 16, 16, 16, cell);
        // Now and then the cursor waits: a transparent pixel, the same screen again.
        if (k % 10 == 9) gif.Control(1, 30, 0).Image(0, 0, 1, 1, test::Bytes(1, 0));
    }
    const std::string path = File("terminal.gif");
    test::WriteBytes(path, gif.Trailer().Get());
    Check(path);
    EXPECT_EQ(test::GiflibFile(path + ".optimised.gif").gif->ImageCount, 41) << "the waits joined";
    if (pillow) {
        EXPECT_EQ(pillowCompared, 1);
    }
}

TEST_F(OptimizedSaveOracle, UncoveredScreenAndSingleImages) {
    // A 4x4 screen with one 8x6 image at 2,2 in all four colours of the global table: the
    // program grows the screen to 10x8, and the area no image covers is transparent.
    const std::vector<test::Rgb> four = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {250, 250, 0}};
    test::Bytes pixels(8 * 6);
    for (std::size_t p = 0; p < pixels.size(); ++p) pixels[p] = static_cast<std::uint8_t>(p % 4);
    test::GifBuilder gif;
    gif.Screen(4, 4, four).Control(1, 10).Image(2, 2, 8, 6, pixels);
    const std::string uncovered = File("uncovered.gif");
    test::WriteBytes(uncovered, gif.Trailer().Get());
    Check(uncovered);
    // Every index lies inside its table.
    test::GiflibFile written(uncovered + ".optimised.gif");
    ASSERT_TRUE(written.ok);
    const ColorMapObject* map = written.gif->SColorMap;
    ASSERT_NE(map, nullptr);
    EXPECT_LT(written.Control(0).TransparentColor, map->ColorCount);

    if (!magick || !test::HaveCommand("gifsicle --version")) return;
    // Single images, plain and interlaced, opaque and with transparency, with and without a
    // control block (without one the program gives the image its default delay): no larger
    // than gifsicle -O3 makes them, and no control block where it would carry nothing.
    const std::string plasma = File("single.gif");
    const std::string interlaced = File("single_interlaced.gif");
    const std::string holed = File("single_holed.gif");
    const std::string bare = File("single_bare.gif");
    Make("convert -seed 5 -size 64x48 plasma:fractal -colors 64 " + plasma);
    Make("convert -seed 6 -size 64x48 plasma:fractal -colors 200 -interlace GIF " + interlaced);
    Make(
        "convert -size 48x40 xc:none -fill red -draw 'circle 24,20 24,4' -fill blue -draw "
        "'rectangle 4,4 14,14' " +
        holed);
    Make("gifsicle --no-warnings " + plasma + " -o " + bare);  // drops the empty control block
    for (const std::string& single : {plasma, interlaced, holed, bare}) {
        Check(single);
        const std::string small = single + ".optimised.gif";
        Make("gifsicle -O3 --no-warnings " + single + " -o " + single + ".gifsicle.gif");
        EXPECT_LE(test::ReadBytes(small).size(), test::ReadBytes(single + ".gifsicle.gif").size())
            << single;
        test::GiflibFile file(small);
        ASSERT_TRUE(file.ok);
        const SavedImage& image = file.gif->SavedImages[0];
        const bool control = std::any_of(
            image.ExtensionBlocks, image.ExtensionBlocks + image.ExtensionBlockCount,
            [](const ExtensionBlock& block) { return block.Function == GRAPHICS_EXT_FUNC_CODE; });
        EXPECT_EQ(control, single == holed) << single;
    }
}

TEST_F(OptimizedSaveOracle, PillowTransparencyPalettesAndDisposals) {
    if (!pillow) GTEST_SKIP() << "Pillow for /usr/bin/python3 is not installed";
    ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(VORLA_TOOLS_DIR) +
                               "/make_pillow_gifs.py " + dir.Path().string()),
              0);
    // Transparency, disposals 1, 2, 3, 1, 2, a palette per frame.
    Check(File("pil_anim.gif"));
    Check(File("pil_noise_interlaced.gif"));
    EXPECT_GE(pillowCompared, 2);
}

TEST_F(OptimizedSaveOracle, ExpandedFramesShowWhatTheOptimisedOriginalShowed) {
    if (!test::HaveCommand("ffmpeg -version") || !test::HaveCommand("gifsicle --version") ||
        !test::HaveCommand("convert -version"))
        GTEST_SKIP() << "ffmpeg, gifsicle or ImageMagick is not installed";
    // ffmpeg's own frame-optimised output, the same squeezed by gifsicle -O3, and ImageMagick's
    // -layers optimize over transparency with restore to background and to previous.
    const std::string video = File("x_ff.gif");
    Make("ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=96x64:rate=10 -t 2 -loop 0 -y " +
         video);
    CheckExpansion(video);
    const std::string squeezed = File("x_gifsicle.gif");
    Make("gifsicle -O3 " + video + " -o " + squeezed);
    CheckExpansion(squeezed);
    const std::string layers = File("x_layers.gif");
    Make(
        "convert -delay 7 -dispose Background -size 40x30 xc:none -fill red -draw 'circle "
        "20,15 20,5' -dispose Previous -delay 12 \\( -size 40x30 xc:none -fill blue -draw "
        "'rectangle 5,5 20,20' \\) -dispose None \\( -size 40x30 xc:none -fill green -draw "
        "'rectangle 12,3 30,25' \\) -loop 0 -layers optimize " +
        layers);
    CheckExpansion(layers);
    if (pillow) {
        ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(VORLA_TOOLS_DIR) +
                                   "/make_pillow_gifs.py " + dir.Path().string()),
                  0);
        CheckExpansion(File("pil_anim.gif"));       // transparency, disposals 1, 2, 3, 1, 2
        CheckExpansion(File("pil_optimised.gif"));  // Pillow's optimize=True

        // Frame 1 restored the background and frame 2 the previous screen for the frame after
        // them: expanding frame 1 takes frames 2 and 3 along, and the animation looks the same.
        Opened anim(dir.Path().string(), imaging, File("pil_anim.gif"));
        const auto before = optimized::CompositeScreens(optimized::SourceOf(anim.table));
        anim.table.entries[1].selected = 1;
        EXPECT_EQ(edit::ExpandSelectedFrames(anim.table).frames, (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(optimized::CompositeScreens(optimized::SourceOf(anim.table)), before);
        // The question before a structural edit: 취소 stops, 그대로 편집 is asked once.
        anim.ui.AnswerTwoChoice(kTwoChoiceCancel);
        anim.ui.AnswerTwoChoice(kTwoChoiceSecond);
        EXPECT_EQ(edit::ConfirmStructuralEdit(anim.table), edit::StructuralAnswer::Cancel);
        EXPECT_EQ(edit::ConfirmStructuralEdit(anim.table), edit::StructuralAnswer::Proceed);
        EXPECT_EQ(edit::ConfirmStructuralEdit(anim.table), edit::StructuralAnswer::Proceed);
        ASSERT_EQ(anim.ui.twoChoices.size(), 2u);
        EXPECT_EQ(anim.ui.twoChoices[0].message, edit::kExpandQuestion);
    }
}

TEST_F(OptimizedSaveOracle, ExpandingPastTwoHundredFiftySixColoursQuantisesAndSaysSo) {
    // A first frame of 256 colours, then a patch whose own table holds 128 entries: the second
    // frame's own colours and those it shows of the first come to 128 + 192.
    std::vector<test::Rgb> first, second;
    for (int i = 0; i < 256; ++i)
        first.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
    for (int i = 0; i < 128; ++i)
        second.push_back({9, static_cast<std::uint8_t>(2 * i), static_cast<std::uint8_t>(i)});
    test::Bytes all(256), patch(64);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 64; ++i)
        patch[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(2 * i);
    test::GifBuilder gif;
    gif.Screen(16, 16).Loop(0);
    gif.Control(1, 10).Image(0, 0, 16, 16, all, false, first, 8);
    gif.Control(1, 10).Image(4, 4, 8, 8, patch, false, second, 8);
    const std::string path = File("many_colours.gif");
    test::WriteBytes(path, gif.Trailer().Get());

    Opened opened(dir.Path().string(), imaging, path);
    ASSERT_TRUE(opened.ok);
    FrameTable& table = opened.table;
    const auto before = optimized::CompositeScreens(optimized::SourceOf(table));
    const edit::ExpansionResult result = edit::ExpandSelectedFrames(table);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.quantised, 1);
    EXPECT_EQ(opened.ui.Messages().size(), 1u) << "said once";
    const auto after = optimized::CompositeScreens(optimized::SourceOf(table));
    EXPECT_EQ(after[0], before[0]) << "the first frame's 256 colours fit";
    // The reduced frame stays close: no channel further than 24 from the original.
    int worst = 0;
    for (std::size_t i = 0; i < after[1].size(); ++i)
        worst = std::max(worst, std::abs(after[1][i] - before[1][i]));
    EXPECT_LE(worst, 24);
}

}  // namespace
}  // namespace vorla
