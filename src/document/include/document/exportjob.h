// What a GIF export of the document writes: its file, canvas, each frame's
// delay and the loop count.
#pragma once

#include "document/document.h"
#include "gif/export.h"

GifExportJob ExportJobFor(const Document& document, int parallelism);
