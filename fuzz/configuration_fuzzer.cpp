// A configuration file is whatever lies on the disk: any bytes must give a configuration or an
// error, never a crash, and an accepted configuration must keep the rules the window relies on.
//
// Input: the bytes of the file.

#include "fuzz/FuzzCheck.h"
#include "platform/XmlDocument.h"
#include "schema/BareName.h"
#include "schema/Configuration.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString fileName = QStringLiteral("fuzz-config.xml");
    const QByteArray bytes = fuzz::Bytes(data, size);
    Configuration config;
    if (const Status status = config.Parse(bytes, fileName); !status.ok()) {
        FUZZ_CHECK(status.message().contains(fileName) && config.Groups().empty() &&
                       config.Templates().empty() && !config.BeforeCommand() &&
                       !config.AfterCommand() && config.Warnings().isEmpty(),
                   "a refusal names the file and leaves the configuration empty");
        return 0;
    }
    // The accepted file is read again with the XML service alone: its groups with their items,
    // then its complete template entries, in file order, must be what the configuration holds.
    XmlDocument document;
    FUZZ_CHECK(document.Parse(bytes, fileName).ok(), "an accepted file parses as XML");
    const auto select = [&document](const char* expression, XmlNode context = XmlNode()) {
        std::vector<XmlNode> nodes;
        FUZZ_CHECK(document.SelectNodes(QString::fromLatin1(expression), &nodes, {}, context).ok(),
                   "a fixed XPath expression evaluates on a parsed document");
        return nodes;
    };
    // The text of the first node selected; U+0001, which no XML text can hold, when there is none.
    const auto first = [&select](const char* expression, XmlNode context) {
        const std::vector<XmlNode> nodes = select(expression, context);
        return nodes.empty() ? QStringLiteral("\1") : nodes.front().Text();
    };
    QStringList inFile;
    for (const XmlNode& group : select("xml/group")) {
        inFile.append(first("name", group));
        for (const XmlNode& item : select("item", group))
            inFile.append(first("name", item) + u'\0' + first("varname", item));
    }
    // An entry counts with an input text and an output element, whose text may be missing.
    for (const XmlNode& entry : select("xml/files/file")) {
        const QString paths =
            first("input/text()", entry) + u'\0' +
            (select("output", entry).empty() ? QStringLiteral("\1")
                                             : first("output/text()", entry).remove(u'\1'));
        if (!paths.contains(u'\1'))
            inFile.append(paths);
    }
    QStringList inConfig, names;  // names: the group names and, after a NUL, the bare names
    for (const ConfigGroup& group : config.Groups()) {
        inConfig.append(group.name);
        names.append(group.name);
        for (const ConfigItem& item : group.items) {
            inConfig.append(item.label + u'\0' + item.id);
            names.append(u'\0' + BareName(item.id));
            FUZZ_CHECK(config.ItemFor(item.id) == &item, "an item's id addresses the item");
        }
    }
    FUZZ_CHECK(names.removeDuplicates() == 0, "group names and bare names are unique");
    // Working out which items are enabled visits each item with depends after every item it
    // names, and names only other items: no walk along them can come back to where it began.
    QSet<QString> ordered;
    for (const QString& id : config.DependentIds()) {
        const ConfigItem* item = config.ItemFor(id);
        FUZZ_CHECK(item != nullptr && item->id == id && !item->rules.depends.empty(),
                   "the order of dependent items holds exactly the items with depends");
        for (const ValueRules::Dependency& dependency : item->rules.depends) {
            const ConfigItem* named = config.ItemFor(dependency.id);
            FUZZ_CHECK(named != nullptr && named->id == dependency.id && named != item &&
                           (named->rules.depends.empty() || ordered.contains(named->id)),
                       "a depends names another item, which comes first in the order");
        }
        ordered.insert(id);
    }
    for (const QString& warning : config.Warnings())
        FUZZ_CHECK(warning.startsWith(fileName + u':'), "a warning names the file");
    for (const TemplateEntry& entry : config.Templates())
        inConfig.append(entry.input + u'\0' + entry.output);
    FUZZ_CHECK(inConfig == inFile, "the groups, items and templates are the file's, in its order");
    // An item whose varname is one text node thereby declares its id; a varname split by a comment
    // or CDATA declares each piece, not the whole.
    for (const XmlNode& text : select("//varname/text()"))
        FUZZ_CHECK(config.DeclaresId(text.Text()), "every varname text is a declared id");
    return 0;
}
