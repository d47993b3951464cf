#include "run/DryRunFileSystem.h"

namespace {

ByteProducer BytesOf(const QByteArray& bytes) {
    return [&bytes](ByteSink& sink) {
        sink.Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
}

}  // namespace

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
    if (Holds(path, produce)) {
        return Status::Ok();
    }
    ByteArraySink sink;
    produce(sink);
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
    produce(sink);
    return sink.bytes() == *written;
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
        if (!mReal.Holds(path, BytesOf(mWritten[path]))) {
            changed.append(path);
        }
    }
    return changed;
}
