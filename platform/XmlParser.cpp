#include "platform/XmlParser.h"

#include "platform/XmlAttributeScan.h"
#include "platform/XmlText.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

namespace {

struct ParserCtxtDeleter {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtDeleter>;

xmlParserInputPtr LoadNothing(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void DiscardMessage(void*, const char*, ...) {}

// What the SAX hooks of one parse found; reached through the parser context's _private.
struct ParseState {
    std::string refusal;
    int refusalLine = 0;
    std::string error;
    int errorLine = 0;
    bool errorIsNamespaceError = false;
    void* user = nullptr;
};

ParseState& StateOf(void* ctx) {
    return *static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

// Stops the parser before the declaration is acted on: an entity is never expanded or fetched.
void Refuse(void* ctx, const char* reason) {
    ParseState& state = StateOf(ctx);
    if (state.refusal.empty()) {
        state.refusal = reason;
        state.refusalLine = xmlSAX2GetLineNumber(ctx);
    }
    xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
}

constexpr const char* kEntitiesRefused =
    QT_TRANSLATE_NOOP("XmlDocument", "the document declares entities, which are not accepted");

void OnEntityDecl(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    Refuse(ctx, kEntitiesRefused);
}

void OnUnparsedEntityDecl(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*,
                          const xmlChar*) {
    Refuse(ctx, kEntitiesRefused);
}

void OnInternalSubset(void* ctx, const xmlChar* name, const xmlChar* externalId,
                      const xmlChar* systemId) {
    if (externalId != nullptr || systemId != nullptr) {
        Refuse(ctx, QT_TRANSLATE_NOOP("XmlDocument",
                                      "the document names an external DTD, which is not accepted"));
        return;
    }
    // Without a document being built (a reader of its own), this does nothing.
    xmlSAX2InternalSubset(ctx, name, externalId, systemId);
}

// Keeps the first real error; later ones are usually consequences of it. Namespace errors do not
// make the document unusable, so they are only a fallback.
void KeepError(ParseState& state, const char* message, int line, bool namespaceError) {
    if (state.error.empty() || (state.errorIsNamespaceError && !namespaceError)) {
        state.error = message;
        state.errorLine = line;
        state.errorIsNamespaceError = namespaceError;
    }
}

void OnParseError(void* ctx, xmlErrorPtr error) {
    if (error == nullptr || error->level < XML_ERR_ERROR || error->message == nullptr) {
        return;
    }
    KeepError(StateOf(ctx), error->message, error->line, error->domain == XML_FROM_NAMESPACE);
}

}  // namespace

// Two libxml2 hooks have to be set because libxml2 2.9 offers nothing narrower:
// - The entity loader is process-wide; there is no per-parser one. The program reads XML only
//   through ParseXml and never wants anything read from outside the bytes handed to it, so the
//   whole process gets a loader that loads nothing: even if a declaration slipped past the SAX
//   checks, no file or URL would be opened. Set once; the function-local static makes concurrent
//   first uses safe.
// - A few messages (a byte the declared encoding cannot decode, an unknown XPath function) are
//   written through the generic error function, which bypasses the per-context handlers and
//   goes to stderr. That function is per thread in libxml2, so it is silenced once in each thread
//   that parses. What those messages say is reported through Status instead.
void InitLibxml() {
    static const bool initialized = [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(LoadNothing);
        return true;
    }();
    thread_local const bool silenced = [] {
        xmlSetGenericErrorFunc(nullptr, DiscardMessage);
        return true;
    }();
    (void)initialized;
    (void)silenced;
}

namespace {

struct ReadPosition {
    const QByteArray& bytes;
    qsizetype at;
};

// The parser's read callback: the next bytes of a ReadPosition.
int ReadPiece(void* context, char* buffer, int length) {
    ReadPosition& position = *static_cast<ReadPosition*>(context);
    const qsizetype size = std::min<qsizetype>(length, position.bytes.size() - position.at);
    std::memcpy(buffer, position.bytes.constData() + position.at, std::size_t(size));
    position.at += size;
    return int(size);
}

}  // namespace

Status ParseXml(const QByteArray& bytes, const QString& name, int extraOptions,
                const XmlSaxReader* reader, xmlDocPtr* doc, int* failedLine) {
    InitLibxml();
    int noLine = 0;
    int& line = failedLine ? *failedLine : noLine;
    line = 0;
    if (doc != nullptr) {
        *doc = nullptr;
    }
    if (bytes.isEmpty()) {
        return Status::PathError(name,
                                 QCoreApplication::translate("XmlDocument", "the file is empty"));
    }
    // The parser never un-gzips a memory buffer; say what the file is instead of a parse error.
    if (bytes.startsWith("\x1f\x8b")) {
        return Status::PathError(
            name, QCoreApplication::translate("XmlDocument",
                                              "the file is gzip-compressed, not XML text"));
    }
    if (bytes.size() > INT_MAX) {
        return Status::PathError(
            name, QCoreApplication::translate("XmlDocument", "the file is too large"));
    }
    // libxml2 would take minutes over an element with tens of thousands of attributes.
    if ((line = FindElementOverAttributeLimit(bytes, kMaxXmlAttributes)) > 0) {
        return Status::PathError(
            name, AtLine(line, QCoreApplication::translate(
                                   "XmlDocument",
                                   "an element has more than %1 attributes, more than "
                                   "the program reads")
                                   .arg(kMaxXmlAttributes)));
    }

    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt || !ctxt->sax) {
        return Status::PathError(name, QCoreApplication::translate("XmlDocument", "out of memory"));
    }
    ParseState state;
    state.user = reader ? reader->user : nullptr;
    ctxt->_private = &state;
    if (reader != nullptr) {
        reader->install(ctxt->sax);
    }
    ctxt->sax->entityDecl = OnEntityDecl;
    ctxt->sax->unparsedEntityDecl = OnUnparsedEntityDecl;
    ctxt->sax->internalSubset = OnInternalSubset;
    ctxt->sax->serror = OnParseError;  // errors come here instead of stderr

    // No NOENT, DTDLOAD, DTDVALID, DTDATTR, XINCLUDE or HUGE: nothing is expanded or loaded and
    // libxml2's size limits stay on. No NOBLANKS: whitespace is kept so the layout round-trips.
    // BIG_LINES keeps the lines of libxml2's nodes right past line 65535.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                        XML_PARSE_BIG_LINES | extraOptions;
    // Handed over in pieces, which the parser lets go of once read: given the bytes at once, it
    // would copy them whole.
    ReadPosition position{bytes, 0};
    xmlDocPtr built =
        xmlCtxtReadIO(ctxt.get(), ReadPiece, nullptr, &position, nullptr, nullptr, options);
    const bool wellFormed = ctxt->wellFormed && (reader != nullptr || built != nullptr) &&
                            (reader != nullptr || xmlDocGetRootElement(built) != nullptr);
    if (!state.refusal.empty() || !wellFormed) {
        xmlFreeDoc(built);
        built = nullptr;
    }
    if (!state.refusal.empty()) {
        line = state.refusalLine;
        return XmlError(name, state.refusalLine, state.refusal);
    }
    if (!wellFormed) {
        // A byte the declared encoding cannot decode is reported without the parser context;
        // the parser itself only sees the text end early and would blame that.
        if (ctxt->input && ctxt->input->buf && ctxt->input->buf->error == XML_IO_ENCODER) {
            state.error = QT_TRANSLATE_NOOP(
                "XmlDocument", "the text holds bytes that are not valid in its declared encoding");
        }
        line = state.errorLine;
        return XmlError(name, state.errorLine,
                        state.error.empty()
                            ? QT_TRANSLATE_NOOP("XmlDocument", "the text is not well-formed XML")
                            : state.error);
    }
    if (doc != nullptr) {
        *doc = built;
    } else {
        xmlFreeDoc(built);
    }
    return Status::Ok();
}

void* XmlParseUser(void* ctx) {
    return StateOf(ctx).user;
}

void ReportXmlError(void* ctx, const char* message) {
    KeepError(StateOf(ctx), message, xmlSAX2GetLineNumber(ctx), false);
}

QString AtLine(int line, const QString& text) {
    return line > 0 ? QCoreApplication::translate("XmlDocument", "line %1: ").arg(line) + text
                    : text;
}

// The program's own messages among them (marked with QT_TRANSLATE_NOOP) are translated here;
// libxml2's are not in the catalogs and pass as they are.
Status XmlError(const QString& where, int line, const std::string& message) {
    // libxml2 ends messages with a newline and sometimes adds a second line of detail. Some
    // messages advise a parser option that only a programmer could act on; a user needs the fact.
    QString text = QCoreApplication::translate("XmlDocument", message.c_str()).simplified();
    text.remove(QStringLiteral(" use XML_PARSE_HUGE option"));
    if (text.startsWith(QStringLiteral("Excessive depth in document"))) {
        text = QCoreApplication::translate("XmlDocument",
                                           "the elements are nested more than %1 levels deep")
                   .arg(xmlParserMaxDepth);
    }
    return Status::PathError(where, AtLine(line, text));
}

QString FromXmlUtf8(const char* utf8, qsizetype size) {
    // Most texts of the program's files are short and ASCII, which Latin-1 reads alike and faster.
    if (IsAscii(QByteArrayView(utf8, size))) {
        return QString::fromLatin1(utf8, size);
    }
    // QString::fromUtf8 takes EF BB BF at the start for a byte-order mark and drops it.
    if (size >= 3 && qstrncmp(utf8, "\xef\xbb\xbf", 3) == 0) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(utf8, size));
    }
    return QString::fromUtf8(utf8, size);
}
