// Every edit of the document is one of these commands, so that it can be
// undone and redone (history.h keeps them). Names are English texts that the
// catalogs translate when a menu shows them ("Undo Delete").
#pragma once

#include "document/document.h"
#include "document/timing.h"

#include <wx/cmdproc.h>

#include <vector>

class DocumentCommand : public wxCommand {
public:
    DocumentCommand(Document& document, const char* name);
    // Unique over the program's run, never reused: tells states apart.
    unsigned long Serial() const { return m_serial; }
    // Takes over next, a later edit of the same value still being typed, so
    // that one undo takes back the whole edit. next is applied here.
    virtual bool Absorb(DocumentCommand& next);

protected:
    Document& m_document;

private:
    unsigned long m_serial;
};

// Frames put in at a position: Add Image, Insert Image, Duplicate.
class InsertFramesCommand : public DocumentCommand {
public:
    InsertFramesCommand(Document& document, size_t at, std::vector<DocumentFrame> frames,
                        const char* name);
    bool Do() override;
    bool Undo() override;

private:
    size_t m_at;
    std::vector<DocumentFrame> m_frames;  // shares the pictures with the document
    wxSize m_canvasBefore, m_referenceBefore;
};

// Frames taken out by index: Delete, Clear All. The frames are kept (their
// pictures shared) so that Undo puts them back where they were.
class RemoveFramesCommand : public DocumentCommand {
public:
    RemoveFramesCommand(Document& document, std::vector<size_t> indices, const char* name);
    bool Do() override;
    bool Undo() override;

private:
    struct Run {
        size_t at;
        std::vector<DocumentFrame> frames;
    };
    std::vector<size_t> m_indices;  // ascending, no repeats
    std::vector<Run> m_removed;     // ascending
    wxSize m_canvasBefore, m_referenceBefore;
};

// Frames put in a new order: newOrder[i] is the index, before the command,
// of the frame that ends up at position i.
class ReorderFramesCommand : public DocumentCommand {
public:
    ReorderFramesCommand(Document& document, std::vector<size_t> newOrder, const char* name);
    bool Do() override;
    bool Undo() override;

private:
    void Apply(const std::vector<size_t>& order);
    std::vector<size_t> m_order;
};

// The delay of some frames, or of every frame and the default for new ones
// (the Delay field). Typing into the field gives one command.
class SetDelayCommand : public DocumentCommand {
public:
    // Every frame, and the default delay.
    SetDelayCommand(Document& document, int delay, bool typed);
    // The frames at indices only.
    SetDelayCommand(Document& document, std::vector<size_t> indices, int delay);
    bool Do() override;
    bool Undo() override;
    bool Absorb(DocumentCommand& next) override;

private:
    bool m_all;
    bool m_typed;
    std::vector<size_t> m_indices;
    int m_delay;
    std::vector<int> m_before;
    int m_defaultBefore = 0;
};

// Each frame at indices its own delay (Change Speed).
class SetDelaysCommand : public DocumentCommand {
public:
    SetDelaysCommand(Document& document, std::vector<size_t> indices, std::vector<int> delays, const char* name);
    bool Do() override;
    bool Undo() override;

private:
    std::vector<size_t> m_indices;
    std::vector<int> m_delays;
    std::vector<int> m_before;
};

// Frames taken out with their time given to the frames that stay (Reduce
// Frames, Remove Duplicates): one undo puts them back with the old delays.
class DropFramesCommand : public DocumentCommand {
public:
    DropFramesCommand(Document& document, const FrameDrop& drop, const char* name);
    bool Do() override;
    bool Undo() override;

private:
    SetDelaysCommand m_delays;
    RemoveFramesCommand m_remove;
};

// The canvas size (the Width and Height fields); typing gives one command.
class SetCanvasCommand : public DocumentCommand {
public:
    SetCanvasCommand(Document& document, const wxSize& canvas, bool typed);
    bool Do() override;
    bool Undo() override;
    bool Absorb(DocumentCommand& next) override;

private:
    wxSize m_canvas;
    bool m_typed;
    wxSize m_before;
};

class SetLoopCountCommand : public DocumentCommand {
public:
    SetLoopCountCommand(Document& document, int count);
    bool Do() override;
    bool Undo() override;

private:
    int m_count;
    int m_before = 0;
};

// The GIF settings (quality, optimisation, transparent background).
class SetGifSettingsCommand : public DocumentCommand {
public:
    SetGifSettingsCommand(Document& document, const GifSettings& settings);
    bool Do() override;
    bool Undo() override;

private:
    GifSettings m_settings;
    GifSettings m_before;
};

// The part of the pictures every frame shows (Crop, Reset Crop); the canvas
// takes the crop's size, as it follows the frames.
class SetCropCommand : public DocumentCommand {
public:
    SetCropCommand(Document& document, const wxRect& crop, const char* name);
    bool Do() override;
    bool Undo() override;

private:
    wxRect m_crop;
    wxRect m_before;
    wxSize m_canvasBefore;
};

// Rotations and flips of some frames: each frame's turn is changed the same
// way. When the frames' drawn size turns sideways, so does the canvas.
class TurnFramesCommand : public DocumentCommand {
public:
    enum class Turn { Right, Left, FlipHorizontally, FlipVertically };
    TurnFramesCommand(Document& document, std::vector<size_t> indices, Turn turn);
    bool Do() override;
    bool Undo() override;

private:
    std::vector<size_t> m_indices;
    Turn m_turn;
    std::vector<FrameTurn> m_before;
    wxSize m_canvasBefore;
};

// Captions written on frames, changed, moved to other frames or taken off:
// each frame at indices gets its new list of captions.
class SetCaptionsCommand : public DocumentCommand {
public:
    SetCaptionsCommand(Document& document, std::vector<size_t> indices, std::vector<CaptionList> captions,
                       const char* name);
    bool Do() override;
    bool Undo() override;

private:
    std::vector<size_t> m_indices;
    std::vector<CaptionList> m_after;
    std::vector<CaptionList> m_before;
};

// The lists that put caption on the frames at indices (every frame when
// indices is empty), over what they show.
std::vector<CaptionList> WithCaptionAdded(const Document& document, const std::vector<size_t>& indices,
                                          const std::shared_ptr<const Caption>& caption);
// Every frame's list with old replaced by changed (null: taken off), and, for
// a changed caption, shown on exactly the frames at shownOn.
std::vector<CaptionList> WithCaptionChanged(const Document& document, const std::shared_ptr<const Caption>& old,
                                            const std::shared_ptr<const Caption>& changed,
                                            const std::vector<size_t>& shownOn);

// The order that moves the frames at indices (ascending) one place towards
// the start (-1) or the end (+1), each past its unselected neighbour; empty
// when one of them is already at that end.
std::vector<size_t> MovedOrder(size_t count, const std::vector<size_t>& indices, int step);
// The order that puts the frames at indices (ascending) before position
// (0..count, counted before the move), keeping their order.
std::vector<size_t> DroppedOrder(size_t count, const std::vector<size_t>& indices, size_t position);
// The order that reverses the frames at indices (ascending) among themselves,
// or every frame when indices is empty.
std::vector<size_t> ReversedOrder(size_t count, const std::vector<size_t>& indices);
