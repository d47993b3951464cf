#pragma once

#include "platform/Status.h"

#include <QByteArray>

#include <cassert>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

// Bytes on their way out, handed from whoever fills the buffer to whoever writes it, not copied.
// Its room is not cleared first: only the bytes appended are ever read.
class ByteBuffer {
  public:
    ByteBuffer() = default;
    explicit ByteBuffer(std::size_t capacity)
        : mBytes(std::make_unique_for_overwrite<char[]>(capacity)), mCapacity(capacity) {}

    const char* data() const { return mBytes.get(); }
    std::size_t size() const { return mSize; }
    bool empty() const { return mSize == 0; }
    std::size_t capacity() const { return mCapacity; }
    std::size_t room() const { return mCapacity - mSize; }

    // At most room() bytes.
    void Append(const char* data, std::size_t size) {
        assert(size <= room());
        char* to = mBytes.get() + mSize;
        mSize += size;
        // The pieces of an export are mostly a value or a line, copied faster in place than
        // through a call.
        if (size >= 16 && size <= 32) {
            std::memcpy(to, data, 16);
            std::memcpy(to + size - 16, data + size - 16, 16);
        } else if (size >= 8 && size < 16) {
            std::memcpy(to, data, 8);
            std::memcpy(to + size - 8, data + size - 8, 8);
        } else if (size > 0) {  // an unallocated buffer's null `to` is no pointer for memcpy
            std::memcpy(to, data, size);
        }
    }
    void Clear() { mSize = 0; }

  private:
    std::unique_ptr<char[]> mBytes;
    std::size_t mCapacity = 0;
    std::size_t mSize = 0;
};

// Where the bytes of a file go while they are produced, so that a large file never has to be held
// in memory whole.
class ByteSink {
  public:
    // Adds `size` bytes at the end. Returns false once writing has failed; from then on the bytes
    // are dropped, and whoever handed out the sink reports why.
    virtual bool Append(const char* data, std::size_t size) = 0;
    // Appends `bytes` and leaves it empty. A sink that keeps buffers of its own may take this one
    // and put one of its own in its place, of any capacity, which saves copying the bytes.
    virtual bool Take(ByteBuffer& bytes) {
        const bool appended = Append(bytes.data(), bytes.size());
        bytes.Clear();
        return appended;
    }
    // Drops everything appended so far, so that the producer can start over.
    virtual bool Restart() = 0;

  protected:
    ~ByteSink() = default;
};

// Produces the contents of a file into a sink. Fails when what it produces from cannot be read;
// the file is then left as it was.
using ByteProducer = std::function<Status(ByteSink&)>;

// Produces `bytes`, which must outlive the producer.
inline ByteProducer ProducerOf(const QByteArray& bytes) {
    return [&bytes](ByteSink& sink) {
        sink.Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return Status::Ok();
    };
}

// Hands each piece to a function as it comes; what was handed on stays, so it cannot restart.
class FunctionSink final : public ByteSink {
  public:
    explicit FunctionSink(std::function<void(const QByteArray&)> take) : mTake(std::move(take)) {}
    bool Append(const char* data, std::size_t size) override {
        mTake(QByteArray(data, static_cast<qsizetype>(size)));
        return true;
    }
    bool Restart() override { return false; }

  private:
    std::function<void(const QByteArray&)> mTake;
};

// Keeps the bytes in memory.
class ByteArraySink final : public ByteSink {
  public:
    bool Append(const char* data, std::size_t size) override {
        mBytes.append(data, static_cast<qsizetype>(size));
        return true;
    }
    bool Restart() override {
        mBytes.clear();
        return true;
    }
    QByteArray& bytes() { return mBytes; }

  private:
    QByteArray mBytes;
};
