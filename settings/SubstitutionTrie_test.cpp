#include "settings/SubstitutionTrie.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

// What the engine relies on from the trie: which ids a walk finds, how far it goes (the run's
// lone starts reach that far, and the walk memo keeps walks by it), whether a text ends in a
// proper prefix of an id, and which passes each id has.
namespace {

std::vector<Substitution> Ids(const std::vector<QByteArray>& ids) {
    std::vector<Substitution> substitutions;
    for (const QByteArray& id : ids)
        substitutions.push_back({id, "v"});
    return substitutions;
}

// The ids found from the start of `text`, each checked against the terminal reported for it, and
// how many bytes the walk went through.
std::string Walk(const std::vector<Substitution>& substitutions, const SubstitutionTrie& trie,
                 const QByteArray& text, std::size_t* looked) {
    QByteArray found;
    *looked = trie.Match(text.constData(), text.constData() + text.size(),
                         [&](std::size_t length, uint32_t terminal) {
                             const QByteArray id = text.left(static_cast<qsizetype>(length));
                             const QByteArray& named =
                                 substitutions[trie.PassesOf(terminal).front()].id;
                             found += (named == id ? id : id + "(terminal of " + named + ")") + ' ';
                         });
    return found.toStdString();
}

struct WalkCase {
    const char* what;
    std::vector<QByteArray> ids;
    QByteArray text;
    std::string found;   // the ids found, shortest first, each followed by a blank
    std::size_t looked;  // the bytes the walk went through
};

const QByteArray kHost = "$(HOST)", kPort = "$(PORT)", kUrl = "$(URL)";

const std::vector<WalkCase> kWalks = {
    {"one id, and one byte past it where no id goes on",
     {kHost, kPort, kUrl},
     "$(URL) x",
     "$(URL) ",
     7},
    {"no id: the walk ends within a label", {kHost, kPort, kUrl}, "$5", "", 1},
    {"no id: the walk ends on a byte without a child", {kHost, kPort, kUrl}, "$(X)", "", 3},
    {"the text ends within an id", {kHost}, "$(HO", "", 4},
    {"the text ends right after an id", {kHost}, "$(HOST)", "$(HOST) ", 7},
    {"ids that start others, shortest first", {"abc", "a", "ab"}, "abcd", "a ab abc ", 4},
    {"a label past eight bytes, differing in its tenth",
     {"$(VERY_LONG_NAME)"},
     "$(VERY_LONX_NAME)",
     "",
     10},
    {"a label past eight bytes, matched whole",
     {"$(VERY_LONG_NAME)", "$(V)"},
     "$(VERY_LONG_NAME)!",
     "$(VERY_LONG_NAME) ",
     18},
    {"a byte in the children's range without a child", {"$(A)", "$(C)", "$(Z)"}, "$(B)", "", 3},
    {"the last child of a range with gaps", {"$(A)", "$(C)", "$(Z)"}, "$(Z)x", "$(Z) ", 5},
    {"bytes above 0x7f", {"\xff\x01", "\x01"}, "\xff\x01\x01", "\xff\x01 ", 3},
};

TEST(SubstitutionTrieTest, WalksFindTheIdsThatStartAtAByte) {
    for (const WalkCase& c : kWalks) {
        const std::vector<Substitution> substitutions = Ids(c.ids);
        const SubstitutionTrie trie(substitutions);
        std::size_t looked = 0;
        EXPECT_EQ(Walk(substitutions, trie, c.text, &looked), c.found) << c.what;
        EXPECT_EQ(looked, c.looked) << c.what;
    }
}

// The walk memo keeps a walk by the bytes it starts from: what a walk finds, and how far it goes,
// must not depend on any byte past the one after those it went through.
TEST(SubstitutionTrieTest, AWalkDependsOnNoBytePastTheOneAfterItsEnd) {
    std::mt19937 random(7);
    const auto below = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const auto bytes = [&](std::size_t count) {
        QByteArray text;
        while (count-- > 0)
            text += "$(ab)"[below(5)];
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        std::vector<QByteArray> ids;
        for (std::size_t n = 1 + below(6); n > 0; --n)
            ids.push_back("$" + bytes(below(i % 2 ? 4 : 12)));
        const std::vector<Substitution> substitutions = Ids(ids);
        const SubstitutionTrie trie(substitutions);
        const QByteArray text = "$" + bytes(below(20));
        std::size_t looked = 0;
        const std::string found = Walk(substitutions, trie, text, &looked);
        ASSERT_GE(looked, 1u);
        ASSERT_LE(looked, trie.Longest() + 1);
        QByteArray changed = text;
        for (qsizetype at = static_cast<qsizetype>(looked) + 1; at < changed.size(); ++at)
            changed[at] = "$(ab)x"[below(6)];
        std::size_t lookedAgain = 0;
        ASSERT_EQ(Walk(substitutions, trie, changed, &lookedAgain), found)
            << "case " << i << ": " << text.toStdString() << " / " << changed.toStdString();
        ASSERT_EQ(lookedAgain, looked) << "case " << i;
    }
}

// Whether a text ends in a proper prefix of an id decides where the run may cut.
TEST(SubstitutionTrieTest, TellsAProperPrefixOfAnId) {
    const std::vector<Substitution> substitutions = Ids({kHost, kPort, "a", "ab"});
    const SubstitutionTrie trie(substitutions);
    const std::vector<std::pair<QByteArray, bool>> rows = {
        {"$", true},         {"$(", true}, {"$(HO", true}, {"$(HOST)", false}, {"$(X", false},
        {"$(HOST)x", false}, {"a", true},  {"ab", false},  {"x", false},
    };
    for (const auto& [text, prefix] : rows)
        EXPECT_EQ(trie.StartsAnIdBeyond(text.constData(), text.constData() + text.size()), prefix)
            << text.toStdString();
}

// Each distinct id is a terminal with its substitutions in list order; an empty id is none.
TEST(SubstitutionTrieTest, GroupsTheSubstitutionsOfEachId) {
    const std::vector<Substitution> substitutions = {
        {"$B", "1"}, {"", "x"}, {"$A", "2"}, {"$B", "3"}, {"b$", "4"}};
    const SubstitutionTrie trie(substitutions);
    EXPECT_EQ(trie.TerminalCount(), 3u);
    EXPECT_EQ(trie.ActivePasses(), 4u);
    EXPECT_EQ(trie.Longest(), 2u);
    // Terminals number the distinct ids in byte order: $A, $B, b$.
    const auto passes = [&](uint32_t terminal) {
        const std::span<const uint32_t> list = trie.PassesOf(terminal);
        return std::vector<uint32_t>(list.begin(), list.end());
    };
    EXPECT_EQ(passes(0), (std::vector<uint32_t>{2}));
    EXPECT_EQ(passes(1), (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(passes(2), (std::vector<uint32_t>{4}));
    // "$" starts ids, so another id may start inside "b$", and in no other.
    EXPECT_TRUE(trie.StartsId('$') && trie.StartsId('b') && !trie.StartsId('A'));
    EXPECT_FALSE(trie.HasInnerStart(0));
    EXPECT_FALSE(trie.HasInnerStart(1));
    EXPECT_TRUE(trie.HasInnerStart(2));
}

}  // namespace
