#include "platform/ComparingSink.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// The file is read in pieces of at most this size, however large the appended pieces are.
constexpr std::size_t kReadBytes = std::size_t{256} << 10;

}  // namespace

bool ComparingSink::Append(const char* data, std::size_t size) {
    if (mDiffers || static_cast<std::size_t>(mSize - mOffset) < size) {
        mDiffers = true;
        return false;
    }
    while (size > 0) {
        const std::size_t want = std::min(size, kReadBytes);
        if (mBuffer.size() < qsizetype(want)) {
            mBuffer.resize(qsizetype(want));
        }
        const ssize_t got = ::pread(mFd, mBuffer.data(), want, mOffset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        // A read error or a file that shrank counts as a difference: the file is then replaced.
        if (got <= 0 || std::memcmp(mBuffer.constData(), data, std::size_t(got)) != 0) {
            mDiffers = true;
            return false;
        }
        data += got;
        size -= std::size_t(got);
        mOffset += got;
    }
    return true;
}

bool ComparingSink::Restart() {
    mOffset = 0;
    mDiffers = false;
    return true;
}

bool ComparingSink::Same() {
    if (mDiffers || mOffset != mSize) {
        return false;
    }
    char extra;
    ssize_t got;
    do {
        got = ::pread(mFd, &extra, 1, mOffset);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}
