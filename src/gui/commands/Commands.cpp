#include "gui/commands/Commands.h"

#include <string>
#include <string_view>
#include <utility>

namespace vorla {

namespace {

using C = CommandId;

// Undo and Redo keep their menu and tool-bar ids while the keys send the twins; both ids reach
// the same handler.
constexpr struct {
    CommandId menuId;
    CommandId keyId;
} kKeyTwins[] = {
    {C::Undo, C::UndoKey},
    {C::Redo, C::RedoKey},
};

// clang-format off
const std::vector<CommandInfo> kCommands = {
    // id, menu text, keys, status-bar prompt
    // File
    {C::FileNew,                   "새 그림(&N)",            "Ctrl+N",   ""},
    {C::FileNewAlternate,          "",                       "",         ""},
    {C::FileNewDocument,           "",                       "",         ""},
    {C::FileOpen,                  "열기(&O)...",            "Ctrl+O",   ""},
    {C::CollectOpen,               "모아서 열기...",         "Ctrl+L",   ""},
    {C::VideoImport,               "동영상 가져오기...",     "",
     "동영상의 한 구간을 프레임으로 가져와 새 문서를 만듭니다."},
    {C::FileSave,                  "저장(&S)",               "Ctrl+S",   ""},
    {C::FileSaveAs,                "다른 이름으로 저장...",  "Ctrl+Shift+S", ""},
    {C::SaveAtOtherSize,           "다른 크기로 저장...",    "",
     "크기 규격이 다른 GIF 파일로 저장합니다."},
    {C::SaveOptimized,             "최적화하여 저장...",     "",
     "같은 애니메이션을 더 작은 GIF 파일로 저장합니다."},
    {C::ShowSavedSize,             "저장 파일 크기 보기...", "",         ""},
    {C::FileRecentFiles,           "최근 파일",              "",         ""},
    {C::AppExit,                   "종료(&X)",               "Ctrl+Q",   ""},
    // Edit
    {C::Undo,                      "실행 취소(&U)",          "",         ""},
    {C::UndoKey,                   "",                       "Ctrl+Z",   ""},
    {C::FrameworkUndo,             "",                       "Alt+Backspace", ""},
    {C::Redo,                      "재실행(&R)",             "",         ""},
    {C::RedoKey,                   "",                       "Ctrl+Y;Ctrl+Shift+Z", ""},
    {C::EditCut,                   "잘라내기(&T)",           "Alt+X",    ""},
    {C::EditCopy,                  "복사(&C)",               "Alt+C",    ""},
    {C::EditPaste,                 "붙여넣기(&P)",           "Alt+V",    ""},
    {C::EditDelete,                "삭제(&D)",               "Del",      ""},
    {C::SelectAll,                 "전체 선택",              "Ctrl+A",   ""},
    {C::EditCopyToClipboard,       "클립보드에 복사",        "Ctrl+C",   ""},
    {C::EditPasteFromClipboard,    "클립보드로부터 붙여넣기", "Ctrl+V",  ""},
    {C::EditPasteFromFile,         "파일로부터 붙여넣기...", "",         ""},
    // View
    // "+" is what Shift+= delivers on most layouts; where the platform keeps Shift with it,
    // "Shift++" catches it.
    {C::ZoomIn,                    "이미지 크게 보기",       "=;+;Shift++;Num++", ""},
    {C::ZoomOut,                   "이미지 작게 보기",       "-;Num+-",  ""},
    {C::ToggleAnimationPane,       "애니메이션 창(&A)",      "",         ""},
    {C::ToggleToolPane,            "도구 창(&T)",            "",         ""},
    {C::BrowserPreview,            "재생(&P)",               "Ctrl+P",
     "웹브라우저로 저장 상태를 미리 재생합니다."},
    // Frame
    {C::FrameProperties,           "프레임 속성(&R)...",     "Ctrl+R",   ""},
    {C::GlobalProperties,          "전체 프레임 속성...",    "Ctrl+M",   ""},
    {C::GlobalPropertiesAlternate, "",                       "",
     "전체 속성을 수정합니다."},
    {C::FrameDeleteAllBefore,      "이전 프레임 모두 삭제",  "Ctrl+PgUp", ""},
    {C::FrameDeleteAllAfter,       "이후 프레임 모두 삭제",  "Ctrl+PgDown", ""},
    {C::FrameDeleteAllButOne,      "앞뒤 프레임 모두 삭제",  "",         ""},
    {C::FrameMergeWithPrevious,    "앞 프레임과 합치기",     "",         ""},
    {C::FrameDuplicate,            "같은 프레임 여러 장 만들기...", "",  ""},
    {C::FrameSave,                 "프레임 저장...",         "",         ""},
    {C::EditInPaint,               "그림판으로 편집",        "",
     "그림판으로 이미지를 편집합니다."},
    {C::InsertBorder,              "테두리 넣기...",         "",
     "모든 프레임의 주위에 테두리를 넣습니다."},
    // Animation
    {C::AnimationFadeIn,           "밝아지기...",            "Shift+I",
     "장면이 서서히 밝아지는 효과를 삽입합니다."},
    {C::AnimationFadeOut,          "어두워지기...",          "Shift+O",
     "장면이 서서히 어두워지는 효과를 삽입합니다."},
    {C::AnimationFadeInOut,        "밝아졌다 어두워지기...", "Shift+U",
     "장면이 서서히 밝아졌다가 어두워지는 효과를 삽입합니다."},
    {C::AnimationScatterAppear,    "흩뿌리기로 나타내기...", "Alt+I",    ""},
    {C::AnimationScatterDisappear, "흩뿌리기로 사라지기...", "Alt+O",    ""},
    {C::AnimationScatterAppearDisappear, "흩뿌리기로 나타났다 사라지기...", "Alt+U", ""},
    {C::AnimationOverlap,          "오버랩...",              "Shift+V",  ""},
    {C::AnimationAdvancedEffect,   "고급 애니메이션 효과...", "",        ""},
    {C::ExpandFrames,              "프레임 펼치기",          "",
     "바뀐 부분만 저장된 프레임을 그 자리에서 보이는 화면 전체의 그림으로 펼칩니다."},
    {C::EffectSettings,            "",                       "",
     "애니메이션 효과들의 세부 설정을 합니다."},
    // Window
    {C::CloseAllWindows,           "모든 창 닫기",           "Ctrl+Alt+X", ""},
    {C::CascadeWindows,            "계단식 배열(&C)",        "",         "창을 겹쳐서 계단식으로 배열합니다."},
    {C::TileWindows,               "바둑판식 배열(&T)",      "",         "창을 겹치지 않게 바둑판식으로 배열합니다."},
    {C::NextPane,                  "",                       "F6",       ""},
    {C::PreviousPane,              "",                       "Shift+F6", ""},
    // Help
    {C::HelpContents,              "도움말(&H)",             "F1",       ""},
    {C::HelpMakerHomePage,         "Tarnwick 홈페이지(&E)",  "",         ""},
    {C::HelpProductHomePage,       "Brelmo 홈페이지(&Z)",    "",         ""},
    {C::AppAbout,                  "Vorla 정보(&A)...",      "",         ""},
    // Frame strip keys
    {C::ArrowUp,                   "",                       "Up",       ""},
    {C::ArrowDown,                 "",                       "Down",     ""},
    {C::ArrowLeft,                 "",                       "Left",     ""},
    {C::ArrowRight,                "",                       "Right",    ""},
    {C::ContextMenuKey,            "",                       "Menu",     ""},
    {C::ContextMenuAtCurrent,      "",                       "",         ""},
    {C::PageUpNoHandler,           "",                       "PgUp",     ""},
    {C::FirstFrame,                "",                       "Home",     ""},
    {C::LastFrame,                 "",                       "End",      ""},
    {C::ExtendSelectionUp,         "",                       "Shift+Up", ""},
    {C::ExtendSelectionDown,       "",                       "Shift+Down", ""},
    {C::TogglePlayback,            "",                       "Space",    ""},
    // Tool bar
    {C::ToolBarLeadButton,         "",                       "",         ""},
    {C::ToolBarSpareButton,        "",                       "",         ""},
    // Frame context menu
    {C::FrameMenuCut,              "잘라내기(&T)",           "",         ""},
    {C::FrameMenuCopy,             "복사(&C)",               "",         ""},
    {C::FrameMenuPaste,            "붙여넣기(&P)",           "",         ""},
    {C::FrameMenuDelete,           "삭제(&D)",               "",         ""},
    {C::FrameMenuCopyToClipboard,  "클립보드에 복사",        "",         ""},
    {C::FrameMenuPasteFromClipboard, "클립보드로부터 붙여넣기", "",      ""},
    {C::FrameMenuPasteFromFile,    "파일로부터 붙여넣기...", "",         ""},
    {C::FrameMenuDeleteAllButThis, "앞뒤 프레임 모두 삭제",  "",         ""},
    {C::FrameMenuMergeWithPrevious, "앞 프레임과 합치기",    "",         ""},
    {C::FrameMenuDuplicate,        "같은 프레임 여러 장 만들기...", "",  ""},
    {C::FrameMenuSaveFrame,        "프레임 저장...",         "",         ""},
    {C::FrameMenuAutoUpdate,       "프레임 자동 업데이트",   "",
     "파일 내용이 외부에서 갱신되면 자동으로 프레임 내용이 바뀌게 하는 기능을 활성화하거나 "
     "취소합니다."},
    {C::FrameMenuProperties,       "프레임 속성(&R)...",     "Return;Enter", ""},
    {C::FrameMenuAdvancedEffect,   "고급 애니메이션 효과...", "",
     "고급 애니메이션 효과를 만듭니다."},
    {C::ContextFadeInOut,          "밝아졌다 어두워지기...", "",         ""},
    {C::ContextScatterAppearDisappear, "흩뿌리기로 나타났다 사라지기...", "", ""},
    // Gap context menu
    {C::GapMenuPaste,              "붙여넣기(&P)",           "",         ""},
    {C::GapMenuPasteFromClipboard, "클립보드로부터 붙여넣기", "",        ""},
    {C::GapMenuPasteFromFile,      "파일로부터 붙여넣기...", "",         ""},
    {C::GapMenuDeleteAllBefore,    "이전 프레임 모두 삭제",  "",         ""},
    {C::GapMenuDeleteAllAfter,     "이후 프레임 모두 삭제",  "",         ""},
    {C::GapMenuFadeIn,             "밝아지기...",            "",         ""},
    {C::GapMenuFadeOut,            "어두워지기...",          "",         ""},
    {C::GapMenuScatterAppear,      "흩뿌리기로 나타내기...", "",         ""},
    {C::GapMenuScatterDisappear,   "흩뿌리기로 사라지기...", "",         ""},
    {C::GapMenuOverlap,            "오버랩...",              "",         ""},
};
// clang-format on

MenuNode Item(CommandId id, const char* textOverride = "") {
    return MenuNode{MenuNode::Command, id, "", {}, textOverride};
}

MenuNode Separator() {
    return MenuNode{MenuNode::Separator, CommandId{}, "", {}, ""};
}

MenuNode Submenu(const char* title, std::vector<MenuNode> children) {
    return MenuNode{MenuNode::Submenu, CommandId{}, title, std::move(children), ""};
}

bool ListContains(std::string_view list, std::string_view key) {
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        if (list.substr(0, end) == key) return true;
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace

const std::vector<CommandInfo>& AllCommands() {
    return kCommands;
}

const CommandInfo* FindCommand(CommandId id) {
    for (const CommandInfo& info : kCommands) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

const CommandInfo* FindCommandByShortcut(const char* portableKey) {
    if (portableKey == nullptr || *portableKey == '\0') return nullptr;
    for (const CommandInfo& info : kCommands) {
        if (ListContains(info.shortcuts, portableKey)) return &info;
    }
    return nullptr;
}

const char* MenuShortcutHint(CommandId id) {
    for (const auto& twin : kKeyTwins) {
        if (twin.menuId == id) id = twin.keyId;
    }
    const CommandInfo* info = FindCommand(id);
    if (info == nullptr) return "";
    // Only the first of several keys is shown; it is stored as its own string so that the
    // returned pointer stays valid.
    static const std::vector<std::string> firstKeys = [] {
        std::vector<std::string> keys;
        keys.reserve(kCommands.size());
        for (const CommandInfo& command : kCommands) {
            const std::string_view all = command.shortcuts;
            keys.emplace_back(all.substr(0, all.find(';')));
        }
        return keys;
    }();
    return firstKeys[static_cast<std::size_t>(info - kCommands.data())].c_str();
}

const char* MenuItemText(const MenuNode& node) {
    if (node.kind != MenuNode::Command) return node.title;
    if (node.textOverride != nullptr && *node.textOverride != '\0') return node.textOverride;
    const CommandInfo* info = FindCommand(node.id);
    return info != nullptr ? info->menuText : "";
}

// clang-format off
const std::vector<MenuNode>& MainMenuBar() {
    static const std::vector<MenuNode> menus = {
        Submenu("파일(&F)", {
            Item(C::FileNew),
            Item(C::FileOpen),
            Item(C::CollectOpen),
            Item(C::VideoImport),
            Separator(),
            Item(C::FileSave),
            Item(C::FileSaveAs),
            Item(C::SaveAtOtherSize),
            Item(C::SaveOptimized),
            Item(C::ShowSavedSize),
            Separator(),
            Item(C::FileRecentFiles),
            Separator(),
            Item(C::AppExit),
        }),
        Submenu("편집(&E)", {
            Item(C::Undo),
            Item(C::Redo),
            Separator(),
            Item(C::EditCut),
            Item(C::EditCopy),
            Item(C::EditPaste),
            Item(C::EditDelete),
            Separator(),
            Item(C::SelectAll),
            Separator(),
            Item(C::EditCopyToClipboard),
            Item(C::EditPasteFromClipboard),
            Item(C::EditPasteFromFile),
        }),
        Submenu("보기(&V)", {
            Item(C::ZoomIn),
            Item(C::ZoomOut),
            Separator(),
            Item(C::ToggleAnimationPane),
            Item(C::ToggleToolPane),
            Separator(),
            Item(C::BrowserPreview),
        }),
        Submenu("프레임(&R)", {
            Item(C::FrameProperties),
            Item(C::GlobalProperties),
            Separator(),
            Item(C::FrameDeleteAllBefore),
            Item(C::FrameDeleteAllAfter),
            Item(C::FrameDeleteAllButOne),
            Separator(),
            Item(C::FrameMergeWithPrevious),
            Item(C::FrameDuplicate),
            Separator(),
            Item(C::FrameSave),
            Item(C::EditInPaint),
            Item(C::InsertBorder),
        }),
        Submenu("애니메이션(&A)", {
            Item(C::AnimationFadeIn),
            Item(C::AnimationFadeOut),
            Item(C::AnimationFadeInOut),
            Separator(),
            Item(C::AnimationScatterAppear),
            Item(C::AnimationScatterDisappear),
            Item(C::AnimationScatterAppearDisappear),
            Separator(),
            Item(C::AnimationOverlap),
            Separator(),
            Item(C::AnimationAdvancedEffect),
            Separator(),
            Item(C::ExpandFrames),
        }),
        Submenu("창(&W)", {
            Item(C::CascadeWindows),
            Item(C::TileWindows),
            Separator(),
            Item(C::CloseAllWindows),
        }),
        Submenu("도움말(&H)", {
            Item(C::HelpContents),
            Separator(),
            Item(C::HelpMakerHomePage),
            Item(C::HelpProductHomePage),
            Separator(),
            Item(C::AppAbout),
        }),
    };
    return menus;
}

const std::vector<MenuNode>& FrameContextMenu() {
    static const std::vector<MenuNode> menu = {
        Item(C::FrameMenuCut),
        Item(C::FrameMenuCopy),
        Item(C::FrameMenuPaste),
        Item(C::FrameMenuDelete),
        Separator(),
        Item(C::FrameMenuCopyToClipboard),
        Item(C::FrameMenuPasteFromClipboard),
        Item(C::FrameMenuPasteFromFile),
        Separator(),
        Item(C::FrameMenuDeleteAllButThis),
        Item(C::FrameMenuMergeWithPrevious),
        Item(C::FrameMenuDuplicate),
        Item(C::ExpandFrames),
        Separator(),
        Submenu("애니메이션 효과", {
            Item(C::ContextFadeInOut),
            Item(C::ContextScatterAppearDisappear),
            Separator(),
            Item(C::FrameMenuAdvancedEffect),
        }),
        Separator(),
        Item(C::FrameMenuSaveFrame),
        Item(C::FrameMenuAutoUpdate),  // checked while the frame has a linked file
        Separator(),
        Item(C::FrameMenuProperties),
    };
    return menu;
}

const std::vector<MenuNode>& GapContextMenu() {
    static const std::vector<MenuNode> menu = {
        Item(C::GapMenuPaste),
        Item(C::GapMenuPasteFromClipboard),
        Item(C::GapMenuPasteFromFile),
        Separator(),
        Item(C::GapMenuDeleteAllBefore),
        Item(C::GapMenuDeleteAllAfter),
        Separator(),
        Submenu("애니메이션 효과", {
            Item(C::GapMenuFadeIn),
            Item(C::GapMenuFadeOut),
            Separator(),
            Item(C::GapMenuScatterAppear),
            Item(C::GapMenuScatterDisappear),
            Separator(),
            Item(C::GapMenuOverlap),
        }),
        // The single-frame effects also appear here under their gap-menu names; they work on
        // the frame before the gap.
        Submenu("효과", {
            Item(C::ContextFadeInOut, "조도 증가->감소"),
            Item(C::ContextScatterAppearDisappear, "흩뿌리기로 나타났다 사라지기"),
        }),
    };
    return menu;
}

// clang-format on

bool ChangesFrameOrder(CommandId id) {
    switch (id) {
        case C::EditDelete:
        case C::FrameMenuDelete:
        case C::EditCut:
        case C::FrameMenuCut:
        case C::EditPaste:
        case C::FrameMenuPaste:
        case C::GapMenuPaste:
        case C::EditPasteFromClipboard:
        case C::EditPasteFromFile:
        case C::GapMenuPasteFromClipboard:
        case C::GapMenuPasteFromFile:
        case C::FrameMenuPasteFromClipboard:
        case C::FrameMenuPasteFromFile:
        case C::FrameDeleteAllBefore:
        case C::FrameDeleteAllAfter:
        case C::FrameDeleteAllButOne:
        case C::GapMenuDeleteAllBefore:
        case C::GapMenuDeleteAllAfter:
        case C::FrameMenuDeleteAllButThis:
        case C::FrameMergeWithPrevious:
        case C::FrameMenuMergeWithPrevious:
        case C::FrameDuplicate:
        case C::FrameMenuDuplicate:
        case C::AnimationFadeIn:
        case C::AnimationFadeOut:
        case C::AnimationFadeInOut:
        case C::AnimationScatterAppear:
        case C::AnimationScatterDisappear:
        case C::AnimationScatterAppearDisappear:
        case C::AnimationOverlap:
        case C::AnimationAdvancedEffect:
        case C::FrameMenuAdvancedEffect:
        case C::GapMenuFadeIn:
        case C::GapMenuFadeOut:
        case C::ContextFadeInOut:
        case C::GapMenuScatterAppear:
        case C::GapMenuScatterDisappear:
        case C::ContextScatterAppearDisappear:
        case C::GapMenuOverlap: return true;
        default: return false;
    }
}

}  // namespace vorla
