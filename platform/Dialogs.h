#pragma once

#include <QString>

#include <optional>

// The modal questions and messages of the program. Implementations: Qt message boxes and file
// dialogs, the console (standard error, for runs without a display) and a scripted one for tests.
// Every message box carries the title "TervoSetup".
class Dialogs {
  public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;

    // A message with an OK button only and no icon.
    virtual void ShowMessage(const QString& text) = 0;
    // A question with the buttons Yes, No and Cancel and the question icon.
    virtual Answer AskYesNoCancel(const QString& text) = 0;
    // The open dialog, starting with `fileName` and one filter entry `filter` (for example
    // "XML Dateien (*.xml)"); the chosen file need not exist. Empty when cancelled.
    virtual std::optional<QString> AskOpenFileName(const QString& fileName,
                                                   const QString& filter) = 0;
    // The save dialog; it asks the user to confirm when the chosen file exists. Empty when
    // cancelled.
    virtual std::optional<QString> AskSaveFileName(const QString& fileName,
                                                   const QString& filter) = 0;
};
