#include "core/model/FrameTable.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "core/gif/GifDecoder.h"
#include "core/model/DibScale.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla {
namespace {

// A random 12-character name: each character a decimal digit or a capital letter, equally likely.
std::string RandomExchangeName() {
    std::random_device device;
    std::mt19937 random(device());
    std::string name;
    for (int i = 0; i < 12; ++i) {
        if (random() % 2) {
            name += static_cast<char>('0' + random() % 10);
        } else {
            name += static_cast<char>('A' + random() % 26);
        }
    }
    return name;
}

std::string FileNamePart(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

FrameTable::FrameTable(ApplicationState& app, UserInterface& ui, Imaging& imaging,
                       FrameTableHost& host, std::vector<std::uint8_t> blankTemplate, int slot)
    : documentSlot(slot),
      app_(app),
      ui_(ui),
      imaging_(imaging),
      host_(host),
      blankTemplate_(std::move(blankTemplate)) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", documentSlot);
    snapshotFilePath = app_.ProgramFile(std::string("udar") + number + ".tmp");
    exchangeBitmapPath =
        (std::filesystem::temp_directory_path() / (RandomExchangeName() + ".BMP")).string();
}

FrameTable::~FrameTable() {
    std::error_code ignored;
    std::filesystem::remove(snapshotFilePath, ignored);
    std::filesystem::remove(exchangeBitmapPath, ignored);
}

bool FrameTable::ReadIntoNewSlot(CDib& image) {
    // Frames are 8-bit palette images; anything else cannot enter the table.
    if (image.IsEmpty() || image.BitCount() != 8 || image.Compression() != 0) return false;
    frameImages[static_cast<std::size_t>(frameCount)] = std::move(image);
    return true;
}

void FrameTable::FinishNewFrame() {
    FrameEntry& entry = entries[static_cast<std::size_t>(frameCount)];
    entry.selected = 0;
    entry.gapSelected = 0;
    gapAfterLastSelected = false;
    SetKeyColor(frameCount);
    ++frameCount;
}

int FrameTable::AddDecodedFrame(CDib&& image, const GifPageInfo& info) {
    if (frameCount > kMaxFrames - 1) return kAddTableFull;
    const bool isFirst = frameCount == 0;
    if (!ReadIntoNewSlot(image)) return kAddFailed;
    EntryFromDecoder(isFirst, info);
    FinishNewFrame();
    return kAddDone;
}

int FrameTable::AddLoadedGifPage(CDib&& image, const GifPageInfo& info) {
    if (frameCount > kMaxFrames - 1) return kAddTableFull;
    const bool isFirst = frameCount == 0;
    if (!ReadIntoNewSlot(image)) return kAddFailed;
    if (isFirst) displayedUpTo_ = 0;
    EntryFromDecoder(isFirst, info);
    loadedCutShortPage = loadedCutShortPage || info.cutShort;
    // A document opened from a GIF file plays as that file does: endlessly only with a looping
    // block. Its loop count is not kept; any count plays forever here.
    if (isFirst) settings.loopForever = info.loopBlock;
    FinishNewFrame();
    if (isFirst) firstBatchPending = true;
    // Display images catch up in batches while a GIF loads (at 1, 6, 11, ... frames). Only the
    // frames added since the last batch are scaled, so a whole load stays linear in frames.
    if (frameCount % 5 == 1) {
        int from = std::min(displayedUpTo_, frameCount - 1);
        int saveSuspend = rebuildSuspend;
        if (displayedZoom_ != zoomFactor) from = 0;
        for (int k = from; k < frameCount; ++k) RebuildDisplayImages(k, true, true, false);
        rebuildSuspend = saveSuspend;
        displayedUpTo_ = frameCount;
        displayedZoom_ = zoomFactor;
        ZoomStep();
    }
    return kAddDone;
}

int FrameTable::AddFrameFromSource(int kind, const std::string& source, int page) {
    if (frameCount > kMaxFrames - 1) return kAddTableFull;
    const bool isFirst = frameCount == 0;
    bool viaAnyFile = false;
    if (kind == static_cast<int>(SourceKind::AnyFile)) {
        FileStream file;
        char magic[4] = {};
        bool isGif = file.Open(source, FileStream::Mode::Read) && file.Read(magic, 4) == 4 &&
                     std::string(magic, 4) == "GIF8";
        file.Close();
        viaAnyFile = true;
        kind = isGif ? static_cast<int>(SourceKind::GifPage)
                     : static_cast<int>(SourceKind::StillImage);
        if (isGif) page = 0;
    }

    switch (kind) {
        case static_cast<int>(SourceKind::Blank): {
            GifDecoder decoder;
            MemoryStream in{std::span<const std::uint8_t>(blankTemplate_)};
            MemoryStream out;
            CDib image;
            out.SeekToBegin();
            if (!decoder.Decode(&in, out, "i", 0) || decoder.ImageMissing()) return kAddFailed;
            out.SeekToBegin();
            if (!image.Read(out, &ui_) || !ReadIntoNewSlot(image)) return kAddFailed;
            EntryFromDecoder(isFirst, decoder.Page());
            FinishNewFrame();
            RebuildDisplayImages(frameCount - 1, isFirst, false, false);
            break;
        }
        case static_cast<int>(SourceKind::StillImage): {
            CDib image;
            if (imaging_.LoadFile(source, 8, image) != ImagingResult::Ok ||
                !ReadIntoNewSlot(image)) {
                // The conversion's own word first, then what it means for the file.
                ui_.ShowMessage("읽을 수 없는 파일입니다.");
                ShowInfoBox(ui_, "지원하지 않는 형식이거나 손상된 파일입니다.",
                            FileNamePart(source));
                return kAddFailed;
            }
            EntryForImportedImage(source, isFirst);
            FinishNewFrame();
            if (isFirst) host_.MarkImported();
            RebuildDisplayImages(frameCount - 1, isFirst, false, false);
            break;
        }
        case static_cast<int>(SourceKind::GifPage): {
            CDib image;
            GifPageInfo info;
            const ImagingResult loaded = imaging_.LoadGifPage(source, page, image, info);
            // Only the first image of a file given as any file is wanted: its other pages need
            // not stay decoded.
            if (viaAnyFile) imaging_.ReleaseGifPages();
            if (loaded != ImagingResult::Ok) return kAddFailed;
            if (viaAnyFile) info.delay = kDelayWithoutControl;
            return AddLoadedGifPage(std::move(image), info);
        }
        default: ReportProgramError(ui_, "04214", false); break;
    }
    ZoomStep();
    return kAddDone;
}

void FrameTable::ZoomStep() {
    int before = app_.zoomPercent;
    int documents = host_.ZoomSharingDocumentCount();
    bool wide = settings.screenWidth > app_.wideImageThreshold;
    if (documents <= 1) {
        app_.zoomPercent = wide ? 50 : 100;
    } else if (wide) {
        app_.zoomPercent = 50;
    }
    SetZoom(-1, -1, false);
    if (app_.zoomPercent == before || documents <= 1) {
        host_.Invalidate();
    } else {
        host_.RepaintAllDocuments();
    }
}

void FrameTable::EntryFromDecoder(bool isFirst, const GifPageInfo& image) {
    settings.screenWidth = std::max(settings.screenWidth, image.screenWidth);
    settings.screenHeight = std::max(settings.screenHeight, image.screenHeight);
    if (isFirst) {
        host_.ResetPlaybackDelay();
        settings.loopForever = true;
    }
    entries[static_cast<std::size_t>(frameCount)] = FrameEntry::FromGifPage(image);
    // The logical screen covers every frame, also when a file's screen descriptor is too small.
    settings.screenWidth = std::max(settings.screenWidth, image.left + image.width);
    settings.screenHeight = std::max(settings.screenHeight, image.top + image.height);
}

void FrameTable::EntryForImportedImage(const std::string& path, bool isFirst) {
    std::int32_t width = -1;
    std::int32_t height = 0;
    ImagingResult result = imaging_.ImageSize(path, width, height);
    if (result == ImagingResult::NotFound) ui_.ShowMessage(path + " 파일을 찾을 수 없습니다.");
    if (result != ImagingResult::Ok) {
        width = -1;
        height = 0;
    }
    settings.screenWidth = std::max(settings.screenWidth, width);
    settings.screenHeight = std::max(settings.screenHeight, height);
    if (isFirst) {
        host_.ResetPlaybackDelay();
        settings.loopForever = true;
    }
    FrameEntry& entry = entries[static_cast<std::size_t>(frameCount)];
    entry = FrameEntry{};
    entry.width = static_cast<std::int16_t>(width);
    entry.height = static_cast<std::int16_t>(height);
    entry.controlFlags = 4;
    entry.colorCount = 256;
    entry.delay = 50;
    entry.transparentIndex = 255;
}

Colorref FrameTable::PaletteColor(int frame, int index) const {
    return frameImages[static_cast<std::size_t>(frame)].PaletteColor(index);
}

Colorref FrameTable::SetKeyColor(int frame) {
    FrameEntry& entry = entries[static_cast<std::size_t>(frame)];
    if (!entry.transparent) return 0;
    const CDib& image = frameImages[static_cast<std::size_t>(frame)];
    int count = std::min<int>(entry.colorCount, image.ColorCount());
    // The first colour on the 16-step grid that no palette entry comes within 16 of in every
    // channel: red outermost, blue innermost.
    Colorref chosen = MakeRgb(240, 240, 240);
    bool found = false;
    for (int r = 0; r <= 240 && !found; r += 16) {
        for (int g = 0; g <= 240 && !found; g += 16) {
            for (int b = 0; b <= 240 && !found; b += 16) {
                bool rejected = false;
                for (int j = 0; j < count && !rejected; ++j) {
                    Colorref c = image.PaletteColor(j);
                    rejected = std::abs(RedOf(c) - r) <= 16 && std::abs(GreenOf(c) - g) <= 16 &&
                               std::abs(BlueOf(c) - b) <= 16;
                }
                if (!rejected) {
                    chosen = MakeRgb(r, g, b);
                    found = true;
                }
            }
        }
    }
    if (!found) ReportProgramError(ui_, "52475", false);
    entry.transparentColor = PaletteColor(frame, entry.transparentIndex);
    frameImages[static_cast<std::size_t>(frame)].SetPaletteColor(entry.transparentIndex, chosen);
    entry.keyColor = chosen;
    return entry.transparentColor;
}

void FrameTable::RemoveFrame(int frame) {
    if (frame < 0 || frame >= frameCount) return;
    for (int k = frame; k < frameCount - 1; ++k) {
        auto slot = static_cast<std::size_t>(k);
        frameImages[slot] = std::move(frameImages[slot + 1]);
        displayImages[slot] = std::move(displayImages[slot + 1]);
        entries[slot] = std::move(entries[slot + 1]);
    }
    --frameCount;
    frameImages[static_cast<std::size_t>(frameCount)].Free();
    displayImages[static_cast<std::size_t>(frameCount)].Free();
    host_.Invalidate();
    UpdateScrollSizes();
}

int FrameTable::CountSelection() {
    int count = 0;
    for (int i = 0; i < frameCount; ++i) {
        const FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        if (entry.gapSelected) {
            selectedGapIndex = i - 1;
            return -1;
        }
        if (entry.selected) {
            lastSelectedFrame = i;
            ++count;
        }
    }
    if (gapAfterLastSelected) {
        selectedGapIndex = frameCount - 1;
        return -1;
    }
    selectedGapIndex = -2;
    return count;
}

int FrameTable::ClearSelection(bool clearFrames, int except) {
    for (int i = 0; i < frameCount; ++i) {
        FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        entry.gapSelected = 0;
        if (clearFrames && i != except) entry.selected = 0;
    }
    gapAfterLastSelected = false;
    return frameCount;
}

void FrameTable::SnapshotEntries() {
    std::copy_n(entries.begin(), frameCount, savedEntries.begin());
    savedCount = frameCount;
    savedGapAfterLast = gapAfterLastSelected;
}

void FrameTable::RestoreEntries(bool restoreSelection) {
    for (int i = 0; i < savedCount; ++i) {
        FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        std::uint8_t selected = entry.selected;
        std::uint8_t gapSelected = entry.gapSelected;
        entry = savedEntries[static_cast<std::size_t>(i)];
        if (!restoreSelection) {
            entry.selected = selected;
            entry.gapSelected = gapSelected;
        }
    }
    if (restoreSelection) gapAfterLastSelected = savedGapAfterLast;
    host_.RefreshAnimationPane();
    host_.Invalidate();
}

void FrameTable::RebuildDisplayImages(int first, bool noModify, bool noSnapshot, bool force) {
    int from = first == -1 ? 0 : first;
    int to = first == -1 ? frameCount - 1 : first;
    if (rebuildSuspend == 1 && !force) return;
    for (int k = from; k <= to && k < kSlots; ++k) {
        auto slot = static_cast<std::size_t>(k);
        if (zoomFactor == 1.0) {
            displayImages[slot].Free();  // DisplayImage() is the frame itself
            continue;
        }
        const CDib& image = frameImages[slot];
        auto width = static_cast<std::int32_t>(image.Width() * zoomFactor);
        auto height = static_cast<std::int32_t>(image.Height() * zoomFactor);
        displayImages[slot] = ScaleNearest8(image, width, height);
    }
    if (from <= to) host_.DisplayImagesRebuilt(from, to);
    if (rebuildSuspend != 2 || force) {
        if (!noModify) host_.MarkModified();
        if (!noSnapshot) host_.RecordSnapshot();
    }
}

void FrameTable::FinishLoadedDisplayImages(bool noModify) {
    if (rebuildSuspend == 1) return;
    // Batches scaled frames 0..displayedUpTo_-1 already, unless the zoom has changed since.
    const int from = displayedZoom_ == zoomFactor ? std::min(displayedUpTo_, frameCount) : 0;
    for (int k = from; k < frameCount; ++k) RebuildDisplayImages(k, true, true, false);
    displayedUpTo_ = frameCount;
    displayedZoom_ = zoomFactor;
    if (rebuildSuspend == 2) return;
    if (!noModify) host_.MarkModified();
    host_.RecordSnapshot();
}

void FrameTable::SetZoom(int width, int height, bool moveFrame) {
    if (width == -1) width = settings.screenWidth;
    if (height == -1) height = settings.screenHeight;
    settings.screenWidth = width;
    settings.screenHeight = height;
    app_.ClampZoom();
    zoomFactor = app_.zoomPercent * 0.01;
    const int scaledWidth = static_cast<int>(zoomFactor * width);
    if (zoomFactor >= 1.0) {
        displayWidth = width;
        displayHeight = height;
        zoomFactor = 1.0;
    } else {
        displayWidth = scaledWidth;
        displayHeight = static_cast<int>(height * zoomFactor);
    }
    stripRowHeight = frameCount < 2 ? 5 : displayHeight;
    auto [ok, total] = UpdateScrollSizes();
    childWidth = displayWidth < 120 ? 275 : displayWidth + 155;
    int childHeight = host_.MainWindowHeight() - 140;
    if (ok == 1 && total < childHeight) childHeight = total + 50;
    host_.ResizeChildFrame(childWidth, childHeight, moveFrame);
}

std::pair<int, int> FrameTable::UpdateScrollSizes() {
    long long total =
        static_cast<long long>(displayHeight + 55) * frameCount + stripRowHeight + 175;
    if (total < 0 || total > 0x7FFFFFFF) {
        ReportProgramError(ui_, "82212", false);
        return {-1, 0};
    }
    host_.SetScrollHeight(static_cast<int>(total));
    return {1, static_cast<int>(total)};
}

std::pair<int, int> FrameTable::ScreenExtent() const {
    int width = 0;
    int height = 0;
    for (int i = 0; i < frameCount; ++i) {
        const FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        if (i == 0 || entry.left + entry.width > width) width = entry.left + entry.width;
        if (i == 0 || entry.top + entry.height > height) height = entry.top + entry.height;
    }
    return {width, height};
}

bool FrameTable::FitEntriesToScreen(int frame, bool apply) {
    if (!apply) return true;
    int from = frame == -1 ? 0 : frame;
    int to = frame == -1 ? frameCount - 1 : frame;
    bool sticksOut = false;
    for (int i = from; i <= to; ++i) {
        const FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        sticksOut = sticksOut || entry.left + entry.width > settings.screenWidth ||
                    entry.top + entry.height > settings.screenHeight;
    }
    if (!sticksOut) return true;
    for (int i = from; i <= to; ++i) {
        FrameEntry& entry = entries[static_cast<std::size_t>(i)];
        entry.left = 0;
        entry.top = 0;
        entry.width = static_cast<std::int16_t>(settings.screenWidth);
        entry.height = static_cast<std::int16_t>(settings.screenHeight);
    }
    return true;
}

}  // namespace vorla
