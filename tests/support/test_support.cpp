#include "support/test_support.h"

#include <wx/dir.h>
#include <wx/filename.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lwtest {
namespace {

std::string g_root;  // temporary folder of this run
std::string g_home;

std::mutex g_assertMutex;
int g_recorders = 0;
std::vector<std::string> g_recorded;

void AssertHandler(const wxString& file, int line, const wxString& func,
                   const wxString& cond, const wxString& msg) {
    std::lock_guard<std::mutex> lock(g_assertMutex);
    if (g_recorders > 0) {
        g_recorded.push_back(msg.ToStdString());
        return;
    }
    ADD_FAILURE_AT(file.ToStdString().c_str(), line)
        << "wx assertion in " << func << ": " << cond << " " << msg;
}

}  // namespace

void PrepareTestEnvironment() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lwtest-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    g_root = buf.data();
    g_home = g_root + "/home";
    mkdir(g_home.c_str(), 0700);
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_home + "/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (g_home + "/.cache").c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
    // Keep GTK from looking for an accessibility bus that is not there.
    setenv("NO_AT_BRIDGE", "1", 1);
    std::atexit([] {
        if (!g_root.empty() && !std::getenv("LW_KEEP_TEST_FILES")) {
            std::string cmd = "rm -rf '" + g_root + "'";
            if (std::system(cmd.c_str()) != 0) {}
        }
    });
}

std::string TestHome() { return g_home; }

std::string MakeTempDir(const std::string& prefix) {
    static int counter = 0;
    std::string dir = g_root + "/" + prefix + "-" + std::to_string(++counter);
    wxFileName::Mkdir(dir, 0755, wxPATH_MKDIR_FULL);
    return dir;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    wxDir dir(folder);
    wxString name;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
         more; more = dir.GetNext(&name))
        names.push_back(name.ToStdString());
    std::sort(names.begin(), names.end());
    return names;
}

bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (wxTheApp) wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
    return true;
}

void PumpPending() {
    if (wxTheApp) wxTheApp->Yield(true);
}

void InstallFailingAssertHandler() { wxSetAssertHandler(AssertHandler); }

AssertionRecorder::AssertionRecorder() {
    std::lock_guard<std::mutex> lock(g_assertMutex);
    if (g_recorders++ == 0) g_recorded.clear();
}

AssertionRecorder::~AssertionRecorder() {
    std::lock_guard<std::mutex> lock(g_assertMutex);
    --g_recorders;
}

const std::vector<std::string>& AssertionRecorder::Messages() const { return g_recorded; }

bool AssertionRecorder::Saw(const std::string& text) const {
    std::lock_guard<std::mutex> lock(g_assertMutex);
    for (const auto& m : g_recorded)
        if (m.find(text) != std::string::npos) return true;
    return false;
}

int TestDialogHook::Enter(wxDialog* dlg) {
    const int rc = wxTestingModalHook::Enter(dlg);
    return rc == wxID_NONE ? wxID_CANCEL : rc;
}

void TestDialogHook::ReportFailure(const wxString& msg) { ADD_FAILURE() << msg; }

int UnexpectedDialogGuard::Enter(wxDialog* dlg) {
    wxString what = dlg->GetTitle();
    if (auto* box = dynamic_cast<wxMessageDialog*>(dlg)) what = box->GetMessage();
    ADD_FAILURE() << "unexpected modal dialog: " << what;
    return wxID_CANCEL;
}

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env,
                         std::chrono::milliseconds timeout) {
    ProcessResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        for (const auto& [k, v] : env) {
            if (v.empty()) unsetenv(k.c_str());
            else setenv(k.c_str(), v.c_str(), 1);
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    const auto end = std::chrono::steady_clock::now() + timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        result.exitCode = 128 + result.signal;
    }
    return result;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    m_savedLimit = limit.rlim_cur;
    // Past the limit the system sends SIGXFSZ, which would end the test.
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_savedLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_savedHandler);
}

std::string PillowTiming(const std::string& path) {
    const char* script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nd = set()\n"
        "for i in range(im.n_frames):\n    im.seek(i); im.load(); d.add(int(im.info.get('duration')))\n"
        "print(im.n_frames, im.size, sorted(d))\n";
    return RunProcess({"/usr/bin/python3", "-c", script, path}).out;
}

}  // namespace lwtest
