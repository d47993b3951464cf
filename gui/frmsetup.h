#pragma once

#include "gui/HelpViews.h"
#include "platform/DialogWaitLauncher.h"
#include "run/CommandLine.h"
#include "run/ProgramServices.h"
#include "session/EditSession.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FieldPages;
class FieldStates;
class ValueHistory;
class FindBar;
class QCloseEvent;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class WarningsReport;
class clsTextbox;
class xAboutTrvSet;

// The main window, "Configuration Editor": one tab per group of the configuration, one labelled
// field per variable (made for its kind, see clsTextbox) on the pages of FieldPages, the File,
// Edit and "?" menus (the last with the guide, the keys and About), a search box (FindBar) left of
// the OK and "Abbrechen" buttons, and a status line for the fields' help and problems when the
// configuration declares any. Its operations are thin: the edit session (the core) holds the
// configuration and the values and reads and writes the files; the window hands it every change of
// a field and shows what it reports. The core speaks in variable ids; only the window knows which
// control shows which variable.
class frmsetup : public QMainWindow {
    Q_OBJECT
  public:
    frmsetup(const CommandLineOptions& options, ProgramServices services);
    ~frmsetup() override;

    // The start-up sequence: loads the configuration and builds the pages, loads the settings
    // into the fields and sets the caption. A settings file that does not exist may be created by
    // the first save: asked Yes, the fields start with their defaults, as an edit. Returns nothing
    // when the window is ready to be shown, or the exit status when a file could not be loaded
    // (the message has been shown).
    // Started without "/conf:" where no configuration file is, it first says what it needs and
    // offers to open a configuration or to start from a copy of the example (FirstStart), and
    // looks up the settings file beside the configuration. The configuration's warnings and those
    // of each save are shown in a window of their own (WarningsReport). The window takes the size,
    // position and group it had when it was last closed on the same configuration.
    std::optional<int> Form_Load();

    // The caption as composed, before Qt's "[*]" handling.
    const QString& Caption() const { return mCaption; }
    const QString& SettingsFile() const { return mSettingsFile; }

  private slots:
    // Sets the caption's "*" to whether the settings hold edits: a field that is edited, or
    // defaults for a settings file still to be created.
    void Dirty();
    // Shows the focused field's help or problem in the status line, if the window has one.
    void ShowHint(const QString& text);
    // Shows the page of the selected group; the pages switch themselves when a tab is chosen.
    void Categories_Click();
    void IndOpen_Click() { OpenSettings(); }
    void IndSave_Click() { SaveCurrent({}); }
    void IndSaveAs_Click() { SaveSettingsAs(); }
    // Shows the diff that a save would make, before anything is written, and offers the save.
    void IndShowChanges_Click();
    void indExit_Click() { close(); }
    void indAboutTrvSet_Click();
    // The guide (F1) and the list of keys, in windows that leave the main window usable.
    void indGuide_Click() { HelpViews::ShowGuide(this); }
    void indShortcuts_Click() { HelpViews::ShowShortcuts(this); }
    void Ok_Click();
    void Cancel_Click() { close(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // The menus, the pages, the search box and the buttons.
    void BuildControls();
    bool LoadConfiguration(const QString& path);
    // Takes the configuration, settings file and folder that `options` name.
    void UsePaths(const CommandLineOptions& options);
    // Asks for the configuration to edit, for a start without one (FirstStart).
    void ChooseConfiguration();
    void AddCategory(const ConfigGroup& group);
    // Makes the field of `item` on `page`, as the pages build it, showing the session's value.
    clsTextbox* AddField(const ConfigItem& item, QWidget* page, QLabel* label);
    // Takes a field's new value into the session, which tells the fields what follows from it.
    void FieldChanged(clsTextbox* field, const QString& value, bool typed);
    bool LoadSettings(const QString& path);
    // What a save reports when it has ended: whether the settings were written.
    using SaveDone = std::function<void(bool saved)>;
    // Saves the values to `targetPath` and exports the templates (EditSession::Save). A save to
    // the window's own file first asks what to do when the file is no longer what was loaded or
    // last saved here. Returns whether the settings were written when the save ended at once;
    // every problem has been shown, and the edits are still there (or, when the user chose so,
    // the file's values replaced them). While another program's save holds the lock, it returns
    // nothing and the window goes back to its event loop, answering input and screen readers,
    // and tries the lock again from there (RetrySave); after a while a dialog says so, and its
    // Cancel ends the save without writing anything. `done` is called when such a save ends. No
    // save starts while one waits: false.
    std::optional<bool> SaveSettings(const QString& targetPath, SaveDone done);
    // SaveSettings, with `done` called when the save ends, at once or after the wait.
    void SaveSettingsThen(const QString& targetPath, const SaveDone& done);
    // Tries the save under way (mSave) once: whether the settings were written, once it has
    // ended, or nothing while the lock is held.
    std::optional<bool> TrySave();
    // The next try of a save that waits for the lock, timed by mRetry.
    void RetrySave();
    // Ends the save under way with `saved`, and tells whoever waited for it.
    void EndWaitingSave(bool saved);
    // Shows what the save `result` to `targetPath` says; true when the settings were written.
    bool ShowSaveOutcome(const SaveResult& result, const QString& targetPath);
    // Says in the status line, for a few seconds, what the save `result` to `targetPath` did.
    void ShowSaved(const SaveResult& result, const QString& targetPath);
    // True when every value fits its item's rules; otherwise ShowInvalid.
    bool ValuesFit();
    // One line for each of `invalid`, as every way to save lists them (InvalidValueLines).
    QStringList InvalidLines(const std::vector<InvalidValue>& invalid) const;
    // Refuses a save of `invalid` values: one message lists them (the first 20, and how many
    // more), and the field of the first one is shown and focused.
    void ShowInvalid(const std::vector<InvalidValue>& invalid);
    void OpenSettings();
    // Saves to the window's own file (SaveSettingsThen).
    void SaveCurrent(const SaveDone& done);
    void SaveSettingsAs();
    // Asks about unsaved edits before they would be lost (closing the window, opening another
    // file); false keeps them and stops what was about to happen. A save the user asked for
    // that waits for another program's calls `again` once it has saved, to do it then.
    bool Form_QueryUnload(const std::function<void()>& again);
    void UpdateCaption();
    // The window's size, position and group, as last closed on this configuration, in the
    // user's configuration folder; kept when the window closes.
    void RestoreLook();
    void KeepLook();
    QString LookKey() const;

    // Shows the session's states in the fields built and the tabs, and the caption's mark.
    void ShowValues();

    ProgramServices mServices;
    CommandLineOptions mOptions;  // as the program was started
    // A command the configuration waits for shows a dialog whose Cancel stops it.
    DialogWaitLauncher mProcesses;
    EditSession mSession;
    // The save under way, from its start to its end, across the tries of a lock that another
    // program's save holds.
    struct Save {
        QString target;
        SaveDone done;       // called when a save that waited ends
        QString waitingFor;  // what the lock said when it was found held
        QElapsedTimer waited;
        std::chrono::milliseconds pause;  // before the next try
    };
    std::optional<Save> mSave;
    QTimer* mRetry = nullptr;                    // the next try of the lock
    std::unique_ptr<Dialogs::Waiting> mWaiting;  // shown once the wait has lasted a while

    const Configuration& mConfigDoc;  // the session's
    QString mTitle;
    bool mDirtyMark = false;  // the caption's "*": the values hold edits that are not saved
    QString mBaseDir;
    QString mSettingsFile;
    QString mConfigFile;

    // The field of every item whose page is built, in the order they were made; they live as
    // long as the window.
    std::vector<std::unique_ptr<clsTextbox>> mTextboxes;
    QString mCaption;  // the caption last set

    FieldPages* mPages = nullptr;
    std::unique_ptr<FieldStates> mStates;  // the fields' enabled states and the tabs' marks
    ValueHistory* mHistory = nullptr;      // Edit > Undo and Redo
    // The line for the focused field's help and problems. Only a configuration that declares any
    // rule or help has one, so that any other keeps the window's plain look and size.
    QStatusBar* mStatus = nullptr;
    FindBar* mFind = nullptr;      // the search box and its filters, hidden until asked for
    QLabel* mSavedNote = nullptr;  // what the last save did, for a few seconds
    WarningsReport* mWarnings = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    std::unique_ptr<xAboutTrvSet> mAbout;  // created on first use, closed with the main window
};
