#include "document/exportjob.h"

#include "formats/animationexport.h"

GifExportJob ExportJobFor(const Document& document, int parallelism, const wxString& path) {
    GifExportJob job;
    job.path = path.empty() ? document.GifPath() : path;
    job.format = AnimationFormatOfPath(job.path);
    job.webpQuality = document.Settings().webpQuality;
    job.frameCount = static_cast<int>(document.FrameCount());
    job.canvasWidth = document.CanvasSize().x;
    job.canvasHeight = document.CanvasSize().y;
    job.delays.reserve(document.FrameCount());
    job.plane = document.ReferenceSize();
    job.crop = document.Crop();
    job.turns.reserve(document.FrameCount());
    for (const DocumentFrame& frame : document.Frames()) {
        job.delays.push_back(frame.delay);
        job.turns.push_back(frame.turn);
        job.captions.push_back(frame.captions);
    }
    job.loopCount = document.LoopCount();
    job.quality = document.Settings().quality;
    job.optimise = document.Settings().optimise;
    job.transparent = document.Settings().transparent;
    job.colours = document.Settings().colours;
    job.dither = document.Settings().dither;
    job.ditherStrength = document.Settings().ditherStrength;
    job.lossy = document.Settings().lossy;
    job.parallelism = parallelism;
    return job;
}
