// Text and pictures written over frames: kept with the frames as instructions
// and drawn over the finished canvas, in canvas pixels, so that they stay
// sharp whatever the pictures' size. Plain data only (no toolkit objects that
// share reference counts), so that export threads can draw them.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <memory>
#include <mutex>
#include <vector>

enum class CaptionAnchor { TopLeft, Top, TopRight, Left, Center, Right, BottomLeft, Bottom, BottomRight };
constexpr int kCaptionAnchors = 9;

struct CaptionColour {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CaptionColour& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
    bool operator!=(const CaptionColour& o) const { return !(*this == o); }
};
// "#rrggbb" or "#rrggbbaa" (alpha left out when opaque); nothing when malformed.
wxString CaptionColourText(const CaptionColour& colour);
bool ParseCaptionColour(const wxString& text, CaptionColour& colour);

// A picture to lay over frames, straight (not premultiplied) RGBA.
struct OverlayPixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

// What a caption looks like drawn, for one canvas size drawn at one size:
// premultiplied BGRA-in-a-word pixels as Cairo makes them, and where they go.
struct CaptionLayer {
    wxRect box;  // where it is drawn; may reach past the drawing
    std::vector<uint32_t> pixels;
};

// What a caption shows and where.
struct CaptionLook {
    // A text caption, or with picturePath an overlay picture.
    wxString text;  // lines separated by "\n"
    wxString fontFace = "Sans";
    int fontSize = 0;  // canvas pixels; 0: a twelfth of the canvas height
    bool bold = false;
    bool italic = false;
    CaptionColour colour{255, 255, 255, 255};
    CaptionColour outline{0, 0, 0, 255};
    int outlineWidth = 2;  // canvas pixels; 0: no outline
    bool box = false;      // a box behind the text
    CaptionColour boxColour{0, 0, 0, 160};

    wxString picturePath;
    std::shared_ptr<const OverlayPixels> picture;  // loaded from picturePath
    int opacity = 100;                             // percent, for a picture

    CaptionAnchor anchor = CaptionAnchor::Bottom;
    int margin = 8;  // canvas pixels from the anchored edges
    wxPoint offset;  // moved from the anchored place

    bool IsPicture() const { return !picturePath.empty(); }
    bool operator==(const CaptionLook& o) const;
    bool operator!=(const CaptionLook& o) const { return !(*this == o); }
};

class Caption : public CaptionLook {
public:
    Caption() : m_serial(NextSerial()) {}
    explicit Caption(const CaptionLook& look) : CaptionLook(look), m_serial(NextSerial()) {}
    // A copy draws anew: it may be changed before it is shared.
    Caption(const Caption& o) : CaptionLook(o), m_serial(NextSerial()) {}
    Caption& operator=(const Caption&) = delete;

    // Unique over the program's run, never reused: what a drawing of the
    // frames is cached under.
    unsigned long Serial() const { return m_serial; }

    // The caption laid out on a canvas of this size and drawn on a picture of
    // the canvas scaled to drawn (the strip and the preview show it smaller):
    // made once and shared by every frame that shows the caption, on any thread.
    std::shared_ptr<const CaptionLayer> LayerFor(const wxSize& canvas, const wxSize& drawn) const;

private:
    static unsigned long NextSerial();

    const unsigned long m_serial;
    struct Drawn {
        wxSize canvas, drawn;
        std::shared_ptr<const CaptionLayer> layer;
    };
    mutable std::mutex m_layerLock;
    mutable std::vector<Drawn> m_layers;  // the most recent few sizes
};

// Captions never change once made: a frame holds the ones it shows, shared.
using CaptionList = std::vector<std::shared_ptr<const Caption>>;

// White text with a black outline as thick as a sixteenth of the font, a
// twelfth of the canvas high, at anchor: what a caption starts as.
CaptionLook PlainCaption(const wxString& text, CaptionAnchor anchor, int canvasHeight);
// The size a text caption's font has on a canvas of this height.
int CaptionFontPixels(const CaptionLook& caption, int canvasHeight);
// How many characters of a text caption no installed font can draw (they
// show as boxes).
int CaptionMissingGlyphs(const CaptionLook& caption);
// Where the caption lies on the canvas (its box and outline included).
wxRect CaptionBox(const Caption& caption, const wxSize& canvas);
// The place of a box of this size on the canvas, as the caption anchors it.
wxPoint AnchoredPlace(const CaptionLook& caption, const wxSize& size, const wxSize& canvas);

// Draws captions laid out on a canvas of size canvas over an RGB picture of
// it scaled to drawn, in order; where holes is given (one byte per pixel, 1
// for a transparent pixel), a pixel the captions cover at least half becomes
// opaque.
void DrawCaptions(unsigned char* rgb, const wxSize& drawn, const wxSize& canvas, const CaptionList& captions,
                  unsigned char* holes);
