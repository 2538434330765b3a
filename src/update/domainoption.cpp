#include "update/domainoption.h"

namespace {
DomainOption* g_option = nullptr;
}

DomainOption* GetDomainOption() { return g_option; }
void SetDomainOption(DomainOption* option) { g_option = option; }

DomainOption::DomainOption(const wxString& path) : m_path(path) {}

DomainOption::~DomainOption() = default;

bool DomainOption::Load() {
    // Root, container and values: three levels; the file is a few hundred bytes.
    XmlLimits limits;
    limits.maxFileBytes = 1u << 20;
    limits.maxDepth = 6;
    // A malformed file is not the user's business: it is not reported.
    return m_document.Read(m_path.fn_str(), limits) == XmlProblem::None &&
           m_document.Root() != XmlTree::None;
}

bool DomainOption::ReadValues() {
    if (!Load()) return false;
    const XmlTree::Id container = m_document.FirstChild(m_document.Root());
    if (container == XmlTree::None) return false;
    XmlTree::Id node = m_document.FirstChild(container);
    wxString* const values[] = {&m_helpUrl, &m_value2,  &m_supportUrl, &m_value4,
                                &m_updateUrl, &m_homeUrl, &m_value7};
    for (wxString* value : values) {
        if (node == XmlTree::None) return false;
        // An element's text; a text or comment node has none of its own.
        const bool element = m_document.KindOf(node) == XmlTree::Kind::Element;
        *value = element ? wxString::FromUTF8(m_document.Content(node)) : wxString();
        if (value == &m_updateUrl) *value += "-update.xml";
        node = m_document.Next(node);
    }
    return true;
}
