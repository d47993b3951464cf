#pragma once

#include "schema/ItemIds.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class Configuration;
struct ConfigGroup;
struct ConfigItem;

// The value of each item of a configuration, addressed by the item's variable id: what the
// window's fields hold and what a save writes. Only the configuration's items have a value. The
// values are kept by the item's number (ItemIds); copies share them until one of them changes.
class VariableValues {
  public:
    VariableValues();
    // Every item of `config`, each with its default value, or empty when it declares none.
    explicit VariableValues(const Configuration& config);

    // The value of the item of id `id`, or null when no item has that id.
    const QString* Find(QStringView id) const;
    // Sets the value of the item of id `id`; false, and nothing set, when no item has that id.
    bool Set(QStringView id, const QString& value);

    // The numbers of the items, and the value of the item of number `item` (ItemIds).
    const ItemIds& Ids() const { return *mIds; }
    const QString& At(int item) const { return mValues.at(item); }
    void SetAt(int item, const QString& value) { mValues[item] = value; }

  private:
    std::shared_ptr<const ItemIds> mIds;
    QList<QString> mValues;  // by item number
};

// A value that breaks its item's rules (ValueRules::Problem), with the reason.
struct InvalidValue {
    const ConfigGroup* group;
    const ConfigItem* item;
    QString reason;
};

// The ids of the items of `config` that `values` disable. An item with depends is enabled while
// each of them holds, and one holds while the item it names is enabled and that item's value is
// the depends' value="..." (ValueRules::Matches: a number by its number, "08" is 8) or, without
// one, is on (a boolean: its `on` text) or not empty (any other kind). Costs nothing for a
// configuration without depends. A flag by item number (ItemIds); empty for a configuration
// without depends. REQUIRES: `values` are of `config`.
std::vector<bool> DisabledItems(const Configuration& config, const VariableValues& values);
// Whether `disabled`, as DisabledItems gives it, disables the item of number `item`.
inline bool IsDisabled(const std::vector<bool>& disabled, int item) {
    return std::size_t(item) < disabled.size() && disabled[std::size_t(item)];
}

// Every enabled item of `config` whose value in `values` breaks its rules, in the configuration's
// order. A save with any of them is refused, in the window and in every run without one; the
// value of a disabled item is not checked. REQUIRES: `values` are of `config`.
std::vector<InvalidValue> InvalidValues(const Configuration& config, const VariableValues& values);
