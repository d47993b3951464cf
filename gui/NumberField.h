#pragma once

#include "gui/clsTextbox.h"

class NumberBox;

// A whole number: a spin box within the item's bounds (NumberBox). A loaded value that is no
// number, or out of range, is shown exactly as loaded and marked, and saved as it is unless the
// user changes it.
class NumberField : public clsTextbox {
    Q_OBJECT
  public:
    explicit NumberField(const ConfigItem& item) : clsTextbox(item) {}

    QString Text() const override;

  protected:
    QWidget* MakeControl(QWidget* page) override;
    void ShowText(const QString& text) override;
    // The line's own menu (cut, copy, paste, ...).
    QMenu* MakeContextMenu() override;
    bool IsTyped() const override { return true; }

  private:
    NumberBox* mBox = nullptr;  // owned by its page
};
