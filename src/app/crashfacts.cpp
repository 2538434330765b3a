#include "app/crashfacts.h"

#include <cxxabi.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

// The largest facts file read: far beyond a stack and a module list.
constexpr size_t kFactsLimit = 16 * 1024 * 1024;

std::string Demangle(const std::string& symbol) {
    int status = -1;
    const std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? std::string(name.get()) : symbol;
}

unsigned long Hex(const std::string& text) { return std::strtoul(text.c_str(), nullptr, 16); }

CrashFrame ParseFrame(const std::string& line) {
    CrashFrame frame;
    const size_t open = line.find('(');
    const size_t close = line.find(')', open == std::string::npos ? 0 : open);
    const size_t bracket = line.rfind('[');
    frame.module = line.substr(0, open == std::string::npos ? line.find(' ') : open);
    if (bracket != std::string::npos) frame.address = Hex(line.substr(bracket + 1));
    if (open == std::string::npos || close == std::string::npos) return frame;
    const std::string inside = line.substr(open + 1, close - open - 1);
    const size_t plus = inside.rfind('+');
    const std::string symbol = inside.substr(0, plus);
    if (plus != std::string::npos) frame.offset = Hex(inside.substr(plus + 1));
    if (!symbol.empty()) frame.function = Demangle(symbol);
    return frame;
}

// "start-end perms offset device inode path"; the mappings of one file are
// merged, anonymous ones left out.
void AddMapping(const std::string& line, std::vector<CrashModule>& modules) {
    const size_t path = line.find('/');
    const size_t dash = line.find('-');
    if (path == std::string::npos || dash == std::string::npos || dash > path) return;
    const unsigned long start = Hex(line.substr(0, dash));
    const unsigned long end = Hex(line.substr(dash + 1));
    const std::string name = line.substr(path);
    for (CrashModule& module : modules) {
        if (module.path != name) continue;
        if (end > module.start + module.size) module.size = end - module.start;
        return;
    }
    modules.push_back(CrashModule{name, start, end > start ? end - start : 0});
}

}  // namespace

bool ParseCrashFacts(const std::string& text, CrashFacts& facts) {
    facts = CrashFacts{};
    std::istringstream in(text);
    enum { kHead, kStack, kModules } part = kHead;
    bool sawSignal = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "[stack]") {
            part = kStack;
        } else if (line == "[modules]") {
            part = kModules;
        } else if (part == kStack) {
            facts.stack.push_back(ParseFrame(line));
        } else if (part == kModules) {
            AddMapping(line, facts.modules);
        } else if (line.rfind("signal=", 0) == 0) {
            facts.signal = std::atoi(line.c_str() + 7);
            sawSignal = true;
        } else if (line.rfind("time=", 0) == 0) {
            facts.time = static_cast<std::time_t>(std::atoll(line.c_str() + 5));
        }
    }
    return sawSignal && facts.time > 0;
}

std::string ReadCrashFactsFile(int fd) {
    std::string text;
    char chunk[65536];
    for (off_t at = 0; text.size() < kFactsLimit;) {
        const ssize_t n = pread(fd, chunk, sizeof chunk, at);
        if (n <= 0) break;
        text.append(chunk, static_cast<size_t>(n));
        at += n;
    }
    return text;
}
