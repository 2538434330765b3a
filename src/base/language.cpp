#include "base/language.h"

#include <wx/log.h>
#include <wx/translation.h>

const std::array<InterfaceLanguage, 7>& InterfaceLanguages() {
    static const std::array<InterfaceLanguage, 7> languages = {{
        {46, "\xE4\xB8\xAD\xE6\x96\x87\xE7\xAE\x80\xE4\xBD\x93", wxLANGUAGE_CHINESE_SIMPLIFIED},
        {47, "\xE4\xB8\xAD\xE6\x96\x87\xE7\xB9\x81\xE4\xBD\x93", wxLANGUAGE_CHINESE_TRADITIONAL},
        {89, "Deutsch", wxLANGUAGE_GERMAN},
        {58, "English", wxLANGUAGE_ENGLISH},
        {80, "Fran\xC3\xA7" "ais", wxLANGUAGE_FRENCH},
        {110, "Italiano", wxLANGUAGE_ITALIAN},
        {112, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", wxLANGUAGE_JAPANESE},
    }};
    return languages;
}

int ToolkitLanguageFor(int code) {
    if (code == 0) return wxLANGUAGE_DEFAULT;
    for (const auto& language : InterfaceLanguages())
        if (language.code == code) return language.toolkit;
    return code;
}

namespace {
// The catalogs come through a translations object of our own: they load
// whether or not the system has the locale, and no warning is logged.
void UseCatalogs(int language, const wxString& prefix, const wxString& domain) {
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(prefix);
    auto* translations = new wxTranslations;
    translations->SetLanguage(static_cast<wxLanguage>(language));
    translations->AddStdCatalog();
    translations->AddCatalog(domain);
    wxTranslations::Set(translations);
}

wxLocale* CreateLocale(int code, const wxString& prefix, const wxString& domain) {
    int language = ToolkitLanguageFor(code);
    // A code the toolkit does not know leaves the choice to the system.
    if (language != wxLANGUAGE_DEFAULT && !wxLocale::GetLanguageInfo(language))
        language = wxLANGUAGE_DEFAULT;
    wxLocale* locale = nullptr;
    // Only a locale the system has: the toolkit's own buttons and dialogs,
    // and the C library, follow it.
    if (wxLocale::IsAvailable(language)) {
        wxLogNull quiet;
        locale = new wxLocale;
        locale->Init(language, wxLOCALE_DONT_LOAD_DEFAULT);
    }
    UseCatalogs(language, prefix, domain);
    return locale;
}
}  // namespace

wxLocale* CreateStartupLocale() { return CreateLocale(kDefaultLanguageCode, "m_locale_", "ui"); }

wxLocale* CreateInterfaceLocale(int code, const wxString& catalogDir) {
    return CreateLocale(code, catalogDir, "language");
}
