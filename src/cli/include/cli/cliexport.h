// Writing the command's document as a GIF, as the window's Save writes it,
// with the progress on a terminal and an interrupt that leaves no file behind.
#pragma once

#include "document/document.h"

// Writes the document's GIF and returns the command's exit status
// (cliline.h), having told standard error why when it is not kCliWritten.
// SIGINT and SIGTERM stop the export: the target stays as it was, and the
// process then ends by that signal.
int ExportCliDocument(const Document& document, bool quiet);

// Prints the GIF's expected size in bytes on standard output, writing nothing.
int EstimateCliDocument(const Document& document);
