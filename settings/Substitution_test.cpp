#include "settings/Substitution.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

QByteArray Substitute(const QByteArray& text, std::vector<Substitution> substitutions) {
    return SubstituteSequentially(text, substitutions);
}

TEST(SubstitutionTest, ReplacesEveryOccurrenceCaseSensitively) {
    EXPECT_EQ(Substitute("$(A)-$(a)-$(A)", {{"$(A)", "x"}}), QByteArray("x-$(a)-x"));
    EXPECT_EQ(Substitute("no ids here", {{"$(A)", "x"}}), QByteArray("no ids here"));
    EXPECT_EQ(Substitute("$(UNKNOWN)", {{"$(A)", "x"}}), QByteArray("$(UNKNOWN)"));
    // An id without the $( ) wrapper replaces its bare text anywhere.
    EXPECT_EQ(Substitute("HOST and HOSTNAME", {{"HOST", "h"}}), QByteArray("h and hNAME"));
    EXPECT_EQ(Substitute("", {{"$(A)", "x"}}), QByteArray());
}

TEST(SubstitutionTest, LaterPassesSeeEarlierValuesButNotTheReverse) {
    // $(A) first: its value brings in $(B), which the later pass replaces.
    EXPECT_EQ(Substitute("[$(A)]", {{"$(A)", "<$(B)>"}, {"$(B)", "b"}}), QByteArray("[<b>]"));
    // $(B) first: the $(B) that $(A) brings in later stays.
    EXPECT_EQ(Substitute("[$(A)]", {{"$(B)", "b"}, {"$(A)", "<$(B)>"}}), QByteArray("[<$(B)>]"));
    // A value completes a later id together with the template text around it.
    EXPECT_EQ(Substitute("$(A)C)", {{"$(A)", "$(B"}, {"$(BC)", "joined"}}), QByteArray("joined"));
}

TEST(SubstitutionTest, APassDoesNotRescanWhatItInserted) {
    EXPECT_EQ(Substitute("$(A)", {{"$(A)", "$(A)$(A)"}}), QByteArray("$(A)$(A)"));
    EXPECT_EQ(Substitute("aaaa", {{"aa", "a"}}), QByteArray("aa"));
    EXPECT_EQ(Substitute("aaa", {{"aa", "b"}}), QByteArray("ba"));
}

TEST(SubstitutionTest, EmptyIdsReplaceNothingAndEmptyValuesDelete) {
    EXPECT_EQ(Substitute("abc", {{"", "x"}}), QByteArray("abc"));
    EXPECT_EQ(Substitute("a$(A)b$(A)", {{"$(A)", ""}}), QByteArray("ab"));
}

TEST(SubstitutionTest, BytesPassThroughUnchanged) {
    // A byte-order mark, CR LF, bytes that are not UTF-8 and a NUL byte.
    const QByteArray text("\xef\xbb\xbfline1\r\n\xff\xfe$(A)\r\n\0tail", 23);
    const QByteArray expected("\xef\xbb\xbfline1\r\n\xff\xfevalue\r\n\0tail", 24);
    EXPECT_EQ(Substitute(text, {{"$(A)", "value"}}), expected);
}

}  // namespace
