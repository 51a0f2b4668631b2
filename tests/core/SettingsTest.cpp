#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "core/model/ApplicationState.h"
#include "core/model/FileFilters.h"
#include "core/model/IniFile.h"
#include "core/model/ProgramDirectory.h"
#include "core/model/Settings.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla {
namespace {

using test::ReadText;
using test::ScriptedUserInterface;
using test::TempDir;

TEST(Settings, AbsentKeyReadsZeroAndIsWrittenBack) {
    TempDir dir;
    ScriptedUserInterface ui;
    const std::string ini = dir.File("usanre.ini");
    EXPECT_EQ(ReadSetting(ui, ini, "editor2"), "0");
    EXPECT_EQ(ReadText(ini), "[general]\neditor2=0\n");
    EXPECT_TRUE(ui.Log().empty()) << "have message \"" << ui.LastMessage() << "\", want none";
}

TEST(Settings, UncreatableFileReportsError23164AndReadsFail) {
    TempDir dir;
    ScriptedUserInterface ui;
    const std::string ini = dir.File("no-such-folder/gnanre.ini");
    EXPECT_EQ(ReadSetting(ui, ini, "lookratio"), "*fail");
    EXPECT_EQ(ReadIntSetting(ui, ini, "lookratio"), 0);
    EXPECT_FALSE(WriteSetting(ui, ini, "lookratio", "5"));
    ASSERT_EQ(ui.Messages().size(), 3u);
    for (const std::string& text : ui.Messages()) EXPECT_EQ(text, "프로그램 오류 (23164)");
}

TEST(Settings, IntegersFollowTheStringToIntegerRule) {
    EXPECT_EQ(TextToInt("42"), 42);
    EXPECT_EQ(TextToInt("  -17px"), -17);
    EXPECT_EQ(TextToInt("*fail"), 0);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(TextToInt("-99999999999999999999"), -2147483647 - 1);

    TempDir dir;
    ScriptedUserInterface ui;
    const std::string ini = dir.File("gnanre.ini");
    ASSERT_TRUE(WriteIntSetting(ui, ini, "initialframeEffectkind", -3));
    EXPECT_EQ(ReadIntSetting(ui, ini, "INITIALFRAMEEFFECTKIND"), -3);
}

TEST(ApplicationState, StartZoomIsClampedAndWrittenBack) {
    for (const auto& [stored, want] : {std::pair{"0", 5}, {"3", 5}, {"250", 100}, {"x", 5}}) {
        TempDir dir;
        ScriptedUserInterface ui;
        ApplicationState state(dir.Path().string() + "/", ui, 1290);
        ASSERT_TRUE(WriteSetting(ui, state.GeneralIni(), "lookratio", stored));
        state.LoadZoom();
        EXPECT_EQ(state.zoomPercent, want) << "stored " << stored;
        EXPECT_EQ(ReadSetting(ui, state.GeneralIni(), "lookratio"), std::to_string(want))
            << "stored " << stored;
    }
}

TEST(ApplicationState, ZoomIsRewrittenOnlyWhenItChanges) {
    TempDir dir;
    ScriptedUserInterface ui;
    ApplicationState state(dir.Path().string() + "/", ui, 1290);
    EXPECT_EQ(state.wideImageThreshold, 430);
    state.LoadZoom();  // absent key: reads 0, clamps to 5, writes 5
    ASSERT_EQ(ReadSetting(ui, state.GeneralIni(), "lookratio"), "5");

    // Someone else changes the file; an unchanged zoom must not overwrite it.
    ASSERT_TRUE(WriteSetting(ui, state.GeneralIni(), "lookratio", "77"));
    state.ClampZoom();
    EXPECT_EQ(ReadSetting(ui, state.GeneralIni(), "lookratio"), "77");

    state.zoomPercent = 60;
    state.ClampZoom();
    EXPECT_EQ(ReadSetting(ui, state.GeneralIni(), "lookratio"), "60");
}

TEST(ApplicationState, FiltersAreExactAndConvertForTheFileDialog) {
    ScriptedUserInterface ui;
    ApplicationState state("/nonexistent/", ui, 0);
    const std::string all =
        "지원되는 모든 이미지 형식|*avi;*.AVI;*.bmp;*.BMP;*.cur;*.CUR;*.tif;*.TIF;*.ico;*.ICO;"
        "*.jpg;*.JPG;*.pcx;*.PCX;*.pcx;*.PCX,*.png;*.PNG;*.psd;*.PSD;*.tga;*.TGA|";
    EXPECT_EQ(state.allImagesFilter, all);
    EXPECT_EQ(state.gifFilter, "GIF 파일(*.gif)|*.gif;*.GIF|");
    EXPECT_EQ(state.allImagesWithGifFilter, all.substr(0, all.size() - 1) + "*.gif;*.GIF|");
    EXPECT_EQ(state.perFormatFilter,
              "BMP 파일(*.bmp)|*.bmp;*.BMP|AVI 파일(*.avi)|*.avi;*.AVI|CUR 파일(*.cur)|*.cur;"
              "*.CUR|ICO 파일(*.ico)|*.ico;*.ICO|JPEG 파일(*.jpg)|*.jpg;*.JPG|PCX 파일(*.pcx)|"
              "*.pcx;*.PCX|PNG 파일(*.png)|*.png;*.PNG|PSD 파일(*.psd)|*.psd;*.PSD|TGA 파일"
              "(*.tga)|*.tga;*.TGA|TIFF 파일(*.tif)|*.tif;*.TIF|모든 파일(*.*)|*.*||");

    const auto open = FilterStringToQtFilters(state.allImagesWithGifFilter + state.gifFilter +
                                              state.perFormatFilter);
    ASSERT_EQ(open.size(), 13u);
    // The comma separates too, the run-together "*.TGA*.gif" stays one pattern, and GIF files
    // are still found through "*.GIF" (the dialog matches without regard to case).
    EXPECT_EQ(open[0],
              "지원되는 모든 이미지 형식 (*avi *.AVI *.bmp *.BMP *.cur *.CUR *.tif *.TIF *.ico "
              "*.ICO *.jpg *.JPG *.pcx *.PCX *.pcx *.PCX *.png *.PNG *.psd *.PSD *.tga "
              "*.TGA*.gif *.GIF)");
    EXPECT_EQ(open[1], "GIF 파일(*.gif) (*.gif *.GIF)");
    EXPECT_EQ(open[12], "모든 파일(*.*) (*.*)");
}

TEST(IniFile, WriteChangesOneLineAndKeepsTheRest) {
    TempDir dir;
    const std::string ini = dir.File("gnanre.ini");
    const std::string original =
        "; kept comment\r\n[General]\r\nLookRatio = \"40\"\r\nusecountSinceinstallation=12\r\n"
        "\r\n[other]\r\nlookratio=99\r\nloose line\r\n";
    { std::ofstream(ini, std::ios::binary) << original; }

    EXPECT_EQ(ReadPrivateProfileString("GENERAL", "lookratio", "*not found", ini), "40");
    EXPECT_EQ(ReadPrivateProfileString("other", "LOOKRATIO", "*not found", ini), "99");
    EXPECT_EQ(ReadPrivateProfileString("general", "absent", "*not found", ini), "*not found");

    ASSERT_TRUE(WritePrivateProfileString("general", "lookratio", "50", ini));
    ASSERT_TRUE(WritePrivateProfileString("general", "urgentfileToopen", "/tmp/가 나.gif", ini));
    ASSERT_TRUE(WritePrivateProfileString("third", "k", "v", ini));
    EXPECT_EQ(ReadText(ini),
              "; kept comment\n[General]\nlookratio=50\nusecountSinceinstallation=12\n"
              "urgentfileToopen=/tmp/가 나.gif\n\n[other]\nlookratio=99\nloose line\n\n"
              "[third]\nk=v\n");
    // The temporary file of the atomic write is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFile, HostileContentIsBoundedAndNeverMisread) {
    // A huge value comes back cut to 999 bytes, never inside a multi-byte character.
    std::string hangul;
    for (int i = 0; i < 400; ++i) hangul += "가";  // 3 bytes each
    IniFile file = IniFile::Parse("[general]\nkey=" + hangul + "\n");
    ASSERT_TRUE(file.Value("general", "key"));
    EXPECT_EQ(file.Value("general", "key")->size(), 999u);

    using namespace std::string_literals;
    file = IniFile::Parse("[general]\0\xff\x80=\x01\nkey=ok\n[\n=\n]]]\n"s);
    EXPECT_EQ(file.Value("general", "key").value_or("absent"), "ok");

    // A write whose line could not be read back as the same entry is refused.
    EXPECT_FALSE(file.Set("general", "key", "a\nlookratio=1"));
    EXPECT_FALSE(file.Set("general", "a=b", "1"));
    EXPECT_FALSE(file.Set("general", "  ", "1"));
    EXPECT_FALSE(file.Value("general", "lookratio"));

    // A file far larger than any profile is not read, and not rewritten either.
    TempDir dir;
    const std::string big = dir.File("big.ini");
    test::WriteBytes(big, std::vector<std::uint8_t>(IniFile::kMaxFileSize + 1, 'a'));
    EXPECT_EQ(ReadPrivateProfileString("general", "a", "dflt", big), "dflt");
    EXPECT_FALSE(WritePrivateProfileString("general", "a", "1", big));
    EXPECT_EQ(std::filesystem::file_size(big), IniFile::kMaxFileSize + 1);
}

TEST(Settings, WaitForFileAccessWaitsWhileAnotherHolderLocksTheFile) {
    TempDir dir;
    const std::string path = dir.File("frame.gif");
    EXPECT_FALSE(WaitForFileAccess(path, 2, std::chrono::milliseconds(1))) << "absent file";
    test::WriteBytes(path, {'G', 'I', 'F'});
    EXPECT_TRUE(WaitForFileAccess(path, 0));

    const int holder = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(WaitForFileAccess(path, 3, std::chrono::milliseconds(1)));
    ::close(holder);
    EXPECT_TRUE(WaitForFileAccess(path, 0));
}

TEST(ProgramDirectory, HomeOverridesThenPortableProgramFolderThenPerUserFolder) {
    TempDir dir;
    const std::string exe = dir.Path().string();
    const std::string home = dir.File("home");
    EXPECT_EQ(ProgramDirectory::Resolve(exe, {dir.File("vh"), "", home}), dir.File("vh") + "/");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("vh")));
    // A writable program folder alone is not enough: only a portable copy keeps its files there.
    EXPECT_EQ(ProgramDirectory::Resolve(exe, {"", "", home}), home + "/.local/share/vorla/");
    test::WriteBytes(dir.File(ProgramDirectory::kPortableMarker), {});
    EXPECT_EQ(ProgramDirectory::Resolve(exe, {"", "", home}), exe + "/");

    const std::string missing = dir.File("not-there");
    EXPECT_EQ(ProgramDirectory::Resolve(missing, {"", "", home}), home + "/.local/share/vorla/");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/.local/share/vorla"));
    EXPECT_EQ(ProgramDirectory::Resolve(missing, {"", dir.File("xdg"), home}),
              dir.File("xdg") + "/vorla/");
    EXPECT_EQ(ProgramDirectory::Resolve(missing, {"", "relative", ""}), "");

    EXPECT_EQ(ProgramDirectory::DirectoryPart("/usr/bin/vorla"), "/usr/bin/");
    EXPECT_EQ(ProgramDirectory::FileNamePart("/usr/bin/vorla"), "vorla");
}

TEST(ProgramDirectory, AssetsAreFoundBesideTheProgramThenInTheShareFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::create_directories(dir.File("share/vorla"));
    test::WriteBytes(dir.File("share/vorla/dfnwim.dxt"), {1});
    EXPECT_EQ(ProgramDirectory::FindAsset(dir.File("bin"), "dfnwim.dxt"),
              dir.File("share/vorla/dfnwim.dxt"));
    test::WriteBytes(dir.File("bin/dfnwim.dxt"), {1});
    EXPECT_EQ(ProgramDirectory::FindAsset(dir.File("bin"), "dfnwim.dxt"),
              dir.File("bin/dfnwim.dxt"));
    EXPECT_EQ(ProgramDirectory::FindAsset(dir.File("bin"), "vorla.chm"), dir.File("bin/vorla.chm"));
}

}  // namespace
}  // namespace vorla
