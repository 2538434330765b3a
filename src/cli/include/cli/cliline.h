// The command line of loopwright-cli: pictures, videos or one project in, a
// GIF, WebP or APNG out.
#pragma once

#include "document/document.h"
#include "gif/captions.h"

#include <wx/arrstr.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

#include <optional>

// How the command ends; scripts tell the cases apart by these.
enum CliExit {
    kCliWritten = 0,       // the GIF is written
    kCliInputProblem = 1,  // a picture or the project cannot be used: nothing written
    kCliUsage = 2,         // the command line is malformed: nothing done
    kCliWriteFailure = 3,  // the GIF could not be written: any old file is unchanged
};

struct CliOptions {
    int exitCode = -1;     // the command ends here with it (help, version, usage); -1: it goes on
    wxArrayString inputs;  // pictures in frame order, or the one project
    bool project = false;  // inputs is one project file
    wxString output;       // the GIF to write; empty: the one the project names
    std::optional<int> delay;      // hundredths of a second for every frame
    std::optional<wxSize> size;    // the canvas; one side 0 keeps the frames' aspect
    std::optional<wxRect> crop;    // in pixels of the largest frame
    int quarterTurns = 0;          // clockwise, before the flips
    bool flipHorizontally = false;
    bool flipVertically = false;
    std::optional<int> speedPercent;     // every delay played this much as fast
    std::optional<int> reduceStep;       // keep 1 of every that many frames
    std::optional<double> dedupePercent; // drop duplicates differing at most this much
    bool yoyo = false;                   // append the frames in reverse
    std::optional<wxString> caption;     // written on every frame
    CaptionAnchor captionAnchor = CaptionAnchor::Bottom;
    std::optional<int> loopCount;  // passes; 0 is forever
    // Which part of each video becomes frames: from, to (milliseconds) and
    // samples per second; what is not given is the window's default.
    std::optional<long long> videoStartMs;
    std::optional<long long> videoEndMs;
    std::optional<int> videoFps;
    std::optional<int> webpQuality;  // a WebP's many-coloured frames; 100: all lossless
    // How the GIF is coded; for a project too, as -o is.
    std::optional<int> colours;
    std::optional<GifDither> dither;
    std::optional<int> ditherStrength;  // with diffuse=PERCENT
    std::optional<int> lossy;
    std::optional<GifQuality> quality;
    bool wholeFrames = false;
    std::optional<long long> maxBytes;
    std::optional<std::vector<SizeLever>> levers;
    bool estimate = false;  // print the expected size and write nothing
    bool transparent = false;
    bool quiet = false;
    bool strict = false;  // a picture read only in part fails the command
};

// Reads the line; --help, --version and malformed lines are answered here
// (on standard output for the first two, standard error otherwise).
CliOptions ReadCliLine(int argc, char** argv);

// "WxH" (also "WXH"), each side 0..65535, not both 0.
std::optional<wxSize> ParseCanvasSize(const wxString& text);
// "WxH+X+Y" as ImageMagick writes geometry: sides 1..65535, offsets 0..65535.
std::optional<wxRect> ParseCropGeometry(const wxString& text);
// Seconds as a video position: a decimal 0 or more (at most 3 decimals kept),
// in milliseconds.
std::optional<long long> ParseSeconds(const wxString& text);
// A size in bytes, or with K, M or G (powers of 1024; "KB", "KiB" and "MiB"
// alike), fractions allowed: "1M", "1.5M", "300K", "100000". At least 1.
std::optional<long long> ParseByteSize(const wxString& text);
// "lossy,colours,scale,fps" in any order, each at most once ("colors" too).
std::optional<std::vector<SizeLever>> ParseLevers(const wxString& text);
// "none", "ordered", "diffuse" or "diffuse=PERCENT" (0..100).
bool ParseDither(const wxString& text, GifDither& dither, std::optional<int>& strength);
// Applies the GIF coding options the line gives to the document's settings.
void ApplyOutputOptions(const CliOptions& options, Document& document);

// "forever" (0), or a number of passes 1..65535.
std::optional<int> ParseLoopCount(const wxString& text);
