#include "platform/XmlAttributeScan.h"

#include "platform/XmlDocument.h"
#include "testing/QStringPrinter.h"

#include <QStringEncoder>

#include <iconv.h>

#include <gtest/gtest.h>

namespace {

// `text` in the encoding `name`, as the C library converts it; empty when it cannot.
QByteArray Iconv(const QByteArray& text, const char* name) {
    const iconv_t handle = iconv_open(name, "UTF-8");
    if (handle == iconv_t(-1))
        return QByteArray();
    QByteArray out(text.size() * 8 + 16, '\0');
    char* in = const_cast<char*>(text.constData());
    size_t inLeft = size_t(text.size());
    char* to = out.data();
    size_t outLeft = size_t(out.size());
    const bool done = iconv(handle, &in, &inLeft, &to, &outLeft) != size_t(-1) &&
                      iconv(handle, nullptr, nullptr, &to, &outLeft) != size_t(-1);
    iconv_close(handle);
    return done ? out.left(out.size() - qsizetype(outLeft)) : QByteArray();
}

QByteArray Encoded(const QString& text, QStringConverter::Encoding encoding, bool mark = false) {
    QStringEncoder encoder(
        encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

const QByteArray kFour = "<a x=\"1\" y='2' z=\"3\" w=\"4\"/>";
const QByteArray kThree = "<a x=\"1\" y='2' z=\"3\"/>";

// With a limit of three, each text is read as the parser would read it, or more generously.
TEST(XmlAttributeScanTest, FindsTheFirstElementThatMayHaveTooManyAttributes) {
    struct Case {
        const char* what;
        QByteArray text;
        int line;  // of the element over the limit; 0 when there is none
    };
    const auto declared = [](const QByteArray& encoding) {
        return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n";
    };
    const Case cases[] = {
        {"three attributes", kThree, 0},
        {"four attributes", "<r>\n" + kFour + "</r>", 2},
        {"four attributes over two elements", "<a x='1' y='2'><b z='3' w='4'/></a>", 0},
        {"namespace declarations count as attributes", "<a xmlns='u' xmlns:p='v' p:x='1' y='2'/>",
         1},
        {"blanks around the equals signs", "<a x = '1' y\n=\n'2' z\t='3' w=\r\n\"4\"/>", 1},
        {"a \">\" in a value does not end the element", "<a x='>' y='>' z='>' w='>'/>", 1},
        {"equals signs in values are no attributes", "<a x='=\"' y='=\"\"' z='a=\"b\"'/>", 0},
        {"text between elements is not counted", "<a>x=\"1\" y=\"2\" z=\"3\" w=\"4\"</a>", 0},
        // After an error the parser reads on, and may take this text for markup.
        {"a \"<\" in a value starts an element", "<a v=\"<b x='1' y='2' z='3' w='4'/>\"/>", 1},
        {"an element in a comment counts too", "<r><!-- \x01 " + kFour + " --></r>", 1},
        {"attributes in a CDATA section count too", "<a><![CDATA[x='1' y='2' z='3' w='4']]></a>",
         1},
        {"lines end at LF, CR LF and CR", "<r>\r\n\r" + kFour + "</r>", 3},
        {"UTF-16, little-endian with a mark",
         Encoded(QString("<r>\n") + kFour + "</r>", QStringConverter::Utf16LE, true), 2},
        {"UTF-16, big-endian without a mark",
         Encoded(QString(declared("UTF-16")) + kFour, QStringConverter::Utf16BE), 2},
        {"EBCDIC", Iconv(declared("IBM037") + kFour, "IBM037"), 2},
        // UTF-7 writes "<", "=" and quotes in base64: only decoded do they show.
        {"UTF-7 with its markup in base64", declared("UTF-7") + Iconv(kFour, "UTF-7"), 2},
        {"UTF-7, named in single quotes after blanks of every kind",
         "<?xml \t\r\n version = '1.0' \n encoding\t=\t'utf-7' ?>" + Iconv(kFour, "UTF-7"), 3},
        {"UTF-7 named outside a declaration is not UTF-7",
         "<?xml version=\"1.0\"?><!-- encoding=\"UTF-7\" -->" + Iconv(kThree, "UTF-7"), 0},
        {"UTF-16 declared in a text of bytes, which is still read as bytes",
         declared("UTF-16LE") + kFour, 2},
        {"an encoding the system does not know", declared("x-unknown") + kFour, 2},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.text.isEmpty()) << c.what << ": the test text could not be made";
        EXPECT_EQ(FindElementOverAttributeLimit(c.text, 3), c.line) << c.what;
    }
}

// The refusal reaches the caller as a parse error that names the file and the line; an element at
// the limit still loads. The 80,000 attributes (in UTF-16) took libxml2 over half a minute.
TEST(XmlAttributeScanTest, XmlDocumentRefusesAnElementOverTheLimit) {
    for (const int count : {kMaxXmlAttributes, kMaxXmlAttributes + 1, 80000}) {
        QByteArray text = "<xml>\n<e";
        for (int i = 0; i < count; ++i)
            text += " a" + QByteArray::number(i) + "=\"\"";
        text += "/></xml>";
        XmlDocument document;
        const Status parsed = document.Parse(
            count < 80000 ? text : Encoded(QString(text), QStringConverter::Utf16LE, true),
            "crowded.xml");
        const bool over = count > kMaxXmlAttributes;
        EXPECT_EQ(parsed.message(), over ? "crowded.xml: line 2: an element has more than 1000 "
                                           "attributes, more than the program reads"
                                         : "")
            << count << " attributes";
        EXPECT_EQ(document.IsEmpty(), over) << count << " attributes";
    }
}

}  // namespace
