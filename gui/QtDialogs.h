#pragma once

#include "platform/Dialogs.h"

class QWidget;

// Message boxes, file and folder dialogs and the wait dialog of Qt, the boxes titled "TervoSetup",
// over `parent` (may be null).
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : mParent(parent) {}
    void SetParent(QWidget* parent) { mParent = parent; }

    Answer AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    std::optional<int> AskChoice(const QString& text, const QStringList& choices) override;
    std::optional<QString> AskOpenFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskSaveFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskPath(PathKind kind, const QString& current) override;
    std::optional<QString> AskFolder(const QString& caption, const QString& start) override;
    // A window-modal QProgressDialog without a range; it appears once the wait has taken half a
    // second, so that a quick command does not flash it.
    std::unique_ptr<Waiting> ShowWaiting(const QString& text) override;

  protected:
    void Show(const QString& text, MessageKind kind) override;

  private:
    QWidget* mParent;
};
