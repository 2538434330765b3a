// Interface languages: the codes the language file and the menu use, and the
// locales that make the catalogs active.
#pragma once

#include <wx/intl.h>
#include <wx/string.h>

#include <array>

struct InterfaceLanguage {
    int code;            // stored in the language file and used as menu id
    const char* label;   // the language's own name, UTF-8, never translated
    wxLanguage toolkit;  // the toolkit's identifier for it
};

constexpr int kDefaultLanguageCode = 58;

// The seven offered languages, in menu order.
const std::array<InterfaceLanguage, 7>& InterfaceLanguages();

// The toolkit identifier for a stored code: the seven by name, 0 as the
// system default, anything else unchanged.
int ToolkitLanguageFor(int code);

// The application-wide English locale with the "ui" catalog. Null when the
// system lacks the locale; the catalogs are active either way.
wxLocale* CreateStartupLocale();

// Makes the interface language's "language" catalogs found under catalogDir
// (and the toolkit's own) active, whatever locales the system has. Returns
// the system locale for the language, null when the system lacks it.
wxLocale* CreateInterfaceLocale(int code, const wxString& catalogDir);
