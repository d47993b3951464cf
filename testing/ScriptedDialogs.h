#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

// Dialogs for tests: every message and question is recorded, and each question takes the next
// scripted answer: "Yes" or "No" (anything else is Cancel, or No where there is no Cancel), the
// caption of a choice without its "&" (anything else cancels it), or the path chosen in a file or
// folder dialog ("" cancels it). Without an answer the question is cancelled, so a test never
// blocks.
class ScriptedDialogs : public Dialogs {
  public:
    Answer AskYesNoCancel(const QString& text) override {
        const QString answer = Next(text);
        return answer == u"Yes" ? Answer::Yes : answer == u"No" ? Answer::No : Answer::Cancel;
    }
    bool AskYesNo(const QString& text) override { return Next(text) == u"Yes"; }
    std::optional<int> AskChoice(const QString& text, const QStringList& choices) override {
        const QString answer = Next(text);
        for (int i = 0; i < choices.size(); ++i) {
            if (QString(choices[i]).remove(u'&') == answer) {
                return i;
            }
        }
        return std::nullopt;
    }
    std::optional<QString> AskOpenFileName(const QString&, const QString&) override {
        return FileName(Next(QStringLiteral("open")));
    }
    std::optional<QString> AskSaveFileName(const QString&, const QString&) override {
        return FileName(Next(QStringLiteral("save")));
    }
    std::optional<QString> AskPath(PathKind kind, const QString&) override {
        return FileName(
            Next(kind == PathKind::File ? QStringLiteral("file") : QStringLiteral("folder")));
    }
    std::optional<QString> AskFolder(const QString&, const QString&) override {
        return FileName(Next(QStringLiteral("folder")));
    }
    // Records the text in `waits`, and counts the waits shown in `waitsOpen` until they close;
    // the wait is cancelled when `cancelWaits` is set.
    std::unique_ptr<Waiting> ShowWaiting(const QString& text) override {
        waits.append(text);
        class Scripted final : public Waiting {
          public:
            Scripted(bool cancel, int& open) : mCancel(cancel), mOpen(open) { ++mOpen; }
            ~Scripted() override { --mOpen; }
            bool Cancelled() override { return mCancel; }

          private:
            bool mCancel;
            int& mOpen;
        };
        return std::make_unique<Scripted>(cancelWaits, waitsOpen);
    }

    QStringList answers, messages;
    // Each question's text; "open" or "save" for a file dialog, "file" or "folder" for the dialog
    // of a field, "folder" for AskFolder too.
    QStringList questions;
    QStringList waits;
    int waitsOpen = 0;
    bool cancelWaits = false;

  protected:
    void Show(const QString& text, MessageKind) override { messages.append(text); }

  private:
    QString Next(const QString& question) {
        questions.append(question);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    static std::optional<QString> FileName(const QString& name) {
        return name.isEmpty() ? std::nullopt : std::optional(name);
    }
};
