#pragma once

#include "platform/HashIndex.h"
#include "platform/TextArena.h"
#include "schema/ValueRules.h"

#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

class Configuration;

// The items of a configuration numbered in its order (group by group), with their ids found by
// number and their numbers by id: what a load, a save and an export look up for every variable.
// The configuration makes it as it reads its items, and shares it (Configuration::Ids) with the
// values made of it, which keep it for as long as they need it. It keeps the ids' text, which the
// configuration's items and the lists made of them view.
class ItemIds {
  public:
    int Count() const { return int(mIds.size()); }
    QStringView Id(int item) const { return mIds[std::size_t(item)]; }
    ValueKind Kind(int item) const { return mKinds[std::size_t(item)]; }

    // The number of the item that `id` addresses: the one whose id has the same bare name
    // ("HOST" and "$(HOST)" address the item "$(HOST)"); -1 when none.
    int AddressedBy(QStringView id) const;
    // The number of the item whose id is `id`, as spelt; -1 when none.
    int IndexOf(QStringView id) const {
        const int item = AddressedBy(id);
        return item >= 0 && Id(item) == id ? item : -1;
    }

    // What an id of a settings file is to the configuration: the number of the item it
    // addresses, -1 when none; whether it is that item's own id; and whether `config` declares it
    // (Configuration::DeclaresId). One look-up when it is an item's own id, as it mostly is.
    // REQUIRES: `config` is the one that made these.
    struct IdUse {
        int item = -1;
        bool own = false;
        bool declared = false;
    };
    IdUse UseOf(const Configuration& config, QStringView id) const;

    // Looks up ids that come mostly in the items' order, as the entries of a settings file that
    // the program wrote do: each look-up first tries the item after the one found last, and asks
    // the table only when that is not it. A table's look-ups land anywhere in memory; these walk
    // it in order.
    class InOrder {
      public:
        explicit InOrder(const ItemIds& items) : mItems(items) {}
        int IndexOf(QStringView id) { return NextIs(id) ? mNext++ : Found(mItems.IndexOf(id)); }
        IdUse UseOf(const Configuration& config, QStringView id) {
            if (NextIs(id)) {
                const int item = mNext++;
                return {item, true, mItems.Declared(item)};
            }
            const IdUse use = mItems.UseOf(config, id);
            Found(use.own ? use.item : -1);
            return use;
        }

      private:
        bool NextIs(QStringView id) const {
            return mNext < mItems.Count() && mItems.Id(mNext) == id;
        }
        int Found(int item) {
            mNext = item >= 0 ? item + 1 : mNext;
            return item;
        }

        const ItemIds& mItems;
        int mNext = 0;
    };

    // For the configuration that reads the items: adds the next one, to be found once IndexAdded
    // has indexed it. `declared`: whether the configuration declares the item's id
    // (Configuration::DeclaresId), as far as known yet.
    // Returns its copy of `id`.
    QStringView Add(QStringView id, ValueKind kind, bool declared);
    // Indexes the items added since the last call, in their order, until one has the bare name of
    // an item before it; then its number and that item's, and it and those after it stay out of
    // the index. Many at a time, the slots are fetched ahead, so that their look-ups do not keep
    // it waiting one by one.
    struct Clash {
        int item;
        int first;
    };
    std::optional<Clash> IndexAdded();
    bool Declared(int item) const { return mDeclared[std::size_t(item)]; }
    void SetDeclared(int item) { mDeclared[std::size_t(item)] = true; }

  private:
    // Whether the item `other` has the bare name `bareName`, which `id` has.
    bool HasBareName(std::uint32_t other, QStringView id, QStringView bareName) const;

    TextArena mText;
    std::vector<QStringView> mIds;  // in mText
    std::vector<ValueKind> mKinds;
    std::vector<bool> mDeclared;
    HashIndex mByBareName;  // the items' numbers by their bare names, which are unique
    int mIndexed = 0;       // how many items mByBareName holds
};
