// Files handed to the program from outside the window (its command line):
// which opens as a project, which are added as pictures, which are skipped.
// Plain functions, no window needed.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

struct OpenedFiles {
    wxString project;        // the project to open; empty when none
    wxArrayString pictures;  // to add, in the order given
    wxArrayString skipped;   // as given, in the order given
    wxArrayString missing;   // not there at all, in the order given
};

// A project is a file named *.xml (in any case) whose root element is
// "project"; a picture is a PNG, JPEG, BMP or GIF file by its content. Only
// the first project opens; opening it replaces the frames, so pictures given
// with it are skipped too. Anything else (a folder, a missing file, another
// kind of file) is skipped; a file that is not there is missing.
OpenedFiles SortOpenedFiles(const wxArrayString& paths);

// Whether the file starts like an XML document whose root element is
// "project"; reads no more than the first few kilobytes.
bool HasProjectRoot(const wxString& path);
// Whether the file is a regular file that one of the picture or video readers
// of Add Image recognises by its first bytes.
bool IsPicture(const wxString& path);

// What the user is told about the skipped files: one message naming each.
wxString SkippedFilesText(const wxArrayString& skipped);
// The one message about the files that were not opened: the missing ones
// as not found, then the skipped ones.
wxString UnopenedFilesText(const OpenedFiles& files);
