#include "app/language.h"

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
wxLocale* CreateLocale(int code, const wxString& prefix, const wxString& domain) {
    auto* locale = new wxLocale;
    locale->Init(ToolkitLanguageFor(code), wxLOCALE_LOAD_DEFAULT);
    locale->AddCatalogLookupPathPrefix(prefix);
    locale->AddCatalog(domain);
    return locale;
}
}  // namespace

wxLocale* CreateStartupLocale() { return CreateLocale(kDefaultLanguageCode, "m_locale_", "ui"); }

wxLocale* CreateInterfaceLocale(int code, const wxString& catalogDir) {
    return CreateLocale(code, catalogDir, "language");
}
