#include "session/EditSession.h"

#include "platform/DiskFileSystem.h"
#include "session/LineDiff.h"
#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"
#include "testing/FaultySaveCalls.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

const char kConfig[] = R"~(<xml><group><name>G</name>
    <item><name>Port</name><varname>$(P)</varname></item>
    <item><name>Host name</name><varname>$(H)</varname></item></group>
    <command id="before">b</command><command id="after">a</command>
    <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
const char kOld[] = R"~(<xml><variable id="$(P)">o</variable><variable id="$(H)"/></xml>)~";
const QByteArray kNew =
    R"~(<xml><variable id="$(P)">&amp;&lt;</variable><variable id="$(H)">h</variable></xml>)~";
const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// "$(A)=x;$(B)=" as values by id.
QHash<QString, QString> ValuesOf(const QString& text) {
    QHash<QString, QString> values;
    for (const QString& pair : text.split(u';', Qt::SkipEmptyParts))
        values.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    return values;
}

// A session on "config.xml" with the template "t.in", over an in-memory disk.
template <typename Files>
struct SessionOver {
    // `loads`: whether the configuration and the settings are expected to load.
    explicit SessionOver(const char* settings, const char* config = kConfig, bool loads = true) {
        files.SetFile("config.xml", config);
        files.SetFile("t.in", "$(P)");
        if (settings)
            files.SetFile("settings.xml", settings);
        loaded = session.LoadConfiguration("config.xml", "");
        if (loaded.ok())
            loaded = settings ? session.Load("settings.xml") : Status::Ok();
        if (!settings)
            session.StartNew("settings.xml");
        EXPECT_EQ(loaded.ok(), loads) << loaded.message().toStdString();
    }
    // Types the values `edits`, as "$(A)=x;$(B)=", in that order; `run` are the values for this
    // run.
    void Edit(const QString& edits, const QString& run = "") {
        for (const QString& pair : edits.split(u';', Qt::SkipEmptyParts))
            session.SetValue(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        session.SetRunValues(ValuesOf(run));
    }
    // What a save left: its refusal and problems, the commands started, then the files. The
    // save's result stays in `result`.
    QString Saved(const EditSession::SaveOptions& options = {}) {
        result = session.Save(options);
        QStringList said = result.problems;
        if (!result.refusal.ok())
            said.prepend(result.refusal.message());
        return said.join(u'|') + " [" + launcher.commandLines().join(u' ') + "] " +
               files.FileContents("settings.xml") + " / " + files.FileContents("t.out");
    }

    Files files;
    FakeProcessLauncher launcher;
    EditSession session{files, launcher};
    Status loaded = Status::Ok();
    SaveResult result;
};
using Session = SessionOver<FakeFileSystem>;

// Writes `bytes` into the file `name` of `folder`, a path that ends in '/'.
void WriteFile(const QString& folder, const QString& name, const QByteArray& bytes) {
    QFile file(folder + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// The bytes of the file `name` of `folder`, or "<missing>".
QByteArray ReadFile(const QString& folder, const QString& name) {
    QFile file(folder + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Saves "&<" and `host` into $(P) and $(H): every value is written, or the save is refused and
// leaves the file alone. Running out of memory ends a save where it happens, naming the file, with
// no file half written: before the settings file is written the save is refused; after, it
// stands, the failure is its last problem and nothing later is written or started.
// Regression: running out of memory ended the program, the window's Ok among the ways.
// Regression: running out of memory at the check of a template was taken as a template that
// could be read, and the after command started after an output had failed for want of memory.
TEST(EditSessionTest, WritesEveryValueOrRefusesTheSave) {
    const QString refused = "The settings could not be saved.\n";
    const struct {
        const char* what;
        const char* file;     // the settings file before the save; nullptr: none
        const char* reading;  // the file whose read runs out of memory, or nullptr
        const char* writing;  // the file whose write runs out of memory, or nullptr
        QString expected;     // as Session::Saved() tells it, the refusal whole
        bool saved;
        QString host = "h";
    } cases[] = {
        // Regression: a typed value of a variable that the file did not list was dropped.
        {"without a file every value adds an element", nullptr, nullptr, nullptr,
         " [b a] " + kHeader + kNew + "\n / &<", true},
        // Regression: the value of $(H) was written into the freed nested element.
        {"an element inside another goes with the outer value; the next of its id takes its value",
         R"~(<xml><variable id="$(P)">1<variable id="$(H)">n</variable></variable>)~"
         R"~(<variable id="$(H)">root</variable></xml>)~",
         nullptr, nullptr, " [b a] " + kNew + "\n / &<", true},
        // The elements after it move up when the nested one goes: $(H) is read where it is then,
        // not where z now stands, which holds the new value already.
        {"the elements after a nested one that goes are read where they are then",
         R"~(<xml><variable id="$(P)">1<variable id="x">n</variable></variable>)~"
         R"~(<variable id="$(H)">h</variable><variable id="z">h2</variable></xml>)~",
         nullptr, nullptr,
         R"~( [b a] <xml><variable id="$(P)">&amp;&lt;</variable><variable id="$(H)">h2</variable>)~"
         R"~(<variable id="z">h2</variable></xml>)~"
         "\n / &<",
         true, "h2"},
        {"a value XML cannot store is refused", kOld, nullptr, nullptr,
         "The value of \"Host name\" holds the character U+0001, which a settings file cannot "
         "store. Nothing was saved. [] " +
             QString(kOld) + " / ",
         false, QString(u'\x01')},
        {"out of memory: the settings file, read", kOld, "settings.xml", nullptr,
         refused + "settings.xml: there is not enough memory [] " + kOld + " / ", false},
        {"out of memory: the template, checked before anything starts", kOld, "t.in", nullptr,
         refused + "t.in: there is not enough memory [] " + kOld + " / ", false},
        {"out of memory: the settings file, written", kOld, nullptr, "settings.xml",
         refused + "settings.xml: there is not enough memory [b] " + kOld + " / ", false},
        {"out of memory: an output", kOld, nullptr, "t.out",
         "t.in: there is not enough memory [b] " + kNew + "\n / ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.file);
        s.Edit("$(P)=&<;$(H)=" + c.host);
        if (c.reading)
            s.files.FailReading(c.reading, FakeFileSystem::kOutOfMemory);
        if (c.writing)
            s.files.FailWriting(c.writing, FakeFileSystem::kOutOfMemory);
        EXPECT_EQ(s.Saved(), c.expected);
        EXPECT_EQ(s.result.Saved(), c.saved);
        EXPECT_EQ(s.session.HasChanges(), !c.saved);
    }
}

// A save that fails at any one of its steps, or stops there as a crash would, leaves every file
// whole: the settings file and each output hold all of their old bytes or all of the new ones.
// A failure is reported, and leaves no temporary file where the disk lets the save remove it; the
// next save finishes the work and leaves none. The steps are the save's system calls, counted:
// the first fails, then the second, and so on until a save goes through with no step left to
// fail. A crash loses what was not flushed (testing/FaultySaveCalls.h). Save As goes through the
// same steps, onto another file that exists and onto the session's own file by another spelling.
TEST(EditSessionTest, EveryFileIsWholeWhereverASaveFailsOrStops) {
    const struct {
        const char* what;
        const char* target;  // of Save As; "" saves the session's file
    } saves[] = {
        {"a save", ""},
        {"Save As onto another file", "other.xml"},
        {"Save As onto the session's file spelled otherwise", "./s.xml"},
        {"Save As onto the session's file through a symlink", "link.xml"},
    };
    using Fault = FaultySaveCalls::Fault;
    const struct {
        const char* what;
        Fault fault;
        bool namesLast;  // after a crash, the names as they were last made, or as last flushed
    } faults[] = {
        {"fails", Fault::Fail, false},
        {"fails, and so does every later step", Fault::Break, false},
        {"crashes, the last renames kept", Fault::Crash, true},
        {"crashes, the last renames lost", Fault::Crash, false},
    };
    const QStringList files = {"s.xml", "other.xml", "a.out", "b.out"};  // b.out is new
    const QHash<QString, QByteArray> old = {
        {"s.xml", R"~(<xml><variable id="$(P)">old</variable></xml>)~"},
        {"other.xml", R"~(<xml><x/><variable id="$(P)">other</variable></xml>)~"},
        {"a.out", QByteArray(100000, '#') + "\nP=old\n"},
        {"b.out", "<missing>"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + '/';
    const auto read = [&folder](const QString& name) { return ReadFile(folder, name); };
    const auto temporaries = [&folder] {
        return QDir(folder)
            .entryList({".*.tervo-*"}, QDir::Files | QDir::Hidden)
            .filter(QRegularExpression("tervo-(?!lock$)"));
    };
    // A save of "new" into $(P) by a session that loaded s.xml.
    const auto save = [&folder](const char* target, SaveCalls& calls) {
        DiskFileSystem disk(calls);
        FakeProcessLauncher launcher;
        EditSession session(disk, launcher);
        EXPECT_TRUE(session.LoadConfiguration(folder + "c.xml", folder).ok());
        EXPECT_TRUE(session.Load(folder + "s.xml").ok());
        session.SetValue("$(P)", "new");
        EditSession::SaveOptions options;
        options.target = *target ? folder + target : "";
        return session.Save(options);
    };
    WriteFile(folder, "c.xml",
              "<xml><group><name>G</name><item><name>P</name><varname>$(P)</varname></item></group>"
              "<files><file><input>a.in</input><output>a.out</output></file>"
              "<file><input>b.in</input><output>b.out</output></file></files></xml>");
    // Long enough to come in pieces: the save copies the start that stays.
    WriteFile(folder, "a.in", QByteArray(100000, '#') + "\nP=$(P)\n");
    WriteFile(folder, "b.in", "$(P)");
    ASSERT_TRUE(QFile::link("s.xml", folder + "link.xml"));
    // Only a save's own temporary files go. Regression: a user's file went, and another user's.
    const QStringList kept = {".a.out.tervo-backup", ".s.xml.tervo-Backup"};
    for (const QString& name : kept)
        WriteFile(folder, name, "");
    const auto reset = [&] {
        for (const char* name : {"s.xml", "other.xml", "a.out"})
            WriteFile(folder, name, old[name]);
        QFile::remove(folder + "b.out");
    };
    QStringList stepsFailed;  // the calls that some case failed
    for (const auto& s : saves) {
        reset();
        FaultySaveCalls undisturbed(QFile::encodeName(folder));
        ASSERT_TRUE(save(s.target, undisturbed).Complete()) << s.what;
        QHash<QString, QByteArray> saved;  // what the save leaves
        for (const QString& name : files)
            saved[name] = read(name);
        for (const auto& f : faults) {
            for (int step = 1;; ++step) {
                SCOPED_TRACE(
                    QString("%1 %2 at step %3").arg(s.what, f.what).arg(step).toStdString());
                reset();
                FaultySaveCalls calls(QFile::encodeName(folder));
                calls.InjectAt(step, f.fault);
                const SaveResult result = save(s.target, calls);
                if (calls.Calls().size() < step)
                    break;  // no step left to fail
                const QString failed = calls.Calls()[step - 1];
                stepsFailed << failed;
                SCOPED_TRACE("the steps: " + calls.Calls().mid(0, step).join(' ').toStdString());
                const QString said = result.refusal.message() + result.problems.join('\n');
                if (calls.Crashed())
                    calls.Restart(f.namesLast);
                else
                    EXPECT_FALSE(result.Complete()) << "the failure went unreported";
                if (f.fault == Fault::Fail) {
                    EXPECT_EQ(temporaries(), kept);
                    // Past the rename, the file stands; the failure says so.
                    if (failed == "folder-sync") {
                        EXPECT_THAT(said.toStdString(),
                                    testing::HasSubstr("was replaced, but the folder could not be "
                                                       "flushed to the disk: Input/output error"));
                    }
                }
                for (const QString& name : files)
                    EXPECT_TRUE(read(name) == old[name] || read(name) == saved[name])
                        << name.toStdString() << " holds " << read(name).toStdString();

                FaultySaveCalls next(QFile::encodeName(folder));
                EXPECT_TRUE(save(s.target, next).Complete()) << "the next save";
                for (const QString& name : files)
                    EXPECT_EQ(Bytes{read(name)}, Bytes{saved[name]}) << name.toStdString();
                EXPECT_EQ(temporaries(), kept);
            }
        }
    }
    stepsFailed.removeDuplicates();
    stepsFailed.sort();
    EXPECT_EQ(stepsFailed.join(' '), "copy create folder-sync link rename sync write");
}

// Another program changes the settings file between the load and the save; the save asks, without
// holding the lock, and does as it is answered. A run without edits saves the file as it is now.
// Show Changes reads the settings file as a save writes into it, as it is on the disk now: its
// diff is the change that the save over another program's change makes.
// Regression: the preview started from the file as it was loaded, and showed the other program's
// comment as removed.
TEST(EditSessionTest, AsksBeforeOverwritingAChangeOnDisk) {
    const char kTheirs[] =
        R"~(<xml><variable id="$(P)">theirs</variable><variable id="$(H)"/><!-- c --></xml>)~";
    const QString savedOver = R"~( [b a] <xml><variable id="$(P)">mine</variable>)~"
                              R"~(<variable id="$(H)">h</variable><!-- c --></xml>)~"
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
        {"a run without edits takes the file as it is", false, std::nullopt,
         " [b a] " + QString(kTheirs) + " / theirs theirs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(kOld);
        s.Edit(c.edited ? "$(P)=mine;$(H)=h" : "");
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
        QByteArray diff;
        EXPECT_TRUE(s.session.Preview([&](const QByteArray& b) { diff += b; }).result.Saved());
        const QString saved = s.Saved(options);
        EXPECT_EQ(saved + ' ' + s.session.Values().Find(u"$(P)")->toString(), c.expected);
        EXPECT_EQ(asked, c.answer ? 1 : 0);
        if (c.answer == EditSession::ChangedOnDisk::SaveOver)
            EXPECT_THAT(
                diff.toStdString(),
                testing::HasSubstr("\n+" + s.files.FileContents("settings.xml").toStdString()));
    }
}

// Regression: a command's program that another user could have chosen ran as root: only the
// configuration and the templates were checked. Either command's program refuses the save before
// anything starts or is written, and the preview of /check and /diff foresees it.
TEST(EditSessionTest, RefusesACommandWhoseProgramAnotherUserCouldHaveChosen) {
    for (const QString command : {"b", "a"}) {
        SCOPED_TRACE(command.toStdString());
        Session s(kOld);
        s.launcher.DistrustProgram(command, "/srv/" + command, "the file belongs to nobody");
        s.session.SetValue("$(P)", "new");
        const QString refusal = "/srv/" + command +
                                ": the file belongs to nobody\nAnother user could have chosen the "
                                "program that the command " +
                                command + " starts, so nothing was started. Nothing was saved.";
        EXPECT_EQ(s.session.Preview().result.refusal.message(), refusal);
        EXPECT_EQ(s.Saved(), refusal + " [] " + kOld + " / ");
        EXPECT_EQ(s.result.outcome, SaveResult::Outcome::Refused);
        EXPECT_FALSE(s.files.HasFile("t.out"));
    }
}

// Regression: another user's settings file filled root's outputs: it was read by path, outside
// the trust rule. Neither a load nor a save over it reads it.
TEST(EditSessionTest, ReadsTheSettingsFileOnlyThroughTheTrustRule) {
    struct Distrusting final : FakeFileSystem {
        Status ReadTrustedFile(const QString& path, qint64 maxBytes, QByteArray* contents,
                               FileIdentity* identity) override {
            return path == "theirs.xml"
                       ? Status::Untrusted(path, "the file belongs to nobody")
                       : FakeFileSystem::ReadTrustedFile(path, maxBytes, contents, identity);
        }
    };
    SessionOver<Distrusting> s(nullptr);
    s.files.SetFile("theirs.xml", kOld);
    const Status loaded = s.session.Load("theirs.xml");
    EXPECT_TRUE(loaded.IsUntrusted());
    EXPECT_EQ(loaded.message(), "theirs.xml: the file belongs to nobody");
    s.session.StartNew("settings.xml");
    EditSession::SaveOptions saveAs;
    saveAs.target = "theirs.xml";
    EXPECT_EQ(s.Saved(saveAs),
              "The settings were not saved, because the existing file could not be read:\n"
              "theirs.xml: the file belongs to nobody []  / ");
    EXPECT_EQ(s.files.FileContents("theirs.xml"), kOld);
    EXPECT_FALSE(s.files.HasFile("t.out"));
}

// A file read ahead loads as the file was when it was read; a Load of another path reads that
// one as it is then.
TEST(EditSessionTest, ALoadTakesTheFileReadAheadOnlyForItsPath) {
    const struct {
        const char* what;
        const char* ahead;   // the path read ahead
        const char* before;  // settings.xml as it is read ahead; nullptr: none
        const char* after;   // settings.xml as it is when Load comes
        const char* loaded;  // $(P) after the Load, or the start of its failure
    } cases[] = {
        {"the same path", "settings.xml", kOld, kOld, "o"},
        {"the same path, changed since", "settings.xml", kOld, kNew, "o"},
        {"another path", "other.xml", kOld, kNew, "&<"},
        {"a file that did not exist then", "settings.xml", nullptr, kOld,
         "settings.xml: No such file"},
        {"a file that breaks off", "settings.xml", "<xml><variable", kOld,
         "settings.xml: line 1: "},
    };
    for (const auto& c : cases) {
        FakeFileSystem files;
        FakeProcessLauncher launcher;
        EditSession session(files, launcher);
        files.SetFile("config.xml", kConfig);
        files.SetFile("other.xml", kOld);
        if (c.before)
            files.SetFile("settings.xml", c.before);
        session.ReadAhead(c.ahead);
        ASSERT_TRUE(session.LoadConfiguration("config.xml", "").ok());
        files.SetFile("settings.xml", c.after);
        const Status loaded = session.Load("settings.xml");
        const QString got =
            loaded.ok() ? session.Values().Find(u"$(P)")->toString() : loaded.message();
        EXPECT_TRUE(got.startsWith(c.loaded)) << c.what << ": " << got.toStdString();
    }
}

// A wait for another program's save is told, and the user may stop it: the save is cancelled.
TEST(EditSessionTest, TellsTheWaitForTheLockAndStopsWhenAsked) {
    struct StoppedLock final : FakeFileSystem {
        Status LockForUpdate(const QString&, const LockWait& wait,
                             std::unique_ptr<UpdateLock>*) override {
            wait.tell("Waiting");
            return wait.cancelled() ? Status::Cancelled("stopped") : Status::Error("gave up");
        }
    };
    SessionOver<StoppedLock> s(nullptr);
    EditSession::SaveOptions options;
    QStringList told;
    options.wait.tell = [&](const QString& message) { told.append(message); };
    options.wait.cancelled = [] { return true; };
    EXPECT_EQ(s.session.Save(options).outcome, SaveResult::Outcome::Cancelled);
    EXPECT_EQ(told, QStringList{"Waiting"});
}

// A waited command that fails is told with the last lines of its standard error, each line that
// holds the value of a password, stored, edited or the run's, held back: a command may print one.
TEST(EditSessionTest, HoldsBackErrorLinesThatHoldAPassword) {
    const char kWaited[] = R"~(<xml><group><name>G</name>
        <item><name>Pass</name><type>password</type><varname>$(PW)</varname></item></group>
        <command id="before" wait="true">b</command></xml>)~";
    const QString failed =
        "The before command did not succeed, so nothing was saved.\nThe command ended with "
        "status 3: b\nThe last lines it wrote to standard error:\nconnecting\n";
    const QString held = SecretSet::HeldBackLine();
    const struct {
        const char* what;
        QString edits, run;  // as "$(PW)=x"; the stored password is "st0red"
        QString errorLine;
        QString message;
    } cases[] = {
        {"lines without a password are shown", "", "", "no route to host",
         failed + "no route to host"},
        {"the stored password", "", "", "login st0red failed", failed + held},
        {"the stored password, after an edit", "$(PW)=new", "", "login st0red failed",
         failed + held},
        {"the run's password", "", "$(PW)=runPw", "runPw", failed + held},
        {"a line of a password of several lines", "$(PW)=one\ntw0", "", "tw0", failed + held},
        {"a line of a password of lines ended by CR", "$(PW)=one\rtw0", "", "tw0", failed + held},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(R"~(<xml><variable id="$(PW)">st0red</variable></xml>)~", kWaited);
        s.Edit(c.edits, c.run);
        s.launcher.EndWith("b", "ended with status 3", {"connecting", c.errorLine});
        EXPECT_EQ(s.session.Save({}).refusal.message(), c.message);
    }
}

// Whatever a save or a preview reports holds back each line that holds a password: a warning, a
// problem after the save, a refusal.
TEST(EditSessionTest, HoldsBackEveryLineOfAReportThatHoldsAPassword) {
    const char kConfig[] = R"~(<xml><group><name>G</name>
        <item><name>Pass</name><type>password</type><varname>$(PW)</varname></item></group>
        <files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
    const struct {
        const char* what;
        QString password;
        const char* text;  // of the template
        const char *failReading, *failWriting;
        bool previewed;  // a preview, which writes nothing, meets it too
    } cases[] = {
        {"a warning", "NOPE", "$(NOPE)", "", "", true},
        {"a problem after the save", "on fire", "x", "t.in", "", true},
        {"a refusal", "on fire", "x", "", "settings.xml", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s("<xml/>", kConfig);
        s.files.SetFile("t.in", c.text);
        if (*c.failReading)
            s.files.FailReading(c.failReading, "the disk is on fire");
        if (*c.failWriting)
            s.files.FailWriting(c.failWriting, "the disk is on fire");
        s.session.SetValue("$(PW)", c.password);
        const SavePreview preview = s.session.Preview();
        const SaveResult saved = s.session.Save({});
        for (const SaveResult* result : {&saved, c.previewed ? &preview.result : &saved}) {
            const QString said = QStringList{result->refusal.message(), result->problems.join('\n'),
                                             result->warnings.join('\n')}
                                     .join('\n');
            EXPECT_FALSE(said.contains(c.password)) << said.toStdString();
            EXPECT_TRUE(said.contains(SecretSet::HeldBackLine())) << said.toStdString();
        }
    }
}

// "A=x;B=" as a settings file that holds $(A) and $(B), in that order.
QByteArray SettingsOf(const QString& pairs) {
    QByteArray settings = "<xml>";
    for (const QString& pair : pairs.split(u';', Qt::SkipEmptyParts))
        settings += "<variable id=\"$(" + pair.section(u'=', 0, 0).toUtf8() + ")\">" +
                    pair.section(u'=', 1).toUtf8() + "</variable>";
    return settings + "</xml>";
}

// What the session publishes of each item after each step, with the items it reported changed
// ("*": all of them at once). An emptied text of an item with a default is that default; a file
// opened over another keeps the values it does not list, as edits; the resets put back the saved
// values or the defaults and say what they changed.
TEST(EditSessionTest, PublishesEachItemsStateAndEveryChangeOfIt) {
    const char kStates[] = R"~(<xml><group><name>G</name>
<item><name>HTTPS</name><type>boolean</type><varname>$(HTTPS)</varname></item>
<item><name>Port</name><type>number</type><varname>$(PORT)</varname><default>80</default><depends>$(HTTPS)</depends></item>
<item><name>User</name><varname>$(USER)</varname><required>true</required></item>
</group><files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
    Session s(
        R"~(<xml><variable id="$(HTTPS)">true</variable><variable id="$(USER)">u</variable></xml>)~",
        kStates);
    s.files.SetFile("other.xml", R"~(<xml><variable id="$(HTTPS)">true</variable></xml>)~");
    QStringList reported;
    QObject::connect(&s.session, &EditSession::ItemChanged,
                     [&](const QString& id) { reported << id; });
    QObject::connect(&s.session, &EditSession::AllChanged, [&] { reported << "*"; });
    QStringList reset;
    const auto resetAll = [&](EditSession::ResetTo to) {
        for (const ValueChange& change : s.session.ResetAll(to))
            reset << change.id + ":" + change.before + ">" + change.after;
    };
    const struct {
        const char* what;
        std::function<void()> act;
        QString
            states;  // each item's value, then E(dited), N(ot default), K(ept), disabled, problem
        QString reported;
    } steps[] = {
        {"as loaded", [] {}, "true N|80|u N", ""},
        {"typed", [&] { s.session.SetText("$(PORT)", "8080"); }, "true N|8080 E N|u N", "$(PORT)"},
        {"emptied: the default", [&] { s.session.SetText("$(PORT)", ""); }, "true N|80|u N",
         "$(PORT)"},
        {"switched off: what depends on it is disabled and says why",
         [&] { s.session.SetValue("$(HTTPS)", "false"); },
         "false E N|80 (enabled while HTTPS is on)|u N", "$(PORT) $(HTTPS)"},
        {"a value that breaks its rules", [&] { s.session.SetText("$(USER)", ""); },
         "false E N|80 (enabled while HTTPS is on)| E (must not be empty)", "$(USER)"},
        {"reset to saved", [&] { resetAll(EditSession::ResetTo::Saved); }, "true N|80|u N", "*"},
        {"reset to defaults",
         [&] {
             s.session.SetText("$(PORT)", "1");
             resetAll(EditSession::ResetTo::Defaults);
         },
         "true N|80|u N", "$(PORT) *"},
        {"a file opened over it keeps what it does not list, as an edit",
         [&] { ASSERT_TRUE(s.session.Load("other.xml").ok()); }, "true N|80|u E N K", "*"},
        {"reset to saved drops what was kept", [&] { resetAll(EditSession::ResetTo::Saved); },
         "true N|80| (must not be empty)", "*"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        reported.clear();
        step.act();
        QStringList states;
        for (const char* id : {"$(HTTPS)", "$(PORT)", "$(USER)"}) {
            const ItemState state = s.session.State(QString(id));
            QString text = state.value + (state.edited ? " E" : "") +
                           (state.notDefault ? " N" : "") + (state.kept ? " K" : "");
            if (!state.enabled)
                text += " (enabled while " + state.enabledWhen + ")";
            if (state.problem)
                text += " (" + *state.problem + ")";
            states << text;
        }
        EXPECT_EQ(states.join(u'|'), step.states);
        EXPECT_EQ(reported.join(u' '), step.reported);
        EXPECT_EQ(s.session.HasChanges(), step.states.contains(" E"));
    }
    EXPECT_EQ(reset.join(u' '), "$(HTTPS):false>true $(USER):>u $(PORT):1>80 $(USER):u>");
    EXPECT_TRUE(s.session.KeptValues().isEmpty());
}

// An output that would get an empty number, choice or path is told, before the save (Preview) and
// after it, as a leftover $(NAME) is; an empty text, or an item that is disabled, is not.
TEST(EditSessionTest, WarnsOfAnEmptyNumberChoiceOrPathInTheOutputs) {
    const char kKinds[] = R"~(<xml><group><name>G</name>
<item><name>On</name><type>boolean</type><varname>$(ON)</varname></item>
<item><name>Port</name><type>number</type><varname>$(N)</varname></item>
<item><name>Mode</name><type>choice</type><option>a</option><varname>$(C)</varname></item>
<item><name>Log</name><type>file</type><varname>$(F)</varname><depends>$(ON)</depends></item>
<item><name>Name</name><varname>$(T)</varname></item>
</group><files><file><input>t.in</input><output>t.out</output></file></files></xml>)~";
    const QString numberAndChoice =
        "Port ($(N)) is empty: the outputs get an empty number where they use it|"
        "Mode ($(C)) is empty: the outputs get an empty choice where they use it";
    const struct {
        const char* what;
        const char* on;
        QString warnings;
    } cases[] = {
        {"a disabled path is not told", "false", numberAndChoice},
        {"an enabled one is", "true",
         numberAndChoice + "|Log ($(F)) is empty: the outputs get an empty path where they use it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(R"~(<xml><variable id="$(N)"/><variable id="$(C)"/><variable id="$(F)"/>
            <variable id="$(T)"/></xml>)~",
                  kKinds);
        s.files.SetFile("t.in", "$(N)$(C)$(F)$(T)");
        s.session.SetValue("$(ON)", c.on);
        EXPECT_EQ(s.session.Preview().result.warnings.join(u'|'), c.warnings);
        EXPECT_EQ(s.session.Save({}).warnings.join(u'|'), c.warnings);
    }
}

// A file is known by what it is, whatever the path that leads to it. The configuration, a template
// or an output is never taken for a settings file: Open asks first, and a save to it is refused.
// Save As onto the session's own file is a save of that file, which asks before writing over
// another program's change; onto another file that exists it writes the values into that file's
// own entries and leaves the session's file alone.
// Regression: the session's file reached through a symlink or "./" was taken for another file,
// and another program's change was written over without a question.
TEST(EditSessionTest, KnowsEachFileWhateverItsPath) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString dir = folder.path() + '/';
    DiskFileSystem files;
    WriteFile(dir, "config.xml", kConfig);
    WriteFile(dir, "t.in", "$(P)");
    WriteFile(dir, "t.out", "o");
    WriteFile(dir, "settings.xml", kOld);
    ASSERT_TRUE(QFile::link(dir + "config.xml", dir + "link.xml"));
    FakeProcessLauncher launcher;
    EditSession session(files, launcher);
    ASSERT_TRUE(session.LoadConfiguration(dir + "config.xml", dir).ok());
    ASSERT_TRUE(session.Load(dir + "settings.xml").ok());
    const struct {
        QString path;
        QString refusal;  // UsedByConfiguration's, and a save's to that path
    } cases[] = {
        {dir + "./settings.xml", ""},
        {dir + "new.xml", ""},
        {dir + "link.xml",
         "link.xml is the configuration " + dir + "config.xml, not a settings file"},
        {dir + "../" + QFileInfo(folder.path()).fileName() + "/t.in", "is the template t.in of"},
        {dir + "t.out", "is the output t.out of"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString refusal = session.UsedByConfiguration(c.path).message();
        EXPECT_TRUE(c.refusal.isEmpty() ? refusal.isEmpty() : refusal.contains(c.refusal))
            << refusal.toStdString();
    }
    session.SetValue("$(P)", "mine");
    EditSession::SaveOptions options;
    options.target = dir + "link.xml";
    EXPECT_EQ(session.Save(options).outcome, SaveResult::Outcome::Refused);
    EXPECT_EQ(ReadFile(dir, "config.xml"), kConfig);

    const QByteArray theirs = R"~(<xml><variable id="$(P)">theirs</variable></xml>)~";
    WriteFile(dir, "settings.xml", theirs);  // another program's change
    WriteFile(dir, "other.xml", R"~(<xml><x/><variable id="$(P)">o</variable></xml>)~");
    ASSERT_TRUE(QFile::link("settings.xml", dir + "own.xml"));
    int asked = 0;
    options.changedOnDisk = [&asked](bool) {
        ++asked;
        return EditSession::ChangedOnDisk::Cancel;
    };
    for (const QString target : {"settings.xml", "./settings.xml", "own.xml", "other.xml"}) {
        SCOPED_TRACE(target.toStdString());
        asked = 0;
        options.target = dir + target;
        session.Save(options);
        EXPECT_EQ(asked, target == "other.xml" ? 0 : 1);
        EXPECT_EQ(Bytes{ReadFile(dir, "settings.xml")}, Bytes{theirs});
    }
    EXPECT_EQ(Bytes{ReadFile(dir, "other.xml")},
              Bytes{R"~(<xml><x/><variable id="$(P)">mine</variable></xml>)~"
                    "\n"});
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
        {"a value for one run reaches the output of a variable the file does not hold", true,
         "<xml/>", nullptr, "", "$(A)=r;$(B)=b", "a||c", "t.out", "", "A=r B=b C=c"},
        {"a file opened over another: what it does not hold takes its default, or stays", true,
         R"~(<xml><variable id="$(A)">x</variable><variable id="$(B)">y</variable></xml>)~",
         "<xml/>", "", "", "a|y|c", "other.xml t.out",
         bare(R"~(<variable id="$(B)">y</variable>)~"), "A=a B=y C=c"},
        {"without defaults: a first save stores what is not empty", false, nullptr, nullptr,
         "$(A)=x", "", "||", "settings.xml t.out", stored(R"~(<variable id="$(A)">x</variable>)~"),
         "A=x B=$(B) C=$(C)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(c.file, (c.defaults ? kDefaults : kWithoutDefaults).constData());
        s.files.SetFile("t.in", "A=$(A) B=$(B) C=$(C)");
        if (c.opened) {
            s.files.SetFile("other.xml", c.opened);
            ASSERT_TRUE(s.session.Load("other.xml").ok());
        }
        const QString file = s.session.SettingsFile();
        const QByteArray before = s.files.FileContents(file);
        QStringList values;
        for (const char* id : {"$(A)", "$(B)", "$(C)"})
            values << s.session.Values().Find(QString(id))->toString();
        EXPECT_EQ(values.join(u'|'), c.values);
        s.Edit(c.edits, c.run);

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
        {"an empty value disables what depends on it", "KIND=postgres;HOST=;PORT=x", "",
         "$(CERT) $(PORT) $(BOTH)", "", "CERT=$(CERT) HOST= PORT=x"},
        {"every depends of an item must hold", "HTTPS=yes;KIND=postgres;CERT=c;HOST=db;PORT=1", "",
         "", "$(BOTH): must not be empty"},
        {"values for one run enable and are checked", "HTTPS=no;KIND=postgres;HOST=db",
         "$(HTTPS)=yes;$(PORT)=x", "",
         "$(CERT): must not be empty|$(PORT): is not a whole number|$(BOTH): must not be empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(SettingsOf(c.values).constData(), kDepends.constData());
        s.files.SetFile("t.in", "CERT=$(CERT) HOST=$(HOST) PORT=$(PORT)");
        s.session.SetRunValues(ValuesOf(c.run));
        QStringList disabled;
        for (const char* id : {"$(HTTPS)", "$(CERT)", "$(KIND)", "$(HOST)", "$(PORT)", "$(BOTH)"})
            if (!s.session.IsEnabled(QString(id)))
                disabled << id;
        EXPECT_EQ(disabled.join(u' '), c.disabled);
        QStringList invalid;
        for (const InvalidValue& bad : s.session.InvalidValues())
            invalid << bad.item->id.toString() + ": " + bad.reason;
        EXPECT_EQ(invalid.join(u'|'), c.invalid);
        if (!c.output.isEmpty()) {
            EXPECT_TRUE(s.session.Save({}).Complete());
            EXPECT_EQ(s.files.FileContents("t.out"), c.output);
        }
    }
}

// A depends with a value compares a number by its number, and anything else, a boolean's on and
// off texts too, by its text. Regression: a stored "08" did not count as 8, so the values that
// depended on it went unchecked and were exported as they were.
TEST(EditSessionTest, ADependsComparesANumberByItsNumber) {
    const char config[] = R"~(<xml><group><name>G</name>
<item><name>Workers</name><type>number</type><varname>$(N)</varname></item>
<item><name>Name</name><varname>$(T)</varname></item>
<item><name>Switch</name><type>boolean</type><on>yes</on><off>no</off><varname>$(B)</varname></item>
<item><name>X</name><varname>$(X)</varname><pattern>ok</pattern><depends value="8">$(N)</depends></item>
<item><name>Y</name><varname>$(Y)</varname><pattern>ok</pattern><depends value="8">$(T)</depends></item>
<item><name>Z</name><varname>$(Z)</varname><pattern>ok</pattern><depends value="yes">$(B)</depends></item>
</group></xml>)~";
    const struct {
        const char *what, *values, *enabled;
    } cases[] = {
        {"the same number written with a zero in front, or with a sign", "N=08;T=08;B=yes",
         "$(X) $(Z)"},
        {"a sign, and the same text", "N=+8;T=8;B=no", "$(X) $(Y)"},
        {"another number, and text around the number", "N=80;T= 8;B=Yes", ""},
        {"a number's text that is no number", "N=8x;T=;B=", ""},
        {"more zeros than any number has digits", "N=0000000000000000000000008;T=8.0;B=yes",
         "$(X) $(Z)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Session s(SettingsOf(c.values + QString(";X=BAD1")).constData(), config);
        QStringList enabled;
        for (const char* id : {"$(X)", "$(Y)", "$(Z)"})
            if (s.session.IsEnabled(QString(id)))
                enabled << id;
        EXPECT_EQ(enabled.join(u' '), c.enabled);
        // An enabled X is checked, and its value refused.
        QStringList invalid;
        for (const InvalidValue& bad : s.session.InvalidValues())
            invalid << bad.item->id.toString();
        EXPECT_EQ(invalid.contains("$(X)"), enabled.contains("$(X)"));
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
        {"a depends that names nothing", "KIND<", "<",
         "line 5: the item \"Host\" ($(HOST)): a <depends> must name the variable it depends "
         "on"},
    };
    for (const auto& c : cases) {
        QByteArray config = kDepends;
        config.replace(config.indexOf(c.from), qstrlen(c.from), c.to);
        EXPECT_EQ(Session("<xml/>", config.constData(), false).loaded.message(),
                  "config.xml: " + c.refusal)
            << c.what;
    }
}

// A configuration of a host, a password and a name, in that order, and one template.
QByteArray Config(const QByteArray& output) {
    return "<xml><group><name>G</name>"
           "<item><name>Host</name><varname>$(H)</varname></item>"
           "<item><name>Password</name><type>password</type><varname>$(PW)</varname></item>"
           "<item><name>Name</name><varname>$(N)</varname></item></group>"
           "<files><file><input>t.in</input><output>" +
           output + "</output></file></files></xml>";
}

struct Preview {
    QByteArray settings;     // settings.xml as loaded
    QByteArray text;         // of the template
    const char* old;         // what the output holds; nullptr: there is none
    const char* edits = "";  // as "$(A)=x;$(B)="
    const char* runValues = "";
    QByteArray output = "out.txt";

    // The diff /diff prints, then "! " and each change it cannot show.
    QByteArray Diff() const {
        Session s(nullptr, Config(output).constData());
        s.files.SetFile("settings.xml", settings);
        s.files.SetFile("t.in", text);
        if (old)
            s.files.SetFile(QString::fromUtf8(output), old);
        EXPECT_TRUE(s.session.Load("settings.xml").ok());
        s.Edit(edits, runValues);
        QByteArray diff;
        const SavePreview preview =
            s.session.Preview([&](const QByteArray& bytes) { diff += bytes; });
        EXPECT_TRUE(preview.result.Complete()) << preview.result.problems.join('\n').toStdString();
        if (!preview.unshown.isEmpty())
            diff += "! " + preview.unshown.join('|').toUtf8();
        return diff;
    }
};

// No value of a password, old or new, shows in a diff: each is hidden by its place, in the
// outputs and in the settings file, and nothing else is.
TEST(EditSessionTest, HidesEveryPasswordOldAndNewByItsPlace) {
    const QByteArray out = "diff --git a/out.txt b/out.txt\n--- a/out.txt\n+++ b/out.txt\n";
    const QByteArray newOut = "diff --git a/out.txt b/out.txt\n--- /dev/null\n+++ b/out.txt\n";
    const QByteArray settings =
        "diff --git a/settings.xml b/settings.xml\n--- a/settings.xml\n+++ b/settings.xml\n";
    const QByteArray pw = "<variable id=\"$(PW)\">";
    const struct {
        const char* what;
        Preview preview;
        QByteArray diff;
        const char* passwords;  // none of which may show, separated by "|"
    } cases[] = {
        // Regression: /env: rotated the password, and the diff showed the old one.
        {"a password given for the run replaces the old one in an output",
         {kHeader + "<xml><variable id=\"$(H)\">h</variable></xml>\n", "pw=$(PW)\n", "pw=0ldPw\n",
          "", "$(PW)=n3wPw"},
         out + "@@ -1 +1 @@\n-pw=********\n+pw=********\n",
         "0ldPw|n3wPw"},
        // Regression: a password of several lines showed, each line but the first whole.
        {"a password of several lines, stored and edited",
         {kHeader + "<xml>" + pw + "a1\na2</variable></xml>\n", "pw=$(PW)\n", "pw=a1\na2\n",
          "$(PW)=b1\nb2\nb3"},
         settings + "@@ -1,3 +1,4 @@\n <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n-<xml>" + pw +
             "********\n-********</variable></xml>\n+<xml>" + pw +
             "********\n+********\n+********</variable></xml>\n" + out +
             "@@ -1,2 +1,3 @@\n-pw=********\n-********\n+pw=********\n+********\n+********\n",
         "a1|a2|b1|b2|b3"},
        // Regression: a password whose value holds the id of a later variable was shown with
        // that variable's value in place of the id.
        {"a password whose value holds the id of a later variable",
         {kHeader + "<xml><variable id=\"$(H)\">h</variable></xml>\n", "pw=$(PW)\n", nullptr, "",
          "$(PW)=Sup3r$(N)Secret;$(N)=42"},
         newOut + "@@ -0,0 +1 @@\n+pw=********\n",
         "Sup3r|Secret"},
        // Regression: a password of one letter hid that letter everywhere, file names too, and
        // so showed where it was. Now the lines that hold it are held back whole.
        {"a password of one letter",
         {kHeader + "<xml><variable id=\"$(H)\">alpha</variable></xml>\n",
          "name: $(H)\npassword: $(PW)\nquit\n", "name: alpha\npassword: b\nquit\n", "", "$(PW)=q"},
         out + "@@ -1,3 +1,3 @@\n name: alpha\n-password: ********\n+password: ********\n " +
             WithheldLine() + "\n",
         "password: q|password: b|quit"},
        // Regression: after the variable of a password was renamed, its stored value showed.
        {"the value of a variable the configuration no longer declares",
         {kHeader + "<xml>\n<variable id=\"$(H)\">h</variable>\n"
                    "<variable id=\"$(OLDPW)\">0ldS3cret</variable>\n</xml>\n",
          "", "", "$(H)=h2"},
         settings + "@@ -1,5 +1,5 @@\n <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n <xml>\n"
                    "-<variable id=\"$(H)\">h</variable>\n+<variable id=\"$(H)\">h2</variable>\n "
                    "<variable id=\"$(OLDPW)\">********</variable>\n </xml>\n",
         "0ldS3cret"},
        // Regression: patch skipped the file, or wrote another one.
        {"an output outside the folder patch runs in",
         {kHeader + "<xml/>\n", "x\n", nullptr, "", "", "../up.txt"},
         "! ../up.txt would change, but /diff cannot show how: patch -p1 skips or misnames a file "
         "outside the configuration's folder",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray diff = c.preview.Diff();
        EXPECT_EQ(Bytes{diff}, Bytes{c.diff});
        for (const QByteArray& password : QByteArray(c.passwords).split('|'))
            EXPECT_TRUE(password.isEmpty() || !diff.contains(password)) << password.toStdString();
    }
}

// In a settings file of UTF-16 the password is found, and hidden, in that encoding.
TEST(EditSessionTest, HidesAPasswordOfASettingsFileInUtf16) {
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<xml>\n<variable "
        "id=\"$(H)\">h</variable>\n"
        "<variable id=\"$(PW)\">G\u00e9h3im</variable>\n</xml>\n");
    Preview preview{encoder.encode(text), "", "", "$(H)=h2"};
    const QByteArray diff = preview.Diff();
    QStringEncoder plain(QStringConverter::Utf16LE);
    const auto utf16 = [&plain](const QString& text) { return QByteArray(plain.encode(text)); };
    EXPECT_TRUE(diff.startsWith("diff --git a/settings.xml b/settings.xml\n")) << diff.data();
    EXPECT_TRUE(diff.contains(utf16("h2")));
    EXPECT_TRUE(diff.contains(utf16("\">********</variable>")));
    EXPECT_FALSE(diff.contains(utf16("h3im")));
}

}  // namespace
