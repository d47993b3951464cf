#include "settings/VariableValues.h"

#include "schema/Configuration.h"

VariableValues::VariableValues()
    : mIds(std::make_shared<ItemIds>()),
      mMade(std::make_shared<TextArena>()),
      mValues(std::make_shared<std::vector<QStringView>>()) {}

VariableValues::VariableValues(const Configuration& config)
    : mIds(config.Ids()),
      mMade(std::make_shared<TextArena>()),
      mValues(std::make_shared<std::vector<QStringView>>()) {
    mValues->reserve(std::size_t(mIds->Count()));
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mValues->push_back(item.rules.defaultValue ? mMade->Add(*item.rules.defaultValue)
                                                       : QStringView(u"", 0));
        }
    }
}

std::vector<QStringView>& VariableValues::Views() {
    if (mValues.use_count() > 1) {
        mValues = std::make_shared<std::vector<QStringView>>(*mValues);
    }
    return *mValues;
}

std::optional<QStringView> VariableValues::Find(QStringView id) const {
    const int item = mIds->IndexOf(id);
    return item < 0 ? std::nullopt : std::optional(At(item));
}

bool VariableValues::Set(QStringView id, QStringView value) {
    const int item = mIds->IndexOf(id);
    if (item < 0) {
        return false;
    }
    SetAt(item, value);
    return true;
}

void VariableValues::SetAt(int item, QStringView value) {
    QString text = value.toString();  // before anything changes: `value` may view these values
    QString& kept = mSet[item];
    kept = std::move(text);
    Views()[std::size_t(item)] = kept;
}

void VariableValues::SetLoadedAt(int item, QStringView value) {
    // Copies share the text, and may be used on other threads: only values that none shares yet
    // add to it.
    if (mMade.use_count() > 1) {
        SetAt(item, value);
        return;
    }
    mSet.remove(item);
    Views()[std::size_t(item)] = mMade->Add(value);
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
            const QStringView value = values.At(namedNumber);
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
            const QStringView value = values.At(number);
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
