// Crash reports of a real crash: a probe program built on the application
// object faults on the main thread or on a worker thread, or overflows its
// stack, with its temporary folder pointed at a fresh folder and a stand-in
// file browser on its PATH. The report is made by a second run of the probe,
// the crash reporter.
#include "app/crashreport.h"
#include "support/test_support.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace {

struct CrashRun {
    lwtest::ProcessResult process;
    std::string tempDir;
    std::string reportDir;  // empty when the crash left no report folder
    std::string opened;     // what the file browser was asked to open, one per line
};

std::string LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// Answers "xdg-open <folder>" by recording the folder instead of opening it.
std::string MakeFakeFileBrowser() {
    const std::string bin = lwtest::MakeTempDir("fakebin");
    lwtest::WriteFile(bin + "/xdg-open",
                      "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$LW_OPENED_RECORD\"\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    return bin;
}

CrashRun RunCrashProbe(const std::string& mode, const std::string& tempPrefix) {
    CrashRun run;
    run.tempDir = lwtest::MakeTempDir(tempPrefix);
    const std::string record = lwtest::MakeTempDir("opened") + "/record.txt";
    const std::string bin = MakeFakeFileBrowser();
    const char* path = std::getenv("PATH");
    run.process = lwtest::RunProcess({LW_CRASHPROBE, mode},
                                     {{"TMPDIR", run.tempDir},
                                      {"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")},
                                      {"LW_OPENED_RECORD", record}},
                                     std::chrono::seconds(30));
    for (const auto& entry : fs::directory_iterator(run.tempDir))
        if (entry.is_directory() &&
            entry.path().filename().string().find("_dbgrpt-") != std::string::npos) {
            EXPECT_TRUE(run.reportDir.empty()) << "second report folder " << entry.path();
            run.reportDir = entry.path().string();
        }
    if (lwtest::FileExists(record)) run.opened = lwtest::ReadFile(record);
    return run;
}

std::vector<std::string> FilesIn(const std::string& dir, const std::string& extension) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == extension) names.push_back(entry.path().filename());
    return names;
}

// The report folder holds the timestamp, the context file whose stack names
// our functions (the signal handler and where the fault happened), and an
// archive of both.
void ExpectCompleteReport(const std::string& dir, const std::string& before,
                          const std::string& after, const std::string& fault) {
    const std::string stamp = lwtest::ReadFile(dir + "/timestamp.my");
    EXPECT_EQ(stamp.size(), 19u) << stamp;
    EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")))
        << stamp;
    EXPECT_LE(before, stamp);
    EXPECT_LE(stamp, after);

    const auto contexts = FilesIn(dir, ".xml");
    ASSERT_EQ(contexts.size(), 1u);
    const std::string context = lwtest::ReadFile(dir + "/" + contexts[0]);
    EXPECT_NE(context.find("kind=\"exception\""), std::string::npos);
    EXPECT_NE(context.find("function=\"HandleFatalSignal(int, siginfo_t*, void*)\""),
              std::string::npos);
    EXPECT_NE(context.find("function=\"" + fault + "\""), std::string::npos);
    EXPECT_NE(context.find("<context signal=\"11\" name=\"SEGV\"/>"), std::string::npos);
    EXPECT_NE(context.find("libwx_baseu"), std::string::npos);  // the modules

    const std::string zip = dir + "/" + fs::path(dir).filename().string() + ".zip";
    ASSERT_TRUE(lwtest::FileExists(zip));
    const auto listing = lwtest::RunProcess({"/usr/bin/unzip", "-Z1", zip});
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out, contexts[0] + "\ntimestamp.my\n");
    EXPECT_EQ(lwtest::RunProcess({"/usr/bin/unzip", "-p", zip, "timestamp.my"}).out, stamp);
    EXPECT_EQ(lwtest::RunProcess({"/usr/bin/unzip", "-p", zip, contexts[0]}).out, context);
}

std::string ShownMessage(const std::string& out) {
    const std::string open = "<<<message\n", close = "\nmessage>>>";
    const size_t from = out.find(open);
    if (from == std::string::npos) return std::string();
    const size_t to = out.find(close, from);
    return out.substr(from + open.size(), to == std::string::npos ? to : to - from - open.size());
}

struct CrashCase {
    const char* name;
    const char* mode;
    const char* tempPrefix;
    const char* fault;  // the function the stack shows faulting
};

void PrintTo(const CrashCase& c, std::ostream* os) { *os << c.name; }

class CrashReport : public ::testing::TestWithParam<CrashCase> {};

TEST_P(CrashReport, LeavesCompleteReportTellsWhereAndEnds) {
    const CrashCase& c = GetParam();
    const std::string before = LocalNow();
    const CrashRun run = RunCrashProbe(c.mode, c.tempPrefix);
    const std::string after = LocalNow();

    ASSERT_FALSE(run.process.timedOut) << run.process.out << run.process.err;
    // Once the report is done the process ends by the signal that hit it.
    EXPECT_EQ(run.process.exitCode, 128 + SIGSEGV) << run.process.err;
    ASSERT_FALSE(run.reportDir.empty()) << run.process.err;
    ExpectCompleteReport(run.reportDir, before, after, c.fault);

    // The reporter is a process of its own, so a fault on any thread gets the
    // message box; the message goes to standard error too.
    const std::string message = CrashReportMessage(run.reportDir).utf8_str().data();
    EXPECT_NE(run.process.out.find("caption: Message\n"), std::string::npos) << run.process.out;
    EXPECT_EQ(ShownMessage(run.process.out), message);
    EXPECT_NE(run.process.err.find(message + "\n"), std::string::npos) << run.process.err;
    EXPECT_EQ(run.opened, run.reportDir + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    , CrashReport,
    ::testing::Values(CrashCase{"MainThread", "main", "crash", "CrashProbeFault()"},
                      CrashCase{"WorkerThread", "worker", "crash", "CrashProbeFault()"},
                      CrashCase{"StackOverflow", "overflow", "crash", "CrashProbeOverflow(int)"},
                      CrashCase{"WorkerStackOverflow", "worker-overflow", "crash", "CrashProbeOverflow(int)"},
                      CrashCase{"MainThreadPercentFolder", "main", "odd%s%d%", "CrashProbeFault()"},
                      CrashCase{"WorkerThreadPercentFolder", "worker", "100%-%s",
                                "CrashProbeFault()"}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return info.param.name; });

// The report's stack can only name our functions when the program exports them.
TEST(CrashReportProgram, ExportsItsFunctionsForTheReportStack) {
    const auto symbols = lwtest::RunProcess({"/usr/bin/nm", "-D", "-C", LW_PROGRAM});
    ASSERT_EQ(symbols.exitCode, 0) << symbols.err;
    EXPECT_NE(symbols.out.find(" T HandleFatalSignal(int, siginfo_t*, void*)"), std::string::npos);
    EXPECT_NE(symbols.out.find(" T CreateCrashReport(CrashFacts const&)"), std::string::npos);
}

}  // namespace
