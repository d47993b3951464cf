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
        {"a file that was empty", "f", "", "x\ny\n", f + "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        {"changes seven lines apart do not", "f", "0\n1\n2\n3\n4\n5\n6\n7\n8\n",
         "x\n1\n2\n3\n4\n5\n6\n7\ny\n",
         f + "@@ -1,4 +1,4 @@\n-0\n+x\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-8\n+y\n"},
        {"a last line given a line break", "f", "a", "a\r\n",
         f + "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
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

// A mask of ranges given in advance, that can also refuse.
struct FixedMask final : DiffMask {
    bool Prepare(const QByteArray&, const QByteArray&, const std::vector<Change>& given) override {
        changes = given;
        return !refuse;
    }
    const std::vector<ByteRange>& HiddenBefore() const override { return before; }
    const std::vector<ByteRange>& HiddenAfter() const override { return after; }
    QByteArray Placeholder() const override { return "##"; }

    std::vector<ByteRange> before, after;
    bool refuse = false;
    std::vector<Change> changes;
};

// `text` without its brackets, and the ranges they held: "pw=[aa]" is "pw=aa" with 3 to 5 hidden.
QByteArray Unmarked(QByteArray text, std::vector<ByteRange>* hidden) {
    for (qsizetype open = text.indexOf('['); open >= 0; open = text.indexOf('[', open)) {
        text.remove(open, 1);
        const qsizetype close = text.indexOf(']', open);
        text.remove(close, 1);
        hidden->push_back({open, close});
    }
    return text;
}

// A removed line hides what the mask hides of the old version, an added line what it hides of the
// new one, a line of context both; each range is one placeholder, its line breaks stay, and the
// names and hunk headers are never hidden, however many "a" the mask hides.
TEST(LineDiffTest, HidesWhatTheMaskHidesInEachLine) {
    const std::string f = "diff --git a/a b/a\n--- a/a\n+++ b/a\n";
    const struct {
        const char* what;
        QByteArray before, after;  // with what the mask hides in brackets
        std::string diff;
        DiffWritten written;
    } cases[] = {
        {"a changed line, old and new", "a\npw=[aa]\nb\n", "a\npw=[a]\nb\n",
         f + "@@ -1,3 +1,3 @@\n a\n-pw=##\n+pw=##\n b\n", DiffWritten::Masked},
        {"context hides both versions' ranges", "[k]=1 s\nx\n", "k=1 [s]\ny\n",
         f + "@@ -1,2 +1,2 @@\n ##=1 ##\n-x\n+y\n", DiffWritten::Masked},
        {"a range over two lines hides in each, the line breaks stay", "a\n", "p=[xx\nyy]\nz\n",
         f + "@@ -1 +1,3 @@\n-a\n+p=##\n+##\n+z\n", DiffWritten::Masked},
        {"a range of the line break alone", "a\n", "s\n[\n]", f + "@@ -1 +1,2 @@\n-a\n+s\n+##\n",
         DiffWritten::Masked},
        {"an empty range hides nothing", "a\n", "[]b\n", f + "@@ -1 +1 @@\n-a\n+b\n",
         DiffWritten::Plain},
        {"a last line without its line break", "[a]", "x[y]",
         f + "@@ -1 +1 @@\n-##\n\\ No newline at end of file\n+x##\n\\ No newline at end of file\n",
         DiffWritten::Masked},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FixedMask mask;
        const QByteArray before = Unmarked(c.before, &mask.before);
        ByteArraySink out;
        EXPECT_EQ(WriteFileDiff("a", &before, Unmarked(c.after, &mask.after), out, &mask),
                  c.written);
        EXPECT_EQ(out.bytes().toStdString(), c.diff);
    }
}

// The mask learns every change before anything is written, and may refuse the whole diff.
TEST(LineDiffTest, TellsTheMaskEveryChangeFirst) {
    const QByteArray before = "1\nold\n3\n4\n5\n6\n7\n8\n9\ngone\n";
    const QByteArray after = "1\nnew\nnewer\n3\n4\n5\n6\n7\n8\n9\n";
    FixedMask mask;
    ByteArraySink out;
    ASSERT_EQ(WriteFileDiff("f", &before, after, out, &mask), DiffWritten::Plain);
    ASSERT_EQ(mask.changes.size(), 2u);
    EXPECT_EQ(before.mid(mask.changes[0].before.begin, 4), "old\n");
    EXPECT_EQ(after.mid(mask.changes[0].after.begin,
                        mask.changes[0].after.end - mask.changes[0].after.begin),
              "new\nnewer\n");
    EXPECT_EQ(before.mid(mask.changes[1].before.begin), "gone\n");
    EXPECT_TRUE(mask.changes[1].after.Empty());
    mask.refuse = true;
    ByteArraySink none;
    EXPECT_EQ(WriteFileDiff("f", &before, after, none, &mask), DiffWritten::Refused);
    EXPECT_TRUE(none.bytes().isEmpty());
}

}  // namespace
