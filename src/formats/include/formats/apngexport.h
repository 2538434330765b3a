// The animation as an APNG: every frame exact, frames after the first storing
// only the rectangle that changed.
#pragma once

#include "gif/export.h"

GifExportStatus WriteApngAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                   const ExportFrameWritten& written);
