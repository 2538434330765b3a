// What every fuzz target sets up once: the toolkit's non-GUI part, and its
// assertions turned into crashes that the fuzzer records with their input.
#pragma once

#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>

namespace lwfuzz {

// A failed toolkit assertion is a fault the fuzzer has found: it stops the
// run with a stack instead of being printed and passed over.
inline void AbortOnAssert(const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
    std::fprintf(stderr, "wx assertion failed: %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
                 func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    std::abort();
}

// Strings, files and pictures need no display; the log would only repeat the
// damaged inputs by the thousand.
inline void Initialise() {
    static wxInitializer init;
    if (!init.IsOk()) {
        std::fprintf(stderr, "cannot initialise wxWidgets\n");
        std::exit(2);
    }
    wxSetAssertHandler(AbortOnAssert);
    wxLog::EnableLogging(false);
}

// A broken promise of the code under test: reported like a crash.
inline void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

}  // namespace lwfuzz
