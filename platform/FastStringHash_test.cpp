#include "platform/FastStringHash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

namespace {

// The hash reads the text eight bytes at a time and then what is left: texts of every length up
// to three words hash by their characters alone, wherever they are stored, and a text that
// differs in any one character, or only in its length, hashes differently.
TEST(FastStringHashTest, HashesTheCharactersOfEveryLengthWhereverTheyAreStored) {
    const QString source = QStringLiteral("$(DBHOST)-0123456789-äöü-\u20ac");
    for (qsizetype length = 0; length <= 24; ++length) {
        const QString text = source.left(length);
        const QString elsewhere = QStringLiteral("xx") + text;
        SCOPED_TRACE(length);
        EXPECT_EQ(FastStringHash(text), FastStringHash(QStringView(elsewhere).mid(2)));
        EXPECT_NE(FastStringHash(text), FastStringHash(text + QChar(0)));
        for (qsizetype at = 0; at < length; ++at) {
            QString changed = text;
            changed[at] = QChar(changed[at].unicode() ^ 0x0100);
            EXPECT_NE(FastStringHash(text), FastStringHash(changed)) << at;
        }
    }
}

// The ids of a large configuration ("$(V000123)") differ in a few digits; in a table of a
// power-of-two size they still spread evenly over its slots.
TEST(FastStringHashTest, SpreadsSimilarIdsOverTheLowBits) {
    constexpr std::size_t kIds = 100000;
    constexpr std::size_t kSlots = 1 << 18;
    std::vector<int> perSlot(kSlots);
    for (std::size_t n = 0; n < kIds; ++n) {
        const QString id = QStringLiteral("$(V%1)").arg(n, 6, 10, QLatin1Char('0'));
        ++perSlot[FastStringHash(id) & (kSlots - 1)];
    }
    // At 0.38 ids per slot, a random spread puts at most 7 or so in one slot.
    EXPECT_LE(*std::max_element(perSlot.cbegin(), perSlot.cend()), 8);
}

TEST(FastStringHashTest, FindsAQStringKeyByAView) {
    std::unordered_map<QString, int, FastStringHasher, std::equal_to<>> table = {
        {QStringLiteral("$(A)"), 1}, {QStringLiteral("$(B)"), 2}};
    const QString text = QStringLiteral("x$(B)x");
    const auto found = table.find(QStringView(text).mid(1, 4));
    ASSERT_NE(found, table.end());
    EXPECT_EQ(found->second, 2);
    EXPECT_EQ(table.find(QStringView(text).mid(0, 4)), table.end());
}

}  // namespace
