#pragma once

#include "gui/clsTextbox.h"

class QCheckBox;

// A boolean: a check box that stands for the item's on and off texts. Any other value, or none,
// shows partly checked, with words beside it that say so (and the value), until the user checks
// or clears the box.
class BooleanField : public clsTextbox {
    Q_OBJECT
  public:
    explicit BooleanField(const ConfigItem& item) : clsTextbox(item) {}

    QString Text() const override;

  protected:
    QWidget* MakeControl(QWidget* page) override;
    void ShowText(const QString& text) override;

  private:
    QCheckBox* mCheck = nullptr;  // owned by its page
    QString mOtherValue;          // a value that is neither on nor off, while it is shown
};
