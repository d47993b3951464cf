#include "session/EditSession.h"

#include "testing/Bytes.h"
#include "testing/FakeFileSystem.h"
#include "testing/FakeProcessLauncher.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A configuration of a host, a password and a name, in that order, and one template.
QByteArray Config(const QByteArray& output) {
    return "<xml><group><name>G</name>"
           "<item><name>Host</name><varname>$(H)</varname></item>"
           "<item><name>Password</name><type>password</type><varname>$(PW)</varname></item>"
           "<item><name>Name</name><varname>$(N)</varname></item></group>"
           "<files><file><input>t.in</input><output>" +
           output + "</output></file></files></xml>";
}

// "$(A)=x;$(B)=" as values by id.
QHash<QString, QString> ValuesOf(const char* text) {
    QHash<QString, QString> values;
    for (const QString& pair : QString(text).split(u';', Qt::SkipEmptyParts))
        values.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    return values;
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
        FakeFileSystem files;
        files.SetFile("config.xml", Config(output));
        files.SetFile("settings.xml", settings);
        files.SetFile("t.in", text);
        if (old)
            files.SetFile(QString::fromUtf8(output), old);
        FakeProcessLauncher launcher;
        EditSession session(files, launcher);
        EXPECT_TRUE(session.LoadConfiguration("config.xml", "").ok());
        EXPECT_TRUE(session.Load("settings.xml").ok());
        const QHash<QString, QString> edited = ValuesOf(edits);
        for (auto edit = edited.cbegin(); edit != edited.cend(); ++edit)
            session.SetValue(edit.key(), edit.value());
        session.SetRunValues(ValuesOf(runValues));
        QByteArray diff;
        const SavePreview preview =
            session.Preview([&](const QByteArray& bytes) { diff += bytes; });
        EXPECT_TRUE(preview.result.Complete()) << preview.result.problems.join('\n').toStdString();
        if (!preview.unshown.isEmpty())
            diff += "! " + preview.unshown.join('|').toUtf8();
        return diff;
    }
};

// No value of a password, old or new, shows in a diff: each is hidden by its place, in the
// outputs and in the settings file, and nothing else is.
TEST(SaveDiffTest, HidesEveryPasswordOldAndNewByItsPlace) {
    const QByteArray out = "diff --git a/out.txt b/out.txt\n--- a/out.txt\n+++ b/out.txt\n";
    const QByteArray newOut = "diff --git a/out.txt b/out.txt\n--- /dev/null\n+++ b/out.txt\n";
    const QByteArray settings =
        "diff --git a/settings.xml b/settings.xml\n--- a/settings.xml\n+++ b/settings.xml\n";
    const QByteArray pw = "<variable id=\"$(PW)\">";
    const QByteArray latin1 =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<xml>\n"
        "<variable id=\"$(H)\">h</variable>\n" +
        pw + "g\xe9h3im</variable>\n</xml>\n";
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
        // Regression: the line of a password stored in ISO-8859-1 showed as context.
        {"a password stored in ISO-8859-1 beside a changed line",
         {latin1, "", "", "$(H)=h2"},
         settings +
             "@@ -1,5 +1,5 @@\n <?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n <xml>\n"
             "-<variable id=\"$(H)\">h</variable>\n+<variable id=\"$(H)\">h2</variable>\n " +
             pw + "********</variable>\n </xml>\n",
         "h3im"},
        // Regression: a password whose value holds the id of a later variable was shown with
        // that variable's value in place of the id.
        {"a password whose value holds the id of a later variable",
         {kHeader + "<xml><variable id=\"$(H)\">h</variable></xml>\n", "pw=$(PW)\n", nullptr, "",
          "$(PW)=Sup3r$(N)Secret;$(N)=42"},
         newOut + "@@ -0,0 +1 @@\n+pw=********\n",
         "Sup3r|Secret"},
        // Regression: a password of one letter hid that letter everywhere, file names too, and
        // so showed where it was.
        {"a password of one letter",
         {kHeader + "<xml><variable id=\"$(H)\">alpha</variable></xml>\n",
          "name: $(H)\npassword: $(PW)\n", "name: alpha\npassword: b\n", "", "$(PW)=a"},
         out + "@@ -1,2 +1,2 @@\n name: alpha\n-password: ********\n+password: ********\n",
         "password: a|password: b"},
        // Regression: patch skipped the file, or wrote another one.
        {"an output outside the folder patch runs in",
         {kHeader + "<xml/>\n", "x\n", nullptr, "", "", "../up.txt"},
         "! ../up.txt would change, but /diff cannot show how: patch -p1 skips or misnames a file "
         "outside the configuration's folder",
         ""},
        {"an output of an absolute name in a configuration's folder that is not",
         {kHeader + "<xml/>\n", "x\n", nullptr, "", "", "/srv/out.txt"},
         "! /srv/out.txt would change, but /diff cannot show how: patch -p1 skips or misnames a "
         "file outside the configuration's folder",
         ""},
        {"an output whose name ends in a blank",
         {kHeader + "<xml/>\n", "x\n", nullptr, "", "", "out "},
         "diff --git \"a/out \" \"b/out \"\n--- /dev/null\t\n+++ \"b/out \"\t\n@@ -0,0 +1 @@\n+x\n",
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
TEST(SaveDiffTest, HidesAPasswordOfASettingsFileInUtf16) {
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<xml>\n<variable id=\"$(H)\">h</variable>\n"
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
