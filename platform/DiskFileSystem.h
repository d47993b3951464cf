#pragma once

#include "platform/FileSystem.h"

// The real disk.
class DiskFileSystem : public FileSystem {
  public:
    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) override;
    Status WriteFileFrom(const QString& path, const ByteProducer& produce) override;
    bool Exists(const QString& path) override;
};
