// The process's peak resident memory, for the benchmarks that report it.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace lwtest {

// VmHWM of /proc/self/status in KiB; -1 where the system does not say.
inline long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace lwtest
