#include "run/Overrides.h"

#include "schema/Configuration.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// A value for the item that `name` addresses, with where it came from: "/set:NAME" or the name
// of an environment variable.
struct GivenValue {
    QString name;
    QString value;
    QString source;
    bool fromEnvironment;
};

}  // namespace

Status ApplyValueOptions(const std::vector<ValueOption>& options,
                         const QProcessEnvironment& environment, const Configuration& config,
                         QHash<QString, QString>* values, QHash<QString, QString>* sources) {
    std::vector<GivenValue> given;
    for (const ValueOption& option : options) {
        if (!option.fromEnvironment) {
            given.push_back(
                {option.name, option.value, QStringLiteral("/set:%1").arg(option.name), false});
            continue;
        }
        // Sorted, so that two names that address one item always end the same way.
        QStringList names = environment.keys();
        std::sort(names.begin(), names.end());
        for (const QString& name : names) {
            if (name.startsWith(option.name)) {
                given.push_back(
                    {name.mid(option.name.size()), environment.value(name), name, true});
            }
        }
    }
    QHash<QString, QString> result;
    QHash<QString, QString> resultSources;
    for (const GivenValue& value : given) {
        const ConfigItem* item = config.ItemFor(value.name);
        if (item == nullptr) {
            return Status::Error(
                QCoreApplication::translate(
                    "Overrides",
                    "%1 declares no variable \"%2\", which %3 gives a value; nothing "
                    "was saved.")
                    .arg(config.FileName(), value.name,
                         value.fromEnvironment ? QCoreApplication::translate(
                                                     "Overrides", "the environment variable %1")
                                                     .arg(value.source)
                                               : value.source));
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
