// Opening a local page (help, maker pages, the browser preview) in the desktop's programs.
// Desktops without a registered handler are common on minimal Linux systems, so opening falls
// back along a fixed chain and says so when every step fails.
#pragma once

#include <QString>
#include <QStringList>

namespace vorla {

class UserInterface;

// Opens the local file: the desktop's handler, then `xdg-open`, then the first web browser of
// BrowserCandidates() found on PATH. false: nothing could be started.
bool OpenLocalFileInDesktop(const QString& path);

// As OpenLocalFileInDesktop; on failure the user reads why and which file to open by hand.
bool OpenLocalFileOrSay(UserInterface& ui, const QString& path);

// Browsers tried in order, by their program names.
const QStringList& BrowserCandidates();

}  // namespace vorla
