#include "settings/VariableValues.h"

#include "schema/Configuration.h"

VariableValues::VariableValues() : mIds(std::make_shared<ItemIds>()) {}

VariableValues::VariableValues(const Configuration& config)
    : mIds(std::make_shared<ItemIds>(config)) {
    mValues.reserve(std::size_t(mIds->Count()));
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mValues.push_back(item.rules.defaultValue.value_or(QString()));
        }
    }
}

const QString* VariableValues::Find(const QString& id) const {
    const int item = mIds->IndexOf(id);
    return item < 0 ? nullptr : &mValues[std::size_t(item)];
}

bool VariableValues::Set(const QString& id, const QString& value) {
    const int item = mIds->IndexOf(id);
    if (item < 0) {
        return false;
    }
    mValues[std::size_t(item)] = value;
    return true;
}

QSet<QString> DisabledItems(const Configuration& config, const VariableValues& values) {
    QSet<QString> disabled;
    // Each item comes after the items it depends on, whose state is known by then.
    for (const QString& id : config.DependentIds()) {
        const ConfigItem* item = config.ItemFor(id);
        for (const ValueRules::Dependency& dependency : item->rules.depends) {
            const ConfigItem* named = config.ItemFor(dependency.id);
            const QString* found = values.Find(dependency.id);
            const QString value = found ? *found : QString();
            const bool holds = !disabled.contains(dependency.id) &&
                               (dependency.value ? named->rules.Matches(value, *dependency.value)
                                : named->rules.kind == ValueKind::Boolean ? value == named->rules.on
                                                                          : !value.isEmpty());
            if (!holds) {
                disabled.insert(id);
                break;
            }
        }
    }
    return disabled;
}

std::vector<InvalidValue> InvalidValues(const Configuration& config, const VariableValues& values) {
    std::vector<InvalidValue> invalid;
    const QSet<QString> disabled = DisabledItems(config, values);
    // `values` are of `config`: its items in order are their numbers.
    int number = 0;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QString& value = values.At(number++);
            if (!disabled.isEmpty() && disabled.contains(item.id)) {
                continue;
            }
            if (const auto reason = item.rules.Problem(value)) {
                invalid.push_back({&group, &item, *reason});
            }
        }
    }
    return invalid;
}
