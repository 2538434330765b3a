#include "app/domainoption.h"

#include <wx/filename.h>
#include <wx/log.h>

namespace {
DomainOption* g_option = nullptr;
}

DomainOption* GetDomainOption() { return g_option; }
void SetDomainOption(DomainOption* option) { g_option = option; }

DomainOption::DomainOption(const wxString& path) : m_path(path) {}

DomainOption::~DomainOption() = default;

bool DomainOption::Load() {
    if (!wxFileName::FileExists(m_path)) return false;
    wxLogNull quiet;  // a malformed file is not the user's business
    if (!m_document.Load(m_path, "UTF-8", wxXMLDOC_NONE)) return false;
    return m_document.GetRoot() != nullptr;
}

bool DomainOption::ReadValues() {
    if (!Load()) return false;
    const wxXmlNode* container = m_document.GetRoot()->GetChildren();
    if (!container) return false;
    const wxXmlNode* node = container->GetChildren();
    wxString* const values[] = {&m_helpUrl, &m_value2,  &m_supportUrl, &m_value4,
                                &m_updateUrl, &m_homeUrl, &m_value7};
    for (wxString* value : values) {
        if (!node) return false;
        *value = node->GetNodeContent();
        if (value == &m_updateUrl) *value += "-update.xml";
        node = node->GetNext();
    }
    return true;
}
