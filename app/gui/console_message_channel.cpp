#include "app/gui/console_message_channel.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>
#include <unistd.h>

namespace tarnwell {

namespace {

bool ParseNumber(const QString& text, quintptr& value) {
    bool ok = false;
    value = static_cast<quintptr>(text.toULongLong(&ok, 0));
    return ok;
}

} // namespace

QString ConsoleMessageChannel::SocketPath() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime + "/tarnwell-console";
    return QString("/tmp/tarnwell-console-%1").arg(::getuid());
}

ConsoleMessageChannel::ConsoleMessageChannel(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a console that did not end cleanly is taken over; a
    // running console keeps its own, and this one then has no channel.
    if (!server_->listen(SocketPath())) {
        QLocalSocket probe;
        probe.connectToServer(SocketPath());
        if (!probe.waitForConnected(200)) {
            QLocalServer::removeServer(SocketPath());
            server_->listen(SocketPath());
        }
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            ReadFrom(socket);
        }
    });
}

ConsoleMessageChannel::~ConsoleMessageChannel() {
    if (server_->isListening()) server_->close();
}

bool ConsoleMessageChannel::IsListening() const { return server_->isListening(); }

void ConsoleMessageChannel::ReadFrom(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        QStringList fields = QString::fromUtf8(socket->readLine(256)).simplified().split(' ');
        quintptr message = 0, first = 0, second = 0;
        if (fields.size() != 3 || !ParseNumber(fields[0], message) || !ParseNumber(fields[1], first) ||
            !ParseNumber(fields[2], second))
            continue;
        // Handled later from the event loop, as a posted message is: a handler
        // that opens a menu must not run inside this socket's signal.
        QMetaObject::invokeMethod(
            this, [this, message, first, second] { handler_(static_cast<unsigned>(message), first, second); },
            Qt::QueuedConnection);
    }
    // A line longer than any message is dropped rather than kept growing.
    if (socket->bytesAvailable() > 256) socket->readAll();
}

bool ConsoleMessageChannel::Post(unsigned message, quintptr first, quintptr second) {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(1000)) return false;
    socket.write(QString("0x%1 %2 %3\n").arg(message, 0, 16).arg(first).arg(second).toUtf8());
    bool written = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return written;
}

} // namespace tarnwell
