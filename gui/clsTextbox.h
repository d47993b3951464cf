#pragma once

#include <QObject>
#include <QString>

#include <optional>

class Dialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;
struct ValueRules;

// One variable's field: creates the control that its item's kind asks for and reports every change
// of its value, typed, picked or set by the program, through Changed().
//  - text and number: a line edit. A number is checked, not blocked, so that a loaded value that
//    is no number stays in sight.
//  - password: a masked line edit with a button that shows the value until it is pressed again.
//  - boolean: a check box that stands for the on and off texts. Any other value shows partly
//    checked, with the value as the box's text, until the user checks or clears it.
//  - choice: a list of the options to pick from; any other value is an extra entry at its end.
//  - file and folder: a line edit with a "..." button (or F4) that picks the path in a dialog.
// A control never changes a value on its own. A value that breaks the rules gets a red frame, and
// its reason is the control's tooltip. A password's value is never put in a tooltip nor in a text
// for screen readers. A field that the window marks as edited (its value is not the one loaded or
// last saved) has a bold label, and a screen reader names the field and its label with
// " (changed)". Its context menu puts the saved value or the item's default back.
class clsTextbox : public QObject {
    Q_OBJECT
  public:
    // A field for a value that `rules` describe, which picks paths through `dialogs`. Both must
    // outlive the field.
    clsTextbox(const ValueRules& rules, Dialogs& dialogs);

    // Creates the control named `aID` on the page `aFrm`; the page's layout places it.
    void Create(const QString& aID, QWidget* aFrm);
    // What a screen reader says of the control: `label` as its name, and as its description what
    // is wrong with the value, the help and the variable `id`, one a line. `labelControl` (may be
    // null) shows the label and is marked while the field is edited.
    void Describe(const QString& label, const QString& id, QLabel* labelControl);

    // The control that holds the value: a QLineEdit, QCheckBox or QComboBox.
    QWidget* Control() const { return mControl; }
    // The value as the settings file stores it.
    QString Text() const;
    // Shows `text` exactly, whether it fits the rules or not.
    void SetText(const QString& text);
    // Marks the field as edited, or no longer.
    void SetEdited(bool edited);
    bool IsEdited() const { return mEdited; }
    bool HasDefault() const;
    // Puts `text` (the saved value), or the item's default, back as an edit: in a text field
    // Ctrl+Z takes it back.
    void Replace(const QString& text);
    void ResetToDefault();

  signals:
    // The value shown has changed to `text`.
    void Changed(const QString& text);
    // The user asked for the saved value back (the field's context menu).
    void ResetToSavedRequested();
    // The line to show for the field while it has the focus: what is wrong with the value, or
    // else the help. Empty when the focus leaves the field.
    void Hint(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateLineEdit(QWidget* page);
    void CreateCheckBox(QWidget* page);
    void CreateChoice(QWidget* page);
    // Checks the value anew, marks the control, and reports the change.
    void ValueChanged();
    // Checks the value and updates the frame, the tooltip and the description to it.
    void UpdateMarks();
    QString HintText() const;
    void Browse();
    void ShowContextMenu(const QPoint& position);

    const ValueRules& mRules;
    Dialogs& mDialogs;
    QString mLabel;
    QString mId;
    QLabel* mLabelControl = nullptr;
    bool mEdited = false;
    QWidget* mControl = nullptr;  // owned by its page; one of the three below
    QLineEdit* mEdit = nullptr;
    QCheckBox* mCheck = nullptr;
    QComboBox* mChoice = nullptr;
    QString mOtherValue;  // a boolean's value that is neither on nor off, while it is shown
    std::optional<QString> mProblem;
};
