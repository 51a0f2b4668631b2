// The program's command catalogue: every command id with its menu text, key bindings and
// status-bar prompt, and the menu trees built from those ids (main menu bar, frame and gap
// context menus). Plain data, free of Qt, so that it can be checked without a GUI.
#pragma once

#include <vector>

namespace vorla {

// Numeric values are fixed: they are the ids that key bindings, tool-bar buttons and menus send,
// and the ids in 57600.. are the framework's standard commands.
enum class CommandId : int {
    // Frame context menu (menu resource 133, sub-menu 0) and gap context menu (sub-menu 1).
    FrameMenuCopy = 32774,
    FrameMenuCut = 32775,
    GapMenuPaste = 32776,
    GapMenuDeleteAllAfter = 32777,
    GapMenuDeleteAllBefore = 32778,
    GapMenuFadeIn = 32780,
    GapMenuFadeOut = 32781,
    ContextFadeInOut = 32782,
    // Edit menu, internal frame clipboard.
    EditPaste = 32784,
    EditCopy = 32785,
    EditCut = 32786,
    // Frame menu deletions.
    FrameDeleteAllBefore = 32787,
    FrameDeleteAllAfter = 32790,
    // Animation menu, brightness effects, and the effect settings sheet on its own.
    AnimationFadeIn = 32791,
    AnimationFadeOut = 32792,
    AnimationFadeInOut = 32793,
    EffectSettings = 32794,
    // Selection moves of the arrow keys.
    ArrowUp = 32796,
    ArrowDown = 32797,
    ArrowLeft = 32798,
    ArrowRight = 32799,
    ContextMenuAtCurrent = 32800,
    FrameMenuDeleteAllButThis = 32803,
    GapMenuScatterAppear = 32804,
    GapMenuScatterDisappear = 32811,
    ContextScatterAppearDisappear = 32812,
    FrameMenuProperties = 32819,
    GapMenuPasteFromFile = 32820,
    ShowSavedSize = 32821,
    GapMenuOverlap = 32822,
    FrameMenuSaveFrame = 32823,
    FileNew = 32825,
    FrameMenuPasteFromFile = 32826,
    // Tool-bar and menu undo/redo; the keys are bound to the twins UndoKey and RedoKey.
    Undo = 32829,
    Redo = 32830,
    FrameMenuPasteFromClipboard = 32831,
    GapMenuPasteFromClipboard = 32832,
    FrameMenuCopyToClipboard = 32833,
    EditPasteFromClipboard = 32835,
    EditCopyToClipboard = 32839,
    // Tool-bar buttons that no handler serves: one 32842 followed by seventeen 32840.
    ToolBarSpareButton = 32840,
    ToolBarLeadButton = 32842,
    BrowserPreview = 32843,
    FileNewAlternate = 32844,
    RedoKey = 32845,
    EditDelete = 32847,
    FrameMenuDelete = 32848,
    UndoKey = 32850,
    FrameMenuPaste = 32852,
    ContextMenuKey = 32853,
    SelectAll = 32854,
    GlobalProperties = 32855,
    CloseAllWindows = 32858,
    ZoomIn = 32861,
    ZoomOut = 32862,
    PageUpNoHandler = 32864,
    CollectOpen = 32866,
    HelpContents = 32867,
    FrameMenuAdvancedEffect = 32868,
    FrameMenuDuplicate = 32869,
    ToggleAnimationPane = 32870,
    FrameMenuAutoUpdate = 32872,
    ToggleToolPane = 32873,
    FrameMenuMergeWithPrevious = 32874,
    // Animation menu, advanced, scatter and overlap effects.
    AnimationAdvancedEffect = 32876,
    AnimationScatterAppearDisappear = 32877,
    AnimationScatterAppear = 32878,
    AnimationScatterDisappear = 32879,
    AnimationOverlap = 32880,
    // Frame menu forms of the frame context menu's commands.
    FrameSave = 32881,
    FrameMergeWithPrevious = 32882,
    FrameDuplicate = 32883,
    FrameDeleteAllButOne = 32884,
    EditPasteFromFile = 32885,
    FrameProperties = 32912,
    HelpMakerHomePage = 32914,
    HelpProductHomePage = 32915,
    // Commands that have no id of their own elsewhere; the values are this program's choice,
    // kept above every fixed id.
    InsertBorder = 32920,
    SaveAtOtherSize = 32921,
    EditInPaint = 32922,
    GlobalPropertiesAlternate = 32923,
    CascadeWindows = 32924,  // the Window menu's arrangements of the document windows
    TileWindows = 32925,
    ExpandFrames = 32926,  // "프레임 펼치기"
    FirstFrame = 32927,    // keys every editor has: Home, End, Shift+Up, Shift+Down, Space
    LastFrame = 32928,
    ExtendSelectionUp = 32929,
    ExtendSelectionDown = 32930,
    TogglePlayback = 32931,
    SaveOptimized = 32990,  // the optimising save; an id no other command uses
    VideoImport = 32991,    // "동영상 가져오기"; likewise
    // Framework commands.
    FileNewDocument = 57600,  // sent by FileNew and CollectOpen; no menu item
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    FileRecentFiles = 57616,  // first recent-file entry; the menu expands it at run time
    FrameworkUndo = 57643,    // bound to Alt+Backspace; no handler
    AppAbout = 57664,
    AppExit = 57665,
    NextPane = 57680,
    PreviousPane = 57681,
};

struct CommandInfo {
    CommandId id;
    // The default menu text with its "(&X)" mnemonic, without a key hint; "" for commands that
    // no menu shows.
    const char* menuText;
    // Key sequences in QKeySequence::PortableText form, several separated by ";"; "" for none.
    const char* shortcuts;
    // Status-bar prompt; "" when the command has none.
    const char* statusText;
};

const std::vector<CommandInfo>& AllCommands();

// nullptr for an id the catalogue does not hold.
const CommandInfo* FindCommand(CommandId id);

// The command bound to one key sequence (PortableText, compared exactly as written in the
// catalogue); nullptr when no command has it.
const CommandInfo* FindCommandByShortcut(const char* portableKey);

// The key a menu item shows beside its text: the command's first shortcut, or for Undo and Redo,
// whose keys are bound to UndoKey and RedoKey, the twin's key. "" when it has none.
const char* MenuShortcutHint(CommandId id);

struct MenuNode {
    enum Kind { Command, Separator, Submenu };

    Kind kind;
    CommandId id;                    // meaningful for Command only
    const char* title;               // Submenu title; "" otherwise
    std::vector<MenuNode> children;  // Submenu items
    const char* textOverride;        // this menu's own text for the command; "" = catalogue text
};

// The text a Command node shows: its override, or the catalogue's menu text.
const char* MenuItemText(const MenuNode& node);

// Top-level nodes are all Submenus.
const std::vector<MenuNode>& MainMenuBar();
const std::vector<MenuNode>& FrameContextMenu();
const std::vector<MenuNode>& GapContextMenu();

// Commands that change which frames come before others (delete, cut, paste and insert, replace,
// merge, duplicate and the generators): on a frame-optimised animation they first offer to
// expand the frames (edit::ConfirmStructuralEdit).
bool ChangesFrameOrder(CommandId id);

}  // namespace vorla
