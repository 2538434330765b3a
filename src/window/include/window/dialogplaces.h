// Where the main window's file dialogs open and which name Save As proposes:
// remembered for the session, decided without any window.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

class DialogPlaces {
public:
    // The folder the pictures came from (the first one's) opens the next
    // picture dialog.
    void PicturesChosen(const wxArrayString& paths);
    // A project opened or saved: its folder opens the next project dialog.
    void ProjectChosen(const wxString& path);
    // A GIF saved under this path: its folder opens the next Save As.
    void GifChosen(const wxString& path);

    // Empty when nothing was chosen yet: the dialog then opens where it likes.
    const wxString& PictureFolder() const { return m_pictureFolder; }
    const wxString& ProjectFolder() const { return m_projectFolder; }
    // Where a GIF is proposed: the folder of the document's GIF file, else
    // of the last GIF saved, else of the first frame's picture.
    wxString GifFolder(const wxString& documentGifPath, const wxString& firstFramePath) const;

private:
    wxString m_pictureFolder;
    wxString m_projectFolder;
    wxString m_gifFolder;
};

// The name a GIF file dialog proposes: that of the document's GIF file, else
// the name the document shows (with ".gif"), else a translated "Untitled.gif".
wxString ProposedGifName(const wxString& documentGifPath, const wxString& gifName);
// Whether the file name (not its folder) holds a wildcard character, * ? [ or ]:
// a dialog that returns one has taken a pattern for a name.
bool HasWildcards(const wxString& path);
