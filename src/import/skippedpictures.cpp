#include "import/skippedpictures.h"

#include "base/filenames.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include <algorithm>

wxString SkipReasonText(const SkippedPicture& skipped) {
    switch (skipped.reason) {
        case SkipReason::NotFound: return wxGetTranslation("not found");
        case SkipReason::NotAPicture: return wxGetTranslation("not a picture or video");
        case SkipReason::Damaged: return wxGetTranslation("damaged");
        case SkipReason::OverBudget: return wxGetTranslation("over the memory budget");
        case SkipReason::TooLarge:
            return wxString::Format(wxGetTranslation("too large (%d x %d pixels)"), skipped.size.x,
                                    skipped.size.y);
        case SkipReason::PartlyRead: return wxGetTranslation("damaged (partly read)");
    }
    return wxString();
}

wxString SkippedPicturesText(const std::vector<SkippedPicture>& skipped) {
    if (skipped.empty()) return wxString();
    const bool partly = std::any_of(skipped.begin(), skipped.end(), [](const SkippedPicture& s) {
        return s.reason == SkipReason::PartlyRead;
    });
    wxString text = partly ? wxGetTranslation("These pictures could not be added, or only in part:")
                           : wxGetTranslation("These pictures could not be added:");
    for (size_t i = 0; i < skipped.size() && i < kNamedSkips; ++i)
        text << "\n"
             << wxString::Format(wxGetTranslation("%s: %s"), ShownFileName(wxFileNameFromPath(skipped[i].path)),
                                 SkipReasonText(skipped[i]));
    if (skipped.size() > kNamedSkips)
        text << "\n" << wxString::Format(wxGetTranslation("and %d more"),
                                         static_cast<int>(skipped.size() - kNamedSkips));
    return text;
}
