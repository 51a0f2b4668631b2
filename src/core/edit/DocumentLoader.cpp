#include "core/edit/DocumentLoader.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <optional>

#include "core/edit/LongGifComposer.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"
#include "core/port/WorkProgress.h"
#include "core/video/VideoImport.h"

namespace vorla {
namespace {

std::string FileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

bool StartsWithGif8(const std::string& path) {
    FileStream file;
    char magic[4] = {};
    return file.Open(path, FileStream::Mode::Read) && file.Read(magic, 4) == 4 &&
           std::memcmp(magic, "GIF8", 4) == 0;
}

}  // namespace

std::vector<int> RankNamesBytewise(const std::vector<std::string>& names) {
    std::vector<int> ranks(names.size());
    // Sorting indices by (bytes, position) gives every name its rank in O(n log n).
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::lexicographical_compare(
            names[a].begin(), names[a].end(), names[b].begin(), names[b].end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    });
    // An equal name at a higher list position counts as before it: among equals the later one
    // ranks first, so reverse each run of equal names.
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i + 1;
        while (j < order.size() && names[order[j]] == names[order[i]]) ++j;
        std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                     order.begin() + static_cast<std::ptrdiff_t>(j));
        i = j;
    }
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        ranks[order[rank]] = static_cast<int>(rank);
    return ranks;
}

CollectRequest MakeCollectRequest(std::vector<std::string> paths) {
    std::vector<std::string> names;
    names.reserve(paths.size());
    for (const std::string& path : paths) names.push_back(FileNamePart(path));
    CollectRequest request;
    request.ranks = RankNamesBytewise(names);
    request.paths = std::move(paths);
    return request;
}

std::string DocumentLoader::ShortenPath(const std::string& path, std::size_t maxLength) {
    if (path.size() <= maxLength) return path;
    // Keep the file name whole and as much of the folder's start as fits, cut at a UTF-8
    // character boundary.
    std::string name = FileNamePart(path);
    if (name.size() + 4 >= maxLength) return ".../" + name;
    std::size_t keep = maxLength - name.size() - 4;
    while (keep > 0 && (static_cast<unsigned char>(path[keep]) & 0xC0) == 0x80) --keep;
    return path.substr(0, keep) + ".../" + name;
}

bool DocumentLoader::LoadDocument(const std::string& path, const CollectRequest* collect,
                                  bool quiet) {
    ApplicationState& app = table_.App();
    app.loadStartMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    if (table_.documentSlot == -1) {
        if (!quiet) ui_.ShowMessage("더 이상의 창을 열 수 없습니다.");
        return false;
    }
    document_.sourcePath = path;
    if (path == CAnvoDoc::kUntitledPath) {
        if (collect) {
            CollectFrames(*collect);
        } else {
            table_.AddFrameFromSource(static_cast<int>(FrameTable::SourceKind::Blank), "*default",
                                      0);
        }
        return true;
    }
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        ui_.ShowMessage(FileNamePart(path) + "를 찾을 수 없습니다.");
        return false;
    }
    if (std::filesystem::is_directory(status)) return false;
    if (StartsWithGif8(path)) {
        table_.sourceGifPath = path;
        table_.pendingGifLoad = true;
        return true;
    }
    if (table_.AddFrameFromSource(static_cast<int>(FrameTable::SourceKind::StillImage), path, 0) !=
        FrameTable::kAddDone) {
        return false;
    }
    table_.RebuildDisplayImages(-1, true, true, false);
    return true;
}

bool DocumentLoader::LoadImportedFrames(VideoImportResult&& frames) {
    if (table_.documentSlot == -1) {
        ui_.ShowMessage("더 이상의 창을 열 수 없습니다.");
        return false;
    }
    document_.sourcePath = CAnvoDoc::kUntitledPath;
    for (std::size_t i = 0; i < frames.frames.size(); ++i) {
        CDib& image = frames.frames[i];
        GifPageInfo page;
        page.screenWidth = page.width = image.Width();
        page.screenHeight = page.height = image.Height();
        page.delay = frames.delays[i];
        page.colorCount = image.ColorCount();
        page.controlByte = 1 << 2;  // disposal 1: each full picture stays until the next
        page.loopBlock = true;
        if (table_.AddDecodedFrame(std::move(image), page) != FrameTable::kAddDone) break;
    }
    frames.frames.clear();
    table_.Host().MarkImported();
    // The zoom a new document gets, as for a file opened (not the last one saved in settings),
    // before the display images are made at it.
    table_.ZoomStep();
    table_.RebuildDisplayImages(-1, true, true, false);
    return table_.frameCount > 0;
}

void DocumentLoader::CollectFrames(const CollectRequest& collect) {
    table_.busy = true;
    table_.loadingScreen = true;
    table_.loadedCutShortPage = false;
    const int count = static_cast<int>(collect.paths.size());
    // File of each alphabetical place.
    std::vector<int> fileAt(collect.paths.size(), 0);
    for (int i = 0; i < count; ++i) {
        int rank = collect.ranks[static_cast<std::size_t>(i)];
        if (rank >= 0 && rank < count) fileAt[static_cast<std::size_t>(rank)] = i;
    }
    std::unique_ptr<WorkProgress> progress = ui_.CreateProgress();
    progress->SetRange(0, count);
    progress->SetStatusText("파일이름 알파벳순으로 프레임 모으는중..");
    progress->Show();
    for (int i = 0; i < count; ++i) {
        const std::string& path =
            collect.paths[static_cast<std::size_t>(fileAt[static_cast<std::size_t>(i)])];
        progress->SetTitle(FileNamePart(path));
        progress->SetPosition(i);
        // A program that is quitting counts as Cancel.
        if (!ui_.PumpMessages() || progress->Cancelled()) break;
        if (table_.AddFrameFromSource(static_cast<int>(FrameTable::SourceKind::AnyFile), path, 0) ==
            FrameTable::kAddTableFull) {
            break;
        }
    }
    progress.reset();
    table_.busy = false;
    table_.loadingScreen = false;
    table_.RebuildDisplayImages(-1, true, true, false);
    auto [width, height] = table_.ScreenExtent();
    table_.settings.screenWidth = width;
    table_.settings.screenHeight = height;
    table_.SetZoom(-1, -1, false);
}

DocumentLoader::GifLoad DocumentLoader::RunDeferredGifLoad() {
    const std::string path = table_.sourceGifPath;
    table_.settings.screenWidth = 0;
    table_.settings.screenHeight = 0;
    table_.busy = true;
    table_.loadingScreen = true;

    std::error_code error;
    auto size = static_cast<std::int64_t>(std::filesystem::file_size(path, error));
    if (error) size = 0;
    // The images the file really holds (not its graphic-control blocks); a document takes a
    // full table of them at most.
    const int images = table_.Images().GifPageCount(path);
    const LongGifQuestion question{images, FrameTable::kMaxFrames};
    // A longer file: the user picks which images. A user interface without that choice keeps
    // the first ones and is told so afterwards.
    std::optional<LongGifWay> way;
    if (images > FrameTable::kMaxFrames) {
        way = ui_.AskLongGifWay(question);
        if (way && way->kind == LongGifWay::Kind::Cancel) {
            table_.Images().ReleaseGifPages();
            table_.busy = false;
            table_.loadingScreen = false;
            return GifLoad::Declined;
        }
    }
    const bool composed = way && way->kind != LongGifWay::Kind::First;

    std::unique_ptr<WorkProgress> progress = ui_.CreateProgress();
    progress->SetStatusText("로드중입니다. 기다려 주십시오..");
    progress->SetTitle(ShortenPath(path));
    // A composed load reads every image it needs: a progress dialog is worth showing at once.
    if (size > kProgressThreshold || composed) progress->Show();
    const GifLoad outcome = composed ? LoadChosenImages(path, question, *way, *progress)
                                     : LoadPages(path, images, *progress);
    progress.reset();
    // Whatever the outcome, no page of the file is read again.
    table_.Images().ReleaseGifPages();
    if (outcome == GifLoad::Damaged && !failureReported_) {
        ShowInfoBox(ui_, "손상된 GIF파일입니다.", FileNamePart(path));
    }
    if (outcome != GifLoad::Damaged) {
        table_.FinishLoadedDisplayImages(table_.firstBatchPending);
        table_.SetZoom(-1, -1, false);
        table_.firstBatchPending = false;
        // Fewer frames than images, or an image whose data ended early: saving over the file
        // would lose what was not read.
        if (table_.frameCount < images || table_.loadedCutShortPage) {
            document_.partialSourcePath = path;
            document_.partialSourceImages = images;
            document_.partialLoadedImages = table_.frameCount;
            document_.partialDamaged = table_.loadedCutShortPage;
        }
    }
    table_.busy = false;
    table_.loadingScreen = false;
    // Said once, after the frames are in place; a cancelled load stopped where the user wanted,
    // and a user who chose the images knows what was loaded.
    if (outcome == GifLoad::Complete && images > FrameTable::kMaxFrames && !way) {
        ShowInfoBox(ui_, TruncatedLoadText(images), FileNamePart(path));
    }
    if (outcome != GifLoad::Damaged && table_.loadedCutShortPage) {
        ShowInfoBox(ui_, kCutShortLoadText, FileNamePart(path));
    }
    table_.loadedCutShortPage = false;
    return outcome;
}

DocumentLoader::GifLoad DocumentLoader::LoadPages(const std::string& path, int images,
                                                  WorkProgress& progress) {
    const int pages = std::min(images, FrameTable::kMaxFrames);
    progress.SetRange(0, pages);
    for (int i = 0;; ++i) {
        int result = pages > 0 ? table_.AddFrameFromSource(
                                     static_cast<int>(FrameTable::SourceKind::GifPage), path, i)
                               : FrameTable::kAddFailed;
        progress.SetPosition(i + 1);
        const bool running = ui_.PumpMessages();
        if (result == FrameTable::kAddFailed) return GifLoad::Damaged;
        if (!running || progress.Cancelled()) return Cancelled();
        if (result == FrameTable::kAddTableFull || i >= pages - 1) return GifLoad::Complete;
    }
}

DocumentLoader::GifLoad DocumentLoader::LoadChosenImages(const std::string& path,
                                                         const LongGifQuestion& question,
                                                         const LongGifWay& way,
                                                         WorkProgress& progress) {
    // The pages the count decoded are not the ones this load keeps.
    table_.Images().ReleaseGifPages();
    const LongGifWay clamped = question.Clamped(way);
    const int needed = clamped.kind == LongGifWay::Kind::From
                           ? std::min(question.images, clamped.start - 1 + question.limit)
                           : question.images;
    progress.SetRange(0, needed);
    LongGifComposer composer(question, clamped, table_.Images());
    std::vector<LongGifComposer::Frame> ready;
    bool failed = false;
    bool stopped = false;
    int scanned = 0;
    const auto addReady = [&] {
        for (LongGifComposer::Frame& frame : ready) {
            failed = failed || table_.AddLoadedGifPage(std::move(frame.image), frame.info) !=
                                   FrameTable::kAddDone;
        }
        ready.clear();
        return !failed;
    };
    const ImagingResult scan =
        table_.Images().ScanGifImages(path, [&](const GifPageInfo& info, CDib&& image) {
            if (!composer.Add(info, std::move(image), ready) || !addReady()) {
                failed = true;
                return false;
            }
            progress.SetPosition(++scanned);
            stopped = !ui_.PumpMessages() || progress.Cancelled();
            return !stopped && !composer.Done();
        });
    table_.loadedCutShortPage = table_.loadedCutShortPage || composer.CutShort();
    if (failed) return Unfinished();
    if (scan != ImagingResult::Ok) return GifLoad::Damaged;
    // The frames so far stay when the user stopped the load, the open one with them.
    if (!composer.Finish(ready) || !addReady()) return Unfinished();
    return stopped ? Cancelled() : GifLoad::Complete;
}

DocumentLoader::GifLoad DocumentLoader::Unfinished() {
    // Not the file's fault: a frame could not be made (its colours could not be reduced).
    ReportProgramError(ui_, "61403", false);
    failureReported_ = true;
    return GifLoad::Damaged;
}

DocumentLoader::GifLoad DocumentLoader::Cancelled() {
    // A program that is quitting counts as Cancel: the frames so far stay.
    table_.App().openContinue = false;
    ui_.PumpMessages();
    return GifLoad::Cancelled;
}

std::string DocumentLoader::TruncatedLoadText(int images) {
    const std::string limit = std::to_string(FrameTable::kMaxFrames);
    return "이 파일에는 이미지가 " + std::to_string(images) + "개 있습니다. 한 문서에는 " + limit +
           "개까지만 담을 수 있어 처음 " + limit + "개만 불러왔습니다.";
}

}  // namespace vorla
