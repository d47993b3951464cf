#include "testing/FakeFileSystem.h"

#include <new>

namespace {

Status Failure(const QString& path, const QString& reason) {
    if (reason == QLatin1String(FakeFileSystem::kOutOfMemory)) {
        throw std::bad_alloc();
    }
    return Status::PathError(path, reason);
}

void SetOrClear(std::map<QString, QString>* failures, const QString& path, const QString& reason) {
    if (reason.isEmpty()) {
        failures->erase(path);
    } else {
        (*failures)[path] = reason;
    }
}

}  // namespace

Status FakeFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                FileIdentity* identity) {
    contents->clear();
    if (const auto failure = mReadFailures.find(path); failure != mReadFailures.end()) {
        return Failure(path, failure->second);
    }
    const auto file = mFiles.find(path);
    if (file == mFiles.end()) {
        return FileNotFound(path);
    }
    if (file->second.size() > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    *contents = file->second;
    return identity ? Identify(path, identity) : Status::Ok();
}

Status FakeFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce) {
    if (const auto failure = mWriteFailures.find(path); failure != mWriteFailures.end()) {
        ++mWriteCounts[path];
        return Failure(path, failure->second);
    }
    if (!Holds(path, produce)) {
        ByteArraySink sink;
        produce(sink);
        ++mWriteCounts[path];
        SetFile(path, sink.bytes());
    }
    return Status::Ok();
}

Status FakeFileSystem::Identify(const QString& path, FileIdentity* identity) {
    const auto file = mFiles.find(path);
    if (file == mFiles.end()) {
        return FileNotFound(path);
    }
    const quint64 inode = mInodes[path];
    *identity = {1, inode, file->second.size(), qint64(inode)};
    return Status::Ok();
}

QByteArray FakeFileSystem::FileContents(const QString& path) const {
    const auto file = mFiles.find(path);
    return file == mFiles.end() ? QByteArray() : file->second;
}

void FakeFileSystem::FailReading(const QString& path, const QString& reason) {
    SetOrClear(&mReadFailures, path, reason);
}

void FakeFileSystem::FailWriting(const QString& path, const QString& reason) {
    SetOrClear(&mWriteFailures, path, reason);
}

int FakeFileSystem::WriteCount(const QString& path) const {
    const auto count = mWriteCounts.find(path);
    return count == mWriteCounts.end() ? 0 : count->second;
}
