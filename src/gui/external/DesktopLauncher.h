// Opening a local page (help, maker pages, the browser preview) in the desktop's programs.
// Desktops without a registered handler are common on minimal Linux systems, and a launcher such
// as `xdg-open` or `sensible-browser` may start and then fail (exit non-zero) when it finds no
// browser. So launchers are tried along a fixed chain and watched without blocking: the next one
// is tried when one fails, and the user is told when every one has failed.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace vorla {

class UserInterface;

// How long a launcher may run before it counts as having opened the page: xdg-open may stay
// until the browser it started ends, and a browser started directly stays.
constexpr int kLauncherGraceMs = 4000;

// Opens the local file with `xdg-open`, then the first web browser of BrowserCandidates()
// found on PATH. A launcher that cannot start, crashes or exits with a non-zero status hands on
// to the next; one that exits with 0 or still runs after kLauncherGraceMs has opened the page.
// false at once when no launcher is on PATH at all. Otherwise true, and onFailure runs later on
// the GUI thread (while `context` lives) if every launcher failed.
bool OpenLocalFileInDesktop(const QString& path, QObject* context, std::function<void()> onFailure);

// As OpenLocalFileInDesktop; on failure the user reads why and which file to open by hand.
// ui must outlive context.
bool OpenLocalFileOrSay(UserInterface& ui, const QString& path, QObject* context);

// The words of that failure.
QString BrowserFailureText(const QString& path);

// Browsers tried in order, by their program names.
const QStringList& BrowserCandidates();

}  // namespace vorla
