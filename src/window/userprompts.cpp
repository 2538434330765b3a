#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/utils.h>

UserPrompts::~UserPrompts() = default;

wxArrayString UserPrompts::ChoosePictures(wxWindow* parent, const wxString& message,
                                          const wxString& folder) {
    // GTK matches the patterns case-sensitively: both cases are listed, so that
    // ANIM.GIF and PHOTO.JPG are offered too. Files are read by their content,
    // so "All files" may hold a video of any name.
    static const char* const kNames[] = {"png", "jpg", "jpeg", "bmp", "gif", "webp", "apng",
                                         "mp4", "m4v", "webm", "mkv", "mov", "avi"};
    wxString shown, patterns;
    for (const char* name : kNames) {
        shown += wxString(shown.empty() ? "" : ";") + "*." + name;
        patterns += wxString(patterns.empty() ? "" : ";") + "*." + name + ";*." + wxString(name).Upper();
    }
    wxFileDialog dialog(parent, message, folder, wxEmptyString,
                        wxGetTranslation("Pictures and videos") + " (" + shown + ")|" + patterns + "|" +
                            wxGetTranslation("All files") + "|*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
    wxArrayString paths;
    if (dialog.ShowModal() == wxID_OK) dialog.GetPaths(paths);
    return paths;
}

wxString UserPrompts::ChooseFile(wxWindow* parent, const wxString& message,
                                 const wxString& folder, const wxString& defaultFile,
                                 const wxString& wildcard, long style, int* filter) {
    wxFileDialog dialog(parent, message, folder, defaultFile, wildcard, style);
    if (filter) dialog.SetFilterIndex(*filter);
    if (dialog.ShowModal() != wxID_OK) return wxString();
    if (filter) *filter = dialog.GetFilterIndex();
    return dialog.GetPath();
}

void UserPrompts::PopupMenu(wxWindow* window, wxMenu& menu) { window->PopupMenu(&menu); }

bool UserPrompts::OpenWebPage(const wxString& url) { return wxLaunchDefaultBrowser(url, 0); }
