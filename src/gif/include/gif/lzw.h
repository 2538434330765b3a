// LZW compression of a GIF image's colour indices into memory, so that every
// frame can be compressed on a worker thread of its own.
#pragma once

#include "gif/blocks.h"

#include <cstddef>
#include <vector>

// The image data as it follows an image descriptor: the minimum code size
// (the bits the largest index needs, at least 2: a frame that uses only the
// first entries of a large table starts with shorter codes), the codes in
// sub-blocks of at most 255 bytes, and the empty block that ends them.
std::vector<unsigned char> GifCompressIndices(const unsigned char* indices, std::size_t count);

// The same coding with losses: each code stands for the longest string of the
// table whose colours stay within an error bound of the pixels' own (the error
// of a run carried along it), so that runs grow long over noise. The first
// pixel of every code is exact and palette.maskIndex matches only itself, so
// transparency is never gained or lost. lossy 0 codes exactly; 100 allows
// the most. A valid stream that any decoder reads alike. Every index must be
// below max(palette.count, palette.maskIndex + 1). With rgba (4 bytes a
// pixel), the pixels' true colours are what the error is measured from, not
// their indices' colours (which dithering moved).
std::vector<unsigned char> GifCompressIndicesLossy(const unsigned char* indices, std::size_t count,
                                                   const GifFramePalette& palette, int lossy,
                                                   const unsigned char* rgba = nullptr);
