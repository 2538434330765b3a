// Text as project files write it into XML.
#pragma once

#include <wx/string.h>

#include <string>

// UTF-8 with what XML needs escaped: in an element's text as the toolkit's
// XML writer escapes it (so that files stay byte for byte what they were);
// in an attribute's value also quotes, line ends and tabs, so that reading
// gives back the very text.
void AppendXmlText(std::string& out, const wxString& text, bool inAttribute = false);
