#include "gui/FieldStates.h"

#include "gui/FieldPages.h"
#include "session/EditSession.h"

#include <functional>

FieldStates::FieldStates(const EditSession& session, FieldPages* pages)
    : mSession(session), mPages(pages) {}

void FieldStates::UpdateAll() {
    const Configuration& config = mSession.Config();
    mNamed.clear();
    for (const QString& id : config.DependentIds()) {
        for (const ValueRules::Dependency& dependency : config.ItemFor(id)->rules.depends) {
            mNamed.insert(config.ItemFor(dependency.id)->id);
        }
    }
    mDisabled = DisabledItems(config, mSession.Values());
    const std::vector<ConfigGroup>& groups = config.Groups();
    mInvalid.resize(groups.size());
    mInvalidCount.resize(groups.size(), 0);
    for (std::size_t group = 0; group < groups.size(); ++group) {
        const int items = static_cast<int>(groups[group].items.size());
        mInvalid[group].assign(static_cast<std::size_t>(items), false);
        int count = 0;
        for (int item = 0; item < items; ++item) {
            if (Fails({static_cast<int>(group), item})) {
                mInvalid[group][static_cast<std::size_t>(item)] = true;
                ++count;
            }
        }
        if (count != mInvalidCount[group]) {
            mInvalidCount[group] = count;
            mPages->ShowInvalidCount(static_cast<int>(group), count);
        }
    }
    for (const QString& id : config.DependentIds()) {
        ShowEnabled(*PlaceOf(id));
    }
}

void FieldStates::Update(const QString& id) {
    const std::optional<Place> place = PlaceOf(id);
    if (!place || mInvalid.empty()) {  // before UpdateAll, nothing is shown to update
        return;
    }
    if (mNamed.contains(id)) {
        QSet<QString> disabled = DisabledItems(mSession.Config(), mSession.Values());
        if (disabled != mDisabled) {
            QSet<QString> turned = QSet<QString>(disabled).subtract(mDisabled);
            turned.unite(QSet<QString>(mDisabled).subtract(disabled));
            mDisabled = std::move(disabled);
            for (const QString& other : turned) {
                Check(*PlaceOf(other));
                ShowEnabled(*PlaceOf(other));
            }
        }
    }
    Check(*place);
}

void FieldStates::ShowPage(int group) {
    const std::vector<ConfigItem>& items =
        mSession.Config().Groups()[static_cast<std::size_t>(group)].items;
    for (std::size_t item = 0; item < items.size(); ++item) {
        if (mDisabled.contains(items[item].id)) {
            ShowEnabled({group, static_cast<int>(item)});
        }
    }
}

void FieldStates::ShowItem(const QString& id) {
    if (const std::optional<Place> place = PlaceOf(id)) {
        mPages->ShowField(place->group, place->item);
    }
}

clsTextbox* FieldStates::BuiltField(const QString& id) const {
    const std::optional<Place> place = PlaceOf(id);
    return place ? mPages->BuiltField(place->group, place->item) : nullptr;
}

std::optional<FieldStates::Place> FieldStates::PlaceOf(const QString& id) const {
    const Configuration& config = mSession.Config();
    const ConfigItem* item = config.ItemFor(id);
    if (item == nullptr) {
        return std::nullopt;
    }
    const std::vector<ConfigGroup>& groups = config.Groups();
    const std::less<const ConfigItem*> before;
    for (std::size_t group = 0; group < groups.size(); ++group) {
        const std::vector<ConfigItem>& items = groups[group].items;
        if (!items.empty() && !before(item, items.data()) &&
            before(item, items.data() + items.size())) {
            return Place{static_cast<int>(group), static_cast<int>(item - items.data())};
        }
    }
    return std::nullopt;
}

bool FieldStates::Fails(const Place& place) const {
    const ConfigItem& item = mSession.Config()
                                 .Groups()[static_cast<std::size_t>(place.group)]
                                 .items[static_cast<std::size_t>(place.item)];
    if (mDisabled.contains(item.id)) {
        return false;
    }
    const QString* value = mSession.Values().Find(item.id);
    return item.rules.Problem(value ? *value : QString()).has_value();
}

void FieldStates::Check(const Place& place) {
    const auto group = static_cast<std::size_t>(place.group);
    std::vector<bool>::reference invalid = mInvalid[group][static_cast<std::size_t>(place.item)];
    const bool fails = Fails(place);
    if (invalid == fails) {
        return;
    }
    invalid = fails;
    mInvalidCount[group] += fails ? 1 : -1;
    mPages->ShowInvalidCount(place.group, mInvalidCount[group]);
}

void FieldStates::ShowEnabled(const Place& place) {
    const Configuration& config = mSession.Config();
    const ConfigItem& item = config.Groups()[static_cast<std::size_t>(place.group)]
                                 .items[static_cast<std::size_t>(place.item)];
    const bool enabled = !mDisabled.contains(item.id);
    mPages->ShowItemEnabled(place.group, place.item, enabled,
                            enabled ? QString() : config.EnabledWhen(item).join(tr(" and ")));
}
