#pragma once

#include "FileSystem.h"

// The real disk.
class DiskFileSystem : public FileSystem {
  public:
    Status ReadFile(const QString& path, qint64 maxBytes, QByteArray* contents) override;
    Status WriteFile(const QString& path, const QByteArray& contents) override;
    bool Exists(const QString& path) override;
};
