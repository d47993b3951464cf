#pragma once

#include "platform/DialogWaitLauncher.h"
#include "run/CommandLine.h"
#include "run/ProgramServices.h"
#include "session/EditSession.h"

#include <QHash>
#include <QMainWindow>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class FindBar;
class PageLayout;
class QAction;
class QCloseEvent;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabBar;
class clsTextbox;
class xAboutTrvSet;

// The main window, "Configuration Editor": one tab per group of the configuration, one labelled
// field per variable (made for its kind, see clsTextbox), the File, Edit and "?" menus, a search
// box (FindBar) and the OK and "Abbrechen" buttons, and a status line for the fields' help and
// problems when the configuration declares any. Its operations are thin: the edit session (the
// core) holds the configuration and the values and reads and writes the files; the window hands it
// every change of a field and shows what it reports. The core speaks in variable ids; only the
// window knows which control shows which variable.
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
    // Started without "/conf:" where no configuration file is, it first asks for one, and looks up
    // the settings file beside it.
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
    void Categories_Click();
    void IndOpen_Click() { OpenSettings(); }
    void IndSave_Click() { SaveCurrent(); }
    void IndSaveAs_Click() { SaveSettingsAs(); }
    // Shows the diff that a save would make, before anything is written, and offers the save.
    void IndShowChanges_Click();
    void indExit_Click() { close(); }
    void indAboutTrvSet_Click();
    void Ok_Click();
    void Cancel_Click() { close(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A group's page: its items' fields are mTextboxes[firstField ...], in the group's order. The
    // page's widget and its fields exist once the page has been built.
    struct GroupPage {
        std::size_t firstField = 0;
        QWidget* widget = nullptr;
    };

    void BuildControls();
    // The Edit menu: find, and put the focused field's saved value or default back.
    void AddEditMenu();
    // Places the tab row, the pages, the search box and the buttons for the size of the client
    // area.
    void PlaceControls();
    // Sizes the page shown to the width of the page area and the height of its rows.
    void PlacePage();
    // Shows the search box, and puts the focus in it.
    void OpenFind();
    // Goes `step` matches of the last search on; nothing before the first search.
    void FindNext(int step);
    // Selects the group `step` tabs on, round the end, and focuses its first field.
    void SwitchGroup(int step);
    // Shows the page of the group `group` and focuses its item `item`, scrolled into view.
    void ShowField(int group, int item);
    // The field that has the focus, or null.
    clsTextbox* FocusedField() const;
    bool LoadConfiguration(const QString& path);
    // Takes the configuration, settings file and folder that `options` name.
    void UsePaths(const CommandLineOptions& options);
    // Asks for the configuration to edit, for a start without one.
    void ChooseConfiguration();
    void AddCategory(const ConfigGroup& group);
    // Makes the page of the group at tab `index`, with its labels and fields, unless it exists: a
    // page is built when it is first shown, so that the window opens as fast with thousands of
    // fields as with a few. A page wider than the window makes the window's smallest size wider.
    void BuildPage(int index);
    void AddField(const ConfigItem& item, PageLayout* rows, std::unique_ptr<clsTextbox>* field);
    // Takes a field's new value into the session and marks the field edited or not.
    void FieldChanged(const QString& id, clsTextbox* field, const QString& value);
    bool LoadSettings(const QString& path);
    // Saves the values to `targetPath` and exports the templates (EditSession::Save). A save to
    // the window's own file first asks what to do when the file is no longer what was loaded or
    // last saved here; a wait for another program's save is shown with a way to stop it. False
    // when the settings were not written; every problem has been shown, and the edits are still
    // there (or, when the user chose so, the file's values replaced them).
    bool SaveSettings(const QString& targetPath);
    // True when every value fits its item's rules; otherwise ShowInvalid.
    bool ValuesFit();
    // Refuses a save of `invalid` values: one message lists them (the first 20, and how many
    // more), and the field of the first one is shown and focused.
    void ShowInvalid(const std::vector<InvalidValue>& invalid);
    void OpenSettings();
    bool SaveCurrent();
    void SaveSettingsAs();
    // Asks about unsaved edits before they would be lost (closing the window, opening another
    // file); false keeps them and stops what was about to happen.
    bool Form_QueryUnload();
    void UpdateCaption();

    // Shows the session's values in the fields built, each marked edited or not.
    void ShowValues();
    int ScrollBarExtent() const;

    ProgramServices mServices;
    CommandLineOptions mOptions;  // as the program was started
    // A command the configuration waits for shows a dialog whose Cancel stops it.
    DialogWaitLauncher mProcesses;
    EditSession mSession;

    const Configuration& mConfigDoc;  // the session's
    QString mTitle;
    bool mDirtyMark = false;  // the caption's "*": the values hold edits that are not saved
    QString mBaseDir;
    QString mSettingsFile;
    QString mConfigFile;

    // Every item's field, in the order of the configuration; null until its page is built.
    std::vector<std::unique_ptr<clsTextbox>> mTextboxes;
    QHash<QString, std::size_t> mFieldById;  // variable id -> its index in mTextboxes
    std::vector<GroupPage> mPages;           // by tab index, which is the group's in mConfigDoc
    QString mCaption;                        // the caption last set

    QTabBar* Categories = nullptr;
    QScrollArea* mPageArea = nullptr;
    QWidget* mPage = nullptr;  // holds every page built, the one shown on top
    int mShownPage = -1;       // the tab index of the page shown
    // The line for the focused field's help and problems. Only a configuration that declares any
    // rule or help has one, so that any other keeps the window's plain look and size.
    QStatusBar* mStatus = nullptr;
    FindBar* mFind = nullptr;  // the search box, made on first use
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    std::unique_ptr<xAboutTrvSet> mAbout;  // created on first use, closed with the main window
};
