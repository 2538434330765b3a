// What a GIF export of the document writes: its file, canvas, each frame's
// delay and the loop count.
#pragma once

#include "document/document.h"
#include "gif/export.h"

// The file is path (the document's own when empty); its name says the format.
GifExportJob ExportJobFor(const Document& document, int parallelism, const wxString& path = wxString());
