#include "document/frameranges.h"

#include <wx/arrstr.h>

#include <algorithm>

wxString FrameRangesText(const std::vector<size_t>& indices) {
    wxString text;
    for (size_t i = 0; i < indices.size();) {
        size_t last = i;
        while (last + 1 < indices.size() && indices[last + 1] == indices[last] + 1) ++last;
        if (!text.empty()) text << ", ";
        text << indices[i] + 1;
        if (last > i) text << "-" << indices[last] + 1;
        i = last + 1;
    }
    return text;
}

std::optional<std::vector<size_t>> ParseFrameRanges(const wxString& text, size_t count) {
    std::vector<size_t> indices;
    wxString rest = text;
    rest.Replace(",", " ");
    for (const wxString& part : wxSplit(rest, ' ', '\0')) {
        if (part.empty()) continue;
        unsigned long first = 0, last = 0;
        if (!part.BeforeFirst('-').ToULong(&first)) return std::nullopt;
        last = first;
        if (part.Contains("-") && !part.AfterFirst('-').ToULong(&last)) return std::nullopt;
        if (first < 1 || last < first || last > count) return std::nullopt;
        for (unsigned long n = first; n <= last; ++n) indices.push_back(n - 1);
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty()) return std::nullopt;
    return indices;
}
