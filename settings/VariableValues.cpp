#include "settings/VariableValues.h"

#include "schema/Configuration.h"

VariableValues::VariableValues(const Configuration& config) {
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mValues.insert(item.id, item.rules.defaultValue.value_or(QString()));
        }
    }
}

const QString* VariableValues::Find(const QString& id) const {
    const auto found = mValues.constFind(id);
    return found == mValues.cend() ? nullptr : &*found;
}

bool VariableValues::Set(const QString& id, const QString& value) {
    const auto found = mValues.find(id);
    if (found == mValues.end()) {
        return false;
    }
    *found = value;
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
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (disabled.contains(item.id)) {
                continue;
            }
            const QString* value = values.Find(item.id);
            if (const auto reason = item.rules.Problem(value ? *value : QString())) {
                invalid.push_back({&group, &item, *reason});
            }
        }
    }
    return invalid;
}
