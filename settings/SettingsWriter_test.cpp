#include "settings/SettingsWriter.h"

#include "schema/Configuration.h"
#include "settings/VariableValues.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// No save writes a file that its next load would refuse: a file of more bytes than a load reads
// is refused, naming the largest value, and one of exactly that many is placed. The limit is
// given small here; by default it is the load's.
// Regression: a file that its next load refused was written, and every later run failed.
TEST(SettingsWriterTest, RefusesAFileLargerThanALoadReads) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse(R"~(<xml><group><name>G</name>
                       <item><name>Port</name><varname>$(P)</varname></item>
                       <item><name>Host name</name><varname>$(H)</varname></item></group></xml>)~",
                           "c.xml")
                    .ok());
    VariableValues values(config);
    values.Set(u"$(P)", u"1");
    values.Set(u"$(H)", QString(40, u'>'));  // 160 bytes once escaped
    const auto place = [&](qint64 maxBytes, QByteArray* bytes) {
        SettingsDocument settings;
        return PlaceValues(config, values, &settings, "s.xml", bytes, maxBytes);
    };
    QByteArray whole;
    ASSERT_TRUE(place(kMaxXmlFileBytes, &whole).ok());
    const qint64 size = whole.size();
    ASSERT_GT(size, 160);

    const struct {
        qint64 maxBytes;
        QString message;  // empty when the file is placed
    } cases[] = {
        {size, ""},
        {size - 1, QString("The settings were not saved: s.xml would be %1 bytes long, more than "
                           "the %2 bytes a settings file may have to be loaded again. The largest "
                           "value is that of \"Host name\" ($(H)).")
                       .arg(size)
                       .arg(size - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maxBytes);
        QByteArray bytes = "untouched";
        const Status placed = place(c.maxBytes, &bytes);
        EXPECT_EQ(placed.message(), c.message);
        EXPECT_EQ(bytes, c.message.isEmpty() ? whole : QByteArray("untouched"));
    }
}

}  // namespace
