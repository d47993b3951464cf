#include "gui/FieldStates.h"

#include "gui/FieldPages.h"
#include "session/EditSession.h"

#include <functional>

FieldStates::FieldStates(const EditSession& session, FieldPages* pages)
    : mSession(session), mPages(pages) {}

void FieldStates::Start() {
    const std::vector<ConfigGroup>& groups = mSession.Config().Groups();
    mInvalid.assign(groups.size(), {});
    mInvalidCount.assign(groups.size(), 0);
    for (std::size_t group = 0; group < groups.size(); ++group) {
        mInvalid[group].assign(groups[group].items.size(), false);
    }
    // Nothing is shown before the settings are loaded, whose report (AllChanged) shows it all.
}

void FieldStates::UpdateAll() {
    const std::vector<ConfigGroup>& groups = mSession.Config().Groups();
    if (mInvalid.size() != groups.size()) {  // before Start, nothing is shown to update
        return;
    }
    for (std::size_t group = 0; group < groups.size(); ++group) {
        for (std::size_t item = 0; item < groups[group].items.size(); ++item) {
            Show({static_cast<int>(group), static_cast<int>(item)});
        }
    }
}

void FieldStates::Update(const QString& id) {
    if (const std::optional<Place> place = PlaceOf(id); place && !mInvalid.empty()) {
        Show(*place);
    }
}

void FieldStates::ShowPage(int group) {
    const std::vector<ConfigItem>& items =
        mSession.Config().Groups()[static_cast<std::size_t>(group)].items;
    for (std::size_t item = 0; item < items.size(); ++item) {
        mPages->ShowItemState(group, static_cast<int>(item), mSession.State(items[item].id));
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

void FieldStates::Show(const Place& place) {
    const auto group = static_cast<std::size_t>(place.group);
    const ConfigItem& item =
        mSession.Config().Groups()[group].items[static_cast<std::size_t>(place.item)];
    const ItemState state = mSession.State(item.id);
    mPages->ShowItemState(place.group, place.item, state);
    std::vector<bool>::reference invalid = mInvalid[group][static_cast<std::size_t>(place.item)];
    const bool fails = state.problem.has_value();
    if (invalid != fails) {
        invalid = fails;
        mInvalidCount[group] += fails ? 1 : -1;
        mPages->ShowInvalidCount(place.group, mInvalidCount[group]);
    }
}
