// What every fuzz target sets up once: the toolkit's non-GUI part, and its
// assertions turned into crashes that the fuzzer records with their input.
#pragma once

#include <wx/init.h>
#include <wx/log.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

// The readers read from a path: each input is written to one file in a
// folder of this process's own, removed at exit.
inline std::string& InputFolder() {
    static std::string folder;
    return folder;
}

inline std::string& InputPath() {
    static std::string path;
    return path;
}

inline void RemoveInputFile() {
    std::remove(InputPath().c_str());
    ::rmdir(InputFolder().c_str());
}

// The folder under $TMPDIR named after prefix, and the file name in it.
inline void MakeInputFile(const char* prefix, const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    InputFolder() = folder;
    InputPath() = folder + "/" + name;
    std::atexit(RemoveInputFile);
}

// A file that cannot be written stops the run: the fuzzer's folder is full.
inline void WriteInputFile(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    const bool written = file && std::fwrite(data, 1, size, file) == size;
    if (file && std::fclose(file) == 0 && written) return;
    std::perror(InputPath().c_str());
    std::abort();
}

}  // namespace lwfuzz
