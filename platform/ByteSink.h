#pragma once

#include "platform/Status.h"

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <string>

// Where the bytes of a file go while they are produced, so that a large file never has to be held
// in memory whole.
class ByteSink {
  public:
    // Adds `size` bytes at the end. Returns false once writing has failed; from then on the bytes
    // are dropped, and whoever handed out the sink reports why.
    virtual bool Append(const char* data, std::size_t size) = 0;
    // Appends `bytes` and leaves it empty. A sink that keeps buffers of its own may take this one
    // and put one of its own in its place, which saves copying the bytes.
    virtual bool Take(std::string& bytes) {
        const bool appended = Append(bytes.data(), bytes.size());
        bytes.clear();
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
