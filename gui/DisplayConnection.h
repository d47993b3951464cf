#pragma once

#include "platform/Translation.h"

#include <QApplication>
#include <QByteArray>
#include <QTranslator>

#include <memory>
#include <vector>

// The window system's application object of a run that shows a window or a message box, usable
// only if a display can be reached. Qt ends the process when its platform plugin cannot connect;
// naming the plugin "minimal" after the one wanted makes it fall back instead, and a run that finds
// itself on "minimal" knows that no display was reached. Either way the application holds Qt's
// catalog and the program's for the user's language while it lives, so that the message that says
// so is translated too; once reached, every window and message box shows the program's icon.
//
// REQUIRES: no other application object exists while this one lives.
class DisplayConnection {
  public:
    // `argc` and `argv` are the program's; they are copied.
    DisplayConnection(int argc, char** argv);
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    // The application, or null when no display could be reached.
    QApplication* Application() const { return mReached ? mApplication.get() : nullptr; }

  private:
    std::vector<QByteArray> mArguments;
    std::vector<char*> mArgv;
    int mArgc = 0;  // QApplication keeps a reference to it
    std::unique_ptr<QApplication> mApplication;
    bool mReached = false;
    // Declared after the application: each removes itself from it before it ends.
    QTranslator mQtTranslator;
    ProgramTranslator mTranslator;
};
