#include "files/samefile.h"

#include <sys/stat.h>

bool IsSameFile(const wxString& a, const wxString& b) {
    struct stat first {}, second {};
    if (::stat(a.fn_str(), &first) != 0 || ::stat(b.fn_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
