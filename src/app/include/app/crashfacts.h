// The facts the fatal-signal handler wrote, read back by the crash reporter.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// One line of the raw stack: "module(symbol+0xoffset) [0xaddress]".
struct CrashFrame {
    std::string module;
    std::string function;  // demangled; empty when the line names none
    unsigned long offset = 0;   // from the function's start
    unsigned long address = 0;
};

// A file mapped into the crashed process.
struct CrashModule {
    std::string path;
    unsigned long start = 0;
    unsigned long size = 0;  // up to the end of its last mapping
};

struct CrashFacts {
    int signal = 0;
    std::time_t time = 0;
    std::vector<CrashFrame> stack;
    std::vector<CrashModule> modules;
};

// Reads the facts; false when the text is not what the handler writes.
bool ParseCrashFacts(const std::string& text, CrashFacts& facts);

// Reads the whole facts file behind fd, from its start.
std::string ReadCrashFactsFile(int fd);
