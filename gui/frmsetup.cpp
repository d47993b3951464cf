#include "gui/frmsetup.h"

#include "gui/ChangesView.h"
#include "gui/ClientArea.h"
#include "gui/ControlNames.h"
#include "gui/EditMenu.h"
#include "gui/FieldPages.h"
#include "gui/FieldStates.h"
#include "gui/FindBar.h"
#include "gui/FirstStart.h"
#include "gui/HelpViews.h"
#include "gui/MakeTextbox.h"
#include "gui/ValueHistory.h"
#include "gui/WarningsReport.h"
#include "gui/clsTextbox.h"
#include "gui/xAboutTrvSet.h"
#include "run/ExportRun.h"
#include "run/Messages.h"
#include "session/InvalidValueLines.h"

#include <QCloseEvent>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// Qt reads "[*]" in a window title as the modified placeholder and "[*][*]" as a literal "[*]".
QString EscapePlaceholder(QString caption) {
    return caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

// True when some item declares more than a plain text field: a kind, help, a default or a rule.
bool DeclaresRules(const Configuration& config) {
    for (const ConfigGroup& group : config.Groups()) {
        for (const ConfigItem& item : group.items) {
            const ValueRules& rules = item.rules;
            if (rules.kind != ValueKind::Text || !rules.help.isEmpty() || rules.defaultValue ||
                rules.required || rules.pattern || !rules.depends.empty()) {
                return true;
            }
        }
    }
    return false;
}

// A message box taller than the screen would hide its OK button: a refused save lists this many
// values that do not fit, and counts the rest.
constexpr int kListedProblems = 20;

}  // namespace

frmsetup::frmsetup(const CommandLineOptions& options, ProgramServices services)
    : mServices(services),
      mOptions(options),
      mProcesses(services.processes, services.dialogs),
      mSession(services.files, mProcesses),
      mConfigDoc(mSession.Config()) {
    setWindowTitle(QStringLiteral("frmsetup"));
    BuildControls();
    UsePaths(options);
}

frmsetup::~frmsetup() = default;

void frmsetup::BuildControls() {
    mPages = new FieldPages(std::bind_front(&frmsetup::AddField, this));
    mStates = std::make_unique<FieldStates>(mSession, mPages);
    connect(mPages, &FieldPages::PageBuilt, this, [this](int group) { mStates->ShowPage(group); });
    mHistory = new ValueHistory(mSession, *mStates, this);
    // The fields, the tabs and the caption follow the session's states.
    connect(&mSession, &EditSession::ItemChanged, this, [this](const QString& id) {
        mStates->Update(id);
        Dirty();
    });
    connect(&mSession, &EditSession::AllChanged, this, [this] {
        mStates->UpdateAll();
        Dirty();
    });
    mFind = new FindBar(mSession, nullptr);
    connect(mFind, &FindBar::Found, mPages, &FieldPages::ShowField);
    connect(mFind, &FindBar::ShowOnly, mPages, &FieldPages::ShowOnlyFields);
    mWarnings = new WarningsReport(mServices.dialogs, this);
    mRetry = new QTimer(this);
    mRetry->setSingleShot(true);
    connect(mRetry, &QTimer::timeout, this, &frmsetup::RetrySave);
    Ok = new QPushButton(tr("OK"));
    Ok->setObjectName(QStringLiteral("Ok"));
    connect(Ok, &QPushButton::clicked, this, &frmsetup::Ok_Click);
    Cancel = new QPushButton(tr("Abbrechen"));
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(Cancel, &QPushButton::clicked, this, &frmsetup::Cancel_Click);
    // Enter presses a button that has the focus. Neither is the window's default, so Enter in a
    // field does not save.
    Ok->setAutoDefault(true);
    Cancel->setAutoDefault(true);
    setCentralWidget(new ClientArea(mPages, mFind, Ok, Cancel));
    // Tab goes from the tab strip through the fields of the page shown, top to bottom, to OK and
    // "Abbrechen".
    mPages->SetControlsAfterFields(Ok, Cancel);

    QMenu* indFile = menuBar()->addMenu(tr("&File"));
    indFile->setObjectName(QStringLiteral("indFile"));
    const auto addItem = [this](QMenu* menu, const char* name, const QString& caption,
                                QKeySequence shortcut, void (frmsetup::*handler)()) {
        QAction* action = menu->addAction(caption, this, handler);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
    };
    addItem(indFile, "IndOpen", tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
            &frmsetup::IndOpen_Click);
    addItem(indFile, "IndSave", tr("Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
            &frmsetup::IndSave_Click);
    addItem(indFile, "IndSaveAs", tr("Save As..."), QKeySequence(), &frmsetup::IndSaveAs_Click);
    addItem(indFile, "IndShowChanges", tr("Show C&hanges..."), QKeySequence(Qt::CTRL | Qt::Key_D),
            &frmsetup::IndShowChanges_Click);
    addItem(indFile, "indExit", tr("E&xit"), QKeySequence(), &frmsetup::indExit_Click);
    menuBar()->addMenu(new EditMenu(mPages, mFind, mHistory, this));
    QMenu* indHelp = menuBar()->addMenu(QStringLiteral("&?"));
    indHelp->setObjectName(QStringLiteral("indHelp"));
    addItem(indHelp, "indGuide", tr("&Guide"), QKeySequence(Qt::Key_F1), &frmsetup::indGuide_Click);
    addItem(indHelp, "indShortcuts", tr("&Keyboard Shortcuts"), QKeySequence(),
            &frmsetup::indShortcuts_Click);
    indHelp->addSeparator();
    addItem(indHelp, "indAboutTrvSet", tr("About Tervo Setup"), QKeySequence(),
            &frmsetup::indAboutTrvSet_Click);
}

std::optional<int> frmsetup::Form_Load() {
    mTitle = tr("Configuration Editor");
    // Started from the desktop menu, the program is in the home folder, which has no
    // configuration. Cancelled, the start ends as for any configuration that cannot be loaded.
    if (mOptions.configFile.isEmpty() && !mServices.files.Exists(mConfigFile)) {
        ChooseConfiguration();
    }
    if (!LoadConfiguration(mConfigFile)) {
        return kExitFailed;
    }
    // A configuration may be shipped without its settings file. Declined, the start ends as for
    // any settings file that cannot be loaded.
    if (!mServices.files.Exists(mSettingsFile) &&
        mServices.dialogs.AskYesNo(tr("%1 does not exist. Start with the default values and "
                                      "create it on the first save?")
                                       .arg(mSettingsFile))) {
        // The values are their defaults already; the first save asks only if another program has
        // made the file meanwhile.
        mSession.StartNew(mSettingsFile);
        Dirty();
        RestoreLook();
        return std::nullopt;
    }
    if (!LoadSettings(mSettingsFile)) {
        return kExitFailed;
    }
    RestoreLook();
    return std::nullopt;
}

QString frmsetup::LookKey() const {
    // One entry per configuration, by its full path, which may hold any character.
    const QByteArray path = QFileInfo(mConfigFile).absoluteFilePath().toUtf8();
    return QStringLiteral("windows/") +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex());
}

void frmsetup::RestoreLook() {
    QSettings look(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TervoSetup"),
                   QStringLiteral("window"));
    look.beginGroup(LookKey());
    if (const QByteArray geometry = look.value(QStringLiteral("geometry")).toByteArray();
        !geometry.isEmpty()) {
        restoreGeometry(geometry);
    }
    mPages->SelectGroup(look.value(QStringLiteral("group"), 0).toInt());
}

void frmsetup::KeepLook() {
    if (mConfigDoc.Groups().empty()) {
        return;  // a start that ended before the window was shown has nothing to keep
    }
    QSettings look(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TervoSetup"),
                   QStringLiteral("window"));
    look.beginGroup(LookKey());
    look.setValue(QStringLiteral("geometry"), saveGeometry());
    look.setValue(QStringLiteral("group"), mPages->SelectedGroup());
}

void frmsetup::UsePaths(const CommandLineOptions& options) {
    const StartupPaths paths = ResolveStartupPaths(options);
    mConfigFile = paths.configFile;
    mSettingsFile = paths.settingsFile;
    mBaseDir = options.baseDir;
}

void frmsetup::ChooseConfiguration() {
    const std::optional<QString> chosen =
        FirstStart(mServices.dialogs, mServices.files, FirstStart::BundledExample())
            .Choose(mConfigFile);
    if (!chosen) {
        return;
    }
    CommandLineOptions options = mOptions;
    options.configFile = *chosen;
    options.baseDir = BaseDirOf(*chosen);
    UsePaths(options);
}

bool frmsetup::LoadConfiguration(const QString& path) {
    if (Status loaded = mSession.LoadConfiguration(path, mBaseDir); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
    }
    mWarnings->ConfigurationLoaded(path, mConfigDoc.Warnings());
    if (DeclaresRules(mConfigDoc)) {
        mStatus = statusBar();
    }
    for (const ConfigGroup& group : mConfigDoc.Groups()) {
        AddCategory(group);
    }
    mStates->Start();
    Categories_Click();
    return true;
}

void frmsetup::AddCategory(const ConfigGroup& group) {
    mPages->AddGroup(group);
}

clsTextbox* frmsetup::AddField(const ConfigItem& item, QWidget* page, QLabel* label) {
    std::unique_ptr<clsTextbox> textbox = MakeTextbox(item, mServices.dialogs);
    textbox->Create(FieldControlName(item.id), page);
    textbox->SetLabel(label);
    textbox->SetText(mSession.Values().Find(item.id)->toString());
    textbox->SetHistoryActions(mHistory->UndoAction(), mHistory->RedoAction());
    clsTextbox* field = textbox.get();
    connect(field, &clsTextbox::Changed, this, [this, field](const QString& value, bool typed) {
        const QString before = mSession.Values().Find(field->Id())->toString();
        FieldChanged(field, value, typed);
        mHistory->Record(field->Id(), before, mSession.Values().Find(field->Id())->toString(),
                         typed);
    });
    connect(field, &clsTextbox::ResetToSavedRequested, this,
            [this, field] { field->SetText(mSession.SavedValue(field->Id())->toString()); });
    connect(field, &clsTextbox::Hint, this, &frmsetup::ShowHint);
    mTextboxes.push_back(std::move(textbox));
    return field;
}

void frmsetup::FieldChanged(clsTextbox* field, const QString& value, bool typed) {
    // A line emptied by the user stands for the item's default; a value set otherwise (a reset,
    // a file's value shown) is taken as it is.
    if (typed) {
        mSession.SetText(field->Id(), value);
    } else {
        mSession.SetValue(field->Id(), value);
    }
}

void frmsetup::Categories_Click() {
    mPages->ShowSelectedPage();
}

bool frmsetup::LoadSettings(const QString& path) {
    if (Status loaded = mSession.Load(path); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
    }
    ShowValues();
    mHistory->Clear();  // the steps were another file's
    return true;
}

std::optional<bool> frmsetup::SaveSettings(const QString& targetPath, SaveDone done) {
    // A save waits for another program's from the event loop: a second one asked for meanwhile
    // is not started beside it.
    if (mSave) {
        return false;
    }
    mSave.emplace();
    mSave->target = targetPath;
    mSave->done = std::move(done);
    mSave->pause = std::chrono::milliseconds(5);
    mSave->waited.start();
    const std::optional<bool> saved = TrySave();
    if (saved) {
        mSave.reset();
    }
    return saved;
}

void frmsetup::SaveSettingsThen(const QString& targetPath, const SaveDone& done) {
    if (const std::optional<bool> saved = SaveSettings(targetPath, done); saved && done) {
        done(*saved);
    }
}

std::optional<bool> frmsetup::TrySave() {
    EditSession::SaveOptions options;
    options.target = mSave->target;
    // The lock is tried once: a held one is told at once and fails, and the window tries again
    // from its event loop. A save that finds it held has read, written and started nothing.
    options.wait.tellAfter = std::chrono::milliseconds(0);
    options.wait.giveUpAfter = std::chrono::milliseconds(0);
    bool held = false;
    options.wait.tell = [this, &held](const QString& message) {
        held = true;
        mSave->waitingFor = message;
    };
    options.changedOnDisk = [this](bool exists) {
        switch (mServices.dialogs.AskYesNoCancel(Messages::ChangedOnDisk(mSettingsFile, exists))) {
            case Dialogs::Answer::Yes:
                return EditSession::ChangedOnDisk::SaveOver;
            case Dialogs::Answer::No:
                return EditSession::ChangedOnDisk::Reload;
            case Dialogs::Answer::Cancel:
                break;
        }
        return EditSession::ChangedOnDisk::Cancel;
    };
    const SaveResult result = mSession.Save(options);
    if (held && result.outcome == SaveResult::Outcome::Refused) {
        mRetry->start(mSave->pause);
        // A little less often the longer it takes.
        mSave->pause = std::min(mSave->pause * 2, std::chrono::milliseconds(100));
        return std::nullopt;
    }
    mWaiting.reset();
    return ShowSaveOutcome(result, mSave->target);
}

void frmsetup::RetrySave() {
    if (!mSave) {
        return;
    }
    if (mWaiting && mWaiting->Cancelled()) {
        EndWaitingSave(false);
        return;
    }
    // Told only once the wait lasts, as a run without a window tells it: most saves of another
    // program end sooner.
    if (!mWaiting && std::chrono::milliseconds(mSave->waited.elapsed()) >= LockWait().tellAfter) {
        mWaiting = mServices.dialogs.ShowWaiting(mSave->waitingFor);
    }
    if (const std::optional<bool> saved = TrySave()) {
        EndWaitingSave(*saved);
    }
}

void frmsetup::EndWaitingSave(bool saved) {
    mRetry->stop();
    mWaiting.reset();
    const SaveDone done = std::move(mSave->done);
    mSave.reset();
    if (done) {
        done(saved);
    }
}

bool frmsetup::ShowSaveOutcome(const SaveResult& result, const QString& targetPath) {
    switch (result.outcome) {
        case SaveResult::Outcome::Invalid:
            ShowInvalid(result.invalid);
            return false;
        case SaveResult::Outcome::Reloaded:
            ShowValues();
            mHistory->Clear();
            return false;
        default:
            break;
    }
    if (ShowSaveResult(result, targetPath, mServices.dialogs) == kExitFailed) {
        return false;
    }
    mWarnings->Saved(result.warnings);
    ShowValues();
    ShowSaved(result, targetPath);
    return true;
}

void frmsetup::ShowSaved(const SaveResult& result, const QString& targetPath) {
    QStringList parts{tr("Saved %1").arg(QFileInfo(targetPath).fileName())};
    if (!mConfigDoc.Templates().empty()) {
        parts.append(tr("%n file(s) exported", nullptr, result.exported));
    }
    if (result.afterStarted) {
        parts.append(mConfigDoc.AfterWait() ? tr("the after command ran")
                                            : tr("the after command started"));
    }
    if (!mSavedNote) {
        // Beside the hints of the fields, which come and go with the focus.
        mSavedNote = new QLabel(this);
        mSavedNote->setObjectName(QStringLiteral("SavedNote"));
        mSavedNote->setTextFormat(Qt::PlainText);
        statusBar()->addPermanentWidget(mSavedNote);
    }
    mSavedNote->setText(parts.join(QStringLiteral("; ")));
    mSavedNote->show();
    // A few seconds: long enough to read, gone before it could be taken for the next save's.
    constexpr int kShownMs = 8000;
    QTimer::singleShot(kShownMs, mSavedNote, [note = mSavedNote, text = mSavedNote->text()] {
        if (note->text() == text) {
            note->clear();
        }
    });
}

bool frmsetup::ValuesFit() {
    const std::vector<InvalidValue> invalid = mSession.InvalidValues();
    if (!invalid.empty()) {
        ShowInvalid(invalid);
    }
    return invalid.empty();
}

QStringList frmsetup::InvalidLines(const std::vector<InvalidValue>& invalid) const {
    return InvalidValueLines(invalid, mSession.SettingsFile(), mSession.Secrets());
}

void frmsetup::ShowInvalid(const std::vector<InvalidValue>& invalid) {
    mServices.dialogs.ShowMessage(
        tr("Nothing was saved. These values are not valid:") + QStringLiteral("\n\n") +
            WarningsReport::FirstLines(InvalidLines(invalid), kListedProblems).join(u'\n'),
        Dialogs::MessageKind::Warning);
    const InvalidValue& first = invalid.front();
    mPages->ShowField(static_cast<int>(first.group - mConfigDoc.Groups().data()),
                      static_cast<int>(first.item - first.group->items.data()));
}

void frmsetup::OpenSettings() {
    // A save that waits for the lock writes the values it has then into the file it was asked
    // for: no other file's values take their place meanwhile.
    if (mSave || !Form_QueryUnload([this] { OpenSettings(); })) {
        return;
    }
    const std::optional<QString> chosen =
        mServices.dialogs.AskOpenFileName(Messages::DefaultSettingsName(), Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    // A save would write the values into it, the password in clear.
    if (Status used = mSession.UsedByConfiguration(*chosen); !used.ok()) {
        mServices.dialogs.ShowMessage(used.message(), Dialogs::MessageKind::Warning);
        return;
    }
    // A file that cannot be loaded is reported and leaves the window as it was.
    const QString previous = mSettingsFile;
    if (!LoadSettings(*chosen)) {
        return;
    }
    mSettingsFile = *chosen;
    UpdateCaption();
    // What the file does not list keeps the value it had, as an edit; the user is told which.
    if (const QStringList kept = mSession.KeptValues(); !kept.isEmpty()) {
        QStringList labels;
        for (const QString& id : kept) {
            labels.append(mConfigDoc.ItemFor(id)->label.toString());
        }
        mServices.dialogs.ShowMessage(
            tr("%n value(s) were kept from %1: %2", nullptr, int(kept.size()))
                    .arg(QFileInfo(previous).fileName(), labels.join(QStringLiteral(", "))) +
                QStringLiteral("\n\n") +
                tr("%1 does not list them. They count as edits: a save stores them, and Edit > "
                   "Reset All to Saved drops them.")
                    .arg(QFileInfo(*chosen).fileName()),
            Dialogs::MessageKind::Information);
    }
}

void frmsetup::SaveCurrent(const SaveDone& done) {
    SaveSettingsThen(mSettingsFile, done);
}

void frmsetup::SaveSettingsAs() {
    // No file is asked for that could not be saved, nor while a save waits.
    if (mSave || !ValuesFit()) {
        return;
    }
    const std::optional<QString> chosen =
        mServices.dialogs.AskSaveFileName(Messages::DefaultSettingsName(), Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    SaveSettingsThen(*chosen, [this, target = *chosen](bool saved) {
        if (saved) {
            mSettingsFile = target;
            UpdateCaption();
        }
    });
}

void frmsetup::IndShowChanges_Click() {
    // Whatever the values are: the preview says which break their rules, and then only closes.
    QByteArray diff;
    const SavePreview preview = mSession.Preview(
        [&diff](const QByteArray& bytes) { diff += bytes; }, EditSession::WhenInvalid::Preview);
    if (!preview.result.Saved()) {
        ShowSaveResult(preview.result, mSettingsFile, mServices.dialogs);
        return;
    }
    std::vector<ChangesView::ChangedValue> values;
    const QString masked = QStringLiteral("********");
    for (const ConfigGroup& group : mConfigDoc.Groups()) {
        for (const ConfigItem& item : group.items) {
            const ItemState state = mSession.State(item.id);
            if (!state.edited) {
                continue;
            }
            const bool secret = item.rules.kind == ValueKind::Password;
            values.push_back({group.name, item.label.toString(), secret ? masked : state.saved,
                              secret ? masked : state.value});
        }
    }
    auto* view = new ChangesView(preview, diff, InvalidLines(preview.result.invalid), values, this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    connect(view, &ChangesView::SaveRequested, this, [this, view = QPointer(view)] {
        SaveCurrent([view](bool saved) {
            if (saved && view) {
                view->accept();
            }
        });
    });
    view->open();
}

void frmsetup::Ok_Click() {
    SaveCurrent([this](bool saved) {
        if (saved) {
            close();
        }
    });
}

void frmsetup::closeEvent(QCloseEvent* event) {
    if (!mSave && Form_QueryUnload([this] { close(); })) {
        KeepLook();
        mWarnings->Closing();
        if (mAbout) {
            mAbout->close();
        }
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmsetup::Form_QueryUnload(const std::function<void()>& again) {
    if (!mDirtyMark) {
        return true;
    }
    switch (mServices.dialogs.AskYesNoCancel(Messages::SaveQuestion(mSettingsFile))) {
        case Dialogs::Answer::Cancel:
            return false;
        case Dialogs::Answer::No:
            return true;
        case Dialogs::Answer::Yes: {
            // A failed save keeps the window open with its edits.
            const auto tellSaved = [this] {
                mServices.dialogs.ShowMessage(Messages::Saved(), Dialogs::MessageKind::Information);
            };
            const std::optional<bool> saved =
                SaveSettings(mSettingsFile, [tellSaved, again](bool savedLater) {
                    if (savedLater) {
                        tellSaved();
                        again();
                    }
                });
            if (saved.value_or(false)) {
                tellSaved();
            }
            return saved.value_or(false);
        }
    }
    return false;
}

void frmsetup::Dirty() {
    mDirtyMark = mSession.HasChanges();
    UpdateCaption();
}

void frmsetup::ShowHint(const QString& text) {
    if (mStatus) {
        mStatus->showMessage(text);
    }
}

void frmsetup::UpdateCaption() {
    QString caption = mTitle + QStringLiteral(" - [") + mSettingsFile + u']';
    if (mDirtyMark) {
        caption += u'*';
    }
    // Every loaded value reports a change; an unchanged caption costs one comparison.
    if (caption == mCaption) {
        return;
    }
    mCaption = std::move(caption);
    setWindowTitle(EscapePlaceholder(mCaption));
}

void frmsetup::indAboutTrvSet_Click() {
    if (!mAbout) {
        mAbout = std::make_unique<xAboutTrvSet>(this);
    }
    mAbout->Load();
}

void frmsetup::ShowValues() {
    mStates->UpdateAll();
    mFind->Refilter();
    Dirty();
}
