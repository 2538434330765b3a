// The main window: menus, toolbar, thumbnail strip, preview panel and the
// size controls; owner of the document.
#pragma once

#include "document/document.h"
#include "document/history.h"
#include "framestore/pictureahead.h"
#include "project/projectfile.h"
#include "window/dialogplaces.h"

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
class wxCheckBox;
class wxSplitterEvent;
class wxSplitterWindow;
class wxStaticText;
class wxStatusBar;
class wxThumbnailCtrl;
class wxThumbnailEvent;
class wxToolBar;
class wxPaintEvent;
class wxKeyEvent;
class UserPrompts;
class ImportSink;
class UpdateChecker;
class ImportEvent;
class ExportFrameFeed;
class WorkSaveAsGifThread;
struct ProjectReading;

class GifFrame : public wxFrame, private DocumentObserver {
public:
    // The context menu's Frame Delay item (its other items use wxID_DELETE and 0).
    enum { ID_CONTEXT_FRAME_DELAY = 2 };

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

    // Shows the canvas size in the size fields and status field 0.
    void UpdateCanvasSize();
    void StopPreview();
    void ShowRunButton();
    void ShowStopButton();
    // Shows frame index fitted into the preview panel and describes it in
    // status field 1. The index must be a valid frame index.
    void ShowFrame(int index);
    // Starts making frame index for the preview ahead of its tick.
    void PrepareFrame(int index);
    PictureAhead& PicturesAhead();
    // Asks before closing when the project is unsaved; destroys the window
    // unless the user cancels. True when the window is being destroyed.
    bool ConfirmClose();

    // Starts decoding paths on a worker thread under a progress dialog; false
    // (and the user told) when no thread could be started.
    bool StartImageLoad(const wxArrayString& paths);

    // Writes the project file; true when it was written.
    bool SaveProject();
    // Asks for a project file and opens it.
    void LoadProject();
    // Reads the project file and loads its pictures; the document is replaced
    // only once they have arrived. False (and the user told) when the file
    // cannot be opened: then nothing changed.
    bool OpenProjectFile(const wxString& path);

    // The document and its undo history. Every edit goes through Edit.
    const Document& GetDocument() const { return m_document; }
    Document& GetDocument() { return m_document; }
    DocumentHistory& GetHistory() { return m_history; }
    // Runs the command, keeps it for undo and updates the Edit menu; false
    // when it changed nothing.
    bool Edit(std::unique_ptr<DocumentCommand> command);
    // Opens files from outside the window (the command line, a drop): a
    // project as Open Project does, pictures as Add Image does; the rest is
    // named in one message and skipped.
    void OpenFiles(const wxArrayString& paths);
    // Files dropped at a position of the strip (-1: at the end): a project
    // opens as Open Project does; the rest is imported there, and what is no
    // picture is named after the import.
    void DropFiles(const wxArrayString& paths, int position);

    // Replaces the file dialogs and popup menus (tests answer them).
    void SetUserPrompts(std::unique_ptr<UserPrompts> prompts);
    UserPrompts* GetUserPrompts() const { return m_prompts.get(); }

    wxThumbnailCtrl* GetThumbnailCtrl() const { return m_thumbnailCtrl; }
    bool IsPlaying() const { return m_playing; }
    int GetLoopCount() const { return m_document.LoopCount(); }
    int GetLoopsPlayed() const { return m_loopsPlayed; }
    int GetPreviewFrame() const { return m_previewFrame; }
    wxSize GetCanvasSize() const { return m_document.CanvasSize(); }
    wxSize GetReferenceSize() const { return m_document.ReferenceSize(); }
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
    void OnFrameDelay(wxCommandEvent& event);
    void OnGifSettings(wxCommandEvent& event);
    void OnTransparentBox(wxCommandEvent& event);
    void OnMoveLeft(wxCommandEvent& event);
    void OnMoveRight(wxCommandEvent& event);
    void OnDuplicate(wxCommandEvent& event);
    void OnReverse(wxCommandEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnFramesDropped(wxThumbnailEvent& event);
    void OnStripKey(wxKeyEvent& event);
    // Menu shortcuts reach their command wherever the focus is in the window:
    // a focused text field or the strip would otherwise take the keys.
    void OnCharHook(wxKeyEvent& event);
    void OnUndo(wxCommandEvent& event);
    void OnRedo(wxCommandEvent& event);
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
    // The preview and status bar follow the focused frame as the selection moves.
    void OnThumbnailSelection(wxThumbnailEvent& event);
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
    // The document's view: the strip, the fields, the status bar and the
    // commands follow every change.
    void FramesInserted(size_t at, size_t count) override;
    void FramesRemoved(size_t at, size_t count) override;
    void FramesRearranged(size_t first, size_t last) override;
    void DelaysChanged() override;
    void CanvasChanged() override;
    void SettingsChanged() override;
    void FrameListChanged();
    void UpdateEditMenu();
    // The selected frames, ascending.
    std::vector<size_t> SelectedFrames() const;
    // Where pictures go in: in front of the first selected frame, else at the end.
    size_t InsertPosition() const;
    // Puts the frames in the order (as ReorderFramesCommand takes it) and
    // keeps the moved frames selected where they landed.
    void Rearrange(const std::vector<size_t>& order, const char* name);
    // A new frame of a decoded picture (frame frameIndex of a GIF at path, or
    // the picture at path): a GIF frame's delay (delay >= 0) is kept, other
    // pictures take the Delay field's value.
    DocumentFrame NewFrame(FramePicture picture, const wxString& path, int frameIndex,
                           int delay) const;
    int AskToSaveProject();
    void ClearPreview();
    // The preview's next frame comes after delay hundredths of a second.
    void ScheduleNextFrame(int delay);
    void OnPaintPreview(wxPaintEvent& event);
    void SetPlayLook(const char* bitmapName, const char* label, const char* accelerator);
    // Whether the frames may give way to another project: asks (and saves)
    // first when they are unsaved; false when the user keeps them.
    bool MayReplaceFrames();
    // Projects.
    void ReportUnloadableProject();
    // Called when an import ends with its frames.
    void FinishImport(std::vector<DocumentFrame> frames);
    // The opened project's frames have arrived: they replace the document.
    void ReplaceDocument(std::vector<DocumentFrame> frames);
    template <typename T>
    T* FindResourceControl(const char* name);
    // A file to write: a name with wildcard characters is refused and asked
    // again; empty when cancelled.
    wxString ChooseFileToWrite(const wxString& message, const wxString& folder,
                               const wxString& name, const wxString& wildcard);
    // Saving the GIF.
    wxString ChooseGifFile(const wxString& message);
    bool ConfirmAppendedExtension(const wxString& chosen, const wxString& path);
    bool StartExport(const wxString& title);
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
    wxMenu* m_menuEdit = nullptr;
    wxMenu* m_menuFrame = nullptr;
    wxMenu* m_menuAnimation = nullptr;
    wxMenu* m_menuHelp = nullptr;

    wxMenuItem* m_itemOpenProject = nullptr;
    wxMenuItem* m_itemSave = nullptr;
    wxMenuItem* m_itemSaveAs = nullptr;
    wxMenuItem* m_itemSaveProject = nullptr;
    wxMenuItem* m_itemGifSettings = nullptr;
    wxMenuItem* m_itemExit = nullptr;
    wxMenuItem* m_itemAddImage = nullptr;
    wxMenuItem* m_itemDelete = nullptr;
    wxMenuItem* m_itemClearAll = nullptr;
    wxMenuItem* m_itemFrameDelay = nullptr;
    wxMenuItem* m_itemMoveLeft = nullptr;
    wxMenuItem* m_itemMoveRight = nullptr;
    wxMenuItem* m_itemDuplicate = nullptr;
    wxMenuItem* m_itemReverse = nullptr;
    wxMenuItem* m_itemSelectAll = nullptr;
    wxMenuItem* m_itemUndo = nullptr;
    wxMenuItem* m_itemRedo = nullptr;
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
    wxCheckBox* m_checkBox_transparent = nullptr;
    wxToolBar* m_toolBar_button = nullptr;

    wxTimer m_previewTimer;

    wxSpinCtrl* m_spinctrl_delay = nullptr;
    wxSpinCtrl* m_spinctrl_width = nullptr;
    wxSpinCtrl* m_spinctrl_height = nullptr;
    wxStatusBar* m_statusBar1 = nullptr;

    wxLocale* m_locale = nullptr;
    int m_languageCode = 0;

    // Document.
    Document m_document;
    DocumentHistory m_history;
    wxProgressDialog* m_importProgress = nullptr;
    wxProgressDialog* m_exportProgress = nullptr;
    // The export under way: its frame handover, field 0 before it started and
    // the saved form it shows once the file is written.
    std::shared_ptr<ExportFrameFeed> m_exportFeed;
    std::unique_ptr<WorkSaveAsGifThread> m_exportThread;
    wxString m_statusBeforeExport;
    wxString m_statusAfterExport;
    bool m_updatingProgress = false;  // a progress dialog is inside its Update
    // The import under way: where its frames go, and the frames so far.
    enum class ImportTarget { Append, Insert, Project };
    ImportTarget m_importTarget = ImportTarget::Append;
    size_t m_importPosition = 0;  // where Insert puts the frames
    std::vector<DocumentFrame> m_importedFrames;
    // The project being opened: its file, what it says, and the paths its
    // pictures are loaded from (arriving frames are matched against them).
    wxString m_openingProject;
    std::unique_ptr<ProjectReading> m_openingReading;
    ProjectFrames m_openingFrames;
    // What status field 0 says about the canvas: after a frame list change, a
    // size edit, or a project load.
    enum class CanvasForm { List, Edit, Loaded };
    CanvasForm m_canvasForm = CanvasForm::List;

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
    FramePicture m_previewSource;
    wxSize m_previewPanelSize;
    // Makes the frame the preview shows next while the current one is up.
    std::unique_ptr<PictureAhead> m_picturesAhead;

    std::unique_ptr<UserPrompts> m_prompts;
    // Where the file dialogs open.
    DialogPlaces m_places;
    // The running import's event sink, closed when the window goes away.
    std::shared_ptr<ImportSink> m_importSink;
    // The update check, running on a worker while the window stays usable.
    std::unique_ptr<UpdateChecker> m_updateChecker;

    // Menu commands bound by the last menu build, unbound by the next one so
    // that a command never runs twice after the toolkit reuses an id.
    std::vector<std::pair<int, CommandHandler>> m_menuBindings;

    wxDECLARE_EVENT_TABLE();
};

// Builds the main window from the loaded resources; null when the resource
// "MyFrame1" is missing.
GifFrame* CreateMainWindow();
