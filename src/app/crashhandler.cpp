#include "app/crashhandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr size_t kAltStackSize = 256 * 1024;
constexpr int kMaxFrames = 128;

// Everything is prepared at start-up: the handler may not allocate.
struct Prepared {
    int factsFd = -1;
    char program[4096] = {};
    char option[64] = {};
    char* argv[3] = {};
};
Prepared g_prepared;
alignas(16) char g_altStack[kAltStackSize];
std::atomic<bool> g_handling{false};

// Plain write(2) until done; errors are ignored, there is no one to tell.
void Write(const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = write(g_prepared.factsFd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

void WriteText(const char* text) { Write(text, std::strlen(text)); }

void WriteNumber(long long value) {
    char digits[24];
    size_t i = sizeof digits;
    const bool negative = value < 0;
    unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    do {
        digits[--i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (negative) digits[--i] = '-';
    Write(digits + i, sizeof digits - i);
}

void CopyFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        Write(chunk, static_cast<size_t>(n));
    }
    close(fd);
}

void WriteFacts(int signal) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    WriteText("signal=");
    WriteNumber(signal);
    WriteText("\ntime=");
    WriteNumber(now.tv_sec);
    WriteText("\n[stack]\n");
    void* frames[kMaxFrames];
    const int count = backtrace(frames, kMaxFrames);
    backtrace_symbols_fd(frames, count, g_prepared.factsFd);
    WriteText("[modules]\n");
    CopyFile("/proc/self/maps");
}

// Starts the reporter and waits until it is done (the user has read the message).
void RunReporter() {
    const pid_t child = _Fork();
    if (child == 0) {
        fcntl(g_prepared.factsFd, F_SETFD, 0);  // the reporter inherits the facts
        lseek(g_prepared.factsFd, 0, SEEK_SET);
        // The running program even if its file was replaced since it started.
        execve("/proc/self/exe", g_prepared.argv, environ);
        _exit(127);
    }
    if (child < 0) return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

// Ends the process by the signal that brought it here, as if unhandled.
[[noreturn]] void DieBy(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

bool PrepareReporterCommand(int factsFd) {
    const ssize_t length =
        readlink("/proc/self/exe", g_prepared.program, sizeof g_prepared.program - 1);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof g_prepared.program - 1) return false;
    g_prepared.program[length] = '\0';
    const int written = std::snprintf(g_prepared.option, sizeof g_prepared.option, "%s%d",
                                      kCrashReportOption, factsFd);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof g_prepared.option) return false;
    g_prepared.argv[0] = g_prepared.program;
    g_prepared.argv[1] = g_prepared.option;
    g_prepared.argv[2] = nullptr;
    return true;
}

bool UseAlternateStack() {
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    return sigaltstack(&stack, nullptr) == 0;
}

}  // namespace

void HandleFatalSignal(int signal, siginfo_t*, void*) {
    // A second thread faulting meanwhile waits for the end of the first.
    if (g_handling.exchange(true)) {
        for (;;) pause();
    }
    WriteFacts(signal);
    RunReporter();
    DieBy(signal);
}

bool InstallCrashHandler() {
    if (g_prepared.factsFd < 0) {
        const int fd = memfd_create("crash-facts", MFD_CLOEXEC);
        if (fd < 0) return false;
        if (!PrepareReporterCommand(fd)) {
            close(fd);
            return false;
        }
        g_prepared.factsFd = fd;
        // The first backtrace() loads the unwinder, which allocates: not in the handler.
        void* frame[1];
        backtrace(frame, 1);
    }
    if (!UseAlternateStack()) return false;
    struct sigaction action {};
    action.sa_sigaction = &HandleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) sigaction(signal, &action, nullptr);
    return true;
}
