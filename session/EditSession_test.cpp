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
    const QString savedOver =
        R"~( [b a] <xml><variable id="$(P)">mine</variable><variable id="$(H)">h</variable></xml>)~"
        "\n / mine mine";
    const struct {
        const char* what;
        bool edited;
        std::optional<EditSession::ChangedOnDisk> answer;  // none: no question is asked
        QString expected;  // what Saved() says, then the value of $(P) in the session
    } cases[] = {
        {"save over", true, EditSession::ChangedOnDisk::SaveOver, savedOver},
        {"reload", true, EditSession::ChangedOnDisk::Reload,
         " [] " + QString(kTheirs) + " /  theirs"},
        {"cancel", true, EditSession::ChangedOnDisk::Cancel,
         " [] " + QString(kTheirs) + " /  mine"},
        {"edits without a question are saved over it", true, std::nullopt, savedOver},
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

// A waited command that fails is told with the last lines of its standard error, unless the
// value of a password, stored, edited or the run's, occurs in them: a command may print one.
TEST(EditSessionTest, HoldsBackErrorLinesThatHoldAPassword) {
    const char kWaited[] = R"~(<xml><group><name>G</name>
        <item><name>Pass</name><type>password</type><varname>$(PW)</varname></item></group>
        <command id="before" wait="true">b</command></xml>)~";
    const QString failed =
        "The before command did not succeed, so nothing was saved.\n"
        "The command ended with status 3: b";
    const QString lines = "\nThe last lines it wrote to standard error:\nconnecting\n";
    const QString heldBack =
        "\nThe last 2 line(s) it wrote to standard error are held back: the "
        "value of a password occurs in them.";
    const struct {
        const char* what;
        QString edited, runValue;  // of $(PW); the stored one is "st0red"
        QString errorLine;
        QString message;
    } cases[] = {
        {"lines without a password are shown", "", "", "no route to host",
         failed + lines + "no route to host"},
        {"the stored password", "", "", "login st0red failed", failed + heldBack},
        {"an edited password", "ed1ted", "", "bad password ed1ted!", failed + heldBack},
        {"the run's password", "", "runPw", "runPw", failed + heldBack},
        {"a line of a password of several lines", "one\ntw0", "", "tw0", failed + heldBack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(R"~(<xml><variable id="$(PW)">st0red</variable></xml>)~", kWaited);
        ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
        if (!c.edited.isEmpty())
            s.session.SetValue("$(PW)", c.edited);
        if (!c.runValue.isEmpty())
            s.session.SetRunValues({{"$(PW)", c.runValue}});
        s.launcher.EndWith("b", "ended with status 3", {"connecting", c.errorLine});
        EXPECT_EQ(s.session.Save({}).refusal.message(), c.message);
    }
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
// was. In the export it fails the entry only (run/ExportRun_test.cpp).
TEST(EditSessionTest, RunningOutOfMemoryFailsTheStepItHappensIn) {
    Session loading(kOld);
    loading.files.FailReading("settings.xml", FakeFileSystem::kOutOfMemory);
    EXPECT_EQ(loading.session.Load("settings.xml").message(),
              "settings.xml: there is not enough memory");
    EXPECT_EQ(loading.Saved(), "The settings could not be saved. [] " + QString(kOld) + " / ");
}

// "$(A)=x;$(B)=" as values by id.
QHash<QString, QString> ValuesOf(const QString& text) {
    QHash<QString, QString> values;
    for (const QString& pair : text.split(u';', Qt::SkipEmptyParts))
        values.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    return values;
}

// A declared default is the value of every variable that the settings file does not hold: in the
// session, in the outputs, in what /check lists and /diff shows. A save stores a value only where
// it differs from its default or the file holds the variable already. Without defaults, nothing
// of this changes what a save stores or exports.
TEST(EditSessionTest, ADefaultIsTheValueOfAVariableTheFileDoesNotHold) {
    const QByteArray kDefaults = R"~(<xml><group><name>G</name>
        <item><name>A</name><varname>$(A)</varname><default>a</default></item>
        <item><name>B</name><varname>$(B)</varname></item>
        <item><name>C</name><varname>$(C)</varname><default>c</default></item></group>
        <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
    const QByteArray kWithoutDefaults = QByteArray(kDefaults)
                                            .replace("<default>a</default>", "")
                                            .replace("<default>c</default>", "");
    // A file the save creates gets an XML declaration; one it rewrites keeps what it had.
    const auto stored = [](const QByteArray& variables) {
        return kHeader + (variables.isEmpty() ? "<xml/>" : "<xml>" + variables + "</xml>") + '\n';
    };
    const auto bare = [](const QByteArray& variables) { return "<xml>" + variables + "</xml>\n"; };
    const struct {
        const char* what;
        bool defaults;
        const char* file;    // settings.xml before; nullptr: none, as the window starts one
        const char* opened;  // then opened over it as other.xml, as the window's Open does
        QString edits, run;  // values set in the session, and values for this run only
        QString values;      // the session's values of A, B and C once loaded
        QString changed;     // what /check lists
        QByteArray saved;    // the session's file after the save; empty: as it was
        QString output;
    } cases[] = {
        {"a first save stores no default", true, nullptr, nullptr, "", "", "a||c",
         "settings.xml t.out", stored(""), "A=a B=$(B) C=c"},
        {"a first save stores what differs from its default", true, nullptr, nullptr,
         "$(A)=x;$(B)=b", "", "a||c", "settings.xml t.out",
         stored(R"~(<variable id="$(A)">x</variable><variable id="$(B)">b</variable>)~"),
         "A=x B=b C=c"},
        {"an empty value where a default is is stored, so that it stays empty", true, nullptr,
         nullptr, "$(C)=", "", "a||c", "settings.xml t.out", stored(R"~(<variable id="$(C)"/>)~"),
         "A=a B=$(B) C="},
        {"an entry the file holds keeps its bytes, though it holds the default", true,
         R"~(<xml><variable id="$(A)">a</variable></xml>)~", nullptr, "", "", "a||c", "t.out", "",
         "A=a B=$(B) C=c"},
        {"an entry the file holds takes the default's value and stays", true,
         R"~(<xml><variable id="$(A)">x</variable></xml>)~", nullptr, "$(A)=a", "", "x||c",
         "settings.xml t.out", bare(R"~(<variable id="$(A)">a</variable>)~"), "A=a B=$(B) C=c"},
        {"the file's entries come first, then the defaults of what it does not hold", true,
         R"~(<xml><variable id="$(C)">$(A)</variable></xml>)~", nullptr, "", "", "a||$(A)", "t.out",
         "", "A=a B=$(B) C=a"},
        {"a value for one run reaches the output of a variable the file does not hold", true,
         "<xml/>", nullptr, "", "$(A)=r;$(B)=b", "a||c", "t.out", "", "A=r B=b C=c"},
        {"a file opened over another: what it does not hold takes its default, or stays", true,
         R"~(<xml><variable id="$(A)">x</variable><variable id="$(B)">y</variable></xml>)~",
         "<xml/>", "", "", "a|y|c", "other.xml t.out",
         bare(R"~(<variable id="$(B)">y</variable>)~"), "A=a B=y C=c"},
        {"without defaults: a first save stores what is not empty", false, nullptr, nullptr,
         "$(A)=x", "", "||", "settings.xml t.out", stored(R"~(<variable id="$(A)">x</variable>)~"),
         "A=x B=$(B) C=$(C)"},
        {"without defaults: a file opened over another leaves every value as it was", false,
         R"~(<xml><variable id="$(A)">x</variable><variable id="$(B)">y</variable></xml>)~",
         "<xml/>", "", "", "x|y|", "other.xml t.out",
         bare(R"~(<variable id="$(A)">x</variable><variable id="$(B)">y</variable>)~"),
         "A=x B=y C=$(C)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.file, (c.defaults ? kDefaults : kWithoutDefaults).constData());
        ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
        s.files.SetFile("t.in", "A=$(A) B=$(B) C=$(C)");
        if (c.opened) {
            s.files.SetFile("other.xml", c.opened);
            ASSERT_TRUE(s.session.Load("other.xml").ok());
        }
        const QString file = s.session.SettingsFile();
        const QByteArray before = s.files.FileContents(file);
        QStringList values;
        for (const char* id : {"$(A)", "$(B)", "$(C)"})
            values << *s.session.Values().Find(id);
        EXPECT_EQ(values.join(u'|'), c.values);
        const QHash<QString, QString> edits = ValuesOf(c.edits);
        for (auto it = edits.cbegin(); it != edits.cend(); ++it)
            s.session.SetValue(it.key(), it.value());
        s.session.SetRunValues(ValuesOf(c.run));

        QByteArray diff;
        const SavePreview preview = s.session.Preview([&](const QByteArray& b) { diff += b; });
        EXPECT_EQ(preview.changed.join(u' '), c.changed);
        EXPECT_THAT(diff.toStdString(), testing::HasSubstr("\n+" + c.output.toStdString()));
        ASSERT_TRUE(s.session.Save({}).Complete());
        EXPECT_EQ(Bytes{s.files.FileContents(file)}, Bytes{c.saved.isEmpty() ? before : c.saved});
        EXPECT_EQ(s.files.FileContents("t.out"), c.output);
    }
}

// Items that depend on others: HTTPS is a switch, KIND a choice.
const QByteArray kDepends = R"~(<xml><group><name>G</name>
<item><name>HTTPS</name><type>boolean</type><on>yes</on><off>no</off><varname>$(HTTPS)</varname></item>
<item><name>Certificate</name><varname>$(CERT)</varname><required>true</required><depends>$(HTTPS)</depends></item>
<item><name>Kind</name><type>choice</type><option>sqlite</option><option>postgres</option><varname>$(KIND)</varname></item>
<item><name>Host</name><varname>$(HOST)</varname><pattern>[a-z]+</pattern><message>must be a host name</message><depends value="postgres">KIND</depends></item>
<item><name>Port</name><type>number</type><varname>$(PORT)</varname><depends>$(HOST)</depends></item>
<item><name>Both</name><varname>$(BOTH)</varname><required>true</required><depends>$(HTTPS)</depends><depends value="postgres">$(KIND)</depends></item>
</group><files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";

// An item is enabled while each of its depends holds: while the item it names is enabled and that
// item is on (a boolean), not empty (any other kind) or has the value given. A disabled item is
// not checked, in the session or with the values of a run, and its value is kept and exported.
TEST(EditSessionTest, AnItemIsEnabledWhileWhatItDependsOnHolds) {
    const struct {
        const char* what;
        QString values;       // in the settings file, as "HTTPS=yes;KIND=sqlite"
        QString run;          // values for this run only, by id
        QString disabled;     // the items not enabled
        QString invalid;      // "<id>: <reason>" of each value at fault
        QString output = "";  // when none is: CERT, HOST and PORT as exported
    } cases[] = {
        {"a switch off disables what depends on it, and what depends on that",
         "HTTPS=no;KIND=sqlite;HOST=BAD!;PORT=x", "", "$(CERT) $(HOST) $(PORT) $(BOTH)", "",
         "CERT=$(CERT) HOST=BAD! PORT=x"},
        {"a switch on: what depends on it is checked", "HTTPS=yes;KIND=sqlite", "",
         "$(HOST) $(PORT) $(BOTH)", "$(CERT): must not be empty"},
        {"the value that a depends asks for, and a pattern's message", "KIND=postgres;HOST=BAD!",
         "", "$(CERT) $(BOTH)", "$(HOST): must be a host name"},
        {"an empty value disables what depends on it", "KIND=postgres;HOST=;PORT=x", "",
         "$(CERT) $(PORT) $(BOTH)", "", "CERT=$(CERT) HOST= PORT=x"},
        {"every depends of an item must hold", "HTTPS=yes;KIND=postgres;CERT=c;HOST=db;PORT=1", "",
         "", "$(BOTH): must not be empty"},
        {"values for one run enable and are checked", "HTTPS=no;KIND=postgres;HOST=db",
         "$(HTTPS)=yes;$(PORT)=x", "",
         "$(CERT): must not be empty|$(PORT): is not a whole number|$(BOTH): must not be empty"},
        {"a value for one run disables", "HTTPS=yes;CERT=c;KIND=postgres;HOST=db;BOTH=b",
         "$(KIND)=sqlite;$(HOST)=BAD!", "$(HOST) $(PORT) $(BOTH)", "",
         "CERT=c HOST=BAD! PORT=$(PORT)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray settings = "<xml>";
        const QHash<QString, QString> values = ValuesOf(c.values);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings += "<variable id=\"$(" + it.key().toUtf8() + ")\">" + it.value().toUtf8() +
                        "</variable>";
        Session s((settings + "</xml>").constData(), kDepends.constData());
        ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
        s.files.SetFile("t.in", "CERT=$(CERT) HOST=$(HOST) PORT=$(PORT)");
        s.session.SetRunValues(ValuesOf(c.run));
        QStringList disabled;
        for (const char* id : {"$(HTTPS)", "$(CERT)", "$(KIND)", "$(HOST)", "$(PORT)", "$(BOTH)"})
            if (!s.session.IsEnabled(id))
                disabled << id;
        EXPECT_EQ(disabled.join(u' '), c.disabled);
        QStringList invalid;
        for (const InvalidValue& bad : s.session.InvalidValues())
            invalid << bad.item->id + ": " + bad.reason;
        EXPECT_EQ(invalid.join(u'|'), c.invalid);
        if (!c.output.isEmpty()) {
            EXPECT_TRUE(s.session.Save({}).Complete());
            EXPECT_EQ(s.files.FileContents("t.out"), c.output);
        }
    }
}

// A depends that names no other item, or that leads back to its own item, refuses the
// configuration with the line and the word depends.
TEST(EditSessionTest, RefusesADependsThatCannotWork) {
    const struct {
        const char *what, *from, *to;  // the configuration's first `from` becomes `to`
        QString refusal;
    } cases[] = {
        {"a depends on a variable no item declares", "<depends>$(HTTPS)", "<depends>$(HTTP)",
         "line 3: the item \"Certificate\" ($(CERT)): <depends> names $(HTTP), which no item "
         "declares"},
        {"a depends on its own item", "<varname>$(KIND)",
         "<depends>$(KIND)</depends><varname>$(KIND)",
         "line 4: the item \"Kind\" ($(KIND)): <depends> names the item itself"},
        {"two items that depend on each other", "<varname>$(HTTPS)",
         "<depends>$(BOTH)</depends><varname>$(HTTPS)",
         "line 7: the item \"Both\" ($(BOTH)): <depends> makes a cycle: $(BOTH) -> $(HTTPS) -> "
         "$(BOTH)"},
        {"a longer cycle", "<varname>$(KIND)", "<depends>$(PORT)</depends><varname>$(KIND)",
         "line 5: the item \"Host\" ($(HOST)): <depends> makes a cycle: $(HOST) -> $(KIND) -> "
         "$(PORT) -> $(HOST)"},
        {"a depends that names nothing", "KIND<", "<",
         "line 5: the item \"Host\" ($(HOST)): a <depends> must name the variable it depends on"},
    };
    for (const auto& c : cases) {
        QByteArray config = kDepends;
        config.replace(config.indexOf(c.from), qstrlen(c.from), c.to);
        EXPECT_EQ(Session("<xml/>", config.constData()).loaded.message(),
                  "config.xml: " + c.refusal)
            << c.what;
    }
}

// What enables an item, in words, for its help.
TEST(EditSessionTest, SaysInWordsWhatEnablesAnItem) {
    Session s("<xml/>", kDepends.constData());
    ASSERT_TRUE(s.loaded.ok()) << s.loaded.message().toStdString();
    const Configuration& config = s.session.Config();
    QStringList said;
    for (const char* id : {"$(BOTH)", "$(PORT)", "$(KIND)"})
        said << config.EnabledWhen(*config.ItemFor(id)).join(" and ");
    EXPECT_EQ(said.join(" / "), "HTTPS is on and Kind is \"postgres\" / Host is not empty / ");
}

}  // namespace
