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
        {"a password given no value", "pw=old;\n", "pw=<>;\n",
         "@@ -1 +1 @@\n-pw=********;\n+pw=;\n"},
        {"a literal between two passwords that stands in two places: both sides hidden",
         "u=a;p=b;p=c\n", "u=<x>;p=<y>\n", "@@ -1 +1 @@\n-u=********\n+u=********;p=********\n"},
        {"a line that matches no new line is shown", "host=a pw=old\n", "host=b pw=<new>\n",
         "@@ -1 +1 @@\n-host=a pw=old\n+host=b pw=********\n"},
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
