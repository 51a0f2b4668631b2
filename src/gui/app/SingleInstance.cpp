#include "gui/app/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <vector>

#include "gui/app/CMainFrame.h"

namespace vorla {

namespace {

// A request line is a few bytes; anything longer is not from another copy of the program.
constexpr qint64 kMaxRequestBytes = 64;
const QByteArray kRaise = QByteArrayLiteral("raise");
const QByteArray kDone = QByteArrayLiteral("done");
constexpr int kRaiseRequest = 0;  // not a request code: those are negative

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent),
      socketPath_(RuntimeDirectory() + QLatin1Char('/') + Key()),
      lock_(socketPath_ + QStringLiteral(".lock")) {
    // Held for the life of the process, so no age makes it stale; a dead holder still does.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { ReadRequests(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            ReadRequests(socket);
        }
    });
}

QString SingleInstance::Key() {
    return QStringLiteral("VorlaMutex") + QString::number(::getuid()) + SessionSuffix();
}

QString SingleInstance::SessionSuffix() {
    return SessionSuffix(QGuiApplication::platformName(), qEnvironmentVariable("DISPLAY"),
                         qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QString SingleInstance::SessionSuffix(const QString& platform, QString x11Display,
                                      const QString& waylandDisplay) {
    // The display the program shows on: each desktop session (and each Xvfb) has its own copy.
    QString display;
    if (platform == QLatin1String("wayland")) {
        display = waylandDisplay;
    } else if (platform == QLatin1String("xcb")) {
        // ":0" and ":0.0" are the same session: the screen number does not count.
        static const QRegularExpression screen(QStringLiteral("\\.\\d+$"));
        display = x11Display.remove(screen);
    } else {
        display = platform;
    }
    if (display.isEmpty()) return {};
    // A socket name keeps to safe characters.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]"));
    return QLatin1Char('-') + display.replace(unsafe, QStringLiteral("_"));
}

QString SingleInstance::RuntimeDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

bool SingleInstance::Claim() {
    if (!lock_.tryLock(0)) return false;
    // Holding the lock, any socket file left behind is from a copy that is gone.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(socketPath_);
}

bool SingleInstance::SendToRunning(std::optional<int> requestCode, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(100)) break;
        socket.abort();
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);
    }
    QByteArray request = kRaise + '\n';
    if (requestCode) request += QByteArray::number(*requestCode) + '\n';
    socket.write(request);
    const bool sent = socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    // A request is done once the running copy has taken what it needs from the settings file.
    while (sent && requestCode && !socket.canReadLine() && !deadline.hasExpired() &&
           socket.state() == QLocalSocket::ConnectedState) {
        socket.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 100)));
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
    return sent;
}

void SingleInstance::ReadRequests(QLocalSocket* socket) {
    // Read what has arrived in full before anything runs: a request may open a message box, whose
    // loop sees the socket disconnect and deletes it. The requests run queued, after this returns.
    std::vector<int> requests;  // kRaiseRequest or a request code
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxRequestBytes).trimmed();
        if (line == kRaise) {
            requests.push_back(kRaiseRequest);
            continue;
        }
        bool isNumber = false;
        const int code = line.toInt(&isNumber);
        // Only the hand-over request comes from outside the process.
        if (isNumber && code == static_cast<int>(MainFrameRequest::OpenHandedOverFile)) {
            requests.push_back(code);
        }
    }
    if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
    const QPointer<QLocalSocket> sender(socket);
    for (int request : requests) {
        QMetaObject::invokeMethod(
            this,
            [this, request, sender] {
                if (request == kRaiseRequest) {
                    emit raiseRequested();
                    return;
                }
                emit requestReceived(request);
                // The later start waits for this before it hands over its next file, which
                // reuses the same setting.
                if (sender && sender->state() == QLocalSocket::ConnectedState) {
                    sender->write(kDone + '\n');
                    sender->flush();
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace vorla
