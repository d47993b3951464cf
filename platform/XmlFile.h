#pragma once

#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"

// No configuration or settings file comes near this size; a larger file is refused before it is
// parsed.
constexpr qint64 kMaxXmlFileBytes = 64 * 1024 * 1024;

// Reads the file at `path` and parses it into `document`. Fails with a Status that IsNotFound()
// when the file does not exist, and otherwise with a message that names the path and the reason.
Status LoadXmlFile(FileSystem& fileSystem, const QString& path, XmlDocument* document);

// Serializes `document` and replaces the file at `path` with it, all or nothing.
Status SaveXmlFile(FileSystem& fileSystem, const XmlDocument& document, const QString& path);
