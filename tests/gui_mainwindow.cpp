// The main window after start-up: menus, tools, controls, status bar, language.
#include "base/folders.h"
#include "support/main_window.h"
#include "support/test_support.h"

#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include <set>

namespace {

using lwtest::FindMenuItem;

wxMenu* LanguageMenuOf(wxFrame* frame) {
    wxMenuBar* bar = frame->GetMenuBar();
    wxMenuItem* sub = bar->GetMenu(bar->GetMenuCount() - 1)->GetMenuItems()[1];  // Help
    EXPECT_TRUE(sub->IsSubMenu());
    return sub->GetSubMenu();
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        wxRemoveFile(GetLanguageFilePath());
        frame = lwtest::OpenMainWindow();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override { lwtest::CloseMainWindow(frame); }

    template <typename T>
    T* Control(const char* name) {
        return wxDynamicCast(frame->FindWindow(XRCID(name)), T);
    }
    wxMenuItem* Item(const char* menu, const char* label) {
        wxMenuItem* item = FindMenuItem(frame, menu, label);
        EXPECT_NE(item, nullptr) << menu << " / " << label;
        return item;
    }
    // By position: the toolkit's own catalog translates some labels.
    wxMenu* LanguageMenu() { return LanguageMenuOf(frame); }

    MainWindow* frame = nullptr;
};

TEST_F(Window, TitleIconAndResourceControls) {
    EXPECT_EQ(frame->GetTitle(), "Marvolent Loopwright");
    EXPECT_EQ(frame->GetIcons().GetIconCount(), 3u);
    EXPECT_TRUE(frame->GetIcons().GetIcon(wxSize(32, 32), wxIconBundle::FALLBACK_NONE).IsOk());
    for (const char* name : {"m_splitter3", "m_panel_top", "m_panel_down", "m_spinctrl_delay",
                             "m_spinctrl_width", "m_spinctrl_height", "m_toolBar_button",
                             "m_statusBar1"})
        EXPECT_NE(frame->FindWindow(XRCID(name)), nullptr) << name;
    auto* splitter = Control<wxSplitterWindow>("m_splitter3");
    ASSERT_NE(splitter, nullptr);
    EXPECT_TRUE(splitter->IsSplit());
    EXPECT_EQ(splitter->GetSplitMode(), wxSPLIT_HORIZONTAL);
    // Big enough to show the strip and the preview.
    EXPECT_GE(frame->GetSize().x, 800);
    EXPECT_GE(frame->GetSize().y, 600);
}

TEST_F(Window, MenusInOrderWithTheirAccelerators) {
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuCount(), 5u);
    const char* menus[] = {"File", "Edit", "Frame", "Animation", "Help"};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(bar->GetMenuLabelText(i), menus[i]);

    const std::vector<std::vector<const char*>> items = {
        {"New\tCtrl+N", "Save", "Save As...\tCtrl+Shift+S", "GIF Settings...", "Open Project...", "Save Project\tCtrl+S", "Exit\tCtrl+Q"},
        {"Undo\tCtrl+Z", "Redo\tCtrl+Y"},
        {"Add Image...\tCtrl+Ins", "Delete\tCtrl+Del", "Clear All", "Frame Delay...\tCtrl+D", "",
         "Move Left\tCtrl+Left", "Move Right\tCtrl+Right", "Duplicate\tCtrl+J", "Reverse Order",
         "Select All\tCtrl+A", "", "Change Speed...", "Reduce Frames...", "Remove Duplicates...",
         "Play Forth and Back", "Trim", "", "Rotate Left\tCtrl+Shift+R", "Rotate Right\tCtrl+R", "Flip Horizontal",
         "Flip Vertical", "Crop...\tCtrl+Shift+X", "Reset Crop", "", "Add Caption...\tCtrl+Shift+T",
         "Add Overlay Picture...", "Edit Captions..."},
        {"Run animation\tCtrl+P", "Loop Count..."},
        {"Help", "Language", "Support", "Check for Update", "About"},
    };
    for (size_t m = 0; m < items.size(); ++m) {
        const wxMenuItemList& list = bar->GetMenu(m)->GetMenuItems();
        ASSERT_EQ(list.size(), items[m].size()) << menus[m];
        size_t i = 0;
        for (wxMenuItem* item : list) {
            EXPECT_EQ(item->IsSeparator(), *items[m][i] == '\0');
            EXPECT_EQ(item->GetItemLabel(), items[m][i]) << menus[m];
            ++i;
        }
    }
}

TEST_F(Window, LanguageSubmenuChecksEnglishOnFirstStart) {
    wxMenu* languages = LanguageMenu();
    ASSERT_NE(languages, nullptr);
    const std::vector<std::pair<int, wxString>> expected = {
        {46, wxString::FromUTF8("中文简体")}, {47, wxString::FromUTF8("中文繁体")},
        {89, "Deutsch"}, {58, "English"}, {80, wxString::FromUTF8("Français")},
        {110, "Italiano"}, {112, wxString::FromUTF8("日本語")},
    };
    const wxMenuItemList& list = languages->GetMenuItems();
    ASSERT_EQ(list.size(), expected.size());
    size_t i = 0;
    for (wxMenuItem* item : list) {
        EXPECT_EQ(item->GetId(), expected[i].first);
        EXPECT_EQ(item->GetItemLabel(), expected[i].second);
        EXPECT_TRUE(item->IsCheckable());
        EXPECT_EQ(item->IsChecked(), expected[i].first == 58) << expected[i].second;
        ++i;
    }
    EXPECT_EQ(frame->GetLanguageCode(), 58);
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "58");
}

TEST_F(Window, CommandsThatNeedFramesStartDisabled) {
    for (const auto& [menu, label] : std::vector<std::pair<const char*, const char*>>{
             {"File", "Save"}, {"File", "Save As..."}, {"File", "Save Project"},
             {"Frame", "Delete"}, {"Frame", "Clear All"},
             {"Animation", "Run animation"}, {"Animation", "Loop Count..."}})
        EXPECT_FALSE(Item(menu, label)->IsEnabled()) << label;
    for (const auto& [menu, label] : std::vector<std::pair<const char*, const char*>>{
             {"File", "Open Project..."}, {"File", "Exit"}, {"Frame", "Add Image..."},
             {"Help", "Help"}, {"Help", "Language"}, {"Help", "Support"},
             {"Help", "Check for Update"}, {"Help", "About"}})
        EXPECT_TRUE(Item(menu, label)->IsEnabled()) << label;

    wxToolBar* tools = Control<wxToolBar>("m_toolBar_button");
    ASSERT_NE(tools, nullptr);
    EXPECT_FALSE(tools->GetToolEnabled(XRCID("m_tool_play")));
    EXPECT_FALSE(tools->GetToolEnabled(XRCID("m_tool_delete")));
    EXPECT_TRUE(tools->GetToolEnabled(XRCID("m_tool_insert")));
    for (const char* name : {"m_spinctrl_delay", "m_spinctrl_width", "m_spinctrl_height"})
        EXPECT_FALSE(Control<wxSpinCtrl>(name)->IsEnabled()) << name;

    // They follow the document, whoever changes it.
    lwtest::AppendFrame(frame, wxSize(8, 8), "one.png");
    EXPECT_TRUE(Item("File", "Save Project")->IsEnabled());
    EXPECT_TRUE(Item("Animation", "Run animation")->IsEnabled());
    EXPECT_TRUE(tools->GetToolEnabled(XRCID("m_tool_play")));
    EXPECT_TRUE(Control<wxSpinCtrl>("m_spinctrl_width")->IsEnabled());
    lwtest::ClickMenu(frame, frame->GetMenuBar()->GetMenu(1)->FindItemByPosition(0));  // Undo
    EXPECT_FALSE(Item("Frame", "Delete")->IsEnabled());
    EXPECT_FALSE(tools->GetToolEnabled(XRCID("m_tool_delete")));
}

TEST_F(Window, ToolsHaveBitmapsAndTooltips) {
    wxToolBar* tools = Control<wxToolBar>("m_toolBar_button");
    for (const char* name : {"m_tool_insert", "m_tool_delete", "m_tool_play"}) {
        const wxToolBarToolBase* tool = tools->FindById(XRCID(name));
        ASSERT_NE(tool, nullptr) << name;
        EXPECT_TRUE(tool->GetNormalBitmap().IsOk()) << name;
        EXPECT_FALSE(tool->GetShortHelp().empty()) << name;
    }
}

TEST_F(Window, SpinControlsFitTheGifFormat) {
    auto* delay = Control<wxSpinCtrl>("m_spinctrl_delay");
    EXPECT_EQ(delay->GetMin(), 0);
    EXPECT_EQ(delay->GetMax(), 65535);
    EXPECT_GT(delay->GetValue(), 0);
    for (const char* name : {"m_spinctrl_width", "m_spinctrl_height"}) {
        auto* spin = Control<wxSpinCtrl>(name);
        // Without frames: 0, which no canvas can be (1 to 65535 once there are frames).
        EXPECT_EQ(spin->GetMin(), 0) << name;
        EXPECT_EQ(spin->GetMax(), 0) << name;
        EXPECT_EQ(spin->GetValue(), 0) << name;
    }
}

TEST_F(Window, LabelsAndStatusFields) {
    const std::pair<const char*, const char*> labels[] = {
        {"m_staticText_delay", "Delay :"}, {"m_staticText_sec", "1/100sec "},
        {"m_staticText_gif", "GIF:"},      {"m_staticText_width", "Width:"},
        {"m_staticText_wpx", "px"},        {"m_staticText_height", "Height:"},
        {"m_staticText_hpx", "px"},
    };
    for (const auto& [name, text] : labels)
        EXPECT_EQ(Control<wxStaticText>(name)->GetLabel(), text) << name;

    wxStatusBar* status = Control<wxStatusBar>("m_statusBar1");
    ASSERT_EQ(status, frame->GetStatusBar());
    ASSERT_EQ(status->GetFieldsCount(), 4);
    wxRect first, second;
    status->GetFieldRect(0, first);
    status->GetFieldRect(1, second);
    // Shares of the width, the frame's name the widest.
    EXPECT_NEAR(first.width * 3, second.width * 2, 12);
    EXPECT_GT(first.width, 150);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(status->GetStatusText(i), "");
}

TEST_F(Window, PreviewPanelUsesTheInfoBackground) {
    EXPECT_EQ(Control<wxPanel>("m_panel_down")->GetBackgroundColour(),
              wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
}

TEST_F(Window, ChoosingALanguageStoresItAndRebuildsTheMenus) {
    wxMenuItem* deutsch = LanguageMenu()->FindItem(89);
    ASSERT_NE(deutsch, nullptr);
    lwtest::ClickMenu(frame, deutsch);
    EXPECT_EQ(frame->GetLanguageCode(), 89);
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "89");
    for (wxMenuItem* item : LanguageMenu()->GetMenuItems())
        EXPECT_EQ(item->IsChecked(), item->GetId() == 89) << item->GetItemLabel();
    // The rebuilt bar keeps what the empty document allows; the title stays.
    EXPECT_FALSE(FindMenuItem(frame, "Datei", "Speichern")->IsEnabled());
    EXPECT_TRUE(FindMenuItem(frame, "Datei", wxString::FromUTF8("Projekt öffnen..."))->IsEnabled());
    EXPECT_EQ(frame->GetTitle(), GetProductName());

    // Choosing it again still rewrites the file.
    wxRemoveFile(GetLanguageFilePath());
    lwtest::ClickMenu(frame, LanguageMenu()->FindItem(89));
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "89");
    lwtest::ClickMenu(frame, LanguageMenu()->FindItem(58));
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "58");
}

TEST_F(Window, RebuiltMenusRunEachCommandOnce) {
    for (int i = 0; i < 3; ++i) frame->BuildMenuBar();
    int runs = 0;
    wxMenuItem* about = Item("Help", "About");
    frame->Bind(wxEVT_MENU, [&runs](wxCommandEvent& e) { ++runs; e.Skip(); }, about->GetId());
    // A second run would show a second, unexpected dialog.
    wxTEST_DIALOG(lwtest::ClickMenu(frame, about), wxExpectDismissableModal<wxDialog>(wxID_OK));
    EXPECT_EQ(runs, 1);
    // Every item of the new bar still has its own id.
    std::set<int> ids;
    size_t count = 0;
    for (size_t m = 0; m < frame->GetMenuBar()->GetMenuCount(); ++m)
        for (wxMenuItem* item : frame->GetMenuBar()->GetMenu(m)->GetMenuItems()) {
            if (item->IsSeparator()) continue;
            ids.insert(item->GetId());
            ++count;
        }
    EXPECT_EQ(ids.size(), count);
}

class StartLanguage : public ::testing::Test {
protected:
    MainWindow* Open(const std::string& fileContents) {
        lwtest::WriteFile(GetLanguageFilePath().ToStdString(), fileContents);
        return lwtest::OpenMainWindow();
    }
};

TEST_F(StartLanguage, TheStoredLanguageIsCheckedAtTheNextStart) {
    MainWindow* frame = Open("89");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetLanguageCode(), 89);
    wxMenu* languages = LanguageMenuOf(frame);
    EXPECT_TRUE(languages->FindItem(89)->IsChecked());
    EXPECT_FALSE(languages->FindItem(58)->IsChecked());
    lwtest::CloseMainWindow(frame);
}

TEST_F(StartLanguage, UnknownCodesCheckEnglishWhichTheWindowShows) {
    for (const char* contents : {"0", "abc", "1234567890", "-5"}) {
        MainWindow* frame = Open(contents);
        ASSERT_NE(frame, nullptr) << contents;
        wxMenu* languages = LanguageMenuOf(frame);
        for (wxMenuItem* item : languages->GetMenuItems())
            EXPECT_EQ(item->IsChecked(), item->GetId() == 58) << contents << " " << item->GetItemLabel();
        lwtest::CloseMainWindow(frame);
    }
}

TEST(Closing, ExitAndTheCloseBoxDestroyTheWindow) {
    MainWindow* frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    lwtest::ClickMenu(frame, FindMenuItem(frame, "File", "Exit"));
    EXPECT_TRUE(lwtest::WaitUntilDestroyed(frame));

    frame = lwtest::OpenMainWindow();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->Close());
    EXPECT_TRUE(lwtest::WaitUntilDestroyed(frame));
}

}  // namespace
