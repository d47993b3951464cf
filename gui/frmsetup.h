#pragma once

#include "run/CommandLine.h"
#include "run/ProgramServices.h"
#include "schema/Configuration.h"
#include "settings/SettingsDocument.h"
#include "settings/VariableValues.h"

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
// problems when the configuration declares any. It owns the state of an editing session and keeps
// its operations thin: the core reads and writes the files, the window gathers the fields' values
// and shows what the core reports. The core speaks in variable ids; only the window knows which
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
    // Counts a field that has become edited, or no longer is.
    void FieldEdited(bool edited);
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
    // A variable's field. Until its page is built, `text` holds what the field shows; from then
    // on its control does, and `text` is empty.
    struct Field {
        QString text;
        std::unique_ptr<clsTextbox> textbox;
    };
    // A group's page: its items' fields are mFields[firstField ...], in the group's order. The
    // page's widget exists once the page has been built.
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
    void AddField(const ConfigItem& item, const QString& groupName, PageLayout* rows, Field* field);
    bool LoadSettings(const QString& path);
    // Loads the window's settings file again into every field (a field it does not list becomes
    // empty) and so discards the edits; when it cannot be loaded, says so and keeps them.
    void ReloadSettings();
    // Saves the fields' values to `targetPath` (read from `sourcePath`) and exports the templates.
    // A save to the window's own file first asks what to do when the file is no longer what was
    // loaded or last saved here. False when the settings were not written; every problem,
    // running out of memory included, has been shown, and the edits are still there.
    bool SaveSettings(const QString& sourcePath, const QString& targetPath);
    // True when every value fits its item's rules. Otherwise a save is refused: one message lists
    // the values that do not fit (the first 20, and how many more), and the field of the first one
    // is shown and focused.
    bool ValuesFit();
    void OpenSettings();
    bool SaveCurrent();
    void SaveSettingsAs();
    // Asks about unsaved edits before they would be lost (closing the window, opening another
    // file); false keeps them and stops what was about to happen.
    bool Form_QueryUnload();
    void UpdateCaption();

    // The value of every field, by variable id, whether its page is built or not.
    VariableValues FieldValues() const;
    // Puts each of `values` into its field as the value loaded, so that no field is edited.
    void ShowValues(const VariableValues& values);
    // Takes every field's value as saved.
    void MarkSaved();
    int ScrollBarExtent() const;

    ProgramServices mServices;
    CommandLineOptions mOptions;  // as the program was started

    Configuration mConfigDoc;
    QString mTitle;
    bool mDirtyMark = false;  // the caption's "*": the fields hold edits that are not saved
    int mEditedFields = 0;    // how many fields show another value than the one loaded or saved
    bool mSettingsMissing = false;  // the fields hold defaults for a file the first save creates
    QString mBaseDir;
    QString mSettingsFile;
    QString mConfigFile;
    SettingsVersion mSettingsVersion;  // of mSettingsFile as loaded or last saved here

    std::vector<Field> mFields;              // of every group, in the order of the configuration
    QHash<QString, std::size_t> mFieldById;  // variable id -> its index in mFields
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
