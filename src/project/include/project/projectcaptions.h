// How a project file stores captions and overlay pictures: one element each
// after the image list, numbered from 1 in order, and on each frame's path
// the numbers of those it shows ("captions" attribute). Readers that do not
// know them read the file as before.
#pragma once

#include "gif/captions.h"

#include <string>
#include <vector>

class XmlTree;

// A project holds at most this many, and a frame shows at most so many.
constexpr size_t kProjectMostCaptions = 1000;
constexpr size_t kProjectMostFrameCaptions = 64;

// The elements for captions, each on a line of its own.
void AppendCaptionElements(std::string& out, const std::vector<CaptionLook>& captions);
// The attribute's value for a frame showing captions at these indices ("1 3").
std::string CaptionNumbers(const std::vector<int>& indices);

// The caption a caption or overlay element describes (an overlay's file as
// written); false for any other element.
bool ReadCaptionElement(const XmlTree& tree, int node, CaptionLook& caption);
// The indices a captions attribute gives, in order, without repeats.
std::vector<int> ParseCaptionNumbers(const std::string& text);
