#include "gui/DisplayConnection.h"

#include "platform/Translation.h"

#include <QIcon>

#include <csignal>

namespace {

// The platform plugins Qt would try on its own, or nothing where the fallback is not needed.
QByteArray WantedPlatforms() {
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

}  // namespace

DisplayConnection::DisplayConnection(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        mArguments.emplace_back(argv[i]);
    }
    const QByteArray wanted = WantedPlatforms();
    if (!wanted.isEmpty()) {
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
        // connect, not SIGPIPE ending the process. Only for the connection: the commands a save
        // starts later must not inherit an ignored SIGPIPE.
        struct sigaction ignore = {};
        struct sigaction previous = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &previous);
        mApplication = std::make_unique<QApplication>(mArgc, mArgv.data());
        ::sigaction(SIGPIPE, &previous, nullptr);
    }
    InstallQtTranslation(&mQtTranslator);
    InstallTranslation(&mTranslator);
    if (QGuiApplication::platformName() == u"minimal" && !wanted.isEmpty()) {
        return;
    }
    mReached = true;
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tervosetup-48.png"));
    icon.addFile(QStringLiteral(":/icons/tervosetup-128.png"));
    QApplication::setWindowIcon(icon);
}
