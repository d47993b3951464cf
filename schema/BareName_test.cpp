#include "schema/BareName.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every "$(" of the id goes, then every ")"; a "$(" that only forms once another is gone stays.
TEST(BareNameTest, DropTheDollarParenthesesAndTheClosingOnes) {
    const struct {
        const char16_t* id;
        const char16_t* bare;
    } cases[] = {
        {u"$(DBHOST)", u"DBHOST"},
        {u"$$((", u"$("},
        {u"(€$(ö))", u"(€ö"},
    };
    for (const auto& c : cases) {
        const QString id = QString::fromUtf16(c.id);
        EXPECT_EQ(BareName(id), QString::fromUtf16(c.bare)) << id.toStdString();
    }
    // Against the two removals themselves, on strings made of the characters that matter.
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        QString id;
        for (int n = random() % 12; n > 0; --n)
            id += QStringView(u"$()a").at(random() % 4);
        QString removed = id;
        removed.remove(QStringLiteral("$(")).remove(u')');
        ASSERT_EQ(BareName(id), removed) << id.toStdString();
    }
}

}  // namespace
