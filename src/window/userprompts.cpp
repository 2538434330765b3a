#include "window/userprompts.h"

#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/utils.h>

UserPrompts::~UserPrompts() = default;

wxArrayString UserPrompts::ChoosePictures(wxWindow* parent, const wxString& message,
                                          const wxString& folder) {
    // GTK matches the patterns case-sensitively: both cases are listed, so that
    // ANIM.GIF and PHOTO.JPG are offered too.
    wxFileDialog dialog(parent, message, folder, wxEmptyString,
                        wxGetTranslation("Image files ") +
                            "(*.png;*.jpg;*.jpeg;*.bmp;*.gif)|"
                            "*.png;*.PNG;*.jpg;*.JPG;*.jpeg;*.JPEG;*.bmp;*.BMP;*.gif;*.GIF",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
    wxArrayString paths;
    if (dialog.ShowModal() == wxID_OK) dialog.GetPaths(paths);
    return paths;
}

wxString UserPrompts::ChooseFile(wxWindow* parent, const wxString& message,
                                 const wxString& folder, const wxString& defaultFile,
                                 const wxString& wildcard, long style) {
    wxFileDialog dialog(parent, message, folder, defaultFile, wildcard, style);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

void UserPrompts::PopupMenu(wxWindow* window, wxMenu& menu) { window->PopupMenu(&menu); }

bool UserPrompts::OpenWebPage(const wxString& url) { return wxLaunchDefaultBrowser(url, 0); }
