#include "settings/SubstitutionPlan.h"

#include "testing/Bytes.h"
#include "testing/SecretBytes.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

// SubstituteSequentially is the reference, checked against results worked out by hand;
// SubstitutionPlan is checked against it, in pieces of the export's size and of 3 bytes. Where
// secrets go is checked against places worked out by hand. The fuzzer substitution_fuzzer
// compares the plan with the passes on random ids, values and pieces.
namespace {

constexpr size_t kPiece = SubstitutionPlan::kPieceBytes;

// "id=value,*id=value", in order; a "*" marks a password. The substitutions view the list, which
// is kept until the tests end.
std::vector<Substitution> S(const QByteArray& list) {
    static std::deque<QByteArray> kept;
    const QByteArrayView text = kept.emplace_back(list);
    std::vector<Substitution> substitutions;
    for (qsizetype from = 0; from <= text.size();) {
        const qsizetype comma = text.indexOf(',', from);
        QByteArrayView item = text.sliced(from, (comma < 0 ? text.size() : comma) - from);
        const bool secret = item.startsWith('*');
        item = item.sliced(secret ? 1 : 0);
        const qsizetype equals = item.indexOf('=');
        substitutions.push_back({item.first(equals), item.sliced(equals + 1), secret});
        from = comma < 0 ? text.size() + 1 : comma + 1;
    }
    return substitutions;
}

// Keeps what arrives, counting restarts.
struct RecordingSink final : ByteSink {
    bool Append(const char* data, size_t size) override {
        return bytes.append(data, static_cast<qsizetype>(size)), true;
    }
    bool Restart() override { return bytes.clear(), ++restarts > 0; }
    QByteArray bytes;
    int restarts = 0;
};

const QByteArray kMake =
    QByteArray("t: $(CC)\n\t$(CC) $(CC_FLAGS) -o $@ $< $$x $(LD)\n").repeated(20000);
const QByteArray kLarge(kPiece + 1000, 'v');

// "$(a0)=a0,$(b0)=b0,$(b1)=b1,...": runs of one to nine ids that part at the same byte, each run
// followed by another, for the trie's search for where a run ends; and a text naming them all.
QByteArray Runs(bool asText) {
    QByteArray list;
    for (char letter = 'a'; letter <= 'i'; ++letter) {
        for (char digit = '0'; digit <= letter - 'a' + '0'; ++digit) {
            const QByteArray name = QByteArray(1, letter) + digit;
            list += asText ? "$(" + name + ") " : "$(" + name + ")=" + name + ",";
        }
    }
    return asText ? list + "$(j0)" : list + "$(j0)=j0";
}

// The plan gives the result of the plain passes without falling back to them (a restart), and the
// passes give the results worked out by hand.
TEST(SubstitutionPlanTest, GivesTheSequentialResult) {
    const struct {
        const char* what;
        std::vector<Substitution> substitutions;
        std::vector<std::pair<QByteArray, QByteArray>> texts;  // and their results, if worked out
    } cases[] = {
        // What the passes do: every occurrence, case-sensitively and anywhere; one pass after the
        // other, each seeing what the earlier ones inserted but not what it inserts itself.
        {"occurrences", S("$(A)=x,HOST=h,=y"), {{"$(A)$(a)$(A)HOSTNAME", "x$(a)xhNAME"}, {"", ""}}},
        // A repeated id is a pass of its own each time, the first value first.
        {"repeats",
         S("$A=,$A=v,$B=$B.,$B=$B.,C=1,C=2"),
         {{"$$AA", "v"}, {"$B", "$B.."}, {"C", "1"}}},
        // Makefiles: values that hold later ids, ids that start others, and "$" everywhere that
        // starts no id. Regression: each of these made the whole template run through the plain
        // passes.
        {"chains beside lone starts",
         S("$(CC)=cc $(OPT),$(OPT)=-O2 $(ARCH),$(ARCH)=x86,$(CC_FLAGS)=-g $(OPT)"),
         {{kMake, {}}, {kMake + "$(C", {}}}},
        // Ids that agree in far more than their first bytes, one that ends where others go on,
        // one of bytes above 0x7f, and a repeat: the trie orders them by all their bytes.
        {"ids alike in their first bytes",
         S("$(DATABASE_HOST_A)=1,$(DATABASE_HOST)=2,$(DATABASE_HOST_B)=3,$(DATABASE_HOST_A)=4,"
           "$(\xc3\xa9)=5,$(DATABASE_HOST_A)x=6,$(DATABASE_HOSTS)=7"),
         {{"$(DATABASE_HOST_B)$(DATABASE_HOST)$(DATABASE_HOST_A)$(\xc3\xa9)$(DATABASE_HOST_A)x"
           "$(DATABASE_HOSTS)",
           "32151x7"}}},
        // Most expansions are a value, known by its substitution's place in the list, and
        // complete unless the id goes on into another: here the "B)" that the first pass makes of
        // "Q" lengthens "$(A" into "$(AB)", so "$(A" cannot go out as "x" where it stands.
        {"values by their place in the list, not their id's",
         S("$(B)=b,$(A)=a,$(A)=c"),
         {{"$(A)$(B)", "ab"}}},
        {"an id that the text after it lengthens into another",
         S("Q=B),$(AB)=y,$(A=x"),
         {{"$(AQ $(A", "y x"}, {"$(A!$(AQ", "x!y"}}},
        {"runs of ids of every length up to nine",
         S(Runs(false)),
         {{Runs(true),
           "a0 b0 b1 c0 c1 c2 d0 d1 d2 d3 e0 e1 e2 e3 e4 f0 f1 f2 f3 f4 f5 g0 g1 g2 g3 "
           "g4 g5 g6 h0 h1 h2 h3 h4 h5 h6 h7 i0 i1 i2 i3 i4 i5 i6 i7 i8 j0"}}},
        {"a large value held back (regression)",
         {{"$(A)", kLarge}},
         {{"$(A)$$(A)", kLarge + "$" + kLarge}}},
    };
    for (const auto& c : cases) {
        for (const size_t piece : {kPiece, size_t{3}}) {
            const SubstitutionPlan plan(c.substitutions, piece);
            for (const auto& [text, expected] : c.texts) {
                SCOPED_TRACE(std::string(c.what) + ", in pieces of " + std::to_string(piece));
                const QByteArray sequential = SubstituteSequentially(text, c.substitutions);
                if (!expected.isNull()) {
                    EXPECT_EQ(Bytes{sequential}, Bytes{expected}) << "the plain passes";
                }
                ByteArraySource source(text, piece);  // as small as the output's pieces
                RecordingSink sink;
                ASSERT_TRUE(plan.Apply(source, sink).ok());
                EXPECT_EQ(Bytes{sink.bytes}, Bytes{sequential});
                EXPECT_EQ(sink.restarts, 0);
            }
        }
    }
}

// A password's value is secret wherever the passes take it, and so is all it takes part in.
TEST(SubstitutionSecretsTest, FollowsAPasswordWhereverThePassesTakeIt) {
    const struct {
        const char* what;
        std::vector<Substitution> substitutions;
        QByteArray text, result;
        std::string secrets;
    } cases[] = {
        {"a password inside another variable's value", S("$(URL)=pg://u:$(PW)@h,*$(PW)=pw"),
         "$(URL)", "pg://u:pw@h", "[7,9)"},
        {"a password whose value holds the id of a later variable: all of it",
         S("*$(PW)=Sup3r$(N)Secret,$(N)=42"), "x=$(PW)", "x=Sup3r42Secret", "[2,15)"},
        {"an id spelt by a password's value and the text after it", S("*$(PW)=ab$(,$(X)=val"),
         "$(PW)X)!", "abval!", "[0,5)"},
        {"a password without a value marks its place", S("*$(PW)="), "pw=$(PW);", "pw=;", "[3,3)"},
        {"an id that closes around that place", S("*$(PW)=,$(AB)=v"), "$(A$(PW)B)", "v", "[0,1)"},
        {"a place next to an id stays outside it", S("*$(PW)=,$(AB)=v"), "$(PW)$(AB)", "v",
         "[0,0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ByteRange> moved;
        EXPECT_EQ(Bytes{SubstituteSequentially(c.text, c.substitutions, &moved)}, Bytes{c.result});
        EXPECT_EQ(Shown(moved), c.secrets) << "the passes";
        for (const size_t piece : {kPiece, size_t{1}}) {
            ByteArraySource source(c.text, piece);
            ByteArraySink sink;
            SecretRanges secrets;
            ASSERT_TRUE(
                SubstitutionPlan(c.substitutions, piece).Apply(source, sink, &secrets).ok());
            EXPECT_EQ(Bytes{sink.bytes()}, Bytes{c.result});
            EXPECT_EQ(Shown(secrets.Ranges()), c.secrets) << "the plan, in pieces of " << piece;
        }
    }
}

}  // namespace
