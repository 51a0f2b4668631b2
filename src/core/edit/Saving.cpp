#include "core/edit/Saving.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "core/gif/WriteAnimation.h"
#include "core/model/CAnvoDoc.h"
#include "core/model/FrameTable.h"
#include "core/port/Imaging.h"
#include "core/port/UserInterface.h"

namespace vorla::saving {

std::string ShortSize(std::int64_t b) {
    constexpr std::int64_t kK = 1024;
    constexpr std::int64_t kM = kK * 1024;
    constexpr std::int64_t kG = kM * 1024;
    char text[64];
    if (b < kK) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(b));
    } else if (b < kM) {
        std::snprintf(text, sizeof text, "%lld.%lldK", static_cast<long long>(b / kK),
                      static_cast<long long>(((b % kK) * 10) / kK));
    } else if (b <= kG) {
        std::snprintf(text, sizeof text, "%lld.%02lldM", static_cast<long long>(b / kM),
                      static_cast<long long>((((b / kK) % kK) * 100) / kK));
    } else {
        std::snprintf(text, sizeof text, "%lld.%02lldG", static_cast<long long>(b / kG),
                      static_cast<long long>((((b / kM) % kK) * 100) / kK));
    }
    return text;
}

namespace {

std::string SizeLine(const std::string& label, std::int64_t size) {
    const std::string shortSize = ShortSize(size);
    const char unit = shortSize.back();
    const bool hasUnit = unit == 'K' || unit == 'M' || unit == 'G';
    std::string line = label == "*default" ? std::string("저장시 파일 크기") : label;
    line += ": ";
    line += shortSize;
    if (hasUnit) {
        line += '(';
        line += std::to_string(size);
        line += ')';
    }
    line += " bytes";
    return line;
}

std::string Extension(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return "";
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

std::string SizeText(const std::string& label, std::int64_t size, const std::string& secondLabel,
                     std::int64_t secondSize) {
    std::string text;
    if (secondSize >= 0) text = SizeLine(secondLabel, secondSize) + "\n\n";
    return text + SizeLine(label, size);
}

std::string DefaultGifName(const CAnvoDoc& document) {
    if (document.IsUntitled()) return document.Title();
    std::string name = std::filesystem::path(document.sourcePath).filename().string();
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(0, dot) + ".gif";
    return name;
}

std::string FrameFileName(const std::string& caption, int frameIndex) {
    std::string base = caption;
    std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base = base.substr(0, dot);
    char number[32];
    std::snprintf(number, sizeof number, "[%03d].bmp", frameIndex + 1);
    return base + number;
}

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    if (!error) return same;
    // One of them does not exist (any more): compare where the names lead.
    const auto first = std::filesystem::weakly_canonical(a, error);
    if (error) return a == b;
    const auto second = std::filesystem::weakly_canonical(b, error);
    if (error) return a == b;
    return first == second;
}

}  // namespace

std::string PartialOverwriteText(const CAnvoDoc& document) {
    if (document.partialDamaged) {
        return "이 파일은 손상되어 읽을 수 있는 부분만 불러왔습니다. 저장하면 읽지 못한 부분이 "
               "파일에서 사라집니다. 덮어쓰겠습니까?";
    }
    return "이 파일의 이미지 " + std::to_string(document.partialSourceImages) + "개 중 " +
           std::to_string(document.partialLoadedImages) +
           "개만 불러왔습니다. 저장하면 나머지 이미지 " +
           std::to_string(document.partialSourceImages - document.partialLoadedImages) +
           "개가 파일에서 사라집니다. 덮어쓰겠습니까?";
}

OverwriteChoice ConfirmOverwrite(UserInterface& ui, const CAnvoDoc& document,
                                 const std::string& path) {
    if (!document.IsPartial() || !SameFile(path, document.partialSourcePath))
        return OverwriteChoice::Write;
    // The safe answer comes first, so that Enter keeps the file.
    switch (ui.AskTwoChoice(PartialOverwriteText(document),
                            std::filesystem::path(path).filename().string(), "다른 이름으로 저장",
                            "덮어쓰기", "OO")) {
        case kTwoChoiceFirst: return OverwriteChoice::OtherName;
        case kTwoChoiceSecond: return OverwriteChoice::Write;
        default: return OverwriteChoice::Cancel;
    }
}

bool SaveDocument(FrameTable& table, CAnvoDoc& document, GifEncoder& encoder,
                  const std::string& path) {
    // A read-only target stays as it is, even though the folder would let a rename replace it
    // (and even for root, who may write anything: the read-only mark is the user's word).
    std::error_code error;
    struct stat target {};
    if (stat(path.c_str(), &target) == 0 &&
        ((target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         access(path.c_str(), W_OK) != 0)) {
        return false;
    }
    MemoryStream stream;
    const bool wasModified = document.modified;
    if (WriteAnimation(table, stream, true, false, encoder, &document) < 0 ||
        !WriteFileAtomically(path, stream.Bytes())) {
        document.modified = wasModified;
        return false;
    }
    document.sourcePath = std::filesystem::absolute(path, error).string();
    if (error) document.sourcePath = path;
    document.imported = false;
    document.modified = false;
    // Written over the partly loaded file, it now holds what the document holds. Saved
    // elsewhere, the document still holds only part of that file.
    if (document.IsPartial() && SameFile(path, document.partialSourcePath)) {
        document.partialSourcePath.clear();
        document.partialSourceImages = 0;
        document.partialLoadedImages = 0;
        document.partialDamaged = false;
    }
    return true;
}

std::int64_t MeasureSave(FrameTable& table, GifEncoder& encoder) {
    MemoryStream none;
    return WriteAnimation(table, none, false, true, encoder, nullptr);
}

namespace {

// The formats a frame is written in, by the lower-case extension of the file's name.
std::optional<ImageFormat> FrameFormat(const std::string& extension) {
    static constexpr std::pair<const char*, ImageFormat> kFormats[] = {
        {"bmp", ImageFormat::Bmp}, {"gif", ImageFormat::Gif}, {"psd", ImageFormat::Psd},
        {"ico", ImageFormat::Ico}, {"png", ImageFormat::Png}, {"pcx", ImageFormat::Pcx},
        {"tga", ImageFormat::Tga},
    };
    for (const auto& [name, format] : kFormats)
        if (extension == name) return format;
    return std::nullopt;
}

bool WriteFrame(FrameTable& table, const CDib& image, const std::string& path, ImageFormat format) {
    // The frame's own bitmap bytes are already a BMP file.
    if (format == ImageFormat::Bmp) return WriteFileAtomically(path, image.ToBytes());
    return table.Images().WriteFile(image, path, format);
}

}  // namespace

bool SaveFrameToFile(FrameTable& table, const std::string& path) {
    const int frame = table.menuFrame;
    if (frame < 0 || frame >= table.frameCount) {
        ReportProgramError(table.Ui(), "55234", false);
        return false;
    }
    const std::optional<ImageFormat> format = FrameFormat(Extension(path));
    if (!format) {
        ReportProgramError(table.Ui(), "13214", false);
        return false;
    }
    return WriteFrame(table, table.frameImages[static_cast<std::size_t>(frame)], path, *format);
}

bool SaveChosenFrameFile(FrameTable& table, const std::string& path) {
    const int frame = table.menuFrame;
    if (frame < 0 || frame >= table.frameCount) {
        ReportProgramError(table.Ui(), "55234", false);
        return false;
    }
    return WriteFrame(table, table.frameImages[static_cast<std::size_t>(frame)], path,
                      FrameFormat(Extension(path)).value_or(ImageFormat::Bmp));
}

void RemoveBrowserPreview(const std::string& programDirectory) {
    std::error_code ignored;
    std::filesystem::remove(programDirectory + kPreviewGifName, ignored);
    std::filesystem::remove(programDirectory + kPreviewPageName, ignored);
}

std::string WriteBrowserPreview(FrameTable& table, CAnvoDoc& document, GifEncoder& encoder,
                                const std::string& programDirectory) {
    const std::string gifPath = programDirectory + kPreviewGifName;
    const std::string pagePath = programDirectory + kPreviewPageName;
    const bool wasModified = document.modified;
    MemoryStream stream;
    const bool written = WriteAnimation(table, stream, true, false, encoder, &document) >= 0 &&
                         WriteFileAtomically(gifPath, stream.Bytes());
    document.modified = wasModified;
    if (!written) return "";
    // One image tag and nothing else, not even a line end.
    const std::string page = "<img src=\"" + gifPath + "\">";
    if (!WriteFileAtomically(
            pagePath, std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(page.data()), page.size()))) {
        return "";
    }
    return pagePath;
}

}  // namespace vorla::saving
