#include "platform/LastLines.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The lines of what a program wrote, kept as three lines of at most eight bytes, written to them
// in pieces of `piece` bytes.
QStringList Kept(const std::string& written, std::size_t piece) {
    LastLines lines(3, 8);
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
        {"fewer lines than kept", "one\ntwo\n", {"one", "two"}},
        {"only the last lines, an unfinished one among them", "1\n2\n3\n4\n5", {"3", "4", "5"}},
        {"an empty line counts, an empty end does not", "1\n\n2\n\n", {"", "2", ""}},
        {"a line of CR LF", "dos\r\nline\r\n", {"dos", "line"}},
        {"a long line keeps its start",
         "short\n" + std::string(100, 'x') + "\nend",
         {"short", "xxxxxxxx[... 92 more bytes]", "end"}},
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

}  // namespace
