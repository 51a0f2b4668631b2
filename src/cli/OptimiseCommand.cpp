#include "cli/OptimiseCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/ConsoleUserInterface.h"
#include "core/edit/DocumentLoader.h"
#include "core/edit/OptimizedSave.h"
#include "core/model/ApplicationState.h"
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

    // Opened as the editor opens a file; the loader has said what went wrong.
    DocumentLoader loader(table, document, ui);
    const bool opened =
        loader.LoadDocument(line.input, nullptr, false) &&
        (!table.pendingGifLoad || loader.RunDeferredGifLoad() == DocumentLoader::GifLoad::Complete);
    if (!opened || table.frameCount == 0) {
        ui.ShowMessage("입력 파일을 열 수 없어 저장하지 않았습니다: " + line.input);
        return kJobFailedStatus;
    }
    // Too many images for one document, or damaged data: the output would lack frames.
    if (!document.partialSourcePath.empty()) {
        ui.ShowMessage("입력 파일을 모두 읽지 못해 저장하지 않았습니다: " + line.input);
        return kJobFailedStatus;
    }

    const GifSourceAnimation source = optimized::SourceOf(table);
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
