#include "run/Overrides.h"

#include "platform/XmlText.h"
#include "schema/Configuration.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <algorithm>

extern char** environ;

namespace {

// A value for the item that `name` addresses, with where it came from: "/set:NAME" or the name
// of an environment variable.
struct GivenValue {
    QString name;
    QString value;
    QString source;
    bool fromEnvironment;
    bool text = true;  // false: an environment variable's bytes that are not UTF-8
};

// `bytes` as text, when they are UTF-8; a mark at their start is a character of the value.
std::optional<QString> Utf8Text(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    return decoder.hasError() ? std::nullopt : std::optional(std::move(text));
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

Status ApplyValueOptions(const std::vector<ValueOption>& options,
                         const EnvironmentBytes& environment, const Configuration& config,
                         QHash<QString, QString>* values, QHash<QString, QString>* sources) {
    std::vector<GivenValue> given;
    for (const ValueOption& option : options) {
        if (!option.fromEnvironment) {
            given.push_back(
                {option.name, option.value, QStringLiteral("/set:%1").arg(option.name), false});
            continue;
        }
        // Sorted, so that two names that address one item always end the same way.
        EnvironmentBytes sorted = environment;
        std::sort(sorted.begin(), sorted.end());
        for (const auto& [bytes, value] : sorted) {
            const QString name = QString::fromLocal8Bit(bytes);
            if (name.startsWith(option.name)) {
                const std::optional<QString> text = Utf8Text(value);
                given.push_back(
                    {name.mid(option.name.size()), text.value_or(QString()), name, true, !!text});
            }
        }
    }
    QHash<QString, QString> result;
    QHash<QString, QString> resultSources;
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
        result.insert(item->id, value.value);
        resultSources.insert(item->id, value.source);
    }
    *values = std::move(result);
    if (sources != nullptr) {
        *sources = std::move(resultSources);
    }
    return Status::Ok();
}
