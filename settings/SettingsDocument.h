#pragma once

#include "platform/FileSystem.h"
#include "platform/TextArena.h"
#include "platform/XmlDocument.h"
#include "schema/ItemIds.h"
#include "settings/IdTable.h"
#include "settings/VariableValues.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class Configuration;

// A variable id with the value the settings file gives it, both kept by the list that holds it.
struct VariableValue {
    QStringView id;
    QStringView value;
};

// The values an export substitutes, in order. Each id and value views either the configuration
// and the values it was made with (ItemIds, VariableValues), which whoever made the list keeps
// for as long as it, or the list's own `texts`, or the values of a run it keeps in `runValues`.
struct ExportList {
    std::vector<VariableValue> values;
    TextArena texts;
    std::optional<VariableValues> runValues;
};

// What a settings file was when it was read or written: whether it existed, which file the path
// named and its bytes, shared with whoever read or wrote them (a settings file is small). Two
// versions differ when anyone changed the file between.
struct SettingsVersion {
    bool exists = false;
    FileIdentity identity;
    QByteArray bytes;

    bool operator==(const SettingsVersion&) const = default;
};

// A settings file loaded for one operation: a root `xml` holding one `variable` element per
// variable, its `id` attribute the variable id and its text the value. Loading, saving and the
// export each see the file through one of the views below; the rules for which elements count
// live here and nowhere else. An id's value is always the text of its first element in document
// order, at any depth.
//
// The file is read in one streaming pass into an index of its `variable` elements (ids and values
// in one buffer, each id found through a table), and its bytes are kept: loading, the export and
// a save that changes nothing need no more. libxml2's document of the file is built only when a
// value really changes or a variable is added, and from then on the index follows it, so that
// the file written changes only in its values.
class SettingsDocument {
  public:
    // Reads and parses the file, and notes its version. Fails with a Status that IsNotFound() when
    // it does not exist; then the document is empty and the version says so. The file is read
    // only through a path that no other user than root and the runner controls
    // (FileSystem::ReadTrustedFile): its values go into every output, and its commands' outputs
    // run as the runner. A refusal IsUntrusted().
    Status Load(FileSystem& fileSystem, const QString& path);
    // The same, except that when the file holds what `earlier` was loaded from (the same path,
    // file and bytes) and no value of `earlier` was changed, its index is taken over instead of
    // parsing the bytes again: a save reads the file it loaded a moment ago. `earlier` is left
    // empty either way.
    Status Load(FileSystem& fileSystem, const QString& path, SettingsDocument&& earlier);
    // Load in two steps, so that the parse may run on another thread: Read reads the file and
    // notes its version, failing as Load does; ParseRead then parses what it read.
    Status Read(FileSystem& fileSystem, const QString& path);
    Status ParseRead();
    // The same for the bytes of a settings file that is not read from `path`; the version says
    // that no file was read. `failedLine` as XmlDocument::Parse.
    Status Parse(const QByteArray& bytes, const QString& path, int* failedLine = nullptr);

    // The file as Load found it.
    const SettingsVersion& Version() const { return mVersion; }
    const QString& Path() const { return mPath; }

    // Whether the document has no root element: nothing was read, or it could not be parsed.
    bool IsEmpty() const { return mRootName.isEmpty(); }
    // The root element's name without its prefix (XmlNode::Name); empty when there is none.
    const QString& RootName() const { return mRootName; }
    // Gives an empty document the root `xml`, as a new settings file has it. REQUIRES: IsEmpty().
    void CreateRoot();

    // What a load puts into the fields: for every id that `config` declares, that addresses an
    // item (ItemIds::UseOf) and that some `variable` element at any depth carries, once, in the
    // order of its first element, the item's number and that element's text. The texts are valid
    // until the document changes. `items` are those of `config`.
    struct LoadedValue {
        int item;
        QStringView value;
    };
    std::vector<LoadedValue> LoadedValues(const Configuration& config, const ItemIds& items) const;

    // The ids a save fills: those of the root's `variable` children that `config` declares, in
    // document order, an id as often as it appears there, each with what it is to the
    // configuration. Each is meant for ValueOf and SetValueOf. `items` as LoadedValues; the ids
    // view them or the list.
    struct SavedId {
        QStringView id;  // an item's, or kept in SavedIdList::spellings
        ItemIds::IdUse use;
        // Where SavedIds found the first element of the id (for ValueOf); -1 for none.
        int first = -1;
        std::uint64_t layout = 0;
    };
    struct SavedIdList {
        std::vector<SavedId> ids;
        TextArena spellings;  // of ids that are not an item's own
    };
    SavedIdList SavedIds(const Configuration& config, const ItemIds& items) const;

    bool HasElementOf(QStringView id) const { return FirstOf(id) >= 0; }
    // The value of the first element of `id`, as the document holds it now; none when there is
    // no such element. Valid until the document changes.
    std::optional<QStringView> ValueOf(QStringView id) const {
        const int first = FirstOf(id);
        return first < 0 ? std::nullopt : std::optional(ValueAt(std::size_t(first)));
    }
    // The same for a saved id, without a look-up while the elements stand where SavedIds found
    // them: a value set in place leaves them there, a variable added goes after them, and only a
    // change that takes nested elements away indexes the document anew.
    std::optional<QStringView> ValueOf(const SavedId& saved) const {
        if (saved.first >= 0 && saved.layout == mLayout) {
            return ValueAt(std::size_t(saved.first));
        }
        return ValueOf(saved.id);
    }

    // One warning for each `variable` child of the root whose id an earlier one has already, in
    // document order: "<path>:<line>: <id> is listed again; only its first entry, at line <n>,
    // counts". Such an entry is neither read nor written, and gives the export nothing.
    void RepeatedVariables(QStringList* warnings) const;

    // Replaces the content of the first element of `id` by `text`; nothing when there is none or
    // when it holds that text already. Variable elements nested inside it go with the old
    // content, and every view then answers for the document as it now is (another element may
    // have become the first of its id). `id` and `text` do not view this document, whose text
    // moves.
    Status SetValueOf(QStringView id, QStringView text);

    // Adds a `variable` element of `id` holding `text` after the root's last element child.
    // REQUIRES: the document has a root; `id` and `text` do not view this document.
    Status AddVariable(QStringView id, QStringView text);

    // The file's new contents: the bytes Load read as long as no value was changed or added, so
    // that a save without changes keeps the file as it was; otherwise the serialized document.
    Status Contents(QByteArray* bytes) const;

    // The id of the element whose value takes the most room in the file; empty when none.
    QString IdOfLargestValue() const;

    // The export's substitutions: the root's `variable` children that have an id, declared or
    // not, in document order with repeats, each with the value of its id, added to `list`. Empty
    // when the root has another name. An id of an item of `known` views its ItemIds, and a value
    // that is that item's there views `known`, rather than being copied; the other ids and values
    // are copied into the list.
    Status ExportedValues(ExportList* list, const VariableValues* known = nullptr) const;

    // The same children, each with its own text and its line: what a file of values for one run
    // gives.
    struct Entry {
        QString id;
        QString value;
        int line;
    };
    Status RootEntries(std::vector<Entry>* entries) const;

  private:
    class Reader;

    // A `variable` element with an id: its id and then its value in mText, from `at`.
    struct Variable {
        qsizetype at;
        // In characters: no id or value comes near four thousand million of them.
        std::uint32_t idSize;
        std::uint32_t valueSize;
        int line;
        int first;    // the place of the first element of its id: its own or an earlier one
        bool atRoot;  // a child of the root `xml`: an entry that a save fills and the export uses
    };

    Status ParseBytes(int* failedLine = nullptr);  // mBytes, named mPath
    void Clear();  // what a failed load leaves: the path and the version only
    void ClearIndex();
    // Makes libxml2's document of mBytes unless there is one, and indexes it.
    Status BuildDocument();
    // Indexes mDocument as it is now.
    void IndexDocument();
    void Add(QStringView id, QStringView value, int line, bool atRoot);
    // Indexes the id and the value that mText holds from `at` on.
    void AddPlaced(qsizetype at, qsizetype idSize, qsizetype valueSize, int line, bool atRoot);
    // Gives the place `i` of the index `value`, after the text of the others.
    void SetValueAt(std::size_t i, QStringView value);
    // Finds the first element of each id, in the order of mVariables.
    void IndexIds();
    QStringView IdAt(std::size_t i) const {
        return QStringView(mText).sliced(mVariables[i].at, mVariables[i].idSize);
    }
    QStringView ValueAt(std::size_t i) const {
        return QStringView(mText).sliced(mVariables[i].at + mVariables[i].idSize,
                                         mVariables[i].valueSize);
    }
    // Which of mVariables is the first element of `id`; -1 when none is.
    int FirstOf(QStringView id) const {
        return mFirstById.Find(id, [this](int i) { return IdAt(std::size_t(i)); });
    }

    QString mPath;
    QByteArray mBytes;  // as read
    SettingsVersion mVersion;
    bool mChanged = false;
    QString mRootName;
    bool mRootIsXml = false;  // the root is `xml` outside any namespace
    // Every `variable` element with an id, at any depth, in document order.
    std::vector<Variable> mVariables;
    std::uint64_t mLayout = 0;  // counts the times mVariables was made anew
    QString mText;
    IdTable mFirstById;  // each id's first place in mVariables
    // libxml2's document, once a change needs it; then mNodes holds the element of each of
    // mVariables.
    XmlDocument mDocument;
    std::vector<XmlNode> mNodes;
};
