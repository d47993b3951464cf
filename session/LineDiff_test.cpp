#include "session/LineDiff.h"

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
        {"changes seven lines apart do not", "f", "0\n1\n2\n3\n4\n5\n6\n7\n8\n",
         "x\n1\n2\n3\n4\n5\n6\n7\ny\n",
         f + "@@ -1,4 +1,4 @@\n-0\n+x\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-8\n+y\n"},
        {"a last line given a line break", "f", "a", "a\r\n",
         f + "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        // Regression: a new empty file was left out, and a name with a blank was written bare,
        // and patch took its first word for it.
        {"a new empty file", "empty", "-", "",
         "diff --git a/empty b/empty\nnew file mode 100644\n"},
        {"a name with a blank", "my app.conf", old, "n\n",
         "diff --git \"a/my app.conf\" \"b/my app.conf\"\n--- a/my app.conf\t\n"
         "+++ b/my app.conf\t\n@@ -1 +1 @@\n-o\n+n\n"},
        // Regression: patch dropped the blank at the end of the name and wrote another file.
        {"a name that ends in a blank", "out ", old, "n\n",
         "diff --git \"a/out \" \"b/out \"\n--- \"a/out \"\t\n+++ \"b/out \"\t\n"
         "@@ -1 +1 @@\n-o\n+n\n"},
        {"quotes, backslashes, control characters, UTF-8", "q\"\\\x7f\x01\xc3\xbc", old, "n\n",
         "diff --git \"a/q\\\"\\\\\\177\\001\\303\\274\" \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"
         "--- \"a/q\\\"\\\\\\177\\001\\303\\274\"\n+++ \"b/q\\\"\\\\\\177\\001\\303\\274\"\n"
         "@@ -1 +1 @@\n-o\n+n\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Diff(c.name, c.before == "-" ? nullptr : &c.before, c.after), c.diff) << c.what;
}

}  // namespace
