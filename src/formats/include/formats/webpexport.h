// The animation as an animated WebP: frames of at most 256 colours lossless,
// the others lossy at the job's WebP quality.
#pragma once

#include "gif/export.h"

GifExportStatus WriteWebpAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                   const ExportFrameWritten& written);
