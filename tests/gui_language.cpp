// The interface languages at run time: each of the seven codes makes its
// catalog active, and a switch from the menu puts the window into it.
#include "app/crashreport.h"
#include "base/folders.h"
#include "support/main_window.h"
#include "support/test_support.h"

#include <wx/fontutil.h>
#include <wx/settings.h>
#include <wx/log.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include <pango/pangocairo.h>

#include <memory>

namespace {

const char* const kUnsaved =
    "The project is unsaved, you can continue to edit\n your project when you open it next "
    "time, do you \nwant to save the project now?";

wxString Tr(const char* id) { return wxGetTranslation(id); }
wxString U8(const char* text) { return wxString::FromUTF8(text); }

// The machine may lack the system locales; the toolkit then warns on
// standard error and still loads the catalogs.
class Languages : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLanguageFile();
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        lwtest::CloseMainWindow(frame);
        RemoveLanguageFile();
    }
    static void RemoveLanguageFile() {
        if (wxFileExists(GetLanguageFilePath())) wxRemoveFile(GetLanguageFilePath());
    }
    wxString Label(const char* name) {
        auto* text = wxDynamicCast(frame->FindWindow(XRCID(name)), wxStaticText);
        return text ? text->GetLabel() : wxString("<missing>");
    }

    MainWindow* frame = nullptr;
};

TEST_F(Languages, EachCodeActivatesItsCatalog) {
    struct Expected {
        int code;
        const char* addImage;
        const char* other;
        const char* otherTranslated;
    };
    const Expected expected[] = {
        {46, "添加图片", "Width", "宽度"},
        {47, "新增圖片", "Height", "高度"},
        {89, "Bild hinzufügen", "Width", "Breite"},
        {80, "Ajouter une image", "Delay ", "Délai "},
        {110, "Aggiungi immagine", "Width", "Larghezza"},
        {112, "画像を追加", "px", "ピクセル"},
    };
    for (const Expected& e : expected) {
        frame->SetLanguage(e.code);
        EXPECT_EQ(Tr("Add Image"), U8(e.addImage)) << e.code;
        EXPECT_EQ(Tr(e.other), U8(e.otherTranslated)) << e.code;
        // Every language has the multi-line prompt, with its line breaks.
        EXPECT_NE(Tr(kUnsaved), kUnsaved) << e.code;
        EXPECT_EQ(Tr(kUnsaved).Freq('\n'), 2) << e.code;
    }
    frame->SetLanguage(89);
    EXPECT_EQ(Tr(kUnsaved), U8("Das Projekt ist nicht gespeichert. Gespeichert können Sie es\n"
                               "beim nächsten Öffnen weiterbearbeiten.\n"
                               "Möchten Sie das Projekt jetzt speichern?"));
    // English has no catalog: the identifiers are the texts.
    frame->SetLanguage(58);
    EXPECT_EQ(Tr("Add Image"), "Add Image");
    EXPECT_EQ(Tr("Width"), "Width");
    EXPECT_EQ(Tr(kUnsaved), kUnsaved);
}

TEST_F(Languages, ChoosingALanguageFromTheMenuTranslatesMenusAndLabels) {
    lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(89));
    wxMenuBar* bar = frame->GetMenuBar();
    EXPECT_EQ(bar->GetMenuLabelText(0), "Datei");
    EXPECT_EQ(bar->GetMenuLabelText(4), "Hilfe");
    EXPECT_NE(lwtest::FindMenuItem(frame, "Datei", "Projekt speichern"), nullptr);
    wxMenuItem* add = lwtest::FindMenuItem(frame, U8("Einzelbild"), U8("Bild hinzufügen..."));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->GetItemLabel(), U8("Bild hinzufügen...\tCtrl+Ins"));
    EXPECT_EQ(Label("m_staticText_delay"), U8("Verzögerung:"));
    EXPECT_EQ(Label("m_staticText_sec"), "1/100 Sek.");
    EXPECT_EQ(Label("m_staticText_width"), "Breite:");
    EXPECT_EQ(Label("m_staticText_height"), U8("Höhe:"));

    lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(112));
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabelText(0), U8("ファイル"));
    EXPECT_EQ(Label("m_staticText_wpx"), U8("ピクセル"));

    // Back to English: nothing of the previous catalog stays behind.
    lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(58));
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabelText(0), "File");
    EXPECT_EQ(Label("m_staticText_delay"), "Delay :");
    EXPECT_EQ(Label("m_staticText_sec"), "1/100sec ");
}

// Keeps what is logged: in the running program each message would be a box.
struct LogRecorder : wxLog {
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override { seen += text; }
    wxString seen;
};

TEST_F(Languages, SwitchingToDeutschWarnsOfNothingAndKeepsTheTitleSizesAndCommands) {
    lwtest::AppendFrame(frame, wxSize(40, 30), "a.png");
    lwtest::PromptsOf(frame).files.push_back(lwtest::MakeTempDir("language") + "/trip.xml");
    lwtest::ClickMenu(frame, "File", "Save Project");
    auto* width = wxDynamicCast(frame->FindWindow(XRCID("m_spinctrl_width")), wxSpinCtrl);
    lwtest::TypeInto(width, 80);
    ASSERT_EQ(frame->GetTitle(), "trip * - Marvolent Loopwright");
    LogRecorder log;
    wxLog* const previous = wxLog::SetActiveTarget(&log);
    lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(89));
    wxLog::SetActiveTarget(previous);
    EXPECT_EQ(log.seen, "");
    EXPECT_EQ(frame->GetTitle(), "trip * - Marvolent Loopwright");
    EXPECT_EQ(width->GetValue(), 80);
    // Nothing to redo before, nothing after.
    EXPECT_FALSE(lwtest::FindMenuItem(frame, "Bearbeiten", "Wiederholen")->IsEnabled());
}

TEST_F(Languages, TheCrashMessageIsTranslatedWithTheFolderFilledIn) {
    frame->SetLanguage(89);
    const wxString message = CrashReportMessage("/tmp/report-%s");
    EXPECT_TRUE(message.StartsWith(U8("Die Anwendung ist aus unbekanntem Grund abgestürzt.\n")))
        << message;
    EXPECT_NE(message.Find("\n/tmp/report-%s\n"), wxNOT_FOUND) << message;
}

// How many characters of text the toolkit's text layout draws as the
// missing-glyph box, after trying every installed font that could stand in.
int BoxesIn(const wxString& text) {
    const auto unref = [](void* object) { g_object_unref(object); };
    std::unique_ptr<PangoContext, decltype(unref)> context(
        pango_font_map_create_context(pango_cairo_font_map_get_default()), unref);
    std::unique_ptr<PangoLayout, decltype(unref)> layout(pango_layout_new(context.get()), unref);
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    pango_layout_set_font_description(layout.get(), font.GetNativeFontInfo()->description);
    pango_layout_set_text(layout.get(), text.utf8_str(), -1);
    return pango_layout_get_unknown_glyphs_count(layout.get());
}

// The texts of the menus (with every language's own name) and the labels.
wxString TextsOf(const wxMenu* menu) {
    wxString texts;
    for (const wxMenuItem* item : menu->GetMenuItems())
        texts += item->GetItemLabelText() + "\n" +
                 (item->IsSubMenu() ? TextsOf(item->GetSubMenu()) : wxString());
    return texts;
}
wxString TextsOf(const wxWindow* window) {
    // Asked without a cast: the toolkit's cast would downcast first and check after.
    wxString texts = window->IsKindOf(wxCLASSINFO(wxStaticText)) ? window->GetLabel() + "\n" : "";
    for (const wxWindow* child : window->GetChildren()) texts += TextsOf(child);
    return texts;
}

TEST_F(Languages, TheJapaneseWindowShowsNoBoxes) {
    ASSERT_GT(BoxesIn(U8("\U0010FFFD")), 0);  // no font has it: a box
    lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(112));
    const wxMenuBar* bar = frame->GetMenuBar();
    wxString texts = TextsOf(frame);
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        texts += bar->GetMenuLabelText(i) + "\n" + TextsOf(bar->GetMenu(i));
    ASSERT_NE(texts.Find(U8("ファイル")), wxNOT_FOUND);
    EXPECT_EQ(BoxesIn(texts), 0) << texts;
}

// The controls of the row below the preview, where they are in the window.
std::vector<std::pair<wxString, wxRect>> BottomRow(wxFrame* frame) {
    std::vector<std::pair<wxString, wxRect>> row;
    for (const char* name : {"m_staticText_delay", "m_spinctrl_delay", "m_staticText_sec", "m_staticText_gif",
                             "m_staticText_width", "m_spinctrl_width", "m_staticText_wpx", "m_staticText_height",
                             "m_spinctrl_height", "m_staticText_hpx", "m_checkBox_transparent"}) {
        wxWindow* control = frame->FindWindow(XRCID(name));
        row.emplace_back(name, wxRect(frame->ScreenToClient(control->GetScreenPosition()), control->GetSize()));
    }
    return row;
}

TEST_F(Languages, TheWindowFitsASmallScreenInEveryLanguageWithoutTextsTouching) {
    for (int code : {58, 89, 112}) {  // English, German, Japanese
        lwtest::ClickMenu(frame, frame->GetMenuBar()->FindItem(code));
        for (int width : {1000, 640}) {
            frame->SetSize(width, 560);
            frame->Layout();
            lwtest::PumpPending();
            EXPECT_LE(frame->GetSize().x, width) << code;
            const auto row = BottomRow(frame);
            const wxRect client(frame->GetClientSize());
            for (size_t i = 0; i < row.size(); ++i) {
                EXPECT_TRUE(client.Contains(row[i].second)) << code << " " << width << " " << row[i].first;
                // At least a few pixels between any two: no "Sek.GIF:".
                for (size_t j = i + 1; j < row.size(); ++j)
                    EXPECT_FALSE(row[i].second.Inflate(2, 0).Intersects(row[j].second))
                        << code << " " << width << " " << row[i].first << " " << row[j].first;
            }
        }
    }
}

}  // namespace
