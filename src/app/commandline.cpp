#include "app/commandline.h"

#include "app/folders.h"

#include <wx/cmdline.h>
#include <wx/msgout.h>

#include <iostream>

// Printed before any catalog is loaded (the language is chosen in the
// window), so these texts stay in English, like the toolkit's own usage.
void DescribeCommandLine(wxCmdLineParser& parser) {
    static const wxCmdLineEntryDesc entries[] = {
        {wxCMD_LINE_SWITCH, "h", "help", "show this help and exit", wxCMD_LINE_VAL_NONE,
         wxCMD_LINE_OPTION_HELP},
        {wxCMD_LINE_SWITCH, nullptr, "version", "show the version and exit", wxCMD_LINE_VAL_NONE,
         0},
        {wxCMD_LINE_PARAM, nullptr, nullptr, "FILE", wxCMD_LINE_VAL_STRING,
         wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE},
        {wxCMD_LINE_USAGE_TEXT, nullptr, nullptr,
         "\nEach FILE is a picture (PNG, JPEG, BMP, GIF) to add as frames, in the order\n"
         "given, or a project file (.xml) to open.",
         wxCMD_LINE_VAL_NONE, 0},
        wxCMD_LINE_DESC_END};
    parser.SetDesc(entries);
}

int HandleCommandLineBeforeStart(int argc, char** argv) {
    // Without an application object the parser has nowhere to write its
    // error; the error belongs on standard error.
    wxMessageOutputStderr errorOutput;
    wxMessageOutput* previous = wxMessageOutput::Set(&errorOutput);
    wxCmdLineParser parser(argc, argv);
    DescribeCommandLine(parser);
    const int parsed = parser.Parse(false);
    wxMessageOutput::Set(previous);

    if (parsed == -1) {
        std::cout << parser.GetUsageString().utf8_str() << std::flush;
        return 0;
    }
    if (parsed != 0) {
        std::cerr << parser.GetUsageString().utf8_str() << std::flush;
        return 2;
    }
    if (parser.Found("version")) {
        std::cout << (GetProductName() + " " + GetProductVersion()).utf8_str() << std::endl;
        return 0;
    }
    return -1;
}

wxArrayString CommandLineFiles(const wxCmdLineParser& parser) {
    wxArrayString files;
    for (size_t i = 0; i < parser.GetParamCount(); ++i) files.Add(parser.GetParam(i));
    return files;
}
