// Turning files into documents: new documents (a blank frame, or frames collected from many
// files), still images as one-frame animations, and GIF files loaded page by page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorla {

class CAnvoDoc;
class FrameTable;
class UserInterface;
class WorkProgress;
struct LongGifQuestion;
struct LongGifWay;
struct VideoImportResult;

// The files of "모아서 열기" in the order the user chose them, with each one's place in
// byte-wise alphabetical order of its file-name part.
struct CollectRequest {
    std::vector<std::string> paths;
    std::vector<int> ranks;
};

// Rank of every name: the number of other names sorting before it byte by byte, an equal name at
// a higher list position counting as before it. The ranks are a permutation of 0..n-1.
std::vector<int> RankNamesBytewise(const std::vector<std::string>& names);
CollectRequest MakeCollectRequest(std::vector<std::string> paths);

class DocumentLoader {
public:
    // The GIF load shows its progress dialog only for files larger than this many bytes.
    static constexpr std::int64_t kProgressThreshold = 300000;

    DocumentLoader(FrameTable& table, CAnvoDoc& document, UserInterface& ui)
        : table_(table), document_(document), ui_(ui) {}

    // collect: the "모아서 열기" files for a new document, or null. quiet: an Open or a drop
    // runs, so a missing slot does not show its own message. A GIF file only becomes pending
    // (pendingGifLoad); RunDeferredGifLoad does the reading.
    bool LoadDocument(const std::string& path, const CollectRequest* collect, bool quiet);

    // The frames of a video import as a new, untitled document marked imported (Save asks for a
    // name). false: no window slot was free.
    bool LoadImportedFrames(VideoImportResult&& frames);

    enum class GifLoad { Complete, Cancelled, Damaged, Declined };
    // Loads the images of sourceGifPath (up to 300) under the progress dialog. A file longer
    // than a document asks which images to load (UserInterface::AskLongGifWay): the first 300,
    // 300 from a later image, or every k-th composited as the file shows it (LongGifComposer);
    // Declined: the user chose not to open it. Damaged: the file could not be read. The caller
    // closes the window after either. A file with more images than were loaded marks the
    // document partial (CAnvoDoc::partialSourcePath); where nobody could choose, a file longer
    // than a document is also reported once (TruncatedLoadText).
    GifLoad RunDeferredGifLoad();
    static std::string TruncatedLoadText(int images);
    // Said once when an image's data ended early; the document is then partial and damaged.
    static constexpr const char* kCutShortLoadText =
        "파일이 손상되어 읽을 수 있는 부분만 불러왔습니다.";

    // Shortened path for the progress dialog's title.
    static std::string ShortenPath(const std::string& path, std::size_t maxLength = 48);

private:
    void CollectFrames(const CollectRequest& collect);
    // The first pages, one by one from the imaging port's page cache.
    GifLoad LoadPages(const std::string& path, int images, WorkProgress& progress);
    // The chosen images of a longer file, every image read once in order.
    GifLoad LoadChosenImages(const std::string& path, const LongGifQuestion& question,
                             const LongGifWay& way, WorkProgress& progress);
    GifLoad Unfinished();  // reports the program error
    GifLoad Cancelled();

    FrameTable& table_;
    CAnvoDoc& document_;
    UserInterface& ui_;
    bool failureReported_ = false;  // a Damaged outcome was already told (as a program error)
};

}  // namespace vorla
