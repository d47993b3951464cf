#include "schema/Configuration.h"

#include "platform/XmlDocument.h"
#include "schema/BareName.h"
#include "schema/Spelling.h"

#include <QCoreApplication>
#include <QVarLengthArray>

#include <algorithm>

namespace {

// The children of an item that the format knows. A command counts wherever it stands.
constexpr const char* kItemElements[] = {"name",     "type",    "varname", "help",    "default",
                                         "required", "min",     "max",     "on",      "off",
                                         "option",   "pattern", "message", "depends", "command"};

bool IsItemElement(const XmlNode& element) {
    return std::any_of(std::cbegin(kItemElements), std::cend(kItemElements),
                       [&element](const char* name) { return element.IsNamed(name); });
}

// "the item "Port" ($(PORT)): <problem>", as every refusal of an item's declaration begins.
QString ItemProblem(const ConfigItem& item, const QString& problem) {
    return QCoreApplication::translate("Configuration", "the item \"%1\" (%2): %3")
        .arg(item.label, item.id, problem);
}

// Reads a configuration document into plain values and checks it on the way, so that the first
// broken rule stops the walk with its line.
class ConfigurationReader {
  public:
    ConfigurationReader(const XmlDocument& document, const QString& fileName)
        : mDocument(document), mFileName(fileName) {}

    // What the file most likely misspells, as Configuration::Warnings words it.
    const QStringList& Warnings() const { return mWarnings; }

    Status Read(std::vector<ConfigGroup>* groups, QSet<QString>* declaredIds,
                std::optional<QString>* beforeCommand, std::optional<QString>* afterCommand,
                std::optional<CommandWait>* beforeWait, std::optional<CommandWait>* afterWait,
                std::vector<TemplateEntry>* templates) {
        const XmlNode root = mDocument.Root();
        if (root.Name() != u"xml") {
            return Broken(root, QCoreApplication::translate(
                                    "Configuration", "the root element is <%1>, but must be <xml>")
                                    .arg(root.Name()));
        }
        Status status = ReadGroups(groups);
        if (status.ok())
            ReadDeclaredIds(declaredIds);
        if (status.ok())
            status = ReadCommand(u"before", beforeCommand, beforeWait);
        if (status.ok())
            status = ReadCommand(u"after", afterCommand, afterWait);
        if (status.ok())
            status = ReadTemplates(templates);
        return status;
    }

    // Every depends names another item, by its id or its bare name, and following them from an
    // item never leads back to it. Each is resolved to the id of the item it names, and
    // `dependentIds` gets the items that have one, each after every item it depends on.
    Status ResolveDependencies(std::vector<ConfigGroup>* groups, QStringList* dependentIds) {
        const auto hasDepends = [](const ConfigGroup& group) {
            return std::any_of(group.items.cbegin(), group.items.cend(),
                               [](const ConfigItem& item) { return !item.rules.depends.empty(); });
        };
        if (std::none_of(groups->cbegin(), groups->cend(), hasDepends)) {
            return Status::Ok();
        }
        QHash<QString, ConfigItem*> byBareName;
        for (ConfigGroup& group : *groups) {
            for (ConfigItem& item : group.items) {
                byBareName.insert(BareName(item.id), &item);
            }
        }
        for (ConfigGroup& group : *groups) {
            for (ConfigItem& item : group.items) {
                for (ValueRules::Dependency& dependency : item.rules.depends) {
                    const ConfigItem* named = byBareName.value(BareName(dependency.id));
                    if (named == nullptr) {
                        return BrokenAt(dependency.line,
                                        ItemProblem(item, QCoreApplication::translate(
                                                              "Configuration",
                                                              "<depends> names %1, which no item "
                                                              "declares")
                                                              .arg(dependency.id)));
                    }
                    if (named == &item) {
                        return BrokenAt(dependency.line,
                                        ItemProblem(item, QCoreApplication::translate(
                                                              "Configuration",
                                                              "<depends> names the item itself")));
                    }
                    dependency.id = named->id;
                }
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
        for (const ConfigGroup& group : *groups) {
            for (const ConfigItem& start : group.items) {
                if (start.rules.depends.empty() || marks.value(&start) == Mark::Done) {
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
                            dependentIds->append(current->id);
                        }
                        path.pop_back();
                        continue;
                    }
                    const ValueRules::Dependency& dependency = depends[path.back().next++];
                    const ConfigItem* named = byBareName.value(BareName(dependency.id));
                    const Mark mark = marks.value(named, Mark::Unseen);
                    if (mark == Mark::Open) {
                        QStringList cycle = {current->id};
                        auto step =
                            std::find_if(path.cbegin(), path.cend(),
                                         [named](const Step& s) { return s.item == named; });
                        for (; step != path.cend(); ++step) {
                            cycle.append(step->item->id);
                        }
                        return BrokenAt(
                            dependency.line,
                            ItemProblem(*current,
                                        QCoreApplication::translate("Configuration",
                                                                    "<depends> makes a cycle: %1")
                                            .arg(cycle.join(QStringLiteral(" -> ")))));
                    }
                    if (mark == Mark::Unseen) {
                        marks.insert(named, Mark::Open);
                        path.push_back({named, 0});
                    }
                }
            }
        }
        return Status::Ok();
    }

    // Warns of each command element that is never started but looks as if it were meant to be.
    Status WarnOfUnusedCommands() {
        QHash<QString, int> started;  // id -> line of the command whose text is started
        for (const XmlNode& command : mCommands) {
            const QString id = command.Attribute("id").value_or(QString());
            const QString known = id.toLower();
            if (known != u"before" && known != u"after") {
                continue;
            }
            if (id != known) {
                Warn(command, QCoreApplication::translate("Configuration",
                                                          "the command id \"%1\" is not \"%2\" "
                                                          "(ids are case-sensitive), so this "
                                                          "command is never started")
                                  .arg(id, known));
                continue;
            }
            if (command.FirstTextChild().IsNull()) {
                continue;  // nothing to start
            }
            if (const auto first = started.constFind(id); first != started.cend()) {
                Warn(command, QCoreApplication::translate("Configuration",
                                                          "a second %1 command, which is never "
                                                          "started: only the first, at line %2, "
                                                          "is")
                                  .arg(id)
                                  .arg(*first));
            } else {
                started.insert(id, command.Line());
            }
        }
        return Status::Ok();
    }

  private:
    Status ReadGroups(std::vector<ConfigGroup>* groups) {
        std::vector<XmlNode> groupNodes;
        if (Status s = mDocument.SelectNodes(QStringLiteral("xml/group"), &groupNodes); !s.ok()) {
            return s;
        }
        QHash<QString, int> groupLines;     // group name -> line of its first use
        QHash<QString, int> bareNameLines;  // bare name -> line of its first use
        for (const XmlNode& groupNode : groupNodes) {
            ConfigGroup group;
            group.line = groupNode.Line();
            if (Status s = ChildText(groupNode, "name", &group.name); !s.ok()) {
                return s;
            }
            if (const auto first = groupLines.constFind(group.name); first != groupLines.cend()) {
                return Broken(groupNode, QCoreApplication::translate(
                                             "Configuration",
                                             "the group name \"%1\" is already used at "
                                             "line %2; group names must be unique")
                                             .arg(group.name)
                                             .arg(*first));
            }
            groupLines.insert(group.name, group.line);

            std::vector<XmlNode> itemNodes;
            if (Status s = mDocument.SelectNodes(QStringLiteral("item"), &itemNodes, {}, groupNode);
                !s.ok()) {
                return s;
            }
            for (const XmlNode& itemNode : itemNodes) {
                ConfigItem item;
                item.line = itemNode.Line();
                Status s = ChildText(itemNode, "name", &item.label);
                if (s.ok())
                    s = ChildText(itemNode, "varname", &item.id);
                if (!s.ok()) {
                    return s;
                }
                OptionalChildText(itemNode, "type", &item.type);
                if (Status rules = ValueRules::Read(mDocument, itemNode, item.type, &item.rules);
                    !rules.ok()) {
                    return Broken(itemNode, ItemProblem(item, rules.message()));
                }
                WarnAboutMisspellings(itemNode, item);
                const QString bareName = BareName(item.id);
                if (const auto first = bareNameLines.constFind(bareName);
                    first != bareNameLines.cend()) {
                    return Broken(itemNode, QCoreApplication::translate(
                                                "Configuration",
                                                "the variable \"%1\" has the bare name \"%2\", "
                                                "which the variable at line %3 already has; "
                                                "bare names must be unique")
                                                .arg(item.id, bareName)
                                                .arg(*first));
                }
                bareNameLines.insert(bareName, item.line);
                group.items.push_back(std::move(item));
            }
            groups->push_back(std::move(group));
        }
        return Status::Ok();
    }

    // An element of an item that the format does not know is most likely a misspelt one, and a
    // type close to a kind's name a misspelt kind: the format reads the first as nothing and the
    // second as free text, so the user learns of them only here.
    void WarnAboutMisspellings(const XmlNode& itemNode, const ConfigItem& item) {
        const std::vector<XmlNode> children = itemNode.ChildElements();
        const XmlNode typeElement = itemNode.FirstChildElement("type");
        for (const XmlNode& child : children) {
            if (child == typeElement && item.rules.kind == ValueKind::Text) {
                const QString type = item.type.trimmed();
                // "text", the type of most items, is close to no other kind.
                if (const auto meant = type == u"text"
                                           ? std::nullopt
                                           : LikelyMeant(type, ValueRules::KindNames())) {
                    Warn(child, QCoreApplication::translate(
                                    "Configuration",
                                    "type \"%1\" is read as free text; did you mean \"%2\"?")
                                    .arg(type, *meant));
                }
            }
            if (IsItemElement(child)) {
                continue;
            }
            if (!child.IsElementWithoutNamespace()) {
                continue;  // an extension in a namespace of its own, which the format ignores
            }
            QStringList known;
            for (const char* element : kItemElements) {
                known.append(QLatin1String(element));
            }
            const QString name = child.Name();
            const std::optional<QString> meant = LikelyMeant(name, known);
            Warn(child, meant ? QCoreApplication::translate(
                                    "Configuration",
                                    "<%1> is not a known element of an item; did you mean <%2>?")
                                    .arg(name, *meant)
                              : QCoreApplication::translate(
                                    "Configuration", "<%1> is not a known element of an item")
                                    .arg(name));
        }
    }

    // Every text node directly inside a varname element declares its text as an id, wherever the
    // element stands. The command elements and their texts are gathered on the same walk.
    void ReadDeclaredIds(QSet<QString>* declaredIds) {
        mDocument.ForEachNode([&](const XmlNode& node) {
            if (node.IsElementWithoutNamespace() && node.IsNamed("command")) {
                mCommands.push_back(node);
            } else if (node.IsText()) {
                const XmlNode parent = node.Parent();
                if (parent.IsElementWithoutNamespace() && parent.IsNamed("varname")) {
                    declaredIds->insert(node.Text());
                } else if (parent.IsElementWithoutNamespace() && parent.IsNamed("command")) {
                    mCommandTexts.push_back(node);
                }
            }
        });
    }

    // The command line of the command `id`: the first text node, in document order, directly
    // inside a command element of that id; and how a save waits for it, as that element says.
    Status ReadCommand(QStringView id, std::optional<QString>* commandLine,
                       std::optional<CommandWait>* wait) {
        for (const XmlNode& text : mCommandTexts) {
            if (const XmlNode command = text.Parent(); command.Attribute("id") == id) {
                *commandLine = text.Text();
                return ReadWait(command, id, wait);
            }
        }
        return Status::Ok();
    }

    // wait="true" or "false" (the same as none), and with "true" an optional timeout="SECONDS".
    Status ReadWait(const XmlNode& command, QStringView id, std::optional<CommandWait>* wait) {
        const std::optional<QString> waits = command.Attribute("wait");
        const std::optional<QString> timeout = command.Attribute("timeout");
        if (waits && *waits != u"true" && *waits != u"false") {
            return Broken(command, QCoreApplication::translate(
                                       "Configuration",
                                       "the %1 command has wait=\"%2\", but wait must be "
                                       "\"true\" or \"false\"")
                                       .arg(id, *waits));
        }
        if (waits != u"true") {
            return timeout ? Broken(command, QCoreApplication::translate(
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
                return Broken(command, QCoreApplication::translate(
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

    Status ReadTemplates(std::vector<TemplateEntry>* templates) {
        std::vector<XmlNode> entries;
        if (Status s = mDocument.SelectNodes(QStringLiteral("xml/files/file"), &entries); !s.ok()) {
            return s;
        }
        for (const XmlNode& entry : entries) {
            std::optional<QString> input;
            std::optional<QString> output;
            XmlNode outputElement;
            Status s = FirstText("input/text()", {}, &input, entry);
            if (s.ok())
                s = FirstText("output/text()", {}, &output, entry);
            if (s.ok())
                s = mDocument.SelectSingleNode(QStringLiteral("output"), &outputElement, {}, entry);
            if (!s.ok()) {
                return s;
            }
            std::optional<unsigned> mode;
            if (s = ReadMode(entry, &mode); !s.ok()) {
                return s;
            }
            if (input && !outputElement.IsNull()) {
                templates->push_back({*input, output.value_or(QString()), mode});
            }
        }
        return Status::Ok();
    }

    // The mode="0640" of a template entry, if it has one: octal permission bits, at most 0777.
    Status ReadMode(const XmlNode& entry, std::optional<unsigned>* mode) {
        const std::optional<QString> text = entry.Attribute(QStringLiteral("mode"));
        if (!text) {
            return Status::Ok();
        }
        const bool octal = !text->isEmpty() && text->size() <= 4 &&
                           std::all_of(text->cbegin(), text->cend(),
                                       [](QChar c) { return c >= u'0' && c <= u'7'; });
        const unsigned bits = octal ? text->toUInt(nullptr, 8) : 01000;
        if (bits > 0777) {
            return Broken(entry, QCoreApplication::translate(
                                     "Configuration",
                                     "the template entry has mode=\"%1\", but the mode must be "
                                     "octal permission bits from 0 to 0777, such as 0640")
                                     .arg(*text));
        }
        *mode = bits;
        return Status::Ok();
    }

    // The text content of the first child element `name` of `parent`, which must exist.
    Status ChildText(const XmlNode& parent, const char* name, QString* text) {
        const XmlNode child = parent.FirstChildElement(name);
        if (child.IsNull()) {
            return Broken(parent, QCoreApplication::translate("Configuration", "<%1> has no <%2>")
                                      .arg(parent.Name(), QLatin1String(name)));
        }
        *text = child.Text();
        return Status::Ok();
    }

    void OptionalChildText(const XmlNode& parent, const char* name, QString* text) {
        if (const XmlNode child = parent.FirstChildElement(name); !child.IsNull()) {
            *text = child.Text();
        }
    }

    // The value of the first node that `expression` selects, with $id bound to `id`.
    Status FirstText(const char* expression, QStringView id, std::optional<QString>* text,
                     XmlNode context = XmlNode()) {
        XmlNode node;
        const XPathVariables variables = {{QStringLiteral("id"), id.toString()}};
        Status s =
            mDocument.SelectSingleNode(QString::fromLatin1(expression), &node, variables, context);
        if (s.ok() && !node.IsNull()) {
            *text = node.Text();
        }
        return s;
    }

    Status Broken(const XmlNode& node, const QString& rule) const {
        return BrokenAt(node.Line(), rule);
    }
    Status BrokenAt(int line, const QString& rule) const {
        return Status::Error(QCoreApplication::translate("Configuration", "%1: line %2: %3")
                                 .arg(mFileName)
                                 .arg(line)
                                 .arg(rule));
    }

    // "<file>:<line>: <text>", as compilers and editors name a place in a file.
    void Warn(const XmlNode& node, const QString& text) {
        mWarnings.append(QStringLiteral("%1:%2: %3").arg(mFileName).arg(node.Line()).arg(text));
    }

    const XmlDocument& mDocument;
    const QString& mFileName;
    QStringList mWarnings;
    std::vector<XmlNode> mCommands;      // every command element, in document order
    std::vector<XmlNode> mCommandTexts;  // every text directly inside one, in document order
};

}  // namespace

Status Configuration::Parse(const QByteArray& bytes, const QString& fileName) {
    *this = Configuration();
    XmlDocument document;
    if (Status parsed = document.ParseReadOnly(bytes, fileName); !parsed.ok()) {
        return parsed;
    }
    Configuration read;
    ConfigurationReader reader(document, fileName);
    if (Status s =
            reader.Read(&read.mGroups, &read.mDeclaredIds, &read.mBeforeCommand,
                        &read.mAfterCommand, &read.mBeforeWait, &read.mAfterWait, &read.mTemplates);
        !s.ok()) {
        return s;
    }
    if (Status s = reader.ResolveDependencies(&read.mGroups, &read.mDependentIds); !s.ok()) {
        return s;
    }
    if (Status s = reader.WarnOfUnusedCommands(); !s.ok()) {
        return s;
    }
    read.mWarnings = reader.Warnings();
    for (std::size_t g = 0; g < read.mGroups.size(); ++g) {
        const std::vector<ConfigItem>& items = read.mGroups[g].items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            read.mItemsByBareName.insert(BareName(items[i].id), {g, i});
        }
    }
    read.mFileName = fileName;
    *this = std::move(read);
    return Status::Ok();
}

const ConfigItem* Configuration::ItemFor(const QString& id) const {
    // Asked several times for every variable of a save: the bare name is built on the stack and
    // looked up through a string that only points at it.
    QVarLengthArray<QChar, 64> bareName(id.size());
    const qsizetype length = WriteBareName(id, bareName.data());
    const auto found = mItemsByBareName.constFind(QString::fromRawData(bareName.data(), length));
    if (found == mItemsByBareName.cend()) {
        return nullptr;
    }
    return &mGroups[found->first].items[found->second];
}

QStringList Configuration::EnabledWhen(const ConfigItem& item) const {
    QStringList conditions;
    for (const ValueRules::Dependency& dependency : item.rules.depends) {
        const ConfigItem* named = ItemFor(dependency.id);
        const QString label = named ? named->label : dependency.id;
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
