#include "core/captions/caption_drawing.h"

#include <pango/pangocairo.h>

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <cmath>
#include <memory>

namespace pictoreel {
namespace {

// Raised whenever the same layers would be drawn differently.
constexpr int kCaptionDrawingVersion = 1;

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
};
struct FontOptionsFree {
    void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
};
struct SurfaceFree {
    void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
};
struct CairoFree {
    void operator()(cairo_t* p) const { cairo_destroy(p); }
};

using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;

// The layer's measures on this frame, in pixels.
struct Scaled {
    double size, outline, margin, pad, x, y;
};

Scaled scaledMeasures(const CaptionLayer& layer, double scale)
{
    const double size = std::max(1.0, layer.size * scale);
    const double outline = std::max(0.0, layer.outlineWidth * scale);
    // A box reaches a fifth of the font's size beyond the text and its outline.
    const double pad = std::ceil(outline + (layer.box ? size / 5.0 : 0.0));
    return Scaled{size, outline, std::max(0.0, layer.margin * scale), pad, layer.x * scale, layer.y * scale};
}

PangoAlignment alignmentFor(CaptionAnchor anchor)
{
    switch (anchor) {
    case CaptionAnchor::TopLeft:
    case CaptionAnchor::Left:
    case CaptionAnchor::BottomLeft:
    case CaptionAnchor::Point:
        return PANGO_ALIGN_LEFT;
    case CaptionAnchor::TopRight:
    case CaptionAnchor::Right:
    case CaptionAnchor::BottomRight:
        return PANGO_ALIGN_RIGHT;
    default:
        return PANGO_ALIGN_CENTER;
    }
}

// The layout of the layer's text, measured without hinting so that it has the same shape at
// every size and on every machine with the same fonts: grey antialiasing, unrounded positions.
LayoutPtr layoutFor(const CaptionLayer& layer, const Scaled& m)
{
    PangoFontMap* fonts = pango_cairo_font_map_get_default();  // one for each thread
    std::unique_ptr<PangoContext, GObjectUnref> context(pango_font_map_create_context(fonts));
    std::unique_ptr<cairo_font_options_t, FontOptionsFree> options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context.get(), options.get());
    pango_cairo_context_set_resolution(context.get(), 96.0);
    pango_context_set_round_glyph_positions(context.get(), FALSE);

    LayoutPtr layout(pango_layout_new(context.get()));
    std::unique_ptr<PangoFontDescription, FontDescriptionFree> font(pango_font_description_new());
    pango_font_description_set_family(font.get(), layer.fontFamily.trimmed().isEmpty()
                                                      ? "Sans"
                                                      : layer.fontFamily.trimmed().toUtf8().constData());
    pango_font_description_set_absolute_size(font.get(), m.size * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), layer.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(font.get(), layer.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_alignment(layout.get(), alignmentFor(layer.anchor));
    pango_layout_set_auto_dir(layout.get(), TRUE);  // each paragraph in its own direction
    QString text = layer.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray utf8 = text.toUtf8();
    pango_layout_set_text(layout.get(), utf8.constData(), static_cast<int>(utf8.size()));
    return layout;
}

struct Placed {
    CaptionBlock block;
    double textX = 0, textY = 0;  // where the layout's origin goes
};

Placed place(const CaptionLayer& layer, PangoLayout* layout, const Scaled& m, int frameWidth, int frameHeight)
{
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout, &ink, &logical);
    // The block holds what is drawn (the ink, which marks and italics may take past the logical
    // box) and the line boxes, with the outline and the box's padding around them.
    const double left = std::min(ink.x, logical.x) / double(PANGO_SCALE);
    const double top = std::min(ink.y, logical.y) / double(PANGO_SCALE);
    const double right = std::max(ink.x + ink.width, logical.x + logical.width) / double(PANGO_SCALE);
    const double bottom = std::max(ink.y + ink.height, logical.y + logical.height) / double(PANGO_SCALE);
    const int width = static_cast<int>(std::ceil(right - left + 2 * m.pad));
    const int height = static_cast<int>(std::ceil(bottom - top + 2 * m.pad));
    const auto along = [&](int column, int frame, int extent) {  // column 0, 1, 2: start, middle, end
        if (column == 0)
            return static_cast<int>(std::lround(m.margin));
        if (column == 1)
            return (frame - extent) / 2;
        return frame - extent - static_cast<int>(std::lround(m.margin));
    };
    int x = 0, y = 0;
    if (layer.anchor == CaptionAnchor::Point) {
        x = static_cast<int>(std::lround(m.x));
        y = static_cast<int>(std::lround(m.y));
    } else {
        const int index = static_cast<int>(layer.anchor);
        x = along(index % 3, frameWidth, width);
        y = along(index / 3, frameHeight, height);
    }
    return Placed{CaptionBlock{x, y, width, height}, x + m.pad - left, y + m.pad - top};
}

void setColour(cairo_t* cr, std::int32_t colour)
{
    const Rgb c = rgbFromColorRef(colour);
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// Cairo's premultiplied pixels over the frame's straight ones, at (x0, y0) of the frame.
void blendOver(RgbaImage& frame, cairo_surface_t* surface, int x0, int y0)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t s = row[x];
            const double sa = (s >> 24) / 255.0;
            if (sa == 0)
                continue;
            std::uint8_t* d = frame.pixel(x0 + x, y0 + y);
            const double da = d[3] / 255.0;
            const double outA = sa + da * (1 - sa);
            const double source[3] = {double((s >> 16) & 0xFF), double((s >> 8) & 0xFF), double(s & 0xFF)};
            for (int c = 0; c < 3; ++c) {
                const double premultiplied = source[c] + d[c] * da * (1 - sa);
                d[c] = static_cast<std::uint8_t>(std::clamp(std::lround(premultiplied / outA), 0L, 255L));
            }
            d[3] = static_cast<std::uint8_t>(std::lround(outA * 255));
        }
    }
}

void drawLayer(RgbaImage& frame, const CaptionLayer& layer, double scale)
{
    const Scaled m = scaledMeasures(layer, scale);
    const LayoutPtr layout = layoutFor(layer, m);
    const Placed placed = place(layer, layout.get(), m, frame.width, frame.height);
    // Only the part of the block on the frame is drawn: a block far larger than the frame costs
    // no more than the frame.
    const int left = std::max(0, placed.block.x), top = std::max(0, placed.block.y);
    const int right = std::min(frame.width, placed.block.x + placed.block.width);
    const int bottom = std::min(frame.height, placed.block.y + placed.block.height);
    if (right <= left || bottom <= top)
        return;
    std::unique_ptr<cairo_surface_t, SurfaceFree> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return;
    std::unique_ptr<cairo_t, CairoFree> owner(cairo_create(surface.get()));
    cairo_t* cr = owner.get();
    cairo_translate(cr, -left, -top);
    if (layer.box) {
        setColour(cr, layer.boxColour);
        cairo_rectangle(cr, placed.block.x, placed.block.y, placed.block.width, placed.block.height);
        cairo_fill(cr);
    }
    cairo_move_to(cr, placed.textX, placed.textY);
    if (m.outline > 0) {
        // A stroke twice the outline's width, centred on the glyphs' edges, with round joins: the
        // outline reaches the width beyond every edge, and the fill drawn next covers its inner half.
        pango_cairo_layout_path(cr, layout.get());
        cairo_set_line_width(cr, 2 * m.outline);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setColour(cr, layer.outlineColour);
        cairo_stroke(cr);
        cairo_move_to(cr, placed.textX, placed.textY);
    }
    setColour(cr, layer.colour);
    pango_cairo_show_layout(cr, layout.get());
    blendOver(frame, surface.get(), left, top);
}

}  // namespace

CaptionBlock captionBlock(const CaptionLayer& layer, int frameWidth, int frameHeight, double scale)
{
    if (layer.text.isEmpty())
        return {};
    const Scaled m = scaledMeasures(layer, scale);
    const LayoutPtr layout = layoutFor(layer, m);
    return place(layer, layout.get(), m, frameWidth, frameHeight).block;
}

QString captionsCacheTag(const CaptionLayers& drawn)
{
    if (drawn.empty())
        return {};
    QByteArray fields = "captions " + QByteArray::number(kCaptionDrawingVersion);
    for (const CaptionLayer& c : drawn) {
        const bool point = c.anchor == CaptionAnchor::Point;  // x and y count only then
        fields += '\n' + QByteArray::number(c.text.size()) + ':' + c.text.toUtf8() + '\n' + c.fontFamily.toUtf8() + '\n';
        for (const qint64 n : {qint64(c.size), qint64(c.bold), qint64(c.italic), qint64(c.colour), qint64(c.outlineColour),
                               qint64(c.outlineWidth), qint64(c.box), qint64(c.boxColour), qint64(c.anchor),
                               qint64(c.margin), qint64(point ? c.x : 0), qint64(point ? c.y : 0)})
            fields += QByteArray::number(n) + ' ';
    }
    return QStringLiteral("_cap_") +
           QString::fromLatin1(QCryptographicHash::hash(fields, QCryptographicHash::Sha256).toHex().left(16));
}

CaptionLayers captionsOnFrame(const CaptionLayers& layers, int frameNumber)
{
    CaptionLayers shown;
    for (const CaptionLayer& layer : layers)
        if (!layer.text.isEmpty() && layer.showsOn(frameNumber))
            shown.push_back(layer);
    return shown;
}

void drawCaptions(RgbaImage& frame, const CaptionLayers& layers, int frameNumber, double scale)
{
    if (frame.empty())
        return;
    for (const CaptionLayer& layer : layers)
        if (!layer.text.isEmpty() && layer.showsOn(frameNumber))
            drawLayer(frame, layer, scale);
}

}  // namespace pictoreel
