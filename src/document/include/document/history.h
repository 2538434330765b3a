// The undo history of a document: the toolkit's command processor, with two
// saved marks — the last project load or save, and the last GIF save — that
// stay right however far the user undoes, redoes or branches off.
#pragma once

#include "document/commands.h"

#include <wx/cmdproc.h>

#include <memory>

class DocumentHistory : public wxCommandProcessor {
public:
    explicit DocumentHistory(int maxCommands = 500);

    // Runs the command and keeps it for undo; a value still being typed is
    // folded into the command that began it. False when it changed nothing.
    bool SubmitEdit(std::unique_ptr<DocumentCommand> command);

    // Forgets every command: the document as it is now is where undo stops.
    void Reset();

    // Changed since the last project load or save.
    bool IsDirty() const override;
    void MarkProjectSaved() { m_projectMark = CurrentSerial(); }
    // Unchanged since the last GIF save.
    bool IsGifUnchanged() const { return m_gifMark == CurrentSerial(); }
    void MarkGifSaved() { m_gifMark = CurrentSerial(); }
    void ForgetGifSaved() { m_gifMark = 0; }

    // "Undo Delete", or "Undo" alone when there is nothing to undo; translated.
    wxString UndoLabel() const;
    wxString RedoLabel() const;

protected:
    void Store(wxCommand* command) override;

private:
    // Names the document's state: the serial of the last command done, or of
    // the state before the oldest command still kept.
    unsigned long CurrentSerial() const;
    const wxCommand* NextCommand() const;

    unsigned long m_baseSerial;
    unsigned long m_projectMark;
    unsigned long m_gifMark = 0;  // 0 never names a state
};
