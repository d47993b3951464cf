#pragma once

#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"

#include <QHash>

#include <vector>

// A settings file loaded for one operation: a root `xml` holding one `variable` element per
// variable, its `id` attribute the variable id and its text the value. Indexes the ids once, so
// that looking up the element of an id costs the same for the thousandth variable as for the first.
class SettingsDocument {
  public:
    // Reads and parses the file. Fails with Status::NotFound when it does not exist.
    Status Load(FileSystem& fileSystem, const QString& path);

    XmlDocument& Document() { return mDocument; }
    const XmlDocument& Document() const { return mDocument; }

    // Every `variable` element with an `id`, at any depth, in document order.
    const std::vector<XmlNode>& VariablesWithId() const { return mVariablesWithId; }

    // The `variable` children of the root `xml`, in document order; empty when the root has
    // another name.
    Status RootVariables(std::vector<XmlNode>* variables) const;

    // The first element in document order, at any depth, whose id is `id`; null when none.
    XmlNode FirstWithId(const QString& id) const { return mFirstById.value(id); }

    // Replaces the content of `variable` by `text`. Variable elements nested inside it go with
    // the old content; the look-ups above then answer for the document as it now is.
    Status SetValue(XmlNode variable, const QString& text);

  private:
    Status Reindex();

    XmlDocument mDocument;
    std::vector<XmlNode> mVariablesWithId;
    QHash<QString, XmlNode> mFirstById;
};
