// A small XML tree read under limits, for the files that another program or a
// person may have written: project files and the option document. Nothing in
// such a file can make reading slow, deep or large: the file's size, the
// nesting depth, the number of nodes and each text's length are capped, text
// is gathered in linear time, and a document type declaration (the only way
// to declare entities, internal or external) is refused.
//
// The tree keeps elements (with their attributes), texts and comments. Texts
// that are only white space are dropped, and CDATA sections count as text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct XmlLimits {
    std::size_t maxFileBytes = 16u << 20;
    int maxDepth = 8;                   // the root element is at depth 1
    std::size_t maxNodes = 2000000;     // elements, texts, comments and attributes
    std::size_t maxTextBytes = 64u << 10;  // one text, comment or attribute value
};

enum class XmlProblem {
    None,
    CannotOpen,    // missing, unreadable, or not a regular file
    FileTooLarge,  // the file is over maxFileBytes
    TooManyNodes,  // it holds more than maxNodes
    TextTooLong,   // one of its texts is over maxTextBytes
    TooDeep,       // elements nested deeper than the limit
    Declarations,  // a document type declaration
    Malformed,     // not well-formed XML, or not in an encoding the reader knows
};

class XmlTree {
public:
    enum class Kind : unsigned char { Element, Text, Comment };
    // A node of the tree; None stands for "no such node".
    using Id = int;
    static constexpr Id None = -1;

    // Reads the file at path (in the file system's encoding) or the bytes
    // given. On a problem the tree is empty.
    XmlProblem Read(const char* path, const XmlLimits& limits = XmlLimits());
    XmlProblem Parse(const std::string& bytes, const XmlLimits& limits = XmlLimits());

    XmlProblem Problem() const { return m_problem; }
    // The line (counted from 1) where reading found the problem; 0 when none.
    int ProblemLine() const { return m_problemLine; }

    Id Root() const { return m_root; }
    Id FirstChild(Id node) const { return node == None ? None : m_nodes[node].firstChild; }
    Id Next(Id node) const { return node == None ? None : m_nodes[node].next; }
    Kind KindOf(Id node) const { return m_nodes[node].kind; }
    // An element's name (UTF-8); the text of a text or comment node.
    const std::string& Value(Id node) const { return m_nodes[node].value; }
    // Whether node is an element of that name; false for None.
    bool IsElement(Id node, const char* name) const;
    // The text of the element's first text child; empty when it has none.
    const std::string& Content(Id node) const;
    // The value of the element's attribute; null when it has none of that name.
    const std::string* Attribute(Id node, const char* name) const;

private:
    struct Node {
        std::string value;
        Id firstChild = None;
        Id lastChild = None;
        Id next = None;
        int firstAttribute = 0;  // attributes [first, end) in m_attributes
        int endAttribute = 0;
        Kind kind = Kind::Element;
    };
    struct NamedValue {
        std::string name;
        std::string value;
    };
    class Builder;

    void Clear();

    std::vector<Node> m_nodes;
    std::vector<NamedValue> m_attributes;
    Id m_root = None;
    XmlProblem m_problem = XmlProblem::None;
    int m_problemLine = 0;
};
