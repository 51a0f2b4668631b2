// The document: where the animation came from and whether it changed. The view owns the frames.
#pragma once

#include <filesystem>
#include <string>

namespace vorla {

class CAnvoDoc {
public:
    static constexpr const char* kUntitledPath = "?!";  // a document created new

    // Full path the document was opened from or last saved to, or "?!".
    std::string sourcePath = kUntitledPath;
    bool modified = false;
    // The first frame came from a non-GIF file: Save asks for a GIF name first.
    bool imported = false;

    bool IsUntitled() const { return sourcePath == kUntitledPath; }
    // What the window title shows: the file name, or the default name "무제".
    std::string Title() const {
        if (IsUntitled()) return "무제";
        return std::filesystem::path(sourcePath).filename().string();
    }
};

}  // namespace vorla
