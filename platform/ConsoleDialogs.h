#pragma once

#include "platform/Dialogs.h"

#include <cstdio>

// Dialogs for runs without a display: messages go to a stream (standard error), questions are
// never waited for. A question is written out and answered No (a choice: Cancel); file and folder
// dialogs are cancelled, and a wait is never.
class ConsoleDialogs : public Dialogs {
  public:
    explicit ConsoleDialogs(std::FILE* stream = stderr) : mStream(stream) {}

    Answer AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    std::optional<int> AskChoice(const QString& text, const QStringList& choices) override;
    std::optional<QString> AskOpenFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskSaveFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskPath(PathKind kind, const QString& current) override;
    std::optional<QString> AskFolder(const QString& caption, const QString& start) override;
    std::unique_ptr<Waiting> ShowWaiting(const QString& text) override;

  protected:
    void Show(const QString& text, MessageKind kind) override;

  private:
    std::FILE* mStream;
};
