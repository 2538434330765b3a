// Writes an animated GIF89a file one frame at a time, reusing the toolkit's
// LZW encoder. Every block around the compressed pixels is written here.
#pragma once

#include "gif/blocks.h"

#include <wx/image.h>
#include <wx/imaggif.h>

class wxOutputStream;

// The stream every frame is written to: the export opens the file, puts its
// stream here, then writes frames 0, 1, ... in turn. Setting a stream starts a
// new file (frame 0 must be written next). One export at a time.
void SetGifOutputStream(wxOutputStream* stream);
wxOutputStream* GetGifOutputStream();

// The frame's colour table from the image's palette, with the mask colour
// made transparent (appended when absent and there is room). False when the
// image has no palette.
bool ExtractGifPalette(const wxImage& image, GifFramePalette& palette);

class MyGifHandler : public wxGIFHandler {
public:
    MyGifHandler() = default;
    ~MyGifHandler() override;

    // Writes frame frameIndex (from 0) of frameCount: the file header before
    // frame 0, the trailer after the last frame. The image must carry a palette
    // holding every colour of its pixels. False when anything of the frame
    // could not be written, and at once (writing nothing) when the image has
    // no palette or when a later frame follows a frame 0 whose header failed.
    static bool SaveAnimationFrame(const wxImage& image, MyGifHandler& handler,
                                   int delayMs, int frameCount, int frameIndex);

    // One image of the animation: header and global table when first, else a
    // local table; graphic control extension, descriptor and LZW data.
    bool DoSaveFile(const wxImage& image, bool first, int delayMs,
                    const GifFramePalette& palette);

    // For tests: whether the encoder's hash table is still allocated.
    bool HoldsHashTable() const { return m_hashTable != nullptr; }

private:
    bool WriteImageData(wxOutputStream& stream, const wxImage& image,
                        const GifFramePalette& palette);
    void ReleaseHashTable();
};
