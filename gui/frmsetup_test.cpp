#include "gui/frmsetup.h"

#include "gui/xAboutTrvSet.h"
#include "platform/DiskFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/ScriptedDialogs.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using Answer = Dialogs::Answer;

const char kConfig[] = R"~(<xml>
  <group><name>Database</name>
    <item><name>Host</name><type>text</type><varname>$(DBHOST)</varname></item>
    <item><name>Port</name><type>text</type><varname>$(DBPORT)</varname></item>
    <item><name>Odd</name><type>text</type><varname>$(ODD</varname></item>
  </group>
  <group><name>Paths</name>
    <item><name>Log directory</name><type>text</type><varname>LOGDIR</varname></item>
  </group>
  <files><file><input>app.in</input><output>app.out</output></file></files>
</xml>)~";

const char kSettings[] = R"~(<?xml version="1.0"?>
<xml>
  <variable id="$(DBHOST)">db1</variable>
  <variable id="$(DBPORT)">5432</variable>
  <variable id="LOGDIR">/var/log</variable>
</xml>
)~";

// Drives the real main window on files in a temporary folder, with scripted dialogs.
class FrmsetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        Write(QStringLiteral("config.xml"), kConfig);
        Write(QStringLiteral("settings.xml"), kSettings);
        Write(QStringLiteral("app.in"), "host=$(DBHOST) port=$(DBPORT)");
    }

    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray Read(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QString Path(const QString& name) const { return mDir.filePath(name); }

    // Creates the window on the folder's files and runs its start-up sequence.
    std::optional<int> Start(QString extra = QString()) {
        const QString commandLine =
            QStringLiteral("/conf:") + Path(QStringLiteral("config.xml")) + u' ' + extra;
        mWindow = std::make_unique<frmsetup>(ParseCommandLine(GetCommandLine(commandLine)),
                                             ProgramServices{mDialogs, mFiles, mLauncher});
        return mWindow->Form_Load();
    }

    template <typename T>
    T* Control(const char* name) const {
        T* control = mWindow->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QLineEdit* Field(const char* name) const { return Control<QLineEdit>(name); }
    void Trigger(const char* action) { Control<QAction>(action)->trigger(); }
    // Types `text` at the end of the field.
    void Type(const char* field, const char* text) {
        QLineEdit* edit = Field(field);
        edit->end(false);
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
    bool Dirty() const { return mWindow->Caption().endsWith(u'*'); }

    QTemporaryDir mDir;
    DiskFileSystem mFiles;
    FakeProcessLauncher mLauncher;
    ScriptedDialogs mDialogs;
    std::unique_ptr<frmsetup> mWindow;
};

TEST_F(FrmsetupTest, BuildsOneTabPerGroupWithLabelledFields) {
    ASSERT_EQ(Start(), std::nullopt);
    auto* tabs = Control<QTabBar>("Categories");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Database"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Paths"));
    EXPECT_EQ(tabs->currentIndex(), 0);

    EXPECT_EQ(Field("eDBHOST")->text(), QStringLiteral("db1"));
    EXPECT_EQ(Field("eDBPORT")->text(), QStringLiteral("5432"));
    // Loaded values show their start.
    EXPECT_EQ(Field("eDBPORT")->cursorPosition(), 0);
    EXPECT_EQ(Field("eODD")->text(), QString());
    EXPECT_EQ(Field("eLOGDIR")->text(), QStringLiteral("/var/log"));
    EXPECT_EQ(Control<QLabel>("lblDBPORT")->text(), QStringLiteral("Port"));
    EXPECT_EQ(Field("eDBPORT")->property("Tag").toString(), QStringLiteral("Database"));

    // Rows are 500 twips (33 px) apart; a field lies over the end of its label and on top of it.
    QLabel* host = Control<QLabel>("lblDBHOST");
    QLineEdit* port = Field("eDBPORT");
    EXPECT_EQ(Control<QLabel>("lblDBPORT")->y() - host->y(), 33);
    EXPECT_EQ(port->y(), Control<QLabel>("lblDBPORT")->y());
    EXPECT_EQ(port->x(), 100);
    EXPECT_EQ(host->x(), 13);
    EXPECT_EQ(port->parentWidget()->childAt(port->x() + 2, port->y() + 5), port);

    EXPECT_EQ(mWindow->Caption(), QStringLiteral("Configuration Editor - [") +
                                      Path(QStringLiteral("settings.xml")) + u']');
    EXPECT_TRUE(mDialogs.messages.isEmpty());
}

TEST_F(FrmsetupTest, SelectingATabShowsOnlyItsFields) {
    ASSERT_EQ(Start(), std::nullopt);
    auto visible = [this](const char* name) { return !Control<QWidget>(name)->isHidden(); };
    EXPECT_TRUE(visible("eDBHOST") && visible("lblDBHOST") && visible("eODD"));
    EXPECT_FALSE(visible("eLOGDIR") || visible("lblLOGDIR"));

    Control<QTabBar>("Categories")->setCurrentIndex(1);
    EXPECT_FALSE(visible("eDBHOST") || visible("lblDBHOST") || visible("eODD"));
    EXPECT_TRUE(visible("eLOGDIR") && visible("lblLOGDIR"));
    EXPECT_TRUE(visible("Ok") && visible("Cancel") && visible("Categories"));

    Control<QTabBar>("Categories")->setCurrentIndex(0);
    EXPECT_TRUE(visible("eDBHOST"));
    EXPECT_FALSE(visible("eLOGDIR"));
}

TEST_F(FrmsetupTest, RowsBeyondTheWindowCanBeScrolledTo) {
    QByteArray config = "<xml><group><name>Many</name>";
    for (int i = 0; i < 70; ++i) {
        config += "<item><name>V" + QByteArray::number(i) + "</name><varname>$(V" +
                  QByteArray::number(i) + ")</varname></item>";
    }
    Write(QStringLiteral("config.xml"), config + "</group></xml>");
    Write(QStringLiteral("settings.xml"), "<xml/>");
    ASSERT_EQ(Start(), std::nullopt);
    QLineEdit* last = Field("eV69");
    QLineEdit* first = Field("eV0");
    // Row 69 lies at 35500 twips, past the 16-bit range: 2367 px against 67 px for row 0.
    EXPECT_EQ(last->y() - first->y(), 2300);
    EXPECT_GE(last->parentWidget()->height(), last->y() + last->height());
}

TEST_F(FrmsetupTest, EditsMarkTheCaptionAndSaveWritesAndExports) {
    ASSERT_EQ(Start(), std::nullopt);
    EXPECT_FALSE(Dirty());
    Field("eDBHOST")->clear();
    Type("eDBHOST", "db2 & <co>");
    EXPECT_TRUE(Dirty());

    Trigger("IndSave");
    EXPECT_FALSE(Dirty());
    EXPECT_TRUE(Read(QStringLiteral("settings.xml")).contains(">db2 &amp; &lt;co&gt;<"));
    EXPECT_EQ(Read(QStringLiteral("app.out")), QByteArray("host=db2 & <co> port=5432"));
    EXPECT_TRUE(mDialogs.messages.isEmpty());
}

TEST_F(FrmsetupTest, ClosingWithEditsAsks) {
    ASSERT_EQ(Start(), std::nullopt);
    mWindow->show();
    Type("eDBPORT", "1");
    const QString question = QStringLiteral("Wollen sie die ") +
                             Path(QStringLiteral("settings.xml")) + QStringLiteral(" speichern?");

    mDialogs.answers = {Answer::Cancel};
    EXPECT_FALSE(mWindow->close());
    EXPECT_EQ(mDialogs.questions, QStringList({question}));
    EXPECT_TRUE(Dirty());
    EXPECT_EQ(Field("eDBPORT")->text(), QStringLiteral("54321"));

    mDialogs.answers = {Answer::Yes};
    Control<QPushButton>("Cancel")->click();
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_EQ(mDialogs.messages, QStringList({"Erfolgreich gespeichert"}));
    EXPECT_TRUE(Read(QStringLiteral("settings.xml")).contains(">54321<"));
    EXPECT_TRUE(mDialogs.unexpected.isEmpty());
}

TEST_F(FrmsetupTest, AnsweringNoClosesWithoutSaving) {
    ASSERT_EQ(Start(), std::nullopt);
    Type("eDBPORT", "1");
    mDialogs.answers = {Answer::No};
    EXPECT_TRUE(mWindow->close());
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), QByteArray(kSettings));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("app.out"))));
}

TEST_F(FrmsetupTest, ClosingWithoutEditsAsksNothingAndOkSavesSilently) {
    ASSERT_EQ(Start(), std::nullopt);
    EXPECT_TRUE(mWindow->close());
    EXPECT_TRUE(mDialogs.questions.isEmpty());

    ASSERT_EQ(Start(), std::nullopt);
    mWindow->show();
    Type("eDBHOST", "x");
    Control<QPushButton>("Ok")->click();
    EXPECT_FALSE(mWindow->isVisible());
    EXPECT_TRUE(Read(QStringLiteral("settings.xml")).contains(">db1x<"));
    EXPECT_TRUE(mDialogs.questions.isEmpty());
    EXPECT_TRUE(mDialogs.messages.isEmpty());
}

TEST_F(FrmsetupTest, AFailedSaveKeepsTheWindowAndItsEdits) {
    ASSERT_EQ(Start(), std::nullopt);
    mWindow->show();
    Type("eDBHOST", "x");
    const QByteArray broken = "<xml><variable id=\"$(DBHOST)\">";
    Write(QStringLiteral("settings.xml"), broken);

    Control<QPushButton>("Ok")->click();
    EXPECT_TRUE(mWindow->isVisible());
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].contains(Path(QStringLiteral("settings.xml"))));
    EXPECT_TRUE(Dirty());
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), broken);

    // Yes in the close question tries again, fails again and keeps the window open.
    mDialogs.answers = {Answer::Yes};
    EXPECT_FALSE(mWindow->close());
    EXPECT_EQ(Field("eDBHOST")->text(), QStringLiteral("db1x"));
    EXPECT_FALSE(mDialogs.messages.contains(QStringLiteral("Erfolgreich gespeichert")));
}

TEST_F(FrmsetupTest, OpenReplacesTheValuesOrKeepsEverythingOnFailure) {
    Write(QStringLiteral("other.xml"), R"~(<xml><variable id="$(DBHOST)">other</variable></xml>)~");
    Write(QStringLiteral("broken.xml"), "<xml>");
    ASSERT_EQ(Start(), std::nullopt);
    Type("eDBPORT", "9");

    mDialogs.fileNames = {std::nullopt};
    Trigger("IndOpen");
    EXPECT_EQ(mDialogs.fileDialogs, QStringList({"open settings.xml XML Dateien (*.xml)"}));
    EXPECT_TRUE(Dirty());

    mDialogs.fileNames = {Path(QStringLiteral("broken.xml"))};
    Trigger("IndOpen");
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].startsWith(QStringLiteral("The file could not be loaded!")));
    EXPECT_TRUE(mDialogs.messages[0].contains(QStringLiteral("broken.xml")));
    EXPECT_TRUE(Dirty());
    EXPECT_EQ(mWindow->SettingsFile(), Path(QStringLiteral("settings.xml")));
    EXPECT_EQ(Field("eDBPORT")->text(), QStringLiteral("54329"));

    mDialogs.fileNames = {Path(QStringLiteral("other.xml"))};
    Trigger("IndOpen");
    EXPECT_FALSE(Dirty());
    EXPECT_EQ(mWindow->SettingsFile(), Path(QStringLiteral("other.xml")));
    EXPECT_TRUE(mWindow->Caption().endsWith(QStringLiteral("other.xml]")));
    EXPECT_EQ(Field("eDBHOST")->text(), QStringLiteral("other"));
    // A variable the opened file does not list keeps what its field held.
    EXPECT_EQ(Field("eDBPORT")->text(), QStringLiteral("54329"));
    EXPECT_TRUE(mDialogs.questions.isEmpty());
}

TEST_F(FrmsetupTest, SaveAsToANewFileKeepsTheValuesAndSwitchesTheDocument) {
    ASSERT_EQ(Start(), std::nullopt);
    Type("eDBPORT", "0");

    mDialogs.fileNames = {std::nullopt};
    Trigger("IndSaveAs");
    EXPECT_TRUE(Dirty());

    const QString copy = Path(QStringLiteral("copy.xml"));
    mDialogs.fileNames = {copy};
    Trigger("IndSaveAs");
    EXPECT_FALSE(Dirty());
    EXPECT_EQ(mWindow->Caption(), QStringLiteral("Configuration Editor - [") + copy + u']');
    EXPECT_TRUE(Read(QStringLiteral("copy.xml")).contains(">54320<"));
    EXPECT_TRUE(Read(QStringLiteral("copy.xml")).contains(">db1<"));
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), QByteArray(kSettings));
    EXPECT_EQ(Read(QStringLiteral("app.out")), QByteArray("host=db1 port=54320"));

    // Later saves write the new file.
    Type("eDBHOST", "z");
    Trigger("IndSave");
    EXPECT_TRUE(Read(QStringLiteral("copy.xml")).contains(">db1z<"));
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), QByteArray(kSettings));
}

TEST_F(FrmsetupTest, SaveAsOntoAnExistingFileFillsItsOwnEntries) {
    Write(QStringLiteral("existing.xml"),
          R"~(<xml><variable id="$(DBPORT)">old</variable><extra>kept</extra></xml>)~");
    ASSERT_EQ(Start(), std::nullopt);
    mDialogs.fileNames = {Path(QStringLiteral("existing.xml"))};
    Trigger("IndSaveAs");
    const QByteArray saved = Read(QStringLiteral("existing.xml"));
    EXPECT_TRUE(saved.contains(">5432<"));
    EXPECT_TRUE(saved.contains("<extra>kept</extra>"));
    EXPECT_FALSE(saved.contains("db1"));
}

TEST_F(FrmsetupTest, StartUpEndsWhenAFileCannotBeLoaded) {
    QFile::remove(Path(QStringLiteral("settings.xml")));
    EXPECT_EQ(Start(), 2);
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].startsWith(QStringLiteral("The file could not be loaded!")));
    EXPECT_TRUE(mDialogs.messages[0].contains(Path(QStringLiteral("settings.xml"))));

    mDialogs.messages.clear();
    Write(QStringLiteral("config.xml"),
          "<xml><group><name>A</name></group>"
          "<group><name>A</name></group></xml>");
    EXPECT_EQ(Start(), 2);
    ASSERT_EQ(mDialogs.messages.size(), 1);
    EXPECT_TRUE(mDialogs.messages[0].contains(QStringLiteral("group names must be unique")));
}

TEST_F(FrmsetupTest, TheCaptionShowsPathsLiterally) {
    Write(QStringLiteral("odd[*].xml"), kSettings);
    ASSERT_EQ(Start(QStringLiteral("/file:odd[*].xml")), std::nullopt);
    mWindow->show();
    ASSERT_NE(mWindow->windowHandle(), nullptr);
    EXPECT_TRUE(mWindow->windowHandle()->title().endsWith(QStringLiteral("odd[*].xml]")))
        << mWindow->windowHandle()->title().toStdString();
    Type("eDBHOST", "x");
    EXPECT_TRUE(mWindow->windowHandle()->title().endsWith(QStringLiteral("odd[*].xml]*")));
}

TEST_F(FrmsetupTest, TheAboutWindowOpensOnceAndClosesOnAClick) {
    ASSERT_EQ(Start(), std::nullopt);
    Trigger("indAboutTrvSet");
    Trigger("indAboutTrvSet");
    const QList<xAboutTrvSet*> abouts = [] {
        QList<xAboutTrvSet*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<xAboutTrvSet*>(widget); about && about->isVisible()) {
                found.append(about);
            }
        }
        return found;
    }();
    ASSERT_EQ(abouts.size(), 1);
    auto* picture = abouts[0]->findChild<QLabel*>(QStringLiteral("Picture1"));
    ASSERT_NE(picture, nullptr);
    ASSERT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pixmap().size(), QSize(360, 216));

    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_FALSE(abouts[0]->isVisible());
    Trigger("indAboutTrvSet");
    EXPECT_TRUE(abouts[0]->isVisible());
}

}  // namespace
