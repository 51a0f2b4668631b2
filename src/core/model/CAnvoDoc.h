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
    // The GIF file the document was opened from holds more images than were loaded (the load
    // stopped at the table's limit or was cancelled). Saving over that file asks first, since
    // the images not loaded would be lost; a successful save clears both.
    std::string partialSourcePath;
    int partialSourceImages = 0;  // images in that file
    int partialLoadedImages = 0;  // of those, the ones the load read
    // The file is damaged and only its readable part was loaded (an image's data ended early):
    // saving over it asks the same way, with words of its own.
    bool partialDamaged = false;

    bool IsPartial() const { return !partialSourcePath.empty(); }

    bool IsUntitled() const { return sourcePath == kUntitledPath; }
    // What the window title shows: the file name, or the default name "무제".
    std::string Title() const {
        if (IsUntitled()) return "무제";
        return std::filesystem::path(sourcePath).filename().string();
    }
};

}  // namespace vorla
