#include "window/statustexts.h"

#include "base/folders.h"

#include <wx/intl.h>

wxString UntitledGifName() { return wxGetTranslation("Untitled.gif"); }

wxString WindowTitle(const wxString& fileName, bool unsaved) {
    if (fileName.empty() && !unsaved) return GetProductName();
    wxString name = fileName.empty() ? UntitledGifName() : fileName;
    if (name.EndsWith(".xml") || name.EndsWith(".gif")) name.RemoveLast(4);
    return name + (unsaved ? " *" : "") + " - " + GetProductName();
}

namespace {
wxString ShownGifName(const wxString& gifName) {
    return gifName.empty() ? UntitledGifName() : gifName;
}
}  // namespace

wxString CanvasListText(const wxString& gifName, int width, int height) {
    return wxString::Format("%s (%d * %d)" + wxGetTranslation("px"), ShownGifName(gifName), width,
                            height);
}

wxString CanvasEditText(const wxString& gifName, int width, int height) {
    return wxString::Format("%s (%d * %d)px", ShownGifName(gifName), width, height);
}

wxString CanvasLoadedText(const wxString& gifName, int width, int height) {
    return CanvasListText(gifName, width, height);
}

wxString FrameInfoText(const wxString& name, int width, int height) {
    const wxString format = "%s " + wxGetTranslation("Width") + ":" + "%d" + wxGetTranslation("px") +
                            "," + wxGetTranslation("Height") + ":%d " + wxGetTranslation("px");
    return wxString::Format(format, name, width, height);
}

wxString StoreNoticeText(const StoreNotice& notice) {
    const wxString detail = wxString::FromUTF8(notice.detail);
    switch (notice.problem) {
        case StoreProblem::CacheUnusable:
            return wxString::Format(wxGetTranslation("The cache folder cannot be used (%s): frames "
                                                     "stay in memory."),
                                    detail);
        case StoreProblem::MemorySettingIgnored:
            return wxString::Format(wxGetTranslation("LOOPWRIGHT_FRAME_MEMORY=\"%s\" is not a size: "
                                                     "the default is used."),
                                    detail);
    }
    return wxString();
}
