#include "project/xmltext.h"

void AppendXmlText(std::string& out, const wxString& text, bool inAttribute) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    for (size_t i = 0; i < utf8.length(); ++i) {
        const char c = utf8.data()[i];
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '\r': out += "&#xD;"; break;
            case '"': out += inAttribute ? "&quot;" : "\""; break;
            case '\n': out += inAttribute ? "&#xA;" : "\n"; break;
            case '\t': out += inAttribute ? "&#x9;" : "\t"; break;
            default: out += c; break;
        }
    }
}
