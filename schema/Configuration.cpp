#include "schema/Configuration.h"

#include "platform/FastStringHash.h"
#include "platform/XmlDocument.h"
#include "platform/XmlText.h"
#include "platform/XmlTree.h"
#include "schema/BareName.h"
#include "schema/Spelling.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

using Node = XmlTree::Node;
constexpr Node kNone = XmlTree::kNone;

// The children of an item that the format knows. A command counts wherever it stands.
constexpr const char* kItemElements[] = {"name",     "type",    "varname", "help",    "default",
                                         "required", "min",     "max",     "on",      "off",
                                         "option",   "pattern", "message", "depends", "command"};

bool IsItemElement(const char* name) {
    return std::any_of(std::cbegin(kItemElements), std::cend(kItemElements),
                       [name](const char* known) { return std::strcmp(known, name) == 0; });
}

// "the item "Port" ($(PORT)): <problem>", as every refusal of an item's declaration begins.
QString ItemProblem(QStringView label, QStringView id, const QString& problem) {
    return QCoreApplication::translate("Configuration", "the item \"%1\" (%2): %3")
        .arg(label, id, problem);
}

// The text of an item's <type>, and what it comes to: its kind and, for one read as free text
// that is close to the name of a kind, that name.
struct TypeWord {
    QString text;
    ValueKind kind = ValueKind::Text;
    std::optional<QString> meant;

    static TypeWord Of(const QString& text) {
        TypeWord type{text, ValueRules::KindOf(text), std::nullopt};
        const QString word = text.trimmed();
        // "text", the type of most items, is close to no other kind.
        if (type.kind == ValueKind::Text && word != u"text") {
            type.meant = LikelyMeant(word, ValueRules::KindNames());
        }
        return type;
    }
};

// A command element: what a save needs of it and what the warnings about it need.
struct CommandElement {
    std::uint32_t order;  // of the element, in document order
    int line;
    std::optional<QString> id;
    std::optional<QString> wait;
    std::optional<QString> timeout;
    // The first text directly inside it, and where that stands in document order.
    std::optional<QString> text;
    std::uint32_t textOrder;
};

// The text of `element` as XmlTree::Text reads it, in `buffer`. An element that holds one ASCII
// text, as nearly all do, is widened into the room the buffer has already.
QStringView ReadText(const XmlTree& tree, Node element, QString* buffer) {
    if (const Node text = tree.OnlyText(element); text != kNone) {
        const QByteArrayView utf8 = tree.TextUtf8(text);
        if (IsAscii(utf8)) {
            buffer->resize(utf8.size());
            std::transform(utf8.begin(), utf8.end(), buffer->data(),
                           [](char c) { return QChar(char16_t(uchar(c))); });
            return *buffer;
        }
    }
    *buffer = tree.Text(element);
    return *buffer;
}

}  // namespace

// Reads a configuration file into a Configuration as the parser goes: each item when its end tag
// has been read, after which the document forgets it, so that a large file never stands in memory
// as a whole. The checks and their messages are those of a walk over the whole document in this
// order: the root, then the groups and their items, the commands, the templates, the
// dependencies; Finish reports the first rule broken in that order.
class ConfigurationReader final : public XmlTree::Visitor {
  public:
    ConfigurationReader(Configuration& config, const QString& fileName)
        : mConfig(config), mFileName(fileName) {
        mConfig.mRules.push_back(std::make_unique<ValueRules>());
    }

    void Closed(XmlTree& tree, Node element) override {
        if (tree.IsElementWithoutNamespace(element)) {
            if (tree.IsNamed(element, "varname") && !IsItemsOwnVarname(tree, element)) {
                DeclareIds(tree, element);
            } else if (tree.IsNamed(element, "command")) {
                ReadCommandElement(tree, element);
            }
        }
        const Node parent = tree.Parent(element);
        if (parent == kNone) {
            return;  // the root, which stays
        }
        const Node grandparent = tree.Parent(parent);
        if (grandparent == kNone) {
            if (IsUnderXml(tree, element, "group")) {
                EndGroup(tree, element);
            }
            tree.Drop(element);
        } else if (tree.Parent(grandparent) == kNone) {
            if (IsUnderXml(tree, parent, "group")) {
                if (tree.IsElementWithoutNamespace(element) && tree.IsNamed(element, "item")) {
                    ReadItem(tree, element);
                } else if (!mGroupName && tree.IsElementWithoutNamespace(element) &&
                           tree.IsNamed(element, "name")) {
                    mGroupName = tree.Text(element);
                }
            } else if (IsUnderXml(tree, parent, "files") &&
                       tree.IsElementWithoutNamespace(element) && tree.IsNamed(element, "file")) {
                ReadTemplate(tree, element);
            }
            tree.Drop(element);
        }
    }

    // What the file comes to once the parser has read it all.
    Status Finish(const XmlTree& tree) {
        const Node root = tree.Root();
        if (tree.Name(root) != u"xml") {
            return BrokenAt(tree.Line(root),
                            QCoreApplication::translate(
                                "Configuration", "the root element is <%1>, but must be <xml>")
                                .arg(tree.Name(root)));
        }
        if (mGroupError) {
            return *mGroupError;
        }
        std::sort(
            mCommands.begin(), mCommands.end(),
            [](const CommandElement& a, const CommandElement& b) { return a.order < b.order; });
        if (Status s = ReadCommand(u"before", &mConfig.mBeforeCommand, &mConfig.mBeforeWait);
            !s.ok()) {
            return s;
        }
        if (Status s = ReadCommand(u"after", &mConfig.mAfterCommand, &mConfig.mAfterWait);
            !s.ok()) {
            return s;
        }
        if (mTemplateError) {
            return *mTemplateError;
        }
        if (Status s = ResolveDependencies(); !s.ok()) {
            return s;
        }
        WarnOfUnusedCommands();
        mConfig.mWarnings = mWarnings;
        IndexDeclaredIds();
        return Status::Ok();
    }

  private:
    // Whether `element` is a `name` element outside any namespace in the root, which is <xml>:
    // what the path "xml/<name>" selects.
    static bool IsUnderXml(const XmlTree& tree, Node element, const char* name) {
        const Node root = tree.Root();
        return tree.IsElementWithoutNamespace(element) && tree.IsNamed(element, name) &&
               tree.Parent(element) == root && tree.IsElementWithoutNamespace(root) &&
               tree.IsNamed(root, "xml");
    }

    // The group ends: its name is checked, and it gets its items, unless one broke a rule.
    void EndGroup(const XmlTree& tree, Node groupNode) {
        if (!mGroupError) {
            IndexItemIds();
            mGroupError = GroupProblem(tree, groupNode);
        }
        if (!mGroupError) {
            mItems.shrink_to_fit();
            mConfig.mGroups.push_back({*mGroupName, std::move(mItems), tree.Line(groupNode)});
        }
        mGroupName.reset();
        mItems = std::vector<ConfigItem>();
        mItemError.reset();
    }

    // Indexes the group's items by bare name. An item whose bare name an earlier one has comes
    // before the item whose problem stopped the reading of the group, if any: its clash is the
    // group's first problem.
    void IndexItemIds() {
        const std::optional<ItemIds::Clash> clash = mConfig.mIds->IndexAdded();
        if (!clash) {
            return;
        }
        const ConfigItem& item = ItemAt(std::uint32_t(clash->item));
        mItemError = BrokenAt(
            item.line, QCoreApplication::translate("Configuration",
                                                   "the variable \"%1\" has the bare name \"%2\", "
                                                   "which the variable at line %3 already has; "
                                                   "bare names must be unique")
                           .arg(item.id, BareName(item.id))
                           .arg(ItemAt(std::uint32_t(clash->first)).line));
    }

    // The first rule that the group that ends breaks: a name, unique, then its items'.
    std::optional<Status> GroupProblem(const XmlTree& tree, Node groupNode) {
        const int line = tree.Line(groupNode);
        if (!mGroupName) {
            return BrokenAt(line, QCoreApplication::translate("Configuration", "<%1> has no <%2>")
                                      .arg(tree.Name(groupNode), QStringLiteral("name")));
        }
        if (const auto [first, added] = mGroupLines.try_emplace(*mGroupName, line); !added) {
            return BrokenAt(line, QCoreApplication::translate(
                                      "Configuration",
                                      "the group name \"%1\" is already used at line %2; group "
                                      "names must be unique")
                                      .arg(*mGroupName)
                                      .arg(first->second));
        }
        return mItemError;
    }

    // An item of the group that is open; its errors wait for the group's end, whose name is
    // checked first.
    void ReadItem(const XmlTree& tree, Node itemNode) {
        if (mGroupError || mItemError) {
            return;
        }
        const int line = tree.Line(itemNode);
        Node nameNode = kNone;
        Node varnameNode = kNone;
        Node typeNode = kNone;
        bool declaresRules = false;
        bool unknownChild = false;
        for (Node child = tree.FirstChild(itemNode); child != kNone;
             child = tree.NextSibling(child)) {
            if (!tree.IsElementWithoutNamespace(child)) {
                continue;
            }
            const char* name = tree.NameUtf8(child);
            if (nameNode == kNone && std::strcmp(name, "name") == 0) {
                nameNode = child;
            } else if (varnameNode == kNone && std::strcmp(name, "varname") == 0) {
                varnameNode = child;
            } else if (typeNode == kNone && std::strcmp(name, "type") == 0) {
                typeNode = child;
            } else {
                declaresRules = declaresRules || ValueRules::IsRuleElement(name);
                unknownChild = unknownChild || !IsItemElement(name);
            }
        }
        for (const auto& [node, name] : {std::pair{nameNode, "name"}, {varnameNode, "varname"}}) {
            if (node == kNone) {
                mItemError =
                    BrokenAt(line, QCoreApplication::translate("Configuration", "<%1> has no <%2>")
                                       .arg(tree.Name(itemNode), QLatin1String(name)));
                return;
            }
        }
        const QStringView label = mConfig.mLabels.Add(ReadText(tree, nameNode, &mLabelText));
        const QStringView id = ReadText(tree, varnameNode, &mIdText);
        const TypeWord& type = ReadType(tree, typeNode);
        const ValueRules* rules = mConfig.mRules.front().get();
        if (declaresRules || type.kind != ValueKind::Text) {
            auto own = std::make_unique<ValueRules>();
            if (Status s = ValueRules::Read(tree, itemNode, type.text, own.get()); !s.ok()) {
                mItemError = BrokenAt(line, ItemProblem(label, id, s.message()));
                return;
            }
            rules = own.get();
            if (!own->depends.empty()) {
                mDependents.push_back({std::uint32_t(mConfig.mItemPlaces.size()), own.get()});
            }
            mConfig.mRules.push_back(std::move(own));
        }
        if (unknownChild || type.meant) {
            WarnAboutMisspellings(tree, itemNode, typeNode, type);
        }
        mConfig.mItemPlaces.push_back(
            {std::uint32_t(mConfig.mGroups.size()), std::uint32_t(mItems.size())});
        mItems.push_back({label,
                          mConfig.mIds->Add(id, rules->kind, tree.OnlyText(varnameNode) != kNone),
                          line, *rules});
    }

    // The item of number `number`, in a group read or in the one that is open.
    const ConfigItem& ItemAt(std::uint32_t number) const {
        const auto [group, index] = mConfig.mItemPlaces[number];
        return group < mConfig.mGroups.size() ? mConfig.mGroups[group].items[index] : mItems[index];
    }

    // What the type element `typeNode` (kNone for none) says, valid until the next call. Most
    // items of a file have one of a few types, written as one text each: they share what those
    // come to.
    const TypeWord& ReadType(const XmlTree& tree, Node typeNode) {
        if (typeNode == kNone) {
            return mNoType;
        }
        const Node text = tree.OnlyText(typeNode);
        if (text == kNone) {
            mOtherType = TypeWord::Of(tree.Text(typeNode));
            return mOtherType;
        }
        const QByteArrayView utf8 = tree.TextUtf8(text);
        for (const auto& [bytes, type] : mTypes) {
            if (bytes == utf8) {
                return type;
            }
        }
        mOtherType = TypeWord::Of(tree.Text(text));
        if (mTypes.size() < 16) {
            mTypes.push_back({utf8.toByteArray(), mOtherType});
        }
        return mOtherType;
    }

    // An element of an item that the format does not know is most likely a misspelt one, and a
    // type close to a kind's name a misspelt kind: the format reads the first as nothing and the
    // second as free text, so the user learns of them only here.
    void WarnAboutMisspellings(const XmlTree& tree, Node itemNode, Node typeElement,
                               const TypeWord& type) {
        for (Node child = tree.FirstChild(itemNode); child != kNone;
             child = tree.NextSibling(child)) {
            if (!tree.IsElement(child)) {
                continue;
            }
            if (child == typeElement && type.meant) {
                Warn(tree.Line(child),
                     QCoreApplication::translate(
                         "Configuration", "type \"%1\" is read as free text; did you mean \"%2\"?")
                         .arg(type.text.trimmed(), *type.meant));
            }
            if (IsItemElement(tree.NameUtf8(child))) {
                continue;
            }
            if (!tree.IsElementWithoutNamespace(child)) {
                continue;  // an extension in a namespace of its own, which the format ignores
            }
            QStringList known;
            for (const char* element : kItemElements) {
                known.append(QLatin1String(element));
            }
            const QString name = tree.Name(child);
            const std::optional<QString> meant = LikelyMeant(name, known);
            Warn(tree.Line(child),
                 meant ? QCoreApplication::translate(
                             "Configuration",
                             "<%1> is not a known element of an item; did you mean <%2>?")
                             .arg(name, *meant)
                       : QCoreApplication::translate("Configuration",
                                                     "<%1> is not a known element of an item")
                             .arg(name));
        }
    }

    // Whether `varname` is the varname of an item of a group (the first child of that name, which
    // ReadItem takes), holding the item's id as its only child, a text (XmlTree::OnlyText, which is
    // all that ReadItem has to ask). That declares the item's id: as most varnames are, which need
    // no entry in the index of declared ids then.
    static bool IsItemsOwnVarname(const XmlTree& tree, Node varname) {
        const Node item = tree.Parent(varname);
        if (tree.OnlyText(varname) == kNone || item == kNone ||
            !tree.IsElementWithoutNamespace(item) || !tree.IsNamed(item, "item") ||
            tree.Parent(item) == kNone || !IsUnderXml(tree, tree.Parent(item), "group")) {
            return false;
        }
        for (Node child = tree.FirstChild(item); child != varname;
             child = tree.NextSibling(child)) {
            if (tree.IsElementWithoutNamespace(child) && tree.IsNamed(child, "varname")) {
                return false;
            }
        }
        return true;
    }

    // Every text directly inside a varname element declares its text as an id, wherever the
    // element stands. Most are ASCII, which takes no QString on the way; the index of them is
    // built once the file has been read, at its size (IndexDeclaredIds).
    void DeclareIds(const XmlTree& tree, Node varname) {
        std::vector<char16_t>& chars = mConfig.mDeclaredText;
        for (Node child = tree.FirstChild(varname); child != kNone;
             child = tree.NextSibling(child)) {
            if (!tree.IsText(child)) {
                continue;
            }
            const QByteArrayView utf8 = tree.TextUtf8(child);
            if (IsAscii(utf8)) {
                chars.insert(chars.end(), utf8.begin(), utf8.end());
            } else {
                const QString text = tree.Text(child);
                chars.insert(chars.end(), text.utf16(), text.utf16() + text.size());
            }
            mConfig.mDeclaredEnds.push_back(std::uint32_t(chars.size()));
        }
    }

    // Indexes the declared ids; one declared again is indexed once. An item whose varname does
    // not hold its id as one text learns from the index whether its id is declared. The tables
    // that grew as the file was read give back what they hold in reserve.
    void IndexDeclaredIds() {
        mConfig.mDeclaredText.shrink_to_fit();
        mConfig.mDeclaredEnds.shrink_to_fit();
        mConfig.mItemPlaces.shrink_to_fit();
        HashIndex& index = mConfig.mDeclaredIds;
        const auto count = std::uint32_t(mConfig.mDeclaredEnds.size());
        index.Reserve(count);
        for (std::uint32_t number = 0; number < count; ++number) {
            const QStringView id = mConfig.DeclaredId(number);
            (void)index.Insert(FastStringHash(id), number, [&](std::uint32_t other) {
                return mConfig.DeclaredId(other) == id;
            });
        }
        ItemIds& items = *mConfig.mIds;
        for (int item = 0; count > 0 && item < items.Count(); ++item) {
            if (!items.Declared(item) && mConfig.DeclaresId(items.Id(item))) {
                items.SetDeclared(item);
            }
        }
    }

    void ReadCommandElement(const XmlTree& tree, Node command) {
        const Node text = tree.FirstTextChild(command);
        mCommands.push_back({tree.Order(command), tree.Line(command), tree.Attribute(command, "id"),
                             tree.Attribute(command, "wait"), tree.Attribute(command, "timeout"),
                             text == kNone ? std::nullopt : std::optional<QString>(tree.Text(text)),
                             text == kNone ? UINT32_MAX : tree.Order(text)});
    }

    // The command line of the command `id`: the first text, in document order, directly inside
    // a command element of that id; and how a save waits for it, as that element says.
    Status ReadCommand(QStringView id, std::optional<QString>* commandLine,
                       std::optional<CommandWait>* wait) {
        const CommandElement* first = nullptr;
        for (const CommandElement& command : mCommands) {
            if (command.text && command.id == id &&
                (first == nullptr || command.textOrder < first->textOrder)) {
                first = &command;
            }
        }
        if (first == nullptr) {
            return Status::Ok();
        }
        *commandLine = first->text;
        return ReadWait(*first, id, wait);
    }

    // wait="true" or "false" (the same as none), and with "true" an optional timeout="SECONDS".
    Status ReadWait(const CommandElement& command, QStringView id,
                    std::optional<CommandWait>* wait) {
        const std::optional<QString>& waits = command.wait;
        const std::optional<QString>& timeout = command.timeout;
        if (waits && *waits != u"true" && *waits != u"false") {
            return BrokenAt(command.line, QCoreApplication::translate(
                                              "Configuration",
                                              "the %1 command has wait=\"%2\", but wait must be "
                                              "\"true\" or \"false\"")
                                              .arg(id, *waits));
        }
        if (waits != u"true") {
            return timeout ? BrokenAt(command.line, QCoreApplication::translate(
                                                        "Configuration",
                                                        "the %1 command has a timeout, which "
                                                        "needs wait=\"true\"")
                                                        .arg(id))
                           : Status::Ok();
        }
        CommandWait read;
        if (timeout) {
            const bool digitsOnly = !timeout->isEmpty() && timeout->size() <= 6 &&
                                    std::all_of(timeout->cbegin(), timeout->cend(),
                                                [](QChar c) { return c >= u'0' && c <= u'9'; });
            const std::chrono::seconds seconds(digitsOnly ? timeout->toInt() : 0);
            if (seconds < std::chrono::seconds(1) || seconds > CommandWait::kLongestTimeout) {
                return BrokenAt(command.line,
                                QCoreApplication::translate(
                                    "Configuration",
                                    "the %1 command has timeout=\"%2\", but the timeout "
                                    "must be a whole number of seconds from 1 to %3")
                                    .arg(id, *timeout)
                                    .arg(CommandWait::kLongestTimeout.count()));
            }
            read.timeout = seconds;
        }
        *wait = read;
        return Status::Ok();
    }

    // Warns of each command element that is never started but looks as if it were meant to be.
    void WarnOfUnusedCommands() {
        std::unordered_map<QString, int, FastStringHasher, std::equal_to<>> started;
        for (const CommandElement& command : mCommands) {
            const QString id = command.id.value_or(QString());
            const QString known = id.toLower();
            if (known != u"before" && known != u"after") {
                continue;
            }
            if (id != known) {
                Warn(command.line, QCoreApplication::translate(
                                       "Configuration",
                                       "the command id \"%1\" is not \"%2\" (ids are "
                                       "case-sensitive), so this command is never started")
                                       .arg(id, known));
                continue;
            }
            if (!command.text) {
                continue;  // nothing to start
            }
            if (const auto [first, added] = started.try_emplace(id, command.line); !added) {
                Warn(command.line, QCoreApplication::translate("Configuration",
                                                               "a second %1 command, which is "
                                                               "never started: only the first, "
                                                               "at line %2, is")
                                       .arg(id)
                                       .arg(first->second));
            }
        }
    }

    // A template entry: its input text, its output, its mode. An entry without input text or
    // without an output element is left out.
    void ReadTemplate(const XmlTree& tree, Node entry) {
        if (mTemplateError) {
            return;
        }
        std::optional<QString> input;
        std::optional<QString> output;
        bool hasOutput = false;
        for (Node child = tree.FirstChild(entry); child != kNone; child = tree.NextSibling(child)) {
            if (!tree.IsElementWithoutNamespace(child)) {
                continue;
            }
            const bool isInput = tree.IsNamed(child, "input");
            const bool isOutput = tree.IsNamed(child, "output");
            hasOutput = hasOutput || isOutput;
            std::optional<QString>& text = isInput ? input : output;
            if ((isInput || isOutput) && !text) {
                if (const Node first = tree.FirstTextChild(child); first != kNone) {
                    text = tree.Text(first);
                }
            }
        }
        std::optional<unsigned> mode;
        if (Status s = ReadMode(tree, entry, &mode); !s.ok()) {
            mTemplateError = s;
            return;
        }
        if (input && hasOutput) {
            mConfig.mTemplates.push_back({*input, output.value_or(QString()), mode});
        }
    }

    // The mode="0640" of a template entry, if it has one: octal permission bits, at most 0777.
    Status ReadMode(const XmlTree& tree, Node entry, std::optional<unsigned>* mode) {
        const std::optional<QString> text = tree.Attribute(entry, "mode");
        if (!text) {
            return Status::Ok();
        }
        const bool octal = !text->isEmpty() && text->size() <= 4 &&
                           std::all_of(text->cbegin(), text->cend(),
                                       [](QChar c) { return c >= u'0' && c <= u'7'; });
        const unsigned bits = octal ? text->toUInt(nullptr, 8) : 01000;
        if (bits > 0777) {
            return BrokenAt(tree.Line(entry), QCoreApplication::translate(
                                                  "Configuration",
                                                  "the template entry has mode=\"%1\", but the "
                                                  "mode must be octal permission bits from 0 to "
                                                  "0777, such as 0640")
                                                  .arg(*text));
        }
        *mode = bits;
        return Status::Ok();
    }

    // Every depends names another item, by its id or its bare name, and following them from an
    // item never leads back to it. Each is resolved to the id of the item it names, and the
    // configuration's DependentIds get the items that have one, each after every item it
    // depends on.
    Status ResolveDependencies() {
        for (const auto& [number, rules] : mDependents) {
            const ConfigItem& item = ItemAt(number);
            for (ValueRules::Dependency& dependency : rules->depends) {
                const ConfigItem* named = mConfig.ItemFor(dependency.id);
                if (named == nullptr) {
                    return BrokenAt(dependency.line,
                                    ItemProblem(item.label, item.id,
                                                QCoreApplication::translate(
                                                    "Configuration",
                                                    "<depends> names %1, which no item declares")
                                                    .arg(dependency.id)));
                }
                if (named == &item) {
                    return BrokenAt(
                        dependency.line,
                        ItemProblem(item.label, item.id,
                                    QCoreApplication::translate(
                                        "Configuration", "<depends> names the item itself")));
                }
                dependency.id = named->id.toString();
            }
        }
        // Depth first, in the configuration's order, and without recursion: a chain of depends
        // may be as long as the file.
        enum class Mark { Unseen, Open, Done };
        QHash<const ConfigItem*, Mark> marks;
        struct Step {
            const ConfigItem* item;
            std::size_t next;  // the index of its next depends to follow
        };
        for (const auto& [number, startRules] : mDependents) {
            const ConfigItem& start = ItemAt(number);
            if (marks.value(&start) == Mark::Done) {
                continue;
            }
            std::vector<Step> path = {{&start, 0}};
            marks.insert(&start, Mark::Open);
            while (!path.empty()) {
                const ConfigItem* current = path.back().item;
                const std::vector<ValueRules::Dependency>& depends = current->rules.depends;
                if (path.back().next == depends.size()) {
                    marks.insert(current, Mark::Done);
                    if (!depends.empty()) {
                        mConfig.mDependentIds.append(current->id.toString());
                    }
                    path.pop_back();
                    continue;
                }
                const ValueRules::Dependency& dependency = depends[path.back().next++];
                const ConfigItem* named = mConfig.ItemFor(dependency.id);
                const Mark mark = marks.value(named, Mark::Unseen);
                if (mark == Mark::Open) {
                    QStringList cycle = {current->id.toString()};
                    auto step = std::find_if(path.cbegin(), path.cend(),
                                             [named](const Step& s) { return s.item == named; });
                    for (; step != path.cend(); ++step) {
                        cycle.append(step->item->id.toString());
                    }
                    return BrokenAt(dependency.line,
                                    ItemProblem(current->label, current->id,
                                                QCoreApplication::translate(
                                                    "Configuration", "<depends> makes a cycle: %1")
                                                    .arg(cycle.join(QStringLiteral(" -> ")))));
                }
                if (mark == Mark::Unseen) {
                    marks.insert(named, Mark::Open);
                    path.push_back({named, 0});
                }
            }
        }
        return Status::Ok();
    }

    Status BrokenAt(int line, const QString& rule) const {
        return Status::Error(QCoreApplication::translate("Configuration", "%1: line %2: %3")
                                 .arg(mFileName)
                                 .arg(line)
                                 .arg(rule));
    }

    // "<file>:<line>: <text>", as compilers and editors name a place in a file.
    void Warn(int line, const QString& text) {
        mWarnings.append(QStringLiteral("%1:%2: %3").arg(mFileName).arg(line).arg(text));
    }

    Configuration& mConfig;
    const QString& mFileName;
    QStringList mWarnings;
    // The first rule that the groups and their items break, in document order.
    std::optional<Status> mGroupError;
    // The group that is open: its name and items so far, and the first rule its items break.
    std::optional<QString> mGroupName;
    std::vector<ConfigItem> mItems;
    std::optional<Status> mItemError;
    QString mLabelText, mIdText;  // the texts of the item being read (ReadText)
    std::unordered_map<QString, int, FastStringHasher, std::equal_to<>> mGroupLines;
    std::vector<std::pair<QByteArray, TypeWord>> mTypes;  // the types seen first, to share
    const TypeWord mNoType;
    TypeWord mOtherType;  // the one ReadType read last, when it shares none
    // The items that have depends, by number, and their rules.
    std::vector<std::pair<std::uint32_t, ValueRules*>> mDependents;
    std::vector<CommandElement> mCommands;  // in the order their end tags came
    std::optional<Status> mTemplateError;   // the first entry's with a mode that is not one
};

Configuration::Configuration() : mIds(std::make_shared<ItemIds>()) {}
Configuration::~Configuration() = default;
Configuration::Configuration(Configuration&& other) noexcept = default;
Configuration& Configuration::operator=(Configuration&& other) noexcept = default;

Status Configuration::Parse(const QByteArray& bytes, const QString& fileName) {
    *this = Configuration();
    Configuration read;
    ConfigurationReader reader(read, fileName);
    XmlTree tree;
    if (Status parsed = tree.Parse(bytes, fileName, &reader); !parsed.ok()) {
        return parsed;
    }
    if (Status s = reader.Finish(tree); !s.ok()) {
        return s;
    }
    read.mFileName = fileName;
    *this = std::move(read);
    return Status::Ok();
}

QStringView Configuration::DeclaredId(std::uint32_t number) const {
    const std::uint32_t begin = number == 0 ? 0 : mDeclaredEnds[number - 1];
    return QStringView(mDeclaredText.data() + begin, mDeclaredEnds[number] - begin);
}

bool Configuration::DeclaresId(QStringView id) const {
    if (!mIds) {
        return false;
    }
    if (const int item = mIds->IndexOf(id); item >= 0 && mIds->Declared(item)) {
        return true;
    }
    return mDeclaredIds
        .Find(FastStringHash(id),
              [this, id](std::uint32_t number) { return DeclaredId(number) == id; })
        .has_value();
}

const ConfigItem* Configuration::ItemFor(QStringView id) const {
    const int number = mIds ? mIds->AddressedBy(id) : -1;
    return number < 0 ? nullptr : &Item(number);
}

QStringList Configuration::EnabledWhen(const ConfigItem& item) const {
    QStringList conditions;
    for (const ValueRules::Dependency& dependency : item.rules.depends) {
        const ConfigItem* named = ItemFor(dependency.id);
        const QStringView label = named ? named->label : QStringView(dependency.id);
        if (dependency.value) {
            conditions.append(QCoreApplication::translate("Configuration", "%1 is \"%2\"")
                                  .arg(label, *dependency.value));
        } else if (named && named->rules.kind == ValueKind::Boolean) {
            conditions.append(QCoreApplication::translate("Configuration", "%1 is on").arg(label));
        } else {
            conditions.append(
                QCoreApplication::translate("Configuration", "%1 is not empty").arg(label));
        }
    }
    return conditions;
}

Status LoadConfigurationFile(FileSystem& fileSystem, const QString& path, Configuration* config,
                             Status* trust) {
    QByteArray bytes;
    std::unique_ptr<ByteSource> source;
    *trust = fileSystem.OpenTrustedFile(path, kMaxXmlFileBytes, &source);
    Status read = trust->ok() ? ReadAll(*source, &bytes) : *trust;
    if (trust->IsUntrusted()) {
        read = fileSystem.ReadFile(path, kMaxXmlFileBytes, &bytes);
    }
    if (!read.ok()) {
        *config = Configuration();
        return read;
    }
    return config->Parse(bytes, path);
}
