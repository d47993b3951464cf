#pragma once

#include <QWidget>

#include <vector>

class EditSession;
class QAction;
class QLabel;
class QLineEdit;
struct ConfigItem;

// The search box of the main window: finds the items of a configuration whose label, variable id
// or help holds the text typed, ignoring case, in every group, as the user types. It searches the
// configuration and the session, not the controls, so that pages not shown yet need not be built.
// Enter goes to the next match; Escape hides the box. Its line and result are made when it is
// first opened: a line edit costs the window's start noticeably.
//
// Three filters narrow the fields shown, in every group, while the box is open (ShowOnly): "Show
// Only Matches" keeps the fields that match the text typed (every field while it is empty); "Show
// Only Edited" keeps the fields whose value was edited since the file was loaded or saved (the
// bold label), and "Show Only Not Default" those whose value is not its item's default (the
// italic label; for an item without one: not empty), both as the session tells; then the matches
// are only among those, and without a text every field kept is a match. Several on keep what all
// of them keep. Escape turns them off. What a field is, changed or not, is worked out when a filter
// is turned on or the text changes, and on Refilter: a field does not go away while it is being
// edited.
class FindBar : public QWidget {
    Q_OBJECT
  public:
    // `session` must outlive the box.
    FindBar(const EditSession& session, QWidget* parent);

    // Shows the box and puts the focus in it, its text selected.
    void Open();
    // Goes `step` matches on (1 the next, -1 the previous), round the ends: reports it through
    // Found(). Does nothing without a match.
    void Step(int step);
    // The filters' toggles, for a menu: checkable, with their shortcuts; turned on, they open the
    // box.
    QAction* OnlyMatchesAction() const { return mOnlyMatches; }
    QAction* OnlyEditedAction() const { return mOnlyEdited; }
    QAction* OnlyNotDefaultAction() const { return mOnlyNotDefault; }
    // Works out the matches and the fields kept anew, after the values changed (a load, a save).
    void Refilter();

  signals:
    // The item `item` of the group `group`, both indexes in the configuration, is to be shown.
    void Found(int group, int item);
    // Only the items that `shown` holds true (by the index of the group, then of the item, in the
    // configuration) are to be shown; empty: every item.
    void ShowOnly(const std::vector<std::vector<bool>>& shown);

  private:
    struct Match {
        int group;
        int item;
    };
    QAction* MakeFilter(const char* name, const QString& caption, const QString& buttonText,
                        const QKeySequence& shortcut);
    void MakeControls();
    // Hides the box and turns the filters off.
    void Close();
    void Search(const QString& text);
    void ShowResult();
    // Whether the filters of the marks keep `item`.
    bool Kept(const ConfigItem& item) const;

    const EditSession& mSession;
    QAction* mOnlyMatches;
    QAction* mOnlyEdited;
    QAction* mOnlyNotDefault;
    QLineEdit* mText = nullptr;
    QLabel* mResult = nullptr;
    std::vector<Match> mMatches;
    int mCurrent = -1;        // the match last gone to, or -1
    bool mFiltering = false;  // some fields are left out
};
