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
// template: whatever stands there is hidden. A removed line that cannot be paired for certain with
// a new line without a password is held back whole.
TEST(OutputDiffMaskTest, HidesTheOldPasswordsWhereTheNewLinesHoldTheirs) {
    const std::string held = WithheldLine().toStdString();
    const struct {
        const char* what;
        QByteArray before, after;
        std::string hunks;
    } cases[] = {
        {"a password given no value", "pw=old;\n", "pw=<>;\n",
         "@@ -1 +1 @@\n-pw=********;\n+pw=;\n"},
        {"a literal between two passwords that stands in two places: both sides hidden",
         "u=a;p=b;p=c\n", "u=<x>;p=<y>\n", "@@ -1 +1 @@\n-u=********\n+u=********;p=********\n"},
        // Regression: a line whose other value changed showed the password around it.
        {"a line whose other values changed around its password is held back whole",
         "url=pg://u:s3cret@db1/x\n", "url=pg://u:<s3cret>@db2/x\n",
         "@@ -1 +1 @@\n-" + held + "\n+url=pg://u:********@db2/x\n"},
        // Regression: the lines of an old password of several lines after its first showed.
        {"an old password of several lines where the new one has one", "a=1\npw=l1\nl2\nl3\nb=2\n",
         "a=1\npw=<new>\nb=2\n",
         "@@ -1,5 +1,3 @@\n a=1\n-pw=********\n-" + held + "\n-" + held + "\n+pw=********\n b=2\n"},
        {"... also where the new one equals its first line", "pw=l1\nl2\nb=2\n", "pw=<l1>\nb=2\n",
         "@@ -1,3 +1,2 @@\n pw=********\n-" + held + "\n b=2\n"},
        {"a line apart from every password, paired line for line, is shown", "pw=old\n\nport=80\n",
         "pw=<new>\n\nport=8080\n",
         "@@ -1,3 +1,3 @@\n-pw=********\n+pw=********\n \n-port=80\n+port=8080\n"},
        {"... also after an empty first line", "\nport=80\n\npw=old", "\nport=8080\n\npw=<new>",
         "@@ -1,4 +1,4 @@\n \n-port=80\n+port=8080\n \n-pw=********\n\\ No newline at end of "
         "file\n+pw=********\n\\ No newline at end of file\n"},
        {"... but not when lines are added or removed", "pw=old\n\nport=80\n",
         "pw=<new>\n\nport=8080\nhost=h\n",
         "@@ -1,3 +1,4 @@\n-pw=********\n+pw=********\n \n-" + held + "\n+port=8080\n+host=h\n"},
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
