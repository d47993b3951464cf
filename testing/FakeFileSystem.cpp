#include "testing/FakeFileSystem.h"

namespace {

void SetOrClear(std::map<QString, QString>* failures, const QString& path, const QString& reason) {
    if (reason.isEmpty()) {
        failures->erase(path);
    } else {
        (*failures)[path] = reason;
    }
}

}  // namespace

Status FakeFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) {
    contents->clear();
    if (const auto failure = mReadFailures.find(path); failure != mReadFailures.end()) {
        return Status::PathError(path, failure->second);
    }
    const auto file = mFiles.find(path);
    if (file == mFiles.end()) {
        return FileNotFound(path);
    }
    if (file->second.size() > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    *contents = file->second;
    return Status::Ok();
}

Status FakeFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce) {
    ++mWriteCounts[path];
    if (const auto failure = mWriteFailures.find(path); failure != mWriteFailures.end()) {
        return Status::PathError(path, failure->second);
    }
    ByteArraySink sink;
    produce(sink);
    mFiles[path] = std::move(sink.bytes());
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
