#include "settings/SettingsDocument.h"

#include "schema/Configuration.h"
#include "settings/ItemIds.h"

#include <QCoreApplication>

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path) {
    return Load(fileSystem, path, SettingsDocument());
}

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path,
                              SettingsDocument&& earlier) {
    *this = SettingsDocument();
    mPath = path;
    Status loaded = fileSystem.ReadTrustedFile(path, kMaxXmlFileBytes, &mBytes, &mVersion.identity);
    if (loaded.ok()) {
        mVersion.exists = true;
        mVersion.bytes = mBytes;
        const bool unchanged = !earlier.mChanged && !earlier.mDocument.IsEmpty() &&
                               earlier.mPath == mPath && earlier.mVersion == mVersion;
        if (unchanged) {
            *this = std::move(earlier);
        } else {
            loaded = ParseBytes();
        }
    }
    earlier = SettingsDocument();
    if (!loaded.ok()) {
        Clear();
    }
    return loaded;
}

Status SettingsDocument::Parse(const QByteArray& bytes, const QString& path, int* failedLine) {
    *this = SettingsDocument();
    mPath = path;
    mBytes = bytes;
    const Status parsed = ParseBytes(failedLine);
    if (!parsed.ok()) {
        Clear();
    }
    return parsed;
}

Status SettingsDocument::ParseBytes(int* failedLine) {
    Status parsed = mDocument.Parse(mBytes, mPath, failedLine);
    return parsed.ok() ? Reindex() : parsed;
}

void SettingsDocument::Clear() {
    mDocument = XmlDocument();
    mBytes.clear();
    mVariablesWithId.clear();
    mIds.clear();
    mAtRoot.clear();
    mFirstById.Clear();
}

void SettingsDocument::Index(const XmlNode& variable, const QString& id, bool atRoot) {
    const int place = int(mVariablesWithId.size());
    mVariablesWithId.push_back(variable);
    mIds.push_back(id);
    mAtRoot.push_back(atRoot);
    mFirstById.Insert(id, place, [this](int i) { return QStringView(mIds[std::size_t(i)]); });
}

Status SettingsDocument::Reindex() {
    mVariablesWithId.clear();
    mIds.clear();
    mAtRoot.clear();
    mFirstById.Clear();
    const XmlNode root = mDocument.Root();
    const bool rootIsXml = root.IsElementWithoutNamespace() && root.IsNamed("xml");
    // Every variable element with an id, at any depth, in document order (//variable[@id]).
    mDocument.ForEachNode([&](const XmlNode& node) {
        if (!node.IsElementWithoutNamespace() || !node.IsNamed("variable")) {
            return;
        }
        if (const std::optional<QString> id = node.Attribute("id")) {
            Index(node, *id, rootIsXml && node.Parent() == root);
        }
    });
    return Status::Ok();
}

Status SettingsDocument::RootVariables(std::vector<XmlNode>* variables) const {
    // The root's variable children, when the root is xml (xml/variable).
    const XmlNode root = mDocument.Root();
    if (root.IsElementWithoutNamespace() && root.IsNamed("xml")) {
        for (const XmlNode& child : root.ChildElements()) {
            if (child.IsElementWithoutNamespace() && child.IsNamed("variable")) {
                variables->push_back(child);
            }
        }
    }
    return Status::Ok();
}

std::vector<VariableValue> SettingsDocument::LoadedValues(const Configuration& config,
                                                          const ItemIds& items) const {
    std::vector<VariableValue> values;
    for (std::size_t i = 0; i < mVariablesWithId.size(); ++i) {
        const QString& id = mIds[i];
        if (FirstOf(id) == int(i) && items.Declares(config, id)) {
            values.push_back({id, mVariablesWithId[i].Text()});
        }
    }
    return values;
}

Status SettingsDocument::SavedIds(const Configuration& config, const ItemIds& items,
                                  QStringList* ids) const {
    for (std::size_t i = 0; i < mVariablesWithId.size(); ++i) {
        if (mAtRoot[i] && items.Declares(config, mIds[i])) {
            ids->append(mIds[i]);
        }
    }
    return Status::Ok();
}

void SettingsDocument::RepeatedVariables(QStringList* warnings) const {
    // The entries that count are the root's own: the index holds them among the others.
    IdTable firstAtRoot;
    const auto idAt = [this](int i) { return QStringView(mIds[std::size_t(i)]); };
    for (std::size_t i = 0; i < mVariablesWithId.size(); ++i) {
        if (!mAtRoot[i]) {
            continue;
        }
        const QString& id = mIds[i];
        if (const int first = firstAtRoot.Insert(id, int(i), idAt); first != int(i)) {
            warnings->append(QStringLiteral("%1:%2: %3")
                                 .arg(mPath)
                                 .arg(mVariablesWithId[i].Line())
                                 .arg(QCoreApplication::translate(
                                          "SettingsDocument",
                                          "%1 is listed again; only its first entry, at line %2, "
                                          "counts")
                                          .arg(id)
                                          .arg(mVariablesWithId[std::size_t(first)].Line())));
        }
    }
}

Status SettingsDocument::SetValueOf(const QString& id, const QString& text) {
    const int first = FirstOf(id);
    // An element that holds the text already is left as it is, markup and all.
    if (first < 0 || mVariablesWithId[std::size_t(first)].Text() == text) {
        return Status::Ok();
    }
    XmlNode variable = mVariablesWithId[std::size_t(first)];
    std::vector<XmlNode> nested;
    if (Status s =
            mDocument.SelectNodes(QStringLiteral("descendant::variable"), &nested, {}, variable);
        !s.ok()) {
        return s;
    }
    variable.SetText(text);
    mChanged = true;
    // The nested elements are freed now; nothing may keep pointing at them.
    return nested.empty() ? Status::Ok() : Reindex();
}

Status SettingsDocument::AddVariable(const QString& id, const QString& text) {
    XmlNode variable = mDocument.AppendElement(mDocument.Root(), QStringLiteral("variable"),
                                               QStringLiteral("id"), id);
    if (variable.IsNull()) {
        return Status::PathError(mPath, QCoreApplication::translate(
                                            "SettingsDocument", "the variable %1 cannot be added")
                                            .arg(id));
    }
    variable.SetText(text);
    mChanged = true;
    // The new element comes after every other one in document order.
    const XmlNode root = mDocument.Root();
    Index(variable, id, root.IsElementWithoutNamespace() && root.IsNamed("xml"));
    return Status::Ok();
}

Status SettingsDocument::Contents(QByteArray* bytes) const {
    if (!mChanged && !mBytes.isEmpty()) {
        *bytes = mBytes;
        return Status::Ok();
    }
    return mDocument.Serialize(bytes);
}

QString SettingsDocument::IdOfLargestValue() const {
    QString largest;
    qsizetype largestSize = -1;
    for (std::size_t i = 0; i < mVariablesWithId.size(); ++i) {
        if (const qsizetype size = mVariablesWithId[i].Text().size(); size > largestSize) {
            largestSize = size;
            largest = mIds[i];
        }
    }
    return largest;
}

Status SettingsDocument::ExportedValues(std::vector<VariableValue>* values) const {
    for (std::size_t i = 0; i < mVariablesWithId.size(); ++i) {
        if (mAtRoot[i]) {
            const int first = FirstOf(mIds[i]);
            values->push_back({mIds[i], mVariablesWithId[std::size_t(first)].Text()});
        }
    }
    return Status::Ok();
}

Status SettingsDocument::RootEntries(std::vector<Entry>* entries) const {
    std::vector<XmlNode> variables;
    if (Status s = RootVariables(&variables); !s.ok()) {
        return s;
    }
    for (const XmlNode& variable : variables) {
        if (const std::optional<QString> id = variable.Attribute("id")) {
            entries->push_back({*id, variable.Text(), variable.Line()});
        }
    }
    return Status::Ok();
}
