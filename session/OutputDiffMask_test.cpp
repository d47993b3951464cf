#include "session/OutputDiffMask.h"

#include <gtest/gtest.h>

namespace {

// The hunks of the diff of an output from `before` to `after`, whose passwords stand in each
// "<...>" of `after` (the brackets go; "<>" is a password without a value).
std::string HunksOf(const QByteArray& before, QByteArray after) {
    std::vector<ByteRange> secrets;
    for (qsizetype open = after.indexOf('<'); open >= 0; open = after.indexOf('<', open)) {
        after.remove(open, 1);
        const qsizetype close = after.indexOf('>', open);
        after.remove(close, 1);
        secrets.push_back({open, close});
    }
    OutputDiffMask mask(secrets);
    ByteArraySink out;
    if (WriteFileDiff("f", &before, after, out, &mask) == DiffWritten::Refused)
        return "refused";
    const QByteArray diff = out.bytes();
    return diff.mid(diff.indexOf("@@")).toStdString();
}

// The old version holds its passwords where the new one holds them in a line of the same
// template: whatever stands there is hidden, and nothing else.
TEST(OutputDiffMaskTest, HidesTheOldPasswordsWhereTheNewLinesHoldTheirs) {
    const struct {
        const char* what;
        QByteArray before, after;
        std::string hunks;
    } cases[] = {
        {"a password changed", "a\npw=old\nb\n", "a\npw=<new>\nb\n",
         "@@ -1,3 +1,3 @@\n a\n-pw=********\n+pw=********\n b\n"},
        {"a password given no value", "pw=old;\n", "pw=<>;\n",
         "@@ -1 +1 @@\n-pw=********;\n+pw=;\n"},
        {"an old last line without its line break", "pw=old", "pw=<new>\n",
         "@@ -1 +1 @@\n-pw=********\n\\ No newline at end of file\n+pw=********\n"},
        // Regression: a password of several lines showed its old lines.
        {"a password of several lines, now fewer", "k=o1\no2\no3\nend\n", "k=<n1\nn2>\nend\n",
         "@@ -1,4 +1,3 @@\n-k=********\n-********\n-********\n+k=********\n+********\n end\n"},
        {"a line of the new version anywhere in the file", "pw=old\nx\ny\nz\nq\nr\ns\nw\npw=o2\n",
         "pw=<new>\nx\ny\nz\nq\nr\ns\nw\npw=new\n",
         "@@ -1,4 +1,4 @@\n-pw=********\n+pw=********\n x\n y\n z\n@@ -6,4 +6,4 @@\n r\n s\n w\n"
         "-pw=********\n+pw=new\n"},
        {"a literal between two passwords that stands in two places: both sides hidden",
         "u=a;p=b;p=c\n", "u=<x>;p=<y>\n", "@@ -1 +1 @@\n-u=********\n+u=********;p=********\n"},
        {"a line that matches no new line is shown", "host=a pw=old\n", "host=b pw=<new>\n",
         "@@ -1 +1 @@\n-host=a pw=old\n+host=b pw=********\n"},
        {"a password alone on its line stands for the lines its change removes, no others",
         "x\nOLD\ny\nz=1\n", "x\n<NEW>\ny\nz=2\n",
         "@@ -1,4 +1,4 @@\n x\n-********\n+********\n y\n-z=1\n+z=2\n"},
        {"a password of one letter hides that letter's place only", "data a\npw=b\n",
         "data a\npw=<a>\n", "@@ -1,2 +1,2 @@\n data a\n-pw=********\n+pw=********\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HunksOf(c.before, c.after), c.hunks) << c.what;
}

// Many lines that each hold a password are matched by what they start or end with; where every
// removed line could still be any of thousands of them, matching would take far longer than the
// diff, and the mask refuses instead of showing them.
TEST(OutputDiffMaskTest, FindsTheLinesOfManyPasswordsOrRefuses) {
    QByteArray before, after, hunks;
    for (int i = 0; i < 4000; ++i) {
        before += "key" + QByteArray::number(i) + "=old\n";
        after += "key" + QByteArray::number(i) + "=<new>\n";
        hunks += "-key" + QByteArray::number(i) + "=********\n";
    }
    for (int i = 0; i < 4000; ++i)
        hunks += "+key" + QByteArray::number(i) + "=********\n";
    EXPECT_TRUE(HunksOf(before, after) == "@@ -1,4000 +1,4000 @@\n" + hunks.toStdString());

    QByteArray prefixes, lines;
    for (int i = 1; i <= 2000; ++i) {
        prefixes += QByteArray(i, 'x') + "=<new>\n";
        lines += QByteArray(2000 + i, 'x') + "=old\n";
    }
    EXPECT_EQ(HunksOf(lines, prefixes), "refused");
}

}  // namespace
