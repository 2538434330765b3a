#include "files/savefolders.h"

#include "files/replacingfile.h"

#include <wx/filename.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <vector>

namespace {

std::mutex g_lock;  // saves run on worker threads
std::string g_listPath;

// One folder per line; a folder with a line end in its name cannot be listed.
std::vector<std::string> ReadList() {
    std::vector<std::string> folders;
    std::ifstream in(g_listPath, std::ios::binary);
    for (std::string line; std::getline(in, line) && folders.size() < kMostSaveFolders;)
        if (!line.empty() && line[0] == '/') folders.push_back(line);
    return folders;
}

void WriteList(const std::vector<std::string>& folders) {
    if (folders.empty()) {
        std::remove(g_listPath.c_str());
        return;
    }
    wxFileName::Mkdir(wxFileName(wxString(g_listPath.c_str(), *wxConvFileName)).GetPath(), 0700,
                      wxPATH_MKDIR_FULL);
    std::ofstream out(g_listPath, std::ios::binary | std::ios::trunc);
    for (const std::string& folder : folders) out << folder << '\n';
}

}  // namespace

void KeepSaveFolderList(const wxString& listPath) {
    const std::lock_guard<std::mutex> hold(g_lock);
    g_listPath = std::string(listPath.fn_str());
}

void NoteSaveFolder(const std::string& folder) {
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_listPath.empty() || folder.empty() || folder[0] != '/' || folder.find('\n') != std::string::npos)
        return;
    std::vector<std::string> folders = ReadList();
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) return;
    folders.push_back(folder);
    if (folders.size() > kMostSaveFolders) folders.erase(folders.begin());
    WriteList(folders);
}

void SweepSaveFolders() {
    const std::lock_guard<std::mutex> hold(g_lock);
    if (g_listPath.empty()) return;
    std::vector<std::string> kept;
    for (const std::string& folder : ReadList())
        if (RemoveStaleTemporaries(folder)) kept.push_back(folder);
    WriteList(kept);
}
