#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What a start without a configuration offers, as from the desktop menu in the home folder: it
// says what the program needs (a configuration file that declares the settings, and a settings
// file beside it) and offers to open a configuration, or to start from the example that comes
// with the program, copied into a folder the user chooses. Every question goes through Dialogs.
class FirstStart {
    Q_DECLARE_TR_FUNCTIONS(FirstStart)
  public:
    // `example`: the folder of the example (config.xml, settings.xml and templates/), or empty
    // when there is none, and then it is not offered. `dialogs` and `files` must outlive this.
    FirstStart(Dialogs& dialogs, FileSystem& files, QString example);

    // Asks until there is a configuration to open or the user cancels; `missing` is the
    // configuration that was looked for. Returns the path of the configuration chosen, or of the
    // example's copy; nothing when cancelled.
    std::optional<QString> Choose(const QString& missing);

    // The example that comes with the program: installed relative to the program (under
    // <datadir>/doc/tervosetup/examples), or, for a build, the source tree's. Empty when neither
    // holds a configuration.
    static QString BundledExample();

  private:
    // The example's files, relative to its folder: config.xml, settings.xml and every file under
    // templates/, in a fixed order.
    QStringList ExampleFiles() const;
    // Copies the example's files into `folder`, unless one of them is there already: then nothing
    // is copied. False, with the reason shown, when the copy was not made.
    bool CopyExample(const QString& folder);

    Dialogs& mDialogs;
    FileSystem& mFiles;
    QString mExample;
};
