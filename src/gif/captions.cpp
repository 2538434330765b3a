#include "gif/captions.h"


#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdio>

namespace {

template <typename T, void (*Free)(T*)>
struct Freeing {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freeing<T, Free>>;

void UnrefObject(void* object) { g_object_unref(object); }
template <typename T>
void Unref(T* object) { UnrefObject(object); }

using SurfacePtr = Owned<cairo_surface_t, cairo_surface_destroy>;
using CairoPtr = Owned<cairo_t, cairo_destroy>;
using FontOptionsPtr = Owned<cairo_font_options_t, cairo_font_options_destroy>;
using FontDescriptionPtr = Owned<PangoFontDescription, pango_font_description_free>;
using FontMapPtr = Owned<PangoFontMap, Unref<PangoFontMap>>;
using ContextPtr = Owned<PangoContext, Unref<PangoContext>>;
using LayoutPtr = Owned<PangoLayout, Unref<PangoLayout>>;

void SetSource(cairo_t* cr, const CaptionColour& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

PangoAlignment AlignmentOf(CaptionAnchor anchor) {
    switch (static_cast<int>(anchor) % 3) {
        case 0: return PANGO_ALIGN_LEFT;
        case 2: return PANGO_ALIGN_RIGHT;
        default: return PANGO_ALIGN_CENTER;
    }
}

// The text laid out in its font. A font map of its own per drawing: Pango's
// shared one belongs to one thread. Hinting is off, so that the drawing is
// the same whatever the desktop's font settings.
struct TextLayout {
    FontMapPtr map;
    ContextPtr context;
    LayoutPtr layout;
};

TextLayout LayOut(const CaptionLook& caption, int pixels) {
    TextLayout text;
    text.map.reset(pango_cairo_font_map_new());
    text.context.reset(pango_font_map_create_context(text.map.get()));
    FontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(text.context.get(), options.get());
    text.layout.reset(pango_layout_new(text.context.get()));
    FontDescriptionPtr font(pango_font_description_new());
    pango_font_description_set_family(font.get(), caption.fontFace.utf8_str());
    pango_font_description_set_absolute_size(font.get(), static_cast<double>(pixels) * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), caption.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font.get(), caption.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(text.layout.get(), font.get());
    pango_layout_set_alignment(text.layout.get(), AlignmentOf(caption.anchor));
    const wxScopedCharBuffer utf8 = caption.text.utf8_str();
    pango_layout_set_text(text.layout.get(), utf8.data(), static_cast<int>(utf8.length()));
    return text;
}

// Room around the text for its outline and its box.
int Padding(const CaptionLook& caption, int pixels) {
    return std::max(0, caption.outlineWidth) + (caption.box ? std::max(2, pixels / 4) : 0) + 1;
}

wxSize TextBoxSize(const CaptionLook& caption, const PangoRectangle& logical, int pixels) {
    const int pad = Padding(caption, pixels);
    return wxSize(logical.width + 2 * pad, logical.height + 2 * pad);
}

std::vector<uint32_t> SurfacePixels(cairo_surface_t* surface, int width, int height) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride)), width,
                    pixels.begin() + std::ptrdiff_t(size_t(y) * size_t(width)));
    return pixels;
}

// A box laid out on the canvas as drawn at another size.
wxRect Scaled(const wxRect& box, double sx, double sy) {
    const int left = int(std::lround(box.x * sx)), top = int(std::lround(box.y * sy));
    const int right = int(std::lround((box.x + box.width) * sx)), bottom = int(std::lround((box.y + box.height) * sy));
    return wxRect(left, top, std::max(1, right - left), std::max(1, bottom - top));
}

// A surface for a box of the canvas drawn at drawn's scale; paint on it in
// canvas pixels from the box's corner.
struct ScaledSurface {
    SurfacePtr surface;
    CairoPtr cr;
    wxRect drawn;
};

ScaledSurface SurfaceFor(const wxRect& box, double sx, double sy) {
    ScaledSurface target;
    target.drawn = Scaled(box, sx, sy);
    target.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, target.drawn.width, target.drawn.height));
    target.cr.reset(cairo_create(target.surface.get()));
    cairo_scale(target.cr.get(), double(target.drawn.width) / box.width, double(target.drawn.height) / box.height);
    return target;
}

std::shared_ptr<CaptionLayer> Finished(ScaledSurface& target) {
    auto layer = std::make_shared<CaptionLayer>();
    layer->box = target.drawn;
    layer->pixels = SurfacePixels(target.surface.get(), target.drawn.width, target.drawn.height);
    return layer;
}

std::shared_ptr<CaptionLayer> DrawText(const CaptionLook& caption, const wxSize& canvas, double sx, double sy) {
    if (caption.text.empty()) return std::make_shared<CaptionLayer>();
    const int pixels = CaptionFontPixels(caption, canvas.y);
    const TextLayout text = LayOut(caption, pixels);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(text.layout.get(), &ink, &logical);
    const wxSize size = TextBoxSize(caption, logical, pixels);
    // A caption larger than any GIF is not drawn.
    if (size.x <= 0 || size.y <= 0 || size.x > 65535 || size.y > 65535) return std::make_shared<CaptionLayer>();
    ScaledSurface target = SurfaceFor(wxRect(AnchoredPlace(caption, size, canvas), size), sx, sy);
    cairo_t* cr = target.cr.get();
    if (caption.box) {
        SetSource(cr, caption.boxColour);
        cairo_paint(cr);
    }
    const int pad = Padding(caption, pixels);
    pango_cairo_update_layout(cr, text.layout.get());
    if (caption.outlineWidth > 0) {
        cairo_move_to(cr, pad - logical.x, pad - logical.y);
        pango_cairo_layout_path(cr, text.layout.get());
        SetSource(cr, caption.outline);
        cairo_set_line_width(cr, 2.0 * caption.outlineWidth);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, pad - logical.x, pad - logical.y);
    SetSource(cr, caption.colour);
    pango_cairo_show_layout(cr, text.layout.get());
    return Finished(target);
}

std::shared_ptr<CaptionLayer> DrawPicture(const CaptionLook& caption, const wxSize& canvas, double sx, double sy) {
    if (!caption.picture || caption.picture->width <= 0 || caption.picture->height <= 0)
        return std::make_shared<CaptionLayer>();
    const OverlayPixels& picture = *caption.picture;
    // The picture premultiplied as Cairo takes it, with its opacity.
    SurfacePtr source(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height));
    cairo_surface_flush(source.get());
    unsigned char* data = cairo_image_surface_get_data(source.get());
    const int stride = cairo_image_surface_get_stride(source.get());
    const unsigned opacity = unsigned(std::clamp(caption.opacity, 0, 100));
    for (int y = 0; y < picture.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* p = &picture.rgba[(size_t(y) * size_t(picture.width) + size_t(x)) * 4];
            const unsigned a = (p[3] * opacity + 50) / 100;
            auto pre = [a](unsigned c) { return (c * a + 127) / 255; };
            row[x] = (a << 24) | (pre(p[0]) << 16) | (pre(p[1]) << 8) | pre(p[2]);
        }
    }
    cairo_surface_mark_dirty(source.get());
    const wxSize size(picture.width, picture.height);
    ScaledSurface target = SurfaceFor(wxRect(AnchoredPlace(caption, size, canvas), size), sx, sy);
    cairo_set_source_surface(target.cr.get(), source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(target.cr.get()), CAIRO_FILTER_GOOD);
    cairo_paint(target.cr.get());
    return Finished(target);
}

void Composite(unsigned char* rgb, const wxSize& canvas, const CaptionLayer& layer, unsigned char* holes) {
    const wxRect shown = layer.box.Intersect(wxRect(canvas));
    if (shown.IsEmpty()) return;
    for (int y = shown.y; y < shown.GetBottom() + 1; ++y) {
        const uint32_t* from = &layer.pixels[size_t(y - layer.box.y) * size_t(layer.box.width) + size_t(shown.x - layer.box.x)];
        unsigned char* to = rgb + (size_t(y) * size_t(canvas.x) + size_t(shown.x)) * 3;
        unsigned char* hole = holes ? holes + size_t(y) * size_t(canvas.x) + size_t(shown.x) : nullptr;
        for (int x = 0; x < shown.width; ++x, to += 3) {
            const uint32_t p = from[x];
            const unsigned a = p >> 24;
            if (a == 0) continue;
            const unsigned keep = 255 - a;
            to[0] = static_cast<unsigned char>(((p >> 16) & 0xff) + (to[0] * keep + 127) / 255);
            to[1] = static_cast<unsigned char>(((p >> 8) & 0xff) + (to[1] * keep + 127) / 255);
            to[2] = static_cast<unsigned char>((p & 0xff) + (to[2] * keep + 127) / 255);
            if (hole && a >= 128) hole[x] = 0;
        }
    }
}

}  // namespace

wxString CaptionColourText(const CaptionColour& c) {
    return c.alpha == 255 ? wxString::Format("#%02x%02x%02x", c.red, c.green, c.blue)
                          : wxString::Format("#%02x%02x%02x%02x", c.red, c.green, c.blue, c.alpha);
}

bool ParseCaptionColour(const wxString& text, CaptionColour& colour) {
    if (!text.StartsWith("#") || (text.length() != 7 && text.length() != 9)) return false;
    unsigned long value = 0;
    if (!text.Mid(1).ToULong(&value, 16) || text.Mid(1).find_first_not_of("0123456789abcdefABCDEF") != wxString::npos)
        return false;
    if (text.length() == 7) value = (value << 8) | 0xff;
    colour = CaptionColour{static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                           static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    return true;
}

bool CaptionLook::operator==(const CaptionLook& o) const {
    return text == o.text && fontFace == o.fontFace && fontSize == o.fontSize && bold == o.bold &&
           italic == o.italic && colour == o.colour && outline == o.outline && outlineWidth == o.outlineWidth &&
           box == o.box && boxColour == o.boxColour && picturePath == o.picturePath && picture == o.picture &&
           opacity == o.opacity && anchor == o.anchor && margin == o.margin && offset == o.offset;
}

unsigned long Caption::NextSerial() {
    static std::atomic<unsigned long> next{1};
    return next++;
}

std::shared_ptr<const CaptionLayer> Caption::LayerFor(const wxSize& canvas, const wxSize& drawn) const {
    std::lock_guard<std::mutex> hold(m_layerLock);
    for (const Drawn& known : m_layers)
        if (known.canvas == canvas && known.drawn == drawn) return known.layer;
    const double sx = canvas.x > 0 ? double(drawn.x) / canvas.x : 1, sy = canvas.y > 0 ? double(drawn.y) / canvas.y : 1;
    std::shared_ptr<const CaptionLayer> layer =
        IsPicture() ? DrawPicture(*this, canvas, sx, sy) : DrawText(*this, canvas, sx, sy);
    // The export's size, the preview's and the strip's are in use at once.
    if (m_layers.size() >= 4) m_layers.erase(m_layers.begin());
    m_layers.push_back(Drawn{canvas, drawn, layer});
    return layer;
}

CaptionLook PlainCaption(const wxString& text, CaptionAnchor anchor, int canvasHeight) {
    CaptionLook caption;
    caption.text = text;
    caption.anchor = anchor;
    caption.outlineWidth = std::max(1, CaptionFontPixels(caption, canvasHeight) / 16);
    caption.margin = std::max(2, canvasHeight / 40);
    return caption;
}

int CaptionFontPixels(const CaptionLook& caption, int canvasHeight) {
    if (caption.fontSize > 0) return std::min(caption.fontSize, 4096);
    return std::max(8, canvasHeight / 12);
}

wxPoint AnchoredPlace(const CaptionLook& caption, const wxSize& size, const wxSize& canvas) {
    const int column = static_cast<int>(caption.anchor) % 3, row = static_cast<int>(caption.anchor) / 3;
    auto place = [&](int line, int room, int extent) {
        if (line == 0) return caption.margin;
        if (line == 2) return room - extent - caption.margin;
        return (room - extent) / 2;
    };
    return wxPoint(place(column, canvas.x, size.x) + caption.offset.x, place(row, canvas.y, size.y) + caption.offset.y);
}

int CaptionMissingGlyphs(const CaptionLook& caption) {
    if (caption.IsPicture() || caption.text.empty()) return 0;
    const TextLayout text = LayOut(caption, 32);
    return pango_layout_get_unknown_glyphs_count(text.layout.get());
}

wxRect CaptionBox(const Caption& caption, const wxSize& canvas) { return caption.LayerFor(canvas, canvas)->box; }

void DrawCaptions(unsigned char* rgb, const wxSize& drawn, const wxSize& canvas, const CaptionList& captions,
                  unsigned char* holes) {
    for (const auto& caption : captions)
        if (caption) Composite(rgb, drawn, *caption->LayerFor(canvas.x > 0 && canvas.y > 0 ? canvas : drawn, drawn), holes);
}
