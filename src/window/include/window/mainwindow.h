// The main window: the document's view (the strip, the size fields, the status
// bar and the title) and the place its commands are declared. The preview,
// the import and the export are parts of their own that it delegates to.
#pragma once

#include "document/commands.h"
#include "document/document.h"
#include "document/history.h"
#include "window/dialogplaces.h"

#include <wx/frame.h>

#include <memory>
#include <vector>

class CropDialog;
class DuplicateController;
class ExportController;
class SizeEstimateController;
class ImportController;
class PreviewPanel;
class UpdateChecker;
class UserPrompts;
class wxCheckBox;
class wxKeyEvent;
class wxLocale;
class wxSpinCtrl;
class wxSplitterEvent;
class wxStatusBar;
class wxThumbnailCtrl;
class wxThumbnailEvent;
class wxToolBar;
class wxUpdateUIEvent;
struct ProjectFrames;
struct ProjectReading;

class MainWindow : public wxFrame, private DocumentObserver {
public:
    // A command of the window, declared once: its menu item, shortcuts, tool
    // and context menu entry are built from it, and it is enabled while its
    // condition holds.
    struct Command;
    // The commands, in menu order.
    static const std::vector<Command>& Commands();

    // Creates no native window: the resource loader creates it.
    MainWindow();
    ~MainWindow() override;

    // Called once after the resource "MyFrame1" has been loaded into the frame.
    void InitFrame();

    // Builds the menu bar from the commands, in the current language.
    void BuildMenuBar();
    void RelabelWindow();
    void SetLanguage(int code);
    int GetLanguageCode() const { return m_languageCode; }
    // Enables the commands, tools and fields as the document now allows.
    void RefreshCommands();

    // Shows the canvas size in the size fields and status field 0.
    void UpdateCanvasSize();
    void StopPreview();
    PreviewPanel& GetPreview() { return *m_preview; }
    const PreviewPanel& GetPreview() const { return *m_preview; }

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
    // Runs the command and keeps it for undo; false when it changed nothing.
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
    int GetLoopCount() const { return m_document.LoopCount(); }
    wxSize GetCanvasSize() const { return m_document.CanvasSize(); }
    wxSize GetReferenceSize() const { return m_document.ReferenceSize(); }
    bool IsImporting() const;
    // Remove Duplicates is comparing frames under its progress dialog.
    bool IsSearchingDuplicates() const;
    // A GIF is being written under its progress dialog.
    bool IsExporting() const;
    // The export's events arrive here.
    ExportController& GetExport() { return *m_export; }
    // The status bar's estimate of the GIF's size.
    SizeEstimateController& GetSizeEstimate() { return *m_sizeEstimate; }

    // The splitter moved: the shown frame is fitted to the preview again.
    void OnChangeSplitterWindow(wxSplitterEvent& event);

private:
    using Handler = void (MainWindow::*)(wxCommandEvent&);
    using Condition = bool (MainWindow::*)() const;

    // Commands (declared in the table).
    void OnNew(wxCommandEvent& event);
    void OnSaveAnimator(wxCommandEvent& event);
    void OnSaveAsAnimator(wxCommandEvent& event);
    void OnGifSettings(wxCommandEvent& event);
    void OnOpenProject(wxCommandEvent& event);
    void OnSaveProject(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnUndo(wxCommandEvent& event);
    void OnRedo(wxCommandEvent& event);
    void OnAddImages(wxCommandEvent& event);
    void OnInsertImages(wxCommandEvent& event);
    void OnDeleteImages(wxCommandEvent& event);
    void OnClearAll(wxCommandEvent& event);
    void OnFrameDelay(wxCommandEvent& event);
    void OnMoveLeft(wxCommandEvent& event);
    void OnMoveRight(wxCommandEvent& event);
    void OnDuplicate(wxCommandEvent& event);
    void OnReverse(wxCommandEvent& event);
    void OnRotateRight(wxCommandEvent& event);
    void OnRotateLeft(wxCommandEvent& event);
    void OnFlipHorizontal(wxCommandEvent& event);
    void OnFlipVertical(wxCommandEvent& event);
    void OnCrop(wxCommandEvent& event);
    void OnAddCaption(wxCommandEvent& event);
    void OnAddOverlay(wxCommandEvent& event);
    void OnEditCaptions(wxCommandEvent& event);
    void OnChangeSpeed(wxCommandEvent& event);
    void OnReduceFrames(wxCommandEvent& event);
    void OnRemoveDuplicates(wxCommandEvent& event);
    void OnForthAndBack(wxCommandEvent& event);
    void OnTrim(wxCommandEvent& event);
    void OnResetCrop(wxCommandEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnRunAnimation(wxCommandEvent& event);
    void OnLoopCount(wxCommandEvent& event);
    void OnHelp(wxCommandEvent& event);
    void OnSupport(wxCommandEvent& event);
    void OnCheckUpdate(wxCommandEvent& event);
    void ShowAboutDialog(wxCommandEvent& event);
    // Opens the page in a browser, else shows its address to be copied.
    void OpenWebPage(const wxString& url);
    // Their conditions.
    bool HasFrames() const { return !m_document.IsEmpty(); }
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }

    // Building and dispatching the commands.
    void BindCommands();
    void OnUpdateCommand(wxUpdateUIEvent& event);
    const Command* FindCommand(int id) const;
    wxString CommandLabel(const Command& command) const;
    void AppendLanguageMenu(wxMenu* help);
    void ShowPlayState(bool playing);
    void SetStaticLabels();
    void KeepNarrowMinimum();

    // Other events.
    void OnLanguageMenu(wxCommandEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void OnTransparentBox(wxCommandEvent& event);
    void OnSetDelay(wxCommandEvent& event);
    void OnSetWidth(wxCommandEvent& event);
    void OnSetHeight(wxCommandEvent& event);
    void OnUpdateResult(wxCommandEvent& event);
    void OnThumbnailLeftClick(wxThumbnailEvent& event);
    // The preview and status bar follow the focused frame as the selection moves.
    void OnThumbnailSelection(wxThumbnailEvent& event);
    void OnThumbnailRightClick(wxThumbnailEvent& event);
    void OnFramesDropped(wxThumbnailEvent& event);
    void OnStripKey(wxKeyEvent& event);
    // Menu shortcuts reach their command wherever the focus is in the window:
    // a focused text field or the strip would otherwise take the keys.
    void OnCharHook(wxKeyEvent& event);

    // True when the window is being destroyed.
    bool RequestClose();
    // Whether the document may be set aside: asks (and saves) first when it
    // is unsaved; false when the user keeps it.
    bool MayDiscardDocument();
    bool IsProjectUnsaved(bool evenWithoutPath) const;
    int AskToSaveProject();
    // The document's view: the strip, the fields, the status bar and the
    // commands follow every change.
    void FramesInserted(size_t at, size_t count) override;
    void FramesRemoved(size_t at, size_t count) override;
    void FramesRearranged(size_t first, size_t last) override;
    void DelaysChanged() override;
    void CanvasChanged() override;
    void FramesRedrawn(size_t first, size_t last) override;
    void SettingsChanged() override;
    void FrameListChanged();
    // Thumbnails are drawn again when what every frame is drawn on changes.
    struct ThumbnailBasis {
        wxSize plane;
        wxRect crop;
        wxSize drawn;
        bool transparent = false;
        bool operator!=(const ThumbnailBasis& o) const {
            return plane != o.plane || crop != o.crop || drawn != o.drawn || transparent != o.transparent;
        }
    };
    ThumbnailBasis ThumbnailBasisNow() const;
    void RedrawThumbnails(size_t first, size_t last);
    void RedrawThumbnailsIfNeeded();
    wxSize ThumbnailBox() const;
    // The preview shows the first selected frame (else the one on show) again, drawn anew.
    void ShowSelectedFrame();
    // Picture edits: the selected frames, or every frame when none is selected.
    std::vector<size_t> FramesToEdit() const;
    void TurnFrames(TurnFramesCommand::Turn turn);
    void ApplyCrop(const wxRect& crop);
    // Ends a crop under way without applying it (the frames changed).
    void CancelCrop();
    bool HasCrop() const { return !m_document.Crop().IsEmpty(); }
    // Captions: the dialog for look on the frames to edit, then one edit named name.
    void AddCaption(CaptionLook look, const wxString& title, const char* name);
    bool HasCaptions() const;
    wxArrayString DescribeCaptions() const;
    void ChangeCaption(int row);
    void RemoveCaption(int row);
    void MoveCaption(const std::shared_ptr<const Caption>& caption, const wxPoint& offset);
    // Timing tools: the selected frames, or every frame when at most one is selected.
    std::vector<size_t> TimingSpan() const;
    bool CanPlayForthAndBack() const { return TimingSpan().size() >= 3; }
    // Some frames are selected, not all.
    bool HasPartialSelection() const;
    // Remove Duplicates found these frames (ascending): they go, their time kept.
    void RemoveDuplicates(const std::vector<size_t>& frames);
    void ShowFrame(int index);
    // The selected frames, ascending.
    std::vector<size_t> SelectedFrames() const;
    // Where pictures go in: in front of the first selected frame, else at the end.
    size_t InsertPosition() const;
    // Puts the frames in the order (as ReorderFramesCommand takes it) and
    // keeps the moved frames selected where they landed.
    void Rearrange(const std::vector<size_t>& order, const char* name);
    // Pictures the user chooses in the file dialog; empty when cancelled.
    wxArrayString ChoosePictures(const wxString& message);
    // Imports the pictures and inserts their frames at position (at the end
    // when past it), as one undoable command named name.
    bool ImportFrames(const wxArrayString& paths, size_t position, const char* name);
    void ReportUnloadableProject();
    // The opened project's frames have arrived: they replace the document.
    void ReplaceDocument(std::vector<DocumentFrame> frames, const wxString& path,
                         const ProjectReading& reading, const ProjectFrames& listed);
    template <typename T>
    T* FindResourceControl(const char* name);
    // A file to write: a name with wildcard characters is refused and asked
    // again; empty when cancelled.
    // filter: the type the dialog offers first, then the one chosen.
    wxString ChooseFileToWrite(const wxString& message, const wxString& folder,
                               const wxString& name, const wxString& wildcard, int* filter = nullptr);
    // Saving the animation: the file as typed, and in path with the
    // extension of its type (GIF, WebP or APNG) when it lacks one.
    wxString ChooseAnimationFile(const wxString& message, wxString& path);
    bool ConfirmAppendedExtension(const wxString& chosen, const wxString& path);
    // A Save onto one of the frames' pictures is refused (and the user told).
    bool RefusesPictureTarget(const wxString& path);
    void StartExport(const wxString& path, const wxString& name, const wxString& title);
    // The title: the project's name, else the GIF's, marked while unsaved.
    void ShowTitle();

    wxLocale* m_locale = nullptr;
    int m_languageCode = 0;

    // Parts of the layout the window fills and follows.
    wxThumbnailCtrl* m_thumbnailCtrl = nullptr;
    wxSpinCtrl* m_spinctrl_delay = nullptr;
    wxSpinCtrl* m_spinctrl_width = nullptr;
    wxSpinCtrl* m_spinctrl_height = nullptr;
    wxCheckBox* m_checkBox_transparent = nullptr;
    wxToolBar* m_toolBar_button = nullptr;
    wxStatusBar* m_statusBar1 = nullptr;

    Document m_document;
    DocumentHistory m_history;
    // What status field 0 says about the canvas: after a frame list change, a
    // size edit, or a project load.
    enum class CanvasForm { List, Edit, Loaded };
    CanvasForm m_canvasForm = CanvasForm::List;
    ThumbnailBasis m_thumbnailBasis;

    std::unique_ptr<PreviewPanel> m_preview;
    std::unique_ptr<class CaptionDrag> m_captionDrag;
    // Frame > Crop... while it is open; it destroys itself when it ends.
    CropDialog* m_cropDialog = nullptr;
    std::unique_ptr<ImportController> m_import;
    std::unique_ptr<ExportController> m_export;
    std::unique_ptr<SizeEstimateController> m_sizeEstimate;
    std::unique_ptr<DuplicateController> m_duplicates;
    // The timing tools' last choices, offered again.
    int m_speedPercent = 200;
    int m_reduceStep = 2;
    bool m_reduceKeepsOne = true;
    double m_duplicatePercent = 0;
    std::unique_ptr<UserPrompts> m_prompts;
    // Where the file dialogs open.
    DialogPlaces m_places;
    // The update check, running on a worker while the window stays usable.
    std::unique_ptr<UpdateChecker> m_updateChecker;
};

// Builds the main window from the loaded resources; null when the resource
// "MyFrame1" is missing.
MainWindow* CreateMainWindow();

// Where a command's menu item goes.
enum class CommandMenu { None, File, Edit, Frame, Animation, Help };

struct MainWindow::Command {
    Command(int id, CommandMenu menu, const char* label, const char* shortcut, Handler handler)
        : id(id), menu(menu), label(label), shortcut(shortcut), handler(handler) {}
    Command& EnabledWhile(Condition condition) { enabled = condition; return *this; }
    Command& OnTool(const char* name, const char* help) { tool = name, toolHelp = help; return *this; }
    Command& AlsoOnKey(const char* keys) { extraShortcut = keys; return *this; }
    Command& InContextMenu() { inContextMenu = true; return *this; }
    Command& AfterSeparator() { separatorBefore = true; return *this; }

    int id;
    CommandMenu menu;
    const char* label;     // untranslated
    const char* shortcut;  // shown in the menu; null for none
    Handler handler;       // null: the language submenu goes here
    Condition enabled = nullptr;  // null: always enabled
    const char* tool = nullptr;   // the resource name of its tool
    const char* toolHelp = nullptr;
    const char* extraShortcut = nullptr;  // another key that runs it
    bool inContextMenu = false;           // also in the strip's context menu
    bool separatorBefore = false;         // in whichever menu it shows
};
