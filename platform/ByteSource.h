#pragma once

#include "platform/Status.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Where the bytes of a file come from while they are used, so that a large file never has to be
// held in memory whole.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Reads at most `capacity` (at least 1) bytes into `buffer` and says how many in `*got`, which
    // is 0 only at the end. Fails with an error that names the file and the reason.
    virtual Status Read(char* buffer, std::size_t capacity, std::size_t* got) = 0;
    // Goes back to the first byte.
    virtual Status Rewind() = 0;
    // How many bytes the source holds from its first, as far as it knows (a file: its size when
    // it was opened); 0 when it does not. Only a hint, for the room to read them into.
    virtual qint64 SizeHint() const { return 0; }
};

// Bytes in memory, handed out at most `pieceBytes` at a time; tests make the pieces tiny.
class ByteArraySource final : public ByteSource {
  public:
    explicit ByteArraySource(QByteArray bytes, std::size_t pieceBytes = SIZE_MAX)
        : mBytes(std::move(bytes)), mPieceBytes(std::max<std::size_t>(pieceBytes, 1)) {}

    Status Read(char* buffer, std::size_t capacity, std::size_t* got) override {
        *got = std::min({capacity, mPieceBytes, static_cast<std::size_t>(mBytes.size()) - mAt});
        std::memcpy(buffer, mBytes.constData() + mAt, *got);
        mAt += *got;
        return Status::Ok();
    }
    Status Rewind() override {
        mAt = 0;
        return Status::Ok();
    }

  private:
    QByteArray mBytes;
    std::size_t mPieceBytes;
    std::size_t mAt = 0;
};

// Reads what is left of `source` into `bytes`, which it replaces, in one piece when the source
// knows its size (ByteSource::SizeHint) or the caller gives it as `sizeHint`.
inline Status ReadAll(ByteSource& source, QByteArray* bytes, qsizetype sizeHint = 0) {
    constexpr qsizetype kChunk = 64 * 1024;
    sizeHint = sizeHint > 0 ? sizeHint : qsizetype(source.SizeHint());
    // reserve() takes what it is asked for; resize() alone would round a large size up.
    bytes->clear();
    bytes->reserve(std::max(sizeHint + 1, kChunk));
    bytes->resize(bytes->capacity());
    qsizetype total = 0;
    for (;;) {
        if (total == bytes->size()) {
            bytes->resize(total * 2);
        }
        std::size_t got = 0;
        if (Status read = source.Read(bytes->data() + total,
                                      static_cast<std::size_t>(bytes->size() - total), &got);
            !read.ok()) {
            bytes->clear();
            return read;
        }
        if (got == 0) {
            bytes->resize(total);
            return Status::Ok();
        }
        total += static_cast<qsizetype>(got);
    }
}
