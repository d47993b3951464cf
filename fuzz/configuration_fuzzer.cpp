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
    // The varnames are read again with the XML service alone.
    XmlDocument document;
    FUZZ_CHECK(document.Parse(bytes, fileName).ok(), "an accepted file parses as XML");
    std::vector<XmlNode> varnames;
    FUZZ_CHECK(document.SelectNodes(QStringLiteral("//varname/text()"), &varnames).ok(),
               "a fixed XPath expression evaluates on a parsed document");
    QStringList names;  // the group names and, after a NUL, the bare names
    for (const ConfigGroup& group : config.Groups()) {
        names.append(group.name);
        for (const ConfigItem& item : group.items) {
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
                           (named->rules.depends.empty() || ordered.contains(named->id.toString())),
                       "a depends names another item, which comes first in the order");
        }
        ordered.insert(id);
    }
    for (const QString& warning : config.Warnings())
        FUZZ_CHECK(warning.startsWith(fileName + u':'), "a warning names the file");
    // An item whose varname is one text node thereby declares its id; a varname split by a comment
    // or CDATA declares each piece, not the whole.
    for (const XmlNode& text : varnames)
        FUZZ_CHECK(config.DeclaresId(text.Text()), "every varname text is a declared id");
    return 0;
}
