#include "settings/SettingsDocument.h"

#include "platform/XmlFile.h"

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path) {
    mVariablesWithId.clear();
    mFirstById.clear();
    if (Status loaded = LoadXmlFile(fileSystem, path, &mDocument); !loaded.ok()) {
        return loaded;
    }
    return Reindex();
}

Status SettingsDocument::Reindex() {
    mFirstById.clear();
    if (Status s = mDocument.SelectNodes(QStringLiteral("//variable[@id]"), &mVariablesWithId);
        !s.ok()) {
        return s;
    }
    for (const XmlNode& variable : mVariablesWithId) {
        const QString id = variable.Attribute(QStringLiteral("id")).value_or(QString());
        if (!mFirstById.contains(id)) {
            mFirstById.insert(id, variable);
        }
    }
    return Status::Ok();
}

Status SettingsDocument::SetValue(XmlNode variable, const QString& text) {
    std::vector<XmlNode> nested;
    if (Status s =
            mDocument.SelectNodes(QStringLiteral("descendant::variable"), &nested, {}, variable);
        !s.ok()) {
        return s;
    }
    variable.SetText(text);
    // The nested elements are freed now; nothing may keep pointing at them.
    return nested.empty() ? Status::Ok() : Reindex();
}

Status SettingsDocument::RootVariables(std::vector<XmlNode>* variables) const {
    return mDocument.SelectNodes(QStringLiteral("xml/variable"), variables);
}
