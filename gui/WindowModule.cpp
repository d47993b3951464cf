// The start-up's side of the window module: finding, checking and loading it. Built into the
// program, on QtCore only.
#include "gui/WindowModule.h"

#include "platform/RunningProgram.h"
#include "platform/SharedObjectFile.h"
#include "platform/SystemError.h"
#include "platform/TrustedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>
#include <errno.h>

#include <memory>

namespace {

struct LibraryCloser {
    void operator()(void* library) const { ::dlclose(library); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

constexpr const char* kEntryName = "TervoSetupWindowModuleEntry";

// The places the module may be, relative to the program's folder: where the installation puts
// it, then beside the program, as in the build tree. The build defines both names.
QStringList ModuleCandidates(const QString& program) {
    const QDir folder = QFileInfo(program).dir();
    const QString file = QStringLiteral(TERVO_WINDOW_MODULE_FILE);
    return {QDir::cleanPath(folder.filePath(QStringLiteral(TERVO_WINDOW_MODULE_DIR "/") + file)),
            folder.filePath(file)};
}

// Opens the first candidate that exists. One that exists but may not be trusted is refused,
// not passed over for the next.
Status OpenModuleFile(const QStringList& candidates, UniqueFd* file, QString* path) {
    for (const QString& candidate : candidates) {
        const Status opened = OpenTrustedFile(candidate, file);
        if (!opened.IsNotFound()) {
            *path = candidate;
            return opened;
        }
    }
    return Status::PathNotFound(candidates.front(), DescribeErrno(ENOENT));
}

}  // namespace

Status LoadWindowModule(WindowModule** module) {
    QString program;
    if (Status found = RunningProgramPath(&program); !found.ok()) {
        return found;
    }
    UniqueFd file;
    QString path;
    if (Status opened = OpenModuleFile(ModuleCandidates(program), &file, &path); !opened.ok()) {
        return opened;
    }
    if (Status usable = CheckSharedObjectFile(file.get(), path); !usable.ok()) {
        return usable;
    }
    // The loader opens the descriptor's file, so it maps the very file that was checked.
    const QByteArray opened = "/proc/self/fd/" + QByteArray::number(file.get());
    LibraryHandle library(::dlopen(opened.constData(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        // The loader's message starts with the name it was given; the user knows the file.
        QString reason = QString::fromLocal8Bit(::dlerror());
        reason.remove(QString::fromLatin1(opened + ": "));
        return Status::PathError(path, reason);
    }
    using Entry = const WindowModuleEntry* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(library.get(), kEntryName));
    if (entry == nullptr) {
        return Status::PathError(
            path, QCoreApplication::translate("WindowModule",
                                              "is no TervoSetup window module: it has no "
                                              "function %1")
                      .arg(QLatin1String(kEntryName)));
    }
    const WindowModuleEntry* found = entry();
    const char* build = found != nullptr && found->build != nullptr ? found->build : "none";
    if (qstrcmp(build, TERVO_WINDOW_MODULE_BUILD) != 0 || found->module == nullptr) {
        return Status::PathError(
            path, QCoreApplication::translate("WindowModule",
                                              "comes from another build of TervoSetup "
                                              "(%1), not from this program's (%2)")
                      .arg(QString::fromLatin1(build), QStringLiteral(TERVO_WINDOW_MODULE_BUILD)));
    }
    *module = found->module;
    // The module's objects are in use until the process ends; it is never unloaded.
    library.release();
    return Status::Ok();
}
