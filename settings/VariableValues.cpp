#include "settings/VariableValues.h"

#include "schema/Configuration.h"

VariableValues::VariableValues() : mIds(std::make_shared<ItemIds>()) {}

VariableValues::VariableValues(const Configuration& config) : mIds(config.Ids()) {
    mValues.reserve(mIds->Count());
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mValues.push_back(item.rules.defaultValue.value_or(QString()));
        }
    }
}

const QString* VariableValues::Find(QStringView id) const {
    const int item = mIds->IndexOf(id);
    return item < 0 ? nullptr : &mValues.at(item);
}

bool VariableValues::Set(QStringView id, const QString& value) {
    const int item = mIds->IndexOf(id);
    if (item < 0) {
        return false;
    }
    mValues[item] = value;
    return true;
}

std::vector<bool> DisabledItems(const Configuration& config, const VariableValues& values) {
    std::vector<bool> disabled;
    if (config.DependentIds().isEmpty()) {
        return disabled;
    }
    const ItemIds& items = values.Ids();
    disabled.assign(config.ItemCount(), false);
    // Each item comes after the items it depends on, whose state is known by then.
    for (const QString& id : config.DependentIds()) {
        const int number = items.AddressedBy(id);
        for (const ValueRules::Dependency& dependency : config.Item(number).rules.depends) {
            const int namedNumber = items.AddressedBy(dependency.id);
            const ConfigItem* named = &config.Item(namedNumber);
            const QString& value = values.At(namedNumber);
            const bool holds = !disabled[std::size_t(namedNumber)] &&
                               (dependency.value ? named->rules.Matches(value, *dependency.value)
                                : named->rules.kind == ValueKind::Boolean ? value == named->rules.on
                                                                          : !value.isEmpty());
            if (!holds) {
                disabled[std::size_t(number)] = true;
                break;
            }
        }
    }
    return disabled;
}

std::vector<InvalidValue> InvalidValues(const Configuration& config, const VariableValues& values) {
    std::vector<InvalidValue> invalid;
    const std::vector<bool> disabled = DisabledItems(config, values);
    // `values` are of `config`: its items in order are their numbers.
    int number = 0;
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QString& value = values.At(number);
            if (IsDisabled(disabled, number++)) {
                continue;
            }
            if (const auto reason = item.rules.Problem(value)) {
                invalid.push_back({&group, &item, *reason});
            }
        }
    }
    return invalid;
}
