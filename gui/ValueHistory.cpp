#include "gui/ValueHistory.h"

#include "gui/FieldStates.h"
#include "session/EditSession.h"

#include <QAction>

#include <utility>

// One step of the history: one change, or the many of a reset of every value.
class ValueHistory::Step : public QUndoCommand {
  public:
    // `done`: the changes are made already, as a field reports them.
    Step(ValueHistory& history, std::vector<ValueChange> changes, bool typed, bool done)
        : mHistory(history), mChanges(std::move(changes)), mTyped(typed), mDone(done) {}

    // Only typed steps merge, and only with a typed step of the same variable.
    int id() const override { return mTyped ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const Step*>(other);
        if (mChanges.size() != 1 || next->mChanges.size() != 1 ||
            next->mChanges.front().id != mChanges.front().id) {
            return false;
        }
        mChanges.front().after = next->mChanges.front().after;
        return true;
    }
    void undo() override { mHistory.Apply(mChanges, true); }
    void redo() override {
        if (!std::exchange(mDone, false)) {
            mHistory.Apply(mChanges, false);
        }
    }

  private:
    ValueHistory& mHistory;
    std::vector<ValueChange> mChanges;
    bool mTyped;
    bool mDone;
};

ValueHistory::ValueHistory(EditSession& session, FieldStates& states, QObject* parent)
    : QObject(parent), mSession(session), mStates(states) {
    mUndo = new QAction(tr("&Undo"), this);
    mUndo->setObjectName(QStringLiteral("indUndo"));
    mUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mUndo->setEnabled(false);
    connect(mUndo, &QAction::triggered, &mStack, &QUndoStack::undo);
    connect(&mStack, &QUndoStack::canUndoChanged, mUndo, &QAction::setEnabled);
    mRedo = new QAction(tr("R&edo"), this);
    mRedo->setObjectName(QStringLiteral("indRedo"));
    mRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    mRedo->setEnabled(false);
    connect(mRedo, &QAction::triggered, &mStack, &QUndoStack::redo);
    connect(&mStack, &QUndoStack::canRedoChanged, mRedo, &QAction::setEnabled);
}

void ValueHistory::Record(const QString& id, const QString& before, const QString& after,
                          bool typed) {
    if (mApplying || before == after) {
        return;
    }
    mStack.push(new Step(*this, {{id, before, after}}, typed, true));
}

void ValueHistory::ResetAllToSaved() {
    Keep(mSession.ResetAll(EditSession::ResetTo::Saved));
}

void ValueHistory::ResetAllToDefaults() {
    Keep(mSession.ResetAll(EditSession::ResetTo::Defaults));
}

void ValueHistory::Keep(std::vector<ValueChange> changes) {
    if (!changes.empty()) {
        mStack.push(new Step(*this, std::move(changes), false, true));
    }
}

void ValueHistory::Apply(const std::vector<ValueChange>& changes, bool undo) {
    mApplying = true;
    // First the page and the focus, so that a field built by showing its page shows the change.
    mStates.ShowItem(changes.front().id);
    for (const ValueChange& change : changes) {
        mSession.SetValue(change.id, undo ? change.before : change.after);
    }
    mApplying = false;
}
