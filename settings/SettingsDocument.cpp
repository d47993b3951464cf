#include "settings/SettingsDocument.h"

#include "platform/XmlFile.h"
#include "schema/Configuration.h"

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path) {
    mVariablesWithId.clear();
    mFirstById.clear();
    if (Status loaded = LoadXmlFile(fileSystem, path, &mDocument); !loaded.ok()) {
        return loaded;
    }
    return Reindex();
}

QString SettingsDocument::IdOf(const XmlNode& variable) {
    return variable.Attribute(QStringLiteral("id")).value_or(QString());
}

Status SettingsDocument::Reindex() {
    mFirstById.clear();
    if (Status s = mDocument.SelectNodes(QStringLiteral("//variable[@id]"), &mVariablesWithId);
        !s.ok()) {
        return s;
    }
    for (const XmlNode& variable : mVariablesWithId) {
        const QString id = IdOf(variable);
        if (!mFirstById.contains(id)) {
            mFirstById.insert(id, variable);
        }
    }
    return Status::Ok();
}

Status SettingsDocument::RootVariables(std::vector<XmlNode>* variables) const {
    return mDocument.SelectNodes(QStringLiteral("xml/variable"), variables);
}

std::vector<VariableValue> SettingsDocument::LoadedValues(const Configuration& config) const {
    std::vector<VariableValue> values;
    for (const XmlNode& variable : mVariablesWithId) {
        const QString id = IdOf(variable);
        if (mFirstById.value(id) == variable && config.DeclaresId(id)) {
            values.push_back({id, variable.Text()});
        }
    }
    return values;
}

Status SettingsDocument::SavedIds(const Configuration& config, QStringList* ids) const {
    std::vector<XmlNode> variables;
    if (Status s = RootVariables(&variables); !s.ok()) {
        return s;
    }
    for (const XmlNode& variable : variables) {
        if (const std::optional<QString> id = variable.Attribute(QStringLiteral("id"));
            id && config.DeclaresId(*id)) {
            ids->append(*id);
        }
    }
    return Status::Ok();
}

Status SettingsDocument::SetValueOf(const QString& id, const QString& text) {
    XmlNode variable = mFirstById.value(id);
    if (variable.IsNull()) {
        return Status::Ok();
    }
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

Status SettingsDocument::ExportedValues(std::vector<VariableValue>* values) const {
    std::vector<XmlNode> variables;
    if (Status s = RootVariables(&variables); !s.ok()) {
        return s;
    }
    for (const XmlNode& variable : variables) {
        if (const std::optional<QString> id = variable.Attribute(QStringLiteral("id"))) {
            values->push_back({*id, mFirstById.value(*id).Text()});
        }
    }
    return Status::Ok();
}
