// The start-up's side of the window module: finding and loading it. Built into the program, on
// QtCore only.
#include "gui/WindowModule.h"

#include "platform/RunningProgram.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <errno.h>
#include <algorithm>

namespace {

// The places the module may be, the first that exists to be taken. The build defines the file's
// name and the installed folder relative to the installed program's folder.
QStringList ModuleCandidates(const char* argv0) {
    const QString file = QStringLiteral(TERVO_WINDOW_MODULE_FILE);
    const QString program = RunningProgramPath(argv0);
    if (program.isEmpty()) {
        // Left to the system's search for libraries, which names the file when it fails.
        return {file};
    }
    const QDir folder = QFileInfo(program).dir();
    return {QDir::cleanPath(folder.filePath(QStringLiteral(TERVO_WINDOW_MODULE_DIR "/") + file)),
            folder.filePath(file)};
}

}  // namespace

Status LoadWindowModule(const char* argv0, WindowModule** module) {
    const QStringList candidates = ModuleCandidates(argv0);
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [](const QString& path) { return QFileInfo::exists(path); });
    // A file that is nowhere is told here: the loader would try other names for it and report
    // the last of them.
    if (found == candidates.end() && candidates.size() > 1) {
        return Status::PathNotFound(candidates.front(), DescribeErrno(ENOENT));
    }
    QLibrary library(found == candidates.end() ? candidates.front() : *found);
    using Entry = WindowModule* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve("TervoSetupWindowModule"));
    if (entry == nullptr) {
        return Status::Error(library.errorString());
    }
    *module = entry();
    return Status::Ok();
}
