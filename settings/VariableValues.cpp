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

std::vector<InvalidValue> InvalidValues(const Configuration& config, const VariableValues& values) {
    std::vector<InvalidValue> invalid;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QString* value = values.Find(item.id);
            if (const auto reason = item.rules.Problem(value ? *value : QString())) {
                invalid.push_back({&group, &item, *reason});
            }
        }
    }
    return invalid;
}
