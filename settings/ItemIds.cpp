#include "settings/ItemIds.h"

#include "schema/Configuration.h"

ItemIds::ItemIds(const Configuration& config) {
    mIds.reserve(config.ItemCount());
    mKinds.reserve(config.ItemCount());
    mDeclared.reserve(config.ItemCount());
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            mIds.push_back(item.id);
            mKinds.push_back(item.rules.kind);
            mDeclared.push_back(config.DeclaresId(item.id));
        }
    }
    mTable.Reserve(mIds.size());
    for (std::size_t i = 0; i < mIds.size(); ++i) {
        mTable.Insert(mIds[i], int(i), [this](int item) { return QStringView(mIds[item]); });
    }
}

ItemIds::IdUse ItemIds::UseOf(const Configuration& config, QStringView id) const {
    // The bare names of the items are unique, so an item's own id addresses that item; only
    // another spelling ("HOST" for "$(HOST)") needs the configuration.
    if (const int item = IndexOf(id); item >= 0) {
        return {item, true, mDeclared[std::size_t(item)]};
    }
    const ConfigItem* item = config.ItemFor(id);
    return {item ? IndexOf(item->id) : -1, false, config.DeclaresId(id)};
}
