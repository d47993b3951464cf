#include "settings/PasswordValueRanges.h"

#include "schema/Configuration.h"
#include "testing/Bytes.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const char kConfig[] =
    "<xml><group><name>G</name><item><name>Host</name><varname>$(H)</varname></item>"
    "<item><name>Password</name><type>password</type><varname>$(PW)</varname></item>"
    "</group></xml>";

// `bytes` with every range of PasswordValueRanges replaced by the placeholder, or the failure.
QByteArray Hidden(const QByteArray& bytes, const char* config = kConfig) {
    Configuration configuration;
    EXPECT_TRUE(configuration.Parse(config, "c.xml").ok());
    std::vector<ByteRange> ranges;
    QByteArray placeholder;
    const Status found = PasswordValueRanges(configuration, bytes, "s.xml", &ranges, &placeholder);
    if (!found.ok())
        return "failed: " + found.message().toUtf8();
    QByteArray hidden = bytes;
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        hidden.replace(range->begin, range->end - range->begin, placeholder);
    return hidden;
}

// The content of every element of a password's id is found by its place in the file, whatever
// the markup around it and the encoding. Each row marks the passwords with { and }.
TEST(PasswordValueRangesTest, FindsThePasswordsByTheirPlaceInAnyEncoding) {
    const struct {
        const char* what;
        QByteArray marked;
    } cases[] = {
        {"values as text, an entity and CDATA",
         "<xml><variable id=\"$(H)\">h</variable><variable id='$(PW)'>{s&amp;<![CDATA[<x>]]>}"
         "</variable></xml>"},
        {"markup in comments, instructions and attributes is no element",
         "<xml><!-- <variable id=\"$(PW)\">c</variable> --><?p <variable>?>"
         "<variable note=\"a>b\" id=\"$(PW)\">{p}</variable></xml>"},
        {"nested, and every element of the id, a bare name too",
         "<xml><variable id=\"$(H)\">1<variable id=\"PW\">{p}</variable>2</variable>"
         "<variable id=\"$(PW)\"/><g><variable id=\"$(PW)\">{q}</variable></g></xml>"},
        {"a declaration with an internal subset, a default namespace",
         "<!DOCTYPE xml [<!ELEMENT variable (#PCDATA)> <!-- ]> -->]>"
         "<xml xmlns=\"urn:x\"><variable id=\"$(PW)\">{p}</variable></xml>"},
        // Regression: the diff's context line showed a password stored in ISO-8859-1.
        {"ISO-8859-1",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><xml><variable id=\"$(PW)\">"
         "{g\xe9heim}</variable></xml>"},
        // Regression: after a password's variable was renamed, its stored value showed.
        {"the value of a variable that no item declares",
         "<xml><variable id=\"$(OLDPW)\">{s3cret}</variable><variable id=\"$(H)\">h</variable>"
         "</xml>"},
        {"no password in an encoding whose markup cannot be read byte by byte",
         "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><xml><variable id=\"$(H)\">p</variable>"
         "</xml>"},
    };
    for (const auto& c : cases) {
        QByteArray expected = c.marked;
        for (qsizetype open; (open = expected.indexOf('{')) >= 0;)
            expected.replace(open, expected.indexOf('}', open) + 1 - open, "********");
        const QByteArray bytes = QByteArray(c.marked).replace('{', "").replace('}', "");
        EXPECT_EQ(Bytes{Hidden(bytes)}, Bytes{expected}) << c.what;
    }
    const QString utf16 = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<xml><variable id=\"$(H)\">h</variable>"
        "<variable id=\"$(PW)\">g\u00e9heim</variable></xml>\n");
    const QString utf16Hidden =
        QString(utf16).replace(QStringLiteral("g\u00e9heim"), QStringLiteral("********"));
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const auto encoded = [encoding](const QString& text) -> QByteArray {
            return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
        };
        EXPECT_EQ(Bytes{Hidden(encoded(utf16))}, Bytes{encoded(utf16Hidden)})
            << (encoding == QStringConverter::Utf16LE ? "little end first" : "big end first");
    }
}

// A file whose places of passwords cannot be found says so: one whose markup cannot be read
// byte by byte, and one that cannot be parsed, which could hold the value of a variable that no
// item declares even where the configuration has no password item.
TEST(PasswordValueRangesTest, SaysWhenThePlacesCannotBeFound) {
    const char kWithoutPasswords[] =
        "<xml><group><name/><item><name/><varname>$(H)</varname></item></group></xml>";
    EXPECT_EQ(Hidden("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><xml><variable id=\"$(PW)\">p"
                     "</variable></xml>"),
              "failed: the places of the passwords in it cannot be found: its encoding is not one "
              "whose markup can be read byte by byte");
    for (const char* config : {kConfig, kWithoutPasswords}) {
        EXPECT_TRUE(Hidden("<xml", config)
                        .startsWith("failed: the places of the passwords in it cannot be "
                                    "found: s.xml"))
            << config;
    }
    EXPECT_EQ(Hidden("<xml><variable id=\"$(OLD)\">p</variable></xml>", kWithoutPasswords),
              "<xml><variable id=\"$(OLD)\">********</variable></xml>");
}

}  // namespace
