#include "window/dialogplaces.h"

#include "gif/export.h"
#include "window/statustexts.h"

#include <wx/filename.h>
#include <wx/intl.h>

namespace {
wxString FolderOf(const wxString& path) {
    return path.empty() ? wxString() : wxFileName(path).GetPath();
}
}  // namespace

void DialogPlaces::PicturesChosen(const wxArrayString& paths) {
    if (!paths.empty()) m_pictureFolder = FolderOf(paths[0]);
}

void DialogPlaces::ProjectChosen(const wxString& path) {
    if (!path.empty()) m_projectFolder = FolderOf(path);
}

void DialogPlaces::GifChosen(const wxString& path) {
    if (!path.empty()) m_gifFolder = FolderOf(path);
}

wxString DialogPlaces::GifFolder(const wxString& documentGifPath,
                                 const wxString& firstFramePath) const {
    const wxString own = FolderOf(documentGifPath);
    if (!own.empty()) return own;
    if (!m_gifFolder.empty()) return m_gifFolder;
    return FolderOf(firstFramePath);
}

wxString ProposedGifName(const wxString& documentGifPath, const wxString& gifName) {
    if (!documentGifPath.empty()) return wxFileNameFromPath(documentGifPath);
    if (!gifName.empty() && !HasWildcards(gifName)) return EnsureGifExtension(gifName);
    return UntitledGifName();
}

bool HasWildcards(const wxString& path) {
    return wxFileNameFromPath(path).find_first_of("*?[]") != wxString::npos;
}
