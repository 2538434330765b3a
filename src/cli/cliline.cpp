#include "cli/cliline.h"

#include "base/commandline.h"
#include "base/filenames.h"
#include "base/folders.h"
#include "document/timing.h"
#include "files/samefile.h"
#include "formats/animationexport.h"

#include <wx/cmdline.h>
#include <wx/filefn.h>
#include <wx/msgout.h>
#include <wx/arrstr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr long kMaxNumber = 65535;  // what a GIF can store for a side, a delay or a loop count
constexpr long kMaxVideoFps = 100;  // a GIF shows at most 100 frames a second

// Scripts parse this output and read it in the logs of other machines, so
// these texts stay in English, like the program's own command line.
void DescribeCliLine(wxCmdLineParser& parser) {
    static const wxCmdLineEntryDesc entries[] = {
        {wxCMD_LINE_SWITCH, "h", "help", "show this help and exit", wxCMD_LINE_VAL_NONE,
         wxCMD_LINE_OPTION_HELP},
        {wxCMD_LINE_SWITCH, nullptr, "version", "show the version and exit", wxCMD_LINE_VAL_NONE,
         0},
        {wxCMD_LINE_OPTION, "o", "output",
         "the file to write, .gif, .webp or .png/.apng by its name (for a project: default its own)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "delay",
         "hundredths of a second per frame (default: a GIF's own delays, else 10)",
         wxCMD_LINE_VAL_NUMBER, 0},
        {wxCMD_LINE_OPTION, nullptr, "size",
         "canvas WxH (default: the largest frame; one side 0 keeps the aspect)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "crop",
         "keep WxH+X+Y of the pictures (in pixels of the largest frame)", wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "rotate", "turn every frame 90, 180 or 270 degrees clockwise",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "flip", "mirror every frame: h (left to right), v (upside down) or hv",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "speed", "play PERCENT as fast (10 to 1000; delays never below 2)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "reduce", "keep 1 of every N frames (2 to 10), their time kept",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "dedupe",
         "drop frames equal to the one before (=PERCENT: differing at most that much on average)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_SWITCH, nullptr, "yoyo", "play forth and back: append the frames in reverse",
         wxCMD_LINE_VAL_NONE, 0},
        {wxCMD_LINE_OPTION, nullptr, "caption", "write TEXT on every frame (white, outlined in black)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "caption-at", "where the caption goes: top, center or bottom (default)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "loop", "passes the GIF plays, or \"forever\" (default)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "start", "a video's frames from SECONDS (default: its start)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "end", "a video's frames up to SECONDS (default: its end)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "fps",
         "frames taken per second of a video, 1 to 100 (default: its own rate, at most 25)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "webp-quality",
         "0 to 100 for a WebP's frames of many colours (default 80; 100 lossless); "
         "frames of at most 256 colours are always lossless",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "colours", "at most N colours per palette, 2 to 256 (default 256)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "colors", "the same as --colours", wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "dither",
         "none, ordered or diffuse[=PERCENT] for frames of more colours (default diffuse=50)",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "lossy", "0 (exact, default) to 100: smaller files, a little noise",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "quality", "fast, standard (default) or best palettes",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_SWITCH, nullptr, "whole-frames", "store every frame whole, not only what changed",
         wxCMD_LINE_VAL_NONE, 0},
        {wxCMD_LINE_OPTION, nullptr, "max-size",
         "keep the GIF under SIZE bytes (K, M, G: powers of 1024), giving up what --levers allow",
         wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_OPTION, nullptr, "levers",
         "what --max-size may change, in order (default lossy,colours,scale,fps)", wxCMD_LINE_VAL_STRING, 0},
        {wxCMD_LINE_SWITCH, nullptr, "estimate", "print the GIF's expected size in bytes and write nothing",
         wxCMD_LINE_VAL_NONE, 0},
        {wxCMD_LINE_SWITCH, nullptr, "transparent", "keep transparent pixels transparent",
         wxCMD_LINE_VAL_NONE, 0},
        {wxCMD_LINE_SWITCH, "q", "quiet", "print no progress and no warnings", wxCMD_LINE_VAL_NONE,
         0},
        {wxCMD_LINE_SWITCH, nullptr, "strict", "a damaged picture read only in part is an error (exit 1)",
         wxCMD_LINE_VAL_NONE, 0},
        {wxCMD_LINE_PARAM, nullptr, nullptr, "PICTURE|VIDEO... | PROJECT.xml", wxCMD_LINE_VAL_STRING,
         wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE},
        {wxCMD_LINE_USAGE_TEXT, nullptr, nullptr,
         "\nPictures (PNG, JPEG, BMP, GIF, WebP) become frames in the order given; a GIF\n"
         "gives all its frames. Videos (MP4, WebM, MKV, MOV, animated WebP, APNG) give\n"
         "the frames --start, --end and --fps choose, each shown as long as it plays.\n"
         "A project file (.xml) is exported as the program exports it.\n"
         "--crop, --rotate and --flip apply in that order, then --speed, --reduce,\n"
         "--dedupe and --yoyo, then --size resizes, and --caption is written over.\n"
         "These and --delay, --loop and --transparent apply to pictures only.\n"
         "Exit status: 0 written, 1 input problem, 2 usage, 3 write failure.",
         wxCMD_LINE_VAL_NONE, 0},
        wxCMD_LINE_DESC_END};
    parser.SetDesc(entries);
}

std::optional<int> NumberIn(const wxString& text, long low, long high) {
    long value = 0;
    if (!text.ToLong(&value) || value < low || value > high) return std::nullopt;
    return static_cast<int>(value);
}

// "--dedupe" alone asks for identical frames: the parser wants a value.
std::vector<std::string> WithDedupeValue(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    for (size_t i = 1; i < arguments.size() && arguments[i] != "--"; ++i)
        if (arguments[i] == "--dedupe") arguments[i] = "--dedupe=0";
    return arguments;
}

bool IsProjectName(const wxString& path) { return path.Lower().EndsWith(".xml"); }

// The options of how the GIF is coded; the usage problem, or empty.
wxString ReadCodingOptions(const wxCmdLineParser& parser, CliOptions& options) {
    wxString text;
    if (parser.Found("colours", &text) || parser.Found("colors", &text))
        if (!(options.colours = NumberIn(text, kMinGifColours, kMaxGifColours)))
            return "--colours must be 2 to 256: " + text;
    if (parser.Found("dither", &text)) {
        GifDither dither = GifDither::Diffuse;
        if (!ParseDither(text, dither, options.ditherStrength))
            return "--dither must be none, ordered, diffuse or diffuse=PERCENT (0 to 100): " + text;
        options.dither = dither;
    }
    if (parser.Found("lossy", &text) && !(options.lossy = NumberIn(text, 0, kMaxLossy)))
        return "--lossy must be 0 to 100: " + text;
    if (parser.Found("quality", &text)) {
        if (text == "fast") options.quality = GifQuality::Fast;
        else if (text == "standard") options.quality = GifQuality::Standard;
        else if (text == "best") options.quality = GifQuality::Best;
        else return "--quality must be fast, standard or best: " + text;
    }
    options.wholeFrames = parser.Found("whole-frames");
    if (parser.Found("max-size", &text) && !(options.maxBytes = ParseByteSize(text)))
        return "--max-size must be a size in bytes, or with K, M or G (powers of 1024): " + text;
    if (parser.Found("levers", &text)) {
        if (!(options.levers = ParseLevers(text)))
            return "--levers must name lossy, colours, scale or fps, each at most once: " + text;
        if (!options.maxBytes) return "--levers needs a --max-size";
    }
    if (options.estimate && options.maxBytes) return "--estimate and --max-size do not go together";
    return wxString();
}

// The usage problem of a parsed line, or empty; fills options as it goes.
wxString ReadOptions(const wxCmdLineParser& parser, CliOptions& options) {
    for (size_t i = 0; i < parser.GetParamCount(); ++i) options.inputs.Add(parser.GetParam(i));
    if (options.inputs.empty()) return "no picture or project given";
    options.project = options.inputs.size() == 1 && IsProjectName(options.inputs[0]);
    for (const wxString& input : options.inputs)
        if (IsProjectName(input) && !options.project)
            return "a project is exported on its own: " + input;
    parser.Found("output", &options.output);
    options.estimate = parser.Found("estimate");
    if (parser.Found("output") && options.output.empty()) return "-o needs a file name";
    if (!options.project && options.output.empty() && !options.estimate)
        return "pictures need -o OUT.gif (or .webp, .png)";
    // A name ending in "/" would give a hidden ".gif" inside that folder.
    if (options.output.EndsWith("/")) return "-o names a folder, not a file: " + options.output;
    if (wxDirExists(options.output)) return "-o names a folder, not a file: " + options.output;
    // Writing the GIF over an input would destroy it: refused before anything is read.
    for (const wxString& input : options.inputs)
        if (IsSameFile(options.output, input)) return "-o names one of the inputs: " + input;
    options.transparent = parser.Found("transparent");
    options.quiet = parser.Found("quiet");
    options.strict = parser.Found("strict");
    long delay = 0;
    if (parser.Found("delay", &delay)) {
        if (delay < 0 || delay > kMaxNumber) return "--delay must be 0 to 65535 hundredths";
        options.delay = static_cast<int>(delay);
    }
    wxString text;
    if (parser.Found("size", &text) && !(options.size = ParseCanvasSize(text)))
        return "--size must be WxH, each side 0 to 65535, not both 0: " + text;
    if (parser.Found("loop", &text) && !(options.loopCount = ParseLoopCount(text)))
        return "--loop must be \"forever\" or 1 to 65535 passes: " + text;
    if (parser.Found("crop", &text) && !(options.crop = ParseCropGeometry(text)))
        return "--crop must be WxH+X+Y, sides 1 to 65535 and offsets 0 or more: " + text;
    if (parser.Found("rotate", &text)) {
        long degrees = 0;
        if (!text.ToLong(&degrees) || (degrees != 90 && degrees != 180 && degrees != 270))
            return "--rotate must be 90, 180 or 270: " + text;
        options.quarterTurns = static_cast<int>(degrees / 90);
    }
    if (parser.Found("flip", &text)) {
        options.flipHorizontally = text == "h" || text == "hv" || text == "vh";
        options.flipVertically = text == "v" || text == "hv" || text == "vh";
        if (!options.flipHorizontally && !options.flipVertically) return "--flip must be h, v or hv: " + text;
    }
    if (parser.Found("speed", &text) && !(options.speedPercent = NumberIn(text, kMinSpeedPercent, kMaxSpeedPercent)))
        return "--speed must be a percentage from 10 to 1000: " + text;
    if (parser.Found("reduce", &text) && !(options.reduceStep = NumberIn(text, kMinReduceStep, kMaxReduceStep)))
        return "--reduce must be 2 to 10 (keep 1 of that many frames): " + text;
    if (parser.Found("dedupe", &text)) {
        double percent = -1;
        if (!text.ToCDouble(&percent) || percent < 0 || percent > 100)
            return "--dedupe takes a mean difference of 0 to 100 percent: " + text;
        options.dedupePercent = percent;
    }
    options.yoyo = parser.Found("yoyo");
    if (parser.Found("start", &text) && !(options.videoStartMs = ParseSeconds(text)))
        return "--start must be a number of seconds, 0 or more: " + text;
    if (parser.Found("end", &text) && !(options.videoEndMs = ParseSeconds(text)))
        return "--end must be a number of seconds, 0 or more: " + text;
    if (options.videoEndMs && *options.videoEndMs <= options.videoStartMs.value_or(0))
        return "--end must come after --start: " + text;
    if (parser.Found("fps", &text) && !(options.videoFps = NumberIn(text, 1, kMaxVideoFps)))
        return "--fps must be 1 to 100 frames a second: " + text;
    if (parser.Found("webp-quality", &text) && !(options.webpQuality = NumberIn(text, 0, 100)))
        return "--webp-quality must be 0 to 100: " + text;
    const wxString problem = ReadCodingOptions(parser, options);
    if (!problem.empty()) return problem;
    if (options.maxBytes && !options.output.empty() && AnimationFormatOfPath(options.output) != AnimationFormat::Gif)
        return "--max-size applies to GIF files only: " + options.output;
    if (parser.Found("caption", &text)) options.caption = text;
    if (parser.Found("caption-at", &text)) {
        if (!options.caption) return "--caption-at needs a --caption";
        if (text == "top") options.captionAnchor = CaptionAnchor::Top;
        else if (text == "center" || text == "centre") options.captionAnchor = CaptionAnchor::Center;
        else if (text != "bottom") return "--caption-at must be top, center or bottom: " + text;
    }
    const bool pictureOptions = options.delay || options.size || options.loopCount || options.transparent ||
                                options.crop || options.quarterTurns || options.flipHorizontally ||
                                options.flipVertically || options.speedPercent || options.reduceStep ||
                                options.dedupePercent || options.yoyo || options.caption ||
                                options.videoStartMs || options.videoEndMs || options.videoFps;
    if (options.project && pictureOptions)
        return "--delay, --size, --crop, --rotate, --flip, --speed, --reduce, --dedupe, --yoyo, --caption, --loop, "
               "--transparent, --start, --end and --fps apply to pictures and videos, not to a project";
    return wxString();
}

std::optional<long> SideOf(const wxString& text) {
    long value = -1;
    if (text.empty() || !text.ToLong(&value) || value < 0 || value > kMaxNumber)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<wxSize> ParseCanvasSize(const wxString& text) {
    const int cross = text.Lower().Find('x');
    if (cross == wxNOT_FOUND) return std::nullopt;
    const std::optional<long> width = SideOf(text.Left(cross));
    const std::optional<long> height = SideOf(text.Mid(cross + 1));
    if (!width || !height || (*width == 0 && *height == 0)) return std::nullopt;
    return wxSize(static_cast<int>(*width), static_cast<int>(*height));
}

std::optional<wxRect> ParseCropGeometry(const wxString& text) {
    const std::optional<wxSize> size = ParseCanvasSize(text.BeforeFirst('+'));
    const wxString offsets = text.AfterFirst('+');
    const std::optional<long> x = SideOf(offsets.BeforeFirst('+'));
    const std::optional<long> y = SideOf(offsets.AfterFirst('+'));
    if (!size || size->x == 0 || size->y == 0 || !x || !y || !text.Contains("+")) return std::nullopt;
    return wxRect(static_cast<int>(*x), static_cast<int>(*y), size->x, size->y);
}

std::optional<long long> ParseSeconds(const wxString& text) {
    double seconds = -1;
    // A day of video is more than anyone turns into frames; the bound keeps the product in range.
    if (!text.ToCDouble(&seconds) || !(seconds >= 0) || seconds > 86400.0) return std::nullopt;
    return static_cast<long long>(seconds * 1000.0 + 0.5);
}

std::optional<long long> ParseByteSize(const wxString& text) {
    wxString number = text.Strip(wxString::both);
    double unit = 1;
    const wxString upper = number.Upper();
    for (const char* suffix : {"IB", "B"})
        if (upper.EndsWith(suffix) && upper.length() > strlen(suffix)) {
            number.RemoveLast(strlen(suffix));
            break;
        }
    if (!number.empty()) {
        const wxUniChar last = wxToupper(number.Last());
        const int power = last == 'K' ? 1 : last == 'M' ? 2 : last == 'G' ? 3 : 0;
        if (power > 0) {
            unit = std::pow(1024.0, power);
            number.RemoveLast();
        }
    }
    // Only digits and one point: no signs, exponents or spaces inside.
    if (number.empty() || number.find_first_not_of("0123456789.") != wxString::npos) return std::nullopt;
    double value = 0;
    if (!number.ToCDouble(&value)) return std::nullopt;
    const double bytes = value * unit;
    if (!(bytes >= 1) || bytes > 1e15) return std::nullopt;
    return static_cast<long long>(bytes);
}

std::optional<std::vector<SizeLever>> ParseLevers(const wxString& text) {
    std::vector<SizeLever> levers;
    for (const wxString& name : wxSplit(text, ',', '\0')) {
        SizeLever lever;
        if (name == "lossy") lever = SizeLever::Lossy;
        else if (name == "colours" || name == "colors") lever = SizeLever::Colours;
        else if (name == "scale") lever = SizeLever::Scale;
        else if (name == "fps") lever = SizeLever::FrameRate;
        else return std::nullopt;
        if (std::find(levers.begin(), levers.end(), lever) != levers.end()) return std::nullopt;
        levers.push_back(lever);
    }
    if (levers.empty()) return std::nullopt;
    return levers;
}

bool ParseDither(const wxString& text, GifDither& dither, std::optional<int>& strength) {
    if (text == "none") dither = GifDither::None;
    else if (text == "ordered") dither = GifDither::Ordered;
    else if (text == "diffuse") dither = GifDither::Diffuse;
    else if (text.StartsWith("diffuse=")) {
        dither = GifDither::Diffuse;
        wxString percent = text.Mid(8);
        if (percent.EndsWith("%")) percent.RemoveLast();
        strength = NumberIn(percent, 0, 100);
        return strength.has_value();
    } else {
        return false;
    }
    return true;
}

void ApplyOutputOptions(const CliOptions& options, Document& document) {
    GifSettings settings = document.Settings();
    settings.webpQuality = options.webpQuality.value_or(settings.webpQuality);
    if (options.quality) {
        // The strength the old quality gave by default follows the new one.
        if (!options.dither && settings.ditherStrength == DefaultDitherStrength(settings.quality))
            settings.ditherStrength = DefaultDitherStrength(*options.quality);
        settings.quality = *options.quality;
    }
    settings.colours = options.colours.value_or(settings.colours);
    settings.dither = options.dither.value_or(settings.dither);
    settings.ditherStrength = options.ditherStrength.value_or(settings.ditherStrength);
    settings.lossy = options.lossy.value_or(settings.lossy);
    if (options.wholeFrames) settings.optimise = false;
    if (options.maxBytes) settings.maxBytes = *options.maxBytes;
    if (options.levers) settings.levers = *options.levers;
    document.SetSettings(settings);
}

std::optional<int> ParseLoopCount(const wxString& text) {
    if (text == "forever") return 0;
    long passes = 0;
    if (!text.ToLong(&passes) || passes < 1 || passes > kMaxNumber) return std::nullopt;
    return static_cast<int>(passes);
}

CliOptions ReadCliLine(int argc, char** argv) {
    wxCmdLineParser parser;
    DescribeCliLine(parser);
    std::vector<std::string> arguments = WithDedupeValue(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(&argument[0]);
    const int parsed = ParseArguments(parser, argc, pointers.data());

    CliOptions options;
    if (parsed == -1) {
        // The parser marks every parameter as repeatable; only pictures are.
        wxString usage = parser.GetUsageString();
        usage.Replace("| PROJECT.xml...]", "| PROJECT.xml]", false);
        std::cout << usage.utf8_str() << std::flush;
        options.exitCode = kCliWritten;
        return options;
    }
    if (parsed == 0 && parser.Found("version")) {
        std::cout << "loopwright-cli (" << (GetProductName() + " " + GetProductVersion()).utf8_str()
                  << ")" << std::endl;
        options.exitCode = kCliWritten;
        return options;
    }
    const wxString problem = parsed == 0 ? ReadOptions(parser, options) : wxString();
    if (parsed != 0 || !problem.empty()) {
        // One line says what is wrong; the whole usage would bury it.
        if (!problem.empty()) std::cerr << "loopwright-cli: " << SystemBytes(problem) << "\n";
        std::cerr << "Try 'loopwright-cli --help'." << std::endl;
        options.exitCode = kCliUsage;
    }
    return options;
}
