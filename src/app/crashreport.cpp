#include "app/crashreport.h"

#include "app/crashfacts.h"
#include "base/platform.h"

#include <wx/debugrpt.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/xml/xml.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char kTimestampName[] = "timestamp.my";

wxString Hex(unsigned long value) { return wxString::Format("%08lx", value); }

wxXmlNode* Element(const char* name) { return new wxXmlNode(wxXML_ELEMENT_NODE, name); }

wxXmlNode* ModulesNode(const std::vector<CrashModule>& modules) {
    wxXmlNode* node = Element("modules");
    for (const CrashModule& module : modules) {
        wxXmlNode* child = Element("module");
        child->AddAttribute("path", wxString::FromUTF8(module.path));
        child->AddAttribute("address", Hex(module.start));
        child->AddAttribute("size", Hex(module.size));
        node->AddChild(child);
    }
    return node;
}

wxXmlNode* SignalNode(int signal) {
    wxXmlNode* node = Element("context");
    node->AddAttribute("signal", wxString::Format("%d", signal));
    const char* name = sigabbrev_np(signal);
    node->AddAttribute("name", wxString::FromUTF8(name ? name : ""));
    return node;
}

wxXmlNode* StackNode(const std::vector<CrashFrame>& stack) {
    wxXmlNode* node = Element("stack");
    for (size_t level = 0; level < stack.size(); ++level) {
        const CrashFrame& frame = stack[level];
        wxXmlNode* child = Element("frame");
        child->AddAttribute("level", wxString::Format("%zu", level));
        if (!frame.function.empty()) {
            child->AddAttribute("function", wxString::FromUTF8(frame.function));
            child->AddAttribute("offset", Hex(frame.offset));
        }
        child->AddAttribute("address", Hex(frame.address));
        child->AddAttribute("module", wxString::FromUTF8(frame.module));
        node->AddChild(child);
    }
    return node;
}

// The toolkit's report with the context of the crashed process, read from the
// facts, in place of the reporter's own.
class FactsReport : public wxDebugReportCompress {
public:
    explicit FactsReport(const CrashFacts& facts) : m_facts(facts) {}

    bool AddContext(Context) override {
        wxXmlDocument document;
        wxXmlNode* root = Element("report");
        document.SetRoot(root);
        root->AddAttribute("version", "1.0");
        root->AddAttribute("kind", "exception");
        wxXmlNode* system = Element("system");
        if (DoAddSystemInfo(system))
            root->AddChild(system);
        else
            delete system;
        root->AddChild(ModulesNode(m_facts.modules));
        root->AddChild(SignalNode(m_facts.signal));
        root->AddChild(StackNode(m_facts.stack));
        const wxFileName file(GetDirectory(), GetReportName(), "xml");
        if (!document.Save(file.GetFullPath())) return false;
        AddFile(file.GetFullName(), "process context description");
        return true;
    }

private:
    const CrashFacts& m_facts;
};

void WriteTimestampFile(const wxString& path, const wxDateTime& when) {
    wxFFile file(path, "w");
    if (!file.IsOpened()) return;
    file.Write(CrashTimestamp(when), wxConvAuto());
    file.Close();
}

void TellUser(const wxString& message) {
    std::fputs(message.utf8_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    wxMessageBox(message, wxMessageBoxCaptionStr, wxOK | wxCENTRE);
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

void CreateCrashReport(const CrashFacts& facts) {
    auto report = std::make_unique<FactsReport>(facts);
    const wxString folder = report->GetDirectory();
    // The toolkit could not create its folder: a relative path would put the
    // files into the current folder, so there is nothing to report.
    if (folder.empty()) return;

    report->AddAll(wxDebugReport::Context_Exception);
    WriteTimestampFile(wxFileName(folder, kTimestampName).GetFullPath(), wxDateTime(facts.time));
    report->SetCompressedFileDirectory(folder);
    report->AddFile(kTimestampName, "timestamp of this report");

    const wxString message = CrashReportMessage(folder);
    if (!report->Process()) return;
    TellUser(message);
    ExploreFolder(folder);
    // Keeps the folder, archive included, on disk when the report goes away.
    report->Reset();
}
