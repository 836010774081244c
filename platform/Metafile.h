#pragma once
#include "platform/Colour.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class QImage;
class QPainter;

namespace spoolar {

class FontRegistry;

struct IntRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const IntRect&) const = default;
};

struct IntPoint
{
    int x = 0;
    int y = 0;
    bool operator==(const IntPoint&) const = default;
};

// A logical font as GDI describes it. height < 0: character height (em) in dots;
// height > 0: cell height (ascent + descent); 0: a default size. width 0: the font's own
// proportions, otherwise the average character width in dots (the glyphs are stretched).
// escapement: angle of the baseline in tenths of a degree, counter-clockwise.
struct LogFont
{
    std::string family;
    int height = 0;
    int width = 0;
    int escapement = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const LogFont&) const = default;
};

// Display-list commands, all in device dots of the page, each complete in itself.
namespace mfop {
struct FillRect
{
    IntRect rect;
    TColor colour;
};
// Text whose top-left corner of the first character cell is at (x, y); bytes are CP1252.
// With clip, nothing outside the rectangle is drawn; with opaque, the clip rectangle is
// first filled with the background.
struct Text
{
    int x = 0;
    int y = 0;
    std::string text;
    LogFont font;
    TColor colour = clBlack;
    std::optional<IntRect> clip;
    std::optional<TColor> opaque;
};
struct Line
{
    int x0, y0, x1, y1;
    TColor colour;
    int width;
};
// Outline with the pen and inside filled with the brush (GDI Rectangle).
struct Rectangle
{
    IntRect rect;
    TColor pen;
    TColor brush;
    int penWidth;
};
struct Image
{
    IntRect dest;
    std::shared_ptr<const QImage> image;
};
// A closed polygon filled with one colour (even-odd rule), without outline; edges smoothed.
struct Polygon
{
    std::vector<IntPoint> points;
    TColor colour = clBlack;
};
} // namespace mfop

using MetafileOp = std::variant<mfop::FillRect, mfop::Text, mfop::Line, mfop::Rectangle,
                                mfop::Image, mfop::Polygon>;

// One recorded page: a list of drawing commands in printer dots, replayable onto any
// QPainter (preview, printer, image) and printable as text for tests.
class TMetafile
{
public:
    TMetafile() = default;
    TMetafile(int widthDots, int heightDots, int dpiX, int dpiY);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int dpiX() const { return m_dpiX; }
    int dpiY() const { return m_dpiY; }

    const std::vector<MetafileOp>& ops() const { return m_ops; }
    void append(MetafileOp op) { m_ops.push_back(std::move(op)); }

    // Draws the page with its dots as the painter's current units (the caller scales).
    void play(QPainter& painter) const;
    // The page rendered on white at the given resolution.
    QImage render(int dpi) const;
    // One line per command, for tests and debugging.
    std::string dump() const;

private:
    int m_width = 0;
    int m_height = 0;
    int m_dpiX = 600;
    int m_dpiY = 600;
    std::vector<MetafileOp> m_ops;
};

// A GDI-like canvas that records into a TMetafile. Keeps the current font, font colour, brush
// and pen as a device context does; measures text with the font's metrics at pixel sizes.
class TMetafileCanvas
{
public:
    explicit TMetafileCanvas(TMetafile& page);

    const LogFont& font() const { return m_font; }
    void setFont(const LogFont& font) { m_font = font; }
    LogFont& fontRef() { return m_font; }
    TColor fontColour() const { return m_fontColour; }
    void setFontColour(TColor c) { m_fontColour = c; }
    TColor brushColour() const { return m_brushColour; }
    void setBrushColour(TColor c) { m_brushColour = c; }
    TColor penColour() const { return m_penColour; }
    void setPenColour(TColor c) { m_penColour = c; }
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int w) { m_penWidth = w; }

    IntRect clipRect() const;
    void fillRect(const IntRect& rect);
    void rectangle(const IntRect& rect);
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void textOut(int x, int y, std::string_view ansi);
    // Clipped, opaque text: the rectangle is filled with the brush, the text drawn inside it.
    void textRect(const IntRect& rect, int x, int y, std::string_view ansi);
    void draw(const IntRect& dest, std::shared_ptr<const QImage> image);
    // A polygon filled with the brush colour, no outline.
    void fillPolygon(std::vector<IntPoint> points);

    int textWidth(std::string_view ansi) const;
    int textHeight(std::string_view ansi) const;

private:
    TMetafile& m_page;
    LogFont m_font;
    TColor m_fontColour = clBlack;
    TColor m_brushColour = clWhite;
    TColor m_penColour = clBlack;
    int m_penWidth = 1;
    int m_penX = 0;
    int m_penY = 0;
};

// Text measurement of logical fonts in dots, cached per font. Widths are the sums of the
// glyph advances at the font's pixel size, so they do not depend on any device.
int measureTextWidth(const LogFont& font, std::string_view ansi);
int measureTextHeight(const LogFont& font);

} // namespace spoolar
