#pragma once

#include "schema/ValueRules.h"
#include "settings/IdTable.h"

#include <QString>
#include <QStringView>

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
    // What an id of a settings file is to the configuration: the number of the item it
    // addresses (Configuration::ItemFor: by its bare name), -1 when none; whether it is that
    // item's own id; and whether `config` declares it (Configuration::DeclaresId). One look-up
    // when it is an item's own id, as it mostly is. REQUIRES: `config` is the one these were made
    // of.
    struct IdUse {
        int item = -1;
        bool own = false;
        bool declared = false;
    };
    IdUse UseOf(const Configuration& config, QStringView id) const;
    // UseOf(config, id).item.
    int AddressedBy(const Configuration& config, QStringView id) const {
        return UseOf(config, id).item;
    }

  private:
    std::vector<QString> mIds;
    std::vector<ValueKind> mKinds;
    std::vector<bool> mDeclared;  // Configuration::DeclaresId of each item's own id
    IdTable mTable;
};
