// Every thread the program starts runs its work on an alternate signal stack
// of its own: the crash handler runs there, so that a stack overflow on any of
// our threads still leaves a crash report. All our threads go through here.
#pragma once

#include <signal.h>

#include <cstddef>
#include <memory>
#include <utility>

// Enough for the crash handler, which only starts the reporter process.
constexpr size_t kSignalStackBytes = 64 * 1024;

// Gives the calling thread a signal stack for its lifetime, unless it has one.
class ThreadSignalStack {
public:
    ThreadSignalStack();
    ~ThreadSignalStack();
    ThreadSignalStack(const ThreadSignalStack&) = delete;
    ThreadSignalStack& operator=(const ThreadSignalStack&) = delete;

private:
    std::unique_ptr<char[]> m_memory;
};

// work, made to run on a signal stack of its own in whichever thread runs it.
template <typename Work>
auto WithSignalStack(Work work) {
    return [work = std::move(work)](auto&&... arguments) mutable -> decltype(auto) {
        ThreadSignalStack stack;
        return work(std::forward<decltype(arguments)>(arguments)...);
    };
}
