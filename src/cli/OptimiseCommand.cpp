#include "cli/OptimiseCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ConsoleUserInterface.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/OptimizedSave.h"
#include "core/gif/GifDecoder.h"
#include "core/model/ApplicationState.h"
#include "core/model/ByteStream.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/CommandLine.h"
#include "core/model/FrameTable.h"
#include "core/port/Headless.h"
#include "imaging/MagickImaging.h"

namespace vorla {
namespace {

// The program folder of this run: a fresh folder under the system's temporary folder, removed
// at the end. The editor's own folder will not do: a document's undo file is named by its
// window slot, and a running editor may be using the same slot there.
class WorkFolder {
public:
    WorkFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorla-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
    }
    ~WorkFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    // Ends with '/'; empty when the folder could not be made.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string Kilobytes(std::int64_t bytes) {
    return bytes < 0 ? "만들 수 없음" : std::to_string((bytes + 1023) / 1024) + " KB";
}

// Every way tried with its smallest size, for the message that none fits.
std::string NoFitText(int limitKb, std::int64_t optimised,
                      const std::vector<optimized::FitOption>& ways) {
    std::string text =
        "크기 제한 " + std::to_string(limitKb) +
        " KB 안에 드는 방법이 없어 저장하지 않았습니다. 최적화: " + Kilobytes(optimised);
    for (const optimized::FitOption& way : ways) {
        text += ", " + optimized::FitLabel(way) + ": " + Kilobytes(way.bytes);
    }
    return text;
}

// The bytes of path when it is a GIF file (by its signature, read first so that no other file
// is read whole here), else nothing: any other file, or one that cannot be opened, is left to the
// editor's loader, which says why. A GIF that cannot be read whole, or is larger than the
// decoder takes, gives problem.
std::optional<std::vector<std::uint8_t>> ReadIfGif(const std::string& path, std::string& problem) {
    char signature[3] = {};
    if (!std::ifstream(path, std::ios::binary).read(signature, 3) ||
        std::string_view(signature, 3) != "GIF") {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, GifDecoder::kMaxInputBytes)) {
        problem = "GIF 파일이 너무 크거나 읽을 수 없습니다.";
    }
    return bytes;
}

}  // namespace

int RunOptimiseCommand(const CommandLine& line, const char* argv0) {
    ConsoleUserInterface ui;
    const WorkFolder folder;
    if (folder.Path().empty()) {
        ui.ShowMessage("임시 폴더를 만들 수 없어 저장하지 않았습니다: " +
                       std::filesystem::temp_directory_path().string());
        return kJobFailedStatus;
    }
    MagickImaging::InitializeImaging(argv0);
    MagickImaging imaging;
    ApplicationState app(folder.Path(), ui, 0);
    app.zoomPercent = 100;
    DetachedHost host;
    FrameTable table(app, ui, imaging, host, {}, 0);
    CAnvoDoc document;

    // A GIF is read whole, each image a frame as the editor makes it, so that a recording longer
    // than a document holds is optimised whole; any other file opens as the editor opens it.
    optimized::OwnedAnimation whole;
    GifSourceAnimation source;
    std::string problem;
    if (const std::optional<std::vector<std::uint8_t>> gif = ReadIfGif(line.input, problem)) {
        if (!problem.empty() || !optimized::ReadWholeGif(*gif, whole, problem)) {
            ui.ShowMessage(problem + " 저장하지 않았습니다: " + line.input);
            return kJobFailedStatus;
        }
        source = whole.source;
    } else {
        // The loader has said what went wrong.
        DocumentLoader loader(table, document, ui);
        const bool opened = loader.LoadDocument(line.input, nullptr, false) &&
                            (!table.pendingGifLoad ||
                             loader.RunDeferredGifLoad() == DocumentLoader::GifLoad::Complete);
        if (!opened || table.frameCount == 0) {
            ui.ShowMessage("입력 파일을 열 수 없어 저장하지 않았습니다: " + line.input);
            return kJobFailedStatus;
        }
        // Damaged data: the output would lack what the file holds.
        if (!document.partialSourcePath.empty()) {
            ui.ShowMessage("입력 파일을 모두 읽지 못해 저장하지 않았습니다: " + line.input);
            return kJobFailedStatus;
        }
        source = optimized::SourceOf(table);
    }

    const GifOptimizeOptions asked{line.lossy, !line.keepFrames};
    const std::int64_t limit = line.maxKb > 0 ? std::int64_t{line.maxKb} * 1024 : -1;
    optimized::Report report = optimized::Run(source, ui, line.output, asked, limit);
    std::string way;
    if (report.outcome == optimized::Outcome::TooLarge) {
        std::vector<optimized::FitOption> ways;
        {
            std::unique_ptr<WorkProgress> progress = ui.CreateProgress();
            progress->SetStatusText("줄일 방법을 찾는 중...");
            progress->SetRange(0, 1000);
            progress->Show();
            ways = optimized::PlanFit(
                source, imaging, limit,
                [&](int done, int all) {
                    progress->SetPosition(all > 0 ? static_cast<int>(1000LL * done / all) : 0);
                    return true;
                },
                asked);
        }
        const auto fit = std::find_if(ways.begin(), ways.end(),
                                      [](const optimized::FitOption& w) { return w.fits; });
        if (fit == ways.end()) {
            ui.ShowMessage(NoFitText(line.maxKb, report.bytes, ways));
            return kJobFailedStatus;
        }
        way = optimized::FitLabel(*fit);
        report =
            optimized::Run(optimized::WrittenSource(*fit, source), ui, line.output, fit->options);
    }
    // Run has told why it wrote nothing.
    if (report.outcome != optimized::Outcome::Written) return kJobFailedStatus;
    const std::string note = way.empty() ? std::string() : ", " + way;
    std::printf("저장했습니다: %s (%lld 바이트%s)\n", line.output.c_str(),
                static_cast<long long>(report.bytes), note.c_str());
    return 0;
}

}  // namespace vorla
