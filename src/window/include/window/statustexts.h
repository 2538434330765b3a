// The texts of the main window's title and status fields. Translated words are
// looked up when a text is made; the formats are used exactly as they stand.
#pragma once

#include "framestore/storenotices.h"

#include <wx/string.h>

// The translated name of a GIF that has none yet.
wxString UntitledGifName();

// "demo.xml" gives "demo - <product name>", "demo * - <product name>" while
// unsaved; only a lower-case ".xml" or ".gif" is dropped. No name: the
// product name alone, or "Untitled * - ..." while unsaved.
wxString WindowTitle(const wxString& fileName, bool unsaved);

// Field 0 after the frame list changed: "<gif name> (w * h)px", untitled
// when the GIF has no name yet.
wxString CanvasListText(const wxString& gifName, int width, int height);
// Field 0 after a width or height edit, and after a save.
wxString CanvasEditText(const wxString& gifName, int width, int height);
// Field 0 after a project was opened.
wxString CanvasLoadedText(const wxString& gifName, int width, int height);
// Field 1: the frame shown in the preview.
wxString FrameInfoText(const wxString& name, int width, int height);
// Field 2: what the frame store had to say.
wxString StoreNoticeText(const StoreNotice& notice);
