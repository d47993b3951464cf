#include "run/ExportRun.h"

#include "run/Messages.h"
#include "run/Overrides.h"
#include "session/EditSession.h"
#include "session/InvalidValueLines.h"

#include <QFile>

namespace {

// Shows the messages of a run, each line that holds a secret the session knows by then held
// back (EditSession::Secrets).
class GatedDialogs final : public Dialogs {
  public:
    GatedDialogs(Dialogs& dialogs, const EditSession& session)
        : mDialogs(dialogs), mSession(session) {}

    Answer AskYesNoCancel(const QString& text) override {
        return mDialogs.AskYesNoCancel(Gated(text));
    }
    bool AskYesNo(const QString& text) override { return mDialogs.AskYesNo(Gated(text)); }
    std::optional<int> AskChoice(const QString& text, const QStringList& choices) override {
        return mDialogs.AskChoice(Gated(text), choices);
    }
    std::optional<QString> AskOpenFileName(const QString& fileName,
                                           const QString& filter) override {
        return mDialogs.AskOpenFileName(fileName, filter);
    }
    std::optional<QString> AskSaveFileName(const QString& fileName,
                                           const QString& filter) override {
        return mDialogs.AskSaveFileName(fileName, filter);
    }
    std::optional<QString> AskPath(PathKind kind, const QString& current) override {
        return mDialogs.AskPath(kind, current);
    }
    std::optional<QString> AskFolder(const QString& caption, const QString& start) override {
        return mDialogs.AskFolder(caption, start);
    }
    std::unique_ptr<Waiting> ShowWaiting(const QString& text) override {
        return mDialogs.ShowWaiting(Gated(text));
    }

  protected:
    void Show(const QString& text, MessageKind kind) override {
        mDialogs.ShowMessage(Gated(text), kind);
    }

  private:
    QString Gated(const QString& text) const { return mSession.Secrets().Withheld(text); }

    Dialogs& mDialogs;
    const EditSession& mSession;
};

// Warns as `output` does, each warning that holds a secret the session knows by then held back.
// The report goes on as it is: a diff has passed the secrets line by line (SaveDiff).
class GatedOutput final : public RunOutput {
  public:
    GatedOutput(RunOutput& output, const EditSession& session)
        : mOutput(output), mSession(session) {}

    void Report(const QByteArray& bytes) override { mOutput.Report(bytes); }
    void Warn(const QString& line) override { mOutput.Warn(mSession.Secrets().Withheld(line)); }

  private:
    RunOutput& mOutput;
    const EditSession& mSession;
};

// Each value that breaks its item's rules, named after where it came from: the settings file, or
// the option or environment variable of `sources` that gave it. The secrets are held back by the
// dialogs of the run (GatedDialogs).
void ShowInvalid(const std::vector<InvalidValue>& invalid, const QString& settingsFile,
                 Dialogs& dialogs, const QHash<QString, QString>& sources = {}) {
    dialogs.ShowMessage(InvalidValueLines(invalid, settingsFile, SecretSet(), sources).join(u'\n'));
}

}  // namespace

int RunExport(const CommandLineOptions& options, ProgramServices given, RunOutput& givenOutput,
              const EnvironmentBytes& environment, ByteSource* standardInput) {
    if (!options.unknownOptions.isEmpty()) {
        given.dialogs.ShowMessage(Messages::UnknownOptionsRefused(options.unknownOptions));
        return kExitFailed;
    }
    const StartupPaths paths = ResolveStartupPaths(options);
    EditSession session(given.files, given.processes);
    // Whatever the run shows passes the secrets of the run first.
    GatedDialogs dialogs(given.dialogs, session);
    GatedOutput output(givenOutput, session);
    const ProgramServices services{dialogs, given.files, given.processes};
    session.ReadAhead(paths.settingsFile);
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
            const SecretSet secrets = session.Secrets();
            for (const QString& path : preview.changed) {
                const QByteArray name = QFile::encodeName(path);
                list += (secrets.HeldIn(QByteArrayView(name)) ? SecretSet::HeldBackLine().toUtf8()
                                                              : name) +
                        '\n';
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
