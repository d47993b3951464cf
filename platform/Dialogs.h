#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The modal questions and messages of the program. Implementations: Qt message boxes and file
// dialogs, the console (standard error, for runs without a display) and a scripted one for tests.
// Every message box carries the title "TervoSetup".
class Dialogs {
  public:
    // A dialog that says the program waits for something and offers Cancel; it closes when this
    // object is destroyed.
    class Waiting {
      public:
        virtual ~Waiting() = default;
        // Lets the dialog take the user's input; true once Cancel was pressed.
        virtual bool Cancelled() = 0;
    };

    enum class Answer { Yes, No, Cancel };
    // What a message tells; a message box shows the icon of its kind.
    enum class MessageKind { Information, Warning, Error };
    // What a path dialog picks: a file (that need not exist) or an existing folder.
    enum class PathKind { File, Folder };

    virtual ~Dialogs() = default;

    // A message with an OK button only.
    void ShowMessage(const QString& text, MessageKind kind = MessageKind::Error) {
        Show(text, kind);
    }
    // A question with the buttons Yes, No and Cancel and the question icon.
    virtual Answer AskYesNoCancel(const QString& text) = 0;
    // A question with the buttons Yes and No and the question icon: true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // A question with a button for each of `choices` (captions, "&" before an access key), in
    // that order, then Cancel. The index of the choice taken, or nothing for Cancel (also Escape
    // and the box's close button).
    virtual std::optional<int> AskChoice(const QString& text, const QStringList& choices) = 0;
    // The open dialog, starting with `fileName` and one filter entry `filter` (for example
    // "XML Dateien (*.xml)"); the chosen file need not exist. Empty when cancelled.
    virtual std::optional<QString> AskOpenFileName(const QString& fileName,
                                                   const QString& filter) = 0;
    // The save dialog; it asks the user to confirm when the chosen file exists. Empty when
    // cancelled.
    virtual std::optional<QString> AskSaveFileName(const QString& fileName,
                                                   const QString& filter) = 0;
    // The dialog that picks the value of a file or folder field, starting at the field's value
    // `current` (may be empty). Empty when cancelled.
    virtual std::optional<QString> AskPath(PathKind kind, const QString& current) = 0;
    // The dialog that picks an existing folder, titled `caption`, starting in `start`. Empty when
    // cancelled.
    virtual std::optional<QString> AskFolder(const QString& caption, const QString& start) = 0;
    // Shows `text` with a busy indicator and a Cancel button until the result is destroyed. Where
    // nobody can answer (the console), nothing is shown and the wait is never cancelled.
    virtual std::unique_ptr<Waiting> ShowWaiting(const QString& text) = 0;

  protected:
    // Shows ShowMessage()'s message.
    virtual void Show(const QString& text, MessageKind kind) = 0;
};
