#include "base/commandline.h"

#include "base/filenames.h"
#include "base/folders.h"

#include <wx/cmdline.h>
#include <wx/msgout.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

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

}  // namespace

wxString CommandLineArgument(const char* argument) { return FileNameFromBytes(argument); }

int ParseArguments(wxCmdLineParser& parser, int argc, char** argv) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < argc; ++i) texts.push_back(CommandLineArgument(argv[i]).ToStdWstring());
    std::vector<wxChar*> arguments;
    for (std::wstring& text : texts) arguments.push_back(&text[0]);
    arguments.push_back(nullptr);
    parser.SetCmdLine(argc, arguments.data());
    // Without an application object the parser has nowhere to write its
    // error; the error belongs on standard error.
    wxMessageOutputStderr errorOutput;
    wxMessageOutput* previous = wxMessageOutput::Set(&errorOutput);
    const int parsed = parser.Parse(false);
    wxMessageOutput::Set(previous);
    return parsed;
}

CommandLine ReadCommandLine(int argc, char** argv) {
    wxCmdLineParser parser;
    DescribeCommandLine(parser);
    const int parsed = ParseArguments(parser, argc, argv);

    CommandLine line;
    if (parsed == -1) {
        std::cout << parser.GetUsageString().utf8_str() << std::flush;
        line.exitCode = 0;
    } else if (parsed != 0) {
        std::cerr << parser.GetUsageString().utf8_str() << std::flush;
        line.exitCode = 2;
    } else if (parser.Found("version")) {
        std::cout << (GetProductName() + " " + GetProductVersion()).utf8_str() << std::endl;
        line.exitCode = 0;
    }
    for (size_t i = 0; i < parser.GetParamCount(); ++i) line.files.Add(parser.GetParam(i));
    return line;
}
