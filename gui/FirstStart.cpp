#include "gui/FirstStart.h"

#include "platform/SystemError.h"
#include "run/Messages.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

namespace {

// The example is a few kilobytes; this only keeps a wrong file from filling the memory.
constexpr qint64 kLargestExampleFile = 16 * 1024 * 1024;

// Makes the folder `path` and every folder above it that is missing.
Status MakeFolders(const QString& path) {
    const QString parent = QFileInfo(path).path();
    if (parent != path && !QFileInfo(parent).isDir()) {
        if (Status made = MakeFolders(parent); !made.ok()) {
            return made;
        }
    }
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 &&
        !(errno == EEXIST && QFileInfo(path).isDir())) {
        return ErrnoFailure(path, errno);
    }
    return Status::Ok();
}

}  // namespace

FirstStart::FirstStart(Dialogs& dialogs, FileSystem& files, QString example)
    : mDialogs(dialogs), mFiles(files), mExample(std::move(example)) {}

QString FirstStart::BundledExample() {
    // TERVO_EXAMPLES_DIR is the installed folder relative to the program's; a build finds the
    // source tree's at the path it was built from.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& folder : {programFolder.filePath(QStringLiteral(TERVO_EXAMPLES_DIR)),
                                  QStringLiteral(TERVO_SOURCE_EXAMPLES)}) {
        if (QFileInfo(QDir(folder).filePath(QStringLiteral("config.xml"))).isFile()) {
            return QDir::cleanPath(folder);
        }
    }
    return QString();
}

std::optional<QString> FirstStart::Choose(const QString& missing) {
    QString text = tr("There is no configuration file in %1.\n\n"
                      "TervoSetup needs a configuration file (such as config.xml) that declares "
                      "the settings, and a settings file beside it (settings.xml) that holds "
                      "their values.")
                       .arg(QDir::toNativeSeparators(QFileInfo(missing).absolutePath()));
    QStringList choices = {tr("&Open a Configuration...")};
    if (!mExample.isEmpty()) {
        text += QStringLiteral("\n\n") +
                tr("Open a configuration, or start from the example: its configuration, settings "
                   "and templates are copied into a folder you choose, and opened there.");
        choices.append(tr("Start from the &Example..."));
    }
    // A refused or failed copy comes back here, so that another folder can be chosen.
    for (;;) {
        const std::optional<int> choice = mDialogs.AskChoice(text, choices);
        if (!choice) {
            return std::nullopt;
        }
        if (*choice == 0) {
            const std::optional<QString> chosen =
                mDialogs.AskOpenFileName(missing, Messages::XmlFilter());
            if (chosen && !chosen->isEmpty()) {
                return chosen;
            }
            continue;
        }
        const std::optional<QString> folder =
            mDialogs.AskFolder(tr("Choose a Folder for the Example"), QDir::currentPath());
        if (folder && !folder->isEmpty() && CopyExample(*folder)) {
            return QDir(*folder).filePath(QStringLiteral("config.xml"));
        }
    }
}

QStringList FirstStart::ExampleFiles() const {
    QStringList templates;
    const QDir example(mExample);
    QDirIterator found(example.filePath(QStringLiteral("templates")), QDir::Files,
                       QDirIterator::Subdirectories);
    while (found.hasNext()) {
        templates.append(example.relativeFilePath(found.next()));
    }
    std::sort(templates.begin(), templates.end());
    return QStringList{QStringLiteral("config.xml"), QStringLiteral("settings.xml")} + templates;
}

bool FirstStart::CopyExample(const QString& folder) {
    const QDir target(folder);
    const QStringList names = ExampleFiles();
    QStringList there;
    for (const QString& name : names) {
        if (mFiles.Exists(target.filePath(name))) {
            there.append(name);
        }
    }
    if (!there.isEmpty()) {
        mDialogs.ShowMessage(
            tr("%1 holds %2 already. Nothing was copied: choose a folder without these files.")
                .arg(QDir::toNativeSeparators(folder), there.join(QStringLiteral(", "))),
            Dialogs::MessageKind::Warning);
        return false;
    }
    const QDir example(mExample);
    for (const QString& name : names) {
        const QString path = target.filePath(name);
        QByteArray bytes;
        Status copied = mFiles.ReadFile(example.filePath(name), kLargestExampleFile, &bytes);
        if (copied.ok()) {
            copied = MakeFolders(QFileInfo(path).path());
        }
        if (copied.ok()) {
            // The example's settings hold a password, as a user's will.
            copied = mFiles.WriteFile(
                path, bytes,
                name == u"settings.xml" ? NewFileAccess::OwnerOnly : NewFileAccess::Default);
        }
        if (!copied.ok()) {
            mDialogs.ShowMessage(tr("The example could not be copied into %1:\n\n%2")
                                     .arg(QDir::toNativeSeparators(folder), copied.message()));
            return false;
        }
    }
    return true;
}
