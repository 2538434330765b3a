// LZW compression of a GIF image's colour indices into memory, so that every
// frame can be compressed on a worker thread of its own.
#pragma once

#include <cstddef>
#include <vector>

// The image data as it follows an image descriptor: the minimum code size
// (the table's bits, at least 2), the codes in sub-blocks of at most 255
// bytes, and the empty block that ends them. Every index must be below
// 2^GifBitsPerPixel(colourCount).
std::vector<unsigned char> GifCompressIndices(const unsigned char* indices, std::size_t count,
                                              int colourCount);
