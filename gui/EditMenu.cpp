#include "gui/EditMenu.h"

#include "gui/FieldPages.h"
#include "gui/FindBar.h"
#include "gui/ValueHistory.h"
#include "gui/clsTextbox.h"

EditMenu::EditMenu(FieldPages* pages, FindBar* find, ValueHistory* history, QWidget* parent)
    : QMenu(tr("&Edit"), parent) {
    setObjectName(QStringLiteral("indEdit"));
    addAction(history->UndoAction());
    addAction(history->RedoAction());
    addSeparator();
    AddItem("indFind", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
            [find] { find->Open(); });
    AddItem("indFindNext", tr("Find &Next"), QKeySequence(Qt::Key_F3), [find] { find->Step(1); });
    AddItem("indFindPrevious", tr("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
            [find] { find->Step(-1); });
    addAction(find->OnlyMatchesAction());
    addAction(find->OnlyEditedAction());
    addAction(find->OnlyNotDefaultAction());
    addSeparator();
    QAction* toSaved = AddItem("indResetToSaved", tr("&Reset to Saved Value"),
                               QKeySequence(Qt::CTRL | Qt::Key_R), [pages] {
                                   if (clsTextbox* field = pages->FocusedField()) {
                                       emit field->ResetToSavedRequested();
                                   }
                               });
    QAction* toDefault =
        AddItem("indResetToDefault", tr("Reset to &Default"), QKeySequence(), [pages] {
            if (clsTextbox* field = pages->FocusedField()) {
                field->ResetToDefault();
            }
        });
    AddItem("indResetAllToSaved", tr("Reset &All to Saved"), QKeySequence(), [history] {
        history->ResetAllToSaved();
    })->setStatusTip(tr("Puts back the saved value of every field, as one step."));
    AddItem("indResetAllToDefaults", tr("Reset All to Defaul&ts"), QKeySequence(),
            [history] { history->ResetAllToDefaults(); })
        ->setStatusTip(tr("Puts back the default of every field whose item declares one, as one "
                          "step; the others keep their values."));
    connect(this, &QMenu::aboutToShow, this, [pages, toSaved, toDefault] {
        const clsTextbox* field = pages->FocusedField();
        toSaved->setEnabled(field && field->IsEdited());
        toDefault->setEnabled(field && field->HasDefault());
    });
    // Closed, the menu leaves its keys to work on whichever field has the focus then.
    connect(this, &QMenu::aboutToHide, this, [toSaved, toDefault] {
        toSaved->setEnabled(true);
        toDefault->setEnabled(true);
    });
}

QAction* EditMenu::AddItem(const char* name, const QString& caption, const QKeySequence& shortcut,
                           const std::function<void()>& act) {
    QAction* action = addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, act);
    return action;
}
