#pragma once

#include "platform/Dialogs.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QDialog;
class QWidget;

// What the main window's load and saves warn about, told without waiting for an answer: a window
// of its own over the main window, which takes no focus from it, lists the warnings under a line
// that says what they are about, until the user closes it. A report appears once the
// command that made it has returned. The configuration's warnings are told once, when it is
// loaded; a save's replace the report of an earlier save, and a save without any closes it. A
// report that the main window would take with it when it closes right after the save (OK, or Yes
// to the question on closing) is told in a message that waits, before the window goes.
class WarningsReport : public QObject {
    Q_OBJECT
  public:
    // The reports belong to `window`, and the messages go through `dialogs`, which must outlive
    // this.
    WarningsReport(Dialogs& dialogs, QWidget* window);

    // The warnings of the configuration `configFile` (Configuration::Warnings), just loaded.
    void ConfigurationLoaded(const QString& configFile, const QStringList& warnings);
    // The warnings of a save just made (SaveResult::warnings).
    void Saved(const QStringList& warnings);
    // The main window is closing: the warnings not told yet are told now, in a message.
    void Closing();

    // At most `count` of `lines`, and then a line that counts the rest: a message box taller than
    // the screen would hide its OK button.
    static QStringList FirstLines(const QStringList& lines, int count);

  private:
    struct Report {
        const char* name;  // the report window's objectName
        QString title, heading;
        QStringList lines;
        bool pending = false;  // to be shown once the command that made it has returned
        QPointer<QDialog> window;
    };
    // Tells `report` once the event loop runs again.
    void Tell(Report& report, QString heading, const QStringList& lines);
    void ShowPending();
    void Show(Report& report);

    Dialogs& mDialogs;
    QWidget* mWindow;
    Report mConfiguration;
    Report mSave;
};
