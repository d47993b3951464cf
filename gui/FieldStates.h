#pragma once

#include <QCoreApplication>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

class EditSession;
class FieldPages;
class clsTextbox;

// What the window shows of the values beside the values themselves: which items their depends
// disable (their fields greyed, saying what enables them) and how many enabled items of each group
// hold a value that breaks its rules (a mark on the group's tab). Works for every item, on pages
// built or not, by the session's values and its rules: a disabled item is not checked, as a save
// does not check it. Kept up to date one change at a time.
class FieldStates {
    Q_DECLARE_TR_FUNCTIONS(FieldStates)

  public:
    // `session` and `pages` must outlive the states.
    FieldStates(const EditSession& session, FieldPages* pages);

    // Works every state out anew and shows it: once the configuration is loaded, and after many
    // values changed at once.
    void UpdateAll();
    // The value of the item of id `id` has changed: its state, and those of the items that depend
    // on it, follow.
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
    bool Fails(const Place& place) const;
    // Checks the value at `place` anew and updates its group's count.
    void Check(const Place& place);
    void ShowEnabled(const Place& place);

    const EditSession& mSession;
    FieldPages* mPages;
    QSet<QString> mDisabled;                  // the ids of the items disabled now
    QSet<QString> mNamed;                     // the ids of the items that some depends names
    std::vector<std::vector<bool>> mInvalid;  // by group and item
    std::vector<int> mInvalidCount;           // by group
};
