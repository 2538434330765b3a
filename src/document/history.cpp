#include "document/history.h"

#include <wx/intl.h>

namespace {

// A serial for a state that no command names: the start, or after Reset.
unsigned long FreshStateSerial() {
    static unsigned long next = 0;
    return --next;  // counts down from the top; commands count up from 1
}

unsigned long SerialOf(const wxCommand* command) {
    auto* own = dynamic_cast<const DocumentCommand*>(command);
    return own ? own->Serial() : 0;
}

wxString Label(const char* verb, const char* verbAndName, const wxCommand* command) {
    if (!command) return wxGetTranslation(verb);
    return wxString::Format(wxGetTranslation(verbAndName), wxGetTranslation(command->GetName()));
}

}  // namespace

DocumentHistory::DocumentHistory(int maxCommands)
    : wxCommandProcessor(maxCommands), m_baseSerial(FreshStateSerial()), m_projectMark(m_baseSerial) {}

bool DocumentHistory::SubmitEdit(std::unique_ptr<DocumentCommand> command) {
    auto* current = dynamic_cast<DocumentCommand*>(GetCurrentCommand());
    const bool foldable = current && !CanRedo() && current->Serial() != m_projectMark &&
                          current->Serial() != m_gifMark;
    if (foldable && current->Absorb(*command)) return true;
    return Submit(command.release());
}

void DocumentHistory::Reset() {
    ClearCommands();
    m_baseSerial = FreshStateSerial();
    m_projectMark = m_baseSerial;
    m_gifMark = 0;
}

bool DocumentHistory::IsDirty() const { return CurrentSerial() != m_projectMark; }

unsigned long DocumentHistory::CurrentSerial() const {
    const wxCommand* current = GetCurrentCommand();
    return current ? SerialOf(current) : m_baseSerial;
}

void DocumentHistory::Store(wxCommand* command) {
    // When the oldest command is about to be dropped, the state before the
    // next one becomes where undo stops.
    if (m_maxNoCommands > 0 && m_currentCommand) {
        const int kept = m_commands.IndexOf(m_currentCommand->GetData()) + 1;
        if (kept >= m_maxNoCommands && m_commands.GetFirst())
            m_baseSerial = SerialOf(static_cast<wxCommand*>(m_commands.GetFirst()->GetData()));
    }
    wxCommandProcessor::Store(command);
}

const wxCommand* DocumentHistory::NextCommand() const {
    const auto node = m_currentCommand ? m_currentCommand->GetNext() : m_commands.GetFirst();
    return node ? static_cast<const wxCommand*>(node->GetData()) : nullptr;
}

wxString DocumentHistory::UndoLabel() const {
    return Label(wxTRANSLATE("Undo"), wxTRANSLATE("Undo %s"), CanUndo() ? GetCurrentCommand() : nullptr);
}

wxString DocumentHistory::RedoLabel() const {
    return Label(wxTRANSLATE("Redo"), wxTRANSLATE("Redo %s"), NextCommand());
}
