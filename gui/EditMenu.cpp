#include "gui/EditMenu.h"

#include "gui/FieldPages.h"
#include "gui/FindBar.h"
#include "gui/clsTextbox.h"

EditMenu::EditMenu(FieldPages* pages, FindBar* find, QWidget* parent) : QMenu(tr("&Edit"), parent) {
    setObjectName(QStringLiteral("indEdit"));
    AddItem("indFind", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F),
            [find] { find->Open(); });
    AddItem("indFindNext", tr("Find &Next"), QKeySequence(Qt::Key_F3), [find] { find->Step(1); });
    AddItem("indFindPrevious", tr("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
            [find] { find->Step(-1); });
    addAction(find->OnlyMatchesAction());
    addAction(find->OnlyChangedAction());
    addSeparator();
    QAction* toSaved =
        AddItem("indResetToSaved", tr("&Reset to Saved Value"), QKeySequence(), [pages] {
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
    connect(this, &QMenu::aboutToShow, this, [pages, toSaved, toDefault] {
        const clsTextbox* field = pages->FocusedField();
        toSaved->setEnabled(field && field->IsEdited());
        toDefault->setEnabled(field && field->HasDefault());
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
