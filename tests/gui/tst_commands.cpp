// The command catalogue and its menu trees are consistent: ids are unique, keys parse and are
// bound once, every accelerator reaches its command, and the menus only use known commands.
#include <QKeySequence>
#include <QSet>
#include <QtTest>

#include <cstring>
#include <functional>
#include <set>

#include "gui/commands/Commands.h"

using vorla::CommandId;
using vorla::CommandInfo;
using vorla::MenuNode;

namespace {

int Value(CommandId id) {
    return static_cast<int>(id);
}

QStringList Keys(const CommandInfo& info) {
    const QString all = QString::fromUtf8(info.shortcuts);
    return all.isEmpty() ? QStringList() : all.split(QLatin1Char(';'));
}

void Walk(const std::vector<MenuNode>& nodes, const std::function<void(const MenuNode&)>& visit) {
    for (const MenuNode& node : nodes) {
        visit(node);
        if (node.kind == MenuNode::Submenu) Walk(node.children, visit);
    }
}

std::set<int> CommandIdsIn(const std::vector<MenuNode>& menu) {
    std::set<int> ids;
    Walk(menu, [&](const MenuNode& node) {
        if (node.kind == MenuNode::Command) ids.insert(Value(node.id));
    });
    return ids;
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void idsAreUniqueAndFound();
    void textsCarryNoKeyHint();
    void shortcutsAreCanonicalPortableText();
    void noKeyIsBoundTwice();
    void acceleratorReachesCommand_data();
    void acceleratorReachesCommand();
    void undoAndRedoMenuItemsShowTheirTwinsKeys();
    void menuTreesAreWellFormed();
    void contextMenusHoldEveryItemTheRightClickRulesName();
    void contextMenusUseTheirOwnTexts();
};

void CommandsTest::idsAreUniqueAndFound() {
    std::set<int> seen;
    for (const CommandInfo& info : vorla::AllCommands()) {
        QVERIFY2(seen.insert(Value(info.id)).second,
                 qPrintable(QStringLiteral("id %1 listed twice").arg(Value(info.id))));
        QCOMPARE(vorla::FindCommand(info.id), &info);
    }
    QVERIFY(vorla::FindCommand(static_cast<CommandId>(1)) == nullptr);
    QVERIFY(vorla::FindCommand(static_cast<CommandId>(32783)) == nullptr);
}

void CommandsTest::textsCarryNoKeyHint() {
    for (const CommandInfo& info : vorla::AllCommands()) {
        QVERIFY(info.menuText != nullptr && info.shortcuts != nullptr &&
                info.statusText != nullptr);
        QVERIFY2(std::strchr(info.menuText, '\t') == nullptr, info.menuText);
    }
}

void CommandsTest::shortcutsAreCanonicalPortableText() {
    for (const CommandInfo& info : vorla::AllCommands()) {
        for (const QString& key : Keys(info)) {
            const QKeySequence sequence = QKeySequence::fromString(key, QKeySequence::PortableText);
            QVERIFY2(sequence.count() == 1,
                     qPrintable(QStringLiteral("have %1 keys in \"%2\" of %3, want 1")
                                    .arg(sequence.count())
                                    .arg(key)
                                    .arg(Value(info.id))));
            // A name Qt does not write back the same way would not match in
            // FindCommandByShortcut.
            QCOMPARE(sequence.toString(QKeySequence::PortableText), key);
        }
    }
}

void CommandsTest::noKeyIsBoundTwice() {
    QHash<QKeySequence, int> owner;
    for (const CommandInfo& info : vorla::AllCommands()) {
        for (const QString& key : Keys(info)) {
            const QKeySequence sequence = QKeySequence::fromString(key, QKeySequence::PortableText);
            QVERIFY2(!owner.contains(sequence), qPrintable(QStringLiteral("%1 bound to %2 and %3")
                                                               .arg(key)
                                                               .arg(owner.value(sequence))
                                                               .arg(Value(info.id))));
            owner.insert(sequence, Value(info.id));
        }
    }
}

void CommandsTest::acceleratorReachesCommand_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("id");
    // The main window's accelerator table, key by key.
    const struct {
        const char* key;
        int id;
    } table[] = {
        {"-", 32862},         {"Num+-", 32862},         {"=", 32861},
        {"+", 32861},         {"Num++", 32861},         {"Ctrl+A", 32854},
        {"Ctrl+C", 32839},    {"Alt+C", 32785},         {"Alt+X", 32786},
        {"Alt+V", 32784},     {"Ctrl+V", 32835},        {"Del", 32847},
        {"Ctrl+PgUp", 32787}, {"Ctrl+PgDown", 32790},   {"Ctrl+Z", 32850},
        {"Ctrl+Y", 32845},    {"Alt+Backspace", 57643}, {"Shift+I", 32791},
        {"Shift+O", 32792},   {"Shift+U", 32793},       {"Alt+I", 32878},
        {"Alt+O", 32879},     {"Alt+U", 32877},         {"Shift+V", 32880},
        {"Ctrl+R", 32912},    {"Return", 32819},        {"Enter", 32819},
        {"Ctrl+M", 32855},    {"Ctrl+P", 32843},        {"Ctrl+N", 32825},
        {"Ctrl+O", 57601},    {"Ctrl+L", 32866},        {"Ctrl+S", 57603},
        {"Ctrl+Q", 57665},    {"Ctrl+Alt+X", 32858},    {"F1", 32867},
        {"Up", 32796},        {"Down", 32797},          {"Left", 32798},
        {"Right", 32799},     {"Menu", 32853},          {"F6", 57680},
        {"Shift+F6", 57681},  {"PgUp", 32864},
    };
    for (const auto& row : table) QTest::newRow(row.key) << QString::fromLatin1(row.key) << row.id;
}

void CommandsTest::acceleratorReachesCommand() {
    QFETCH(QString, key);
    QFETCH(int, id);
    const CommandInfo* info = vorla::FindCommandByShortcut(key.toLatin1().constData());
    QVERIFY2(info != nullptr, "no command has this key");
    QCOMPARE(Value(info->id), id);
}

void CommandsTest::undoAndRedoMenuItemsShowTheirTwinsKeys() {
    QCOMPARE(QString::fromLatin1(vorla::MenuShortcutHint(CommandId::Undo)),
             QStringLiteral("Ctrl+Z"));
    QCOMPARE(QString::fromLatin1(vorla::MenuShortcutHint(CommandId::Redo)),
             QStringLiteral("Ctrl+Y"));
    QCOMPARE(QString::fromLatin1(vorla::MenuShortcutHint(CommandId::ZoomIn)), QStringLiteral("="));
    QCOMPARE(QString::fromLatin1(vorla::MenuShortcutHint(CommandId::FileSaveAs)),
             QStringLiteral("Ctrl+Shift+S"));
}

void CommandsTest::menuTreesAreWellFormed() {
    const auto check = [](const std::vector<MenuNode>& menu, const char* name) {
        std::function<void(const std::vector<MenuNode>&)> level =
            [&](const std::vector<MenuNode>& nodes) {
                QVERIFY2(!nodes.empty(), name);
                QVERIFY2(nodes.front().kind != MenuNode::Separator, name);
                QVERIFY2(nodes.back().kind != MenuNode::Separator, name);
                for (std::size_t i = 0; i < nodes.size(); ++i) {
                    const MenuNode& node = nodes[i];
                    if (node.kind == MenuNode::Separator) {
                        QVERIFY2(nodes[i + 1].kind != MenuNode::Separator, name);
                    } else if (node.kind == MenuNode::Submenu) {
                        QVERIFY2(std::strlen(node.title) > 0, name);
                        level(node.children);
                    } else {
                        QVERIFY2(vorla::FindCommand(node.id) != nullptr,
                                 qPrintable(QStringLiteral("%1: unknown id %2")
                                                .arg(QLatin1String(name))
                                                .arg(Value(node.id))));
                        QVERIFY2(std::strlen(vorla::MenuItemText(node)) > 0,
                                 qPrintable(QStringLiteral("%1: id %2 has no text")
                                                .arg(QLatin1String(name))
                                                .arg(Value(node.id))));
                    }
                }
            };
        level(menu);
    };
    check(vorla::MainMenuBar(), "main menu");
    check(vorla::FrameContextMenu(), "frame menu");
    check(vorla::GapContextMenu(), "gap menu");
    for (const MenuNode& top : vorla::MainMenuBar()) QCOMPARE(top.kind, MenuNode::Submenu);

    // Every command that has a menu text is reachable from some menu.
    std::set<int> shown = CommandIdsIn(vorla::MainMenuBar());
    for (int id : CommandIdsIn(vorla::FrameContextMenu())) shown.insert(id);
    for (int id : CommandIdsIn(vorla::GapContextMenu())) shown.insert(id);
    for (const CommandInfo& info : vorla::AllCommands()) {
        if (*info.menuText == '\0') continue;
        QVERIFY2(shown.count(Value(info.id)) == 1,
                 qPrintable(QStringLiteral("%1 \"%2\" is in no menu")
                                .arg(Value(info.id))
                                .arg(QString::fromUtf8(info.menuText))));
    }
}

void CommandsTest::contextMenusHoldEveryItemTheRightClickRulesName() {
    const std::set<int> frameMenu = CommandIdsIn(vorla::FrameContextMenu());
    const std::set<int> gapMenu = CommandIdsIn(vorla::GapContextMenu());
    for (int id : {32774, 32775, 32852, 32848, 32833, 32831, 32826, 32803, 32874, 32869, 32823,
                   32872, 32819, 32868, 32782, 32812}) {
        QVERIFY2(frameMenu.count(id) == 1,
                 qPrintable(QStringLiteral("frame menu lacks %1").arg(id)));
    }
    for (int id :
         {32776, 32832, 32820, 32778, 32777, 32780, 32781, 32804, 32811, 32822, 32782, 32812}) {
        QVERIFY2(gapMenu.count(id) == 1, qPrintable(QStringLiteral("gap menu lacks %1").arg(id)));
    }
    // The frame and gap forms of a command are different ids, so that the strip can enable them
    // separately; only the two single-frame effects are shared.
    std::set<int> shared;
    for (int id : frameMenu) {
        if (gapMenu.count(id) == 1) shared.insert(id);
    }
    QCOMPARE(shared, (std::set<int>{32782, 32812}));
}

void CommandsTest::contextMenusUseTheirOwnTexts() {
    const auto textOf = [](const std::vector<MenuNode>& menu, CommandId id) {
        QString text;
        Walk(menu, [&](const MenuNode& node) {
            if (node.kind == MenuNode::Command && node.id == id) {
                text = QString::fromUtf8(vorla::MenuItemText(node));
            }
        });
        return text;
    };
    QCOMPARE(textOf(vorla::FrameContextMenu(), CommandId::FrameMenuMergeWithPrevious),
             QStringLiteral("앞 프레임과 합치기"));
    QCOMPARE(Value(CommandId::FrameMenuMergeWithPrevious), 32874);
    QCOMPARE(textOf(vorla::FrameContextMenu(), CommandId::ContextFadeInOut),
             QStringLiteral("밝아졌다 어두워지기..."));
    QCOMPARE(textOf(vorla::GapContextMenu(), CommandId::ContextFadeInOut),
             QStringLiteral("조도 증가->감소"));
    QCOMPARE(textOf(vorla::GapContextMenu(), CommandId::ContextScatterAppearDisappear),
             QStringLiteral("흩뿌리기로 나타났다 사라지기"));
}

QTEST_APPLESS_MAIN(CommandsTest)
#include "tst_commands.moc"
