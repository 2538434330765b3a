// The option document "option.cfg": seven values read by position.
#pragma once

#include "xmlread/xmltree.h"

#include <wx/string.h>

class DomainOption {
public:
    explicit DomainOption(const wxString& path);
    virtual ~DomainOption();

    // Parses the file; false when it is missing, malformed, over the limits
    // of a small option file (1 MB, a few levels deep) or has no root.
    bool Load();
    // Loads the file and takes the values in document order; false when the
    // file could not be loaded or holds fewer than seven values (the values
    // read so far are kept).
    bool ReadValues();

    wxString GetHelpUrl() const { return m_helpUrl; }
    wxString GetSupportUrl() const { return m_supportUrl; }
    wxString GetUpdateUrl() const { return m_updateUrl; }
    wxString GetHomeUrl() const { return m_homeUrl; }

private:
    wxString m_path;
    XmlTree m_document;
    wxString m_helpUrl;
    wxString m_value2;
    wxString m_supportUrl;
    wxString m_value4;
    wxString m_updateUrl;
    wxString m_homeUrl;
    wxString m_value7;
};

// The process-wide option document; null before start-up creates it.
DomainOption* GetDomainOption();
void SetDomainOption(DomainOption* option);
