#include "schema/ValueRules.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const struct {
    const char16_t* word;
    ValueKind kind;
} kKinds[] = {{u"password", ValueKind::Password}, {u"number", ValueKind::Number},
              {u"boolean", ValueKind::Boolean},   {u"choice", ValueKind::Choice},
              {u"file", ValueKind::File},         {u"folder", ValueKind::Folder}};

constexpr const char* kRuleElements[] = {"help", "default", "required", "min",     "max",    "on",
                                         "off",  "option",  "pattern",  "message", "depends"};

// A whole number with an optional sign, nothing around it.
bool IsWholeNumber(QStringView text) {
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        text = text.mid(1);
    }
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The value of a whole number; nothing when `text` is none or does not fit in 64 bits.
std::optional<qint64> WholeNumber(QStringView text) {
    bool ok = false;
    const qint64 number = IsWholeNumber(text) ? text.toLongLong(&ok) : 0;
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

QString Quoted(const QString& text) {
    return u'"' + text + u'"';
}

}  // namespace

ValueKind ValueRules::KindOf(const QString& type) {
    const QString word = type.trimmed();
    for (const auto& k : kKinds) {
        if (word == QStringView(k.word)) {
            return k.kind;
        }
    }
    return ValueKind::Text;
}

bool ValueRules::IsRuleElement(const char* name) {
    return std::any_of(std::cbegin(kRuleElements), std::cend(kRuleElements),
                       [name](const char* rule) { return std::strcmp(rule, name) == 0; });
}

Status ValueRules::Read(const XmlTree& tree, XmlTree::Node item, const QString& type,
                        ValueRules* rules) {
    ValueRules read;
    read.kind = KindOf(type);
    const auto child = [&tree, item](const char* name) -> std::optional<QString> {
        const XmlTree::Node element = tree.FirstChildElement(item, name);
        return element == XmlTree::kNone ? std::nullopt
                                         : std::optional<QString>(tree.Text(element));
    };
    // Every child element `name` outside any namespace, in document order.
    const auto children = [&tree, item](const char* name) {
        std::vector<XmlTree::Node> elements;
        for (XmlTree::Node at = tree.FirstChild(item); at != XmlTree::kNone;
             at = tree.NextSibling(at)) {
            if (tree.IsElementWithoutNamespace(at) && tree.IsNamed(at, name)) {
                elements.push_back(at);
            }
        }
        return elements;
    };
    if (const auto help = child("help")) {
        read.help = help->trimmed();
    }
    read.defaultValue = child("default");
    if (const auto required = child("required")) {
        const QString word = required->trimmed();
        if (word != u"true" && word != u"false") {
            return Status::Error(QCoreApplication::translate(
                                     "ValueRules", "<required> must be true or false, not %1")
                                     .arg(Quoted(word)));
        }
        read.required = word == u"true";
    }
    if (read.kind == ValueKind::Number) {
        for (const auto& [name, bound] :
             {std::pair{"min", &read.min}, std::pair{"max", &read.max}}) {
            if (const auto text = child(name)) {
                *bound = WholeNumber(text->trimmed());
                if (!*bound) {
                    return Status::Error(
                        QCoreApplication::translate("ValueRules", "<%1> is not a whole number: %2")
                            .arg(QLatin1String(name), Quoted(text->trimmed())));
                }
            }
        }
        if (read.min && read.max && *read.min > *read.max) {
            return Status::Error(
                QCoreApplication::translate("ValueRules", "<min> %1 is above <max> %2")
                    .arg(*read.min)
                    .arg(*read.max));
        }
    }
    if (read.kind == ValueKind::Boolean) {
        read.on = child("on").value_or(read.on);
        read.off = child("off").value_or(read.off);
        if (read.on == read.off) {
            return Status::Error(
                QCoreApplication::translate("ValueRules", "<on> and <off> are both %1")
                    .arg(Quoted(read.on)));
        }
    }
    if (read.kind == ValueKind::Choice) {
        for (const XmlTree::Node option : children("option")) {
            read.options.append(tree.Text(option));
        }
        if (read.options.isEmpty()) {
            return Status::Error(
                QCoreApplication::translate("ValueRules", "a choice needs at least one <option>"));
        }
    }
    const bool takesPattern = read.kind == ValueKind::Text || read.kind == ValueKind::Password ||
                              read.kind == ValueKind::File || read.kind == ValueKind::Folder;
    if (const auto pattern = child("pattern"); pattern && takesPattern) {
        QRegularExpression matcher(QRegularExpression::anchoredPattern(*pattern));
        if (!matcher.isValid()) {
            return Status::Error(
                QCoreApplication::translate("ValueRules", "<pattern> %1 does not compile: %2")
                    .arg(Quoted(*pattern), matcher.errorString()));
        }
        read.pattern = Pattern{*pattern, matcher};
    }
    if (const auto message = child("message")) {
        read.message = message->trimmed();
    }
    for (const XmlTree::Node element : children("depends")) {
        Dependency dependency{tree.Text(element).trimmed(), tree.Attribute(element, "value"),
                              tree.Line(element)};
        if (dependency.id.isEmpty()) {
            return Status::Error(QCoreApplication::translate(
                "ValueRules", "a <depends> must name the variable it depends on"));
        }
        read.depends.push_back(std::move(dependency));
    }
    if (read.defaultValue) {
        if (const auto problem = read.Problem(*read.defaultValue)) {
            return Status::Error(
                QCoreApplication::translate("ValueRules", "the <default> does not fit: it %1")
                    .arg(*problem));
        }
    }
    *rules = std::move(read);
    return Status::Ok();
}

QStringList ValueRules::KindNames() {
    QStringList names;
    for (const auto& k : kKinds) {
        names.append(QString::fromUtf16(k.word));
    }
    return names;
}

std::optional<QString> ValueRules::Problem(QStringView value) const {
    if (value.isEmpty()) {
        return required ? std::optional<QString>(
                              QCoreApplication::translate("ValueRules", "must not be empty"))
                        : std::nullopt;
    }
    switch (kind) {
        case ValueKind::Number: {
            if (!IsWholeNumber(value)) {
                return QCoreApplication::translate("ValueRules", "is not a whole number");
            }
            const std::optional<qint64> number = WholeNumber(value);
            const bool negative = value.startsWith(u'-');
            // A number beyond 64 bits lies beyond any bound on its side.
            if (min && (number ? *number < *min : negative)) {
                return QCoreApplication::translate("ValueRules", "must be at least %1").arg(*min);
            }
            if (max && (number ? *number > *max : !negative)) {
                return QCoreApplication::translate("ValueRules", "must be at most %1").arg(*max);
            }
            return std::nullopt;
        }
        case ValueKind::Boolean:
            if (value != on && value != off) {
                return QCoreApplication::translate("ValueRules", "must be %1 or %2")
                    .arg(Quoted(on), Quoted(off));
            }
            return std::nullopt;
        case ValueKind::Choice:
            if (!options.contains(value)) {
                QStringList quoted;
                for (const QString& option : options) {
                    quoted.append(Quoted(option));
                }
                return QCoreApplication::translate("ValueRules", "is not one of %1")
                    .arg(quoted.join(QStringLiteral(", ")));
            }
            return std::nullopt;
        default:
            if (!pattern) {
                return std::nullopt;
            }
            // A match that the engine gave up on (its stack or step limit, reached by a long
            // value and a pattern that backtracks) is no valid match, and tells nothing about
            // the value.
            if (const QRegularExpressionMatch match = pattern->matcher.match(value);
                !match.isValid()) {
                return QCoreApplication::translate(
                           "ValueRules",
                           "could not be checked against the pattern %1: the value is too long "
                           "or too complex for it")
                    .arg(Quoted(pattern->text));
            } else if (!match.hasMatch()) {
                if (!message.isEmpty()) {
                    return message;
                }
                return QCoreApplication::translate("ValueRules", "does not match the pattern %1")
                    .arg(Quoted(pattern->text));
            }
            return std::nullopt;
    }
}

bool ValueRules::Matches(QStringView value, QStringView wanted) const {
    if (kind == ValueKind::Number) {
        const std::optional<qint64> number = WholeNumber(value);
        if (number && number == WholeNumber(wanted)) {
            return true;
        }
    }
    return value == wanted;
}
