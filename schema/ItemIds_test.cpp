#include "schema/ItemIds.h"

#include "schema/Configuration.h"
#include "settings/IdTable.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// Strings of every length around the table's four-unit steps, as ids of settings files spell
// them, with near misses that differ only in their last unit or their length.
TEST(IdTableTest, FindsEachStringByItsTextAndKeepsTheFirstPlace) {
    std::vector<QString> keys;
    for (int length = 0; length < 13; ++length) {
        keys.push_back(QString(length, u'x'));
        keys.push_back(QString(length, u'x') + u'\u00e9');
    }
    for (int i = 0; i < 5000; ++i) {  // enough to make the table grow several times
        keys.push_back(QStringLiteral("$(V%1)").arg(i, 6, 10, QLatin1Char('0')));
    }
    const std::size_t distinct = keys.size();
    keys.push_back(keys[3]);  // a repeat keeps the place of the first
    keys.push_back(keys[distinct - 1]);

    IdTable table;
    const auto keyAt = [&keys](int i) { return QStringView(keys[std::size_t(i)]); };
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int expected = i < distinct ? int(i) : i == distinct ? 3 : int(distinct - 1);
        EXPECT_EQ(table.Insert(keys[i], int(i), keyAt), expected) << keys[i].toStdString();
    }
    EXPECT_EQ(table.Size(), distinct);
    for (std::size_t i = 0; i < distinct; ++i) {
        ASSERT_EQ(table.Find(keys[i], keyAt), int(i)) << keys[i].toStdString();
    }
    for (const QString& missing : {QString("xxxxxxxxxxxxxx"), QString("$(V005000)"),
                                   QString("$(V00000)"), QString("$(V0000000)"), QString("y")}) {
        EXPECT_EQ(table.Find(missing, keyAt), -1) << missing.toStdString();
    }
    table.Clear();
    EXPECT_EQ(table.Find(keys[0], keyAt), -1);

    // All at once, as a settings file's ids are indexed: the same places, repeats included.
    IdTable all;
    std::vector<int> places(keys.size(), -2);
    all.InsertAll(int(keys.size()), keyAt,
                  [&](int i, int place) { places[std::size_t(i)] = place; });
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int expected = i < distinct ? int(i) : i == distinct ? 3 : int(distinct - 1);
        EXPECT_EQ(places[i], expected) << keys[i].toStdString();
    }
    EXPECT_EQ(all.Size(), distinct);
    EXPECT_EQ(all.Find(keys[distinct - 1], keyAt), int(distinct - 1));
}

TEST(ItemIdsTest, NumbersTheItemsInOrderAndFindsThemByEverySpelling) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse(R"~(<xml>
                       <group><name>A</name>
                         <item><name>Host</name><varname>$(HOST)</varname></item>
                         <item><name>Key</name><type>password</type><varname>KEY</varname></item>
                       </group>
                       <group><name>B</name>
                         <item><name>Port</name><type>number</type><varname>$(PORT)</varname></item>
                         <item><name>Split</name><varname>$(SP<!-- -->LIT)</varname></item>
                         <item><name>Two</name><varname>$(TWO)</varname><varname>$(SECOND)</varname></item>
                       </group>
                       <unused><varname>$(ELSEWHERE)</varname></unused></xml>)~",
                           "c.xml")
                    .ok());
    const ItemIds& ids = *config.Ids();
    ASSERT_EQ(ids.Count(), 5);
    EXPECT_EQ(ids.Id(2), u"$(PORT)");
    EXPECT_EQ(ids.Kind(1), ValueKind::Password);

    const struct {
        const char* id;
        int exactly;    // IndexOf
        int addressed;  // UseOf().item
        bool declared;
    } cases[] = {
        {"$(HOST)", 0, 0, true},
        {"HOST", -1, 0, false},
        {"KEY", 1, 1, true},
        {"$(KEY)", -1, 1, false},
        {"$(PORT)", 2, 2, true},
        {"$(ELSEWHERE)", -1, -1, true},
        {"$(host)", -1, -1, false},
        {"", -1, -1, false},
        // A varname declares each of its texts, and a second varname of an item its own.
        {"$(SPLIT)", 3, 3, false},
        {"$(SP", -1, -1, true},
        {"LIT)", -1, -1, true},
        {"$(TWO)", 4, 4, true},
        {"$(SECOND)", -1, -1, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ids.IndexOf(QString(c.id)), c.exactly) << c.id;
        const ItemIds::IdUse use = ids.UseOf(config, QString(c.id));
        EXPECT_EQ(use.item, c.addressed) << c.id;
        EXPECT_EQ(use.own, c.exactly >= 0) << c.id;
        EXPECT_EQ(use.declared, c.declared) << c.id;
        EXPECT_EQ(config.DeclaresId(QString(c.id)), c.declared) << c.id;
    }
}

}  // namespace
