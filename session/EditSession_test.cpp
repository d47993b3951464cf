#include "session/EditSession.h"

#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/QStringPrinter.h"
#include "testing/TextMatchers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const char kConfig[] = R"~(<xml><group><name>G</name>
    <item><name>Port</name><varname>$(P)</varname></item>
    <item><name>Host name</name><varname>$(H)</varname></item></group>
    <command id="before">b</command><command id="after">a</command>
    <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
const char kOld[] = R"~(<xml><variable id="$(P)">o</variable><variable id="$(H)"/></xml>)~";
const QByteArray kP = R"~(<variable id="$(P)">&amp;&lt;</variable>)~";
const QByteArray kH = R"~(<variable id="$(H)">h</variable>)~";
const QByteArray kNew = "<xml>" + kP + kH + "</xml>";
const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A session on "config.xml" with the template "t.in", over an in-memory disk.
struct Session {
    explicit Session(const char* settings, const char* config = kConfig) {
        files.SetFile("config.xml", config);
        files.SetFile("t.in", "$(P)");
        if (settings)
            files.SetFile("settings.xml", settings);
        loaded = session.LoadConfiguration("config.xml", "");
        if (loaded.ok())
            loaded = settings ? session.Load("settings.xml") : Status::Ok();
        if (!settings)
            session.StartNew("settings.xml");
    }
    // What a save left: its outcome's first message, the commands started, then the files.
    QString Saved(const EditSession::SaveOptions& options = {}) {
        const SaveResult result = session.Save(options);
        QStringList said = result.problems;
        if (!result.refusal.ok())
            said.prepend(result.refusal.message().section(u'\n', 0, 0));
        return said.join(u'|') + " [" + launcher.commandLines().join(u' ') + "] " +
               files.FileContents("settings.xml") + " / " + files.FileContents("t.out");
    }

    FakeFileSystem files;
    FakeProcessLauncher launcher;
    EditSession session{files, launcher};
    Status loaded = Status::Ok();
};

// Saves "&<" and `host` into $(P) and $(H). A save that cannot be done whole leaves the file alone.
TEST(EditSessionTest, WritesEveryValueOrRefusesTheSave) {
    struct Case {
        const char* what;
        const char* file;     // the settings file before the save; nullptr: none
        QByteArray saved;     // its root element after the save (a new file's behind a
                              // declaration); empty: it keeps its bytes
        const char* message;  // "" when the save stands
        QString host = "h";
    };
    const Case cases[] = {
        // Regression: a typed value of a variable that the file did not list was dropped.
        {"without a file every value adds an element", nullptr, kNew, ""},
        // Regression: the value of $(H) was written into the freed nested element.
        {"an element inside another goes with the outer value; the next of its id takes its value",
         R"~(<xml><variable id="$(P)">1<variable id="$(H)">n</variable></variable>)~"
         R"~(<variable id="$(H)">root</variable></xml>)~",
         kNew, ""},
        // Regression: a file that its next load refuses was written, and every later run failed.
        {"a file too large for its next load is refused", kOld, "",
         "The largest value is that of \"Host name\" ($(H)).", QString(17 << 20, u'>')},
        {"a value XML cannot store is refused", kOld, "", "holds the character U+0001",
         QString(u'\x01')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.file);
        ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
        s.session.SetValue("$(P)", "&<");
        s.session.SetValue("$(H)", c.host);
        const SaveResult result = s.session.Save({});
        QStringList reported = result.problems;
        if (!result.refusal.ok())
            reported.prepend(result.refusal.message());
        EXPECT_THAT(reported, HoldTextsInTurn(*c.message ? QStringList(c.message) : QStringList()));
        EXPECT_EQ(result.Saved(), !*c.message);
        EXPECT_EQ(Bytes{s.files.FileContents("settings.xml")},
                  Bytes{c.saved.isEmpty() ? QByteArray(c.file)
                                          : (c.file ? "" : kHeader) + c.saved + '\n'});
        EXPECT_EQ(s.session.HasChanges(), !result.Saved());
    }
}

// "HOST", declared outside any item, addresses the item "$(HOST)": loading takes the value of the
// id whose first element comes later, and a save writes the item's value into both.
TEST(EditSessionTest, IdsOfOneBareNameAddressOneItem) {
    Session s("<xml><variable id='HOST'>a</variable><variable id='$(HOST)'>b</variable></xml>",
              "<xml><group><name/><item><name/><varname>$(HOST)</varname></item>"
              "</group><other><varname>HOST</varname></other></xml>");
    ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
    EXPECT_EQ(*s.session.Values().Find("$(HOST)"), "b");
    s.session.SetValue("$(HOST)", "new");
    ASSERT_TRUE(s.session.Save({}).Complete());
    EXPECT_THAT(s.files.FileContents("settings.xml").toStdString(),
                testing::HasSubstr("<xml><variable id=\"HOST\">new</variable><variable "
                                   "id=\"$(HOST)\">new</variable></xml>"));
}

// The session knows which values differ from the file as loaded or last saved.
TEST(EditSessionTest, TellsEditedValuesUntilTheyAreSaved) {
    Session s(kOld);
    EXPECT_FALSE(s.session.HasChanges());
    EXPECT_FALSE(s.session.SetValue("$(X)", "no such item"));
    s.session.SetValue("$(P)", "edited");
    EXPECT_TRUE(s.session.IsEdited("$(P)") && s.session.HasChanges());
    s.session.SetValue("$(P)", "o");  // back to the saved value
    EXPECT_FALSE(s.session.IsEdited("$(P)") || s.session.HasChanges());
    s.session.SetValue("$(H)", "h");
    ASSERT_TRUE(s.session.Save({}).Complete());
    EXPECT_FALSE(s.session.IsEdited("$(H)") || s.session.HasChanges());
    EXPECT_EQ(*s.session.SavedValue("$(H)"), "h");
}

// Another program changes the settings file between the load and the save; the save asks, without
// holding the lock, and does as it is answered. A run without edits saves the file as it is now.
TEST(EditSessionTest, AsksBeforeOverwritingAChangeOnDisk) {
    const char kTheirs[] = R"~(<xml><variable id="$(P)">theirs</variable></xml>)~";
    const struct {
        const char* what;
        bool edited;
        std::optional<EditSession::ChangedOnDisk> answer;  // none: no question is asked
        QString expected;  // what Saved() says, then the value of $(P) in the session
    } cases[] = {
        {"save over", true, EditSession::ChangedOnDisk::SaveOver,
         " [b a] " +
             QString(R"~(<xml><variable id="$(P)">mine</variable><variable id="$(H)">h</variable>)~"
                     R"~(</xml>)~") +
             "\n / mine mine"},
        {"reload", true, EditSession::ChangedOnDisk::Reload,
         " [] " + QString(kTheirs) + " /  theirs"},
        {"cancel", true, EditSession::ChangedOnDisk::Cancel,
         " [] " + QString(kTheirs) + " /  mine"},
        {"edits without a question are saved over it", true, std::nullopt,
         " [b a] " +
             QString(R"~(<xml><variable id="$(P)">mine</variable><variable id="$(H)">h</variable>)~"
                     R"~(</xml>)~") +
             "\n / mine mine"},
        {"a run without edits takes the file as it is", false, std::nullopt,
         " [b a] " + QString(kTheirs) + " / theirs theirs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(kOld);
        if (c.edited) {
            s.session.SetValue("$(P)", "mine");
            s.session.SetValue("$(H)", "h");
        }
        s.files.SetFile("settings.xml", kTheirs);
        EditSession::SaveOptions options;
        int asked = 0;
        if (c.answer) {
            options.changedOnDisk = [&](bool exists) {
                ++asked;
                EXPECT_TRUE(exists);
                return *c.answer;
            };
        }
        const QString saved = s.Saved(options);
        EXPECT_EQ(saved + ' ' + *s.session.Values().Find("$(P)"), c.expected);
        EXPECT_EQ(asked, c.answer ? 1 : 0);
    }
}

// A value that breaks its rules, a wait for the lock that the user stops, a before command that
// fails: nothing is written and no command started but the before command.
TEST(EditSessionTest, RefusesBeforeWritingAnything) {
    struct StoppedLock final : FakeFileSystem {
        Status LockForUpdate(const QString&, const LockWait& wait,
                             std::unique_ptr<UpdateLock>*) override {
            wait.tell("Waiting");
            return wait.cancelled() ? Status::Cancelled("stopped") : Status::Error("gave up");
        }
    };
    const char kNumber[] = R"~(<xml><group><name>G</name>
        <item><name>Port</name><varname>$(P)</varname><type>number</type></item></group>
        <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
    Session invalid(kOld, kNumber);
    invalid.session.SetValue("$(P)", "x");
    const SaveResult refused = invalid.session.Save({});
    ASSERT_EQ(refused.outcome, SaveResult::Outcome::Invalid);
    ASSERT_EQ(refused.invalid.size(), 1u);
    EXPECT_EQ(refused.invalid[0].reason, "is not a whole number");
    EXPECT_FALSE(invalid.files.HasFile("t.out"));

    StoppedLock files;
    files.SetFile("config.xml", kConfig);
    FakeProcessLauncher launcher;
    EditSession session(files, launcher);
    ASSERT_TRUE(session.LoadConfiguration("config.xml", "").ok());
    EditSession::SaveOptions options;
    QStringList told;
    options.wait.tell = [&](const QString& message) { told.append(message); };
    options.wait.cancelled = [] { return true; };
    EXPECT_EQ(session.Save(options).outcome, SaveResult::Outcome::Cancelled);
    EXPECT_EQ(told, QStringList{"Waiting"});

    Session failing(kOld, "<xml><command id='before' wait='true'>b</command></xml>");
    failing.launcher.EndWith("b", "ended with status 3");
    EXPECT_EQ(failing.Saved(), "The before command did not succeed, so nothing was saved. [b] " +
                                   QString(kOld) + " / ");
}

// Save As: a file that exists receives the values in its own entries; a new one starts from the
// session's file. Either becomes the session's file.
TEST(EditSessionTest, SavesUnderAnotherName) {
    Session s(kOld);
    s.files.SetFile("other.xml", R"~(<xml><!-- mine --><variable id="$(H)">x</variable></xml>)~");
    s.session.SetValue("$(H)", "h");
    EditSession::SaveOptions options;
    options.target = "other.xml";
    ASSERT_TRUE(s.session.Save(options).Complete());
    EXPECT_EQ(s.session.SettingsFile(), "other.xml");
    EXPECT_THAT(s.files.FileContents("other.xml").toStdString(),
                testing::HasSubstr("<!-- mine --><variable id=\"$(H)\">h</variable><variable "
                                   "id=\"$(P)\">o</variable>"));
    options.target = "new.xml";
    ASSERT_TRUE(s.session.Save(options).Complete());
    EXPECT_THAT(s.files.FileContents("new.xml").toStdString(), testing::HasSubstr("<!-- mine -->"));
    EXPECT_EQ(s.files.FileContents("settings.xml"), kOld);
}

// Running out of memory is a failure like any other: it names the file and leaves the rest as it
// was; in the export it fails the entry only.
TEST(EditSessionTest, RunningOutOfMemoryFailsTheStepItHappensIn) {
    Session loading(kOld);
    loading.files.FailReading("settings.xml", FakeFileSystem::kOutOfMemory);
    EXPECT_EQ(loading.session.Load("settings.xml").message(),
              "settings.xml: there is not enough memory");
    EXPECT_EQ(loading.Saved(), "The settings could not be saved. [] " + QString(kOld) + " / ");

    Session exporting(kOld);
    exporting.files.FailReading("t.in", FakeFileSystem::kOutOfMemory);
    EXPECT_EQ(exporting.Saved(),
              "t.out could not be written\nt.in: there is not enough memory [b a] " +
                  QString(kOld) + " / ");
}

}  // namespace
