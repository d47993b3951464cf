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

// Only the last lines are kept, cut, as text that shows what they held. A line is looked at in
// its bytes as written, whole, before it is escaped or cut: one that holds a secret anywhere is
// held back whole, and only that one.
TEST(LastLinesTest, KeepsTheLastLinesAsTextAndHoldsBackThoseWithASecret) {
    const QString held = SecretSet::HeldBackLine();
    const struct {
        const char* what;
        std::string written;
        QStringList kept;
        QString secret = {};
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
        {"a line without a secret stays", "p w\nw p\n", {"p w", "w p"}, "pw"},
        {"the line that holds it, and only that one", "a\nx s3cr3t\nb", {"a", held, "b"}, "s3cr3t"},
        {"a secret with a CR", "1ab\rcd2\n", {held}, "ab\rcd"},
        {"a secret with U+0085", "p\u0085w\n", {held}, "p\u0085w"},
        {"a secret with U+202E", "p\u202ew\n", {held}, "p\u202ew"},
        {"a secret that crosses the cut", "abcdefghijkl\n", {held}, "efghij"},
        {"a secret whose start only is kept", "0123456789ab\n", {held}, "0123456789ab"},
        {"a secret in the part that is cut off", "abcdefghijxyz\n", {held}, "xyz"},
        {"an unfinished last line", "a\n.pw", {"a", held}, "pw"},
        {"lines are looked at one by one", "a\n\tb\n", {"a", "\tb"}, "a\tb"},
    };
    for (const auto& c : cases) {
        const SecretSet secrets = c.secret.isEmpty() ? SecretSet() : SecretSet({c.secret});
        for (const std::size_t piece : {std::size_t(1), std::size_t(3), c.written.size() + 1})
            EXPECT_EQ(Kept(c.written, piece, secrets), c.kept)
                << c.what << ", in pieces of " << piece;
    }
}

}  // namespace
