#include "core/external/EditorSlots.h"

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "core/model/Settings.h"

namespace vorla::external {
namespace {

std::string Key(const char* stem, int slot, const char* tail = "") {
    return std::string(stem) + std::to_string(slot) + tail;
}

// A settings value; "0" is how an absent key reads.
std::string ValueOrEmpty(const std::string& value) {
    return value == "0" || value == "*fail" ? std::string() : value;
}

}  // namespace

std::string FindPaintProgram(const std::string& pathVariable,
                             const std::function<bool(const std::string&)>& isExecutable) {
    std::vector<std::string> folders;
    std::stringstream in(pathVariable);
    for (std::string folder; std::getline(in, folder, ':');) {
        folders.push_back(folder.empty() ? "." : folder);
    }
    for (const char* program : kPaintPrograms) {
        for (const std::string& folder : folders) {
            const std::string candidate = (std::filesystem::path(folder) / program).string();
            if (isExecutable(candidate)) return candidate;
        }
    }
    return "";
}

bool IsExecutableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

EditorSlot PaintSlot(const std::string& programPath) {
    return EditorSlot{programPath, "그림판", "bmp"};
}

EditorSlot ReadUserSlot(UserInterface& ui, const std::string& windowIni, int slot) {
    EditorSlot value;
    value.name = ValueOrEmpty(ReadSetting(ui, windowIni, Key("editor", slot)));
    value.path = ValueOrEmpty(ReadSetting(ui, windowIni, Key("editor", slot, "path")));
    value.format = ValueOrEmpty(ReadSetting(ui, windowIni, Key("editformat", slot)));
    if (!IsEditorFormat(value.format)) value.format = value.path.empty() ? "" : "bmp";
    return value;
}

bool WriteUserSlot(UserInterface& ui, const std::string& windowIni, int slot,
                   const EditorSlot& value) {
    return WriteSetting(ui, windowIni, Key("editor", slot), value.name) &&
           WriteSetting(ui, windowIni, Key("editor", slot, "path"), value.path) &&
           WriteSetting(ui, windowIni, Key("editformat", slot), value.format);
}

bool IsEditorFormat(const std::string& format) {
    if (format.size() != 3) return false;
    const std::string all = kEditorFormats;
    for (std::size_t i = 0; i + 3 <= all.size(); i += 3)
        if (all.compare(i, 3, format) == 0) return true;
    return false;
}

std::string ShortenPath(const std::string& path, std::size_t maxCharacters) {
    if (path.size() <= maxCharacters || maxCharacters < 8) return path;
    // Keep the file name whole when it fits; cut on a UTF-8 boundary.
    const std::size_t slash = path.rfind('/');
    std::string tail = slash == std::string::npos ? path : path.substr(slash);
    if (tail.size() + 8 > maxCharacters) tail = tail.substr(tail.size() - (maxCharacters - 8));
    while (!tail.empty() && (static_cast<unsigned char>(tail.front()) & 0xC0) == 0x80)
        tail.erase(0, 1);
    std::size_t head = maxCharacters - tail.size() - 3;
    while (head > 0 && (static_cast<unsigned char>(path[head]) & 0xC0) == 0x80) --head;
    return path.substr(0, head) + "..." + tail;
}

std::string ConfigureDialogTitle(const EditorSlot& current) {
    return "연결 프로그램 바꾸기 - " +
           (current.Empty() ? std::string("현재 연결된 프로그램 없음") : ShortenPath(current.path));
}

NumberRequest SlotPropertiesRequest(const std::string& programPath) {
    NumberRequest request;
    request.title = "연결 프로그램 속성 - " + ShortenPath(programPath);
    request.fields[0].label = "프로그램 이름";
    request.fields[0].value = std::filesystem::path(programPath).stem().string();
    request.fields[1].label = "*disable";
    request.comboLabel = "사용할 파일 형식";
    request.comboItems = kEditorFormats;
    request.itemWidth = 3;
    return request;
}

EditorSlot SlotFromAnswer(const std::string& programPath, const NumberRequest& answered) {
    EditorSlot value;
    value.path = programPath;
    value.name = answered.fields[0].value.empty()
                     ? std::filesystem::path(programPath).stem().string()
                     : answered.fields[0].value;
    value.format = IsEditorFormat(answered.comboText) ? answered.comboText : "bmp";
    return value;
}

}  // namespace vorla::external
