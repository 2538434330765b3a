// Picture files for tests, written with the toolkit or with ImageMagick.
#pragma once

#include <wx/colour.h>

#include <string>
#include <vector>

namespace lwtest {

// A picture of one colour in the format its extension names (png, jpg, bmp, gif).
void WritePicture(const std::string& path, int width, int height, const wxColour& colour);
// An animated GIF with one frame per colour, each width x height, written by ImageMagick.
void WriteAnimatedGif(const std::string& path, int width, int height,
                      const std::vector<std::string>& colours);
// A side x side PNG of one colour (30, 160, 60) with a transparent square hole
// in its middle half.
void WritePictureWithHole(const std::string& path, int side);
// Files that no decoder should accept, each with a name that says what it is.
std::vector<std::string> WriteBrokenPictures(const std::string& folder);

}  // namespace lwtest
