#pragma once
// A local socket through which another program posts window messages to the
// console, standing in for a message posted to its window handle. One line
// per message: "<message> <first parameter> <second parameter>", numbers in
// decimal or 0x hex, e.g. "0x467 0 0x204". The socket is
// $XDG_RUNTIME_DIR/tarnwell-console (or /tmp/tarnwell-console-<uid>).
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace tarnwell {

class ConsoleMessageChannel : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(unsigned message, quintptr first, quintptr second)>;

    explicit ConsoleMessageChannel(Handler handler, QObject* parent = nullptr);
    ~ConsoleMessageChannel() override;

    bool IsListening() const;
    static QString SocketPath();
    // Posts one message to a running console; false when none listens.
    static bool Post(unsigned message, quintptr first, quintptr second);

private:
    void ReadFrom(QLocalSocket* socket);
    Handler handler_;
    QLocalServer* server_ = nullptr;
};

} // namespace tarnwell
