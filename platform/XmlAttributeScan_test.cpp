#include "platform/XmlAttributeScan.h"
#include "platform/XmlDocument.h"
#include "testing/QStringPrinter.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QByteArray Encoded(const QString& text, QStringConverter::Encoding encoding, bool mark = false) {
    QStringEncoder encoder(
        encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
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
