#pragma once

// libxml2's parser under the guards that every XML file the program reads gets, shared by the
// two readers in platform/: XmlDocument builds libxml2's own tree with it, XmlTree a compact one.
// Nothing outside platform/ includes this header.

#include "platform/Status.h"

#include <QByteArray>
#include <QString>

#include <libxml/parser.h>

#include <string>

// Sets up libxml2 for this thread: no entity is ever loaded from outside the bytes handed to the
// parser, and no message reaches standard error. Cheap after the first call.
void InitLibxml();

// How a parse hands what it reads to a reader of its own instead of libxml2's tree builder.
struct XmlSaxReader {
    // Replaces the callbacks of `sax`, which holds libxml2's defaults, that build the document.
    // The callbacks of the guards (entity declarations, the internal subset, errors) stay.
    void (*install)(xmlSAXHandler* sax) = nullptr;
    // What XmlParseUser gives the callbacks.
    void* user = nullptr;
};

// Parses `bytes` safely: no network, no external entities, no DTD loading, libxml2's size limits
// on; the text is refused when it is empty, gzip-compressed, declares entities, names an external
// DTD or has an element over kMaxXmlAttributes (platform/XmlAttributeScan.h). Without `reader`,
// `*doc` receives libxml2's document, which the caller frees. With one, the callbacks it installs
// see the document and `doc` is not used. Every failure reads "<name>: line N: <reason>" ("line
// N: " when the line is known); `failedLine`, when given, receives that line or 0.
Status ParseXml(const QByteArray& bytes, const QString& name, int extraOptions,
                const XmlSaxReader* reader, xmlDocPtr* doc, int* failedLine);

// The `user` of the XmlSaxReader of the parse that calls back with `ctx`.
void* XmlParseUser(void* ctx);

// Reports an error of the document that the parser does not see itself, as if it had: should the
// parse fail later, the first error reported names the failure. The line is the parser's.
void ReportXmlError(void* ctx, const char* message);

// "line N: <text>", or the text alone when the line is not known (0).
QString AtLine(int line, const QString& text);

// The one place where a libxml2 message becomes our error text: "<where>: line N: <message>".
Status XmlError(const QString& where, int line, const std::string& message);

// Text as libxml2 holds it, in UTF-8, as a QString. A U+FEFF at its start is a character of the
// text and stays: only a file's own first bytes are a byte-order mark, and the parser has taken
// those off already.
QString FromXmlUtf8(const char* utf8, qsizetype size);
