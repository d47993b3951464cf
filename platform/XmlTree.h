#pragma once

#include "platform/Status.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// A read-only XML document in a compact form, for files that the program only reads: the
// elements and texts in one array, each name kept once, the texts and attribute values in UTF-8
// in one buffer. Parsing has every guard of XmlDocument::Parse (platform/XmlParser.h) and fails
// with the same messages; the nodes, names, texts, attributes and lines are those that an
// XmlDocument of the same text has. Comments and processing instructions are not kept, but a
// text that one of them splits stays two texts, as in XmlDocument; so does a CDATA section
// between two texts.
//
// A reader that needs only parts of a large file can take each element when its end tag has
// been read (Visitor) and drop it once it has what it needs: the document then holds little more
// than the elements that are still open.
//
// Nodes are numbers, valid until the next Parse and, for the nodes inside a dropped element,
// until the Drop. Every query takes a node of this document; a node that is not an element makes
// the queries about elements answer as for none.
class XmlTree {
  public:
    using Node = std::uint32_t;
    static constexpr Node kNone = UINT32_MAX;

    // Sees each element as soon as its end tag has been read: the element and everything inside
    // it are in the document, what follows it is not yet.
    class Visitor {
      public:
        virtual void Closed(XmlTree& tree, Node element) = 0;

      protected:
        ~Visitor() = default;
    };

    XmlTree();
    ~XmlTree();
    XmlTree(XmlTree&& other) noexcept;
    XmlTree& operator=(XmlTree&& other) noexcept;
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;

    // Parses `bytes`, replacing the current content, and hands each element to `visitor` when
    // given. On failure the document is empty and the message is XmlDocument::Parse's
    // ("config.xml: line 4: ..."); the visitor may have seen elements before the failure.
    // `failedLine` as XmlDocument::Parse.
    Status Parse(const QByteArray& bytes, const QString& name, Visitor* visitor = nullptr,
                 int* failedLine = nullptr);

    // The root element; kNone when the document is empty.
    Node Root() const { return mNodes.empty() ? kNone : 0; }
    // Forgets `element` and everything inside it, as if the file had not had it. REQUIRES: called
    // from Visitor::Closed for `element`, which is not the root.
    void Drop(Node element);

    bool IsElement(Node node) const { return Kind(node) == NodeKind::Element; }
    // Whether the node is a text or a CDATA section.
    bool IsText(Node node) const {
        return Kind(node) == NodeKind::Text || Kind(node) == NodeKind::CData;
    }
    // Whether the node is an element outside any namespace.
    bool IsElementWithoutNamespace(Node node) const {
        return IsElement(node) && !mNodes[node].inNamespace;
    }
    // The element's name without its prefix, in UTF-8 and kept as long as the document; empty for
    // other nodes. An element whose prefix no declaration binds is named with it ("p:name") and
    // counts as outside any namespace, as libxml2 has it.
    const char* NameUtf8(Node node) const { return IsElement(node) ? mNodes[node].name : ""; }
    QString Name(Node node) const;
    // Whether the node is an element named `name` (UTF-8), in any namespace.
    bool IsNamed(Node node, const char* name) const;
    // The line of the node in the parsed text (from 1): for an element, the line where its start
    // tag ends.
    int Line(Node node) const { return int(mNodes[node].line); }
    // The element that holds the node; kNone for the root.
    Node Parent(Node node) const { return mNodes[node].parent; }
    Node FirstChild(Node node) const { return mNodes[node].firstChild; }
    Node NextSibling(Node node) const { return mNodes[node].nextSibling; }
    // The first child element named `name` (UTF-8) outside any namespace, or kNone.
    Node FirstChildElement(Node node, const char* name) const;
    // The first child that IsText(), or kNone.
    Node FirstTextChild(Node node) const;
    // The child of `element` when it has that one child only and it IsText(); kNone otherwise.
    Node OnlyText(Node element) const {
        const Node first = FirstChild(element);
        return first != kNone && IsText(first) && NextSibling(first) == kNone ? first : kNone;
    }
    // For an element, the texts of all the texts and CDATA sections inside it, in document order;
    // for a text, its own. Every character is there, a leading U+FEFF included.
    QString Text(Node node) const;
    // The text of a text node as the document holds it, in UTF-8: for a reader that compares or
    // copies it without a QString. REQUIRES: IsText(node).
    QByteArrayView TextUtf8(Node node) const {
        return QByteArrayView(mText.data() + mNodes[node].begin,
                              mNodes[node].end - mNodes[node].begin);
    }
    // The value of the element's attribute `name` (UTF-8) outside any namespace, as written in
    // the file (an attribute that only a DTD declares a default for is not); nothing when the
    // element has none.
    std::optional<QString> Attribute(Node node, const char* name) const;
    // The same in UTF-8, as the document holds it: for a reader that copies it without a QString.
    std::optional<QByteArrayView> AttributeUtf8(Node node, const char* name) const;
    // Where the node stands in document order: a node that comes later has a larger number, also
    // after a Drop.
    std::uint32_t Order(Node node) const { return mNodes[node].order; }

  private:
    enum class NodeKind : std::uint8_t { Element, Text, CData };
    struct NodeData {
        const char* name;  // elements: interned for the whole document (mNames)
        Node parent;
        Node firstChild;
        Node nextSibling;
        std::uint32_t line;
        // Elements: their attributes in mAttributes; texts: their bytes in mText.
        std::uint32_t begin;
        std::uint32_t end;
        std::uint32_t order;
        NodeKind kind;
        bool inNamespace;
    };
    struct AttributeData {
        const char* name;  // interned, as NameUtf8 has the names of elements
        std::uint32_t begin;
        std::uint32_t end;
        bool inNamespace;
    };
    // An element whose end tag has not been read yet.
    struct OpenElement {
        Node element;
        Node lastChild;
        Node previousSibling;    // its own, for a Drop
        std::uint32_t textSize;  // mText before its attributes
    };
    struct Builder;
    friend struct Builder;

    NodeKind Kind(Node node) const { return mNodes[node].kind; }
    void Clear();

    std::vector<NodeData> mNodes;
    std::vector<AttributeData> mAttributes;
    std::vector<char> mText;
    std::vector<OpenElement> mOpen;
    // The names of elements and attributes: libxml2's dictionary of the parse, kept alive.
    void* mNames = nullptr;
    std::uint32_t mCreated = 0;  // nodes made so far, dropped ones included: the next Order
};
