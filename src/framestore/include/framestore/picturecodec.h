// A picture as a compact block of bytes and back, bit for bit: the pixel rows
// (RGB), the alpha plane when there is one and the mask colour when set,
// compressed with zstd.
#pragma once

#include <wx/image.h>

#include <cstddef>
#include <vector>

using PictureBytes = std::vector<unsigned char>;

// Empty for an invalid picture or when memory runs out. zstd's fast level -1
// by default: photographs barely compress at any level, and there it stores
// them five times faster and reads them back thirty times faster than level 1;
// screen pictures still shrink about 17 times (18 at level 1).
PictureBytes CompressPicture(const wxImage& picture, int level = -1);
// The same block uncompressed and without a checksum: for memory only, where
// it is made and read back several times faster.
PictureBytes PlainPicture(const wxImage& picture);
// The size of PlainPicture(picture), without making it.
size_t PlainPictureSize(const wxImage& picture);
bool IsPlainPicture(const PictureBytes& bytes);
// False (and out untouched) for bytes that are not a whole picture of either kind.
bool DecompressPicture(const unsigned char* bytes, size_t size, wxImage* out);
