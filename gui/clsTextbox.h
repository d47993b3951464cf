#pragma once

#include <QObject>
#include <QString>

#include <optional>

struct ItemState;
class QAction;
class QLineEdit;
class QLabel;
class QMenu;
class QWidget;
struct ConfigItem;
struct ValueRules;

// One variable's field: the control that shows its value, made by a class of its own for each
// kind of value (MakeTextbox picks it), and what every kind shares. The field reports every change
// of its value, typed, picked or set by the program, through Changed(); a control never changes a
// value on its own. Undo and redo are the window's (ValueHistory): the keys and the context menu
// of a line reach the window's history, never the line's own.
//
// The field shows the state that the session works out for its item (ShowState), each part in one
// place, so that a state added later has its place beside them: the two marks (ShowMarks: a value
// edited since the load or the save has a bold label, and " (edited)" in the names a screen
// reader reads; a value that is not its item's default has an italic label, and says so last in
// its description; the tooltip explains both) and the marks of the value (ShowValueMarks: a value
// that breaks the item's rules has a red frame, and the reason is in the tooltip, the description
// and the hint; a field that its item's depends disable is read-only, its label greyed, says what
// enables it, and stays in the keyboard order). An emptied line of an item with a default shows
// that default, greyed, as the value it stands for. Qt has no accessible state for a required or an
// invalid value: the description says "Required." and "Invalid." instead. A password's value is
// never put in a tooltip nor in a text for screen readers. The context menu puts the saved value or
// the item's default back.
class clsTextbox : public QObject {
    Q_OBJECT
  public:
    // Creates the control named `aID` on the page `aFrm`; the page's layout places it.
    void Create(const QString& aID, QWidget* aFrm);
    // `label` (which may be null) shows the item's label; it carries the edited mark too.
    void SetLabel(QLabel* label);

    // The variable the field shows.
    const QString& Id() const;
    // The control that holds the value (a QLineEdit, QCheckBox or QComboBox), made by Create().
    QWidget* Control() const { return mControl; }
    // The value as the settings file stores it.
    virtual QString Text() const = 0;
    // Shows `text` exactly, whether it fits the rules or not, and reports the change, not typed.
    void SetText(const QString& text);
    // Sets the default that the session last told (ShowState), when the item declares one.
    void ResetToDefault();
    bool HasDefault() const;

    // Shows `state`, the session's state of the field's item: its value, unless the field is
    // empty where the value is the item's default, and its marks.
    void ShowState(const ItemState& state);
    bool IsEdited() const { return mEdited; }
    bool IsEnabled() const { return mEnabled; }
    // The window's Undo and Redo, which the context menu offers; both outlive the field.
    void SetHistoryActions(QAction* undo, QAction* redo);

  signals:
    // The value shown has changed to `text`; `typed` when by typing in a line (or by a number
    // box's steps), which an undo takes back with the typing before it in the same field.
    void Changed(const QString& text, bool typed);
    // The user asked for the saved value back (the field's context menu).
    void ResetToSavedRequested();
    // The line to show for the field while it has the focus: what is wrong with the value, or
    // else the help. Empty when the focus leaves the field.
    void Hint(const QString& text);

  protected:
    // A field for `item`, which must outlive it.
    explicit clsTextbox(const ConfigItem& item);

    const ValueRules& Rules() const;

    // Makes the control on `page`, its change signal connected to ValueChanged().
    virtual QWidget* MakeControl(QWidget* page) = 0;
    // Shows `text` in the control; the caller reports the change once it is shown.
    virtual void ShowText(const QString& text) = 0;
    // The context menu, before the field's own entries are added; owned by the caller.
    virtual QMenu* MakeContextMenu();
    // True when `text` does not fit in the control and may be shown: the tooltip then holds it
    // whole. Never true for a secret.
    virtual bool IsCut(const QString& text) const;
    // What keys of the field do, for screen readers, or empty.
    virtual QString KeysHint() const { return QString(); }
    // True when the user types the value: a change of the control is then typing.
    virtual bool IsTyped() const { return false; }

    // Checks the value anew, marks the control, and reports the change, made in the control.
    void ValueChanged() { Report(IsTyped()); }

  private:
    void Report(bool typed);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Makes the field read-only, its label greyed, while the values do not meet its item's
    // depends; `condition` then says, in words, what would enable it.
    void ShowEnabled(bool enabled, const QString& condition);
    void ShowMarks();
    // Shows what is wrong with the value in the frame, the tooltip and the description, with the
    // help, the marks explained, and the whole value when the control cuts it.
    void ShowValueMarks();
    // The line the value is typed in, if the control has one.
    QLineEdit* Line() const;
    QString HintText() const;
    void ShowContextMenu(const QPoint& position);

    const ConfigItem& mItem;
    const QString mId;            // the item's, as the session's calls take it
    QWidget* mControl = nullptr;  // owned by its page
    QLabel* mLabel = nullptr;     // owned by its page
    QAction* mUndo = nullptr;     // the window's
    QAction* mRedo = nullptr;
    bool mEdited = false;
    bool mNotDefault = false;
    std::optional<QString> mDefault;  // as the session tells
    bool mEnabled = true;
    QString mCondition;  // while disabled: what would enable the field
    std::optional<QString> mProblem;
};
