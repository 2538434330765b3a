#include "window/statustexts.h"

#include "app/folders.h"

#include <wx/intl.h>

wxString ProjectTitle(const wxString& projectName) {
    wxString name = projectName;
    if (name.EndsWith(".xml")) name.RemoveLast(4);
    return name + " - " + GetProductName();
}

wxString CanvasListText(const wxString& gifName, int width, int height) {
    if (gifName.empty())
        return wxString::Format(wxString("Untitled.gif (%d * %d)") + wxGetTranslation("px"), width,
                                height);
    return wxString::Format(wxString("%s (%d * %d)") + wxGetTranslation("px"), gifName, width,
                            height);
}

wxString CanvasEditText(const wxString& gifName, int width, int height) {
    if (gifName.empty()) return wxString::Format("Untitled.gif (%d * %d)px", width, height);
    return wxString::Format("%s (%d * %d)px", gifName, width, height);
}

wxString CanvasLoadedText(const wxString& gifName, int width, int height) {
    if (gifName.empty())
        return wxString::Format(wxString("Untitled.gif (%d * %d)") + wxGetTranslation("px"), width,
                                height);
    return wxString::Format(wxString("%s (%d * %d)") + wxGetTranslation("px"), gifName, width,
                            height);
}

wxString FrameInfoText(const wxString& name, int width, int height) {
    const wxString format = "%s " + wxGetTranslation("Width") + ":" + "%d" + wxGetTranslation("px") +
                            "," + wxGetTranslation("Height") + ":%d " + wxGetTranslation("px");
    return wxString::Format(format, name, width, height);
}
