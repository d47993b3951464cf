#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <vector>

class EditSession;
class FieldStates;
class QAction;
struct ValueChange;

// The window's one history of the values, behind Edit > Undo and Redo. Every change of a value is
// a step: typing in one field, key after key (and the steps of a number box), is one step until
// another change comes between; a check box or a drop-down changed, a path picked and each reset
// are one step each, a reset of every value too. Taking a step back or again sets the values as
// the session (which the fields follow), and shows the page of the (first) field it changes with
// the focus in it. Speaks in variable ids, so that a step may change values whose pages are not
// built yet.
class ValueHistory : public QObject {
    Q_OBJECT
  public:
    // `session` and `states` must outlive the history.
    ValueHistory(EditSession& session, FieldStates& states, QObject* parent);

    // Edit > Undo and Edit > Redo, with their keys, enabled while there is a step to take.
    QAction* UndoAction() const { return mUndo; }
    QAction* RedoAction() const { return mRedo; }

    // Keeps a change of the value of `id` from `before` to `after`, which a field has made, as a
    // step; `typed` joins it to the step before when that was typed in the same field. Changes
    // made by taking a step are not kept.
    void Record(const QString& id, const QString& before, const QString& after, bool typed);
    // Puts back, as one step, the saved value of every item that was edited
    // (EditSession::ResetAll).
    void ResetAllToSaved();
    // Puts back, as one step, the default of every item that declares one; the others keep
    // their values.
    void ResetAllToDefaults();
    // Forgets every step, when the values are those of another settings file.
    void Clear() { mStack.clear(); }

  private:
    class Step;
    // Keeps `changes`, made already, as one step; none makes no step.
    void Keep(std::vector<ValueChange> changes);
    // Sets the value of each change to its `before` (undo) or its `after`.
    void Apply(const std::vector<ValueChange>& changes, bool undo);

    EditSession& mSession;
    FieldStates& mStates;  // to show the field of a step
    QUndoStack mStack;
    QAction* mUndo;
    QAction* mRedo;
    bool mApplying = false;
};
