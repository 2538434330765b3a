#include "base/signalstack.h"

#include <new>

ThreadSignalStack::ThreadSignalStack() {
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
    m_memory.reset(new (std::nothrow) char[kSignalStackBytes]);
    if (!m_memory) return;
    stack_t stack{};
    stack.ss_sp = m_memory.get();
    stack.ss_size = kSignalStackBytes;
    if (sigaltstack(&stack, nullptr) != 0) m_memory.reset();
}

ThreadSignalStack::~ThreadSignalStack() {
    if (!m_memory) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
}
