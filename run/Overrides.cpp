#include "run/Overrides.h"

#include "platform/XmlText.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <algorithm>

extern char** environ;

namespace {

// A value for the item that `name` addresses, with where it came from: "/set:NAME", the name of
// an environment variable, or "FILE:LINE".
struct GivenValue {
    QString name;
    QString value;
    QString source;
    bool fromEnvironment = false;
    bool text = true;  // false: bytes that are not UTF-8
};

// `bytes` as text, when they are UTF-8; a mark at their start is a character of the value.
std::optional<QString> Utf8Text(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    return decoder.hasError() ? std::nullopt : std::optional(std::move(text));
}

// Reads all of `source`, named `name`, refusing more than a settings file may hold.
Status ReadLimited(ByteSource& source, const QString& name, QByteArray* bytes) {
    char buffer[64 * 1024];
    for (;;) {
        std::size_t got = 0;
        if (Status read = source.Read(buffer, sizeof buffer, &got); !read.ok()) {
            return read;
        }
        if (got == 0) {
            return Status::Ok();
        }
        if (bytes->size() + qint64(got) > kMaxXmlFileBytes) {
            return Status::PathError(
                name, QCoreApplication::translate("Overrides", "it is larger than %1 bytes")
                          .arg(kMaxXmlFileBytes));
        }
        bytes->append(buffer, qsizetype(got));
    }
}

// The values of the file of "/values:" `path` ("-": standard input, which `stdinRead` says
// whether an earlier one read), in the order of the file.
Status ReadValuesFile(const QString& path, const ValueSources& sources, bool* stdinRead,
                      std::vector<GivenValue>* given) {
    const bool standardInput = path == u"-";
    const QString name =
        standardInput ? QCoreApplication::translate("Overrides", "standard input") : path;
    const auto refused = [](const QString& why) {
        return Status::Error(
            QCoreApplication::translate("Overrides", "%1; nothing was saved.").arg(why));
    };
    QByteArray bytes;
    if (standardInput) {
        if (*stdinRead) {
            return refused(QCoreApplication::translate(
                "Overrides", "/values:- is given twice, but standard input can be read once"));
        }
        *stdinRead = true;
        if (sources.standardInput == nullptr) {
            return refused(
                QCoreApplication::translate("Overrides", "standard input cannot be read here"));
        }
        if (Status read = ReadLimited(*sources.standardInput, name, &bytes); !read.ok()) {
            return refused(read.message());
        }
    } else {
        std::unique_ptr<ByteSource> opened;
        Status read = sources.files == nullptr
                          ? Status::PathError(path, QCoreApplication::translate(
                                                        "Overrides", "no file can be read here"))
                          : sources.files->OpenTrustedFile(path, kMaxXmlFileBytes, &opened);
        if (read.ok()) {
            read = ReadAll(*opened, &bytes);
        }
        if (!read.ok()) {
            return refused(read.message());
        }
    }
    SettingsDocument document;
    int line = 0;
    if (Status parsed = document.Parse(bytes, name, &line); !parsed.ok()) {
        // The parser's words may quote the text around the fault, a value.
        return refused(line == 0 ? parsed.message()
                                 : QCoreApplication::translate(
                                       "Overrides",
                                       "%1:%2: the values cannot be read: this is not well-formed "
                                       "XML (the parser's words are not shown, as they may quote "
                                       "a value)")
                                       .arg(name)
                                       .arg(line));
    }
    if (document.RootName() != u"xml") {
        return refused(QCoreApplication::translate(
                           "Overrides", "%1: the root element is not xml, so it holds no values")
                           .arg(name));
    }
    std::vector<SettingsDocument::Entry> entries;
    if (Status listed = document.RootEntries(&entries); !listed.ok()) {
        return refused(listed.message());
    }
    QHash<QString, int> firstLines;
    for (const SettingsDocument::Entry& entry : entries) {
        if (const auto first = firstLines.constFind(entry.id); first != firstLines.cend()) {
            return refused(
                QCoreApplication::translate("Overrides", "%1:%2: %3 is given again, after line %4")
                    .arg(name)
                    .arg(entry.line)
                    .arg(entry.id)
                    .arg(*first));
        }
        firstLines.insert(entry.id, entry.line);
        given->push_back(
            {entry.id, entry.value, QStringLiteral("%1:%2").arg(name).arg(entry.line)});
    }
    return Status::Ok();
}

}  // namespace

EnvironmentBytes SystemEnvironmentBytes() {
    EnvironmentBytes environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const QByteArray text(*entry);
        const qsizetype equals = text.indexOf('=');
        if (equals > 0) {
            environment.emplace_back(text.left(equals), text.mid(equals + 1));
        }
    }
    return environment;
}

Status ApplyValueOptions(const std::vector<ValueOption>& options, const ValueSources& sources,
                         const Configuration& config, QHash<QString, QString>* values,
                         QHash<QString, QString>* origins) {
    std::vector<GivenValue> given;
    bool stdinRead = false;
    for (const ValueOption& option : options) {
        switch (option.kind) {
            case ValueOption::Kind::Set:
                given.push_back({option.name, option.value,
                                 QStringLiteral("/set:%1").arg(option.name), false,
                                 !HoldsBytesNotUtf8(option.value)});
                break;
            case ValueOption::Kind::File:
                if (Status read = ReadValuesFile(option.name, sources, &stdinRead, &given);
                    !read.ok()) {
                    return read;
                }
                break;
            case ValueOption::Kind::Environment: {
                // Sorted, so that two names that address one item always end the same way.
                EnvironmentBytes sorted = sources.environment;
                std::sort(sorted.begin(), sorted.end());
                for (const auto& [bytes, value] : sorted) {
                    const QString name = QString::fromLocal8Bit(bytes);
                    if (name.startsWith(option.name)) {
                        const std::optional<QString> text = Utf8Text(value);
                        given.push_back({name.mid(option.name.size()), text.value_or(QString()),
                                         name, true, !!text});
                    }
                }
                break;
            }
        }
    }
    QHash<QString, QString> result;
    QHash<QString, QString> resultOrigins;
    for (const GivenValue& value : given) {
        const QString source =
            value.fromEnvironment
                ? QCoreApplication::translate("Overrides", "the environment variable %1")
                      .arg(value.source)
                : value.source;
        const ConfigItem* item = config.ItemFor(value.name);
        if (item == nullptr) {
            return Status::Error(QCoreApplication::translate(
                                     "Overrides",
                                     "%1 declares no variable \"%2\", which %3 gives a value; "
                                     "nothing was saved.")
                                     .arg(config.FileName(), value.name, source));
        }
        if (!value.text) {
            return Status::Error(
                QCoreApplication::translate("Overrides",
                                            "The value of %1 is not UTF-8 text; nothing was saved.")
                    .arg(source));
        }
        // Values are XML text on their way to the outputs, as they are in the settings file.
        if (const std::optional<char32_t> bad = FirstCharacterXmlCannotStore(value.value)) {
            return Status::Error(QCoreApplication::translate(
                                     "Overrides",
                                     "The value of %1 holds the character %2, which no value "
                                     "of a variable may hold; nothing was saved.")
                                     .arg(source, CharacterName(*bad)));
        }
        const QString id = item->id.toString();
        result.insert(id, value.value);
        resultOrigins.insert(id, value.source);
    }
    *values = std::move(result);
    if (origins != nullptr) {
        *origins = std::move(resultOrigins);
    }
    return Status::Ok();
}
