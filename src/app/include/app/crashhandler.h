// The fatal-signal handler. It only does what is safe inside a signal handler:
// it writes the facts of the crash (signal, time, raw stack, loaded modules)
// to a file opened at start-up and starts this program again as the crash
// reporter, which builds the report and tells the user. It runs on a stack of
// its own, so a stack overflow is reported too.
#pragma once

#include <csignal>

// The hidden option that makes the program the crash reporter; the number of
// the descriptor holding the facts follows the "=".
constexpr char kCrashReportOption[] = "--crash-report-fd=";

// Prepares everything the handler needs and installs it for SIGSEGV, SIGBUS,
// SIGFPE and SIGILL; the alternate stack is the calling thread's. False when
// something could not be prepared (then no handler is installed).
bool InstallCrashHandler();

// The handler itself; exported, so that the report's stack names it.
void HandleFatalSignal(int signal, siginfo_t* info, void* context);
