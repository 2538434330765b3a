// The PNG files frame sources write most (8-bit RGB, no transparency, not
// interlaced: ffmpeg's frames, most screenshots) read with libdeflate, which
// inflates them three to nine times faster than zlib does under the toolkit's
// reader. The pixels are exactly the toolkit's for these files.
#pragma once

#include <wx/image.h>

#include <string>

// False, with out untouched, for any other kind of PNG and for a file that is
// not whole and sound (a bad checksum, data cut short or left over): the
// toolkit's reader then reads or refuses it as it always has. Throws
// std::bad_alloc when memory runs out.
bool ReadRgbPng(const std::string& bytes, wxImage* out);
