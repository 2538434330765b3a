#include "project/projectcaptions.h"

#include "project/xmltext.h"
#include "xmlread/xmltree.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const kAnchorNames[kCaptionAnchors] = {"top-left",    "top",    "top-right",
                                                   "left",        "center", "right",
                                                   "bottom-left", "bottom", "bottom-right"};

void AppendAttribute(std::string& out, const char* name, const wxString& value) {
    out.append(" ").append(name).append("=\"");
    AppendXmlText(out, value, true);
    out += "\"";
}

void AppendNumber(std::string& out, const char* name, int value) {
    out.append(" ").append(name).append("=\"").append(std::to_string(value)).append("\"");
}

void AppendPlace(std::string& out, const CaptionLook& c) {
    AppendAttribute(out, "anchor", kAnchorNames[static_cast<int>(c.anchor)]);
    AppendNumber(out, "margin", c.margin);
    AppendNumber(out, "x", c.offset.x);
    AppendNumber(out, "y", c.offset.y);
}

void AppendText(std::string& out, const CaptionLook& c) {
    out += "  <caption";
    AppendPlace(out, c);
    AppendAttribute(out, "font", c.fontFace);
    AppendNumber(out, "size", c.fontSize);
    if (c.bold) AppendNumber(out, "bold", 1);
    if (c.italic) AppendNumber(out, "italic", 1);
    AppendAttribute(out, "colour", CaptionColourText(c.colour));
    AppendAttribute(out, "outline", CaptionColourText(c.outline));
    AppendNumber(out, "outline_width", c.outlineWidth);
    if (c.box) AppendNumber(out, "box", 1);
    AppendAttribute(out, "box_colour", CaptionColourText(c.boxColour));
    // The text as an attribute too: an element's text loses its blank lines
    // and edges to readers that trim it.
    AppendAttribute(out, "text", c.text);
    out += "/>\n";
}

void AppendOverlay(std::string& out, const CaptionLook& c) {
    out += "  <overlay";
    AppendPlace(out, c);
    AppendAttribute(out, "file", c.picturePath);
    AppendNumber(out, "opacity", c.opacity);
    out += "/>\n";
}

std::string Attribute(const XmlTree& tree, int node, const char* name) {
    const std::string* value = tree.Attribute(node, name);
    return value ? *value : std::string();
}

int Number(const XmlTree& tree, int node, const char* name, int low, int high, int fallback) {
    const std::string* value = tree.Attribute(node, name);
    if (!value) return fallback;
    const long number = std::strtol(value->c_str(), nullptr, 10);
    return static_cast<int>(std::min<long>(std::max<long>(number, low), high));
}

void ReadColour(const XmlTree& tree, int node, const char* name, CaptionColour& colour) {
    ParseCaptionColour(wxString::FromUTF8(Attribute(tree, node, name)), colour);
}

void ReadPlace(const XmlTree& tree, int node, CaptionLook& c) {
    const std::string anchor = Attribute(tree, node, "anchor");
    for (int i = 0; i < kCaptionAnchors; ++i)
        if (anchor == kAnchorNames[i]) c.anchor = static_cast<CaptionAnchor>(i);
    c.margin = Number(tree, node, "margin", 0, 65535, c.margin);
    c.offset.x = Number(tree, node, "x", -65535, 65535, 0);
    c.offset.y = Number(tree, node, "y", -65535, 65535, 0);
}

}  // namespace

void AppendCaptionElements(std::string& out, const std::vector<CaptionLook>& captions) {
    for (const CaptionLook& caption : captions) {
        if (caption.IsPicture()) AppendOverlay(out, caption);
        else AppendText(out, caption);
    }
}

std::string CaptionNumbers(const std::vector<int>& indices) {
    std::string text;
    for (int index : indices) text.append(text.empty() ? "" : " ").append(std::to_string(index + 1));
    return text;
}

bool ReadCaptionElement(const XmlTree& tree, int node, CaptionLook& c) {
    const bool picture = tree.IsElement(node, "overlay");
    if (!picture && !tree.IsElement(node, "caption")) return false;
    c = CaptionLook();
    ReadPlace(tree, node, c);
    if (picture) {
        c.picturePath = wxString::FromUTF8(Attribute(tree, node, "file"));
        // Without a file it is nothing: not a caption either.
        if (c.picturePath.empty()) return false;
        c.opacity = Number(tree, node, "opacity", 0, 100, 100);
        return true;
    }
    c.text = wxString::FromUTF8(Attribute(tree, node, "text"));
    const std::string font = Attribute(tree, node, "font");
    if (!font.empty()) c.fontFace = wxString::FromUTF8(font);
    c.fontSize = Number(tree, node, "size", 0, 4096, 0);
    c.bold = Number(tree, node, "bold", 0, 1, 0) != 0;
    c.italic = Number(tree, node, "italic", 0, 1, 0) != 0;
    ReadColour(tree, node, "colour", c.colour);
    ReadColour(tree, node, "outline", c.outline);
    c.outlineWidth = Number(tree, node, "outline_width", 0, 64, c.outlineWidth);
    c.box = Number(tree, node, "box", 0, 1, 0) != 0;
    ReadColour(tree, node, "box_colour", c.boxColour);
    return true;
}

std::vector<int> ParseCaptionNumbers(const std::string& text) {
    std::vector<int> indices;
    const char* p = text.c_str();
    while (*p && indices.size() < kProjectMostFrameCaptions) {
        char* end = nullptr;
        const long number = std::strtol(p, &end, 10);
        if (end == p) break;
        p = end;
        if (number < 1 || number > long(kProjectMostCaptions)) continue;
        const int index = static_cast<int>(number - 1);
        if (std::find(indices.begin(), indices.end(), index) == indices.end()) indices.push_back(index);
    }
    return indices;
}
