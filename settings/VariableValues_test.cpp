#include "settings/VariableValues.h"

#include "schema/Configuration.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

QString Shown(const VariableValues& values) {
    QStringList shown;
    for (int item = 0; item < values.Ids().Count(); ++item) {
        shown.append(values.At(item).toString());
    }
    return shown.join(u'|');
}

// Copies share their values until one of them changes, and every view read before keeps its text
// while the values change, are made again or go.
TEST(VariableValuesTest, CopiesShareValuesUntilOneChangesAndViewsOutliveTheirChanges) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse("<xml><group><name>G</name>"
                           "<item><name/><varname>A</varname><default>a0</default></item>"
                           "<item><name/><varname>B</varname></item>"
                           "<item><name/><varname>C</varname></item></group></xml>",
                           "c.xml")
                    .ok());
    VariableValues values(config);
    EXPECT_EQ(Shown(values), "a0||");
    values.SetLoadedAt(1, u"b1");
    const QStringView loaded = values.At(1);

    std::optional<VariableValues> copy = values;
    copy->SetLoadedAt(2, u"c2");
    copy->SetAt(0, copy->At(2));  // a value of its own
    values.Set(u"B", u"b3");
    EXPECT_EQ(Shown(values), "a0|b3|");
    EXPECT_EQ(Shown(*copy), "c2|b1|c2");
    EXPECT_EQ(copy->Find(u"A"), u"c2");
    EXPECT_FALSE(copy->Find(u"D"));
    EXPECT_FALSE(copy->Set(u"D", u"d"));

    const QStringView set = copy->At(0);
    const VariableValues second = *copy;
    copy.reset();
    values = VariableValues(config);
    EXPECT_EQ(loaded, u"b1");
    EXPECT_EQ(set, u"c2");
    EXPECT_EQ(Shown(second), "c2|b1|c2");
}

}  // namespace
