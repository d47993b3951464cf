#pragma once

#include "platform/Dialogs.h"

class QWidget;

// Message boxes and file dialogs of Qt, titled "TervoSetup", over `parent` (may be null).
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : mParent(parent) {}
    void SetParent(QWidget* parent) { mParent = parent; }

    void ShowMessage(const QString& text) override;
    Answer AskYesNoCancel(const QString& text) override;
    std::optional<QString> AskOpenFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskSaveFileName(const QString& fileName, const QString& filter) override;

  private:
    QWidget* mParent;
};
