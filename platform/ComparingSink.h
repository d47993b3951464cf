#pragma once

#include "platform/ByteSink.h"

#include <QByteArray>

#include <sys/types.h>

// Compares what is appended to it with the contents of an open regular file, from its start,
// holding neither whole: each piece is checked against the same stretch of the file as it comes,
// read in pieces of its own. At the first difference, or past the file's end, Append returns
// false, and from then on the bytes are dropped.
// Restart starts the comparison over at the start of the file.
class ComparingSink final : public ByteSink {
  public:
    // `fd` stays open and owned by the caller while the sink is used; `size` is the file's size.
    ComparingSink(int fd, off_t size) : mFd(fd), mSize(size) {}

    bool Append(const char* data, std::size_t size) override;
    bool Restart() override;

    // True when everything appended equals the whole file: the same bytes and nothing more in the
    // file (which is looked at once more, in case it grew).
    bool Same();

  private:
    int mFd;
    off_t mSize;
    off_t mOffset = 0;
    bool mDiffers = false;
    QByteArray mBuffer;
};
