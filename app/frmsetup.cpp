#include "frmsetup.h"

#include "Messages.h"
#include "about/xAboutTrvSet.h"
#include "schema/FieldNames.h"
#include "schema/clsTextbox.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsWriter.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>

namespace {

// Positions are laid out in twips, 15 to a pixel.
constexpr int Px(int twips) {
    return (twips + 7) / 15;
}

constexpr int kClientWidth = 9930;
constexpr int kClientHeight = 6645;
// The pages scroll between the tab row and the buttons; a row keeps the place it has in the
// window as long as the page is not scrolled.
constexpr int kPageTop = 120 + 375;
constexpr int kPageBottom = 6160;

// Qt reads "[*]" in a window title as the modified placeholder and "[*][*]" as a literal "[*]".
QString EscapePlaceholder(QString caption) {
    return caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

}  // namespace

frmsetup::frmsetup(const CommandLineOptions& options, ProgramServices services)
    : mServices(services) {
    setWindowTitle(QStringLiteral("frmsetup"));
    BuildControls();
    ParseCommandLine(options);
}

frmsetup::~frmsetup() = default;

void frmsetup::BuildControls() {
    QMenu* indFile = menuBar()->addMenu(QStringLiteral("&File"));
    indFile->setObjectName(QStringLiteral("indFile"));
    const auto addItem = [this](QMenu* menu, const char* name, const QString& caption,
                                QKeySequence shortcut, void (frmsetup::*handler)()) {
        QAction* action = menu->addAction(caption, this, handler);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
    };
    addItem(indFile, "IndOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
            &frmsetup::IndOpen_Click);
    addItem(indFile, "IndSave", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
            &frmsetup::IndSave_Click);
    addItem(indFile, "IndSaveAs", QStringLiteral("Save As..."), QKeySequence(),
            &frmsetup::IndSaveAs_Click);
    addItem(indFile, "indExit", QStringLiteral("E&xit"), QKeySequence(), &frmsetup::indExit_Click);
    QMenu* indHelp = menuBar()->addMenu(QStringLiteral("&?"));
    indHelp->setObjectName(QStringLiteral("indHelp"));
    addItem(indHelp, "indAboutTrvSet", QStringLiteral("About Tervo Setup"), QKeySequence(),
            &frmsetup::indAboutTrvSet_Click);

    auto* client = new QWidget(this);
    client->setFixedSize(Px(kClientWidth), Px(kClientHeight));
    setCentralWidget(client);

    Categories = new QTabBar(client);
    Categories->setObjectName(QStringLiteral("Categories"));
    Categories->setGeometry(0, Px(120), Px(9975), Px(375));
    Categories->setExpanding(false);
    connect(Categories, &QTabBar::currentChanged, this, &frmsetup::Categories_Click);

    mPageArea = new QScrollArea(client);
    mPageArea->setObjectName(QStringLiteral("Pages"));
    mPageArea->setFrameShape(QFrame::NoFrame);
    mPageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mPageArea->setGeometry(0, Px(kPageTop), Px(kClientWidth), Px(kPageBottom - kPageTop));
    mPage = new QWidget;
    mPage->resize(mPageArea->width() - 20, 0);
    mPageArea->setWidget(mPage);

    Ok = new QPushButton(QStringLiteral("OK"), client);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setGeometry(Px(6240), Px(6240), Px(1575), Px(375));
    connect(Ok, &QPushButton::clicked, this, &frmsetup::Ok_Click);
    Cancel = new QPushButton(QStringLiteral("Abbrechen"), client);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(Px(8040), Px(6240), Px(1575), Px(375));
    connect(Cancel, &QPushButton::clicked, this, &frmsetup::Cancel_Click);
    // Neither button is the window's default: Enter in a field does not save.
    Ok->setAutoDefault(false);
    Cancel->setAutoDefault(false);
    setTabOrder(Ok, Cancel);
    setTabOrder(Cancel, Categories);
}

void frmsetup::ParseCommandLine(const CommandLineOptions& options) {
    const StartupPaths paths = ResolveStartupPaths(options);
    mConfigFile = paths.configFile;
    mSettingsFile = paths.settingsFile;
    mBaseDir = options.baseDir;
}

std::optional<int> frmsetup::Form_Load() {
    mTitle = QStringLiteral("Configuration Editor");
    if (!LoadConfiguration(mConfigFile)) {
        return kExitFailed;
    }
    if (!LoadSettings(mSettingsFile)) {
        return kExitFailed;
    }
    mDirtyMark.clear();
    UpdateCaption();
    return std::nullopt;
}

bool frmsetup::LoadConfiguration(const QString& path) {
    while (Categories->count() > 0) {
        Categories->removeTab(0);
    }
    if (Status loaded = LoadConfigurationFile(mServices.files, path, &mConfigDoc); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
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
    const int index = Categories->addTab(group.name);
    Categories->setTabData(index, group.name);
    int row = 0;
    for (const ConfigItem& item : group.items) {
        AddField(item, row, group.name);
        ++row;
    }
    mRowCountByGroup.insert(group.name, row);
}

void frmsetup::AddField(const ConfigItem& item, int row, const QString& groupName) {
    const int top = Px(RowLayout::Top(row)) - Px(kPageTop);
    // The label is made first: the text box, made after it, lies on top where the two overlap,
    // so the start of the field is never hidden, and nothing has to be restacked.
    auto* label = new QLabel(item.label, mPage);
    label->setObjectName(LabelControlName(item.id));
    label->setProperty("Tag", groupName);
    label->setGeometry(Px(RowLayout::kLabelLeft), top, Px(RowLayout::kWidth),
                       Px(RowLayout::kHeight));
    label->hide();

    ++mTextboxCount;
    auto textbox = std::make_unique<clsTextbox>();
    const QString fieldName = FieldControlName(item.id);
    textbox->Create(fieldName, groupName, this, mPage, Px(RowLayout::kFieldLeft), top);
    mTextboxByName.insert(fieldName, textbox.get());
    mTextboxes.push_back(std::move(textbox));
}

void frmsetup::Categories_Click() {
    const int selected = Categories->currentIndex();
    if (selected < 0) {
        return;
    }
    const QString key = Categories->tabData(selected).toString();
    for (QObject* child : mPage->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        const QString tag = control ? control->property("Tag").toString() : QString();
        if (!tag.isEmpty()) {
            control->setVisible(tag == key);
        }
    }
    const int rows = mRowCountByGroup.value(key);
    mPage->resize(
        mPage->width(),
        rows == 0 ? 0 : Px(RowLayout::Top(rows - 1) + RowLayout::kHeight + 200) - Px(kPageTop));
}

bool frmsetup::LoadSettings(const QString& path) {
    if (Status loaded = ReadSettingsInto(mServices.files, path, mConfigDoc, *this); !loaded.ok()) {
        mServices.dialogs.ShowMessage(Messages::CouldNotLoad(loaded));
        return false;
    }
    mDirtyMark.clear();
    UpdateCaption();
    return true;
}

bool frmsetup::SaveSettings(const QString& sourcePath, const QString& targetPath) {
    const SaveResult result = SaveAndExport(mConfigDoc, *this, sourcePath, targetPath, mBaseDir,
                                            {mServices.files, mServices.processes});
    if (!result.saved.ok()) {
        mServices.dialogs.ShowMessage(result.saved.message());
        return false;
    }
    for (const QString& problem : result.problems) {
        mServices.dialogs.ShowMessage(problem);
    }
    mDirtyMark.clear();
    UpdateCaption();
    return true;
}

void frmsetup::OpenSettings() {
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
    mDirtyMark.clear();
    UpdateCaption();
}

bool frmsetup::SaveCurrent() {
    return SaveSettings(mSettingsFile, mSettingsFile);
}

void frmsetup::SaveSettingsAs() {
    const std::optional<QString> chosen =
        mServices.dialogs.AskSaveFileName(Messages::DefaultSettingsName(), Messages::XmlFilter());
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    // An existing settings file receives the values in its own entries. A new file gets the
    // current file's document, so that it holds the values too instead of a bare root.
    const QString source = mServices.files.Exists(*chosen) ? *chosen : mSettingsFile;
    if (!SaveSettings(source, *chosen)) {
        return;
    }
    mSettingsFile = *chosen;
    UpdateCaption();
}

void frmsetup::Ok_Click() {
    if (SaveCurrent()) {
        close();
    }
}

void frmsetup::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool frmsetup::Form_QueryUnload() {
    if (mDirtyMark != u"*") {
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
            mServices.dialogs.ShowMessage(Messages::Saved());
            return true;
    }
    return false;
}

void frmsetup::Dirty() {
    mDirtyMark = QStringLiteral("*");
    UpdateCaption();
}

void frmsetup::UpdateCaption() {
    QString caption = mTitle + QStringLiteral(" - [") + mSettingsFile + u']' + mDirtyMark;
    // Every loaded value reports a change; an unchanged caption costs one comparison.
    if (caption == mCaption) {
        return;
    }
    mCaption = std::move(caption);
    setWindowTitle(EscapePlaceholder(mCaption));
}

void frmsetup::indAboutTrvSet_Click() {
    if (!mAbout) {
        mAbout = std::make_unique<xAboutTrvSet>();
    }
    mAbout->Load();
}

std::optional<QString> frmsetup::FieldText(const QString& fieldName) const {
    const clsTextbox* textbox = mTextboxByName.value(fieldName);
    if (textbox == nullptr) {
        return std::nullopt;
    }
    return textbox->Textbox()->text();
}

bool frmsetup::SetFieldText(const QString& fieldName, const QString& text) {
    clsTextbox* textbox = mTextboxByName.value(fieldName);
    if (textbox == nullptr) {
        return false;
    }
    QLineEdit* edit = textbox->Textbox();
    edit->setText(text);
    // Show the start of a long value rather than its end.
    edit->setCursorPosition(0);
    return true;
}
