#pragma once

#include "gui/TextField.h"

class Dialogs;

// A file or a folder: a line with a "..." button (or F4) that picks the path in a dialog, which
// starts at the path shown.
class PathField : public TextField {
    Q_OBJECT
  public:
    // Picks paths through `dialogs`, which must outlive the field.
    PathField(const ConfigItem& item, Dialogs& dialogs) : TextField(item), mDialogs(dialogs) {}

  protected:
    QWidget* MakeControl(QWidget* page) override;

  private:
    bool PicksFolder() const;
    void Browse();

    Dialogs& mDialogs;
};
