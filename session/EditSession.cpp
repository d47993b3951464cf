#include "session/EditSession.h"

#include "session/DryRunFileSystem.h"
#include "session/SaveDiff.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "settings/TemplateExport.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <new>
#include <utility>

namespace {

// The one place where running out of memory becomes a failure: `step` runs, and an allocation
// that fails on the way fails it with a message that names `path`, the file being worked on.
// Whatever the step had begun is undone as the exception passes (a file is replaced whole or not
// at all), so that the operation can end cleanly.
template <typename Step>
Status Guarded(const QString& path, Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return Status::OutOfMemory(path);
    }
}

// Starts nothing: a save that writes nothing has nothing for a command to act on.
class NoCommands final : public ProcessLauncher {
  public:
    Status CheckProgram(const QString&) override { return Status::Ok(); }
    Status StartDetached(const QString&) override { return Status::Ok(); }
    Status RunAndWait(const QString&, std::chrono::seconds, const std::function<bool()>&) override {
        return Status::Ok();
    }
};

// The failure of a waited command as the launcher words it (ProcessLauncher::Failed), without
// the lines of its standard error when any of `passwords` occurs in them: a command may print a
// password, and no message may show one. All of them are held back, which says nothing about
// which line held it; the rest of the message comes from the configuration.
QString WithoutPasswords(const QString& failure, const QStringList& passwords) {
    const QString heading = QCoreApplication::translate(
        "ProcessLauncher", "\nThe last lines it wrote to standard error:\n");
    const qsizetype at = failure.indexOf(heading);
    if (at < 0) {
        return failure;
    }
    const QString lines = failure.mid(at + heading.size());
    if (std::none_of(passwords.cbegin(), passwords.cend(),
                     [&lines](const QString& password) { return lines.contains(password); })) {
        return failure;
    }
    const int count = int(lines.count(u'\n') + 1);
    return failure.left(at) + u'\n' +
           QCoreApplication::translate("EditSession",
                                       "The last %n line(s) it wrote to standard error are held "
                                       "back: the value of a password occurs in them.",
                                       nullptr, count);
}

// Starts a before or after command, if the configuration has one, or runs it to its end when its
// element says wait="true". `notStarted` or `failed` heads the message of a failure, from which
// the lines of standard error that hold any of `passwords` are held back.
Status RunCommand(ProcessLauncher& processes, const std::optional<QString>& commandLine,
                  const std::optional<CommandWait>& wait, const QString& notStarted,
                  const QString& failed, const QStringList& passwords) {
    if (!commandLine) {
        return Status::Ok();
    }
    if (wait) {
        const Status ran = processes.RunAndWait(*commandLine, wait->timeout, {});
        return ran.ok()
                   ? ran
                   : Status::Error(failed + u'\n' + WithoutPasswords(ran.message(), passwords));
    }
    Status started = processes.StartDetached(*commandLine);
    return started.ok() ? started : Status::Error(notStarted + u'\n' + started.message());
}

// The paths that a save may read or write again after writing them: every template (the output
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

SaveResult Refused(const Status& why) {
    SaveResult result;
    result.outcome = SaveResult::Outcome::Refused;
    result.refusal = why;
    return result;
}

SaveResult Ended(SaveResult::Outcome outcome) {
    SaveResult result;
    result.outcome = outcome;
    return result;
}

}  // namespace

EditSession::EditSession(FileSystem& files, ProcessLauncher& processes)
    : mFiles(files), mProcesses(processes) {}

Status EditSession::LoadConfiguration(const QString& path, const QString& baseDir) {
    Configuration config;
    Status trust = Status::Ok();
    const Status loaded =
        Guarded(path, [&] { return LoadConfigurationFile(mFiles, path, &config, &trust); });
    mConfigTrust = trust;
    mConfig = loaded.ok() ? std::move(config) : Configuration();
    mBaseDir = loaded.ok() ? baseDir : QString();
    mValues = VariableValues(mConfig);
    TakeAsSaved();
    return loaded;
}

Status EditSession::Load(const QString& path, Unlisted unlisted) {
    return Guarded(path, [&] {
        SettingsDocument settings;
        if (Status loaded = settings.Load(mFiles, path); !loaded.ok()) {
            return loaded;
        }
        mSettingsFile = path;
        mVersion = settings.Version();
        mFileMissing = false;
        TakeValues(settings, unlisted);
        mLoadedDocument = std::move(settings);
        return Status::Ok();
    });
}

void EditSession::StartNew(const QString& path) {
    mLoadedDocument = SettingsDocument();
    mSettingsFile = path;
    mVersion = SettingsVersion();
    mFileMissing = true;
    mLoadWarnings.clear();
}

void EditSession::TakeValues(const SettingsDocument& settings, Unlisted unlisted) {
    if (unlisted == Unlisted::Reset) {
        mValues = VariableValues(mConfig);
    } else {
        for (const ConfigGroup& group : mConfig.Groups()) {
            for (const ConfigItem& item : group.items) {
                if (item.rules.defaultValue) {
                    mValues.Set(item.id, *item.rules.defaultValue);
                }
            }
        }
    }
    PutSettingsInto(settings, mConfig, &mValues);
    TakeAsSaved();
    // A query of the root's entries that fails leaves no warnings: the values are taken all the
    // same.
    mLoadWarnings.clear();
    settings.RepeatedVariables(&mLoadWarnings);
}

void EditSession::TakeAsSaved() {
    mSaved = mValues;
    mEditedCount = 0;
}

bool EditSession::SetValue(const QString& id, const QString& value) {
    const bool wasEdited = IsEdited(id);
    if (!mValues.Set(id, value)) {
        return false;
    }
    mEditedCount += int(IsEdited(id)) - int(wasEdited);
    return true;
}

bool EditSession::IsEdited(const QString& id) const {
    const QString* value = mValues.Find(id);
    const QString* saved = mSaved.Find(id);
    return value != nullptr && saved != nullptr && *value != *saved;
}

std::optional<QString> EditSession::DefaultOf(const QString& id) const {
    const ConfigItem* item = mConfig.ItemFor(id);
    return item && item->id == id ? item->rules.defaultValue : std::nullopt;
}

bool EditSession::IsEnabled(const QString& id) const {
    return mConfig.DependentIds().isEmpty() ||
           !DisabledItems(mConfig, ExportedValues()).contains(id);
}

VariableValues EditSession::ExportedValues() const {
    VariableValues values = mValues;
    for (auto it = mRunValues.cbegin(); it != mRunValues.cend(); ++it) {
        values.Set(it.key(), it.value());
    }
    return values;
}

QStringList EditSession::PasswordTexts() const {
    QStringList texts;
    const VariableValues exported = ExportedValues();
    for (const ConfigGroup& group : mConfig.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (item.rules.kind != ValueKind::Password) {
                continue;
            }
            for (const VariableValues* values : {&mValues, &mSaved, &exported}) {
                const QString* value = values->Find(item.id);
                if (value == nullptr || value->isEmpty()) {
                    continue;
                }
                texts.append(*value);
                // A program prints a password of several lines line by line.
                if (value->contains(u'\n')) {
                    for (const QString& line : value->split(u'\n', Qt::SkipEmptyParts)) {
                        texts.append(line.endsWith(u'\r') ? line.chopped(1) : line);
                    }
                }
            }
        }
    }
    texts.removeAll(QString());
    texts.removeDuplicates();
    return texts;
}

std::vector<InvalidValue> EditSession::InvalidValues() const {
    return ::InvalidValues(mConfig, ExportedValues());
}

SaveResult EditSession::Checked() const {
    SaveResult result;
    result.invalid = InvalidValues();
    if (!result.invalid.empty()) {
        result.outcome = SaveResult::Outcome::Invalid;
    }
    return result;
}

SaveResult EditSession::Save(const SaveOptions& options) {
    const QString target = options.target.isEmpty() ? mSettingsFile : options.target;
    const bool ownFile = target == mSettingsFile;
    for (;;) {
        std::unique_ptr<UpdateLock> lock;
        if (Status locked = mFiles.LockForUpdate(target, options.wait, &lock); !locked.ok()) {
            return locked.IsCancelled() ? Ended(SaveResult::Outcome::Cancelled)
                                        : Refused(NotSaved(locked));
        }
        SettingsDocument settings;
        const QString source = ownFile || mFiles.Exists(target) ? target : mSettingsFile;
        bool ranOut = true;  // until LoadForSave returns
        const Status loaded = Guarded(source, [&] {
            const Status s =
                LoadForSave(mFiles, source, &settings, std::exchange(mLoadedDocument, {}));
            ranOut = false;
            return s;
        });
        if (!loaded.ok()) {
            return Refused(ranOut ? NotSaved(loaded) : loaded);
        }
        if (ownFile && settings.Version() != mVersion) {
            if (!options.changedOnDisk) {
                // Edits are saved over the file as it is now; without edits, the file's values
                // are this session's.
                if (mEditedCount == 0) {
                    TakeValues(settings, Unlisted::Reset);
                }
                mVersion = settings.Version();
            } else {
                lock.reset();
                switch (options.changedOnDisk(settings.Version().exists)) {
                    case ChangedOnDisk::SaveOver:
                        // Over the file as it was just seen; a change after that is asked about
                        // again.
                        mVersion = settings.Version();
                        continue;
                    case ChangedOnDisk::Reload:
                        if (Status loaded = Load(mSettingsFile, Unlisted::Reset); !loaded.ok()) {
                            return Refused(loaded);
                        }
                        return Ended(SaveResult::Outcome::Reloaded);
                    case ChangedOnDisk::Cancel:
                        return Ended(SaveResult::Outcome::Cancelled);
                }
            }
        }
        if (SaveResult checked = Checked(); !checked.Saved()) {
            return checked;
        }
        if (options.trialFirst) {
            SettingsDocument copy;
            if (Status parsed = copy.Parse(settings.Version().bytes, target);
                !parsed.ok() && settings.Version().exists) {
                return Refused(NotSaved(parsed));
            }
            SavePreview trial = PreviewOf(copy, target, {});
            if (!trial.result.Complete() || !trial.result.warnings.isEmpty()) {
                if (trial.result.Saved()) {
                    trial.result.outcome = SaveResult::Outcome::TrialRefused;
                }
                return trial.result;
            }
        }
        SettingsVersion written;
        SaveResult result = WriteAndExport(settings, target, mFiles, mProcesses, &written);
        if (result.Saved()) {
            mSettingsFile = target;
            mVersion = written;
            mFileMissing = false;
            TakeAsSaved();
        }
        return result;
    }
}

SavePreview EditSession::Preview(const DiffReport& diff) {
    SavePreview preview;
    preview.result = Checked();
    if (!preview.result.Saved()) {
        return preview;
    }
    SettingsDocument settings = LoadedDocument();
    return PreviewOf(settings, mSettingsFile, diff);
}

SettingsDocument EditSession::LoadedDocument() const {
    SettingsDocument settings;
    if (mVersion.exists) {
        // It parsed when it was loaded or saved, so it parses now.
        settings.Parse(mVersion.bytes, mSettingsFile);
    }
    return settings;
}

SavePreview EditSession::PreviewOf(SettingsDocument& settings, const QString& target,
                                   const DiffReport& diff) const {
    SavePreview preview;
    DryRunFileSystem dryRun(mFiles, PathsUsedAgain(mConfig, mBaseDir));
    std::optional<SaveDiff> shown;
    TemplateExport::SecretsReport secrets;
    if (diff) {
        shown.emplace(dryRun, mConfig, target, mBaseDir, diff);
        dryRun.ShowChanges(kMaxDiffBytes, [&shown](const QString& path, const QByteArray* after) {
            shown->Changed(path, after);
        });
        // Each output is made, and tells where its passwords are, before the dry run shows it.
        secrets = [&shown](const QString& output, const std::vector<ByteRange>& ranges) {
            shown->OutputMade(output, ranges);
        };
    }
    NoCommands none;
    preview.result = WriteAndExport(settings, target, dryRun, none, nullptr, secrets);
    preview.changed = dryRun.ChangedFiles();
    if (shown) {
        preview.unshown = shown->Unshown();
        preview.masked = shown->Masked();
    }
    return preview;
}

Status EditSession::CheckTrust(const QString& target, FileSystem& files) const {
    const bool startsOrReads =
        mConfig.BeforeCommand() || mConfig.AfterCommand() || !mConfig.Templates().empty();
    if (startsOrReads && !mConfigTrust.ok()) {
        return Status::Error(QCoreApplication::translate(
                                 "EditSession",
                                 "%1\nAnother user could have chosen what the configuration %2 "
                                 "holds, so none of its commands is started and none of its "
                                 "templates read. Nothing was saved.")
                                 .arg(mConfigTrust.message(), mConfig.FileName()));
    }
    // The program of a command is asked about before anything starts: an after command would
    // otherwise be refused only once everything is written. Here too only its path counts; a
    // program that is missing is its start's failure.
    for (const std::optional<QString>& command :
         {mConfig.BeforeCommand(), mConfig.AfterCommand()}) {
        if (!command) {
            continue;
        }
        if (const Status checked = mProcesses.CheckProgram(*command); checked.IsUntrusted()) {
            return Status::Error(QCoreApplication::translate(
                                     "EditSession",
                                     "%1\nAnother user could have chosen the program that the "
                                     "command %2 starts, so nothing was started. Nothing was "
                                     "saved.")
                                     .arg(checked.message(), *command));
        }
    }
    for (const TemplateEntry& entry : mConfig.Templates()) {
        // Only the path is asked about here: a template that is missing or cannot be read is a
        // problem of its own entry.
        const QString path = mBaseDir + entry.input;
        std::unique_ptr<ByteSource> text;
        if (const Status opened = Guarded(
                path, [&] { return files.OpenTrustedFile(path, kMaxTemplateBytes, &text); });
            opened.IsUntrusted()) {
            return Status::Error(QCoreApplication::translate(
                                     "EditSession",
                                     "%1\nAnother user could have chosen what the template %2 "
                                     "holds, so it is not read. Nothing was saved.")
                                     .arg(opened.message(), entry.input));
        }
    }
    // What the write of the settings file would refuse, it refuses before a command starts.
    if (Status writable = files.CheckWriteTarget(target); !writable.ok()) {
        return NotSaved(writable);
    }
    return Status::Ok();
}

SaveResult EditSession::WriteAndExport(SettingsDocument& settings, const QString& target,
                                       FileSystem& files, ProcessLauncher& processes,
                                       SettingsVersion* written,
                                       const TemplateExport::SecretsReport& secrets) const {
    if (Status trusted = CheckTrust(target, files); !trusted.ok()) {
        return Refused(trusted);
    }
    std::vector<VariableValue> exported;
    bool ranOut = true;  // until WriteSettings returns: its own failures say all they need
    const Status saved = Guarded(target, [&] {
        const Status s = WriteSettings(settings, target, files, processes, &exported, written);
        ranOut = false;
        return s;
    });
    if (!saved.ok()) {
        return Refused(ranOut ? NotSaved(saved) : saved);
    }
    // What the export needs of the document is in `exported` now; its memory goes back before
    // the templates are read, which for a large file halves the peak.
    settings = SettingsDocument();
    SaveResult result;
    result.warnings = UndeclaredVariables(mConfig, exported, target);
    ExportTemplates(exported, target, files, &result, secrets);
    // The after command starts once everything is written: it exists to act on the new files.
    if (Status after = RunCommand(
            processes, mConfig.AfterCommand(), mConfig.AfterWait(),
            QCoreApplication::translate("SettingsWriter",
                                        "The after command could not be started."),
            QCoreApplication::translate("SettingsWriter", "The after command did not succeed."),
            PasswordTexts());
        !after.ok()) {
        result.problems.append(after.message());
    }
    return result;
}

Status EditSession::WriteSettings(SettingsDocument& settings, const QString& target,
                                  FileSystem& files, ProcessLauncher& processes,
                                  std::vector<VariableValue>* exported,
                                  SettingsVersion* written) const {
    QByteArray bytes;
    Status s = PlaceValues(mConfig, mValues, &settings, target, &bytes);
    if (s.ok()) {
        s = mRunValues.isEmpty()
                ? ExportSubstitutions(mConfig, settings, exported)
                : RunValuesExported(mConfig, ExportedValues(), bytes, target, exported);
    }
    if (s.ok()) {
        s = RunCommand(
            processes, mConfig.BeforeCommand(), mConfig.BeforeWait(),
            QCoreApplication::translate(
                "SettingsWriter", "The before command could not be started, so nothing was saved."),
            QCoreApplication::translate(
                "SettingsWriter", "The before command did not succeed, so nothing was saved."),
            PasswordTexts());
    }
    if (s.ok()) {
        const NewFileAccess access = PasswordValues(mConfig, *exported).empty()
                                         ? NewFileAccess::Default
                                         : NewFileAccess::OwnerOnly;
        s = files.WriteFile(target, bytes, access);
        s = s.ok() ? s : NotSaved(s);
    }
    if (s.ok() && written != nullptr) {
        written->exists = true;
        written->bytes = bytes;
        files.Identify(target, &written->identity);
    }
    return s;
}

void EditSession::ExportTemplates(const std::vector<VariableValue>& exported, const QString& target,
                                  FileSystem& files, SaveResult* result,
                                  const TemplateExport::SecretsReport& secrets) const {
    if (mConfig.Templates().empty()) {
        return;
    }
    QString problem;
    std::optional<TemplateExport> templates;
    if (Status prepared = Guarded(target,
                                  [&] {
                                      templates.emplace(mConfig, exported, target, mBaseDir, files,
                                                        secrets);
                                      return Status::Ok();
                                  });
        !prepared.ok()) {
        result->problems.append(prepared.message());
        return;
    }
    for (const TemplateEntry& entry : mConfig.Templates()) {
        // Running out of memory fails this entry only: its output stays as it was.
        const Status exported = Guarded(mBaseDir + entry.input, [&] {
            problem = templates->Export(entry, &result->warnings);
            return Status::Ok();
        });
        if (!exported.ok()) {
            problem = TemplateExport::NotWritten(entry, exported);
        }
        if (!problem.isEmpty()) {
            result->problems.append(problem);
        }
    }
}
