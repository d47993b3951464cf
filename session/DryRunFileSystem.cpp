#include "session/DryRunFileSystem.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Keeps what is appended to it in `bytes` up to `limit` bytes; past that it keeps nothing, but
// still takes everything, so that the producer runs to the end. `bytes` keeps its room from one
// write to the next: fresh memory costs more than the copy.
class LimitedSink final : public ByteSink {
  public:
    LimitedSink(QByteArray& bytes, qint64 limit) : mBytes(bytes), mLimit(limit) {
        mBytes.resize(0);
    }

    bool Append(const char* data, std::size_t size) override {
        mTotal += qint64(size);
        if (mTotal <= mLimit) {
            // Grown by half at least: QByteArray::append alone may copy the bytes at every piece.
            if (mBytes.capacity() < mTotal) {
                mBytes.reserve(std::max(mTotal, mBytes.capacity() + mBytes.capacity() / 2));
            }
            mBytes.append(data, qsizetype(size));
        } else if (!mBytes.isNull()) {
            mBytes = QByteArray();
        }
        return true;
    }
    bool Restart() override {
        mTotal = 0;
        mBytes.resize(0);
        return true;
    }

    // True when every byte appended is kept.
    bool Whole() const { return mTotal <= mLimit; }

  private:
    QByteArray& mBytes;
    qint64 mLimit;
    qint64 mTotal = 0;
};

// Hands everything to two sinks. What the first says is not asked: it may stop taking bytes (a
// comparison that found a difference) while the second still needs them all.
class TeeSink final : public ByteSink {
  public:
    TeeSink(ByteSink& first, ByteSink& second) : mFirst(first), mSecond(second) {}

    bool Append(const char* data, std::size_t size) override {
        mFirst.Append(data, size);
        return mSecond.Append(data, size);
    }
    bool Restart() override {
        mFirst.Restart();
        return mSecond.Restart();
    }

  private:
    ByteSink& mFirst;
    ByteSink& mSecond;
};

}  // namespace

const DryRunFileSystem::Written* DryRunFileSystem::KeptWrite(const QString& path) const {
    const auto written = mWritten.constFind(path);
    return written != mWritten.cend() && written->kept ? &*written : nullptr;
}

Status DryRunFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                  FileIdentity* identity) {
    const Written* written = KeptWrite(path);
    if (written == nullptr) {
        return mReal.ReadFile(path, maxBytes, contents, identity);
    }
    contents->clear();
    if (written->bytes.size() > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    *contents = written->bytes;
    // A file that exists only here has no identity; one that it stands for on the disk keeps
    // that file's.
    if (identity != nullptr && !mReal.Identify(path, identity).ok()) {
        *identity = FileIdentity();
    }
    return Status::Ok();
}

Status DryRunFileSystem::OpenFile(const QString& path, qint64 maxBytes,
                                  std::unique_ptr<ByteSource>* source) {
    if (KeptWrite(path) == nullptr) {
        return mReal.OpenFile(path, maxBytes, source);
    }
    return FileSystem::OpenFile(path, maxBytes, source);
}

Status DryRunFileSystem::OpenTrustedFile(const QString& path, qint64 maxBytes,
                                         std::unique_ptr<ByteSource>* source) {
    if (KeptWrite(path) == nullptr) {
        return mReal.OpenTrustedFile(path, maxBytes, source);
    }
    // The real file is read only for its path's sake; what this run wrote there is the text.
    if (Status trusted = mReal.OpenTrustedFile(path, maxBytes, source); trusted.IsUntrusted()) {
        return trusted;
    }
    return FileSystem::OpenFile(path, maxBytes, source);
}

Status DryRunFileSystem::ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                         FileIdentity* identity) {
    if (KeptWrite(path) == nullptr) {
        return mReal.ReadTrustedFile(path, maxBytes, contents, identity);
    }
    // The real file is read only for its path's sake; what this run wrote there is the text.
    if (Status trusted = mReal.ReadTrustedFile(path, maxBytes, contents, identity);
        trusted.IsUntrusted()) {
        return trusted;
    }
    return ReadFile(path, maxBytes, contents, identity);
}

Status DryRunFileSystem::ReadReplacedFile(const QString& path, qint64 maxBytes,
                                          QByteArray* contents, bool* linked) {
    const Status real = mReal.ReadReplacedFile(path, maxBytes, contents, linked);
    const Written* written = KeptWrite(path);
    if (written == nullptr || (!real.ok() && !real.IsNotFound())) {
        return real;
    }
    return ReadFile(path, maxBytes, contents);
}

Status DryRunFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce,
                                       FileAccess) {
    if (Status writable = mReal.CheckWriteTarget(path); !writable.ok()) {
        return writable;
    }
    const bool keep = mKeptPaths.contains(path);
    LimitedSink bytes(mNewBytes, keep    ? std::numeric_limits<qint64>::max()
                                 : mShow ? mShownBytes
                                         : 0);
    Status produced = Status::Ok();
    bool same = false;
    bool differs = false;
    if (const Written* earlier = KeptWrite(path)) {
        produced = produce(bytes);
        same = mNewBytes == earlier->bytes;
        differs = !mReal.Holds(path, ProducerOf(mNewBytes));
    } else {
        // Compared with the real file as they come; a file that cannot be compared (missing, not
        // a regular file) does not ask for the bytes.
        bool asked = false;
        same = mReal.Holds(path, [&](ByteSink& existing) {
            asked = true;
            TeeSink both(existing, bytes);
            produced = produce(both);
            return produced;
        });
        if (!asked) {
            produced = produce(bytes);
        }
        differs = !same;
    }
    if (!produced.ok()) {
        return produced;
    }
    if (!same && mShow) {
        mShow(path, bytes.Whole() ? &mNewBytes : nullptr);
    }
    if (!mWritten.contains(path)) {
        mOrder.append(path);
    }
    mWritten.insert(path, {differs, keep, keep ? std::exchange(mNewBytes, {}) : QByteArray()});
    return Status::Ok();
}

bool DryRunFileSystem::Holds(const QString& path, const ByteProducer& produce) {
    const Written* written = KeptWrite(path);
    if (written == nullptr) {
        return mReal.Holds(path, produce);
    }
    ByteArraySink sink;
    return produce(sink).ok() && sink.bytes() == written->bytes;
}

bool DryRunFileSystem::Exists(const QString& path) {
    return mWritten.contains(path) || mReal.Exists(path);
}

Status DryRunFileSystem::Identify(const QString& path, FileIdentity* identity) {
    return mReal.Identify(path, identity);
}

Status DryRunFileSystem::LockForUpdate(const QString&, const LockWait&,
                                       std::unique_ptr<UpdateLock>* lock) {
    *lock = std::make_unique<UpdateLock>();
    return Status::Ok();
}

QStringList DryRunFileSystem::ChangedFiles() const {
    QStringList changed;
    for (const QString& path : mOrder) {
        if (mWritten.value(path).differs) {
            changed.append(path);
        }
    }
    return changed;
}
