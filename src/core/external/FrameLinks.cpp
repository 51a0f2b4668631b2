#include "core/external/FrameLinks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/edit/Saving.h"
#include "core/effects/PaletteOps.h"
#include "core/gif/GifDecoder.h"
#include "core/model/BmpPixels.h"
#include "core/model/ByteStream.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/ProgramLauncher.h"
#include "core/port/UserInterface.h"

namespace vorla::external {
namespace {

// Far above any frame image file, far below an allocation that hurts.
constexpr std::uint64_t kMaxLinkedFileBytes = std::uint64_t{256} << 20;

std::size_t Slot(int frame) {
    return static_cast<std::size_t>(frame);
}

bool IsPlain8Bit(const CDib& image) {
    return !image.IsEmpty() && image.BitCount() == 8 && image.Compression() == 0 &&
           image.ColorCount() > 0;
}

// The file size a BMP's file header states (0 when the writer left it out, as some do).
std::uint64_t DeclaredBmpSize(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 6) return 0;
    return static_cast<std::uint64_t>(bytes[2]) | (static_cast<std::uint64_t>(bytes[3]) << 8) |
           (static_cast<std::uint64_t>(bytes[4]) << 16) |
           (static_cast<std::uint64_t>(bytes[5]) << 24);
}

// Characters a folder name cannot hold, or that would name another folder.
std::string SafeFolderName(const std::string& caption) {
    std::string name;
    for (char c : caption) name += (c == '/' || c == '\0') ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

// A 24- or 32-bit picture at 8 bits: its colours exactly when it has at most 256, else
// quantised.
bool ToEightBits(const CDib& image, Imaging& imaging, CDib& out) {
    CDib reduced;
    if (imaging.ExactPalette(image, reduced) || imaging.Quantize(image, reduced)) {
        if (!IsPlain8Bit(reduced)) return false;
        out = std::move(reduced);
        return true;
    }
    return false;
}

bool DecodeGif(const std::vector<std::uint8_t>& bytes, edit::IncomingImage& out) {
    MemoryStream in{std::span<const std::uint8_t>(bytes)};
    MemoryStream bmp;
    GifDecoder decoder;
    // Data ending early: the file is still being written.
    if (!decoder.Decode(&in, bmp, "i", 0) || decoder.ImageMissing() || decoder.Page().cutShort)
        return false;
    bmp.SeekToBegin();
    CDib image;
    if (!image.Read(bmp) || !IsPlain8Bit(image)) return false;
    out.image = std::move(image);
    out.transparent = decoder.Page().transparent;
    out.transparentIndex = decoder.Page().transparentIndex;
    return true;
}

}  // namespace

std::string WorkFolder(const std::string& programDirectory, const std::string& caption,
                       int documentSerial) {
    return programDirectory + "work/" + SafeFolderName(caption) + " #" +
           std::to_string(documentSerial) + "/";
}

std::string WorkFileName(int frameIndex, const std::string& format) {
    char number[16];
    std::snprintf(number, sizeof number, "[%03d].", frameIndex + 1);
    return number + format;
}

int ClearLinksTo(FrameTable& table, const std::string& path) {
    int cleared = 0;
    std::error_code error;
    const auto wanted = std::filesystem::weakly_canonical(path, error);
    for (int k = 0; k < table.frameCount; ++k) {
        FrameLink& link = table.entries[Slot(k)].link;
        if (link.linkedPath.empty()) continue;
        std::error_code ignored;
        if (link.linkedPath == path ||
            (!error && std::filesystem::weakly_canonical(link.linkedPath, ignored) == wanted)) {
            link.linkedPath.clear();
            StoreSignature(link, FileSignature{});
            ++cleared;
        }
    }
    return cleared;
}

void LinkFrame(FrameTable& table, int frame, const std::string& path) {
    FrameLink& link = table.entries[Slot(frame)].link;
    link.linkedPath = path;
    StoreSignature(link, ReadFileSignature(path));
}

int HandFramesToEditor(FrameTable& table, const EditorSlot& slot, const std::string& workFolder,
                       ProgramLauncher& launcher) {
    UserInterface& ui = table.Ui();
    if (slot.Empty() || !IsExecutableFile(slot.path)) {
        ui.ShowMessage("지정된 외부 프로그램이 없거나 경로가 올바르지 않습니다.");
        return 0;
    }
    std::error_code error;
    std::filesystem::create_directories(workFolder, error);
    if (error) {
        ReportProgramError(ui, "16457", true);
        return 0;
    }
    const std::string format = IsEditorFormat(slot.format) ? slot.format : "bmp";
    int handed = 0;
    for (int k = 0; k < table.frameCount; ++k) {
        if (!table.entries[Slot(k)].selected) continue;
        table.menuFrame = k;
        const std::string path = workFolder + WorkFileName(k, format);
        // Another frame may still be linked to this name from before frames moved: it must not
        // take this frame's picture.
        ClearLinksTo(table, path);
        if (!saving::SaveFrameToFile(table, path)) continue;
        LinkFrame(table, k, path);
        ++handed;
        if (!launcher.Start(slot.path, {path})) {
            // The program does not start: once is enough to say so.
            ui.ShowMessage("지정된 외부 프로그램이 없거나 경로가 올바르지 않습니다.");
            break;
        }
    }
    return handed;
}

ReadResult ReadLinkedImage(const std::string& path, Imaging& imaging, edit::IncomingImage& out,
                           FileSignature& signature) {
    const FileSignature before = ReadFileSignature(path);
    if (!before.exists) return ReadResult::Missing;
    if (before.size <= 0) return ReadResult::NotReady;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxLinkedFileBytes) ||
        static_cast<std::int64_t>(bytes.size()) != before.size)
        return ReadResult::NotReady;
    edit::IncomingImage incoming;
    bool decoded = false;
    if (bytes.size() >= 4 && std::equal(bytes.begin(), bytes.begin() + 4, "GIF8")) {
        decoded = DecodeGif(bytes, incoming);
    } else {
        CDib image;
        const bool isBmp = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
        if (isBmp && image.FromBytes(bytes)) {
            CDib expanded;
            if (image.BitCount() <= 8) {
                decoded = ExpandToIndexed8(image, incoming.image);
            } else if (ExpandToTrueColour(image, expanded)) {
                decoded = ToEightBits(expanded, imaging, incoming.image);
            }
        }
        if (!decoded && isBmp && DeclaredBmpSize(bytes) > bytes.size()) {
            // Shorter than its own header says: still being written. The imaging role might
            // take the half it finds, so it is not asked; the next pass reads the file again.
            return ReadResult::NotReady;
        }
        if (!decoded) {
            // Other formats, and BMP layouts the own reader does not take, are read from the
            // file; the second stat below catches a change.
            CDib loaded;
            decoded = imaging.LoadFile(path, 8, loaded) == ImagingResult::Ok && IsPlain8Bit(loaded);
            if (decoded) incoming.image = std::move(loaded);
        }
    }
    if (!decoded) return ReadResult::NotReady;
    if (!(ReadFileSignature(path) == before)) return ReadResult::NotReady;
    out = std::move(incoming);
    signature = before;
    return ReadResult::Ok;
}

bool ReplaceFrameInPlace(FrameTable& table, int frame, const edit::IncomingImage& incoming) {
    if (frame < 0 || frame >= table.frameCount || !IsPlain8Bit(incoming.image)) return false;
    const std::int32_t width = incoming.image.Width();
    const std::int32_t height = incoming.image.Height();
    if (width < 1 || height < 1 || width > INT16_MAX || height > INT16_MAX) return false;
    if (width > table.settings.screenWidth || height > table.settings.screenHeight) {
        const int w = std::max<int>(table.settings.screenWidth, width);
        const int h = std::max<int>(table.settings.screenHeight, height);
        if (!AskQuestion(table.Ui(),
                         "전체 크기 규격을 " + std::to_string(w) + " x " + std::to_string(h) +
                             "으로 확대해야 합니다. \n\n계속할까요?",
                         "프레임 자동 업데이트"))
            return false;
        table.SetZoom(w, h, false);
    }
    FrameEntry& entry = table.entries[Slot(frame)];
    CDib& image = table.frameImages[Slot(frame)];
    const FrameEntry before = entry;
    image = incoming.image;
    const int colours = std::min(image.ColorCount(), effects::kMaxPaletteEntries);
    entry.width = static_cast<std::int16_t>(width);
    entry.height = static_cast<std::int16_t>(height);
    entry.left = static_cast<std::int16_t>(
        std::clamp<int>(before.left, 0, table.settings.screenWidth - width));
    entry.top = static_cast<std::int16_t>(
        std::clamp<int>(before.top, 0, table.settings.screenHeight - height));
    entry.colorCount = static_cast<std::int16_t>(colours);
    if (incoming.transparent && incoming.transparentIndex >= 0 &&
        incoming.transparentIndex < colours) {
        entry.transparent = 1;
        entry.transparentIndex = static_cast<std::uint8_t>(incoming.transparentIndex);
        table.SetKeyColor(frame);
    } else if (before.transparent) {
        int keyIndex = -1;
        for (int i = 0; i < colours && keyIndex < 0; ++i)
            if (image.PaletteColor(i) == before.keyColor) keyIndex = i;
        if (keyIndex >= 0) {
            // The entry holds the key colour: it gets back the colour it stands for and the key
            // colour is chosen afresh against the new palette.
            entry.transparentIndex = static_cast<std::uint8_t>(keyIndex);
            effects::RecomputeKeyColor(table, frame);
        } else {
            entry.transparent = 0;
            entry.transparentIndex = static_cast<std::uint8_t>(colours - 1);
            effects::MakeTransparent(table, frame);
        }
    } else {
        entry.transparent = 0;
        entry.transparentIndex = static_cast<std::uint8_t>(colours - 1);
    }
    return true;
}

std::string LinkPoller::UnreadableText(const std::string& path) {
    return "연결된 파일을 읽을 수 없습니다. 지원하지 않는 형식이거나 손상된 파일입니다.\n" + path;
}

std::vector<int> LinkPoller::Pass(FrameTable& table) {
    std::vector<int> reloaded;
    for (int k = 0; k < table.frameCount; ++k) {
        FrameLink& link = table.entries[Slot(k)].link;
        if (link.linkedPath.empty()) continue;
        const FileSignature now = ReadFileSignature(link.linkedPath);
        // A file that is gone keeps its link: an editor saving by rename removes it for a
        // moment.
        if (!now.exists || now == LinkedSignature(link)) continue;
        auto declined = declined_.find(link.linkedPath);
        if (declined != declined_.end() && declined->second == now) continue;
        edit::IncomingImage incoming;
        FileSignature read;
        // Not whole yet: the signature stays, so the next pass tries again. A version of the
        // file that stays unreadable for kPassesBeforeReport passes is not being written any
        // more: the user hears of it once.
        if (ReadLinkedImage(link.linkedPath, table.Images(), incoming, read) != ReadResult::Ok) {
            Failing& failing = failing_[link.linkedPath];
            if (!(failing.signature == now)) failing = Failing{now, 0, false};
            if (++failing.passes >= kPassesBeforeReport && !failing.reported) {
                failing.reported = true;
                table.Ui().ShowMessage(UnreadableText(link.linkedPath));
            }
            continue;
        }
        failing_.erase(link.linkedPath);
        if (!ReplaceFrameInPlace(table, k, incoming)) {
            declined_[link.linkedPath] = read;
            continue;
        }
        StoreSignature(table.entries[Slot(k)].link, read);
        declined_.erase(table.entries[Slot(k)].link.linkedPath);
        table.RebuildDisplayImages(k, true, true, false);
        reloaded.push_back(k);
    }
    if (!reloaded.empty()) {
        table.Host().MarkModified();
        table.Host().RecordSnapshot();
        table.Host().Invalidate();
    }
    return reloaded;
}

LinkOutcome LinkFrameByHand(FrameTable& table, int frame,
                            const std::function<std::string(const std::string& title,
                                                            const std::string& proposed)>& askPath,
                            const std::vector<std::uint8_t>& blankTemplate) {
    if (frame < 0 || frame >= table.frameCount) return LinkOutcome::Failed;
    UserInterface& ui = table.Ui();
    FrameLink& link = table.entries[Slot(frame)].link;
    if (!link.linkedPath.empty()) {
        ChoiceRequest request;
        request.title = "프레임 자동 업데이트";
        request.message = "원하는 작업을 선택하세요. 현재 프레임과 연결된 파일:\n\n" +
                          ShortenPath(link.linkedPath);
        request.options = {"연결 해제", "", "경로 다시 지정", ""};
        request.hideMask = "OXOX";
        request.disableMask = "OXOX";
        request.preselected = 0;
        const ChoiceAnswer answer = ui.Choose(request, true);
        if (!answer.accepted) return LinkOutcome::Cancelled;
        if (answer.chosen == 0) {
            link.linkedPath.clear();
            StoreSignature(link, FileSignature{});
            table.Host().Invalidate();
            ui.ShowNotice("프레임 자동 업데이트 옵션이 해제되었습니다.", 1000, 1);
            return LinkOutcome::Unlinked;
        }
    }
    char proposed[16];
    std::snprintf(proposed, sizeof proposed, "%03d.BMP", frame + 1);
    const std::string path = askPath("이 프레임과 연결될 외부 파일을 지정하세요.", proposed);
    if (path.empty()) return LinkOutcome::Cancelled;
    if (!ReadFileSignature(path).exists) {
        if (!AskQuestion(ui, path + "는 존재하지 않습니다.\n\n새로 만들겠습니까?",
                         "프레임 자동 업데이트", "*nothing", true))
            return LinkOutcome::Cancelled;
        if (!WriteFileAtomically(path, blankTemplate)) return LinkOutcome::Failed;
        // The new file is only made: the frame follows no file (not the one it followed before).
        if (!link.linkedPath.empty()) {
            link.linkedPath.clear();
            StoreSignature(link, FileSignature{});
            table.Host().Invalidate();
        }
        return LinkOutcome::CreatedFile;
    }
    edit::IncomingImage incoming;
    FileSignature read;
    if (ReadLinkedImage(path, table.Images(), incoming, read) != ReadResult::Ok ||
        !ReplaceFrameInPlace(table, frame, incoming)) {
        // Linked all the same: the file is watched and read once it is complete.
        table.entries[Slot(frame)].link.linkedPath = path;
        StoreSignature(table.entries[Slot(frame)].link, FileSignature{});
        return LinkOutcome::Linked;
    }
    table.entries[Slot(frame)].link.linkedPath = path;
    StoreSignature(table.entries[Slot(frame)].link, read);
    table.RebuildDisplayImages(frame, false, false, false);
    table.Host().Invalidate();
    return LinkOutcome::Linked;
}

}  // namespace vorla::external
