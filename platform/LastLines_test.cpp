#include "platform/LastLines.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The lines of what a program wrote, kept as three lines of at most eight bytes, written to them
// in pieces of `piece` bytes; lines that hold any of `secrets` are held back.
QStringList Kept(const std::string& written, std::size_t piece, const SecretSet& secrets = {}) {
    LastLines lines(3, 8, &secrets);
    for (std::size_t at = 0; at < written.size(); at += piece)
        lines.Append(written.data() + at, std::min(piece, written.size() - at));
    return lines.Lines();
}

TEST(LastLinesTest, KeepsTheLastLinesAsTextThatShowsWhatTheyHeld) {
    const struct {
        const char* what;
        std::string written;
        QStringList kept;
    } cases[] = {
        {"only the last lines, an unfinished one among them", "1\n2\n3\n4\n5", {"3", "4", "5"}},
        {"an empty line counts, an empty end does not", "1\n\n2\n\n", {"", "2", ""}},
        {"a line of CR LF", "dos\r\nline\r\n", {"dos", "line"}},
        {"a cut never splits a character",
         "1234567\xc3\xa4\xc3\xa4\n",
         {"1234567[... 4 more bytes]"}},
        {"NULs and other control characters",
         std::string("a\0b\x1b[2J\x7f", 8) + "\n",
         {"a\\x00b\\x1b[2J\\x7f"}},
        {"a tab stays", "a\tb\n", {"a\tb"}},
        {"invalid UTF-8",
         "a\xff\xfe"
         "b\n",
         {"a\uFFFD\uFFFDb"}},
        {"characters that break or turn the line", "a\u2028b\u202e\n", {"a\\u2028b\\u202e"}},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t(1), std::size_t(3), c.written.size() + 1})
            EXPECT_EQ(Kept(c.written, piece), c.kept) << c.what << ", in pieces of " << piece;
    }
}

// A line is looked at in its bytes as written, whole, before it is escaped or cut: one that holds a
// secret anywhere is held back whole, and only that one.
TEST(LastLinesTest, HoldsBackEveryLineThatHoldsASecret) {
    const QString held = SecretSet::HeldBackLine();
    const struct {
        const char* what;
        QString secret;
        std::string written;
        QStringList kept;
    } cases[] = {
        {"a line without it stays", "pw", "p w\nw p\n", {"p w", "w p"}},
        {"the line that holds it, and only that one", "s3cr3t", "a\nx s3cr3t\nb", {"a", held, "b"}},
        {"a secret with a CR", "ab\rcd", "1ab\rcd2\n", {held}},
        {"a secret with U+0085", "p\u0085w", "p\u0085w\n", {held}},
        {"a secret with U+202E", "p\u202ew", "p\u202ew\n", {held}},
        {"a secret that crosses the cut", "efghij", "abcdefghijkl\n", {held}},
        {"a secret whose start only is kept", "0123456789ab", "0123456789ab\n", {held}},
        {"a secret in the part that is cut off", "xyz", "abcdefghijxyz\n", {held}},
        {"an unfinished last line", "pw", "a\n.pw", {"a", held}},
        {"lines are looked at one by one", "a\tb", "a\n\tb\n", {"a", "\tb"}},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t(1), std::size_t(3), c.written.size() + 1})
            EXPECT_EQ(Kept(c.written, piece, SecretSet({c.secret})), c.kept)
                << c.what << ", in pieces of " << piece;
    }
}

}  // namespace
