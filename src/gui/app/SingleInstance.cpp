#include "gui/app/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include "gui/app/CMainFrame.h"

namespace vorla {

namespace {

// A request line is a few bytes; anything longer is not from another copy of the program.
constexpr qint64 kMaxRequestBytes = 64;
const QByteArray kRaise = QByteArrayLiteral("raise");

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
    return QStringLiteral("VorlaMutex") + QString::number(::getuid());
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
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
    return sent;
}

void SingleInstance::ReadRequests(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxRequestBytes).trimmed();
        if (line == kRaise) {
            emit raiseRequested();
            continue;
        }
        bool isNumber = false;
        const int code = line.toInt(&isNumber);
        // Only the hand-over request comes from outside the process.
        if (isNumber && code == static_cast<int>(MainFrameRequest::OpenHandedOverFile)) {
            emit requestReceived(code);
        }
    }
    if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
}

}  // namespace vorla
