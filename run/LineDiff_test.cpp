#include "run/LineDiff.h"

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

// The hunks as `diff -u` writes them, and names that need it quoted as git quotes them; a file
// created empty is told by a mode line, which is how patch learns of it.
TEST(LineDiffTest, WritesAUnifiedDiffAsGitDoes) {
    const std::string f = "diff --git a/f b/f\n--- a/f\n+++ b/f\n";
    const QByteArray old = "o\n";
    const struct {
        const char* what;
        QByteArray name, before;  // "-": the file does not exist
        QByteArray after;
        std::string diff;
    } cases[] = {
        {"a file that was empty", "f", "", "x\ny\n", f + "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        {"changes six lines apart share a hunk; removed lines come first", "f",
         "0\n1\n2\n3\n4\n5\n6\n7\n", "x\n1\n2\n3\n4\n5\n6\ny\n",
         f + "@@ -1,8 +1,8 @@\n-0\n+x\n 1\n 2\n 3\n 4\n 5\n 6\n-7\n+y\n"},
        {"changes seven lines apart do not", "f", "0\n1\n2\n3\n4\n5\n6\n7\n8\n",
         "x\n1\n2\n3\n4\n5\n6\n7\ny\n",
         f + "@@ -1,4 +1,4 @@\n-0\n+x\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-8\n+y\n"},
        {"a last line given a line break", "f", "a", "a\r\n",
         f + "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        {"a last line without a line break as context", "f", "a\nb", "x\na\nb",
         f + "@@ -1,2 +1,3 @@\n+x\n a\n b\n\\ No newline at end of file\n"},
        {"the common last lines start at a line start", "f", "ab\nc\n", "b\nc\n",
         f + "@@ -1,2 +1,2 @@\n-ab\n+b\n c\n"},
        {"the common last lines start at a line start, repeated", "f", "x\nx\n", "x\n",
         f + "@@ -1,2 +1 @@\n x\n-x\n"},
        {"nothing for a file that holds the bytes", "f", old, old, ""},
        // Regression: a new empty file was left out, and a name with a blank was written bare,
        // and patch took its first word for it.
        {"a new empty file", "empty", "-", "",
         "diff --git a/empty b/empty\nnew file mode 100644\n"},
        {"a name with a blank", "my app.conf", old, "n\n",
         "diff --git \"a/my app.conf\" \"b/my app.conf\"\n--- a/my app.conf\t\n"
         "+++ b/my app.conf\t\n@@ -1 +1 @@\n-o\n+n\n"},
        {"a new file with a line break in its name", "new\nline x", "-", "n\n",
         "diff --git \"a/new\\nline x\" \"b/new\\nline x\"\n--- /dev/null\t\n"
         "+++ \"b/new\\nline x\"\t\n@@ -0,0 +1 @@\n+n\n"},
        {"quotes, backslashes, control characters, UTF-8", "q\"\\\x7f\x01\xc3\xbc", old, "n\n",
         "diff --git \"a/q\\\"\\\\\\177\\001\\303\\274\" \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"
         "--- \"a/q\\\"\\\\\\177\\001\\303\\274\"\n+++ \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"
         "@@ -1 +1 @@\n-o\n+n\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Diff(c.name, c.before == "-" ? nullptr : &c.before, c.after), c.diff) << c.what;
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

// What `patch -p1` makes of the diff, in a scratch folder, is the new version, byte for byte:
// whatever the name, whether the file exists, whatever its bytes. (The program's own tests apply
// its diffs to names with blanks, tabs and line breaks.)
TEST(LineDiffTest, PatchTurnsTheOldFilesIntoTheNewOnes) {
    const QByteArray kNoFile = "<none>";
    const struct {
        QByteArray name;
        QByteArray before;  // kNoFile: the file does not exist
        QByteArray after;
    } cases[] = {
        {"q\"uote\\d \xc3\xbc.ini", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\nX\n4\n5\n6\n7\n8\nY"},
        {"my empty", kNoFile, ""},
        {"emptied", "gone\n", ""},
        {"crlf and nul", QByteArray("a\r\nb\0c\r\n", 8), QByteArray("a\r\nB\0c\r\nd", 9)},
    };
    QTemporaryDir scratch;
    ByteArraySink diff;
    for (const auto& c : cases) {
        QFile file(scratch.filePath(QFile::decodeName(c.name)));
        ASSERT_TRUE(c.before == kNoFile ||
                    (file.open(QIODevice::WriteOnly) && file.write(c.before) == c.before.size()));
        WriteFileDiff(c.name, c.before == kNoFile ? nullptr : &c.before, c.after, diff);
    }
    QProcess patch;
    patch.setWorkingDirectory(scratch.path());
    patch.start("patch", {"-p1", "--batch"});
    patch.write(diff.bytes());
    patch.closeWriteChannel();
    ASSERT_TRUE(patch.waitForFinished()) << "patch is needed: apt-get install patch";
    EXPECT_EQ(patch.exitCode(), 0) << patch.readAll().toStdString() << diff.bytes().toStdString();
    for (const auto& c : cases) {
        QFile file(scratch.filePath(QFile::decodeName(c.name)));
        EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>", c.after)
            << c.name.toStdString();
    }
}

}  // namespace
