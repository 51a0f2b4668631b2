// The three external editors of the tool pane: slot 1 is the paint program found on PATH, named
// "그림판" and fed bmp files; slots 2 and 3 are the user's, kept in "usanre.ini" under
// "editor2|3" (name on the button), "editor2|3path" (the program) and "editformat2|3" (the work
// files' format). A key that reads "0" is an empty value.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/port/UserInterface.h"

namespace vorla::external {

inline constexpr int kPaintSlot = 1;
inline constexpr int kFirstUserSlot = 2;
inline constexpr int kLastUserSlot = 3;

// The paint programs tried in this order.
inline constexpr std::array<const char*, 5> kPaintPrograms = {"kolourpaint", "pinta", "mtpaint",
                                                              "gimp", "krita"};
// The formats a slot may hand over, three letters each, in the order the list shows them.
inline constexpr const char* kEditorFormats = "bmpgifpsdicopngpcxtga";

struct EditorSlot {
    std::string path;    // the program; empty: no program
    std::string name;    // the button's text
    std::string format;  // extension of the work files, lower case

    bool Empty() const { return path.empty(); }
};

// The first of kPaintPrograms found in the ':'-separated folders of pathVariable for which
// isExecutable says yes; "" when none is.
std::string FindPaintProgram(const std::string& pathVariable,
                             const std::function<bool(const std::string&)>& isExecutable);
// isExecutable for real files: a regular file the user may run.
bool IsExecutableFile(const std::string& path);

// Slot 1 for a found paint program ("" gives an empty slot with the same name and format).
EditorSlot PaintSlot(const std::string& programPath);
// Slot 2 or 3 from the window settings file.
EditorSlot ReadUserSlot(UserInterface& ui, const std::string& windowIni, int slot);
// Writes the slot's three keys. false: a key could not be written.
bool WriteUserSlot(UserInterface& ui, const std::string& windowIni, int slot,
                   const EditorSlot& value);
bool IsEditorFormat(const std::string& format);

// A long path shortened for a title: the start and the end, joined by "...".
std::string ShortenPath(const std::string& path, std::size_t maxCharacters = 40);

// The file dialog that picks slot 2's or 3's program.
std::string ConfigureDialogTitle(const EditorSlot& current);
// Programs on Linux carry no extension: every file is offered.
inline constexpr const char* kProgramFilter = "실행 파일(*)|*||";
// The properties asked next: the button's name (preset with the program's file name without
// extension) and the format, for the program chosen.
NumberRequest SlotPropertiesRequest(const std::string& programPath);
// The slot after OK of that request; the format defaults to bmp.
EditorSlot SlotFromAnswer(const std::string& programPath, const NumberRequest& answered);

}  // namespace vorla::external
