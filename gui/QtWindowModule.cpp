// The window module (tervosetup-gui): the editor window and the message boxes, on QtWidgets. The
// program loads it only when it has one of them to show; see gui/WindowModule.h.
#include "gui/QtDialogs.h"
#include "gui/WindowModule.h"
#include "gui/frmsetup.h"
#include "platform/Translation.h"
#include "run/Messages.h"
#include "run/ProgramServices.h"

#include <QApplication>
#include <QIcon>
#include <QTranslator>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The application object of a run, usable only if a display can be reached. Qt ends the process
// when its platform plugin cannot connect; naming the plugin "minimal" after the one wanted makes
// it fall back instead, and a run that finds itself on "minimal" knows that no display was
// reached. Either way the application holds the catalog of the user's language while it lives,
// so that the message that says so is translated too.
class DisplayConnection {
  public:
    DisplayConnection(int argc, char** argv) {
        for (int i = 0; i < argc; ++i) {
            mArguments.emplace_back(argv[i]);
        }
        if (const QByteArray wanted = WantedPlatforms(); !wanted.isEmpty()) {
            mArguments.emplace_back("-platform");
            mArguments.push_back(wanted + ";minimal");
        }
        for (QByteArray& argument : mArguments) {
            mArgv.push_back(argument.data());
        }
        mArgv.push_back(nullptr);
        mArgc = static_cast<int>(mArguments.size());
        {
            // A display that hangs up while the window system greets it must be a failure to
            // connect, not SIGPIPE ending the process. Only for the connection: the commands a
            // save starts later must not inherit an ignored SIGPIPE.
            struct sigaction ignore = {};
            struct sigaction previous = {};
            ignore.sa_handler = SIG_IGN;
            ::sigaction(SIGPIPE, &ignore, &previous);
            mApplication = std::make_unique<QApplication>(mArgc, mArgv.data());
            ::sigaction(SIGPIPE, &previous, nullptr);
        }
        InstallQtTranslation(&mQtTranslator);
        InstallTranslation(&mTranslator);
        if (QGuiApplication::platformName() == u"minimal" && !WantedPlatforms().isEmpty()) {
            return;
        }
        mReached = true;
        // Every window of the program and its message boxes show the program's icon.
        QIcon icon;
        icon.addFile(QStringLiteral(":/icons/tervosetup-48.png"));
        icon.addFile(QStringLiteral(":/icons/tervosetup-128.png"));
        QApplication::setWindowIcon(icon);
    }

    // The application, or null when no display could be reached.
    QApplication* Application() const { return mReached ? mApplication.get() : nullptr; }

  private:
    // The platform plugins Qt would try on its own, or nothing where the fallback is not needed.
    static QByteArray WantedPlatforms() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        QByteArray wanted = qgetenv("QT_QPA_PLATFORM");
        if (wanted.isEmpty()) {
            wanted = qEnvironmentVariableIsEmpty("DISPLAY") ? "wayland;xcb" : "xcb";
        }
        return wanted.contains("minimal") ? QByteArray() : wanted;
#else
        return QByteArray();
#endif
    }

    std::vector<QByteArray> mArguments;
    std::vector<char*> mArgv;
    int mArgc = 0;
    std::unique_ptr<QApplication> mApplication;
    bool mReached = false;
    // Declared after the application: each removes itself from it before it ends.
    QTranslator mQtTranslator;
    QTranslator mTranslator;
};

// Qt's message boxes together with the connection to the display they are shown on.
class ConnectedMessageBoxes final : public QtDialogs {
  public:
    explicit ConnectedMessageBoxes(std::unique_ptr<DisplayConnection> display)
        : mDisplay(std::move(display)) {}

  private:
    std::unique_ptr<DisplayConnection> mDisplay;
};

class QtWindowModule final : public WindowModule {
  public:
    std::unique_ptr<Dialogs> OpenMessageBoxes(int argc, char** argv) override {
        auto display = std::make_unique<DisplayConnection>(argc, argv);
        if (display->Application() == nullptr) {
            return nullptr;
        }
        return std::make_unique<ConnectedMessageBoxes>(std::move(display));
    }

    int RunEditor(int argc, char** argv, const CommandLineOptions& options, FileSystem& files,
                  ProcessLauncher& processes) override {
        const DisplayConnection display(argc, argv);
        if (display.Application() == nullptr) {
            std::fputs(Messages::DisplayUnreachable().toLocal8Bit().constData(), stderr);
            return kExitFailed;
        }
        QtDialogs dialogs;
        frmsetup window(options, {dialogs, files, processes});
        dialogs.SetParent(&window);
        if (const std::optional<int> failed = window.Form_Load()) {
            return *failed;
        }
        window.show();
        return display.Application()->exec();
    }
};

}  // namespace

extern "C" const WindowModuleEntry* TervoSetupWindowModuleEntry() {
    static QtWindowModule module;
    static const WindowModuleEntry entry{TERVO_WINDOW_MODULE_BUILD, &module};
    return &entry;
}
