#include "support/socket_pair.h"

#include "platform/socket_wait.h"
#include "platform/tcp_listener.h"

namespace tarnwell::test {

bool ConnectSocketPair(TcpSocket& first, TcpSocket& second) {
    TcpListener listener;
    if (!listener.Listen(NetworkOrder(0x7f000001), 0)) return false;
    first = TcpSocket::Create();
    if (!first.Connect("127.0.0.1", listener.Port(), Milliseconds(5000))) return false;
    if (!WaitForSocket(listener.Handle(), false, Milliseconds(5000))) return false;
    second = listener.Accept();
    return second.IsValid();
}

} // namespace tarnwell::test
