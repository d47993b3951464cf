#pragma once

#include "platform/TextArena.h"
#include "schema/ItemIds.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Configuration;
struct ConfigGroup;
struct ConfigItem;

// The value of each item of a configuration, addressed by the item's variable id: what the
// window's fields hold and what a save writes. Only the configuration's items have a value. The
// values are kept by the item's number (ItemIds), as views: of the text they were made or loaded
// with, which copies share, or of a string of their own once set. A view is valid until its item
// is set again, or these values and every copy of them are gone.
class VariableValues {
  public:
    VariableValues();
    // Every item of `config`, each with its default value, or empty when it declares none.
    explicit VariableValues(const Configuration& config);

    // The value of the item of id `id`, or nothing when no item has that id.
    std::optional<QStringView> Find(QStringView id) const;
    // Sets the value of the item of id `id`; false, and nothing set, when no item has that id.
    bool Set(QStringView id, QStringView value);

    // The numbers of the items, and the value of the item of number `item` (ItemIds).
    const ItemIds& Ids() const { return *mIds; }
    QStringView At(int item) const { return (*mValues)[std::size_t(item)]; }
    void SetAt(int item, QStringView value);
    // The same, for a load that fills new values: the text goes beside the others rather than
    // into a string of its own, as long as no copy shares them yet.
    void SetLoadedAt(int item, QStringView value);

  private:
    // The views, of their own from here on.
    std::vector<QStringView>& Views();

    std::shared_ptr<const ItemIds> mIds;
    std::shared_ptr<TextArena> mMade;  // the texts they were made and loaded with
    QHash<int, QString> mSet;          // the texts set since, by item number
    // By item number: views of mMade or mSet, shared by copies until one changes.
    std::shared_ptr<std::vector<QStringView>> mValues;
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
