#include "settings/SubstitutionPlan.h"

#include "testing/Bytes.h"
#include "testing/SecretBytes.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

// SubstituteSequentially is the reference, checked against results worked out by hand;
// SubstitutionPlan is checked against it, in pieces of the export's size and of 3 bytes. Where
// secrets go is checked the same way, against SubstituteByteByByte as well.
namespace {

constexpr size_t kPiece = SubstitutionPlan::kPieceBytes;

// "id=value,id=value", in order.
std::vector<Substitution> S(const QByteArray& list) {
    std::vector<Substitution> substitutions;
    for (const QByteArray& item : list.split(','))
        substitutions.push_back({item.left(item.indexOf('=')), item.mid(item.indexOf('=') + 1)});
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

struct Case {
    const char* name;
    std::vector<Substitution> substitutions;
    std::vector<std::pair<QByteArray, QByteArray>> texts;  // and their results, if worked out
    friend std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }
};

const QByteArray kMake =
    QByteArray("t: $(CC)\n\t$(CC) $(CC_FLAGS) -o $@ $< $$x $(LD)\n").repeated(20000);
const QByteArray kLarge(kPiece + 1000, 'v');

// The random test below reaches the other shapes of ids and values.
const std::vector<Case> kCases = {
    // What the passes do: every occurrence, case-sensitively and anywhere; one pass after the
    // other, each seeing what the earlier ones inserted but not what it inserts itself.
    {"Occurrences", S("$(A)=x,HOST=h,=y"), {{"$(A)$(a)$(A)HOSTNAME", "x$(a)xhNAME"}, {"", ""}}},
    // A repeated id is a pass of its own each time, the first value first.
    {"Repeats", S("$A=,$A=v,$B=$B.,$B=$B.,C=1,C=2"), {{"$$AA", "v"}, {"$B", "$B.."}, {"C", "1"}}},
    // Makefiles: values that hold later ids, ids that start others, and "$" everywhere that starts
    // no id. Regression: each of these made the whole template run through the plain passes.
    {"ChainsBesideLoneStarts",
     S("$(CC)=cc $(OPT),$(OPT)=-O2 $(ARCH),$(ARCH)=x86,$(CC_FLAGS)=-g $(OPT)"),
     {{kMake, {}}, {kMake + "$(C", {}}}},
    {"LargeValueHeldBackRegression", {{"$(A)", kLarge}}, {{"$(A)$$(A)", kLarge + "$" + kLarge}}},
};

class SubstitutionTest : public testing::TestWithParam<Case> {};

TEST_P(SubstitutionTest, GivesTheSequentialResult) {
    for (const size_t piece : {kPiece, size_t{3}}) {
        const SubstitutionPlan plan(GetParam().substitutions, piece);
        for (const auto& [text, expected] : GetParam().texts) {
            const QByteArray sequential = SubstituteSequentially(text, GetParam().substitutions);
            if (!expected.isNull()) {
                EXPECT_EQ(Bytes{sequential}, Bytes{expected}) << "the plain passes";
            }
            // The text arrives in pieces as small as the output's.
            ByteArraySource source(text, piece);
            RecordingSink sink;
            ASSERT_TRUE(plan.Apply(source, sink).ok());
            EXPECT_EQ(Bytes{sink.bytes}, Bytes{sequential}) << "in pieces of " << piece << " bytes";
            EXPECT_EQ(sink.restarts, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, SubstitutionTest, testing::ValuesIn(kCases),
                         testing::PrintToStringParamName());

// A password's value is secret wherever the passes take it, and so is all it takes part in.
TEST(SubstitutionSecretsTest, FollowsAPasswordWhereverThePassesTakeIt) {
    const auto secret = [](const char* id, const char* value) {
        return Substitution{id, value, true};
    };
    const struct {
        const char* what;
        std::vector<Substitution> substitutions;
        QByteArray text, result;
        std::string secrets;
    } cases[] = {
        {"a password", {secret("$(PW)", "s3cret")}, "pw=$(PW)\n", "pw=s3cret\n", "[3,9)"},
        {"a password inside another variable's value",
         {{"$(URL)", "pg://u:$(PW)@h"}, secret("$(PW)", "pw")},
         "$(URL)",
         "pg://u:pw@h",
         "[7,9)"},
        {"a password whose value holds the id of a later variable: all of it",
         {secret("$(PW)", "Sup3r$(N)Secret"), {"$(N)", "42"}},
         "x=$(PW)",
         "x=Sup3r42Secret",
         "[2,15)"},
        {"an id spelt by a password's value and the text after it",
         {secret("$(PW)", "ab$("), {"$(X)", "val"}},
         "$(PW)X)!",
         "abval!",
         "[0,5)"},
        {"a password without a value marks its place",
         {secret("$(PW)", "")},
         "pw=$(PW);",
         "pw=;",
         "[3,3)"},
        {"an id that closes around that place",
         {secret("$(PW)", ""), {"$(AB)", "v"}},
         "$(A$(PW)B)",
         "v",
         "[0,1)"},
        {"a place next to an id stays outside it",
         {secret("$(PW)", ""), {"$(AB)", "v"}},
         "$(PW)$(AB)",
         "v",
         "[0,0)"},
        {"no password, no secret", {{"$(A)", "$(B)"}, {"$(B)", "b"}}, "$(A)", "b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ByteRange> byBytes;
        EXPECT_EQ(Bytes{SubstituteByteByByte(c.text, c.substitutions, &byBytes)}, Bytes{c.result});
        EXPECT_EQ(Shown(byBytes), c.secrets) << "byte by byte";
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

// Random short cases of ids that repeat, extend or cut short earlier ones, in tiny pieces. The seed
// is fixed: a failure names a case that comes back the same. Every other case has passwords among
// the substitutions and asks where they go.
TEST(SubstitutionPlanRandomTest, MatchesTheSequentialPasses) {
    std::mt19937 random(1);
    const auto below = [&](qsizetype n) { return static_cast<qsizetype>(random() % n); };
    for (int i = 0; i < 300000; ++i) {
        std::vector<Substitution> list;
        // Bytes, earlier ids and parts of them, `count` of them.
        const auto pieces = [&](qsizetype count) {
            QByteArray bytes;
            while (count-- > 0) {
                const QByteArray id = below(3) && !list.empty()
                                          ? list[below(list.size())].id
                                          : QByteArray("a(b$)\0\xff", 7).mid(below(1 + i % 7), 1);
                const qsizetype cut = below(id.size() + 1);
                bytes += below(3) == 0 ? id.left(cut) : below(2) ? id.mid(cut) : id;
            }
            return bytes;
        };
        const bool tracked = i % 2 == 0;
        for (qsizetype n = below(7); n > 0; --n)
            list.push_back(
                {pieces(1 + below(i % 5 ? 3 : 12)), pieces(below(4)), tracked && below(3) == 0});
        const QByteArray text = pieces(below(i % 2 ? 100 : 30));
        const size_t piece = i % 3 ? 1 + i % 8 : kPiece;
        ByteArraySource source(text, piece);
        ByteArraySink sink;
        SecretRanges secrets;
        SubstitutionPlan(list, piece).Apply(source, sink, tracked ? &secrets : nullptr);
        ASSERT_EQ(Bytes{sink.bytes()}, Bytes{SubstituteSequentially(text, list)})
            << "case " << i << ", text " << testing::PrintToString(Bytes{text});
        if (tracked) {
            std::vector<ByteRange> expected;
            std::vector<ByteRange> passes;
            SubstituteByteByByte(text, list, &expected);
            SubstituteSequentially(text, list, &passes);
            ASSERT_EQ(Shown(secrets.Ranges()), Shown(expected))
                << "case " << i << ", text " << testing::PrintToString(Bytes{text});
            ASSERT_EQ(Shown(passes), Shown(expected)) << "the passes, case " << i;
        }
    }
}

}  // namespace
