#include "schema/BareName.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every "$(" of the id goes, then every ")"; a "$(" that only forms once another is gone stays
// ("$$((" gives "$("). Checked against the two removals themselves, on strings made of the
// characters that matter.
TEST(BareNameTest, DropTheDollarParenthesesAndTheClosingOnes) {
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
