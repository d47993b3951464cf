#include "session/EditSession.h"

#include "session/DryRunFileSystem.h"
#include "session/SaveDiff.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"
#include "settings/TemplateExport.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <memory>
#include <new>
#include <system_error>
#include <tuple>
#include <utility>

namespace {

// The one place where running out of memory becomes a failure, once for each public operation
// of the session: `step` runs, and when an allocation fails on the way, `ranOut` gives the
// operation's result from a failure that names `file` as it is then, the file being worked on.
// Whatever the step had begun is undone as the exception passes (a file is replaced whole or not
// at all), so that the operation can end cleanly.
template <typename Step, typename RanOut>
auto Guarded(const QString& file, Step&& step, RanOut&& ranOut) -> decltype(step()) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return ranOut(Status::OutOfMemory(file));
    }
}
// The same for an operation whose result is the failure itself.
template <typename Step>
Status Guarded(const QString& file, Step&& step) {
    return Guarded(file, step, [](const Status& ranOut) { return ranOut; });
}

// Starts nothing: a save that writes nothing has nothing for a command to act on.
class NoCommands final : public ProcessLauncher {
  public:
    Status CheckProgram(const QString&) override { return Status::Ok(); }
    Status StartDetached(const QString&) override { return Status::Ok(); }
    Status RunAndWait(const QString&, std::chrono::seconds, const std::function<bool()>&,
                      const SecretSet&) override {
        return Status::Ok();
    }
};

// Starts a before or after command, if the configuration has one, or runs it to its end when its
// element says wait="true". `notStarted` or `failed` heads the message of a failure, from which
// the lines of standard error that hold any of `secrets` are held back.
Status RunCommand(ProcessLauncher& processes, const std::optional<QString>& commandLine,
                  const std::optional<CommandWait>& wait, const QString& notStarted,
                  const QString& failed, const SecretSet& secrets) {
    if (!commandLine) {
        return Status::Ok();
    }
    if (wait) {
        const Status ran = processes.RunAndWait(*commandLine, wait->timeout, {}, secrets);
        return ran.ok() ? ran : Status::Error(failed + u'\n' + ran.message());
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

// Whether `values` give a password item of `config` a value, which the settings file then holds.
bool HoldsPassword(const VariableValues& values) {
    const ItemIds& items = values.Ids();
    for (int item = 0; item < items.Count(); ++item) {
        if (items.Kind(item) == ValueKind::Password && !values.At(item).isEmpty()) {
            return true;
        }
    }
    return false;
}

SaveResult Refused(const Status& why) {
    SaveResult result;
    result.outcome = SaveResult::Outcome::Refused;
    result.refusal = why;
    return result;
}

// `result` with every line of its texts that holds any of `secrets` held back.
SaveResult Withheld(SaveResult result, const SecretSet& secrets) {
    if (secrets.IsEmpty()) {
        return result;
    }
    result.refusal = result.refusal.Reworded(secrets.Withheld(result.refusal.message()));
    result.problems = secrets.Withheld(result.problems);
    result.warnings = secrets.Withheld(result.warnings);
    return result;
}

SaveResult Ended(SaveResult::Outcome outcome) {
    SaveResult result;
    result.outcome = outcome;
    return result;
}

// Whether `a` and `b` name the same file: by the same spelling, or as the same file on `files`
// reached another way (a symlink, "./", another hard link).
bool SameFile(FileSystem& files, const QString& a, const QString& b) {
    FileIdentity first;
    FileIdentity second;
    return a == b || (files.Identify(a, &first).ok() && files.Identify(b, &second).ok() &&
                      first.SameFile(second));
}

// A save, or its preview, that ran out of memory: refused while the settings file is not yet
// written; after that the save stands with what it wrote, and the failure is its last problem.
SaveResult RanOut(const Status& ranOut, bool written, SaveResult* result) {
    if (!written) {
        return Refused(NotSaved(ranOut));
    }
    result->problems.append(ranOut.message());
    return *result;
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
    mNamed.clear();
    mDisabled.clear();
    UpdateDisabled(QString());
    emit AllChanged();
    return loaded;
}

void EditSession::ReadAhead(const QString& path) {
    mAhead.reset();
    auto settings = std::make_shared<SettingsDocument>();
    Status read = Guarded(path, [&] { return settings->Read(mFiles, path); });
    const auto parse = [settings, read] {
        Status parsed = read.ok() ? settings->ParseRead() : read;
        return std::pair{std::move(parsed), std::move(*settings)};
    };
    // Where no thread can be started, the parse waits for Load. (A failed start may have taken
    // what it was given, so each attempt is given a copy.)
    std::future<std::pair<Status, SettingsDocument>> parsed;
    try {
        parsed = std::async(std::launch::async, parse);
    } catch (const std::system_error&) {
        parsed = std::async(std::launch::deferred, parse);
    }
    mAhead = Ahead{path, std::move(parsed)};
}

Status EditSession::Load(const QString& path, Unlisted unlisted) {
    std::optional<Ahead> ahead = std::exchange(mAhead, std::nullopt);
    return Guarded(path, [&] {
        SettingsDocument settings;
        Status loaded = Status::Ok();
        if (ahead && ahead->path == path) {
            std::tie(loaded, settings) = ahead->parsed.get();
        } else {
            loaded = settings.Load(mFiles, path);
        }
        if (!loaded.ok()) {
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

QStringList EditSession::KeptValues() const {
    QStringList kept;
    if (mKept.isEmpty()) {
        return kept;
    }
    for (const ConfigGroup& group : mConfig.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (const QString id = item.id.toString(); mKept.contains(id) && IsEdited(id)) {
                kept.append(id);
            }
        }
    }
    return kept;
}

Status EditSession::UsedByConfiguration(const QString& path) const {
    FileIdentity settings;
    if (!mFiles.Identify(path, &settings).ok()) {
        return Status::Ok();
    }
    const auto refuse = [&path](const QString& what) {
        return Status::Error(
            QCoreApplication::translate("EditSession",
                                        "%1 is %2, not a settings file: it is not opened, "
                                        "and no settings are saved into it.")
                .arg(path, what));
    };
    const auto same = [&](const QString& other) {
        FileIdentity identity;
        return !other.isEmpty() && mFiles.Identify(other, &identity).ok() &&
               identity.SameFile(settings);
    };
    if (same(mConfig.FileName())) {
        return refuse(QCoreApplication::translate("EditSession", "the configuration %1")
                          .arg(mConfig.FileName()));
    }
    for (const TemplateEntry& entry : mConfig.Templates()) {
        if (same(mBaseDir + entry.input)) {
            return refuse(QCoreApplication::translate("EditSession", "the template %1 of %2")
                              .arg(entry.input, mConfig.FileName()));
        }
        if (same(mBaseDir + entry.output)) {
            return refuse(QCoreApplication::translate("EditSession", "the output %1 of %2")
                              .arg(entry.output, mConfig.FileName()));
        }
    }
    return Status::Ok();
}

void EditSession::StartNew(const QString& path) {
    mLoadedDocument = SettingsDocument();
    mSettingsFile = path;
    mVersion = SettingsVersion();
    mFileMissing = true;
    mLoadWarnings.clear();
    emit AllChanged();
}

void EditSession::TakeValues(const SettingsDocument& settings, Unlisted unlisted) {
    const VariableValues before = mValues;
    // What the file holds, and for the items it does not list, their defaults or nothing.
    mValues = VariableValues(mConfig);
    PutSettingsInto(settings, mConfig, &mValues);
    TakeAsSaved();
    mKept.clear();
    if (unlisted == Unlisted::Keep) {
        // An item without a default keeps the value it had, where the file does not list it: an
        // edit of the new file. Only a value that is not empty can be kept, so the file's entries
        // are looked at only when there is one (not at the start). The values before are of the
        // same configuration: the items have the same numbers.
        const ItemIds& items = mValues.Ids();
        std::vector<int> candidates;
        int number = 0;
        for (const ConfigGroup& group : mConfig.Groups()) {
            for (const ConfigItem& item : group.items) {
                const QStringView had = before.At(number);
                if (!item.rules.defaultValue && !had.isEmpty() && had != mValues.At(number)) {
                    candidates.push_back(number);
                }
                ++number;
            }
        }
        std::vector<bool> listed;
        if (!candidates.empty()) {
            listed.assign(std::size_t(items.Count()), false);
            for (const SettingsDocument::LoadedValue& loaded :
                 settings.LoadedValues(mConfig, items)) {
                listed[std::size_t(loaded.item)] = true;
            }
        }
        for (const int item : candidates) {
            if (!listed[std::size_t(item)]) {
                mValues.SetAt(item, before.At(item));
                mKept.insert(items.Id(item).toString());
                ++mEditedCount;
            }
        }
    }
    mLoadWarnings.clear();
    settings.RepeatedVariables(&mLoadWarnings);
    UpdateDisabled(QString());
    emit AllChanged();
}

void EditSession::TakeAsSaved() {
    mSaved = mValues;
    mEditedCount = 0;
    mKept.clear();
}

void EditSession::UpdateDisabled(const QString& except) {
    if (mConfig.DependentIds().isEmpty()) {
        return;
    }
    if (mNamed.isEmpty()) {
        for (const QString& id : mConfig.DependentIds()) {
            for (const ValueRules::Dependency& dependency : mConfig.ItemFor(id)->rules.depends) {
                mNamed.insert(mConfig.ItemFor(dependency.id)->id.toString());
            }
        }
    }
    std::vector<bool> disabled = DisabledItems(mConfig, ExportedValues());
    if (disabled == mDisabled) {
        return;
    }
    std::swap(disabled, mDisabled);
    const ItemIds& items = mValues.Ids();
    for (int item = 0; item < items.Count(); ++item) {
        if (IsDisabled(disabled, item) != IsDisabled(mDisabled, item) && items.Id(item) != except) {
            emit ItemChanged(items.Id(item).toString());
        }
    }
}

bool EditSession::SetValue(const QString& id, const QString& value) {
    const std::optional<QStringView> now = mValues.Find(id);
    if (!now) {
        return false;
    }
    if (*now == value) {
        return true;
    }
    const bool wasEdited = IsEdited(id);
    mValues.Set(id, value);
    mEditedCount += int(IsEdited(id)) - int(wasEdited);
    if (mNamed.contains(id)) {
        UpdateDisabled(id);
    }
    emit ItemChanged(id);
    return true;
}

bool EditSession::SetText(const QString& id, const QString& text) {
    const std::optional<QString> byDefault = text.isEmpty() ? DefaultOf(id) : std::nullopt;
    return SetValue(id, byDefault.value_or(text));
}

ItemState EditSession::State(QStringView id) const {
    ItemState state;
    const ConfigItem* item = mConfig.ItemFor(id);
    const std::optional<QStringView> value = mValues.Find(id);
    if (item == nullptr || !value) {
        return state;
    }
    state.value = value->toString();
    const QStringView saved = *mSaved.Find(id);
    state.saved = saved == *value ? state.value : saved.toString();  // mostly the same
    state.defaultValue = item->rules.defaultValue;
    state.enabled = IsEnabled(id);
    if (!state.enabled) {
        state.enabledWhen =
            mConfig.EnabledWhen(*item).join(QCoreApplication::translate("EditSession", " and "));
    } else {
        state.problem = item->rules.Problem(*value);
    }
    state.edited = state.value != state.saved;
    state.notDefault = state.value != state.defaultValue.value_or(QString());
    state.kept = state.edited && mKept.contains(id.toString());
    return state;
}

bool EditSession::IsNotDefault(QStringView id) const {
    const std::optional<QStringView> value = mValues.Find(id);
    return value && *value != DefaultOf(id).value_or(QString());
}

std::vector<ValueChange> EditSession::ResetAll(ResetTo to) {
    std::vector<ValueChange> changes;
    for (const ConfigGroup& group : mConfig.Groups()) {
        for (const ConfigItem& item : group.items) {
            const QStringView value = *mValues.Find(item.id);
            const std::optional<QStringView> wanted =
                to == ResetTo::Saved      ? mSaved.Find(item.id)
                : item.rules.defaultValue ? std::optional<QStringView>(*item.rules.defaultValue)
                                          : std::nullopt;
            if (wanted && *wanted != value) {
                changes.push_back({item.id.toString(), value.toString(), wanted->toString()});
            }
        }
    }
    if (changes.empty()) {
        return changes;
    }
    {
        // One report for all of them.
        const QSignalBlocker quiet(this);
        for (const ValueChange& change : changes) {
            SetValue(change.id, change.after);
        }
    }
    emit AllChanged();
    return changes;
}

bool EditSession::IsEdited(QStringView id) const {
    const std::optional<QStringView> value = mValues.Find(id);
    const std::optional<QStringView> saved = mSaved.Find(id);
    return value && saved && *value != *saved;
}

std::optional<QString> EditSession::DefaultOf(QStringView id) const {
    const ConfigItem* item = mConfig.ItemFor(id);
    return item && item->id == id ? item->rules.defaultValue : std::nullopt;
}

bool EditSession::IsEnabled(QStringView id) const {
    return !IsDisabled(mDisabled, mValues.Ids().IndexOf(id));
}

void EditSession::SetRunValues(QHash<QString, QString> values) {
    mRunValues = std::move(values);
    UpdateDisabled(QString());
}

VariableValues EditSession::ExportedValues() const {
    VariableValues values = mValues;
    for (auto it = mRunValues.cbegin(); it != mRunValues.cend(); ++it) {
        values.Set(it.key(), it.value());
    }
    return values;
}

SecretSet EditSession::Secrets() const {
    QStringList values;
    // Asked several times a save: the run's values are put together only where there is a
    // password to take from them.
    std::optional<VariableValues> exported;
    for (const ConfigGroup& group : mConfig.Groups()) {
        for (const ConfigItem& item : group.items) {
            if (item.rules.kind != ValueKind::Password) {
                continue;
            }
            if (!exported) {
                exported = ExportedValues();
            }
            for (const VariableValues* known : {&mValues, &mSaved, &std::as_const(*exported)}) {
                if (const std::optional<QStringView> value = known->Find(item.id)) {
                    values.append(value->toString());
                }
            }
        }
    }
    return SecretSet(values);
}

std::vector<InvalidValue> EditSession::InvalidValues() const {
    std::vector<InvalidValue> invalid = ::InvalidValues(mConfig, ExportedValues());
    if (!invalid.empty()) {
        const SecretSet secrets = Secrets();
        for (InvalidValue& value : invalid) {
            value.reason = secrets.Withheld(value.reason);
        }
    }
    return invalid;
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
    // Taken before the save: the values it replaces are secrets of its messages too.
    const SecretSet secrets = Secrets();
    return Withheld(SaveOnce(options), secrets);
}

SaveResult EditSession::SaveOnce(const SaveOptions& options) {
    const QString target = options.target.isEmpty() ? mSettingsFile : options.target;
    SettingsVersion written;  // the settings file's, once written
    SaveResult result;        // as far as the save has come
    mWorkingOn = target;
    result = Guarded(
        mWorkingOn, [&] { return SaveUnguarded(options, target, &written, &result); },
        [&](const Status& ranOut) { return RanOut(ranOut, written.exists, &result); });
    if (result.Saved() && written.exists) {
        mSettingsFile = target;
        mVersion = written;
        mFileMissing = false;
        TakeAsSaved();
        emit AllChanged();
    }
    return result;
}

SaveResult EditSession::SaveUnguarded(const SaveOptions& options, const QString& target,
                                      SettingsVersion* written, SaveResult* result) {
    const bool ownFile = SameFile(mFiles, target, mSettingsFile);
    if (!ownFile) {
        if (Status used = UsedByConfiguration(target); !used.ok()) {
            return Refused(used);
        }
    }
    if (options.strict && !(mConfig.Warnings().isEmpty() && mLoadWarnings.isEmpty())) {
        // A save that follows a misspelt declaration is not the save its author meant. A value
        // that breaks its rules is told as it is without /strict.
        SaveResult refused = Checked();
        if (refused.Saved()) {
            refused.outcome = SaveResult::Outcome::TrialRefused;
        }
        return refused;
    }
    for (;;) {
        std::unique_ptr<UpdateLock> lock;
        if (Status locked = mFiles.LockForUpdate(target, options.wait, &lock); !locked.ok()) {
            return locked.IsCancelled() ? Ended(SaveResult::Outcome::Cancelled)
                                        : Refused(NotSaved(locked));
        }
        SettingsDocument settings;
        const QString source = ownFile || mFiles.Exists(target) ? target : mSettingsFile;
        mWorkingOn = source;
        if (const Status loaded =
                LoadForSave(mFiles, source, &settings, std::exchange(mLoadedDocument, {}));
            !loaded.ok()) {
            return Refused(loaded);
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
        if (options.strict) {
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
        WriteAndExport(settings, target, mFiles, mProcesses, written, result);
        return *result;
    }
}

SavePreview EditSession::Preview(const DiffReport& diff, WhenInvalid whenInvalid) {
    SavePreview preview;
    preview.result = Checked();
    if (!preview.result.Saved() && whenInvalid == WhenInvalid::Refuse) {
        return preview;
    }
    std::vector<InvalidValue> invalid = std::move(preview.result.invalid);
    mWorkingOn = mSettingsFile;
    preview = Guarded(
        mWorkingOn,
        [&] {
            // What Save would write into: the file as it is now, or, where that cannot be read,
            // as it was loaded or last saved here.
            SettingsDocument settings;
            if (!LoadForSave(mFiles, mSettingsFile, &settings, SettingsDocument()).ok()) {
                settings = SettingsDocument();
                if (Status parsed = LoadedDocument(&settings); !parsed.ok()) {
                    preview.result = Refused(NotSaved(parsed));
                    return preview;
                }
            }
            return PreviewOf(settings, mSettingsFile, diff);
        },
        [&](const Status& ranOut) {
            // What the preview found stays unknown: it tells only the failure.
            preview.result = Refused(NotSaved(ranOut));
            return preview;
        });
    preview.result.invalid = std::move(invalid);
    const SecretSet secrets = Secrets();
    preview.result = Withheld(std::move(preview.result), secrets);
    preview.unshown = secrets.Withheld(preview.unshown);
    return preview;
}

Status EditSession::LoadedDocument(SettingsDocument* settings) const {
    // It parsed when it was loaded or saved, so only a lack of memory can fail it now.
    return mVersion.exists ? settings->Parse(mVersion.bytes, mSettingsFile) : Status::Ok();
}

QStringList EditSession::EmptyValueWarnings(const std::vector<VariableValue>& exported) const {
    QStringList warnings;
    if (mConfig.Templates().empty()) {
        return warnings;
    }
    const ItemIds& items = mValues.Ids();
    std::vector<bool> told(std::size_t(items.Count()), false);
    for (const VariableValue& substitution : exported) {
        if (!substitution.value.isEmpty()) {
            continue;
        }
        const int number = items.AddressedBy(substitution.id);
        if (number < 0 || told[std::size_t(number)] || IsDisabled(mDisabled, number)) {
            continue;
        }
        const char* what = nullptr;
        switch (items.Kind(number)) {
            case ValueKind::Number:
                what = QT_TRANSLATE_NOOP("EditSession",
                                         "%1 (%2) is empty: the outputs get an empty number "
                                         "where they use it");
                break;
            case ValueKind::Choice:
                what = QT_TRANSLATE_NOOP("EditSession",
                                         "%1 (%2) is empty: the outputs get an empty choice "
                                         "where they use it");
                break;
            case ValueKind::File:
            case ValueKind::Folder:
                what = QT_TRANSLATE_NOOP("EditSession",
                                         "%1 (%2) is empty: the outputs get an empty path "
                                         "where they use it");
                break;
            default:
                break;
        }
        if (what) {
            told[std::size_t(number)] = true;
            const ConfigItem& item = mConfig.Item(number);
            warnings.append(
                QCoreApplication::translate("EditSession", what).arg(item.label, item.id));
        }
    }
    return warnings;
}

SavePreview EditSession::PreviewOf(SettingsDocument& settings, const QString& target,
                                   const DiffReport& diff) const {
    SavePreview preview;
    DryRunFileSystem dryRun(mFiles, PathsUsedAgain(mConfig, mBaseDir));
    std::optional<SaveDiff> shown;
    TemplateExport::SecretsReport secrets;
    if (diff) {
        shown.emplace(dryRun, mConfig, target, mBaseDir, Secrets(), diff);
        dryRun.ShowChanges(kMaxDiffBytes, [&shown](const QString& path, const QByteArray* after) {
            shown->Changed(path, after);
        });
        // Each output is made, and tells where its passwords are, before the dry run shows it.
        secrets = [&shown](const QString& output, const std::vector<ByteRange>& ranges) {
            shown->OutputMade(output, ranges);
        };
    }
    NoCommands none;
    WriteAndExport(settings, target, dryRun, none, nullptr, &preview.result, secrets);
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
        mWorkingOn = path;
        if (const Status opened = files.OpenTrustedFile(path, kMaxTemplateBytes, &text);
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

void EditSession::WriteAndExport(SettingsDocument& settings, const QString& target,
                                 FileSystem& files, ProcessLauncher& processes,
                                 SettingsVersion* written, SaveResult* result,
                                 const TemplateExport::SecretsReport& secrets) const {
    if (Status trusted = CheckTrust(target, files); !trusted.ok()) {
        *result = Refused(trusted);
        return;
    }
    ExportList exported;
    mWorkingOn = target;
    if (Status saved = WriteSettings(settings, target, files, processes, &exported, written);
        !saved.ok()) {
        *result = Refused(saved);
        return;
    }
    // What the export needs of the document is in `exported` now; its memory goes back before
    // the templates are read, which for a large file halves the peak.
    settings = SettingsDocument();
    result->warnings = UndeclaredVariables(mValues.Ids(), exported.values, target) +
                       EmptyValueWarnings(exported.values);
    if (HoldsPassword(mValues)) {
        if (const QString readable = ReadableSecretWarning(files, target); !readable.isEmpty()) {
            result->warnings.append(readable);
        }
    }
    ExportTemplates(std::move(exported), target, files, result, secrets);
    // The after command starts once everything is written: it exists to act on the new files.
    if (Status after = RunCommand(
            processes, mConfig.AfterCommand(), mConfig.AfterWait(),
            QCoreApplication::translate("SettingsWriter",
                                        "The after command could not be started."),
            QCoreApplication::translate("SettingsWriter", "The after command did not succeed."),
            Secrets());
        !after.ok()) {
        result->problems.append(after.message());
    } else {
        result->afterStarted = mConfig.AfterCommand().has_value();
    }
}

Status EditSession::WriteSettings(SettingsDocument& settings, const QString& target,
                                  FileSystem& files, ProcessLauncher& processes,
                                  ExportList* exported, SettingsVersion* written) const {
    QByteArray bytes;
    Status s = PlaceValues(mConfig, mValues, &settings, target, &bytes);
    if (s.ok()) {
        s = mRunValues.isEmpty()
                ? ExportSubstitutions(mConfig, settings, mValues, exported)
                : RunValuesExported(mConfig, ExportedValues(), bytes, target, exported);
    }
    if (s.ok()) {
        s = RunCommand(
            processes, mConfig.BeforeCommand(), mConfig.BeforeWait(),
            QCoreApplication::translate(
                "SettingsWriter", "The before command could not be started, so nothing was saved."),
            QCoreApplication::translate(
                "SettingsWriter", "The before command did not succeed, so nothing was saved."),
            Secrets());
    }
    if (s.ok()) {
        const NewFileAccess access = PasswordValues(mConfig, exported->values).empty()
                                         ? NewFileAccess::Default
                                         : NewFileAccess::OwnerOnly;
        s = files.WriteFile(target, bytes, access);
        s = s.ok() ? s : NotSaved(s);
    }
    if (s.ok() && written != nullptr) {
        written->exists = true;
        written->bytes = bytes;
        // A file written but not identified counts as changed by another program at the next
        // save, which then asks before writing over it.
        if (!files.Identify(target, &written->identity).ok()) {
            written->identity = FileIdentity();
        }
    }
    return s;
}

void EditSession::ExportTemplates(ExportList exported, const QString& target, FileSystem& files,
                                  SaveResult* result,
                                  const TemplateExport::SecretsReport& secrets) const {
    if (mConfig.Templates().empty()) {
        return;
    }
    mWorkingOn = target;
    const TemplateExport templates(mConfig, std::move(exported.values), target, mBaseDir, files,
                                   secrets);
    for (const TemplateEntry& entry : mConfig.Templates()) {
        mWorkingOn = mBaseDir + entry.input;
        if (const QString problem = templates.Export(entry, &result->warnings);
            !problem.isEmpty()) {
            result->problems.append(problem);
        } else {
            ++result->exported;
        }
    }
}
