#include "settings/SubstitutionTrie.h"

#include <gtest/gtest.h>

#include <string>

// What the engine relies on from the trie beyond what the differential tests of the whole
// substitution show: how far a walk goes, which terminal it reports, where the run may cut (a
// text that is a proper prefix of an id), and how ids are grouped.
namespace {

struct WalkCase {
    const char* what;
    std::vector<QByteArray> ids;
    QByteArray text;
    std::string found;   // the ids found, shortest first, each followed by a blank
    std::size_t looked;  // the bytes the walk went through
    bool prefix;         // whether some id starts with the whole text and goes on
};

const std::vector<QByteArray> kNames = {"$(HOST)", "$(PORT)", "$(URL)"};
const std::vector<QByteArray> kGaps = {"$(A)", "$(C)", "$(Z)"};
const std::vector<QByteArray> kNested = {"abc", "a", "ab"};
const QByteArray kLong = "$(VERY_LONG_NAME)";

const std::vector<WalkCase> kWalks = {
    {"one id, and one byte past it where no id goes on", kNames, "$(URL) x", "$(URL) ", 7, false},
    {"no id: the walk ends within a label", kNames, "$5", "", 1, false},
    {"no id: the walk ends on a byte without a child", kNames, "$(X)", "", 3, false},
    {"the text ends within an id", kNames, "$(HO", "", 4, true},
    {"the text ends right after an id", kNames, "$(HOST)", "$(HOST) ", 7, false},
    {"ids that start others, shortest first", kNested, "abcd", "a ab abc ", 4, false},
    {"the text ends in ids that another goes on from", kNested, "ab", "a ab ", 2, true},
    {"a long label, differing in its tenth byte", {kLong}, "$(VERY_LONX_NAME)", "", 10, false},
    {"a long label, whole", {kLong, "$(V)"}, "$(VERY_LONG_NAME)!", "$(VERY_LONG_NAME) ", 18, false},
    {"a byte in the children's range without a child", kGaps, "$(B)", "", 3, false},
    {"the last child of a range with gaps", kGaps, "$(Z)x", "$(Z) ", 5, false},
    {"bytes above 0x7f", {"\xff\x01", "\x01"}, "\xff\x01\x01", "\xff\x01 ", 3, false},
};

TEST(SubstitutionTrieTest, WalksFindTheIdsThatStartAtAByte) {
    for (const WalkCase& c : kWalks) {
        std::vector<Substitution> substitutions;
        for (const QByteArray& id : c.ids)
            substitutions.push_back({id, "v"});
        const SubstitutionTrie trie(substitutions);
        const char* end = c.text.constData() + c.text.size();
        QByteArray found;  // each id, and the id of its terminal where that differs
        const std::size_t looked =
            trie.Match(c.text.constData(), end, [&](std::size_t length, uint32_t terminal) {
                const QByteArray id = c.text.left(static_cast<qsizetype>(length));
                const QByteArray& named = c.ids[trie.PassesOf(terminal).front()];
                found += (named == id ? id : id + "(terminal of " + named + ")") + ' ';
            });
        EXPECT_EQ(found.toStdString(), c.found) << c.what;
        EXPECT_EQ(looked, c.looked) << c.what;
        EXPECT_EQ(trie.StartsAnIdBeyond(c.text.constData(), end), c.prefix) << c.what;
    }
}

// Each distinct id is a terminal, numbered in byte order, with its substitutions in list order;
// an empty id is none. Another id may start inside "b$" only.
TEST(SubstitutionTrieTest, GroupsTheSubstitutionsOfEachId) {
    const std::vector<Substitution> substitutions = {
        {"$B", "1"}, {"", "x"}, {"$A", "2"}, {"$B", "3"}, {"b$", "4"}};
    const SubstitutionTrie trie(substitutions);
    std::string grouped;  // per terminal: its passes, and "+" when another id may start inside
    for (uint32_t terminal = 0; terminal < trie.TerminalCount(); ++terminal) {
        for (const uint32_t pass : trie.PassesOf(terminal))
            grouped += std::to_string(pass);
        grouped += trie.HasInnerStart(terminal) ? "+ " : " ";
    }
    EXPECT_EQ(grouped, "2 03 4+ ");
    EXPECT_EQ(trie.ActivePasses(), 4u);
    EXPECT_EQ(trie.Longest(), 2u);
}

}  // namespace
