#include "platform/XmlDocument.h"

#include "platform/XmlParser.h"
#include "platform/XmlText.h"

#include <QCoreApplication>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct XPathContextDeleter {
    void operator()(xmlXPathContext* ctx) const { xmlXPathFreeContext(ctx); }
};
struct XPathCompDeleter {
    void operator()(xmlXPathCompExpr* comp) const { xmlXPathFreeCompExpr(comp); }
};
struct XPathObjectDeleter {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
struct XmlCharDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};

using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XPathContextDeleter>;
using XPathCompPtr = std::unique_ptr<xmlXPathCompExpr, XPathCompDeleter>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharDeleter>;
using BufferPtr = std::unique_ptr<xmlBuffer, BufferDeleter>;

// Inside libxml2 every string is UTF-8, whatever the encoding of the file.
QString FromXml(const xmlChar* text) {
    if (text == nullptr) {
        return QString();
    }
    const char* utf8 = reinterpret_cast<const char*>(text);
    return FromXmlUtf8(utf8, qsizetype(qstrlen(utf8)));
}
QString TakeXml(xmlChar* text) {
    XmlCharPtr owned(text);
    return FromXml(owned.get());
}
const xmlChar* AsXml(const QByteArray& utf8) {
    return reinterpret_cast<const xmlChar*>(utf8.constData());
}

// libxml2 2.9 hands XPath errors to the context's callback with a code but no message text.
const char* XPathErrorText(int code) {
    switch (code) {
        case XML_XPATH_NUMBER_ERROR:
            return "malformed number";
        case XML_XPATH_UNFINISHED_LITERAL_ERROR:
            return "unfinished string literal";
        case XML_XPATH_START_LITERAL_ERROR:
            return "string literal expected";
        case XML_XPATH_VARIABLE_REF_ERROR:
            return "malformed variable reference";
        case XML_XPATH_UNDEF_VARIABLE_ERROR:
            return "undefined variable";
        case XML_XPATH_INVALID_PREDICATE_ERROR:
            return "invalid predicate";
        case XML_XPATH_UNCLOSED_ERROR:
            return "missing closing bracket or parenthesis";
        case XML_XPATH_UNKNOWN_FUNC_ERROR:
            return "unknown function";
        case XML_XPATH_INVALID_OPERAND:
            return "invalid operand";
        case XML_XPATH_INVALID_TYPE:
            return "operand of the wrong type";
        case XML_XPATH_INVALID_ARITY:
            return "wrong number of function arguments";
        case XML_XPATH_MEMORY_ERROR:
            return "out of memory";
        case XML_XPATH_UNDEF_PREFIX_ERROR:
            return "undefined namespace prefix";
        case XML_XPATH_INVALID_CHAR_ERROR:
            return "invalid character";
        default:
            return "invalid expression";
    }
}

void OnXPathError(void* userData, xmlErrorPtr error) {
    auto* first = static_cast<std::string*>(userData);
    if (first != nullptr && first->empty() && error != nullptr) {
        *first = error->message != nullptr ? error->message : XPathErrorText(error->code);
    }
}

// UTF-16 to UTF-8, except that a lone surrogate keeps its three-byte form and U+0000 becomes
// C0 80 instead of ending the string. QString::toUtf8 would silently replace the one and libxml2
// would cut the text at the other; kept like this, Serialize sees them and refuses the document.
QByteArray ToXmlText(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        }
        if (c != 0 && c < 0x80) {
            out.append(char(c));
        } else if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6))).append(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.append(char(0xE0 | (c >> 12))).append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xF0 | (c >> 18))).append(char(0x80 | ((c >> 12) & 0x3F)));
            out.append(char(0x80 | ((c >> 6) & 0x3F))).append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The first character of `text` that XML 1.0 cannot hold, or -1. A malformed sequence (which
// neither the parser nor SetText produces) is reported by its first byte so it still fails.
long FirstForbiddenChar(const xmlChar* text) {
    if (text == nullptr) {
        return -1;
    }
    for (const xmlChar* p = text; *p != 0;) {
        const unsigned lead = *p;
        if (lead >= 0x80 && lead < 0xC0) {
            return long(lead);
        }
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return long(lead);
            }
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (!IsXmlCharacter(c)) {
            return long(c);
        }
        p += length;
    }
    return -1;
}

int LineOf(const xmlNode* node) {
    const long line = xmlGetLineNo(node);
    return line > 0 ? int(std::min<long>(line, INT_MAX)) : 0;
}

// Names where the character sits: "line 3: the text of element 'value' holds U+0001, ...".
Status ForbiddenCharError(const xmlNode* element, const xmlAttr* attr, long c) {
    QString what;
    if (element == nullptr) {
        what = QCoreApplication::translate("XmlDocument", "a comment outside the root element");
    } else if (attr != nullptr) {
        what = QCoreApplication::translate("XmlDocument", "attribute '%1' of element '%2'")
                   .arg(FromXml(attr->name), FromXml(element->name));
    } else {
        what = QCoreApplication::translate("XmlDocument", "the text of element '%1'")
                   .arg(FromXml(element->name));
    }
    const QString message = QCoreApplication::translate(
                                "XmlDocument", "%1 holds %2, a character XML 1.0 does not allow")
                                .arg(what, CharacterName(char32_t(c)));
    return Status::Error(AtLine(element ? LineOf(element) : 0, message));
}

// Writing a forbidden character would give a file no XML reader accepts, the program included.
Status CheckCharacters(xmlDoc* doc) {
    const auto* docNode = reinterpret_cast<xmlNode*>(doc);
    xmlNode* node = doc->children;
    while (node != nullptr) {
        const xmlNode* element = node->type == XML_ELEMENT_NODE ? node : node->parent;
        if (element == docNode) {
            element = nullptr;
        }
        switch (node->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
            case XML_COMMENT_NODE:
            case XML_PI_NODE:
                if (long c = FirstForbiddenChar(node->content); c >= 0) {
                    return ForbiddenCharError(element, nullptr, c);
                }
                break;
            case XML_ELEMENT_NODE:
                for (xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
                    for (xmlNode* text = attr->children; text != nullptr; text = text->next) {
                        if (long c = FirstForbiddenChar(text->content); c >= 0) {
                            return ForbiddenCharError(element, attr, c);
                        }
                    }
                }
                break;
            default:
                break;
        }
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent == docNode ? nullptr : node->parent;
        }
        if (node != nullptr) {
            node = node->next;
        }
    }
    return Status::Ok();
}

// The form of a file's text beyond its encoding, which the parser does not keep: the width and byte
// order of its code units (UTF-16 or bytes), a byte-order mark, and CR LF line breaks, which the
// parser turns into LF.
struct TextForm {
    int unit = 1;  // bytes per code unit: 1, 2 for UTF-16, 0 for a form not known here
    bool bigEndian = false;
    bool mark = false;
    bool crlf = false;
    // Whether the text starts with an XML declaration; a new document gets one.
    bool declaration = true;

    // The code units and the mark of `bytes`, with LF line breaks. A text in UTF-16 starts with a
    // mark or with "<"; any other XML text whose first byte is "<" or white space is in bytes.
    static TextForm Of(const QByteArray& bytes) {
        if (bytes.startsWith("\xef\xbb\xbf")) {
            return {1, false, true, false};
        }
        if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
            return {2, bytes[0] == '\xfe', true, false};
        }
        if (bytes.startsWith(QByteArrayView("<\0", 2)) ||
            bytes.startsWith(QByteArrayView("\0<", 2))) {
            return {2, bytes[0] == '\0', false, false};
        }
        const bool known = !bytes.isEmpty() && QByteArrayView("< \t\r\n").contains(bytes[0]);
        return {known ? 1 : 0, false, false, false};
    }

    // The form of a parsed file: its line breaks are CR LF when more of them are CR LF than LF,
    // and it has a declaration when its first characters (after the mark) are "<?xml" and a
    // blank, the only place where one may stand. A text in a form not known here keeps one: only
    // a declaration names its encoding.
    static TextForm OfFile(const QByteArray& bytes) {
        TextForm form = Of(bytes);
        if (form.unit > 0) {
            form.declaration = true;
            qsizetype at = form.Start();
            for (const char16_t expected : std::u16string_view(u"<?xml")) {
                if (at + form.unit > bytes.size() || form.UnitAt(bytes, at) != expected) {
                    form.declaration = false;
                    break;
                }
                at += form.unit;
            }
            form.declaration = form.declaration && at + form.unit <= bytes.size() &&
                               QStringView(u" \t\r\n").contains(QChar(form.UnitAt(bytes, at)));
        }
        qsizetype pairs = 0;
        qsizetype alone = 0;
        char16_t previous = 0;
        for (qsizetype i = form.Start(); form.unit > 0 && i + form.unit <= bytes.size();
             i += form.unit) {
            const char16_t unit = form.UnitAt(bytes, i);
            if (unit == u'\n') {
                ++(previous == u'\r' ? pairs : alone);
            }
            previous = unit;
        }
        form.crlf = pairs > alone;
        return form;
    }

    qsizetype Start() const { return mark ? 4 - unit : 0; }  // 3 bytes in UTF-8, 2 in UTF-16
    char16_t UnitAt(const QByteArray& bytes, qsizetype i) const {
        const auto byte = [&bytes](qsizetype at) { return char16_t(uchar(bytes[at])); };
        return unit == 1   ? byte(i)
               : bigEndian ? byte(i) << 8 | byte(i + 1)
                           : byte(i + 1) << 8 | byte(i);
    }
};

// `serialized`, as libxml2 wrote it (LF line breaks, UTF-16 little-endian with a mark), in the
// form `original` of the parsed file: the line breaks, and where the encodings agree, the byte
// order and the mark. A UTF-8 mark is only written in front of UTF-8 text.
QByteArray InForm(const QByteArray& serialized, bool utf8, const TextForm& original) {
    const TextForm have = TextForm::Of(serialized);
    TextForm want = have;
    if (have.unit == 2 && original.unit == 2) {
        want.bigEndian = original.bigEndian;
        want.mark = original.mark;
    } else if (have.unit == 1 && original.unit == 1 && utf8) {
        want.mark = original.mark;
    }
    want.crlf = original.crlf;
    if (have.unit == 0 ||
        (want.bigEndian == have.bigEndian && want.mark == have.mark && want.crlf == have.crlf)) {
        return serialized;
    }
    QByteArray out;
    out.reserve(serialized.size() + serialized.size() / 8 + 3);
    const auto put = [&out, &want](char16_t unit) {
        if (want.unit == 1) {
            out.append(char(unit));
        } else if (want.bigEndian) {
            out.append(char(unit >> 8)).append(char(unit & 0xFF));
        } else {
            out.append(char(unit & 0xFF)).append(char(unit >> 8));
        }
    };
    if (want.mark) {
        if (want.unit == 1) {
            out.append("\xef\xbb\xbf");
        } else {
            put(0xFEFF);
        }
    }
    char16_t previous = 0;
    for (qsizetype i = have.Start(); i + have.unit <= serialized.size(); i += have.unit) {
        const char16_t unit = have.UnitAt(serialized, i);
        // libxml2 writes a CR of a text or an attribute as "&#13;"; one it wrote as it is (in a
        // CDATA section) keeps the LF after it alone.
        if (unit == u'\n' && want.crlf && previous != u'\r') {
            put(u'\r');
        }
        put(unit);
        previous = unit;
    }
    return out;
}

}  // namespace

std::vector<XmlNode> XmlNode::ChildElements() const {
    std::vector<XmlNode> elements;
    if (IsElement()) {
        for (xmlNode* child = static_cast<xmlNode*>(mNode)->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE)
                elements.push_back(XmlNode(child));
        }
    }
    return elements;
}

bool XmlNode::IsElementWithoutNamespace() const {
    return IsElement() && static_cast<xmlNode*>(mNode)->ns == nullptr;
}

// ---------------------------------------------------------------------------------------------

bool XmlNode::IsElement() const {
    return mNode != nullptr && static_cast<xmlNode*>(mNode)->type == XML_ELEMENT_NODE;
}

QString XmlNode::Name() const {
    return IsElement() ? FromXml(static_cast<xmlNode*>(mNode)->name) : QString();
}

bool XmlNode::IsText() const {
    const auto* node = static_cast<xmlNode*>(mNode);
    return node != nullptr && (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE);
}

XmlNode XmlNode::FirstTextChild() const {
    if (IsElement()) {
        for (xmlNode* child = static_cast<xmlNode*>(mNode)->children; child; child = child->next) {
            if (XmlNode(child).IsText()) {
                return XmlNode(child);
            }
        }
    }
    return XmlNode();
}

XmlNode XmlNode::NextInDocument() const {
    auto* node = static_cast<xmlNode*>(mNode);
    if (node == nullptr) {
        return XmlNode();
    }
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
        return XmlNode(node->children);
    }
    // Up to the first ancestor with a next sibling; the root's siblings (comments after it) are
    // outside the walk.
    while (node->next == nullptr || node->parent == nullptr ||
           node->parent->type != XML_ELEMENT_NODE) {
        if (node->parent == nullptr || node->parent->type != XML_ELEMENT_NODE) {
            return XmlNode();
        }
        node = node->parent;
    }
    return XmlNode(node->next);
}

bool XmlNode::IsNamed(const char* name) const {
    return IsElement() &&
           xmlStrEqual(static_cast<xmlNode*>(mNode)->name, reinterpret_cast<const xmlChar*>(name));
}

QString XmlNode::Text() const {
    auto* node = static_cast<xmlNode*>(mNode);
    if (node == nullptr) {
        return QString();
    }
    // Most elements and attributes hold one text node, whose content is the whole text: read
    // there, it takes no copy to gather.
    const xmlNode* only = node->children;
    if ((node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) && only != nullptr &&
        only->next == nullptr && only->type == XML_TEXT_NODE && only->content != nullptr) {
        return FromXml(only->content);
    }
    return TakeXml(xmlNodeGetContent(node));
}

void XmlNode::SetText(const QString& text) {
    auto* node = static_cast<xmlNode*>(mNode);
    if (node == nullptr) {
        return;
    }
    const QByteArray value = ToXmlText(text);
    switch (node->type) {
        case XML_ELEMENT_NODE:
            // xmlNodeSetContent would read "&amp;" in the text as an entity reference; with no
            // content it only frees the children, and the text is then added as it is.
            xmlNodeSetContent(node, nullptr);
            xmlNodeAddContentLen(node, AsXml(value), int(value.size()));
            break;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            xmlNodeSetContentLen(node, AsXml(value), int(value.size()));
            break;
        case XML_ATTRIBUTE_NODE: {
            // xmlSetNsProp stores the value as text, without looking for references.
            auto* attr = reinterpret_cast<xmlAttr*>(node);
            xmlSetNsProp(attr->parent, attr->ns, attr->name, AsXml(value));
            break;
        }
        default:
            break;
    }
}

std::optional<QString> XmlNode::Attribute(const QString& name) const {
    return Attribute(name.toUtf8().constData());
}

std::optional<QString> XmlNode::Attribute(const char* name) const {
    if (!IsElement()) {
        return std::nullopt;
    }
    // Only attributes written in the file count, not defaults a DTD might declare.
    for (xmlAttr* attr = static_cast<xmlNode*>(mNode)->properties; attr; attr = attr->next) {
        if (attr->ns == nullptr &&
            xmlStrEqual(attr->name, reinterpret_cast<const xmlChar*>(name))) {
            const QString value = XmlNode(attr).Text();
            return value.isNull() ? QStringLiteral("") : value;  // present, even when empty
        }
    }
    return std::nullopt;
}

int XmlNode::Line() const {
    return mNode ? LineOf(static_cast<xmlNode*>(mNode)) : 0;
}

XmlNode XmlNode::Parent() const {
    xmlNode* parent = mNode ? static_cast<xmlNode*>(mNode)->parent : nullptr;
    return parent && parent->type == XML_ELEMENT_NODE ? XmlNode(parent) : XmlNode();
}

XmlNode XmlNode::FirstChildElement(const QString& name) const {
    return FirstChildElement(name.toUtf8().constData());
}

XmlNode XmlNode::FirstChildElement(const char* name) const {
    if (!IsElement()) {
        return XmlNode();
    }
    for (xmlNode* child = static_cast<xmlNode*>(mNode)->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && child->ns == nullptr &&
            xmlStrcmp(child->name, reinterpret_cast<const xmlChar*>(name)) == 0) {
            return XmlNode(child);
        }
    }
    return XmlNode();
}

// ---------------------------------------------------------------------------------------------

struct XmlDocument::Impl {
    DocPtr doc;
    // One XPath context serves every query on the document: creating one registers all XPath
    // functions, which would cost more than a simple query itself. Freed before the document.
    XPathContextPtr xpath;
    // Compiled expressions by their text: the program asks the same few questions thousands of
    // times. Values are bound at evaluation, so a compiled expression serves any id.
    std::unordered_map<std::string, XPathCompPtr> compiled;
    // The form of the parsed text, which Serialize writes again; a new document's is UTF-8, LF.
    TextForm form;

    void SetDoc(DocPtr newDoc) {
        xpath.reset();
        doc = std::move(newDoc);
    }
};

// mImpl is created on first use, so a default or moved-from document holds nothing.
XmlDocument::XmlDocument() = default;
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&& other) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept = default;

Status XmlDocument::Parse(const QByteArray& bytes, const QString& name, int* failedLine) {
    return ParseWith(bytes, name, failedLine, 0);
}

Status XmlDocument::ParseReadOnly(const QByteArray& bytes, const QString& name) {
    return ParseWith(bytes, name, nullptr, XML_PARSE_COMPACT);
}

Status XmlDocument::ParseWith(const QByteArray& bytes, const QString& name, int* failedLine,
                              int extraOptions) {
    if (!mImpl) {
        mImpl = std::make_unique<Impl>();
    }
    mImpl->SetDoc(nullptr);
    mImpl->form = TextForm();
    xmlDocPtr parsed = nullptr;
    if (Status status = ParseXml(bytes, name, extraOptions, nullptr, &parsed, failedLine);
        !status.ok()) {
        return status;
    }
    DocPtr doc(parsed);
    // Numbers the elements so that sorting node sets into document order is cheap.
    xmlXPathOrderDocElems(doc.get());
    mImpl->SetDoc(std::move(doc));
    mImpl->form = TextForm::OfFile(bytes);
    return Status::Ok();
}

Status XmlDocument::Serialize(QByteArray* bytes) const {
    bytes->clear();
    if (IsEmpty()) {
        return Status::Error(
            QCoreApplication::translate("XmlDocument", "the document has no root element"));
    }
    xmlDoc* doc = mImpl->doc.get();
    if (Status status = CheckCharacters(doc); !status.ok()) {
        return status;
    }
    const TextForm& form = mImpl->form;
    // With no encoding libxml2 would write every non-ASCII character as a reference. With one,
    // characters the encoding cannot hold (€ in ISO-8859-1) become references and the rest stay.
    // A file in UTF-16 without a declaration has no encoding name either; it stays UTF-16.
    const char* encoding = doc->encoding    ? reinterpret_cast<const char*>(doc->encoding)
                           : form.unit == 2 ? "UTF-16"
                                            : "UTF-8";
    // A file that had no declaration gets none: the program that reads it may not expect one.
    const auto dump = [doc, &form](const char* encodingName) {
        if (form.declaration) {
            xmlChar* out = nullptr;
            int size = 0;
            xmlDocDumpMemoryEnc(doc, &out, &size, encodingName);
            XmlCharPtr owned(out);
            return owned ? QByteArray(reinterpret_cast<const char*>(owned.get()), size)
                         : QByteArray();
        }
        BufferPtr buffer(xmlBufferCreate());
        xmlSaveCtxt* save =
            buffer ? xmlSaveToBuffer(buffer.get(), encodingName, XML_SAVE_NO_DECL) : nullptr;
        if (save == nullptr) {
            return QByteArray();
        }
        const bool saved = xmlSaveDoc(save, doc) >= 0;
        // Closing flushes what the encoder still holds into the buffer.
        const bool closed = xmlSaveClose(save) >= 0;
        return saved && closed
                   ? QByteArray(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                                xmlBufferLength(buffer.get()))
                   : QByteArray();
    };
    const bool utf8 = xmlStrcasecmp(reinterpret_cast<const xmlChar*>(encoding),
                                    reinterpret_cast<const xmlChar*>("UTF-8")) == 0;
    const QByteArray serialized = dump(encoding);
    *bytes = InForm(serialized, utf8, form);
    // Some encodings the parser reads cannot be written so that it reads them back (UTF-7 is
    // one), and a file may carry the mark of one byte order and declare the other. A file that
    // cannot be read again would be lost: the first form of the text that reads back is written,
    // and UTF-8 when none does.
    const auto readsBack = [](const QByteArray& text) {
        XmlDocument check;
        return !text.isEmpty() && check.Parse(text, QString()).ok();
    };
    if (!utf8 && !readsBack(*bytes)) {
        *bytes = *bytes != serialized && readsBack(serialized) ? serialized
                                                               : InForm(dump("UTF-8"), true, form);
    }
    return bytes->isEmpty() ? Status::Error(QCoreApplication::translate(
                                  "XmlDocument", "the document cannot be written"))
                            : Status::Ok();
}

bool XmlDocument::IsEmpty() const {
    return Root().IsNull();
}

XmlNode XmlDocument::Root() const {
    return XmlNode(mImpl && mImpl->doc ? xmlDocGetRootElement(mImpl->doc.get()) : nullptr);
}

XmlNode XmlDocument::CreateRoot(const QString& name) {
    InitLibxml();
    const QByteArray utf8 = name.toUtf8();
    if (!IsEmpty() || xmlValidateNCName(AsXml(utf8), 0) != 0) {
        return XmlNode();
    }
    if (!mImpl) {
        mImpl = std::make_unique<Impl>();
    }
    if (!mImpl->doc) {
        DocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
        if (!doc) {
            return XmlNode();
        }
        doc->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
        mImpl->SetDoc(std::move(doc));
    }
    xmlNode* root = xmlNewDocNode(mImpl->doc.get(), nullptr, AsXml(utf8), nullptr);
    if (root != nullptr) {
        xmlDocSetRootElement(mImpl->doc.get(), root);
    }
    return XmlNode(root);
}

Status XmlDocument::SelectNodes(const QString& expression, std::vector<XmlNode>* nodes,
                                const XPathVariables& variables, XmlNode context) const {
    InitLibxml();
    nodes->clear();
    const auto where = [&expression] { return QStringLiteral("XPath \"%1\"").arg(expression); };
    xmlDoc* doc = mImpl ? mImpl->doc.get() : nullptr;
    // Without a document the expression is only compiled, on a context of its own.
    XPathContextPtr ownContext;
    xmlXPathContext* ctx = nullptr;
    if (doc == nullptr) {
        ownContext.reset(xmlXPathNewContext(nullptr));
        ctx = ownContext.get();
    } else {
        if (!mImpl->xpath) {
            mImpl->xpath.reset(xmlXPathNewContext(doc));
        }
        ctx = mImpl->xpath.get();
    }
    if (ctx == nullptr) {
        return Status::PathError(where(),
                                 QCoreApplication::translate("XmlDocument", "out of memory"));
    }
    std::string error;
    ctx->userData = &error;
    ctx->error = OnXPathError;  // errors come here instead of stderr
    // The context outlives this call; it must not keep pointing at `error`.
    struct Detach {
        xmlXPathContext* ctx;
        ~Detach() { ctx->userData = nullptr; }
    } detach{ctx};
    // The variables of an earlier query must not leak into this one.
    xmlXPathRegisteredVariablesCleanup(ctx);

    for (const auto& [name, value] : variables) {
        const QByteArray utf8Name = name.toUtf8();
        XPathObjectPtr object(xmlXPathNewString(AsXml(value.toUtf8())));
        if (!object || xmlXPathRegisterVariable(ctx, AsXml(utf8Name), object.get()) != 0) {
            return Status::PathError(
                where(), QCoreApplication::translate("XmlDocument", "cannot bind $%1").arg(name));
        }
        object.release();  // the context owns it now
    }

    const QByteArray utf8Expression = expression.toUtf8();
    if (doc == nullptr) {
        // Nothing to select from; only say whether the expression itself is valid.
        XPathCompPtr comp(xmlXPathCtxtCompile(ctx, AsXml(utf8Expression)));
        return comp ? Status::Ok()
                    : XmlError(where(), 0,
                               error.empty() ? "the expression cannot be compiled" : error);
    }
    XPathCompPtr& comp = mImpl->compiled[utf8Expression.toStdString()];
    if (!comp) {
        comp.reset(xmlXPathCtxtCompile(ctx, AsXml(utf8Expression)));
        if (!comp) {
            mImpl->compiled.erase(utf8Expression.toStdString());
            return XmlError(where(), 0,
                            error.empty() ? "the expression cannot be compiled" : error);
        }
    }
    ctx->node =
        context.IsNull() ? reinterpret_cast<xmlNode*>(doc) : static_cast<xmlNode*>(context.mNode);
    XPathObjectPtr result(xmlXPathCompiledEval(comp.get(), ctx));
    if (!result) {
        return XmlError(where(), 0, error.empty() ? "the expression cannot be evaluated" : error);
    }
    if (result->type != XPATH_NODESET) {
        return Status::PathError(
            where(),
            QCoreApplication::translate("XmlDocument", "the expression does not select nodes"));
    }
    xmlNodeSet* set = result->nodesetval;
    if (set == nullptr) {
        return Status::Ok();
    }
    xmlXPathNodeSetSort(set);  // cheap when already in order, which is the usual case
    nodes->reserve(set->nodeNr);
    for (int i = 0; i < set->nodeNr; ++i) {
        // Namespace nodes are copies owned by the result and would dangle; callers never ask
        // for them.
        if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) {
            nodes->push_back(XmlNode(set->nodeTab[i]));
        }
    }
    return Status::Ok();
}

Status XmlDocument::SelectSingleNode(const QString& expression, XmlNode* node,
                                     const XPathVariables& variables, XmlNode context) const {
    *node = XmlNode();
    std::vector<XmlNode> nodes;
    Status status = SelectNodes(expression, &nodes, variables, context);
    if (status.ok() && !nodes.empty()) {
        *node = nodes.front();
    }
    return status;
}

XmlNode XmlDocument::AppendElement(XmlNode parent, const QString& name, const QString& attribute,
                                   const QString& value) {
    auto* node = static_cast<xmlNode*>(parent.mNode);
    const QByteArray utf8Name = name.toUtf8();
    const QByteArray utf8Attribute = attribute.toUtf8();
    if (!parent.IsElement() || !mImpl || node->doc != mImpl->doc.get() ||
        xmlValidateNCName(AsXml(utf8Name), 0) != 0 ||
        xmlValidateNCName(AsXml(utf8Attribute), 0) != 0) {
        return XmlNode();
    }
    xmlNode* element = xmlNewDocNode(node->doc, nullptr, AsXml(utf8Name), nullptr);
    // xmlNewProp stores the value as text, without looking for references.
    if (element == nullptr ||
        xmlNewProp(element, AsXml(utf8Attribute), AsXml(ToXmlText(value))) == nullptr) {
        xmlFreeNode(element);
        return XmlNode();
    }
    // Under a default namespace the element says that it has none, as its name says.
    if (xmlSearchNs(node->doc, node, nullptr) != nullptr) {
        xmlNewNs(element, reinterpret_cast<const xmlChar*>(""), nullptr);
    }
    xmlNode* last = xmlLastElementChild(node);
    if (last == nullptr) {
        xmlAddChild(node, element);
        return XmlNode(element);
    }
    xmlAddNextSibling(last, element);
    // Added in front of the element, the copy cannot merge with the text that follows it.
    if (last->prev != nullptr && xmlIsBlankNode(last->prev)) {
        xmlAddPrevSibling(element, xmlNewDocText(node->doc, last->prev->content));
    }
    return XmlNode(element);
}
