#pragma once

#include "schema/ValueRules.h"
#include "settings/IdTable.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

class Configuration;

// The items of a configuration numbered in its order (group by group), with their ids found by
// number and their numbers by id: what a load, a save and an export look up for every variable,
// worked out once. It copies what it needs, so it does not depend on the configuration's life.
class ItemIds {
  public:
    ItemIds() = default;
    explicit ItemIds(const Configuration& config);

    int Count() const { return int(mIds.size()); }
    const QString& Id(int item) const { return mIds[std::size_t(item)]; }
    ValueKind Kind(int item) const { return mKinds[std::size_t(item)]; }

    // The number of the item whose id is `id`, as spelt; -1 when none.
    int IndexOf(QStringView id) const {
        return mTable.Find(id, [this](int item) { return QStringView(mIds[std::size_t(item)]); });
    }
    // The number of the item that `id` addresses (Configuration::ItemFor: by its bare name);
    // -1 when none. REQUIRES: `config` is the one these were made of.
    int AddressedBy(const Configuration& config, QStringView id) const;
    // `id` as a string when `config` declares it (Configuration::DeclaresId), none otherwise: the
    // item's own string when an item has that id, which costs no copy. REQUIRES: as AddressedBy.
    std::optional<QString> DeclaredId(const Configuration& config, QStringView id) const;

  private:
    std::vector<QString> mIds;
    std::vector<ValueKind> mKinds;
    std::vector<bool> mDeclared;  // Configuration::DeclaresId of each item's own id
    IdTable mTable;
};
