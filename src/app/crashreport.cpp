#include "app/crashreport.h"

#include "app/platform.h"

#include <wx/debugrpt.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include <cstdio>
#include <memory>

namespace {

const char kTimestampName[] = "timestamp.my";

void WriteTimestampFile(const wxString& path) {
    wxFFile file(path, "w");
    if (!file.IsOpened()) return;
    file.Write(CrashTimestamp(wxDateTime::Now()), wxConvAuto());
    file.Close();
}

// A message box shown off the main thread hangs the dying process instead of
// letting it end, so there the message goes to standard error.
void TellUser(const wxString& message) {
    if (wxThread::IsMain()) {
        wxMessageBox(message, wxMessageBoxCaptionStr, wxOK | wxCENTRE);
    } else {
        std::fputs(message.utf8_str(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

}  // namespace

wxString CrashReportMessage(const wxString& folder) {
    wxString message;
    message += _("Application have crashed due to some unknown reasons,\nPlease email the zip "
                 "crashing report file that is generated in \n%s\n to us.");
    message.Replace("%s", folder);
    return message;
}

wxString CrashTimestamp(const wxDateTime& when) {
    return when.FormatISODate() + " " + when.FormatISOTime();
}

void CreateCrashReport() {
    auto report = std::make_unique<wxDebugReportCompress>();
    const wxString folder = report->GetDirectory();
    // The toolkit could not create its folder: a relative path would put the
    // files into the current folder, so there is nothing to report.
    if (folder.empty()) return;

    report->AddAll(wxDebugReport::Context_Exception);
    WriteTimestampFile(wxFileName(folder, kTimestampName).GetFullPath());
    report->SetCompressedFileDirectory(folder);
    report->AddFile(kTimestampName, "timestamp of this report");

    const wxString message = CrashReportMessage(folder);
    if (!report->Process()) return;
    TellUser(message);
    ExploreFolder(folder);
    // Keeps the folder, archive included, on disk when the report goes away.
    report->Reset();
}
