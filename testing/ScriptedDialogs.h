#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

#include <deque>

// Dialogs for tests: answers are queued beforehand, every message and question is recorded.
// Asking with nothing queued is a test error: it is recorded in `unexpected` and answered Cancel,
// so a test never blocks.
class ScriptedDialogs : public Dialogs {
  public:
    void ShowMessage(const QString& text) override { messages.append(text); }
    Answer AskYesNoCancel(const QString& text) override;
    std::optional<QString> AskOpenFileName(const QString& fileName, const QString& filter) override;
    std::optional<QString> AskSaveFileName(const QString& fileName, const QString& filter) override;

    std::deque<Answer> answers;                    // for AskYesNoCancel
    std::deque<std::optional<QString>> fileNames;  // for both file dialogs; nullopt = cancel

    QStringList messages;     // every ShowMessage text
    QStringList questions;    // every AskYesNoCancel text
    QStringList fileDialogs;  // "open <fileName> <filter>" or "save <fileName> <filter>"
    QStringList unexpected;   // dialogs that had no scripted answer
};
