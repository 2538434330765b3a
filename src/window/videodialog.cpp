#include "window/videodialog.h"

#include "base/filenames.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>

namespace {

// The previews' box: small enough for two side by side on a small screen.
const wxSize kPreview(192, 108);

wxString Duration(long long ms) {
    const long long seconds = ms / 1000;
    return wxString::Format("%lld:%02lld.%02lld", seconds / 60, seconds % 60, ms % 1000 / 10);
}

long long Milliseconds(double seconds) { return std::llround(seconds * 1000.0); }

// Frames the choice gives at most: each sample, or each frame of the video.
long long FramesTaken(const VideoSampling& sampling, const VideoFacts& facts, long long lengthMs) {
    const double rate = sampling.fps > 0 ? sampling.fps : facts.frameRate;
    return rate > 0 ? std::max<long long>(1, std::llround(std::ceil(lengthMs * rate / 1000.0))) : 0;
}

}  // namespace

VideoDialog::VideoDialog(wxWindow* parent, const wxString& path, VideoReader& reader,
                         const VideoSampling& proposed)
    : wxDialog(parent, wxID_ANY, wxGetTranslation("Add Video")), m_reader(reader), m_facts(reader.Facts()) {
    Lay(path);
    SetSampling(proposed);
    Bind(wxEVT_SPINCTRLDOUBLE, &VideoDialog::OnRange, this, ID_START);
    Bind(wxEVT_SPINCTRLDOUBLE, &VideoDialog::OnRange, this, ID_END);
    Bind(wxEVT_CHECKBOX, &VideoDialog::OnRate, this, ID_EVERY_FRAME);
    Bind(wxEVT_SPINCTRL, &VideoDialog::OnRate, this, ID_FPS);
    Bind(wxEVT_SPINCTRL, &VideoDialog::OnRate, this, ID_WIDTH);
}

void VideoDialog::Lay(const wxString& path) {
    const double length = m_facts.durationMs > 0 ? m_facts.durationMs / 1000.0 : 24 * 3600.0;
    m_start = new wxSpinCtrlDouble(this, ID_START, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxSP_ARROW_KEYS, 0, length, 0, 0.1);
    m_end = new wxSpinCtrlDouble(this, ID_END, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                 wxSP_ARROW_KEYS, 0, length, length, 0.1);
    m_start->SetDigits(2);
    m_end->SetDigits(2);
    m_startPicture = new wxStaticBitmap(this, wxID_ANY, wxBitmap(kPreview.x, kPreview.y));
    m_endPicture = new wxStaticBitmap(this, wxID_ANY, wxBitmap(kPreview.x, kPreview.y));
    m_everyFrame = new wxCheckBox(this, ID_EVERY_FRAME, wxGetTranslation("Every frame, as the video plays"));
    m_fps = new wxSpinCtrl(this, ID_FPS, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1,
                           100, kDefaultVideoRateLimit);
    const int widest = std::max(m_facts.size.x, 2);
    m_width = new wxSpinCtrl(this, ID_WIDTH, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS,
                             std::min(16, widest), widest, widest);
    m_height = new wxStaticText(this, wxID_ANY, wxString());
    m_summary = new wxStaticText(this, ID_SUMMARY, wxString());

    const wxString facts = wxString::Format(
        wxGetTranslation("%s: %s long, %d x %d pixels, %.3g frames a second"),
        ShownFileName(wxFileName(path).GetFullName()),
        m_facts.durationMs > 0 ? Duration(m_facts.durationMs) : wxString("?"), m_facts.size.x, m_facts.size.y,
        m_facts.frameRate);
    auto* range = new wxFlexGridSizer(2, 8, 16);
    auto end = [&](wxSizer* column, const char* label, wxSpinCtrlDouble* spin, wxStaticBitmap* picture) {
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        line->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(label)), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        line->Add(spin, 1);
        line->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("seconds")), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
        column->Add(line, 0, wxEXPAND | wxBOTTOM, 4);
        column->Add(picture, 0, wxALIGN_CENTER);
    };
    auto* first = new wxBoxSizer(wxVERTICAL);
    auto* last = new wxBoxSizer(wxVERTICAL);
    end(first, wxTRANSLATE("From"), m_start, m_startPicture);
    end(last, wxTRANSLATE("To"), m_end, m_endPicture);
    range->Add(first);
    range->Add(last);

    auto* rate = new wxBoxSizer(wxHORIZONTAL);
    rate->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Frames per second")), 0,
              wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    rate->Add(m_fps);
    rate->Add(m_everyFrame, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 16);
    auto* size = new wxBoxSizer(wxHORIZONTAL);
    size->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation("Width")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    size->Add(m_width);
    size->Add(m_height, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(m_summary, 1, wxALIGN_CENTER_VERTICAL);
    buttons->Add(new wxButton(this, wxID_OK, wxGetTranslation("OK")), 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel")));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, facts), 0, wxALL, 12);
    column->Add(range, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(rate, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(size, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    column->Add(buttons, 0, wxEXPAND | wxALL, 12);
    SetSizerAndFit(column);
    SetDefaultItem(FindWindow(wxID_OK));
}

VideoSampling VideoDialog::GetSampling() const {
    VideoSampling sampling;
    sampling.startMs = Milliseconds(m_start->GetValue());
    sampling.endMs = std::max(sampling.startMs + 1, Milliseconds(m_end->GetValue()));
    // The whole video to its end, whatever its last timestamp says.
    if (m_facts.durationMs > 0 && sampling.endMs >= m_facts.durationMs) sampling.endMs = -1;
    sampling.fps = m_everyFrame->GetValue() ? 0 : m_fps->GetValue();
    sampling.size = m_width->GetValue() == m_facts.size.x ? m_facts.size
                                                          : VideoSizeForWidth(m_facts.size, m_width->GetValue());
    return sampling;
}

void VideoDialog::SetSampling(const VideoSampling& sampling) {
    m_start->SetValue(sampling.startMs / 1000.0);
    m_end->SetValue(sampling.endMs < 0 ? m_end->GetMax() : sampling.endMs / 1000.0);
    m_everyFrame->SetValue(sampling.fps == 0);
    if (sampling.fps > 0) m_fps->SetValue(sampling.fps);
    m_width->SetValue(sampling.size.x > 0 ? sampling.size.x : m_facts.size.x);
    Refresh(true);
}

void VideoDialog::OnRange(wxSpinDoubleEvent& event) {
    // The range never turns inside out: the other end follows.
    if (m_end->GetValue() <= m_start->GetValue()) {
        if (event.GetId() == ID_START) m_end->SetValue(std::min(m_end->GetMax(), m_start->GetValue() + 0.1));
        if (m_end->GetValue() <= m_start->GetValue()) m_start->SetValue(std::max(0.0, m_end->GetValue() - 0.1));
    }
    Refresh(true);
}

void VideoDialog::OnRate(wxCommandEvent&) { Refresh(false); }

void VideoDialog::Refresh(bool previews) {
    const VideoSampling sampling = GetSampling();
    m_fps->Enable(!m_everyFrame->GetValue());
    m_height->SetLabel(wxString::Format(wxGetTranslation("x %d pixels"), sampling.size.y));
    const long long endMs = sampling.endMs < 0 ? m_facts.durationMs : sampling.endMs;
    const long long frames = FramesTaken(sampling, m_facts, endMs - sampling.startMs);
    m_summary->SetLabel(frames > 0 ? wxString::Format(wxGetTranslation("About %lld frames"), frames) : wxString());
    if (!previews) return;
    ShowPreview(m_startPicture, sampling.startMs);
    // The last frame shown before the range ends.
    const long long frameMs = m_facts.frameRate > 0 ? std::llround(1000.0 / m_facts.frameRate) : 1;
    ShowPreview(m_endPicture, std::max(sampling.startMs, endMs - frameMs));
    Layout();
}

void VideoDialog::ShowPreview(wxStaticBitmap* where, long long ms) {
    const wxSize fitted = m_facts.size.x * kPreview.y > m_facts.size.y * kPreview.x
                              ? wxSize(kPreview.x, std::max(1, kPreview.x * m_facts.size.y / std::max(1, m_facts.size.x)))
                              : wxSize(std::max(1, kPreview.y * m_facts.size.x / std::max(1, m_facts.size.y)), kPreview.y);
    std::unique_ptr<wxImage> picture = m_reader.PictureAt(ms, fitted);
    wxImage shown(kPreview.x, kPreview.y);  // black where the picture leaves room, or when there is none
    if (picture && picture->IsOk())
        shown.Paste(*picture, (kPreview.x - picture->GetWidth()) / 2, (kPreview.y - picture->GetHeight()) / 2);
    where->SetBitmap(wxBitmap(shown));
}
