#include "run/ExportRun.h"

#include "run/DryRunFileSystem.h"
#include "run/LineDiff.h"
#include "run/Messages.h"
#include "run/SecretMask.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "settings/TemplateExport.h"
#include "settings/VariableValues.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <new>

namespace {

// The largest version of a file that /diff shows: it holds both versions of one file at a time.
constexpr qint64 kMaxDiffBytes = qint64(1) << 30;

// Starts nothing: a run that writes nothing has nothing for a command to act on.
class NoCommands final : public ProcessLauncher {
  public:
    Status StartDetached(const QString&) override { return Status::Ok(); }
};

// Hands what it is given to the report as it comes, with every password masked.
class ReportSink final : public ByteSink {
  public:
    ReportSink(RunOutput& output, const QList<QByteArray>& secrets)
        : mMask(secrets, [&output](const QByteArray& bytes) { output.Report(bytes); }) {}
    bool Append(const char* data, std::size_t size) override {
        mMask.Append(data, qsizetype(size));
        return true;
    }
    bool Restart() override { return false; }  // what was reported stays
    bool Masked() {
        mMask.Flush();
        return mMask.Masked();
    }

  private:
    SecretMask mMask;
};

// The paths that a run may read or write again after writing them: every template (the output
// of an earlier entry may be one), and every output that more than one entry names.
QSet<QString> PathsUsedAgain(const Configuration& config, const QString& baseDir) {
    QSet<QString> again;
    QSet<QString> outputs;
    for (const TemplateEntry& entry : config.Templates()) {
        again.insert(baseDir + entry.input);
        if (outputs.contains(baseDir + entry.output)) {
            again.insert(baseDir + entry.output);
        }
        outputs.insert(baseDir + entry.output);
    }
    return again;
}

// Reports the diff of the write of `after` to `path`, as DryRunFileSystem::ChangeHandler, or,
// when patch could not make the new file from it, adds to `unshown` why not.
void ReportDiff(FileSystem& files, const QString& path, const QByteArray* after, RunOutput& output,
                const QList<QByteArray>& secrets, QStringList* unshown, bool* masked) {
    const auto cannot = [&](const QString& why) {
        unshown->append(QCoreApplication::translate(
                            "ExportRun", "%1 would change, but /diff cannot show how: %2")
                            .arg(path, why));
    };
    if (after == nullptr) {
        cannot(
            QCoreApplication::translate("ExportRun", "the new file would be larger than %1 bytes")
                .arg(kMaxDiffBytes));
        return;
    }
    // Patch refuses to write through a symlink; the save follows it.
    if (QFileInfo(path).isSymLink()) {
        cannot(QCoreApplication::translate("ExportRun",
                                           "it is a symbolic link, which patch does not follow"));
        return;
    }
    try {
        QByteArray before;
        const Status read = files.ReadFile(path, kMaxDiffBytes, &before);
        if (!read.ok() && !read.IsNotFound()) {
            cannot(read.message());
            return;
        }
        ReportSink report(output, secrets);
        WriteFileDiff(QFile::encodeName(path), read.ok() ? &before : nullptr, *after, report);
        if (report.Masked()) {
            *masked = true;
        }
    } catch (const std::bad_alloc&) {
        cannot(QCoreApplication::translate("ExportRun", "there is not enough memory"));
    }
}

}  // namespace

int RunExport(const CommandLineOptions& options, ProgramServices services, RunOutput& output) {
    const StartupPaths paths = ResolveStartupPaths(options);
    Configuration config;
    if (Status loaded = LoadConfigurationFile(services.files, paths.configFile, &config);
        !loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    // The settings file is read once, and exactly what was read is saved back: under the lock,
    // no other save can come between. A run that writes nothing takes no lock and waits for no
    // save: any version of the file that a save leaves is a consistent one. No lock is held while
    // a message is shown, which may wait for a user.
    const bool dryRun = options.checkMode || options.diffMode;
    std::unique_ptr<UpdateLock> lock;
    SettingsDocument settings;
    const LockWait wait = {[&output](const QString& message) { output.Warn(message); }};
    Status loaded =
        dryRun ? Status::Ok() : services.files.LockForUpdate(paths.settingsFile, wait, &lock);
    if (loaded.ok())
        loaded = settings.Load(services.files, paths.settingsFile);
    if (!loaded.ok()) {
        lock.reset();
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    VariableValues values(config);
    PutSettingsInto(settings, config, &values);
    // A value that breaks its item's rules is never saved nor exported.
    if (const std::vector<InvalidValue> invalid = InvalidValues(config, values); !invalid.empty()) {
        lock.reset();
        QStringList lines;
        for (const InvalidValue& bad : invalid) {
            lines.append(Messages::InvalidValue(paths.settingsFile, bad.item->label, bad.item->id,
                                                bad.reason));
        }
        services.dialogs.ShowMessage(lines.join(u'\n'));
        return kExitFailed;
    }
    const auto save = [&](FileSystem& files, ProcessLauncher& processes) {
        SaveResult result = SaveAndExport(config, values, settings, paths.settingsFile,
                                          options.baseDir, {files, processes});
        for (const QString& warning : result.warnings) {
            output.Warn(warning);
        }
        return result;
    };

    if (dryRun || options.strict) {
        // The whole save on a file system that writes nothing, to see what it would change and
        // what it warns about.
        DryRunFileSystem preview(services.files, PathsUsedAgain(config, options.baseDir));
        QStringList unshown;
        bool masked = false;
        if (options.diffMode) {
            const QList<QByteArray> secrets = SecretForms(config, values);
            preview.ShowChanges(
                kMaxDiffBytes, [&, secrets](const QString& path, const QByteArray* after) {
                    ReportDiff(preview, path, after, output, secrets, &unshown, &masked);
                });
        }
        NoCommands none;
        const SaveResult result = save(preview, none);
        const bool refused = options.strict && !result.warnings.isEmpty();
        if (dryRun) {
            const int status = ShowSaveResult(result, services.dialogs);
            if (status == kExitFailed) {
                return status;
            }
            for (const QString& message : unshown) {
                services.dialogs.ShowMessage(message);
            }
            if (masked) {
                output.Warn(Messages::PasswordsMasked());
            }
            const QStringList changed = preview.ChangedFiles();
            if (!options.diffMode) {
                QByteArray list;
                for (const QString& path : changed) {
                    list += QFile::encodeName(path) + '\n';
                }
                output.Report(list);
            }
            return status != kExitOk || refused || !unshown.isEmpty() ? kExitIncomplete
                   : changed.isEmpty()                                ? kExitOk
                                                                      : kExitChanges;
        }
        // With /strict, a trial that could not finish may have missed an id without a value.
        if (refused || !result.Complete()) {
            lock.reset();
            if (ShowSaveResult(result, services.dialogs) == kExitFailed) {
                return kExitFailed;
            }
            services.dialogs.ShowMessage(Messages::StrictRefused());
            return kExitIncomplete;
        }
    }
    const SaveResult result = save(services.files, services.processes);
    lock.reset();
    return ShowSaveResult(result, services.dialogs);
}

int ShowSaveResult(const SaveResult& result, Dialogs& dialogs) {
    if (!result.saved.ok()) {
        dialogs.ShowMessage(result.saved.message());
        return kExitFailed;
    }
    // The settings are saved; what went wrong after that is told as a warning.
    for (const QString& problem : result.problems) {
        dialogs.ShowMessage(problem, Dialogs::MessageKind::Warning);
    }
    return result.problems.isEmpty() ? kExitOk : kExitIncomplete;
}
