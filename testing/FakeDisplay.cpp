#include "testing/FakeDisplay.h"

#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>

namespace {

// Binds `fd` to display number `number`; false when the number is taken.
bool Bind(int fd, FakeDisplay::Transport transport, int number) {
    if (transport == FakeDisplay::Transport::Tcp) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(6000 + number));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    // The abstract name the X library tries first; it leaves nothing in the file system.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = "/tmp/.X11-unix/X" + QByteArray::number(number);
    std::memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
}

}  // namespace

FakeDisplay::FakeDisplay(Transport transport, Behaviour behaviour) {
    // Numbers far above those of real displays; TCP ports 6400 to 6999.
    for (int number = 400; number < 1000 && mName.isEmpty(); ++number) {
        UniqueFd fd(::socket(transport == Transport::Tcp ? AF_INET : AF_UNIX,
                             SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (fd.valid() && Bind(fd.get(), transport, number) && ::listen(fd.get(), 64) == 0) {
            mListener = std::move(fd);
            mName = (transport == Transport::Tcp ? QStringLiteral("127.0.0.1:%1")
                                                 : QStringLiteral(":%1"))
                        .arg(number);
        }
    }
    // A silent display needs nobody to accept: the kernel completes the connections it queues.
    if (behaviour == Behaviour::HangsUp && mListener.valid()) {
        mThread = std::thread([this] {
            int fd;
            while ((fd = ::accept4(mListener.get(), nullptr, nullptr, SOCK_CLOEXEC)) >= 0 ||
                   errno == EINTR || errno == ECONNABORTED) {
                UniqueFd accepted(fd);  // and closed at once
            }
        });
    }
}

FakeDisplay::~FakeDisplay() {
    if (mThread.joinable()) {
        ::shutdown(mListener.get(), SHUT_RDWR);  // the thread's accept() fails from here on
        mThread.join();
    }
}
