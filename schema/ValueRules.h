#pragma once

#include "platform/Status.h"
#include "platform/XmlTree.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What kind of value a variable holds, from its item's <type>. Any other type, "text" included,
// is a plain text.
enum class ValueKind { Text, Password, Number, Boolean, Choice, File, Folder };

// What an item of the configuration declares about its value beyond its kind: optional child
// elements of the item. An item that declares none of them takes any text, as a plain field does.
struct ValueRules {
    ValueKind kind = ValueKind::Text;
    QString help;                         // what the field is for
    std::optional<QString> defaultValue;  // the value when the settings file has none
    bool required = false;                // an empty value is invalid
    std::optional<qint64> min, max;       // Number: the bounds, inclusive
    QString on = QStringLiteral("true");  // Boolean: the texts stored for on and off
    QString off = QStringLiteral("false");
    QStringList options;  // Choice: the values offered, in order
    // Text, Password, File, Folder: a regular expression that the whole value must match.
    struct Pattern {
        QString text;  // as written
        QRegularExpression matcher;
    };
    std::optional<Pattern> pattern;
    // Said in place of "does not match the pattern ..." when the pattern does not match: what the
    // value must be, in the user's words ("must be a host name"). Empty when not given.
    QString message;
    // One condition under which the item is enabled; an item is enabled while all of its
    // conditions hold. A disabled item's value is kept, stored and exported, but not checked.
    struct Dependency {
        // The variable it names: as written (trimmed) when Read returns, the id of the item that
        // it addresses once Configuration::Parse has accepted the file.
        QString id;
        // value="...": holds while that variable's value is this one (Matches). Without it: while
        // that variable is on (a boolean) or its value is not empty (any other kind).
        std::optional<QString> value;
        int line = 0;  // of the depends element
    };
    std::vector<Dependency> depends;

    // Reads the rules that the children of `item` declare into `rules`. Fails, with the problem
    // in words and nothing around them ("<min> is not a whole number: \"ten\""), when a
    // declaration cannot work: bounds that are not numbers or cross, a choice without options, a
    // pattern that does not compile, a required that is neither true nor false, a default that
    // breaks the item's own rules, a depends that names no variable. The caller names the file, the
    // line and the item; `rules` is then left as it was. Whether a depends names an item of the
    // configuration, and not one in a cycle, is for the caller to check.
    static Status Read(const XmlTree& tree, XmlTree::Node item, const QString& type,
                       ValueRules* rules);
    // The names of the child elements of an item that Read reads, outside any namespace: an item
    // that has none of them, and a type of kind Text, declares the rules of a default ValueRules.
    static bool IsRuleElement(const char* name);

    // The kind that the text of <type> names.
    static ValueKind KindOf(const QString& type);
    // The words of <type> that name a kind other than text, as they must be written.
    static QStringList KindNames();

    // Why `value` does not fit these rules ("must be at most 65535", or the message of a pattern
    // that does not match), or nothing when it does. The reason never quotes the value, which
    // may be a secret. Whether the item is enabled is the caller's to know.
    std::optional<QString> Problem(QStringView value) const;

    // Whether `value` is the value `wanted` that a depends names: a number by its number ("08" is
    // 8, and so is "+8"), everything else, a boolean's on and off texts too, by its text.
    bool Matches(QStringView value, QStringView wanted) const;
};
