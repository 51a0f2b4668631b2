// Writing documents and frames: the GIF save with its failure rules, the short size text of the
// size preview, the default names of the save dialogs, single frames in other formats and the
// browser preview files.
#pragma once

#include <cstdint>
#include <string>

namespace vorla {

class CAnvoDoc;
class FrameTable;
class GifEncoder;
class UserInterface;

namespace saving {

// "950", "1.5K", "1.00M", "1.00G": bytes below 1024 in full, then one decimal for K and two
// for M and G, truncated.
std::string ShortSize(std::int64_t bytes);
// label + ": " + short size (+ "(" exact ")" when the short size has a unit) + " bytes". With
// a second size (>= 0) its line comes first, followed by " bytes\n\n". "*default" labels read
// "저장시 파일 크기".
std::string SizeText(const std::string& label, std::int64_t size,
                     const std::string& secondLabel = "", std::int64_t secondSize = -1);

// The name a save dialog proposes: the document's title for a new document, else the file name
// of its path with the part from its last '.' replaced by ".gif".
std::string DefaultGifName(const CAnvoDoc& document);
// "clip.gif", frame index 2 -> "clip[003].bmp".
std::string FrameFileName(const std::string& caption, int frameIndex);

// Whether a save to path may go ahead. When the document holds only part of the file it was
// opened from (CAnvoDoc::IsPartial) and path is that file, the user is told how many images the
// file would lose and chooses; any other save goes ahead without a question.
enum class OverwriteChoice { Write, OtherName, Cancel };
OverwriteChoice ConfirmOverwrite(UserInterface& ui, const CAnvoDoc& document,
                                 const std::string& path);
std::string PartialOverwriteText(const CAnvoDoc& document);

// Writes the whole animation to path through a temporary file beside it, renamed over path only
// after everything was written and flushed: a failure leaves an existing file as it was. On
// success the document keeps the full path and is no longer modified; written over the file it
// was partly loaded from, it is no longer partial.
bool SaveDocument(FrameTable& table, CAnvoDoc& document, GifEncoder& encoder,
                  const std::string& path);

// The byte count a save would write now ("저장 파일 크기 보기"); -1 when it cannot be made.
std::int64_t MeasureSave(FrameTable& table, GifEncoder& encoder);

// Frame table.menuFrame to path in the format of the path's extension (bmp, gif, psd, ico, png,
// pcx, tga). Reports "55234" for an invalid frame and "13214" for another extension.
bool SaveFrameToFile(FrameTable& table, const std::string& path);
// Frame table.menuFrame to the name chosen in the frame save dialog: in the format its
// extension names (as SaveFrameToFile), as a BMP for any other name.
bool SaveChosenFrameFile(FrameTable& table, const std::string& path);

inline constexpr const char* kPreviewGifName = "Tarnwick.gif";
inline constexpr const char* kPreviewPageName = "Tarnwick.html";
// Removes the preview's two files: they live only while the program runs.
void RemoveBrowserPreview(const std::string& programDirectory);

// The browser preview: "Tarnwick.gif" and the one-line "Tarnwick.html" in programDirectory;
// returns the page's path ("" when the files could not be written). The modified flag stays.
std::string WriteBrowserPreview(FrameTable& table, CAnvoDoc& document, GifEncoder& encoder,
                                const std::string& programDirectory);

}  // namespace saving
}  // namespace vorla
