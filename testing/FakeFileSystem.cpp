#include "testing/FakeFileSystem.h"

#include <new>

namespace {

// "<path>: <reason>", std::bad_alloc for kOutOfMemory, or success for no reason.
Status Failure(const QString& path, const QString& reason) {
    if (reason == QLatin1String(FakeFileSystem::kOutOfMemory))
        throw std::bad_alloc();
    return reason.isEmpty() ? Status::Ok() : Status::PathError(path, reason);
}

class PieceSource final : public ByteSource {
  public:
    PieceSource(const QByteArray& bytes, Status failure)
        : mBytes(bytes, 7), mFailure(std::move(failure)) {}
    Status Read(char* buffer, std::size_t capacity, std::size_t* got) override {
        *got = 0;
        return mPieces++ > 0 && !mFailure.ok() ? mFailure : mBytes.Read(buffer, capacity, got);
    }
    Status Rewind() override { return mPieces = 0, mBytes.Rewind(); }

  private:
    ByteArraySource mBytes;
    Status mFailure;
    int mPieces = 0;
};

}  // namespace

Status FakeFileSystem::OpenFile(const QString& path, qint64 maxBytes,
                                std::unique_ptr<ByteSource>* source) {
    QByteArray contents;
    Status read = ReadFile(path, maxBytes, &contents);
    *source = std::make_unique<PieceSource>(contents, Failure(path, mMidwayFailures.value(path)));
    return read;
}

Status FakeFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                FileIdentity* identity) {
    contents->clear();
    if (Status failed = Failure(path, mReadFailures.value(path)); !failed.ok())
        return failed;
    if (!HasFile(path))
        return FileNotFound(path);
    if (FileContents(path).size() > maxBytes)
        return FileTooLarge(path, maxBytes);
    *contents = FileContents(path);
    return identity ? Identify(path, identity) : Status::Ok();
}

Status FakeFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce,
                                     FileAccess access) {
    if (const QString failure = mWriteFailures.value(path); !failure.isEmpty()) {
        ++mWriteCounts[path];
        return Failure(path, failure);
    }
    ByteArraySink sink;
    if (Status produced = produce(sink); !produced.ok()) {
        return produced;
    }
    const bool existed = HasFile(path);
    if (!Holds(path, ProducerOf(sink.bytes()))) {
        ++mWriteCounts[path];
        SetFile(path, sink.bytes());
    }
    if (access.mode) {
        mFiles[path].mode = *access.mode;
    } else if (!existed) {
        mFiles[path].mode = access.newFile == NewFileAccess::OwnerOnly ? 0600 : 0644;
    }
    return Status::Ok();
}

Status FakeFileSystem::ModeOf(const QString& path, unsigned* mode) {
    if (!HasFile(path))
        return FileNotFound(path);
    *mode = mFiles.value(path).mode;
    return Status::Ok();
}

Status FakeFileSystem::Identify(const QString& path, FileIdentity* identity) {
    if (!HasFile(path))
        return FileNotFound(path);
    const File file = mFiles.value(path);
    *identity = {1, file.inode, file.bytes.size(), qint64(file.inode)};
    return Status::Ok();
}
