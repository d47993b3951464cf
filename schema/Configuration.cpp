#include "schema/Configuration.h"

#include "platform/XmlDocument.h"
#include "schema/BareName.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Reads a configuration document into plain values and checks it on the way, so that the first
// broken rule stops the walk with its line.
class ConfigurationReader {
  public:
    ConfigurationReader(const XmlDocument& document, const QString& fileName)
        : mDocument(document), mFileName(fileName) {}

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
            status = ReadDeclaredIds(declaredIds);
        if (status.ok())
            status = ReadCommand(u"before", beforeCommand, beforeWait);
        if (status.ok())
            status = ReadCommand(u"after", afterCommand, afterWait);
        if (status.ok())
            status = ReadTemplates(templates);
        return status;
    }

    // Warns of each command element that is never started but looks as if it were meant to be.
    Status WarnOfUnusedCommands(QStringList* warnings) {
        std::vector<XmlNode> commands;
        if (Status s = mDocument.SelectNodes(QStringLiteral("//command"), &commands); !s.ok()) {
            return s;
        }
        QHash<QString, int> started;  // id -> line of the command whose text is started
        for (const XmlNode& command : commands) {
            const QString id = command.Attribute(QStringLiteral("id")).value_or(QString());
            const QString known = id.toLower();
            if (known != u"before" && known != u"after") {
                continue;
            }
            if (id != known) {
                warnings->append(Warning(
                    command, QCoreApplication::translate("Configuration",
                                                         "the command id \"%1\" is not \"%2\" (ids "
                                                         "are case-sensitive), so this command is "
                                                         "never started")
                                 .arg(id, known)));
                continue;
            }
            XmlNode text;
            if (Status s = mDocument.SelectSingleNode(QStringLiteral("text()"), &text, {}, command);
                !s.ok()) {
                return s;
            }
            if (text.IsNull()) {
                continue;  // nothing to start
            }
            if (const auto first = started.constFind(id); first != started.cend()) {
                warnings->append(Warning(
                    command, QCoreApplication::translate("Configuration",
                                                         "a second %1 command, which is never "
                                                         "started: only the first, at line %2, is")
                                 .arg(id)
                                 .arg(*first)));
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
            if (Status s = ChildText(groupNode, u"name", &group.name); !s.ok()) {
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
                Status s = ChildText(itemNode, u"name", &item.label);
                if (s.ok())
                    s = ChildText(itemNode, u"varname", &item.id);
                if (!s.ok()) {
                    return s;
                }
                OptionalChildText(itemNode, u"type", &item.type);
                if (Status rules = ValueRules::Read(mDocument, itemNode, item.type, &item.rules);
                    !rules.ok()) {
                    return Broken(itemNode, QCoreApplication::translate("Configuration",
                                                                        "the item \"%1\" (%2): %3")
                                                .arg(item.label, item.id, rules.message()));
                }
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

    // Every text node directly inside a varname element declares its text as an id, wherever the
    // element stands.
    Status ReadDeclaredIds(QSet<QString>* declaredIds) {
        std::vector<XmlNode> texts;
        if (Status s = mDocument.SelectNodes(QStringLiteral("//varname/text()"), &texts); !s.ok()) {
            return s;
        }
        for (const XmlNode& text : texts) {
            declaredIds->insert(text.Text());
        }
        return Status::Ok();
    }

    // The command line of the command `id`: the first text node, in document order, directly
    // inside a command element of that id; and how a save waits for it, as that element says.
    Status ReadCommand(QStringView id, std::optional<QString>* commandLine,
                       std::optional<CommandWait>* wait) {
        XmlNode text;
        const XPathVariables variables = {{QStringLiteral("id"), id.toString()}};
        if (Status s = mDocument.SelectSingleNode(QStringLiteral("//command[@id=$id]/text()"),
                                                  &text, variables);
            !s.ok() || text.IsNull()) {
            return s;
        }
        *commandLine = text.Text();
        return ReadWait(text.Parent(), id, wait);
    }

    // wait="true" or "false" (the same as none), and with "true" an optional timeout="SECONDS".
    Status ReadWait(const XmlNode& command, QStringView id, std::optional<CommandWait>* wait) {
        const std::optional<QString> waits = command.Attribute(QStringLiteral("wait"));
        const std::optional<QString> timeout = command.Attribute(QStringLiteral("timeout"));
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
            if (input && !outputElement.IsNull()) {
                templates->push_back({*input, output.value_or(QString())});
            }
        }
        return Status::Ok();
    }

    // The text content of the first child element `name` of `parent`, which must exist.
    Status ChildText(const XmlNode& parent, QStringView name, QString* text) {
        const XmlNode child = parent.FirstChildElement(name.toString());
        if (child.IsNull()) {
            return Broken(parent, QCoreApplication::translate("Configuration", "<%1> has no <%2>")
                                      .arg(parent.Name(), name));
        }
        *text = child.Text();
        return Status::Ok();
    }

    void OptionalChildText(const XmlNode& parent, QStringView name, QString* text) {
        if (const XmlNode child = parent.FirstChildElement(name.toString()); !child.IsNull()) {
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

    QString Warning(const XmlNode& node, const QString& what) const {
        return QStringLiteral("%1:%2: %3").arg(mFileName).arg(node.Line()).arg(what);
    }

    Status Broken(const XmlNode& node, const QString& rule) const {
        return Status::Error(QCoreApplication::translate("Configuration", "%1: line %2: %3")
                                 .arg(mFileName)
                                 .arg(node.Line())
                                 .arg(rule));
    }

    const XmlDocument& mDocument;
    const QString& mFileName;
};

}  // namespace

Status Configuration::Parse(const QByteArray& bytes, const QString& fileName) {
    *this = Configuration();
    XmlDocument document;
    if (Status parsed = document.Parse(bytes, fileName); !parsed.ok()) {
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
    if (Status s = reader.WarnOfUnusedCommands(&read.mWarnings); !s.ok()) {
        return s;
    }
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
    const auto found = mItemsByBareName.constFind(BareName(id));
    if (found == mItemsByBareName.cend()) {
        return nullptr;
    }
    return &mGroups[found->first].items[found->second];
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
