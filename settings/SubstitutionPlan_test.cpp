#include "settings/SubstitutionPlan.h"

#include "testing/Bytes.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

// SubstituteSequentially is the reference, checked against results worked out by hand;
// SubstitutionPlan is checked against it, in pieces of the export's size and of 3 bytes.
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

// Random short cases of ids that repeat, extend or cut short earlier ones, in tiny pieces. The seed
// is fixed: a failure names a case that comes back the same.
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
        for (qsizetype n = below(7); n > 0; --n)
            list.push_back({pieces(1 + below(i % 5 ? 3 : 12)), pieces(below(4))});
        const QByteArray text = pieces(below(i % 2 ? 100 : 30));
        const size_t piece = i % 3 ? 1 + i % 8 : kPiece;
        ByteArraySource source(text, piece);
        ByteArraySink sink;
        SubstitutionPlan(list, piece).Apply(source, sink);
        ASSERT_EQ(Bytes{sink.bytes()}, Bytes{SubstituteSequentially(text, list)})
            << "case " << i << ", text " << testing::PrintToString(Bytes{text});
    }
}

}  // namespace
