#include "gui/frmsetup.h"

#include "gui/ChangesView.h"
#include "gui/ControlNames.h"
#include "gui/FindBar.h"
#include "gui/Layout.h"
#include "gui/MakeTextbox.h"
#include "gui/PageLayout.h"
#include "gui/clsTextbox.h"
#include "gui/xAboutTrvSet.h"
#include "run/ExportRun.h"
#include "run/Messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>

#include <utility>

namespace {

// The central widget: asks for the window's design size, so that the window opens at it.
class ClientArea final : public QWidget {
  public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return Layout::ClientSize(); }
};

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
                rules.required || rules.pattern) {
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

using Layout::Px;

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
    AddEditMenu();
    QMenu* indHelp = menuBar()->addMenu(QStringLiteral("&?"));
    indHelp->setObjectName(QStringLiteral("indHelp"));
    addItem(indHelp, "indAboutTrvSet", tr("About Tervo Setup"), QKeySequence(),
            &frmsetup::indAboutTrvSet_Click);

    auto* client = new ClientArea(this);
    client->setMinimumSize(Layout::ClientSize());
    client->installEventFilter(this);  // places the controls on every resize
    setCentralWidget(client);

    Categories = new QTabBar(client);
    Categories->setObjectName(QStringLiteral("Categories"));
    Categories->setExpanding(false);
    Categories->setFocusPolicy(Qt::StrongFocus);
    connect(Categories, &QTabBar::currentChanged, this, &frmsetup::Categories_Click);
    const auto addGroupSwitch = [this](std::initializer_list<QKeySequence> keys, int step) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, this, [this, step] { SwitchGroup(step); });
    };
    addGroupSwitch(
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
    addGroupSwitch({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                    QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
                   -1);

    mPageArea = new QScrollArea(client);
    mPageArea->setObjectName(QStringLiteral("Pages"));
    mPageArea->setFrameShape(QFrame::NoFrame);
    mPageArea->setFocusPolicy(Qt::NoFocus);
    mPageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mPage = new QWidget;
    mPageArea->setWidget(mPage);

    Ok = new QPushButton(tr("OK"), client);
    Ok->setObjectName(QStringLiteral("Ok"));
    connect(Ok, &QPushButton::clicked, this, &frmsetup::Ok_Click);
    Cancel = new QPushButton(tr("Abbrechen"), client);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(Cancel, &QPushButton::clicked, this, &frmsetup::Cancel_Click);
    // Enter presses a button that has the focus. Neither is the window's default, so Enter in a
    // field does not save.
    Ok->setAutoDefault(true);
    Cancel->setAutoDefault(true);
    // Tab goes from the tab strip through the fields of the page shown, top to bottom, to OK and
    // "Abbrechen"; LoadConfiguration moves the buttons behind the fields.
    setTabOrder(Categories, Ok);
    setTabOrder(Ok, Cancel);
    PlaceControls();
}

void frmsetup::PlaceControls() {
    const Layout::ControlPlaces places = Layout::PlaceControls(centralWidget()->size());
    Categories->setGeometry(places.tabs);
    mPageArea->setGeometry(places.pages);
    PlacePage();
    // The search box takes the room left of the buttons.
    const int findLeft = Px(Layout::kLabelLeft);
    if (mFind) {
        mFind->setGeometry(findLeft, places.ok.top(),
                           places.ok.left() - findLeft - Px(Layout::kLabelLeft),
                           places.ok.height());
    }
    Ok->setGeometry(places.ok);
    Cancel->setGeometry(places.cancel);
}

void frmsetup::OpenFind() {
    // Made when first asked for: a line edit with its button costs the window's start noticeably.
    if (!mFind) {
        mFind = new FindBar(mConfigDoc, centralWidget());
        connect(mFind, &FindBar::Found, this, &frmsetup::ShowField);
        PlaceControls();
    }
    mFind->Open();
}

void frmsetup::FindNext(int step) {
    if (mFind) {
        mFind->Step(step);
    }
}

void frmsetup::PlacePage() {
    const int width = mPageArea->width() - ScrollBarExtent();
    if (mShownPage < 0) {
        mPage->resize(width, 0);
        return;
    }
    QWidget* page = mPages[static_cast<std::size_t>(mShownPage)].widget;
    mPage->resize(width, page->layout()->minimumSize().height());
    page->setGeometry(mPage->rect());
}

int frmsetup::ScrollBarExtent() const {
    return mPageArea->verticalScrollBar()->sizeHint().width();
}

void frmsetup::AddEditMenu() {
    QMenu* indEdit = menuBar()->addMenu(tr("&Edit"));
    indEdit->setObjectName(QStringLiteral("indEdit"));
    const auto addItem = [this, indEdit](const char* name, const QString& caption,
                                         QKeySequence shortcut, auto handler) {
        QAction* action = indEdit->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    addItem("indFind", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), [this] { OpenFind(); });
    addItem("indFindNext", tr("Find &Next"), QKeySequence(Qt::Key_F3), [this] { FindNext(1); });
    addItem("indFindPrevious", tr("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
            [this] { FindNext(-1); });
    indEdit->addSeparator();
    QAction* toSaved =
        addItem("indResetToSaved", tr("&Reset to Saved Value"), QKeySequence(), [this] {
            if (clsTextbox* field = FocusedField()) {
                emit field->ResetToSavedRequested();
            }
        });
    QAction* toDefault =
        addItem("indResetToDefault", tr("Reset to &Default"), QKeySequence(), [this] {
            if (clsTextbox* field = FocusedField()) {
                field->ResetToDefault();
            }
        });
    // The menu takes no focus from the field: what its items do is known when it opens.
    connect(indEdit, &QMenu::aboutToShow, this, [this, toSaved, toDefault] {
        const clsTextbox* field = FocusedField();
        toSaved->setEnabled(field && field->IsEdited());
        toDefault->setEnabled(field && field->HasDefault());
    });
}

bool frmsetup::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        PlaceControls();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmsetup::SwitchGroup(int step) {
    const int count = Categories->count();
    if (count > 1) {
        const int group = (Categories->currentIndex() + step + count) % count;
        Categories->setCurrentIndex(group);
        if (!mConfigDoc.Groups()[static_cast<std::size_t>(group)].items.empty()) {
            ShowField(group, 0);
        }
    }
}

void frmsetup::ShowField(int group, int item) {
    Categories->setCurrentIndex(group);
    const std::size_t index =
        mPages[static_cast<std::size_t>(group)].firstField + static_cast<std::size_t>(item);
    QWidget* control = mTextboxes[index]->Control();
    control->setFocus(Qt::OtherFocusReason);
    mPageArea->ensureWidgetVisible(control);
}

clsTextbox* frmsetup::FocusedField() const {
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !mPage->isAncestorOf(focus)) {
        return nullptr;
    }
    for (const std::unique_ptr<clsTextbox>& field : mTextboxes) {
        if (field && (field->Control() == focus || field->Control()->isAncestorOf(focus))) {
            return field.get();
        }
    }
    return nullptr;
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
        return std::nullopt;
    }
    if (!LoadSettings(mSettingsFile)) {
        return kExitFailed;
    }
    return std::nullopt;
}

void frmsetup::UsePaths(const CommandLineOptions& options) {
    const StartupPaths paths = ResolveStartupPaths(options);
    mConfigFile = paths.configFile;
    mSettingsFile = paths.settingsFile;
    mBaseDir = options.baseDir;
}

void frmsetup::ChooseConfiguration() {
    const std::optional<QString> chosen =
        mServices.dialogs.AskOpenFileName(mConfigFile, Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    CommandLineOptions options = mOptions;
    options.configFile = *chosen;
    options.baseDir = BaseDirOf(*chosen);
    UsePaths(options);
}

bool frmsetup::LoadConfiguration(const QString& path) {
    while (Categories->count() > 0) {
        Categories->removeTab(0);
    }
    if (Status loaded = mSession.LoadConfiguration(path, mBaseDir); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
    }
    if (DeclaresRules(mConfigDoc)) {
        mStatus = statusBar();
    }
    // Adding tabs one by one would switch pages on the first; switch once when all exist.
    const QSignalBlocker noSwitching(Categories);
    for (const ConfigGroup& group : mConfigDoc.Groups()) {
        AddCategory(group);
    }
    Categories_Click();
    return true;
}

void frmsetup::AddCategory(const ConfigGroup& group) {
    Categories->addTab(group.name);
    mPages.push_back({mTextboxes.size(), nullptr});
    for (const ConfigItem& item : group.items) {
        mFieldById.insert(item.id, mTextboxes.size());
        mTextboxes.emplace_back();
    }
}

void frmsetup::BuildPage(int index) {
    GroupPage& page = mPages[static_cast<std::size_t>(index)];
    if (page.widget) {
        return;
    }
    page.widget = new QWidget(mPage);
    page.widget->hide();
    auto* rows = new PageLayout(page.widget, Layout::ClientSize().width() - ScrollBarExtent());
    const ConfigGroup& group = mConfigDoc.Groups()[static_cast<std::size_t>(index)];
    QWidget* lastField = nullptr;
    std::size_t row = 0;
    for (const ConfigItem& item : group.items) {
        std::unique_ptr<clsTextbox>& field = mTextboxes[page.firstField + row];
        AddField(item, rows, &field);
        lastField = field->Control();
        ++row;
    }
    QWidget* client = centralWidget();
    client->setMinimumWidth(
        std::max(client->minimumWidth(), rows->minimumSize().width() + ScrollBarExtent()));
    // A widget made now joins the focus chain at its end, behind "Abbrechen". Moving the two
    // buttons behind the page's last field, rather than each field before the buttons, keeps Tab
    // going from the tab strip through the fields to OK and "Abbrechen" at two moves a page: every
    // move walks the whole focus chain.
    if (lastField != nullptr) {
        setTabOrder(lastField, Ok);
        setTabOrder(Ok, Cancel);
    }
}

void frmsetup::AddField(const ConfigItem& item, PageLayout* rows,
                        std::unique_ptr<clsTextbox>* field) {
    QWidget* page = rows->parentWidget();
    // The label is made first: the text box, made after it, lies on top where the two overlap,
    // so the start of the field is never hidden, and nothing has to be restacked.
    auto* label = new QLabel(item.label, page);
    label->setObjectName(LabelControlName(item.id));
    // The label's whole text and its variable, for a label longer than its designed box.
    if (label->fontMetrics().horizontalAdvance(item.label) > Px(Layout::kRowWidth)) {
        label->setToolTip(item.label + u'\n' + item.id);
    }

    *field = MakeTextbox(item, mServices.dialogs);
    clsTextbox* textbox = field->get();
    textbox->Create(FieldControlName(item.id), page);
    textbox->SetLabel(label);
    rows->AddRow(label, textbox->Control());
    textbox->SetText(*mSession.Values().Find(item.id));
    textbox->SetEdited(mSession.IsEdited(item.id));
    const QString id = item.id;
    connect(textbox, &clsTextbox::Changed, this,
            [this, id, textbox](const QString& value) { FieldChanged(id, textbox, value); });
    connect(textbox, &clsTextbox::ResetToSavedRequested, this,
            [this, id, textbox] { textbox->Replace(*mSession.SavedValue(id)); });
    connect(textbox, &clsTextbox::Hint, this, &frmsetup::ShowHint);
}

void frmsetup::FieldChanged(const QString& id, clsTextbox* field, const QString& value) {
    mSession.SetValue(id, value);
    field->SetEdited(mSession.IsEdited(id));
    Dirty();
}

void frmsetup::Categories_Click() {
    const int selected = Categories->currentIndex();
    if (selected < 0) {
        return;
    }
    BuildPage(selected);
    if (mShownPage >= 0) {
        mPages[static_cast<std::size_t>(mShownPage)].widget->hide();
    }
    mShownPage = selected;
    PlacePage();
    mPages[static_cast<std::size_t>(selected)].widget->show();
}

bool frmsetup::LoadSettings(const QString& path) {
    if (Status loaded = mSession.Load(path); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
    }
    ShowValues();
    return true;
}

bool frmsetup::SaveSettings(const QString& targetPath) {
    EditSession::SaveOptions options;
    options.target = targetPath;
    // Another program's save is waited for as long as the user likes, with a way to stop.
    std::unique_ptr<Dialogs::Waiting> waiting;
    options.wait.tell = [this, &waiting](const QString& message) {
        waiting = mServices.dialogs.ShowWaiting(message);
    };
    options.wait.cancelled = [&waiting] { return waiting && waiting->Cancelled(); };
    options.wait.giveUpAfter = std::chrono::milliseconds::max();
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
    waiting.reset();
    switch (result.outcome) {
        case SaveResult::Outcome::Invalid:
            ShowInvalid(result.invalid);
            return false;
        case SaveResult::Outcome::Reloaded:
            ShowValues();
            return false;
        default:
            break;
    }
    if (ShowSaveResult(result, targetPath, mServices.dialogs) == kExitFailed) {
        return false;
    }
    ShowValues();
    return true;
}

bool frmsetup::ValuesFit() {
    const std::vector<InvalidValue> invalid = mSession.InvalidValues();
    if (!invalid.empty()) {
        ShowInvalid(invalid);
    }
    return invalid.empty();
}

void frmsetup::ShowInvalid(const std::vector<InvalidValue>& invalid) {
    QStringList lines;
    for (const InvalidValue& bad : invalid) {
        if (lines.size() == kListedProblems) {
            lines.append(
                tr("... and %n more", nullptr, static_cast<int>(invalid.size()) - kListedProblems));
            break;
        }
        lines.append(tr("%1 / %2: %3").arg(bad.group->name, bad.item->label, bad.reason));
    }
    mServices.dialogs.ShowMessage(tr("Nothing was saved. These values are not valid:") +
                                      QStringLiteral("\n\n") + lines.join(u'\n'),
                                  Dialogs::MessageKind::Warning);
    const InvalidValue& first = invalid.front();
    ShowField(static_cast<int>(first.group - mConfigDoc.Groups().data()),
              static_cast<int>(first.item - first.group->items.data()));
}

void frmsetup::OpenSettings() {
    if (!Form_QueryUnload()) {
        return;
    }
    const std::optional<QString> chosen =
        mServices.dialogs.AskOpenFileName(Messages::DefaultSettingsName(), Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    // A file that cannot be loaded is reported and leaves the window as it was.
    if (!LoadSettings(*chosen)) {
        return;
    }
    mSettingsFile = *chosen;
    UpdateCaption();
}

bool frmsetup::SaveCurrent() {
    return SaveSettings(mSettingsFile);
}

void frmsetup::SaveSettingsAs() {
    // No file is asked for that could not be saved.
    if (!ValuesFit()) {
        return;
    }
    const std::optional<QString> chosen =
        mServices.dialogs.AskSaveFileName(Messages::DefaultSettingsName(), Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    if (!SaveSettings(*chosen)) {
        return;
    }
    mSettingsFile = *chosen;
    UpdateCaption();
}

void frmsetup::IndShowChanges_Click() {
    // A save would refuse these values, and so would /diff.
    if (!ValuesFit()) {
        return;
    }
    QByteArray diff;
    const SavePreview preview =
        mSession.Preview([&diff](const QByteArray& bytes) { diff += bytes; });
    if (!preview.result.Saved()) {
        ShowSaveResult(preview.result, mSettingsFile, mServices.dialogs);
        return;
    }
    auto* view = new ChangesView(preview, diff, this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    connect(view, &ChangesView::SaveRequested, this, [this, view] {
        if (SaveCurrent()) {
            view->accept();
        }
    });
    view->open();
}

void frmsetup::Ok_Click() {
    if (SaveCurrent()) {
        close();
    }
}

void frmsetup::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload()) {
        if (mAbout) {
            mAbout->close();
        }
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmsetup::Form_QueryUnload() {
    if (!mDirtyMark) {
        return true;
    }
    switch (mServices.dialogs.AskYesNoCancel(Messages::SaveQuestion(mSettingsFile))) {
        case Dialogs::Answer::Cancel:
            return false;
        case Dialogs::Answer::No:
            return true;
        case Dialogs::Answer::Yes:
            // A failed save keeps the window open with its edits.
            if (!SaveCurrent()) {
                return false;
            }
            mServices.dialogs.ShowMessage(Messages::Saved(), Dialogs::MessageKind::Information);
            return true;
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
    for (auto it = mFieldById.cbegin(); it != mFieldById.cend(); ++it) {
        if (clsTextbox* field = mTextboxes[*it].get()) {
            field->SetText(*mSession.Values().Find(it.key()));
            field->SetEdited(mSession.IsEdited(it.key()));
        }
    }
    Dirty();
}
