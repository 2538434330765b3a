// Which kind of picture a file holds, told by its first bytes alone, and the
// size its header announces. The name of a file says nothing: a TGA or a
// stray text named .png must never reach a decoder that guesses.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <cstdint>
#include <optional>
#include <string>

// WebP: a still one; an animated WebP is read as a video.
enum class PictureFormat { None, Png, Jpeg, Bmp, Gif, WebP };

// The format whose signature begins head; every "GIF" goes to our own reader.
PictureFormat PictureFormatOf(const std::string& head);
// The same for the file's first bytes; None when it cannot be read.
PictureFormat PictureFormatOfFile(const wxString& path);
// Whether head begins a WebP file whose extended header says it is animated.
bool IsAnimatedWebP(const std::string& head);
// Whether the PNG file announces an animation of more than one frame (an
// acTL chunk before its first image data).
bool IsAnimatedPng(const wxString& path);
// A file's bytes: the first count of them, or all; empty when it cannot be read.
std::string FileBytes(const wxString& path, size_t count = std::string::npos);
// The number stored in bytes [at, at + count) of b, most significant first.
uint32_t BigEndian(const std::string& b, size_t at, int count);
// Width and height from the header of a PNG, JPEG, BMP or WebP file, before any
// pixel is decoded; nothing when the header is broken.
std::optional<wxSize> PictureSizeOfFile(const wxString& path, PictureFormat format);
// Whether the bytes of a JPEG file end before its end-of-image marker: the
// decoder then fills the rest in grey without a word.
bool JpegEndsEarly(const std::string& bytes);
