// The Help menu: the web pages it opens, the About dialog, and the update
// check against a server on the loopback interface.
#include "base/folders.h"
#include "support/local_http.h"
#include "support/main_window.h"
#include "support/test_support.h"
#include "update/domainoption.h"
#include "update/updatecheck.h"

#include <wx/hyperlink.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include <memory>

namespace {

using lwtest::ClickMenu;

wxString Tr(const char* id) { return wxGetTranslation(id); }
wxString U8(const char* text) { return wxString::FromUTF8(text); }

const char* const kHelp = "https://help.example.com/loopwright?page=1&lang=en";
const char* const kSupport = "https://support.example.com/loopwright";
const char* const kHome = "https://www.example.com/loopwright/";

std::string UpdateDocument(const std::string& version,
                           const std::string& product = "Marvolent Loopwright") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<updates>\n  <product name=\"" +
           product + "\" version=\"" + version + "\"/>\n</updates>\n";
}

// What the About dialog showed while it was open.
struct AboutSeen {
    int shown = 0;
    wxString title, version, notice, linkLabel, linkUrl;
    wxSize size;
};

class ExpectAbout : public wxExpectModalBase<wxDialog, ExpectAbout> {
public:
    explicit ExpectAbout(AboutSeen& seen) : m_seen(&seen) {}

protected:
    int OnInvoked(wxDialog* dialog) const override {
        auto text = [dialog](const char* name) {
            auto* control = wxDynamicCast(dialog->FindWindow(XRCID(name)), wxStaticText);
            return control ? control->GetLabel() : wxString("<missing>");
        };
        ++m_seen->shown;
        m_seen->title = dialog->GetTitle();
        m_seen->version = text("m_static_version_name");
        m_seen->notice = text("m_static_information");
        if (auto* link = wxDynamicCast(dialog->FindWindow(XRCID("m_hyperlink")), wxHyperlinkCtrl)) {
            m_seen->linkLabel = link->GetLabel();
            m_seen->linkUrl = link->GetURL();
        }
        m_seen->size = dialog->GetSize();
        return wxID_OK;
    }

private:
    AboutSeen* m_seen;
};

// The text selected in the dialog that shows a web address.
class ExpectAddress : public wxExpectModalBase<wxDialog, ExpectAddress> {
public:
    explicit ExpectAddress(wxString& text) : m_text(&text) {}

protected:
    int OnInvoked(wxDialog* dialog) const override {
        for (wxWindow* child : dialog->GetChildren())
            if (auto* field = dynamic_cast<wxTextCtrl*>(child)) *m_text = field->GetStringSelection();
        return wxID_OK;
    }

private:
    wxString* m_text;
};

// What a message box or message dialog said.
struct MessageSeen {
    int shown = 0;
    wxString message, caption;
    long style = 0;
    wxWindow* parent = nullptr;
};

class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    ExpectMessage(MessageSeen& seen, int answer) : m_seen(&seen), m_answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        ++m_seen->shown;
        m_seen->message = dialog->GetMessage();
        m_seen->caption = dialog->GetCaption();
        m_seen->style = dialog->GetMessageDialogStyle();
        m_seen->parent = dialog->GetParent();
        return m_answer;
    }

private:
    MessageSeen* m_seen;
    int m_answer;
};

class HelpMenu : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLanguageFile();
        UseOptions("http://127.0.0.1:1/none");
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        lwtest::CloseMainWindow(frame);
        SetDomainOption(nullptr);
        RemoveLanguageFile();
    }
    static void RemoveLanguageFile() {
        if (wxFileExists(GetLanguageFilePath())) wxRemoveFile(GetLanguageFilePath());
    }

    // An option document with our addresses; the update document is
    // updateBase followed by "-update.xml".
    void UseOptions(const std::string& updateBase) {
        const std::string path = lwtest::MakeTempDir("options") + "/option.cfg";
        lwtest::WriteFile(path, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<options><addresses><help><![CDATA[") +
                                    kHelp + "]]></help><forum>f</forum><support>" + kSupport +
                                    "</support><order>o</order><update>" + updateBase +
                                    "</update><home>" + kHome +
                                    "</home><contact>c</contact></addresses></options>\n");
        options = std::make_unique<DomainOption>(path);
        ASSERT_TRUE(options->ReadValues());
        SetDomainOption(options.get());
    }

    std::vector<wxString>& WebPages() { return lwtest::PromptsOf(frame).webPages; }

    void StartPreview() {
        lwtest::AppendFrame(frame, wxSize(20, 10), "h1.png");
        lwtest::AppendFrame(frame, wxSize(20, 10), "h2.png", *wxRED);
        ClickMenu(frame, "Animation", "Run animation");
        ASSERT_TRUE(frame->GetPreview().IsPlaying());
    }

    void ShowAbout(AboutSeen& seen, const wxString& menu = "Help", const wxString& item = "About") {
        wxTEST_DIALOG(ClickMenu(frame, menu, item), ExpectAbout(seen));
        EXPECT_EQ(seen.shown, 1);
    }

    // Chooses "Check for Update" and answers the message that follows.
    void CheckForUpdateAnswering(MessageSeen& seen, int answer, const wxString& menu = "Help",
                                 const wxString& item = "Check for Update") {
        wxTEST_DIALOG(
            {
                ClickMenu(frame, menu, item);
                // The result arrives through the window's event queue.
                lwtest::PumpUntil([&] { return seen.shown > 0; });
            },
            ExpectMessage(seen, answer));
    }

    std::unique_ptr<DomainOption> options;
    MainWindow* frame = nullptr;
};

TEST_F(HelpMenu, HelpAndSupportOpenTheirAddresses) {
    ClickMenu(frame, "Help", "Help");
    ClickMenu(frame, "Help", "Support");
    ClickMenu(frame, "Help", "Help");
    EXPECT_EQ(WebPages(), (std::vector<wxString>{kHelp, kSupport, kHelp}));
}

TEST_F(HelpMenu, WithoutABrowserTheAddressIsShownToCopy) {
    lwtest::PromptsOf(frame).browserStarts = false;
    wxString shown;
    wxTEST_DIALOG(ClickMenu(frame, "Help", "Help"), ExpectAddress(shown));
    EXPECT_EQ(shown, kHelp);  // selected, ready to copy
}

TEST_F(HelpMenu, TheWebPageOpensOnlyAfterThePreviewStopped) {
    StartPreview();
    std::vector<bool> playingWhenOpened;
    lwtest::PromptsOf(frame).onWebPage = [&](const wxString&) {
        playingWhenOpened.push_back(frame->GetPreview().IsPlaying() || frame->GetPreview().GetTimer().IsRunning());
    };
    ClickMenu(frame, "Help", "Help");
    ClickMenu(frame, "Animation", "Run animation");
    ASSERT_TRUE(frame->GetPreview().IsPlaying());
    ClickMenu(frame, "Help", "Support");
    EXPECT_EQ(playingWhenOpened, (std::vector<bool>{false, false}));
    EXPECT_EQ(frame->GetPreview().GetNextFrame(), 0);
    EXPECT_NE(lwtest::FindMenuItem(frame, "Animation", "Run animation"), nullptr);
}

TEST_F(HelpMenu, AboutShowsNameVersionNoticeAndHomePage) {
    StartPreview();
    AboutSeen seen;
    ShowAbout(seen);
    EXPECT_EQ(seen.title, "About");
    EXPECT_EQ(seen.version, "Marvolent Loopwright 1.0.80");
    // The licence the program is under, not a reservation of rights.
    EXPECT_EQ(seen.notice, "Copyright (C) 2026 Marvolent.\nFree software under the GNU General Public "
                           "License, version 3 or later. It comes with no warranty.");
    EXPECT_EQ(seen.linkLabel, kHome);
    EXPECT_EQ(seen.linkUrl, kHome);
    // The dialog grew to its texts.
    EXPECT_GT(seen.size.x, frame->GetTextExtent(seen.notice.AfterFirst('\n')).x);
    // About leaves the preview playing, and opens no page by itself.
    EXPECT_TRUE(frame->GetPreview().IsPlaying());
    EXPECT_TRUE(WebPages().empty());
}

TEST_F(HelpMenu, AboutInFrenchUsesTheFrenchNotice) {
    ClickMenu(frame, frame->GetMenuBar()->FindItem(80));
    const char* licence = "Free software under the GNU General Public License, version 3 or later. "
                          "It comes with no warranty.";
    ASSERT_NE(Tr(licence), licence);
    AboutSeen seen;
    ShowAbout(seen, Tr("Help"), Tr("About"));
    EXPECT_EQ(seen.title, Tr("About"));
    EXPECT_NE(seen.title, "About");
    EXPECT_EQ(seen.version, "Marvolent Loopwright 1.0.80");
    // The pieces in order: label, year, maker, licence.
    EXPECT_EQ(seen.notice, Tr("Copyright (C)") + " 2026 Marvolent.\n" + Tr(licence));
}

TEST_F(HelpMenu, WithoutAnOptionDocumentAddressesAreEmptyAndTheCheckDoesNothing) {
    SetDomainOption(nullptr);
    ClickMenu(frame, "Help", "Support");
    EXPECT_EQ(WebPages(), std::vector<wxString>{""});
    AboutSeen seen;
    ShowAbout(seen);
    EXPECT_EQ(seen.version, "Marvolent Loopwright 1.0.80");
    EXPECT_EQ(seen.linkUrl, "");
    // No message at all: an unexpected dialog would fail the test.
    StartPreview();
    ClickMenu(frame, "Help", "Check for Update");
    lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
}

TEST_F(HelpMenu, AnUnusableUpdateAddressShowsNothing) {
    for (const char* base : {"", "www.example.com/loopwright", "not an address"}) {
        UseOptions(base);
        ClickMenu(frame, "Help", "Check for Update");
        lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(WebPages().empty());
}

TEST_F(HelpMenu, ANewerVersionOffersTheHomePage) {
    lwtest::LocalHttpServer server(lwtest::HttpResponse(UpdateDocument("1.0.81")));
    UseOptions(server.Url("/loopwright"));
    StartPreview();
    MessageSeen seen;
    CheckForUpdateAnswering(seen, wxID_YES);
    EXPECT_FALSE(frame->GetPreview().IsPlaying());
    EXPECT_EQ(seen.message,
              "A new version of Marvolent Loopwright(1.0.81) is available. Click Yes to open "
              "download page.");
    EXPECT_EQ(seen.caption, "Marvolent Loopwright");
    EXPECT_TRUE(seen.style & wxYES_NO);
    EXPECT_EQ(seen.parent, frame);
    EXPECT_EQ(WebPages(), std::vector<wxString>{kHome});
    ASSERT_EQ(server.RequestLines().size(), 1u);
    EXPECT_EQ(server.RequestLines()[0].rfind("GET /loopwright-update.xml HTTP/1.", 0), 0u);

    // Answering No opens nothing.
    MessageSeen again;
    CheckForUpdateAnswering(again, wxID_NO);
    EXPECT_EQ(again.message, seen.message);
    EXPECT_EQ(WebPages().size(), 1u);
}

TEST_F(HelpMenu, TheSameOrAnOlderVersionIsTheLatest) {
    for (const char* version : {"1.0.80", "1.0.79", "0.9", "1.0.080"}) {
        lwtest::LocalHttpServer server(lwtest::HttpResponse(UpdateDocument(version)));
        UseOptions(server.Url("/lw"));
        MessageSeen seen;
        CheckForUpdateAnswering(seen, wxID_OK);
        // It names the running version, whatever the server announced.
        EXPECT_EQ(seen.message, "This version of Marvolent Loopwright(1.0.80) is the latest version.")
            << version;
        EXPECT_EQ(seen.caption, "Marvolent Loopwright");
        EXPECT_FALSE(seen.style & wxYES_NO);
    }
    EXPECT_TRUE(WebPages().empty());
}

TEST_F(HelpMenu, BadAnswersFromTheServerAreAFailedCheck) {
    const std::string responses[] = {
        lwtest::HttpResponse("<updates><product name=\"Marvolent Loopwright\""),
        lwtest::HttpResponse(UpdateDocument("")),
        lwtest::HttpResponse(UpdateDocument("1.0.81-beta")),
        lwtest::HttpResponse(UpdateDocument("1.0.81", "marvolent loopwright")),
        lwtest::HttpResponse(UpdateDocument("1.0.81"), "500 Internal Server Error"),
    };
    for (const std::string& response : responses) {
        lwtest::LocalHttpServer server(response);
        UseOptions(server.Url("/lw"));
        MessageSeen seen;
        CheckForUpdateAnswering(seen, wxID_OK);
        EXPECT_EQ(seen.message, "Update failed! Please check if the network is available.")
            << response;
        EXPECT_EQ(seen.caption, "Marvolent Loopwright");
    }
}

TEST_F(HelpMenu, NoServerIsAFailedCheckInTheInterfaceLanguage) {
    UseOptions("http://127.0.0.1:" + std::to_string(lwtest::ClosedLoopbackPort()) + "/lw");
    ClickMenu(frame, frame->GetMenuBar()->FindItem(80));
    MessageSeen seen;
    CheckForUpdateAnswering(seen, wxID_OK, Tr("Help"), Tr("Check for Update"));
    EXPECT_EQ(seen.message, U8("La recherche de mises à jour a échoué ! Vérifiez que le réseau "
                               "est disponible."));
    EXPECT_EQ(seen.caption, "Marvolent Loopwright");
}

TEST_F(HelpMenu, ASilentServerFailsAfterTenSecondsWhileTheWindowStaysUsable) {
    lwtest::LocalHttpServer server("");
    UseOptions(server.Url("/lw"));
    const wxString checking = U8("Checking for updates\u2026");
    using Clock = std::chrono::steady_clock;
    Clock::duration waited{};
    MessageSeen seen;
    wxTEST_DIALOG(
        {
            const Clock::time_point start = Clock::now();
            ClickMenu(frame, "Help", "Check for Update");
            EXPECT_TRUE(frame->IsEnabled());
            EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), checking);
            ASSERT_TRUE(lwtest::PumpUntil([&] { return !server.RequestLines().empty(); }));
            // Meanwhile the window works, and a second check is not started.
            ClickMenu(frame, "Help", "Check for Update");
            StartPreview();
            ClickMenu(frame, "Help", "Help");
            EXPECT_EQ(WebPages(), std::vector<wxString>{kHelp});
            lwtest::PumpUntil([&] { return seen.shown > 0; }, std::chrono::seconds(20));
            waited = Clock::now() - start;
        },
        ExpectMessage(seen, wxID_OK));
    EXPECT_EQ(seen.message, "Update failed! Please check if the network is available.");
    EXPECT_EQ(seen.parent, frame);
    EXPECT_EQ(server.RequestLines().size(), 1u);
    // The program's own bound, not one a test chose.
    EXPECT_GE(waited, std::chrono::milliseconds(9500));
    EXPECT_LT(waited, std::chrono::seconds(15));
    EXPECT_NE(frame->GetStatusBar()->GetStatusText(0), checking);

    // Over, a new check may start.
    MessageSeen again;
    UseOptions("http://127.0.0.1:" + std::to_string(lwtest::ClosedLoopbackPort()) + "/lw");
    CheckForUpdateAnswering(again, wxID_OK);
    EXPECT_EQ(again.message, seen.message);
}

TEST_F(HelpMenu, AWindowClosedDuringTheCheckGetsNoResult) {
    lwtest::LocalHttpServer server("");
    UseOptions(server.Url("/lw"));
    ClickMenu(frame, "Help", "Check for Update");
    ASSERT_TRUE(lwtest::PumpUntil([&] { return !server.RequestLines().empty(); }));
    const auto start = std::chrono::steady_clock::now();
    lwtest::CloseMainWindow(frame);
    frame = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    // No message comes: an unexpected dialog would fail the test.
    lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    frame = lwtest::OpenMainWindow();
}

}  // namespace
