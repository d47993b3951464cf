#include "platform/XmlFile.h"

Status LoadXmlFile(FileSystem& fileSystem, const QString& path, XmlDocument* document) {
    QByteArray bytes;
    if (Status read = fileSystem.ReadFile(path, kMaxXmlFileBytes, &bytes); !read.ok()) {
        *document = XmlDocument();
        return read;
    }
    return document->Parse(bytes, path);
}

Status SaveXmlFile(FileSystem& fileSystem, const XmlDocument& document, const QString& path) {
    QByteArray bytes;
    if (Status serialized = document.Serialize(&bytes); !serialized.ok()) {
        return serialized.Prefixed(path);
    }
    return fileSystem.WriteFile(path, bytes);
}
