#include "settings/SettingsDocument.h"

#include "platform/XmlText.h"
#include "platform/XmlTree.h"
#include "schema/Configuration.h"
#include "schema/ItemIds.h"
#include "settings/VariableValues.h"

#include <QCoreApplication>

#include <algorithm>
#include <numeric>

// Indexes the file in the parser's one pass. Each element is seen when its end tag is read, so a
// nested variable comes before the one that holds it: the place of each start tag is noted, to
// put the index in document order afterwards. Each child of the root is dropped once read, so
// that the tree holds little more than the element being read and the root's own texts (the
// line breaks between its children); not when the root is a `variable` itself, whose value is
// the text of the whole document.
class SettingsDocument::Reader : public XmlTree::Visitor {
  public:
    explicit Reader(SettingsDocument& document) : mDocument(document) {}

    void Closed(XmlTree& tree, XmlTree::Node element) override {
        const XmlTree::Node root = tree.Root();
        if (tree.IsElementWithoutNamespace(element) && tree.IsNamed(element, "variable")) {
            if (const std::optional<QByteArrayView> id = tree.AttributeUtf8(element, "id")) {
                // The id and the value go straight into the index's text; most are ASCII, which
                // needs no string of its own on the way.
                QString& text = mDocument.mText;
                const qsizetype at = text.size();
                if (IsAscii(*id)) {
                    text.append(QLatin1String(id->data(), id->size()));
                } else {
                    text.append(*tree.Attribute(element, "id"));
                }
                const qsizetype idSize = text.size() - at;
                const XmlTree::Node only = tree.OnlyText(element);
                if (only != XmlTree::kNone && IsAscii(tree.TextUtf8(only))) {
                    const QByteArrayView value = tree.TextUtf8(only);
                    text.append(QLatin1String(value.data(), value.size()));
                } else if (tree.FirstChild(element) != XmlTree::kNone) {
                    text.append(tree.Text(element));
                }
                mDocument.AddPlaced(at, idSize, text.size() - at - idSize, tree.Line(element),
                                    tree.Parent(element) == root && IsXml(tree, root));
                mOrders.push_back(tree.Order(element));
            }
        }
        if (tree.Parent(element) == root && !tree.IsNamed(root, "variable")) {
            tree.Drop(element);
        }
    }

    static bool IsXml(const XmlTree& tree, XmlTree::Node element) {
        return tree.IsElementWithoutNamespace(element) && tree.IsNamed(element, "xml");
    }

    // Puts the index in document order.
    void Sort() {
        if (std::is_sorted(mOrders.begin(), mOrders.end())) {
            return;
        }
        std::vector<std::size_t> places(mOrders.size());
        std::iota(places.begin(), places.end(), 0);
        std::sort(places.begin(), places.end(),
                  [this](std::size_t a, std::size_t b) { return mOrders[a] < mOrders[b]; });
        std::vector<Variable> sorted;
        sorted.reserve(places.size());
        for (const std::size_t place : places) {
            sorted.push_back(mDocument.mVariables[place]);
        }
        mDocument.mVariables = std::move(sorted);
    }

  private:
    SettingsDocument& mDocument;
    std::vector<std::uint32_t> mOrders;  // of each element in mDocument.mVariables
};

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path) {
    return Load(fileSystem, path, SettingsDocument());
}

Status SettingsDocument::Load(FileSystem& fileSystem, const QString& path,
                              SettingsDocument&& earlier) {
    Status loaded = Read(fileSystem, path);
    if (loaded.ok()) {
        const bool unchanged = !earlier.mChanged && !earlier.IsEmpty() && earlier.mPath == mPath &&
                               earlier.mVersion == mVersion;
        if (unchanged) {
            *this = std::move(earlier);
        } else {
            loaded = ParseRead();
        }
    }
    earlier = SettingsDocument();
    return loaded;
}

Status SettingsDocument::Read(FileSystem& fileSystem, const QString& path) {
    *this = SettingsDocument();
    mPath = path;
    const Status read =
        fileSystem.ReadTrustedFile(path, kMaxXmlFileBytes, &mBytes, &mVersion.identity);
    if (!read.ok()) {
        Clear();
        return read;
    }
    mVersion.exists = true;
    mVersion.bytes = mBytes;
    return read;
}

Status SettingsDocument::ParseRead() {
    const Status parsed = ParseBytes();
    if (!parsed.ok()) {
        Clear();
    }
    return parsed;
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
    ClearIndex();
    XmlTree tree;
    Reader reader(*this);
    if (Status parsed = tree.Parse(mBytes, mPath, &reader, failedLine); !parsed.ok()) {
        return parsed;
    }
    mRootName = tree.Name(tree.Root());
    mRootIsXml = Reader::IsXml(tree, tree.Root());
    reader.Sort();
    // What the index holds in reserve from growing would stay for as long as the document.
    mText.squeeze();
    mVariables.shrink_to_fit();
    IndexIds();
    return Status::Ok();
}

void SettingsDocument::Clear() {
    mBytes.clear();
    mChanged = false;
    ClearIndex();
    mDocument = XmlDocument();
}

void SettingsDocument::ClearIndex() {
    ++mLayout;
    mRootName.clear();
    mRootIsXml = false;
    mVariables.clear();
    mText.clear();
    mFirstById.Clear();
    mNodes.clear();
}

void SettingsDocument::Add(QStringView id, QStringView value, int line, bool atRoot) {
    const qsizetype at = mText.size();
    mText.append(id);
    mText.append(value);
    AddPlaced(at, id.size(), value.size(), line, atRoot);
}

void SettingsDocument::AddPlaced(qsizetype at, qsizetype idSize, qsizetype valueSize, int line,
                                 bool atRoot) {
    const int place = int(mVariables.size());
    mVariables.push_back(
        {at, std::uint32_t(idSize), std::uint32_t(valueSize), line, place, atRoot});
}

void SettingsDocument::SetValueAt(std::size_t i, QStringView value) {
    const QString id = IdAt(i).toString();  // a view of mText, which grows
    mVariables[i].at = mText.size();
    mVariables[i].valueSize = std::uint32_t(value.size());
    mText.append(id);
    mText.append(value);
}

void SettingsDocument::IndexIds() {
    mFirstById.Clear();
    mFirstById.InsertAll(
        int(mVariables.size()), [this](int i) { return IdAt(std::size_t(i)); },
        [this](int i, int first) { mVariables[std::size_t(i)].first = first; });
}

void SettingsDocument::CreateRoot() {
    mDocument = XmlDocument();
    mDocument.CreateRoot(QStringLiteral("xml"));
    IndexDocument();
}

Status SettingsDocument::BuildDocument() {
    if (!mDocument.IsEmpty() || mBytes.isEmpty()) {
        return Status::Ok();
    }
    // The bytes parsed a moment ago with the same guards: only a lack of memory fails them now.
    if (Status parsed = mDocument.Parse(mBytes, mPath); !parsed.ok()) {
        return parsed;
    }
    IndexDocument();
    return Status::Ok();
}

void SettingsDocument::IndexDocument() {
    ClearIndex();
    const XmlNode root = mDocument.Root();
    if (root.IsNull()) {
        return;
    }
    mRootName = root.Name();
    mRootIsXml = root.IsElementWithoutNamespace() && root.IsNamed("xml");
    // Every variable element with an id, at any depth, in document order (//variable[@id]).
    mDocument.ForEachNode([&](const XmlNode& node) {
        if (!node.IsElementWithoutNamespace() || !node.IsNamed("variable")) {
            return;
        }
        if (const std::optional<QString> id = node.Attribute("id")) {
            Add(*id, node.Text(), node.Line(), mRootIsXml && node.Parent() == root);
            mNodes.push_back(node);
        }
    });
    IndexIds();
}

std::vector<SettingsDocument::LoadedValue> SettingsDocument::LoadedValues(
    const Configuration& config, const ItemIds& items) const {
    std::vector<LoadedValue> values;
    values.reserve(mVariables.size());
    ItemIds::InOrder lookUp(items);
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (mVariables[i].first != int(i)) {
            continue;
        }
        if (const ItemIds::IdUse use = lookUp.UseOf(config, IdAt(i));
            use.declared && use.item >= 0) {
            values.push_back({use.item, ValueAt(i)});
        }
    }
    return values;
}

SettingsDocument::SavedIdList SettingsDocument::SavedIds(const Configuration& config,
                                                         const ItemIds& items) const {
    SavedIdList list;
    std::vector<SavedId>& ids = list.ids;
    ids.reserve(mVariables.size());
    ItemIds::InOrder lookUp(items);
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (!mVariables[i].atRoot) {
            continue;
        }
        if (const ItemIds::IdUse use = lookUp.UseOf(config, IdAt(i)); use.declared) {
            // The document's text moves as values change; an item's own id does not.
            ids.push_back({use.own ? items.Id(use.item) : list.spellings.Add(IdAt(i)), use,
                           mVariables[i].first, mLayout});
        }
    }
    return list;
}

void SettingsDocument::RepeatedVariables(QStringList* warnings) const {
    // Only an id with more than one element can be listed again: mostly there is none, and no
    // entry needs looking up.
    std::vector<bool> repeated;  // by the place of an id's first element
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (const auto first = std::size_t(mVariables[i].first); first != i) {
            repeated.resize(mVariables.size(), false);
            repeated[first] = true;
        }
    }
    if (repeated.empty()) {
        return;
    }
    // The entries that count are the root's own: the index holds them among the others.
    IdTable firstAtRoot;
    const auto idAt = [this](int i) { return IdAt(std::size_t(i)); };
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (!mVariables[i].atRoot || !repeated[std::size_t(mVariables[i].first)]) {
            continue;
        }
        if (const int first = firstAtRoot.Insert(IdAt(i), int(i), idAt); first != int(i)) {
            warnings->append(QStringLiteral("%1:%2: %3")
                                 .arg(mPath)
                                 .arg(mVariables[i].line)
                                 .arg(QCoreApplication::translate(
                                          "SettingsDocument",
                                          "%1 is listed again; only its first entry, at line %2, "
                                          "counts")
                                          .arg(IdAt(i))
                                          .arg(mVariables[std::size_t(first)].line)));
        }
    }
}

Status SettingsDocument::SetValueOf(QStringView id, QStringView text) {
    // An element that holds the text already is left as it is, markup and all.
    if (const int first = FirstOf(id); first < 0 || ValueAt(std::size_t(first)) == text) {
        return Status::Ok();
    }
    if (Status built = BuildDocument(); !built.ok()) {
        return built;
    }
    const int first = FirstOf(id);
    XmlNode variable = mNodes[std::size_t(first)];
    std::vector<XmlNode> nested;
    if (Status s =
            mDocument.SelectNodes(QStringLiteral("descendant::variable"), &nested, {}, variable);
        !s.ok()) {
        return s;
    }
    bool nestedIn = false;
    for (XmlNode outer = variable.Parent(); !outer.IsNull() && !nestedIn; outer = outer.Parent()) {
        nestedIn = outer.IsElementWithoutNamespace() && outer.IsNamed("variable");
    }
    variable.SetText(text.toString());
    mChanged = true;
    // The nested elements are freed now, and nothing may keep pointing at them; the text of an
    // element around it is its value too.
    if (!nested.empty() || nestedIn) {
        IndexDocument();
    } else {
        SetValueAt(std::size_t(first), variable.Text());
    }
    return Status::Ok();
}

Status SettingsDocument::AddVariable(QStringView id, QStringView text) {
    if (Status built = BuildDocument(); !built.ok()) {
        return built;
    }
    XmlNode variable = mDocument.AppendElement(mDocument.Root(), QStringLiteral("variable"),
                                               QStringLiteral("id"), id.toString());
    if (variable.IsNull()) {
        return Status::PathError(mPath, QCoreApplication::translate(
                                            "SettingsDocument", "the variable %1 cannot be added")
                                            .arg(id));
    }
    variable.SetText(text.toString());
    mChanged = true;
    // The new element comes after every other one in document order.
    const int place = int(mVariables.size());
    Add(id, variable.Text(), variable.Line(), mRootIsXml);
    mNodes.push_back(variable);
    mVariables.back().first =
        mFirstById.Insert(id, place, [this](int i) { return IdAt(std::size_t(i)); });
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
    QStringView largest;
    qsizetype largestSize = -1;
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (const qsizetype size = mVariables[i].valueSize; size > largestSize) {
            largestSize = size;
            largest = IdAt(i);
        }
    }
    return largest.toString();
}

Status SettingsDocument::ExportedValues(ExportList* list, const VariableValues* known) const {
    std::vector<VariableValue>* values = &list->values;
    values->reserve(values->size() + mVariables.size());
    std::optional<ItemIds::InOrder> lookUp;
    if (known) {
        lookUp.emplace(known->Ids());
    }
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (!mVariables[i].atRoot) {
            continue;
        }
        const QStringView id = IdAt(i);
        const QStringView value = ValueAt(std::size_t(mVariables[i].first));
        const int item = lookUp ? lookUp->IndexOf(id) : -1;
        values->push_back(
            {item < 0 ? list->texts.Add(id) : known->Ids().Id(item),
             item >= 0 && known->At(item) == value ? known->At(item) : list->texts.Add(value)});
    }
    return Status::Ok();
}

Status SettingsDocument::RootEntries(std::vector<Entry>* entries) const {
    for (std::size_t i = 0; i < mVariables.size(); ++i) {
        if (mVariables[i].atRoot) {
            entries->push_back({IdAt(i).toString(), ValueAt(i).toString(), mVariables[i].line});
        }
    }
    return Status::Ok();
}
