#include "run/LineDiff.h"

#include <gtest/gtest.h>

namespace {

// The hunks after the headers "--- a/f" and "+++ b/f", as `diff -u` writes them.
TEST(LineDiffTest, WritesTheHunksOfAUnifiedDiff) {
    const char* const cases[][3] = {
        // A new file, and one that becomes empty.
        {"", "x\ny\n", "@@ -0,0 +1,2 @@\n+x\n+y\n"},
        {"x\n", "", "@@ -1 +0,0 @@\n-x\n"},
        // Three lines of context; removed lines before added ones.
        {"1\n2\n3\n4\n5\n6\n7\n8\n", "1\n2\n3\n4\nnew\n5\n6\n7\n8\n",
         "@@ -2,6 +2,7 @@\n 2\n 3\n 4\n+new\n 5\n 6\n 7\n"},
        {"a\nb\nc\nd\n", "B\nb\nC\n", "@@ -1,4 +1,3 @@\n-a\n+B\n b\n-c\n-d\n+C\n"},
        // Changes six lines apart share a hunk, seven lines apart they do not.
        {"0\n1\n2\n3\n4\n5\n6\n7\n", "x\n1\n2\n3\n4\n5\n6\ny\n",
         "@@ -1,8 +1,8 @@\n-0\n+x\n 1\n 2\n 3\n 4\n 5\n 6\n-7\n+y\n"},
        {"0\n1\n2\n3\n4\n5\n6\n7\n8\n", "x\n1\n2\n3\n4\n5\n6\n7\ny\n",
         "@@ -1,4 +1,4 @@\n-0\n+x\n 1\n 2\n 3\n@@ -6,4 +6,4 @@\n 5\n 6\n 7\n-8\n+y\n"},
        // A last line without a line break, changed, given one, or as context.
        {"a\nb", "a\nc",
         "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline "
         "at end of file\n"},
        {"a", "a\r\n", "@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\r\n"},
        {"a\nb", "x\na\nb", "@@ -1,2 +1,3 @@\n+x\n a\n b\n\\ No newline at end of file\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnifiedDiff(c[0], c[1], "a/f", "b/f").toStdString(),
                  "--- a/f\n+++ b/f\n" + std::string(c[2]))
            << c[0] << " -> " << c[1];
    // Every other line changed: past 2,000 differing lines, all lines between the common first
    // and last ones are removed and added whole.
    for (const int pairs : {900, 1201}) {
        QByteArray before = "s\n";
        QByteArray after = "s\n";
        for (int i = 0; i < pairs; ++i) {
            before += 'o' + QByteArray::number(i) + "\ns\n";
            after += 'n' + QByteArray::number(i) + "\ns\n";
        }
        EXPECT_EQ(UnifiedDiff(before, after, "a/f", "b/f").count("\n-"),
                  pairs > 1000 ? 2 * pairs - 1 : pairs);
    }
}

}  // namespace
