#pragma once

#include "platform/Dialogs.h"

class QWidget;

// Message boxes and file and folder dialogs of Qt, the boxes titled "TervoSetup", over `parent`
// (may be null).
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : mParent(parent) {}
    void SetParent(QWidget* parent) { mParent = parent; }

    Answer AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    std::optional<QString> AskOpenFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskSaveFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskPath(PathKind kind, const QString& current) override;

  protected:
    void Show(const QString& text, MessageKind kind) override;

  private:
    QWidget* mParent;
};
