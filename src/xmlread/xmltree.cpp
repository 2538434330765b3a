#include "xmlread/xmltree.h"

#include <expat.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool AllSpace(const std::string& text) {
    for (char c : text)
        if (!IsXmlSpace(c)) return false;
    return true;
}

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<XML_ParserStruct, ParserFree>;

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

// Builds the tree from expat's callbacks and stops the parser at the first
// limit the document passes.
class XmlTree::Builder {
public:
    Builder(XmlTree& tree, const XmlLimits& limits) : m_tree(tree), m_limits(limits) {
        m_parser.reset(XML_ParserCreate(nullptr));
        if (!m_parser) return;
        XML_SetUserData(m_parser.get(), this);
        XML_SetElementHandler(m_parser.get(), &OnStart, &OnEnd);
        XML_SetCharacterDataHandler(m_parser.get(), &OnText);
        XML_SetCommentHandler(m_parser.get(), &OnComment);
        XML_SetStartDoctypeDeclHandler(m_parser.get(), &OnDoctype);
        XML_SetEntityDeclHandler(m_parser.get(), &OnEntity);
        XML_SetParamEntityParsing(m_parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    }

    // Parses the next piece of the document; false once reading has ended
    // with a problem.
    bool Feed(const char* data, std::size_t size, bool last) {
        if (!m_parser) return Fail(XmlProblem::TooManyNodes);
        if (m_tree.m_problem != XmlProblem::None) return false;
        if (XML_Parse(m_parser.get(), data, static_cast<int>(size), last) == XML_STATUS_OK)
            return true;
        return Fail(XmlProblem::Malformed);
    }

    bool Fail(XmlProblem problem) {
        if (m_tree.m_problem == XmlProblem::None) {
            m_tree.m_problem = problem;
            m_tree.m_problemLine =
                m_parser ? static_cast<int>(XML_GetCurrentLineNumber(m_parser.get())) : 0;
            if (m_parser) XML_StopParser(m_parser.get(), XML_FALSE);
        }
        return false;
    }

private:
    static Builder& Self(void* data) { return *static_cast<Builder*>(data); }

    static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        Self(data).Start(name, attributes);
    }
    static void XMLCALL OnEnd(void* data, const XML_Char*) { Self(data).End(); }
    static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
        Self(data).Text(text, static_cast<std::size_t>(length));
    }
    static void XMLCALL OnComment(void* data, const XML_Char* text) { Self(data).Comment(text); }
    static void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int) {
        Self(data).Fail(XmlProblem::Declarations);
    }
    static void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*,
                                 const XML_Char*) {
        Self(data).Fail(XmlProblem::Declarations);
    }

    bool Stopped() const { return m_tree.m_problem != XmlProblem::None; }

    // A new node as the last child of the open element (or as the root).
    Id Add(Kind kind, std::string value) {
        if (m_tree.m_nodes.size() + m_tree.m_attributes.size() >= m_limits.maxNodes) {
            Fail(XmlProblem::TooManyNodes);
            return None;
        }
        const Id id = static_cast<Id>(m_tree.m_nodes.size());
        m_tree.m_nodes.push_back(Node{std::move(value), None, None, None, 0, 0, kind});
        if (m_open.empty()) {
            m_tree.m_root = id;
            return id;
        }
        Node& parent = m_tree.m_nodes[m_open.back()];
        if (parent.lastChild == None)
            parent.firstChild = id;
        else
            m_tree.m_nodes[parent.lastChild].next = id;
        parent.lastChild = id;
        return id;
    }

    void Start(const XML_Char* name, const XML_Char** attributes) {
        CloseText();
        if (Stopped()) return;
        if (static_cast<int>(m_open.size()) >= m_limits.maxDepth) {
            Fail(XmlProblem::TooDeep);
            return;
        }
        const Id id = Add(Kind::Element, name);
        if (id == None) return;
        Node& node = m_tree.m_nodes[id];
        node.firstAttribute = static_cast<int>(m_tree.m_attributes.size());
        for (const XML_Char** a = attributes; a[0] && a[1]; a += 2) {
            if (std::strlen(a[1]) > m_limits.maxTextBytes) {
                Fail(XmlProblem::TextTooLong);
                return;
            }
            if (m_tree.m_nodes.size() + m_tree.m_attributes.size() >= m_limits.maxNodes) {
                Fail(XmlProblem::TooManyNodes);
                return;
            }
            m_tree.m_attributes.push_back(NamedValue{a[0], a[1]});
        }
        m_tree.m_nodes[id].endAttribute = static_cast<int>(m_tree.m_attributes.size());
        m_open.push_back(id);
    }

    void End() {
        CloseText();
        if (!m_open.empty()) m_open.pop_back();
    }

    // Text arrives in pieces (expat splits it at line ends and references);
    // the pieces of one run are appended to one node.
    void Text(const XML_Char* text, std::size_t length) {
        if (Stopped() || m_open.empty()) return;
        if (m_text == None) {
            m_lastBeforeText = m_tree.m_nodes[m_open.back()].lastChild;
            m_text = Add(Kind::Text, std::string());
            if (m_text == None) return;
        }
        std::string& value = m_tree.m_nodes[m_text].value;
        if (value.size() + length > m_limits.maxTextBytes) {
            Fail(XmlProblem::TextTooLong);
            return;
        }
        value.append(text, length);
    }

    void Comment(const XML_Char* text) {
        CloseText();
        if (Stopped() || m_open.empty()) return;
        if (std::strlen(text) > m_limits.maxTextBytes) {
            Fail(XmlProblem::TextTooLong);
            return;
        }
        Add(Kind::Comment, text);
    }

    // Ends a run of text; a run of white space only is no node. It is the
    // last node added, so taking it away is cheap.
    void CloseText() {
        if (m_text == None) return;
        const Id text = m_text;
        m_text = None;
        if (Stopped() || !AllSpace(m_tree.m_nodes[text].value)) return;
        Node& parent = m_tree.m_nodes[m_open.back()];
        parent.lastChild = m_lastBeforeText;
        if (m_lastBeforeText == None)
            parent.firstChild = None;
        else
            m_tree.m_nodes[m_lastBeforeText].next = None;
        m_tree.m_nodes.pop_back();
    }

    XmlTree& m_tree;
    const XmlLimits& m_limits;
    ParserPtr m_parser;
    std::vector<Id> m_open;  // the elements not yet closed, outermost first
    Id m_text = None;        // the text node of the run being read
    Id m_lastBeforeText = None;
};

void XmlTree::Clear() {
    m_nodes.clear();
    m_attributes.clear();
    m_root = None;
    m_problem = XmlProblem::None;
    m_problemLine = 0;
}

XmlProblem XmlTree::Parse(const std::string& bytes, const XmlLimits& limits) {
    Clear();
    if (bytes.size() > limits.maxFileBytes) return m_problem = XmlProblem::FileTooLarge;
    Builder builder(*this, limits);
    // In pieces, so that a limit stops the work early.
    const std::size_t piece = 1u << 16;
    std::size_t done = 0;
    do {
        const std::size_t size = std::min(piece, bytes.size() - done);
        if (!builder.Feed(bytes.data() + done, size, done + size == bytes.size())) break;
        done += size;
    } while (done < bytes.size());
    if (m_problem != XmlProblem::None) {
        const XmlProblem problem = m_problem;
        const int line = m_problemLine;
        Clear();
        m_problem = problem;
        m_problemLine = line;
    }
    return m_problem;
}

XmlProblem XmlTree::Read(const char* path, const XmlLimits& limits) {
    Clear();
    // Never blocks: a pipe or a device is refused before anything is read.
    FileDescriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info;
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return m_problem = XmlProblem::CannotOpen;
    if (static_cast<unsigned long long>(info.st_size) > limits.maxFileBytes)
        return m_problem = XmlProblem::FileTooLarge;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) return m_problem = XmlProblem::CannotOpen;
        if (got == 0) break;
        // The file may have grown since it was measured.
        if (bytes.size() + static_cast<std::size_t>(got) > limits.maxFileBytes)
            return m_problem = XmlProblem::FileTooLarge;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return Parse(bytes, limits);
}

bool XmlTree::IsElement(Id node, const char* name) const {
    return node != None && m_nodes[node].kind == Kind::Element && m_nodes[node].value == name;
}

const std::string& XmlTree::Content(Id node) const {
    static const std::string empty;
    for (Id child = FirstChild(node); child != None; child = m_nodes[child].next)
        if (m_nodes[child].kind == Kind::Text) return m_nodes[child].value;
    return empty;
}

const std::string* XmlTree::Attribute(Id node, const char* name) const {
    if (node == None) return nullptr;
    for (int i = m_nodes[node].firstAttribute; i < m_nodes[node].endAttribute; ++i)
        if (m_attributes[i].name == name) return &m_attributes[i].value;
    return nullptr;
}
