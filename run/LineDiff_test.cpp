#include "run/LineDiff.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::string Diff(const QByteArray& name, const QByteArray* before, const QByteArray& after) {
    ByteArraySink out;
    WriteFileDiff(name, before, after, out);
    return out.bytes().toStdString();
}

// The hunks after the headers, as `diff -u` writes them.
TEST(LineDiffTest, WritesTheHunksOfAUnifiedDiff) {
    const char* const cases[][3] = {
        // A file that was empty.
        {"", "x\ny\n", "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        // Three lines of context: changes six lines apart share a hunk, seven do not. Removed lines
        // come before added ones.
        {"0\n1\n2\n3\n4\n5\n6\n7\n", "x\n1\n2\n3\n4\n5\n6\ny\n",
         "@@ -1,8 +1,8 @@\n-0\n+x\n 1\n 2\n 3\n 4\n 5\n 6\n-7\n+y\n"},
        {"0\n1\n2\n3\n4\n5\n6\n7\n8\n", "x\n1\n2\n3\n4\n5\n6\n7\ny\n",
         "@@ -1,4 +1,4 @@\n-0\n+x\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-8\n+y\n"},
        // A last line without a line break, changed, given one, or as context.
        {"a", "a\r\n", "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        {"a\nb", "x\na\nb", "@@ -1,2 +1,3 @@\n+x\n a\n b\n\\ No newline at end of file\n"},
        // The common last lines start at a line start in both versions, not inside a line.
        {"ab\nc\n", "b\nc\n", "@@ -1,2 +1,2 @@\n-ab\n+b\n c\n"},
        {"x\nx\n", "x\n", "@@ -1,2 +1 @@\n x\n-x\n"},
    };
    for (const auto& c : cases) {
        const QByteArray before = c[0];
        EXPECT_EQ(Diff("f", &before, c[1]),
                  "diff --git a/f b/f\n--- a/f\n+++ b/f\n" + std::string(c[2]))
            << c[0] << " -> " << c[1];
    }
    // Every other line changed: past 2,000 differing lines, all lines between the common first
    // and last ones are removed and added whole.
    for (const int pairs : {900, 1201}) {
        QByteArray before = "s\n", after = "s\n";
        for (int i = 0; i < pairs; ++i) {
            before += 'o' + QByteArray::number(i) + "\ns\n";
            after += 'n' + QByteArray::number(i) + "\ns\n";
        }
        const QByteArray diff = QByteArray::fromStdString(Diff("f", &before, after));
        EXPECT_EQ(diff.count("\n-") - diff.count("\n--- "), pairs > 1000 ? 2 * pairs - 1 : pairs);
    }
}

// Names that need it are quoted as git quotes them, and a file created empty is told by a mode
// line, which is how patch learns of it. Regression: a name with a blank was written bare, and
// patch took its first word for it; a new empty file was left out.
TEST(LineDiffTest, WritesTheHeadersOfEachFileAsGitDoes) {
    const QByteArray old = "o\n";
    const struct {
        QByteArray name;
        const QByteArray* before;
        QByteArray after;
        const char* headers;  // up to the first hunk
    } cases[] = {
        {"empty", nullptr, "", "diff --git a/empty b/empty\nnew file mode 100644\n"},
        {"my app.conf", &old, "n\n",
         "diff --git \"a/my app.conf\" \"b/my app.conf\"\n--- a/my app.conf\t\n"
         "+++ b/my app.conf\t\n"},
        {"new\nline x", nullptr, "n\n",
         "diff --git \"a/new\\nline x\" \"b/new\\nline x\"\n--- /dev/null\t\n"
         "+++ \"b/new\\nline x\"\t\n"},
        {"q\"\\\x7f\x01\xc3\xbc", &old, "n\n",
         "diff --git \"a/q\\\"\\\\\\177\\001\\303\\274\" \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"
         "--- \"a/q\\\"\\\\\\177\\001\\303\\274\"\n+++ \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"},
    };
    for (const auto& c : cases) {
        const std::string diff = Diff(c.name, c.before, c.after);
        EXPECT_EQ(diff.substr(0, diff.find("@@")), c.headers) << c.name.toStdString();
    }
    EXPECT_EQ(Diff("same", &old, old), "");
}

// What `patch -p1` makes of the diff, in a scratch folder, is the new version, byte for byte:
// whatever the name, whether the file exists, whatever its bytes.
TEST(LineDiffTest, PatchTurnsTheOldFilesIntoTheNewOnes) {
    const QByteArray kNoFile = "<none>";
    const struct {
        QByteArray name;
        QByteArray before;  // kNoFile: the file does not exist
        QByteArray after;
    } cases[] = {
        {"my app.conf", kNoFile, "listen 8080;\n"},
        {"tab\there", "a\nb\n", "a\nc\n"},
        {"new\nline", kNoFile, "x"},
        {"q\"uote\\d \xc3\xbc.ini", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\nX\n4\n5\n6\n7\n8\nY"},
        {"my empty", kNoFile, ""},
        {"emptied", "gone\n", ""},
        {"crlf and nul", QByteArray("a\r\nb\0c\r\n", 8), QByteArray("a\r\nB\0c\r\nd", 9)},
    };
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir dir(scratch.path());
    ByteArraySink diff;
    for (const auto& c : cases) {
        QFile file(dir.filePath(QFile::decodeName(c.name)));
        ASSERT_TRUE(c.before == kNoFile ||
                    (file.open(QIODevice::WriteOnly) && file.write(c.before) == c.before.size()));
        WriteFileDiff(c.name, c.before == kNoFile ? nullptr : &c.before, c.after, diff);
    }
    QProcess patch;
    patch.setWorkingDirectory(dir.path());
    patch.start("patch", {"-p1", "--batch"});
    patch.write(diff.bytes());
    patch.closeWriteChannel();
    ASSERT_TRUE(patch.waitForFinished()) << "patch is needed: apt-get install patch";
    EXPECT_EQ(patch.exitCode(), 0) << patch.readAll().toStdString() << diff.bytes().toStdString();
    for (const auto& c : cases) {
        QFile file(dir.filePath(QFile::decodeName(c.name)));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << c.name.toStdString();
        EXPECT_EQ(file.readAll(), c.after) << c.name.toStdString();
    }
}

}  // namespace
