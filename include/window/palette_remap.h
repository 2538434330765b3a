// Mapping a frame's pixels to the colours of a table chosen for it.
#pragma once

#include "window/gif_blocks.h"

// Sets one table index per pixel of rgba (width x height pixels of R, G, B,
// A): the nearest opaque entry of palette, after adding the error left by the
// pixels already mapped (Floyd-Steinberg, serpentine) times dithering (0 none,
// 1 full); large errors are damped so that they do not spread as speckles.
// Pixels of alpha 0 take palette.maskIndex and neither take nor pass on error.
// Integer arithmetic throughout: the same indices on any machine.
void RemapToPalette(const unsigned char* rgba, int width, int height, const GifFramePalette& palette,
                    float dithering, unsigned char* indices);
