#pragma once

#include <errno.h>
#include <unistd.h>

#include <utility>

// Owns a file descriptor and closes it when it goes. Close() is there for the writers, to whom a
// failing close() can be the first report of a lost write.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : mFd(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(UniqueFd&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Close();
            mFd = std::exchange(other.mFd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return mFd; }
    bool valid() const { return mFd >= 0; }

    // 0, or the errno of a failing close(). EINTR leaves the descriptor closed on Linux, so it is
    // not retried, and not taken for a failure either.
    int Close() {
        if (mFd < 0) {
            return 0;
        }
        const int result = ::close(std::exchange(mFd, -1));
        return result < 0 && errno != EINTR ? errno : 0;
    }

  private:
    int mFd = -1;
};
