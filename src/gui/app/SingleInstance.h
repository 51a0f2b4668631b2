// One running copy per user and desktop session. The first start takes a lock file and listens on
// a local socket named after it ("VorlaMutex" + user id + display); a later start finds the lock
// taken and talks to the running copy over the socket instead of opening a window.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <optional>

class QLocalSocket;

namespace vorla {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QObject* parent = nullptr);

    // "VorlaMutex" + the user id + SessionSuffix().
    static QString Key();
    // "-" + the display in use (X11 DISPLAY without its screen number, WAYLAND_DISPLAY, or the
    // platform's name such as "offscreen"), made safe for a file name; "" when there is none.
    static QString SessionSuffix();
    static QString SessionSuffix(const QString& platform, QString x11Display,
                                 const QString& waylandDisplay);
    // XDG_RUNTIME_DIR, or the temporary folder when it is unset.
    static QString RuntimeDirectory();

    // true: this is the first copy and it now listens for later starts. The lock file makes
    // the check race-free: of two copies started together exactly one gets it, and a lock left
    // by a crashed copy is taken over.
    bool Claim();

    // Later start: asks the running copy to raise its window and then, with a code, to handle
    // that request; returns once the running copy has taken the request (or at the deadline).
    // Waits up to timeoutMs for a copy that holds the lock but is not listening yet. false: no
    // running copy could be reached.
    bool SendToRunning(std::optional<int> requestCode, int timeoutMs = 3000);

signals:
    void raiseRequested();
    void requestReceived(int code);

private:
    void ReadRequests(QLocalSocket* socket);

    QString socketPath_;
    QLockFile lock_;
    QLocalServer server_;
};

}  // namespace vorla
