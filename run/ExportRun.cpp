#include "run/ExportRun.h"

#include "run/Messages.h"
#include "run/Overrides.h"
#include "session/EditSession.h"

#include <QFile>

namespace {

// Each value that breaks its item's rules, named after where it came from: the settings file, or
// the option or environment variable of `sources` that gave it.
void ShowInvalid(const std::vector<InvalidValue>& invalid, const QString& settingsFile,
                 Dialogs& dialogs, const QHash<QString, QString>& sources = {}) {
    QStringList lines;
    for (const InvalidValue& bad : invalid) {
        lines.append(Messages::InvalidValue(sources.value(bad.item->id, settingsFile),
                                            bad.item->label, bad.item->id, bad.reason));
    }
    dialogs.ShowMessage(lines.join(u'\n'));
}

}  // namespace

int RunExport(const CommandLineOptions& options, ProgramServices services, RunOutput& output,
              const EnvironmentBytes& environment, ByteSource* standardInput) {
    if (!options.unknownOptions.isEmpty()) {
        services.dialogs.ShowMessage(Messages::UnknownOptionsRefused(options.unknownOptions));
        return kExitFailed;
    }
    const StartupPaths paths = ResolveStartupPaths(options);
    EditSession session(services.files, services.processes);
    Status loaded = session.LoadConfiguration(paths.configFile, options.baseDir);
    // What the files hold that works, but hardly as meant, comes first, before anything it leads
    // to: what the configuration most likely misspells or never starts, then what the settings
    // file lists twice.
    QStringList fileWarnings = session.Config().Warnings();
    for (const QString& warning : fileWarnings) {
        output.Warn(warning);
    }
    if (loaded.ok())
        loaded = session.Load(paths.settingsFile);
    if (!loaded.ok()) {
        services.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return kExitFailed;
    }
    for (const QString& warning : session.LoadWarnings()) {
        output.Warn(warning);
        fileWarnings.append(warning);
    }
    // The values of this run: those the command line gives in place of the settings file's,
    // which the outputs get and the settings file never does.
    QHash<QString, QString> runValues;
    QHash<QString, QString> sources;
    if (Status given =
            ApplyValueOptions(options.values, {environment, &services.files, standardInput},
                              session.Config(), &runValues, &sources);
        !given.ok()) {
        services.dialogs.ShowMessage(given.message());
        return kExitFailed;
    }
    session.SetRunValues(runValues);
    // With /strict a warning is an error: /check and /diff end with 1, and a save refuses
    // (SaveOptions::strict).
    const bool strictRefusesFiles = options.strict && !fileWarnings.isEmpty();
    const auto warn = [&output](const SaveResult& result) {
        for (const QString& warning : result.warnings) {
            output.Warn(warning);
        }
    };

    if (options.checkMode || options.diffMode) {
        // The whole save on a file system that writes nothing, without a lock: any version of the
        // settings file that a save leaves is a consistent one.
        EditSession::DiffReport diff;
        if (options.diffMode) {
            diff = [&output](const QByteArray& bytes) { output.Report(bytes); };
        }
        const SavePreview preview = session.Preview(diff);
        if (preview.result.outcome == SaveResult::Outcome::Invalid) {
            ShowInvalid(preview.result.invalid, paths.settingsFile, services.dialogs, sources);
            return kExitFailed;
        }
        warn(preview.result);
        const int status = ShowSaveResult(preview.result, paths.settingsFile, services.dialogs);
        if (status == kExitFailed) {
            return status;
        }
        for (const QString& message : preview.unshown) {
            services.dialogs.ShowMessage(message);
        }
        if (preview.masked) {
            output.Warn(Messages::PasswordsMasked());
        }
        if (!options.diffMode) {
            QByteArray list;
            for (const QString& path : preview.changed) {
                list += QFile::encodeName(path) + '\n';
            }
            output.Report(list);
        }
        const bool refused =
            strictRefusesFiles || (options.strict && !preview.result.warnings.isEmpty());
        return status != kExitOk || refused || !preview.unshown.isEmpty() ? kExitIncomplete
               : preview.changed.isEmpty()                                ? kExitOk
                                                                          : kExitChanges;
    }

    EditSession::SaveOptions save;
    save.wait.tell = [&output](const QString& message) { output.Warn(message); };
    save.strict = options.strict;
    const SaveResult result = session.Save(save);
    warn(result);
    switch (result.outcome) {
        case SaveResult::Outcome::Invalid:
            ShowInvalid(result.invalid, paths.settingsFile, services.dialogs, sources);
            return kExitFailed;
        case SaveResult::Outcome::TrialRefused:
            ShowSaveResult(result, paths.settingsFile, services.dialogs);
            services.dialogs.ShowMessage(Messages::StrictRefused());
            return kExitIncomplete;
        default:
            return ShowSaveResult(result, paths.settingsFile, services.dialogs);
    }
}

int ShowSaveResult(const SaveResult& result, const QString& settingsFile, Dialogs& dialogs) {
    switch (result.outcome) {
        case SaveResult::Outcome::Refused:
            dialogs.ShowMessage(result.refusal.message());
            return kExitFailed;
        case SaveResult::Outcome::Invalid:
            ShowInvalid(result.invalid, settingsFile, dialogs);
            return kExitFailed;
        case SaveResult::Outcome::Cancelled:
        case SaveResult::Outcome::Reloaded:
            return kExitFailed;
        case SaveResult::Outcome::Saved:
        case SaveResult::Outcome::TrialRefused:
            break;
    }
    // The settings are saved (or, in a trial, would be); what went wrong after that is told as a
    // warning.
    for (const QString& problem : result.problems) {
        dialogs.ShowMessage(problem, Dialogs::MessageKind::Warning);
    }
    return result.problems.isEmpty() ? kExitOk : kExitIncomplete;
}
