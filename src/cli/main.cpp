// Entry point of loopwright-cli: makes a GIF from pictures or a project
// without a window. A console application: the toolkit's GUI is never
// initialised, so no display is needed.
#include "cli/clidocument.h"
#include "cli/cliexport.h"
#include "cli/cliline.h"

#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <iostream>

int main(int argc, char** argv) {
    wxDisableAsserts();
    const CliOptions options = ReadCliLine(argc, argv);
    if (options.exitCode >= 0) return options.exitCode;
    wxInitializer toolkit;
    if (!toolkit.IsOk()) {
        std::cerr << "loopwright-cli: the toolkit could not be initialised" << std::endl;
        return kCliWriteFailure;
    }
    wxLog::SetLogLevel(wxLOG_Warning);
    wxInitAllImageHandlers();

    CliDocument input;
    if (options.project)
        BuildProjectDocument(options, input);
    else
        BuildPictureDocument(options, input);
    if (!options.quiet)
        for (const wxString& warning : input.warnings)
            std::cerr << "loopwright-cli: " << warning.utf8_str() << "\n";
    if (!input.problem.empty()) {
        std::cerr << "loopwright-cli: " << input.problem.utf8_str() << std::endl;
        return input.usage ? kCliUsage : kCliInputProblem;
    }
    return ExportCliDocument(input.document, options.quiet);
}
