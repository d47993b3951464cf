#pragma once

#include "gui/TextField.h"

// A password: a masked line with a button that shows the value until it is pressed again. The
// button takes no focus: Ctrl+Shift+H in the line and the line's context menu do the same, and
// the line's description for screen readers names the key. Its value is never put in a tooltip.
class PasswordField : public TextField {
    Q_OBJECT
  public:
    explicit PasswordField(const ConfigItem& item) : TextField(item) {}

  protected:
    QWidget* MakeControl(QWidget* page) override;
    QMenu* MakeContextMenu() override;
    bool IsCut(const QString& text) const override;
    QString KeysHint() const override;

  private:
    QAction* mShow = nullptr;  // checked while the value is shown; owned by the line
};
