#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/SecretSet.h"
#include "platform/Status.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/TemplateExport.h"
#include "settings/VariableValues.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <future>
#include <optional>
#include <vector>

// What a save did, or what it would do.
struct SaveResult {
    enum class Outcome {
        Saved,         // the settings file was written; `problems` holds what went wrong after
        Refused,       // nothing was written or started; `refusal` says why
        Invalid,       // nothing was written or started: `invalid` lists the values at fault
        TrialRefused,  // the trial run warned or had a problem: nothing was written or started
        Cancelled,     // stopped by the user: nothing was written, the values are as they were
        Reloaded,      // the user took the settings file as another program left it: the
                       // session's values are now that file's, and nothing was written
    };
    Outcome outcome = Outcome::Saved;
    Status refusal = Status::Ok();
    std::vector<InvalidValue> invalid;
    // In order, what went wrong after the settings file was written (or, for TrialRefused, in the
    // trial): templates that could not be read, outputs that could not be written, an after
    // command that did not start or did not succeed.
    QStringList problems;
    // What a careful user may want to know about a save that went through: a variable of the
    // settings file that no item of the configuration declares, and $(NAME) tokens that no value
    // replaced in an output (TemplateExport::Export).
    QStringList warnings;

    // How many outputs were written whole, and whether an after command was started (or, when
    // the configuration waits for it, ran to its end); for the note that says what a save did.
    int exported = 0;
    bool afterStarted = false;

    bool Saved() const { return outcome == Outcome::Saved; }
    bool Complete() const { return Saved() && problems.isEmpty(); }
};

// What a save would do, found by doing it on a file system that writes nothing.
struct SavePreview {
    SaveResult result;    // as the save's would be
    QStringList changed;  // the files whose bytes would change, in the order the save writes them
    QStringList unshown;  // with a diff: each change that the diff cannot carry, and why
    bool masked = false;  // with a diff: it shows a password as ********
};

// What the session knows of one item's value: everything a window shows of it, worked out in one
// place.
struct ItemState {
    QString value;
    QString saved;                        // as loaded or last saved
    std::optional<QString> defaultValue;  // as the item declares it
    bool enabled = true;
    // While not enabled: what would enable it, in words ("Enable HTTPS is on").
    QString enabledWhen;
    std::optional<QString> problem;  // why the value breaks its rules; never while disabled
    bool edited = false;             // the value is not the saved one
    // The value is not the default (for an item that declares none: not empty).
    bool notDefault = false;
    // Carried over from the file open before: the file opened last does not list the item.
    bool kept = false;
};

// A value that ResetAll changed.
struct ValueChange {
    QString id;
    QString before;
    QString after;
};

// The editing of one settings file against one configuration, the same for the window and for
// every run without one. It owns the configuration, the value of every item by its variable id,
// the version of the settings file as it was loaded or last saved here, and which values differ
// from it; and it is the one place that saves:
//
//   lock -> load -> changed on disk? -> check -> write settings -> commands -> export
//
// It shows nothing: what goes wrong comes back as a Status or in a SaveResult, and the window or
// the console decides how the user learns of it. Running out of memory is a failure like any
// other, named after the file being worked on, and ends the operation there without leaving a
// file half done: the file being written stays as it was, what was written before stays, and
// nothing after it is written or started (a save that wrote the settings file stands, with the
// failure as its last problem).
//
// It tells whoever shows the values of every change of an item's state: ItemChanged for one item
// (and each item whose depends it turns on or off), AllChanged when a load, a save or a reset
// changed many at once.
class EditSession : public QObject {
    Q_OBJECT
  public:
    // `files` and `processes` must outlive the session.
    EditSession(FileSystem& files, ProcessLauncher& processes);

    // Reads and checks the configuration at `path` (LoadConfigurationFile); template paths are
    // taken relative to `baseDir`, which is put in front of them as it is. Every item starts with
    // its default value, or empty, as saved. On failure the session is empty.
    Status LoadConfiguration(const QString& path, const QString& baseDir);
    const Configuration& Config() const { return mConfig; }
    const QString& BaseDir() const { return mBaseDir; }

    // What an item without a default keeps when a loaded settings file does not list it.
    enum class Unlisted {
        Keep,   // the value it has
        Reset,  // empty
    };
    // Reads the settings file at `path` and makes it the session's file, as it is now: each item
    // takes the value of the first element of an id that addresses it (Configuration::ItemFor);
    // entries of ids the configuration does not declare are skipped. An item that the file does
    // not list takes its default, the value of every variable the file does not hold, or, when
    // it declares none, what `unlisted` says. The values of the file (empty for an item it does
    // not list) become the saved ones, so that a value kept is an edit that a save stores, and
    // KeptValues names it. On failure nothing changes, and the message names the path.
    Status Load(const QString& path, Unlisted unlisted = Unlisted::Keep);
    // Reads the settings file at `path` now and parses it on another thread, for the Load of
    // `path` that follows: a large file is then parsed while the configuration loads. That Load
    // gives what it would have given had it read the file now; a Load of another path, or none,
    // drops the work.
    void ReadAhead(const QString& path);
    // The ids of the items whose value the last Load kept from the file before, in the
    // configuration's order; none once they are saved or reset.
    QStringList KeptValues() const;
    // Why `path` cannot be a settings file of this configuration: it is the configuration itself,
    // one of its templates or one of its outputs, by the file it names (FileIdentity::SameFile),
    // however it is spelt. Ok for a file that does not exist. Asked before a file is opened.
    Status UsedByConfiguration(const QString& path) const;
    // Makes `path`, where no file is, the session's file: the values stay, and count as changes
    // until the first save creates the file.
    void StartNew(const QString& path);
    const QString& SettingsFile() const { return mSettingsFile; }
    // What the settings file as last loaded holds that works, but hardly as meant
    // (SettingsDocument::RepeatedVariables), one line each.
    const QStringList& LoadWarnings() const { return mLoadWarnings; }

    // The value of every item, by variable id, as edited.
    const VariableValues& Values() const { return mValues; }
    // Sets the value of the item of id `id`; false, and nothing set, when no item has that id.
    bool SetValue(const QString& id, const QString& value);
    // Sets the value of the item of id `id` as its field's text `text` means it: an empty text
    // of an item that declares a default is that default.
    bool SetText(const QString& id, const QString& text);
    // Everything known of the value of the item of id `id`; an id of no item gives an empty state.
    ItemState State(QStringView id) const;
    // Whether the value of `id` is not its default (ItemState::notDefault).
    bool IsNotDefault(QStringView id) const;

    enum class ResetTo {
        Saved,     // the value loaded or last saved, for every item
        Defaults,  // the default, for every item that declares one; the others keep theirs
    };
    // Gives every item the value `to` says, and returns each change made, in the
    // configuration's order.
    std::vector<ValueChange> ResetAll(ResetTo to);
    // The value of the item of id `id` as loaded or last saved; null when no item has that id.
    std::optional<QStringView> SavedValue(QStringView id) const { return mSaved.Find(id); }
    // True when the value of `id` is not the one loaded or last saved.
    bool IsEdited(QStringView id) const;
    // True when a save would store something new: an edited value, or a file still to be made.
    bool HasChanges() const { return mEditedCount > 0 || mFileMissing; }
    // The default that the item of id `id` declares: its value wherever the settings file does
    // not hold it. Nothing when it declares none or no item has that id.
    std::optional<QString> DefaultOf(QStringView id) const;
    // False while the item of id `id` has depends that the values, the run's where it gives one,
    // do not meet (DisabledItems): its value is then kept and saved but not checked. True for an
    // item without depends, and for an id of no item.
    bool IsEnabled(QStringView id) const;

    // Values for this run only, by item id (/set:, /env:): checked, exported and previewed in
    // place of the session's, and never stored in the settings file.
    void SetRunValues(QHash<QString, QString> values);
    // Every enabled item whose value, the run's where it gives one, breaks the item's rules, in
    // the configuration's order.
    std::vector<InvalidValue> InvalidValues() const;
    // The secrets of the run: every value of a password that the session knows (stored, edited
    // or the run's), and each line of one of several lines. Whatever the session reports has
    // passed them (SecretSet::Withheld), and whatever else a caller shows must pass them too.
    SecretSet Secrets() const;

    // What a changed settings file does to a save, as the user decides.
    enum class ChangedOnDisk {
        SaveOver,  // write this session's values over the file as it is now
        Reload,    // take the file's values and discard the edits; write nothing
        Cancel,    // write nothing and change nothing
    };
    struct SaveOptions {
        // The file to write; empty for the session's own. Another file that exists receives the
        // values in its own entries; a new one starts from the session's file.
        QString target;
        // How to wait for the update lock that another program holds. A lock that fails ends
        // the save before it has written or started anything, so that a caller that waits on
        // its own (a lock tried once: told and given up at once) can simply save again.
        LockWait wait;
        // Asked, without holding the lock, when the session's own file is no longer the version
        // loaded or saved here; `exists` is false when it has been removed. Without it, edits are
        // saved over the file, and a session without edits takes the file's values as they are
        // now (what a run that only saves what it loaded wants).
        std::function<ChangedOnDisk(bool exists)> changedOnDisk;
        // A warning is an error (/strict): a warning of the configuration or the settings file
        // (Configuration::Warnings, LoadWarnings) refuses the save before it starts, as
        // TrialRefused; otherwise the whole save is first done on a file system that writes
        // nothing, and nothing is written when that warns or has a problem.
        bool strict = false;
    };
    // Saves the values into the settings file and exports the templates, under the update lock
    // of the target, which it holds from reading the file to the end of the export and never
    // while `changedOnDisk` waits for an answer:
    //  - a value that breaks its rules refuses the save (Invalid);
    //  - a target other than the session's file that is the configuration, a template or an
    //    output refuses it (UsedByConfiguration, Refused); the target is the session's file
    //    when it names the same file, however spelt (FileIdentity::SameFile);
    //  - so does, before anything is started or written, a configuration or a template that
    //    another user could have chosen (a file, folder or symlink on its path that belongs to a
    //    user other than root and the one running the program, or that others may change), the
    //    program of a command for the same reason, and a settings file that would not be
    //    written for it (CheckTrust, Refused); the settings file itself is read only when it
    //    passes the rule (SettingsDocument::Load);
    //  - the settings file is written (PlaceValues: the very bytes that were read when no value
    //    changed) after the before command, and the templates exported after it
    //    (TemplateExport); then the after command starts. A before command that cannot start
    //    refuses the save; an after command that cannot start is a problem of a save that
    //    stands. A command whose element says wait="true" is run to its end instead
    //    (ProcessLauncher::RunAndWait): a before command that fails refuses the save before
    //    anything is written, an after command that fails is a problem;
    //  - the run's own values (SetRunValues) reach the outputs, and the settings file keeps the
    //    session's;
    //  - an item that the settings file does not hold is exported with its default, when it
    //    declares one (ExportSubstitutions);
    //  - each id of the export's substitutions that no item declares is a warning
    //    (UndeclaredVariables);
    //  - a waited command that fails is told with each line of its standard error that holds a
    //    secret of the run (Secrets) held back;
    //  - every text of the result has passed the secrets of the run as they were before the
    //    save (SecretSet::Withheld).
    // Once saved, the target is the session's file and every value counts as saved.
    SaveResult Save(const SaveOptions& options);

    // Receives the diff of a preview, piece by piece, as /diff prints it.
    using DiffReport = std::function<void(const QByteArray& bytes)>;
    // Whether Preview goes on when some values break their rules.
    enum class WhenInvalid {
        Refuse,   // as a save: nothing but the list of them
        Preview,  // the list in SaveResult::invalid, and the preview of the values as they are
    };
    // What Save would do to the session's file, found on a file system that writes nothing: no
    // lock, no command, nothing written, the values and the paths checked as Save checks them,
    // and the settings file read as Save reads it, as it is on the disk now (as loaded or last
    // saved here when it cannot be read). With `diff`, reports to it the diff of each file that
    // would change (SaveDiff: the value of every password, old and new, hidden by its place); a
    // change that a diff cannot carry, or whose passwords cannot be hidden, is left out of it
    // and told in SavePreview::unshown. Every line of the diff that still holds a secret of the
    // run (Secrets) after that is shown as one placeholder line, and every text of the preview
    // has passed the secrets. The warnings say where an output would get an empty number, choice
    // or path (EmptyValueWarnings), as a save's do.
    SavePreview Preview(const DiffReport& diff = {}, WhenInvalid whenInvalid = WhenInvalid::Refuse);

  signals:
    // The state of the item of id `id` changed.
    void ItemChanged(const QString& id);
    // The state of any item may have changed.
    void AllChanged();

  private:
    SaveResult SaveOnce(const SaveOptions& options);
    // Puts the values of `settings` into the items, as Load says, and takes them as saved.
    void TakeValues(const SettingsDocument& settings, Unlisted unlisted);
    void TakeAsSaved();
    // Works out which items are disabled anew; reports each one that turned, but `except`.
    void UpdateDisabled(const QString& except);
    // One warning for each enabled number, choice or path that the export's substitutions
    // `exported` give an empty value.
    QStringList EmptyValueWarnings(const std::vector<VariableValue>& exported) const;
    VariableValues ExportedValues() const;  // with the run's values on top
    // The settings file as it was loaded or last saved here; empty when there was none.
    Status LoadedDocument(SettingsDocument* settings) const;
    SaveResult Checked() const;
    // Save without its guard against running out of memory: under the lock, it reads, asks,
    // checks, writes and exports, giving the version written to `written` and the outcome to
    // `result` as it goes.
    SaveResult SaveUnguarded(const SaveOptions& options, const QString& target,
                             SettingsVersion* written, SaveResult* result);
    SavePreview PreviewOf(SettingsDocument& settings, const QString& target,
                          const DiffReport& diff) const;
    // Why a save to `target` on `files` must not start at all: the configuration or a template
    // fails the trust rule (FileSystem::OpenTrustedFile) while it names something to start or
    // to read, the program of a command fails it (ProcessLauncher::CheckProgram), or the write of
    // `target` would be refused (FileSystem::CheckWriteTarget).
    Status CheckTrust(const QString& target, FileSystem& files) const;
    // Writes `settings` to `target` with the values, then exports and runs the commands, on
    // `files` with `processes`, unless CheckTrust refuses; `settings` is emptied once written.
    // `written`, when given, receives the version of the file written; `secrets`, when given,
    // where each output holds passwords. The outcome goes into `result` as the steps go, so that
    // what was done is known when an allocation fails midway.
    void WriteAndExport(SettingsDocument& settings, const QString& target, FileSystem& files,
                        ProcessLauncher& processes, SettingsVersion* written, SaveResult* result,
                        const TemplateExport::SecretsReport& secrets = {}) const;
    Status WriteSettings(SettingsDocument& settings, const QString& target, FileSystem& files,
                         ProcessLauncher& processes, ExportList* exported,
                         SettingsVersion* written) const;
    void ExportTemplates(ExportList exported, const QString& target, FileSystem& files,
                         SaveResult* result, const TemplateExport::SecretsReport& secrets) const;

    FileSystem& mFiles;
    ProcessLauncher& mProcesses;
    Configuration mConfig;
    // Whether the configuration was read through a path that no other user controls, or why not.
    Status mConfigTrust = Status::Ok();
    QString mBaseDir;
    QString mSettingsFile;
    SettingsVersion mVersion;  // of mSettingsFile as loaded or last saved here
    // The document Load parsed, unchanged, for the next save to take over while the file still
    // holds those bytes: a large file is then parsed once per run, not twice.
    SettingsDocument mLoadedDocument;
    // The settings file that ReadAhead read, and its parse.
    struct Ahead {
        QString path;
        std::future<std::pair<Status, SettingsDocument>> parsed;
    };
    std::optional<Ahead> mAhead;
    bool mFileMissing = false;
    VariableValues mValues;
    VariableValues mSaved;
    int mEditedCount = 0;         // items whose value is not the saved one
    std::vector<bool> mDisabled;  // by item number: the items whose depends do not hold
    QSet<QString> mNamed;         // the items that some depends names
    QSet<QString> mKept;          // the items whose value the last load kept
    QHash<QString, QString> mRunValues;
    QStringList mLoadWarnings;
    // The file that the operation under way works on, which a failure to allocate names.
    mutable QString mWorkingOn;
};
