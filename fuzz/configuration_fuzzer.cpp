// A configuration file is whatever lies on the disk: any bytes must give a configuration or an
// error, never a crash, and an accepted configuration must keep the rules the window relies on.
//
// Input: the bytes of the file.

#include "fuzz/FuzzCheck.h"
#include "platform/XmlDocument.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

const QString kFileName = QStringLiteral("fuzz-config.xml");

std::vector<XmlNode> Select(const XmlDocument& document, const char* expression,
                            XmlNode context = XmlNode()) {
    std::vector<XmlNode> nodes;
    const Status selected =
        document.SelectNodes(QString::fromLatin1(expression), &nodes, {}, context);
    FUZZ_CHECK(selected.ok(), "a fixed XPath expression evaluates on a parsed document");
    return nodes;
}

void CheckRejected(const Configuration& config, const Status& status) {
    FUZZ_CHECK(!status.message().isEmpty(), "a refusal says why");
    FUZZ_CHECK(status.message().contains(kFileName), "a refusal names the file");
    FUZZ_CHECK(config.Groups().empty() && config.Templates().empty() && !config.BeforeCommand() &&
                   !config.AfterCommand(),
               "a refused configuration is empty");
}

// The accepted file is read again here with the XML service alone, so that the groups and items
// the configuration reports can be compared with what the file holds.
void CheckAccepted(const Configuration& config, const QByteArray& bytes) {
    XmlDocument document;
    FUZZ_CHECK(document.Parse(bytes, kFileName).ok(), "an accepted file parses as XML");

    QSet<QString> groupNames;
    QSet<QString> fieldNames;
    const std::vector<XmlNode> groupNodes = Select(document, "xml/group");
    FUZZ_CHECK(config.Groups().size() == groupNodes.size(), "one group per xml/group element");
    for (size_t g = 0; g < groupNodes.size(); ++g) {
        const ConfigGroup& group = config.Groups()[g];
        FUZZ_CHECK(!groupNames.contains(group.name), "group names are unique");
        groupNames.insert(group.name);

        const std::vector<XmlNode> itemNodes = Select(document, "item", groupNodes[g]);
        FUZZ_CHECK(group.items.size() == itemNodes.size(), "one item per item element");
        for (size_t i = 0; i < itemNodes.size(); ++i) {
            const ConfigItem& item = group.items[i];
            const QString field = FieldControlName(item.id);
            FUZZ_CHECK(!fieldNames.contains(field), "field control names are unique");
            fieldNames.insert(field);
            FUZZ_CHECK(config.LabelOfField(field) == item.label, "a field's label is its item's");

            const std::vector<XmlNode> varnames = Select(document, "varname", itemNodes[i]);
            FUZZ_CHECK(!varnames.empty(), "an accepted item has a varname");
            FUZZ_CHECK(item.id == varnames.front().Text(), "the id is the first varname's text");
            // A varname split into several nodes (text and CDATA, a comment between two texts)
            // declares each piece, not the whole; only a single text node declares the item's id.
            const bool singleText = Select(document, "node()", varnames.front()).size() == 1 &&
                                    Select(document, "text()", varnames.front()).size() == 1;
            if (singleText && !config.DeclaresId(item.id)) {
                fuzz::Show("id", item.id);
                FUZZ_CHECK(false, "an item whose varname is one text node declares its id");
            }
        }
    }
    for (const XmlNode& text : Select(document, "//varname/text()")) {
        FUZZ_CHECK(config.DeclaresId(text.Text()), "every varname text is a declared id");
    }
    size_t completeEntries = 0;
    for (const XmlNode& file : Select(document, "xml/files/file")) {
        const std::vector<XmlNode> inputs = Select(document, "input/text()", file);
        const std::vector<XmlNode> outputs = Select(document, "output/text()", file);
        if (inputs.empty() || outputs.empty()) {
            continue;
        }
        FUZZ_CHECK(completeEntries < config.Templates().size(), "every complete entry is kept");
        const TemplateEntry& entry = config.Templates()[completeEntries++];
        FUZZ_CHECK(entry.input == inputs.front().Text() && entry.output == outputs.front().Text(),
                   "a template entry takes the first input and output text, in file order");
    }
    FUZZ_CHECK(completeEntries == config.Templates().size(), "only complete entries are kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Configuration config;
    const Status status = config.Parse(bytes, kFileName);
    if (status.ok()) {
        CheckAccepted(config, bytes);
    } else {
        CheckRejected(config, status);
    }
    return 0;
}
