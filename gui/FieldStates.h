#pragma once

#include <QString>

#include <optional>
#include <vector>

class EditSession;
class FieldPages;
class clsTextbox;

// Shows what the session works out of each item's value (EditSession::State) beside the value:
// in the fields of the pages built, and, for every item, whose page is built or not, on the tabs:
// how many enabled items of each group hold a value that breaks its rules. Works nothing out by
// itself. Kept up to date one change at a time.
class FieldStates {
  public:
    // `session` and `pages` must outlive the states.
    FieldStates(const EditSession& session, FieldPages* pages);

    // Makes room for the states of every item, once the tabs of the configuration are made; until
    // then, nothing is shown. The first UpdateAll shows them.
    void Start();
    // Shows every state anew, after many values changed at once.
    void UpdateAll();
    // The state of the item of id `id` has changed.
    void Update(const QString& id);
    // Shows the states of the fields of the group at `group`, whose page has just been built.
    void ShowPage(int group);
    // Shows the page of the item of id `id` and focuses its field.
    void ShowItem(const QString& id);
    // The field of the item of id `id`, or null while its page is not built.
    clsTextbox* BuiltField(const QString& id) const;

  private:
    struct Place {
        int group;
        int item;
    };
    std::optional<Place> PlaceOf(const QString& id) const;
    // Shows the state at `place` and updates its group's count.
    void Show(const Place& place);

    const EditSession& mSession;
    FieldPages* mPages;
    std::vector<std::vector<bool>> mInvalid;  // by group and item
    std::vector<int> mInvalidCount;           // by group
};
