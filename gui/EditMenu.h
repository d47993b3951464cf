#pragma once

#include <QMenu>

#include <functional>

class FieldPages;
class FindBar;

// The Edit menu of the main window: find a field with the search box, show only the fields that
// match or that are changed (the search box's filters), and put the focused field's saved value
// or its item's default back. The menu takes no focus from the field: which of its items can act
// is known when it opens.
class EditMenu : public QMenu {
    Q_OBJECT
  public:
    // A menu that acts on the fields of `pages` and opens `find`; both must outlive it.
    EditMenu(FieldPages* pages, FindBar* find, QWidget* parent);

  private:
    QAction* AddItem(const char* name, const QString& caption, const QKeySequence& shortcut,
                     const std::function<void()>& act);
};
