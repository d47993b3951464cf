#include "platform/UniqueFd.h"

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;  // not expected from write(); never loop on it
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}
