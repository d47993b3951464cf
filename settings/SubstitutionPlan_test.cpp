#include "settings/SubstitutionPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace {

// Printable ASCII as it is, every other byte as \xNN, in quotes.
std::string Escaped(const QByteArray& bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out + "\"";
}

std::string Describe(const QByteArray& text, const std::vector<Substitution>& substitutions) {
    std::string out = "text " + Escaped(text) + ", substitutions {";
    for (const Substitution& s : substitutions) {
        out += " " + Escaped(s.id) + " -> " + Escaped(s.value) + ",";
    }
    return out + " }";
}

QByteArray Bytes(std::string_view bytes) {
    return QByteArray(bytes.data(), bytes.size());
}

// Checks the plan against the sequential passes and against the result worked out by hand.
void Expect(const QByteArray& text, const std::vector<Substitution>& substitutions,
            const QByteArray& expected) {
    const QByteArray actual = SubstitutionPlan(substitutions).Apply(text);
    EXPECT_EQ(Escaped(SubstituteSequentially(text, substitutions)), Escaped(expected))
        << Describe(text, substitutions);
    EXPECT_EQ(Escaped(actual), Escaped(expected)) << Describe(text, substitutions);
}

TEST(SubstitutionPlanTest, TextWithoutIdsIsUnchanged) {
    Expect("abc", {}, "abc");
    Expect("abc", {{"", "x"}}, "abc");
    Expect("", {{"$(A)", "x"}}, "");
    Expect("no $( id $(B) here $", {{"$(A)", "x"}}, "no $( id $(B) here $");
}

TEST(SubstitutionPlanTest, SingleByteIdsNeedNoMargins) {
    Expect("abcab", {{"a", "b"}, {"b", "c"}}, "ccccc");
    Expect("ab", {{"a", "b"}, {"b", "a"}}, "aa");
    Expect("aa", {{"a", "ab"}}, "abab");
}

TEST(SubstitutionPlanTest, MatchesAtTheEndsOfTheText) {
    Expect("$(A)C)", {{"$(A)", "$(B"}, {"$(BC)", "joined"}}, "joined");
    Expect("$(A)$(A)", {{"$(A)", "$"}, {"$$", "end"}}, "end");
    Expect("ab$(A)", {{"$(A)", "c"}, {"abc", "X"}}, "X");
    Expect("$(A)bc", {{"$(A)", "a"}, {"abc", "X"}}, "X");
}

TEST(SubstitutionPlanTest, OverlappingIdsInOneCluster) {
    Expect("x$(A)y", {{"A)", "1"}, {"$(A)", "2"}}, "x$(1y");
    Expect("x$(A)y", {{"$(A)", "2"}, {"A)", "1"}}, "x2y");
    Expect("$(AB)", {{"$(A", "1"}, {"$(AB)", "2"}, {"B)", "3"}}, "13");
    Expect("$(AB)", {{"$(AB)", "2"}, {"$(A", "1"}, {"B)", "3"}}, "2");
    Expect("<$(A)$(B)>", {{"$(B)", "b"}, {"$(A)", "a$(B)"}}, "<a$(B)b>");
}

TEST(SubstitutionPlanTest, ValuesCompleteIdsStartedByEarlierOccurrences) {
    // "$ac" starts at "$a", still in place when "$b" has become "c".
    Expect("$a$b", {{"$b", "c"}, {"$ac", "Z"}, {"$a", "1"}}, "Z");
    // "$xxc" starts at the second '$' of "$a$", still in place when "$b" has become "c".
    Expect("$a$xx$b", {{"$b", "c"}, {"$xxc", "Z"}, {"$a$", "1"}, {"$$$$$", ""}}, "$aZ");
    // Ids that no other id extends may sit side by side.
    Expect("[$(HOST)$(PORT)]", {{"$(PORT)", "80"}, {"$(HOST)", "h:"}, {"$(DB_PASSWORD)", "x"}},
           "[h:80]");
}

TEST(SubstitutionPlanTest, RepeatedIdsArePassesOfTheirOwn) {
    Expect("$(A)", {{"$(A)", "$(A)x"}, {"$(A)", "$(A)x"}}, "$(A)xx");
    Expect("a $(A) b", {{"$(A)", "1"}, {"$(A)", "2"}}, "a 1 b");
    Expect("$($(A)A)", {{"$(A)", ""}, {"$(A)", "v"}}, "v");
}

TEST(SubstitutionPlanTest, ValuesFeedLaterPassesOnly) {
    Expect("12345678$(A)C)87654321", {{"$(A)", "$(B"}, {"$(BC)", "joined"}},
           "12345678joined87654321");
    Expect("[$(A)]", {{"$(B)", "b"}, {"$(A)", "<$(B)>"}}, "[<$(B)>]");
    Expect("[$(A)]", {{"$(A)", "<$(B)>"}, {"$(B)", "b"}}, "[<b>]");
    Expect("xcabdx", {{"ab", ""}, {"cd", "X"}}, "xXx");
}

TEST(SubstitutionPlanTest, NulBytesAreOrdinaryBytes) {
    Expect(Bytes({"x\0A\0Ay", 6}), {{Bytes({"\0A", 2}), Bytes({"<\0>", 3})}},
           Bytes({"x<\0><\0>y", 8}));
    Expect(Bytes({"\0$(A)\0", 6}), {{"$(A)", Bytes({"\0", 1})}, {Bytes({"\0\0\0", 3}), "N"}}, "N");
}

// Each created match below starts or ends one byte outside its window's span, in the margin, and
// the last pass depends on the byte beyond the window.
TEST(SubstitutionPlanTest, MatchesReachingIntoAMarginGiveTheSequentialResult) {
    Expect("pqA", {{"A", "B"}, {"qB", "C"}, {"pC", "D"}}, "D");
    Expect("Aqp", {{"A", "B"}, {"Bq", "C"}, {"Cp", "D"}}, "D");
    Expect("A x pqA y A", {{"A", "B"}, {"qB", "C"}, {"pC", "D"}}, "B x D y B");
}

// A removal joins the bytes on either side of it into a match that neither side held. In each
// case the new match starts or ends in the margin of the removed occurrence's window, or right at
// the text's edge where there is no margin, or is not searched again because its pass is over.
TEST(SubstitutionPlanTest, RemovalsThatJoinTheirNeighboursGiveTheSequentialResult) {
    // The fuzzer's case: removing 'a' makes "(b" with the '(' before it, one byte into the
    // margin, and "a$" is a longer id starting where 'a' does.
    Expect("$(ab(((b(b", {{"a$", "a"}, {"a", ""}, {"(b", ""}}, "$((");
    // The same at the start of the text, where the window has no left margin.
    Expect("(ab(((b(b", {{"a$", "a"}, {"a", ""}, {"(b", ""}}, "((");
    Expect("x(ab", {{"a", ""}, {"(b", "Z"}}, "xZ");
    Expect("ab)x", {{"b", ""}, {"a)", "Z"}}, "Zx");
    // The lone '(' sits between two occurrences of the removed id.
    Expect("a(ab", {{"a", ""}, {"(b", "Z"}}, "Z");
    // What the second removal joins is not searched again.
    Expect("((abb", {{"a", ""}, {"(b", ""}}, "(b");
    // A run of removals joins bytes from further apart than the longest id.
    Expect("x(aaaab", {{"a", ""}, {"(b", "Z"}}, "xZ");
}

// Where several ids start at one byte, or one id starts inside another, each pass must see what
// the earlier ones left, not the occurrences found in the text.
TEST(SubstitutionPlanTest, IdsThatArePrefixesOfOthers) {
    Expect("a$a", {{"a$", "a"}, {"a", ""}}, "");
    Expect("a$a", {{"a", ""}, {"a$", "X"}}, "$");
    // "a$" is made only by removing the 'b' between its bytes.
    Expect("ab$", {{"b", ""}, {"a$", "X"}}, "X");
    Expect("ab$$", {{"b", ""}, {"a$", "X"}}, "X$");
    Expect("$a$$", {{"$", "1"}, {"$a", "2"}}, "1a11");
    Expect("$a$$", {{"$a", "2"}, {"$", "1"}}, "211");
}

// The value of the second occurrence starts an id that the third pass completes, though the first
// occurrence's value starts none.
TEST(SubstitutionPlanTest, AValueStartingAnIdAnywhereInAClusterIsReplayed) {
    Expect("abc", {{"b", "$"}, {"a", ""}, {"$c", "Z"}}, "Z");
    Expect("ab c", {{"b", "$"}, {"a", ""}, {"$c", "Z"}}, "$ c");
}

// Occurrences less than twice the margin apart share a window; at exactly that distance their
// windows meet without overlapping.
TEST(SubstitutionPlanTest, WindowsOfNearbyOccurrences) {
    Expect("aca", {{"a", "b"}, {"bb", "X"}}, "bcb");
    Expect("acca", {{"a", "b"}, {"bb", "X"}}, "bccb");
    Expect("acab", {{"a", "b"}, {"bb", "X"}}, "bcX");
}

// Every byte starts at least part of the long id, so walking the ids from each byte would cost
// the text's length times the id's.
TEST(SubstitutionPlanTest, LongPartialMatchesEverywhere) {
    Expect(QByteArray(100000, 'a'), {{QByteArray(500, 'a'), "b"}, {"bb", "c"}},
           QByteArray(100, 'c'));
}

TEST(SubstitutionPlanTest, OnePlanServesManyTexts) {
    SubstitutionPlan moved({{"$(A)", "$(B"}, {"$(BC)", "1"}});
    const SubstitutionPlan plan(std::move(moved));
    EXPECT_EQ(Escaped(plan.Apply("$(A)C) $(A)")), Escaped("1 $(B"));
    EXPECT_EQ(Escaped(plan.Apply("$(A)")), Escaped("$(B"));
    EXPECT_EQ(Escaped(plan.Apply("none")), Escaped("none"));
}

// Random short cases over small alphabets, where ids and values overlap, repeat and complete one
// another often: ids that extend or cut short an earlier id, so that several start at one byte, and
// many removals, which join the bytes on either side.
class RandomCase {
  public:
    RandomCase(uint32_t seed, size_t maxTextSize) : mRandom(seed), mMaxTextSize(maxTextSize) {}

    void Next() {
        const std::string_view alphabets[] = {"ab$()", "ab$(", "a(b", "ab", {"a\0$", 3}, "a"};
        mAlphabet = alphabets[Below(std::size(alphabets))];
        substitutions.clear();
        for (size_t count = Below(7); count > 0; --count) {
            substitutions.push_back({Id(), Value()});
        }
        text.clear();
        for (const size_t length = Below(mMaxTextSize + 1);
             static_cast<size_t>(text.size()) < length;) {
            text += Below(3) == 0 ? Random(Below(4)) : Piece();
        }
        text.truncate(static_cast<qsizetype>(mMaxTextSize));
    }

    QByteArray text;
    std::vector<Substitution> substitutions;

  private:
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(mRandom); }
    QByteArray Random(size_t length) {
        QByteArray bytes;
        while (static_cast<size_t>(bytes.size()) < length) {
            bytes += mAlphabet[Below(mAlphabet.size())];
        }
        return bytes;
    }
    // An id, or a part of one, or random bytes.
    QByteArray Piece() {
        if (substitutions.empty() || Below(4) == 0) {
            return Random(Below(3));
        }
        const QByteArray id = substitutions[Below(substitutions.size())].id;
        const size_t cut = Below(id.size() + 1);
        switch (Below(3)) {
            case 0:
                return id.left(cut);
            case 1:
                return id.mid(cut);
            default:
                return id;
        }
    }
    // An earlier id again, an earlier id made longer or shorter, or random bytes.
    QByteArray Id() {
        if (substitutions.empty()) {
            return Random(Below(5));
        }
        const QByteArray earlier = substitutions[Below(substitutions.size())].id;
        switch (Below(6)) {
            case 0:
                return earlier;
            case 1:
                return earlier + Random(1 + Below(2));
            case 2:
                return earlier.left(Below(earlier.size() + 1));
            default:
                return Random(Below(5));
        }
    }
    QByteArray Value() {
        switch (Below(5)) {
            case 0:
            case 1:
                return QByteArray();
            case 2:
                return Random(Below(6));
            default:
                return Random(Below(2)) + Piece() + Random(Below(2));
        }
    }

    std::mt19937 mRandom;
    size_t mMaxTextSize;
    std::string_view mAlphabet;
};

TEST(SubstitutionPlanTest, MatchesTheSequentialPassesOnRandomCases) {
    int failures = 0;
    for (uint32_t seed = 1; seed <= 30 && failures < 5; ++seed) {
        // Longer texts hold several windows, and clusters just too far apart to join.
        RandomCase c(seed, seed % 2 == 0 ? 60 : 200);
        for (int i = 0; i < 10000 && failures < 5; ++i) {
            c.Next();
            const QByteArray expected = SubstituteSequentially(c.text, c.substitutions);
            // Tiny output pieces make every cluster straddle a piece boundary somewhere.
            const size_t piece = seed % 3 == 0 ? SubstitutionPlan::kPieceBytes : 1 + i % 8;
            const QByteArray actual = SubstitutionPlan(c.substitutions, piece).Apply(c.text);
            if (actual != expected) {
                ++failures;
                ADD_FAILURE() << "seed " << seed << " case " << i << " (pieces of " << piece
                              << " bytes): " << Describe(c.text, c.substitutions) << " gives "
                              << Escaped(actual) << " instead of " << Escaped(expected);
            }
        }
    }
}

// A megabyte of template lines: mostly lone variables, some side by side, values that bring in
// later variables or a '$', and ids that are prefixes of others.
TEST(SubstitutionPlanTest, MatchesTheSequentialPassesOnAMegabyte) {
    std::vector<Substitution> substitutions;
    for (int i = 0; i < 200; ++i) {
        const QByteArray name = "VAR" + QByteArray::number(i);
        const QByteArray value = i % 7 == 0    ? "<$(VAR" + QByteArray::number(i + 3) + ")>"
                                 : i % 11 == 0 ? "cost $5"
                                               : "value " + name;
        substitutions.push_back({"$(" + name + ")", value});
    }
    substitutions.push_back({"$(VAR1", "prefix"});
    std::mt19937 random(7);
    QByteArray text;
    while (text.size() < (1 << 20)) {
        const QByteArray a = QByteArray::number(random() % 230);
        const QByteArray b = QByteArray::number(random() % 230);
        text += random() % 5 == 0 ? "pair = $(VAR" + a + ")$(VAR" + b + ")\n"
                                  : "key_" + a + " = $(VAR" + a + ") # some words\n";
    }
    const QByteArray expected = SubstituteSequentially(text, substitutions);
    EXPECT_TRUE(SubstitutionPlan(substitutions).Apply(text) == expected);
}

// A sink that keeps what arrives and how: the pieces, the restarts, and a failure on demand.
class RecordingSink final : public ByteSink {
  public:
    bool Append(const char* data, size_t size) override {
        ++appends;
        largest = std::max(largest, size);
        if (failAfter >= 0 && appends > failAfter) {
            return false;
        }
        bytes.append(data, static_cast<qsizetype>(size));
        return true;
    }
    bool Restart() override {
        sentBeforeRestart += bytes.size();
        ++restarts;
        bytes.clear();
        return true;
    }

    QByteArray bytes;
    int appends = 0;
    size_t largest = 0;
    int restarts = 0;
    qsizetype sentBeforeRestart = 0;
    int failAfter = -1;
};

// Lines of lone and paired variables, about `size` bytes.
QByteArray TemplateLines(qsizetype size) {
    QByteArray text;
    for (int i = 0; text.size() < size; ++i) {
        text += i % 5 == 0 ? "pair = $(A)$(B)\n" : "key = $(A) # some words\n";
    }
    return text;
}

TEST(SubstitutionPlanTest, StreamsTheOutputInPieces) {
    // "$(A)" becomes a value holding '$', so its occurrences are replayed, and pairs sit within
    // one window: both kinds of cluster end up on either side of a piece boundary somewhere.
    const std::vector<Substitution> substitutions = {{"$(A)", "a$"}, {"$(B)", "<$(A)>"}};
    const QByteArray text = TemplateLines(4 << 20);
    RecordingSink sink;
    SubstitutionPlan(substitutions).Apply(text, sink);
    EXPECT_TRUE(sink.bytes == SubstituteSequentially(text, substitutions));
    EXPECT_EQ(sink.restarts, 0);
    EXPECT_GT(sink.appends, 8);
    EXPECT_LE(sink.largest, size_t(1) << 20) << "the output was gathered, not streamed";
}

TEST(SubstitutionPlanTest, AClusterLongerThanAPieceIsHeldUntilItCloses) {
    // Side by side, the occurrences make one cluster of a megabyte. Its values go out as they
    // come, until a lone '$' near its end means the whole window has to be replayed instead.
    const std::vector<Substitution> substitutions = {{"$(A)", "value"}, {"$$(A)", "never"}};
    QByteArray run;
    for (int i = 0; i < 250000; ++i) {
        run += "$(A)";
    }
    for (const QByteArray& text : {"head " + run + " tail", "head " + run + "$$(A) tail"}) {
        RecordingSink sink;
        SubstitutionPlan(substitutions).Apply(text, sink);
        EXPECT_TRUE(sink.bytes == SubstituteSequentially(text, substitutions));
        EXPECT_EQ(sink.restarts, 0);
    }
}

TEST(SubstitutionPlanTest, ALargeValueIsHeldBackWhileItsClusterMayStillBeReplayed) {
    // The first value is larger than a piece; the lone '$' after it makes the cluster a replay,
    // so the value must not have gone out already.
    const QByteArray large(SubstitutionPlan::kPieceBytes + 1000, 'v');
    const std::vector<Substitution> substitutions = {{"$(A)", large}};
    const QByteArray text = "$(A)$$(A)y";
    RecordingSink sink;
    SubstitutionPlan(substitutions).Apply(text, sink);
    EXPECT_EQ(sink.bytes.size(), 2 * large.size() + 2);
    EXPECT_TRUE(sink.bytes == SubstituteSequentially(text, substitutions));
}

TEST(SubstitutionPlanTest, StartsOverWhenAMatchReachesBeyondItsWindow) {
    // The replacement of the "$(A)" near the end makes "$(BC)" from the text after it, which
    // only the plain passes get right; by then much of the output has gone out.
    const std::vector<Substitution> substitutions = {{"$(A)", "$(B"}, {"$(BC)", "joined"}};
    const QByteArray text = TemplateLines(2 << 20) + "$(A)C) tail\n" + TemplateLines(1000);
    RecordingSink sink;
    SubstitutionPlan(substitutions).Apply(text, sink);
    EXPECT_TRUE(sink.bytes == SubstituteSequentially(text, substitutions));
    EXPECT_TRUE(sink.bytes.contains("joined tail"));
    EXPECT_EQ(sink.restarts, 1);
    EXPECT_GT(sink.sentBeforeRestart, 1 << 20);
}

TEST(SubstitutionPlanTest, StopsSendingOnceTheSinkFails) {
    RecordingSink sink;
    sink.failAfter = 2;
    SubstitutionPlan({{"$(A)", "x"}, {"$(B)", "y"}}).Apply(TemplateLines(8 << 20), sink);
    EXPECT_EQ(sink.appends, 3);
}

}  // namespace
