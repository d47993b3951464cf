#include "testing/FakeFileSystem.h"

#include <new>

namespace {

// "<path>: <reason>", std::bad_alloc for kOutOfMemory, or success for no reason.
Status Failure(const QString& path, const QString& reason) {
    if (reason == QLatin1String(FakeFileSystem::kOutOfMemory))
        throw std::bad_alloc();
    return reason.isEmpty() ? Status::Ok() : Status::PathError(path, reason);
}

}  // namespace

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

Status FakeFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce) {
    if (const QString failure = mWriteFailures.value(path); !failure.isEmpty()) {
        ++mWriteCounts[path];
        return Failure(path, failure);
    }
    ByteArraySink sink;
    produce(sink);
    if (!Holds(path, ProducerOf(sink.bytes()))) {
        ++mWriteCounts[path];
        SetFile(path, sink.bytes());
    }
    return Status::Ok();
}

Status FakeFileSystem::Identify(const QString& path, FileIdentity* identity) {
    if (!HasFile(path))
        return FileNotFound(path);
    const File file = mFiles.value(path);
    *identity = {1, file.inode, file.bytes.size(), qint64(file.inode)};
    return Status::Ok();
}
