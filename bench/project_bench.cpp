// Measures project files at their largest: saving and reopening 50,000
// frames, and refusing the hostile files that once froze or ended the
// program (150,000 levels deep, one 4 MB text, 16 MB of entries). Prints the
// time each takes and the peak memory; needs no display.
#include "project/projectfile.h"
#include "support/peakmemory.h"

#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Refusal(const char* what, const std::string& path) {
    ProjectReading reading;
    const double s = Seconds([&] { reading = ReadProjectFile(path); });
    std::printf("%-34s %8.3f s  %s\n", what, s,
                ProjectReadProblemText(reading, "file").utf8_str().data());
}

}  // namespace

int main() {
    wxInitializer init;
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = std::string(tmp ? tmp : "/tmp");
    const std::string project = dir + "/loopwright-bench-project.xml";

    ProjectContent content;
    content.width = 1280;
    content.height = 720;
    content.delay = 10;
    for (int i = 0; i < 50000; ++i) {
        content.framePaths.Add(wxString::Format("/home/user/pictures/holiday/frame-%05d.png", i));
        content.frameDelays.push_back(10 + i % 7);
    }
    ProjectWriteStatus status = ProjectWriteStatus::CannotWrite;
    const double save = Seconds([&] { status = WriteProjectFile(project, content); });
    std::printf("%-34s %8.3f s  %s\n", "save 50,000 frames", save,
                status == ProjectWriteStatus::Written ? "written" : "FAILED");
    ProjectReading reading;
    const double open = Seconds([&] { reading = ReadProjectFile(project); });
    std::printf("%-34s %8.3f s  %zu entries\n", "open 50,000 frames", open, reading.entries.size());

    std::string deep;
    for (int i = 0; i < 150000; ++i) deep += "<a>";
    Write(project, deep);
    Refusal("open 150,000 levels deep", project);
    Write(project, "<project><name>" + std::string(4 << 20, 'x') + "</name></project>");
    Refusal("open a 4 MB text", project);
    std::string many = "<project><name/><gif><width>1</width><height>1</height>"
                       "<delay_time>1</delay_time></gif><images>";
    while (many.size() < (16u << 20) - 64) many += "<path>/p/a.png</path>";
    Write(project, many + "</images></project>");
    const double full = Seconds([&] { reading = ReadProjectFile(project); });
    std::printf("%-34s %8.3f s  %zu entries, peak memory %ld MiB\n", "open 16 MB of entries", full,
                reading.entries.size(), lwtest::PeakMemoryKiB() / 1024);
    Write(project, many + many);
    Refusal("open 32 MB", project);
    std::remove(project.c_str());
    return 0;
}
