#pragma once

#include <QMenu>

#include <functional>

class FieldPages;
class FindBar;
class ValueHistory;

// The Edit menu of the main window: undo and redo every change of a value (ValueHistory), find a
// field with the search box, show only the fields that match or that are changed (the search
// box's filters), put the focused field's saved value (Ctrl+R) or its item's default back, and
// put back the saved value or the default of every item at once. The menu takes no focus from
// the field: which of its items can act is known when it opens.
class EditMenu : public QMenu {
    Q_OBJECT
  public:
    // A menu that acts on the fields of `pages`, opens `find` and changes values through
    // `history`; all must outlive it.
    EditMenu(FieldPages* pages, FindBar* find, ValueHistory* history, QWidget* parent);

  private:
    QAction* AddItem(const char* name, const QString& caption, const QKeySequence& shortcut,
                     const std::function<void()>& act);
};
