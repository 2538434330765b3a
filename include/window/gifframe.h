// The main window: menus, toolbar, thumbnail strip, preview panel and the
// size controls; owner of the document.
#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <memory>
#include <utility>
#include <vector>

class wxLocale;
class wxMenu;
class wxMenuBar;
class wxMenuItem;
class wxPanel;
class wxProgressDialog;
class wxSpinCtrl;
class wxSplitterEvent;
class wxSplitterWindow;
class wxStaticText;
class wxStatusBar;
class wxThumbnailCtrl;
class wxThumbnailEvent;
class wxToolBar;
class wxPaintEvent;
class UserPrompts;
class ImportSink;
class ImportEvent;
class ExportFrameFeed;
struct ProjectReading;

// State at the last project load or save: tells whether the project changed.
struct ProjectSnapshot {
    int delay = 0;
    int width = 0;
    int height = 0;
    int frameCount = 0;
    // The strip's revision: a frame deleted and another inserted is a change
    // even though the count stays.
    unsigned long revision = 0;
};

// Whether the document differs from the snapshot: delay, width, height and
// frame count compared in that order.
bool DiffersFromSnapshot(const ProjectSnapshot& snapshot, int delay, int width, int height,
                         int frameCount, unsigned long revision);

// State at the start of the last GIF save: an unchanged document is not saved twice.
struct SaveSnapshot {
    int frameCount = 0;
    int delay = 0;
    int width = 0;
    int height = 0;
    unsigned long revision = 0;  // see ProjectSnapshot
};

class GifFrame : public wxFrame {
public:
    // Creates no native window: the resource loader creates it.
    GifFrame();
    ~GifFrame() override;

    // Called once after the resource "MyFrame1" has been loaded into the frame.
    virtual void InitFrame();

    void BuildMenuBar();
    void RelabelWindow();
    void EnableFrameCommands();
    void DisableFrameCommands();
    void SetLanguage(int code);
    int GetLanguageCode() const { return m_languageCode; }

    void UpdateCanvasSize();
    void StopPreview();
    void ShowRunButton();
    void ShowStopButton();
    // Shows frame index fitted into the preview panel and describes it in
    // status field 1. The index must be a valid frame index.
    void ShowFrame(int index);
    // Asks before closing when the project is unsaved; destroys the window
    // unless the user cancels. True when the window is being destroyed.
    bool ConfirmClose();

    // Starts decoding paths on a worker thread under a progress dialog; false
    // (and the user told) when no thread could be started.
    bool StartImageLoad(const wxArrayString& paths);

    // Writes the project file; true when it was written. Loads one, replacing
    // the frames.
    bool SaveProject();
    void LoadProject();

    // Replaces the file dialogs and popup menus (tests answer them).
    void SetUserPrompts(std::unique_ptr<UserPrompts> prompts);
    UserPrompts* GetUserPrompts() const { return m_prompts.get(); }

    wxThumbnailCtrl* GetThumbnailCtrl() const { return m_thumbnailCtrl; }
    bool IsPlaying() const { return m_playing; }
    int GetLoopCount() const { return m_loopCount; }
    int GetLoopsPlayed() const { return m_loopsPlayed; }
    int GetPreviewFrame() const { return m_previewFrame; }
    wxSize GetCanvasSize() const { return wxSize(m_canvasWidth, m_canvasHeight); }
    wxSize GetReferenceSize() const { return wxSize(m_referenceWidth, m_referenceHeight); }
    const wxTimer& GetPreviewTimer() const { return m_previewTimer; }
    // Where the preview panel shows its picture; empty when it shows none.
    wxRect GetPreviewRect() const { return m_previewShown ? m_previewRect : wxRect(); }
    bool IsImporting() const { return m_importProgress != nullptr; }
    // A GIF is being written under its progress dialog.
    bool IsExporting() const { return m_exportProgress != nullptr; }

    // Commands.
    void OnSaveAnimator(wxCommandEvent& event);
    void OnSaveAsAnimator(wxCommandEvent& event);
    void OnOpenProject(wxCommandEvent& event);
    void OnSaveProject(wxCommandEvent& event);
    void OnCloseWindow(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void OnAddImages(wxCommandEvent& event);
    void OnInsertImages(wxCommandEvent& event);
    void OnDeleteImages(wxCommandEvent& event);
    void OnClearAll(wxCommandEvent& event);
    void OnRunAnimation(wxCommandEvent& event);
    void OnLoopCount(wxCommandEvent& event);
    void OnHelpMenu(wxCommandEvent& event);
    void ShowAboutDialog(wxCommandEvent& event);
    void OnLanguageMenu(wxCommandEvent& event);
    void OnSetDelay(wxCommandEvent& event);
    void OnSetWidth(wxCommandEvent& event);
    void OnSetHeight(wxCommandEvent& event);
    void OnPreviewTimer(wxTimerEvent& event);
    void OnChangeSplitterWindow(wxSplitterEvent& event);
    void OnUpdateResult(wxCommandEvent& event);
    void ThreadUpdate(ImportEvent& event);
    void OnWorkSaveAsGifThreadUpdate(wxCommandEvent& event);
    void OnThumbnailLeftClick(wxThumbnailEvent& event);
    void OnThumbnailRightClick(wxThumbnailEvent& event);

private:
    using CommandHandler = void (GifFrame::*)(wxCommandEvent&);
    void BindMenuCommand(int id, CommandHandler handler);
    void UnbindMenuCommands();
    void SetStaticLabels();
    void SetFrameCommandsEnabled(bool enable);
    // True when the window is being destroyed.
    bool RequestClose();
    bool IsProjectUnsaved(bool evenWithoutPath) const;
    int AskToSaveProject();
    void ClearPreview();
    void OnPaintPreview(wxPaintEvent& event);
    void SetPlayLook(const char* bitmapName, const char* label, const char* accelerator);
    void InsertFrame(wxImage* image, int frameIndex, const wxString& path, int& position);
    // Removes every frame and shows the empty document, as Clear All does.
    void RemoveAllFrames();
    // Projects.
    void RecordProjectSnapshot();
    void ApplyProjectSettings(const ProjectReading& reading);
    void ReportUnloadableProject();
    // Called when an import ends: a project's frames are all there.
    void FinishProjectLoad();
    template <typename T>
    T* FindResourceControl(const char* name);
    // Saving the GIF.
    wxString ChooseGifFile(const wxString& message);
    bool ConfirmAppendedExtension(const wxString& chosen, const wxString& path);
    void RecordSaveSnapshot();
    bool StartExport(int width, int height, int delay, const wxString& title);
    void FeedExport();
    void EndExport();
    void ReportExportFailure(const wxString& text);
    void AbandonExport();
    // A progress dialog's Update lets queued events through; a worker's event
    // that arrives then is handled afterwards, never inside the update.
    bool DeferDuringProgressUpdate(const wxEvent& event);
    void UpdateProgress(wxProgressDialog* dialog, int value);

    wxSplitterWindow* m_splitter3 = nullptr;
    wxPanel* m_panel_top = nullptr;
    wxPanel* m_panel_down = nullptr;
    wxThumbnailCtrl* m_thumbnailCtrl = nullptr;

    wxMenuBar* m_menuBar = nullptr;
    wxMenu* m_menuFile = nullptr;
    wxMenu* m_menuFrame = nullptr;
    wxMenu* m_menuAnimation = nullptr;
    wxMenu* m_menuHelp = nullptr;

    wxMenuItem* m_itemOpenProject = nullptr;
    wxMenuItem* m_itemSave = nullptr;
    wxMenuItem* m_itemSaveAs = nullptr;
    wxMenuItem* m_itemSaveProject = nullptr;
    wxMenuItem* m_itemExit = nullptr;
    wxMenuItem* m_itemAddImage = nullptr;
    wxMenuItem* m_itemDelete = nullptr;
    wxMenuItem* m_itemClearAll = nullptr;
    wxMenuItem* m_itemRunAnimation = nullptr;
    wxMenuItem* m_itemLoopCount = nullptr;
    wxMenuItem* m_itemHelp = nullptr;
    wxMenu* m_menuLanguage = nullptr;
    wxMenuItem* m_itemSupport = nullptr;
    wxMenuItem* m_itemCheckUpdate = nullptr;
    wxMenuItem* m_itemAbout = nullptr;
    std::vector<wxMenuItem*> m_languageItems;

    wxStaticText* m_staticText_delay = nullptr;
    wxStaticText* m_staticText_sec = nullptr;
    wxStaticText* m_staticText_gif = nullptr;
    wxStaticText* m_staticText_width = nullptr;
    wxStaticText* m_staticText_wpx = nullptr;
    wxStaticText* m_staticText_height = nullptr;
    wxStaticText* m_staticText_hpx = nullptr;
    wxToolBar* m_toolBar_button = nullptr;

    wxTimer m_previewTimer;

    wxSpinCtrl* m_spinctrl_delay = nullptr;
    wxSpinCtrl* m_spinctrl_width = nullptr;
    wxSpinCtrl* m_spinctrl_height = nullptr;
    wxStatusBar* m_statusBar1 = nullptr;

    wxLocale* m_locale = nullptr;
    int m_languageCode = 0;

    // Document.
    wxProgressDialog* m_importProgress = nullptr;
    wxProgressDialog* m_exportProgress = nullptr;
    ProjectSnapshot m_projectSnapshot;
    SaveSnapshot m_saveSnapshot;
    // The export under way: its frame handover, field 0 before it started and
    // the saved form it shows once the file is written.
    std::shared_ptr<ExportFrameFeed> m_exportFeed;
    wxString m_statusBeforeExport;
    wxString m_statusAfterExport;
    bool m_updatingProgress = false;  // a progress dialog is inside its Update
    int m_referenceWidth = 0;
    int m_referenceHeight = 0;
    int m_canvasWidth = 0;
    int m_canvasHeight = 0;
    wxString m_gifPath;
    wxString m_gifName;
    wxString m_projectPath;
    wxString m_projectName;
    // An opened project's frames are being loaded; its canvas size is applied
    // once they are all there (0 by 0 when the file gave none).
    bool m_loadingProject = false;
    wxSize m_projectCanvas{0, 0};
    int m_loopCount = 0;

    // Preview.
    wxString m_shownName;
    wxSize m_shownSize{0, 0};
    int m_previewFrame = 0;
    int m_loopsPlayed = 0;
    bool m_playing = false;
    // What the preview panel's paint handler draws: a copy of the frame's
    // bitmap, scaled to fit, kept while the panel and the frame stay the same.
    bool m_previewShown = false;
    wxRect m_previewRect;
    wxBitmap m_previewBitmap;
    const void* m_previewSource = nullptr;
    wxSize m_previewPanelSize;

    std::unique_ptr<UserPrompts> m_prompts;
    // The running import's event sink, closed when the window goes away.
    std::shared_ptr<ImportSink> m_importSink;

    // Menu commands bound by the last menu build, unbound by the next one so
    // that a command never runs twice after the toolkit reuses an id.
    std::vector<std::pair<int, CommandHandler>> m_menuBindings;

    wxDECLARE_EVENT_TABLE();
};

// Builds the main window from the loaded resources; null when the resource
// "MyFrame1" is missing.
GifFrame* CreateMainWindow();
