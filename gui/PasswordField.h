#pragma once

#include "gui/TextField.h"

// A password: a masked line with a button that shows the value until it is pressed again. Its
// value is never put in a tooltip.
class PasswordField : public TextField {
    Q_OBJECT
  public:
    explicit PasswordField(const ConfigItem& item) : TextField(item) {}

  protected:
    QWidget* MakeControl(QWidget* page) override;
    bool IsCut(const QString& text) const override;
};
