#include "platform/XmlTree.h"

#include "platform/XmlParser.h"

#include <libxml/dict.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>

namespace {

const char* AsChars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

void AppendUtf8(std::vector<char>& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.insert(out.end(), {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))});
    } else if (c < 0x10000) {
        out.insert(out.end(), {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)),
                               char(0x80 | (c & 0x3F))});
    } else {
        out.insert(out.end(), {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)),
                               char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))});
    }
}

// Appends an attribute value as the parser hands it over, with its references replaced as
// libxml2's tree builder replaces them: the parser has replaced every reference already but
// writes an "&" of the value as "&#38;".
void AppendAttributeValue(std::vector<char>& out, const char* at, const char* end) {
    while (at < end) {
        const char* amp = static_cast<const char*>(std::memchr(at, '&', std::size_t(end - at)));
        if (amp == nullptr) {
            out.insert(out.end(), at, end);
            return;
        }
        out.insert(out.end(), at, amp);
        const char* semicolon =
            static_cast<const char*>(std::memchr(amp, ';', std::size_t(end - amp)));
        // "&#" digits ";" or "&#x" hex digits ";": amp[1] and amp[2] are there when ";" is.
        bool read = semicolon != nullptr && amp[1] == '#';
        const bool hex = read && amp[2] == 'x';
        const char* digit = amp + (hex ? 3 : 2);
        read = read && digit < semicolon;
        char32_t c = 0;
        for (; read && digit < semicolon; ++digit) {
            const char d = *digit;
            const int value = d >= '0' && d <= '9'          ? d - '0'
                              : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                              : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                            : -1;
            read = value >= 0 && c <= 0x10FFFF;
            c = c * (hex ? 16 : 10) + char32_t(value);
        }
        read = read && c <= 0x10FFFF;
        if (!read) {
            out.push_back('&');
            at = amp + 1;
            continue;
        }
        AppendUtf8(out, c);
        at = semicolon + 1;
    }
}

}  // namespace

// The SAX callbacks of one Parse: they add each element and text to the tree as the parser reads
// it, in document order.
struct XmlTree::Builder {
    XmlTree& tree;
    Visitor* visitor;
    // The text that the next characters of the same kind continue, as libxml2's tree builder
    // joins them: anything else between them (an element, a comment) ends it.
    Node openText = kNone;
    // The xml:id values so far, which libxml2's tree builder checks (below).
    std::unordered_set<std::string> ids;

    static Builder& Of(void* ctx) { return *static_cast<Builder*>(XmlParseUser(ctx)); }

    static void Install(xmlSAXHandler* sax) {
        sax->startDocument = OnStartDocument;
        sax->endDocument = nullptr;
        sax->startElementNs = OnStartElement;
        sax->endElementNs = OnEndElement;
        sax->characters = OnText;
        sax->ignorableWhitespace = OnText;  // the same, so that blanks are text as well
        sax->cdataBlock = OnCData;
        sax->comment = OnComment;
        sax->processingInstruction = OnProcessingInstruction;
        sax->reference = OnReference;
        // Declarations of the internal subset have no document to go into.
        sax->elementDecl = nullptr;
        sax->attributeDecl = nullptr;
        sax->notationDecl = nullptr;
        sax->externalSubset = nullptr;
    }

    static void OnStartDocument(void* ctx) {
        XmlTree& tree = Of(ctx).tree;
        xmlDictPtr names = static_cast<xmlParserCtxtPtr>(ctx)->dict;
        if (tree.mNames == nullptr && names != nullptr && xmlDictReference(names) == 0) {
            tree.mNames = names;
        }
    }

    static void OnStartElement(void* ctx, const xmlChar* localName, const xmlChar* prefix,
                               const xmlChar* uri, int, const xmlChar**, int attributeCount,
                               int defaultedCount, const xmlChar** attributes) {
        Builder& builder = Of(ctx);
        XmlTree& tree = builder.tree;
        builder.openText = kNone;
        if (tree.mNames == nullptr) {
            return;  // no dictionary to keep the names in; the parse fails for want of memory
        }
        const auto textSize = std::uint32_t(tree.mText.size());
        const auto firstAttribute = std::uint32_t(tree.mAttributes.size());
        // The parser adds the defaults that a DTD declares after the attributes of the file;
        // libxml2's tree builder leaves them out.
        for (int i = 0; i < attributeCount - defaultedCount; ++i) {
            const xmlChar* const* attribute = attributes + 5 * i;
            const auto begin = std::uint32_t(tree.mText.size());
            AppendAttributeValue(tree.mText, AsChars(attribute[3]), AsChars(attribute[4]));
            tree.mAttributes.push_back({builder.NameOf(attribute[0], attribute[1], attribute[2]),
                                        begin, std::uint32_t(tree.mText.size()),
                                        attribute[2] != nullptr});
            if (attribute[1] != nullptr && std::strcmp(AsChars(attribute[1]), "xml") == 0 &&
                std::strcmp(AsChars(attribute[0]), "id") == 0) {
                builder.CheckXmlId(ctx, AsChars(attribute[3]), AsChars(attribute[4]));
            }
        }
        const Node previous = tree.mOpen.empty() ? kNone : tree.mOpen.back().lastChild;
        const Node element = builder.Add({builder.NameOf(localName, prefix, uri), kNone, kNone,
                                          kNone, std::uint32_t(xmlSAX2GetLineNumber(ctx)),
                                          firstAttribute, std::uint32_t(tree.mAttributes.size()), 0,
                                          NodeKind::Element, uri != nullptr});
        tree.mOpen.push_back({element, kNone, previous, textSize});
    }

    static void OnEndElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        Builder& builder = Of(ctx);
        XmlTree& tree = builder.tree;
        builder.openText = kNone;
        if (tree.mOpen.empty()) {
            return;
        }
        if (builder.visitor != nullptr) {
            builder.visitor->Closed(tree, tree.mOpen.back().element);
        }
        tree.mOpen.pop_back();
    }

    static void OnText(void* ctx, const xmlChar* text, int length) {
        Of(ctx).AddText(NodeKind::Text, AsChars(text), length, ctx);
    }
    static void OnCData(void* ctx, const xmlChar* text, int length) {
        Of(ctx).AddText(NodeKind::CData, AsChars(text), length, ctx);
    }
    static void OnComment(void* ctx, const xmlChar*) { Of(ctx).openText = kNone; }
    static void OnProcessingInstruction(void* ctx, const xmlChar*, const xmlChar*) {
        Of(ctx).openText = kNone;
    }
    // A reference to an entity that no declaration names, which the parser lets pass when the
    // internal subset refers to parameter entities: libxml2's tree builder keeps it as a node
    // without text, which ends a text.
    static void OnReference(void* ctx, const xmlChar*) { Of(ctx).openText = kNone; }

    // The name of an element or attribute as libxml2's tree builder has it: one whose prefix no
    // declaration binds has the prefix in its name, and no namespace.
    const char* NameOf(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri) {
        if (prefix != nullptr && uri == nullptr) {
            if (const xmlChar* name =
                    xmlDictQLookup(static_cast<xmlDictPtr>(tree.mNames), prefix, localName)) {
                return AsChars(name);
            }
        }
        return AsChars(localName);
    }

    // Appends `data` as the last child of the element that is open.
    Node Add(NodeData data) {
        const auto node = Node(tree.mNodes.size());
        data.order = tree.mCreated++;
        if (!tree.mOpen.empty()) {
            OpenElement& parent = tree.mOpen.back();
            data.parent = parent.element;
            if (parent.lastChild == kNone) {
                tree.mNodes[parent.element].firstChild = node;
            } else {
                tree.mNodes[parent.lastChild].nextSibling = node;
            }
            parent.lastChild = node;
        }
        tree.mNodes.push_back(data);
        return node;
    }

    void AddText(NodeKind kind, const char* text, int length, void* ctx) {
        // Outside the root only blanks can stand, which no document keeps. An empty CDATA
        // section is a text of its own.
        if (tree.mOpen.empty() || length < 0) {
            return;
        }
        if (openText == kNone || tree.mNodes[openText].kind != kind) {
            const auto size = std::uint32_t(tree.mText.size());
            openText = Add({nullptr, kNone, kNone, kNone, std::uint32_t(xmlSAX2GetLineNumber(ctx)),
                            size, size, 0, kind, false});
        }
        tree.mText.insert(tree.mText.end(), text, text + length);
        tree.mNodes[openText].end = std::uint32_t(tree.mText.size());
    }

    // libxml2's tree builder reports an xml:id that is not a name, or one that an element before
    // has, as an error: the document loads, but should it fail later, that error is the one
    // named first.
    // The value as the parser hands it over, with an "&" still written "&#38;".
    void CheckXmlId(void* ctx, const char* value, const char* end) {
        if (value == end) {
            return;  // an empty value is no id
        }
        const std::string id(value, std::size_t(end - value));
        if (xmlValidateNCName(reinterpret_cast<const xmlChar*>(id.c_str()), 1) != 0) {
            ReportXmlError(ctx, ("xml:id : attribute value " + id + " is not an NCName\n").c_str());
        }
        if (!ids.insert(id).second) {
            ReportXmlError(ctx, ("ID " + id + " already defined\n").c_str());
        }
    }
};

XmlTree::XmlTree() = default;

XmlTree::~XmlTree() {
    Clear();
}

XmlTree::XmlTree(XmlTree&& other) noexcept
    : mNodes(std::move(other.mNodes)),
      mAttributes(std::move(other.mAttributes)),
      mText(std::move(other.mText)),
      mOpen(std::move(other.mOpen)),
      mNames(std::exchange(other.mNames, nullptr)),
      mCreated(std::exchange(other.mCreated, 0)) {}

XmlTree& XmlTree::operator=(XmlTree&& other) noexcept {
    if (this != &other) {
        Clear();
        mNodes = std::move(other.mNodes);
        mAttributes = std::move(other.mAttributes);
        mText = std::move(other.mText);
        mOpen = std::move(other.mOpen);
        mNames = std::exchange(other.mNames, nullptr);
        mCreated = std::exchange(other.mCreated, 0);
    }
    return *this;
}

void XmlTree::Clear() {
    mNodes.clear();
    mAttributes.clear();
    mText.clear();
    mOpen.clear();
    if (mNames != nullptr) {
        xmlDictFree(static_cast<xmlDictPtr>(mNames));
        mNames = nullptr;
    }
    mCreated = 0;
}

Status XmlTree::Parse(const QByteArray& bytes, const QString& name, Visitor* visitor,
                      int* failedLine) {
    Clear();
    Builder builder{*this, visitor, kNone, {}};
    const XmlSaxReader reader{&Builder::Install, &builder};
    Status status = ParseXml(bytes, name, 0, &reader, nullptr, failedLine);
    // A well-formed text has a root; without one the dictionary was missing.
    if (status.ok() && mNodes.empty()) {
        status = XmlError(name, 0, "out of memory");
    }
    if (!status.ok()) {
        Clear();
    }
    mOpen.clear();
    return status;
}

void XmlTree::Drop(Node element) {
    if (mOpen.size() < 2 || mOpen.back().element != element) {
        return;
    }
    const OpenElement open = mOpen.back();
    OpenElement& parent = mOpen[mOpen.size() - 2];
    mAttributes.resize(mNodes[element].begin);
    mText.resize(open.textSize);
    mNodes.resize(element);
    parent.lastChild = open.previousSibling;
    if (open.previousSibling == kNone) {
        mNodes[parent.element].firstChild = kNone;
    } else {
        mNodes[open.previousSibling].nextSibling = kNone;
    }
}

QString XmlTree::Name(Node node) const {
    return QString::fromUtf8(NameUtf8(node));
}

bool XmlTree::IsNamed(Node node, const char* name) const {
    return IsElement(node) && mNodes[node].name[0] == name[0] &&
           std::strcmp(mNodes[node].name, name) == 0;
}

XmlTree::Node XmlTree::FirstChildElement(Node node, const char* name) const {
    for (Node child = IsElement(node) ? FirstChild(node) : kNone; child != kNone;
         child = NextSibling(child)) {
        if (IsElementWithoutNamespace(child) && std::strcmp(mNodes[child].name, name) == 0) {
            return child;
        }
    }
    return kNone;
}

XmlTree::Node XmlTree::FirstTextChild(Node node) const {
    for (Node child = IsElement(node) ? FirstChild(node) : kNone; child != kNone;
         child = NextSibling(child)) {
        if (IsText(child)) {
            return child;
        }
    }
    return kNone;
}

QString XmlTree::Text(Node node) const {
    if (IsText(node)) {
        const QByteArrayView bytes = TextUtf8(node);
        return FromXmlUtf8(bytes.data(), bytes.size());
    }
    if (!IsElement(node)) {
        return QString();
    }
    // Most elements hold one text, which is then the whole text.
    if (const Node only = OnlyText(node); only != kNone) {
        return Text(only);
    }
    const Node first = FirstChild(node);
    QByteArray gathered;
    for (Node at = first; at != kNone;) {
        if (IsText(at)) {
            gathered.append(TextUtf8(at));
        }
        if (IsElement(at) && FirstChild(at) != kNone) {
            at = FirstChild(at);
            continue;
        }
        while (at != node && NextSibling(at) == kNone) {
            at = Parent(at);
        }
        at = at == node ? kNone : NextSibling(at);
    }
    return FromXmlUtf8(gathered.constData(), gathered.size());
}

std::optional<QString> XmlTree::Attribute(Node node, const char* name) const {
    const std::optional<QByteArrayView> utf8 = AttributeUtf8(node, name);
    if (!utf8) {
        return std::nullopt;
    }
    if (utf8->isEmpty()) {
        return QStringLiteral("");  // present, even when empty
    }
    return FromXmlUtf8(utf8->data(), utf8->size());
}

std::optional<QByteArrayView> XmlTree::AttributeUtf8(Node node, const char* name) const {
    if (!IsElement(node)) {
        return std::nullopt;
    }
    for (std::uint32_t i = mNodes[node].begin; i < mNodes[node].end; ++i) {
        const AttributeData& attribute = mAttributes[i];
        if (!attribute.inNamespace && std::strcmp(attribute.name, name) == 0) {
            return QByteArrayView(mText.data() + attribute.begin, attribute.end - attribute.begin);
        }
    }
    return std::nullopt;
}
