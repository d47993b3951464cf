#include "platform/Display.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// X11 listens on TCP port 6000 + the display number.
constexpr int kXTcpPort = 6000;

struct AddressInfoDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// Milliseconds left until `deadline`, for poll().
int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false when the time ran out first.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd entry{fd, events, 0};
    while (true) {
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}

// The functions below connect to the display that messages call `display` ("the display :0"); a
// failure names it and gives the operating system's reason.

// A connected socket to `address`; ETIMEDOUT's reason when the connection was not made before
// `deadline`.
Status Connect(const QString& display, int family, const sockaddr* address, socklen_t length,
               Clock::time_point deadline, UniqueFd* connected) {
    UniqueFd fd(::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        return ErrnoFailure(display, errno);
    }
    if (::connect(fd.get(), address, length) != 0) {
        if (errno != EINPROGRESS) {
            return ErrnoFailure(display, errno);
        }
        if (!WaitFor(fd.get(), POLLOUT, deadline)) {
            return ErrnoFailure(display, ETIMEDOUT);
        }
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
            return ErrnoFailure(display, error != 0 ? error : errno);
        }
    }
    *connected = std::move(fd);
    return Status::Ok();
}

// A local socket at `path`; with `abstract`, the name in the abstract namespace, which the X
// library tries first.
Status ConnectLocal(const QString& display, const QByteArray& path, bool abstract,
                    Clock::time_point deadline, UniqueFd* connected) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) {
        return ErrnoFailure(display, ENAMETOOLONG);
    }
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(path.size()) +
                                  (abstract ? 0 : 1));
    return Connect(display, AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, deadline,
                   connected);
}

// TCP to `port` of `host` (localhost when empty), each of its addresses in turn; a failure gives
// the reason of the last attempt, EHOSTUNREACH's when the host has no address.
Status ConnectTcp(const QString& display, const QString& host, int port, Clock::time_point deadline,
                  UniqueFd* connected) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray name = host.isEmpty() ? QByteArray("localhost") : host.toUtf8();
    if (::getaddrinfo(name.constData(), QByteArray::number(port).constData(), &hints, &found) !=
        0) {
        return ErrnoFailure(display, EHOSTUNREACH);
    }
    const std::unique_ptr<addrinfo, AddressInfoDeleter> list(found);
    Status connection = ErrnoFailure(display, EHOSTUNREACH);
    for (const addrinfo* entry = found; entry != nullptr && !connection.ok();
         entry = entry->ai_next) {
        connection = Connect(display, entry->ai_family, entry->ai_addr, entry->ai_addrlen, deadline,
                             connected);
    }
    return connection;
}

// A connection to `address` as the X library makes it; a failure gives the reason of the last
// attempt.
Status ConnectToDisplay(const QString& display, const XDisplayAddress& address,
                        Clock::time_point deadline, UniqueFd* connected) {
    if (!address.socketPath.isEmpty()) {
        return ConnectLocal(display, QFile::encodeName(address.socketPath), false, deadline,
                            connected);
    }
    const int port = kXTcpPort + address.number;
    if (!address.host.isEmpty()) {
        return ConnectTcp(display, address.host, port, deadline, connected);
    }
    const QByteArray local = "/tmp/.X11-unix/X" + QByteArray::number(address.number);
    Status connection = ConnectLocal(display, local, true, deadline, connected);
    if (!connection.ok()) {
        connection = ConnectLocal(display, local, false, deadline, connected);
    }
    if (!connection.ok()) {
        connection = ConnectTcp(display, QString(), port, deadline, connected);
    }
    return connection;
}

}  // namespace

bool HasDisplay(const QProcessEnvironment& environment) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QLatin1String(name)).isEmpty()) {
            return true;
        }
    }
    return false;
}

std::optional<XDisplayAddress> ParseXDisplay(const QString& display) {
    QString rest = display;
    QString protocol;
    // A protocol before a slash ("unix/:0", "tcp/host:0"); a path starts with the slash itself.
    if (const qsizetype slash = rest.indexOf(u'/'); slash > 0) {
        protocol = rest.left(slash).toLower();
        rest = rest.mid(slash + 1);
    }
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon < 0 || (colon > 0 && rest[colon - 1] == u':')) {
        return std::nullopt;
    }
    XDisplayAddress address;
    const QString host = rest.left(colon);
    const QString number = rest.mid(colon + 1).section(u'.', 0, 0);
    bool isNumber = false;
    address.number = number.toInt(&isNumber);
    if (!isNumber || address.number < 0 || address.number > 65535 - kXTcpPort ||
        !number.front().isDigit()) {
        return std::nullopt;
    }
    if (host.startsWith(u'/')) {
        address.socketPath = host;
    } else if (protocol != u"unix" && host != u"unix") {
        address.host =
            host.startsWith(u'[') && host.endsWith(u']') ? host.mid(1, host.size() - 2) : host;
        if (address.host.isEmpty() && !protocol.isEmpty()) {
            address.host = QStringLiteral("localhost");
        }
    }
    return address;
}

std::optional<QString> XDisplayToProbe(const QProcessEnvironment& environment) {
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (display.isEmpty() || !(platform.isEmpty() || platform.startsWith(u"xcb"))) {
        return std::nullopt;
    }
    return display;
}

Status ProbeXDisplay(const QString& display, std::chrono::milliseconds timeout) {
    const std::optional<XDisplayAddress> address = ParseXDisplay(display);
    if (!address) {
        return Status::Ok();
    }
    const QString name = QCoreApplication::translate("Display", "the display %1").arg(display);
    const Clock::time_point deadline = Clock::now() + timeout;
    UniqueFd connection;
    if (Status connected = ConnectToDisplay(name, *address, deadline, &connection);
        !connected.ok()) {
        return connected;
    }
    // The setup request without authorization: byte order, an unused byte, protocol version
    // 11.0, two empty lengths and two unused bytes. A server answers it even when it refuses.
    const char setup[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (::send(connection.get(), setup, sizeof setup, MSG_NOSIGNAL) != sizeof setup) {
        // A display that has already ended the connection has answered: nothing will wait on it.
        return errno == EPIPE || errno == ECONNRESET ? Status::Ok() : ErrnoFailure(name, errno);
    }
    if (!WaitFor(connection.get(), POLLIN, deadline)) {
        return Status::PathError(
            name, QCoreApplication::translate(
                      "Display", "took the connection but did not answer within %1 seconds")
                      .arg(double(timeout.count()) / 1000.0));
    }
    return Status::Ok();
}
