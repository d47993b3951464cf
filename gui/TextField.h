#pragma once

#include "gui/clsTextbox.h"

class QAction;
class QIcon;
class QLineEdit;
class QPainter;

// A field that edits its value as one line of text. The base of the fields whose value is typed
// (PasswordField, PathField).
class TextField : public clsTextbox {
    Q_OBJECT
  public:
    explicit TextField(const ConfigItem& item) : clsTextbox(item) {}

    QString Text() const override;

  protected:
    QWidget* MakeControl(QWidget* page) override;
    void ShowText(const QString& text) override;
    // The line edit's own menu (cut, copy, paste, ...).
    QMenu* MakeContextMenu() override;
    bool IsCut(const QString& text) const override;
    bool IsTyped() const override { return true; }

    QLineEdit* Edit() const { return mEdit; }
    // A button at the end of the line named `name`, its picture drawn by `draw`; it takes no
    // focus.
    QAction* AddButton(const char* name, void (*draw)(QPainter&));
    // A picture that `draw` paints on 16 x 16, in the line's text colour, so that it needs no
    // image file and follows the colour scheme.
    QIcon DrawnIcon(void (*draw)(QPainter&)) const;

  private:
    QLineEdit* mEdit = nullptr;  // owned by its page
};
