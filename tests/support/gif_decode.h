// Decodes GIF bytes with giflib, a decoder we did not write, into plain
// structures that tests compare with what they meant to write.
#pragma once

#include <gif_lib.h>

#include <cstring>
#include <string>
#include <vector>

namespace lwtest {

struct GifColour {
    int r = 0, g = 0, b = 0;
    bool operator==(const GifColour& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct DecodedGifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    bool hasLocalTable = false;
    std::vector<GifColour> localTable;
    std::vector<unsigned char> indices;  // width * height colour-table indices
    std::vector<GifColour> pixels;       // the same through the table in use
    bool hasControl = false;
    int delay = -1;                      // hundredths of a second
    int transparentIndex = -1;
    int disposal = -1;
    std::vector<std::string> comments;
    bool hasLoop = false;
    int loopCount = -1;
};

struct DecodedGif {
    bool ok = false;
    int error = 0;
    int width = 0, height = 0;
    int colourResolution = 0;
    int background = -1;
    bool hasGlobalTable = false;
    std::vector<GifColour> globalTable;
    std::vector<DecodedGifFrame> frames;
};

namespace detail {

struct GifReadState {
    const std::string* bytes;
    size_t pos;
};

inline int ReadGifBytes(GifFileType* gif, GifByteType* buf, int len) {
    auto* state = static_cast<GifReadState*>(gif->UserData);
    const size_t n = std::min<size_t>(size_t(len), state->bytes->size() - state->pos);
    std::memcpy(buf, state->bytes->data() + state->pos, n);
    state->pos += n;
    return static_cast<int>(n);
}

inline std::vector<GifColour> Table(const ColorMapObject* map) {
    std::vector<GifColour> table;
    if (!map) return table;
    for (int i = 0; i < map->ColorCount; ++i)
        table.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return table;
}

// Reads the extensions before one image: a comment's sub-blocks are joined,
// the looping extension's count is taken from its sub-block.
inline void ReadExtensions(const SavedImage& image, DecodedGifFrame& frame) {
    int current = 0;
    for (int i = 0; i < image.ExtensionBlockCount; ++i) {
        const ExtensionBlock& block = image.ExtensionBlocks[i];
        const std::string data(reinterpret_cast<const char*>(block.Bytes), size_t(block.ByteCount));
        if (block.Function != CONTINUE_EXT_FUNC_CODE) current = block.Function;
        if (block.Function == COMMENT_EXT_FUNC_CODE) {
            frame.comments.push_back(data);
        } else if (block.Function == CONTINUE_EXT_FUNC_CODE && current == COMMENT_EXT_FUNC_CODE) {
            frame.comments.back() += data;
        } else if (block.Function == APPLICATION_EXT_FUNC_CODE && data == "NETSCAPE2.0") {
            frame.hasLoop = true;
        } else if (block.Function == CONTINUE_EXT_FUNC_CODE && current == APPLICATION_EXT_FUNC_CODE &&
                   frame.hasLoop && block.ByteCount == 3 && block.Bytes[0] == 1) {
            frame.loopCount = block.Bytes[1] | (block.Bytes[2] << 8);
        }
    }
}

}  // namespace detail

inline DecodedGif DecodeGif(const std::string& bytes) {
    DecodedGif result;
    detail::GifReadState state{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&state, detail::ReadGifBytes, &error);
    if (!gif) {
        result.error = error;
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = gif->Error;
        DGifCloseFile(gif, &error);
        return result;
    }
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.colourResolution = gif->SColorResolution;
    result.background = gif->SBackGroundColor;
    result.hasGlobalTable = gif->SColorMap != nullptr;
    result.globalTable = detail::Table(gif->SColorMap);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        DecodedGifFrame frame;
        frame.left = image.ImageDesc.Left;
        frame.top = image.ImageDesc.Top;
        frame.width = image.ImageDesc.Width;
        frame.height = image.ImageDesc.Height;
        frame.interlaced = image.ImageDesc.Interlace;
        frame.hasLocalTable = image.ImageDesc.ColorMap != nullptr;
        frame.localTable = detail::Table(image.ImageDesc.ColorMap);
        const size_t count = size_t(frame.width) * size_t(frame.height);
        frame.indices.assign(image.RasterBits, image.RasterBits + count);
        const auto& table = frame.hasLocalTable ? frame.localTable : result.globalTable;
        for (unsigned char index : frame.indices)
            frame.pixels.push_back(index < table.size() ? table[index] : GifColour{-1, -1, -1});
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
            frame.hasControl = true;
            frame.delay = gcb.DelayTime;
            frame.transparentIndex = gcb.TransparentColor;
            frame.disposal = gcb.DisposalMode;
        }
        detail::ReadExtensions(image, frame);
        result.frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    result.ok = true;
    return result;
}

}  // namespace lwtest
