// The interface languages at run time: each of the seven codes makes its
// catalog active, and a switch from the menu puts the window into it.
#include "app/crashreport.h"
#include "app/folders.h"
#include "support/main_window.h"
#include "support/test_support.h"

#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

namespace {

const char* const kUnsaved =
    "The project is unsaved,you can continue to edit\n your project when you open it next "
    "time,do you \nwant to save the project now?";

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

    GifFrame* frame = nullptr;
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
    wxMenuItem* add = lwtest::FindMenuItem(frame, U8("Einzelbild"), U8("Bild hinzufügen"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->GetItemLabel(), U8("Bild hinzufügen\tCtrl+Ins"));
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

TEST_F(Languages, TheCrashMessageIsTranslatedWithTheFolderFilledIn) {
    frame->SetLanguage(89);
    const wxString message = CrashReportMessage("/tmp/report-%s");
    EXPECT_TRUE(message.StartsWith(U8("Die Anwendung ist aus unbekanntem Grund abgestürzt.\n")))
        << message;
    EXPECT_NE(message.Find("\n/tmp/report-%s\n"), wxNOT_FOUND) << message;
}

}  // namespace
