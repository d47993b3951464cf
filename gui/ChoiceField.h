#pragma once

#include "gui/clsTextbox.h"

class QComboBox;

// A choice: a drop-down list of the item's options. Any other value is shown as an extra entry at
// the end of the list, as long as it is the value shown.
class ChoiceField : public clsTextbox {
    Q_OBJECT
  public:
    explicit ChoiceField(const ConfigItem& item) : clsTextbox(item) {}

    QString Text() const override;

  protected:
    QWidget* MakeControl(QWidget* page) override;
    void ShowText(const QString& text) override;

  private:
    QComboBox* mChoice = nullptr;  // owned by its page
};
