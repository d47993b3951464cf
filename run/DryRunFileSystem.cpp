#include "run/DryRunFileSystem.h"

Status DryRunFileSystem::ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                                  FileIdentity* identity) {
    const auto written = mWritten.constFind(path);
    if (written == mWritten.cend()) {
        return mReal.ReadFile(path, maxBytes, contents, identity);
    }
    contents->clear();
    if (written->size() > maxBytes) {
        return FileTooLarge(path, maxBytes);
    }
    *contents = *written;
    if (identity != nullptr) {
        mReal.Identify(path, identity);
    }
    return Status::Ok();
}

Status DryRunFileSystem::WriteFileFrom(const QString& path, const ByteProducer& produce) {
    // The bytes are kept anyway, so the producer runs once and they are compared in memory.
    ByteArraySink sink;
    if (Status produced = produce(sink); !produced.ok()) {
        return produced;
    }
    if (Holds(path, ProducerOf(sink.bytes()))) {
        return Status::Ok();
    }
    if (!mWritten.contains(path)) {
        mOrder.append(path);
    }
    mWritten.insert(path, std::move(sink.bytes()));
    return Status::Ok();
}

bool DryRunFileSystem::Holds(const QString& path, const ByteProducer& produce) {
    const auto written = mWritten.constFind(path);
    if (written == mWritten.cend()) {
        return mReal.Holds(path, produce);
    }
    ByteArraySink sink;
    return produce(sink).ok() && sink.bytes() == *written;
}

bool DryRunFileSystem::Exists(const QString& path) {
    return mWritten.contains(path) || mReal.Exists(path);
}

Status DryRunFileSystem::Identify(const QString& path, FileIdentity* identity) {
    return mReal.Identify(path, identity);
}

QStringList DryRunFileSystem::ChangedFiles() {
    QStringList changed;
    for (const QString& path : mOrder) {
        if (!mReal.Holds(path, ProducerOf(mWritten[path]))) {
            changed.append(path);
        }
    }
    return changed;
}
