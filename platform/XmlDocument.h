#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// A node of an XmlDocument: an element, a text node or an attribute. A default XmlNode is null.
// Valid only while its document lives and the node has not been replaced (SetText replaces the
// children of an element).
class XmlNode {
  public:
    XmlNode() = default;

    bool IsNull() const { return mNode == nullptr; }
    bool IsElement() const;
    // The element's name without prefix; empty for other nodes.
    QString Name() const;
    // Whether the node is an element whose name without prefix is `name` (UTF-8).
    bool IsNamed(const char* name) const;
    // For an element, the concatenated text of all its descendant text and CDATA nodes; for a text
    // node or an attribute, its value. Every character is there, a leading U+FEFF included.
    QString Text() const;
    // Replaces all children of the element by one text node holding `text` verbatim: "&amp;" or
    // "<" in `text` are characters, not markup.
    void SetText(const QString& text);
    // The attribute's value, or nothing when the element has no attribute of that name.
    std::optional<QString> Attribute(const QString& name) const;
    // The same for a name in UTF-8, without a conversion per call.
    std::optional<QString> Attribute(const char* name) const;
    // The line of the node in the parsed text (1-based), 0 when unknown.
    int Line() const;
    // The first child element called `name` outside any namespace, as the XPath step `name`
    // selects it, or a null node; without compiling an expression, for a loop over thousands.
    XmlNode FirstChildElement(const QString& name) const;
    XmlNode FirstChildElement(const char* name) const;  // `name` in UTF-8
    // The child elements in any namespace, in document order, as the XPath step `*` selects them;
    // without compiling an expression.
    std::vector<XmlNode> ChildElements() const;
    // Whether the node is an element outside any namespace.
    bool IsElementWithoutNamespace() const;
    // The element that holds this node; null for the root and for a null node.
    XmlNode Parent() const;
    // Whether the node is a text node or a CDATA section, as the XPath test text() selects.
    bool IsText() const;
    // The first child that IsText(), or a null node.
    XmlNode FirstTextChild() const;

    bool operator==(const XmlNode& other) const { return mNode == other.mNode; }

  private:
    friend class XmlDocument;
    // The node after this one in document order under the root element, children first; null
    // after the last.
    XmlNode NextInDocument() const;
    explicit XmlNode(void* node) : mNode(node) {}
    void* mNode = nullptr;  // the libxml2 node
};

// Values bound to XPath variables: {"id", "$(DBHOST)"} makes $id in the expression stand for that
// string. Values are never pasted into the expression text, so any character, a double quote
// included, is safe.
using XPathVariables = std::vector<std::pair<QString, QString>>;

// The largest configuration or settings file the program reads; no real one comes near it. The
// readers pass it to FileSystem::ReadFile, so that a larger file is refused before it is parsed.
constexpr qint64 kMaxXmlFileBytes = 64 * 1024 * 1024;

// An XML DOM document with XPath 1.0 selection, on libxml2. Move-only; owns its libxml2 document.
//
// Parsing is safe against hostile files: no network, no external entities, no DTD loading, no
// XInclude; a document that declares entities or names an external DTD is refused, and so is one
// with an element of more than kMaxXmlAttributes attributes (platform/XmlAttributeScan.h), which
// would take the parser minutes. The document
// keeps the encoding of the text it was parsed from and the form of that text (UTF-16 byte order,
// byte-order mark, CR LF or LF line breaks), and Serialize writes it back so, with its declaration
// and comments.
class XmlDocument {
  public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(XmlDocument&& other) noexcept;
    XmlDocument& operator=(XmlDocument&& other) noexcept;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Parses `bytes`, replacing the current content. On failure the document is empty and the
    // error names `name`, the line and the parser's reason ("config.xml: line 4: ..."), which may
    // quote the text; `failedLine`, when given, receives that line, or 0 when none is known.
    Status Parse(const QByteArray& bytes, const QString& name, int* failedLine = nullptr);
    // The same for a document that is only read: short texts are kept inside their nodes, which
    // saves an allocation each, a third of the memory of a large file. REQUIRES: nothing changes
    // the document afterwards (no SetText, CreateRoot or AppendElement).
    Status ParseReadOnly(const QByteArray& bytes, const QString& name);

    // The whole document as text in its own encoding and form (UTF-8 without a byte-order mark,
    // LF line breaks for a new document). Fails when a text cannot be stored in XML 1.0 (a control
    // character such as U+0001).
    Status Serialize(QByteArray* bytes) const;

    // True when the document has no root element.
    bool IsEmpty() const;
    // The root element, or a null node.
    XmlNode Root() const;
    // Makes a new element named `name` the root. REQUIRES: IsEmpty().
    XmlNode CreateRoot(const QString& name);

    // The nodes that `expression` selects, in document order, evaluated against `context` (the
    // document when null). Fails when the expression cannot be compiled or evaluated, or does
    // not yield a node set.
    Status SelectNodes(const QString& expression, std::vector<XmlNode>* nodes,
                       const XPathVariables& variables = {}, XmlNode context = XmlNode()) const;
    // The first node in document order that `expression` selects, or a null node.
    Status SelectSingleNode(const QString& expression, XmlNode* node,
                            const XPathVariables& variables = {},
                            XmlNode context = XmlNode()) const;

    // Hands the root element and every node inside it but attributes (elements, texts, comments,
    // ...) to `visit`, in document order: one walk where several XPath queries over the whole
    // document ("//x") would each take one.
    template <typename Visit>
    void ForEachNode(Visit&& visit) const {
        for (XmlNode node = Root(); !node.IsNull(); node = node.NextInDocument()) {
            visit(node);
        }
    }

    // Adds an empty element `name` with the attribute `attribute`="`value`" to `parent`, after
    // its last element child and the same whitespace that comes before that child, so that it
    // lines up with its siblings; into an element without element children it goes last. Returns
    // the new element, or a null node when `parent` is no element of this document or a name is
    // not an XML name.
    XmlNode AppendElement(XmlNode parent, const QString& name, const QString& attribute,
                          const QString& value);

  private:
    Status ParseWith(const QByteArray& bytes, const QString& name, int* failedLine,
                     int extraOptions);

    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
