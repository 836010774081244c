#include "platform/Metafile.h"

#include <QGlyphRun>
#include <QRawFont>

#include "platform/CodePage.h"
#include "platform/FontCache.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRectF>

#include <cmath>
#include <cstdio>
#include <utility>

namespace spoolar {
namespace {

QColor toQColor(TColor c)
{
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

// Restores the painter's state at the end of a scope.
class PainterStateGuard
{
public:
    explicit PainterStateGuard(QPainter& painter) : m_painter(painter) { m_painter.save(); }
    ~PainterStateGuard() { m_painter.restore(); }
    PainterStateGuard(const PainterStateGuard&) = delete;
    PainterStateGuard& operator=(const PainterStateGuard&) = delete;

private:
    QPainter& m_painter;
};

// The area a GDI rectangle covers: left..right-1 and top..bottom-1, i.e. the half-open box.
QRectF area(const IntRect& r)
{
    return QRectF(r.left, r.top, r.width(), r.height());
}

IntRect normalised(const IntRect& r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

// The centre of a dot: a one-dot pen through it covers exactly that dot's row or column.
QPointF dotCentre(int x, int y)
{
    return QPointF(x + 0.5, y + 0.5);
}

enum class PenUse
{
    Line,
    Outline
};

// Thin pens (and pens that would shrink below one device pixel) are cosmetic, one device pixel
// wide, so frame lines stay visible in a small preview; wider pens scale with the page. Wide
// lines get round ends, as GDI's, so lines meeting at a corner close it.
QPen pagePen(const QPainter& painter, TColor colour, int width, PenUse use)
{
    QPen pen(toQColor(colour));
    const double deviceScale = std::sqrt(std::abs(painter.combinedTransform().determinant()));
    if (width <= 1 || width * deviceScale < 1.0) {
        pen.setWidth(0);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setWidthF(width);
        pen.setCapStyle(use == PenUse::Line ? Qt::RoundCap : Qt::SquareCap);
        pen.setJoinStyle(use == PenUse::Line ? Qt::RoundJoin : Qt::MiterJoin);
    }
    return pen;
}

class Player
{
public:
    Player(QPainter& painter, int dpiY) : m_p(painter), m_dpiY(dpiY) {}

    void operator()(const mfop::FillRect& op) const
    {
        if (op.rect.width() > 0 && op.rect.height() > 0)
            m_p.fillRect(area(op.rect), toQColor(op.colour));
    }

    void operator()(const mfop::Line& op) const
    {
        if (op.x0 == op.x1 && op.y0 == op.y1)
            return;
        m_p.setPen(pagePen(m_p, op.colour, op.width, PenUse::Line));
        m_p.drawLine(dotCentre(op.x0, op.y0), dotCentre(op.x1, op.y1));
    }

    void operator()(const mfop::Rectangle& op) const
    {
        const IntRect r = normalised(op.rect);
        if (r.width() <= 0 || r.height() <= 0)
            return;
        m_p.fillRect(area(r), toQColor(op.brush));
        m_p.setPen(pagePen(m_p, op.pen, op.penWidth, PenUse::Outline));
        m_p.setBrush(Qt::NoBrush);
        // The outline runs through the centres of the outermost dots of the box.
        m_p.drawRect(QRectF(r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1));
    }

    void operator()(const mfop::Text& op) const
    {
        const ResolvedFont& font = resolveFont(op.font, m_dpiY);
        const QString text = displayText(op.text);
        PainterStateGuard guard(m_p);
        if (op.clip) {
            m_p.setClipRect(area(*op.clip),
                            m_p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            if (op.opaque)
                m_p.fillRect(area(*op.clip), toQColor(*op.opaque));
        }
        // Turn around the top-left corner of the first cell, then stretch along the baseline.
        m_p.translate(op.x, op.y);
        if (op.font.escapement != 0)
            m_p.rotate(-op.font.escapement / 10.0);
        if (op.opaque && !op.clip) {
            // Without a rectangle the background is the text's own cells.
            m_p.fillRect(
                QRectF(0, 0, textAdvance(op.font, op.text, m_dpiY), font.ascent + font.descent),
                toQColor(*op.opaque));
        }
        if (font.xScale != 1.0)
            m_p.scale(font.xScale, 1.0);
        m_p.setPen(toQColor(op.colour));
        // Each character at its whole-dot cell, as measured, so long runs do not drift.
        const std::vector<double> offsets = characterOffsets(op.font, op.text, m_dpiY);
        QList<quint32> glyphs =
            font.raw.isValid() ? font.raw.glyphIndexesForString(text) : QList<quint32>{};
        const bool allGlyphs = glyphs.size() == text.size() &&
                               std::find(glyphs.begin(), glyphs.end(), 0u) == glyphs.end();
        if (allGlyphs && static_cast<std::size_t>(glyphs.size()) == offsets.size()) {
            QList<QPointF> positions;
            positions.reserve(glyphs.size());
            for (double x : offsets)
                positions.append(QPointF(x / font.xScale, font.ascent));
            QGlyphRun run;
            run.setRawFont(font.raw);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            m_p.drawGlyphRun(QPointF(0, 0), run);
        } else {
            // A character the font lacks: let Qt find a fallback font, one cell at a time.
            m_p.setFont(font.font);
            for (qsizetype i = 0; i < text.size() && static_cast<std::size_t>(i) < offsets.size();
                 ++i)
                m_p.drawText(
                    QPointF(offsets[static_cast<std::size_t>(i)] / font.xScale, font.ascent),
                    QString(text.at(i)));
        }
    }

    void operator()(const mfop::Image& op) const
    {
        if (!op.image || op.image->isNull() || op.dest.width() <= 0 || op.dest.height() <= 0)
            return;
        m_p.drawImage(area(op.dest), *op.image);
    }

    void operator()(const mfop::Polygon& op) const
    {
        if (op.points.size() < 3)
            return;
        PainterStateGuard guard(m_p);
        m_p.setRenderHint(QPainter::Antialiasing, true);
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(toQColor(op.colour));
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(op.points.size()));
        for (const IntPoint& p : op.points)
            polygon.append(QPointF(p.x, p.y));
        m_p.drawPolygon(polygon, Qt::OddEvenFill);
    }

private:
    QPainter& m_p;
    int m_dpiY;
};

std::string hexColour(TColor c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", redOf(c), greenOf(c), blueOf(c));
    return buf;
}

std::string rectText(const IntRect& r)
{
    return std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right) +
           ',' + std::to_string(r.bottom);
}

std::string quoted(std::string_view utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

class Dumper
{
public:
    std::string operator()(const mfop::FillRect& op) const
    {
        return "fill " + rectText(op.rect) + ' ' + hexColour(op.colour);
    }

    std::string operator()(const mfop::Line& op) const
    {
        return "line " + std::to_string(op.x0) + ',' + std::to_string(op.y0) + " -> " +
               std::to_string(op.x1) + ',' + std::to_string(op.y1) + ' ' + hexColour(op.colour) +
               " w" + std::to_string(op.width);
    }

    std::string operator()(const mfop::Rectangle& op) const
    {
        return "rect " + rectText(op.rect) + " pen=" + hexColour(op.pen) +
               " brush=" + hexColour(op.brush) + " w" + std::to_string(op.penWidth);
    }

    std::string operator()(const mfop::Text& op) const
    {
        std::string s = "text " + std::to_string(op.x) + ',' + std::to_string(op.y) + ' ' +
                        quoted(ansiToUtf8(op.text)) + " font=" + quoted(op.font.family) +
                        " h=" + std::to_string(op.font.height) +
                        " w=" + std::to_string(op.font.width) +
                        " esc=" + std::to_string(op.font.escapement);
        if (op.font.bold)
            s += " b";
        if (op.font.italic)
            s += " i";
        s += ' ' + hexColour(op.colour);
        if (op.clip)
            s += " clip=" + rectText(*op.clip);
        if (op.opaque)
            s += " opaque=" + hexColour(*op.opaque);
        return s;
    }

    std::string operator()(const mfop::Image& op) const
    {
        const int w = op.image ? op.image->width() : 0;
        const int h = op.image ? op.image->height() : 0;
        return "image " + rectText(op.dest) + ' ' + std::to_string(w) + 'x' + std::to_string(h);
    }

    std::string operator()(const mfop::Polygon& op) const
    {
        std::string s = "polygon";
        for (const IntPoint& p : op.points)
            s += ' ' + std::to_string(p.x) + ',' + std::to_string(p.y);
        return s + ' ' + hexColour(op.colour);
    }
};

} // namespace

TMetafile::TMetafile(int widthDots, int heightDots, int dpiX, int dpiY)
    : m_width(widthDots), m_height(heightDots), m_dpiX(dpiX), m_dpiY(dpiY)
{
}

void TMetafile::play(QPainter& painter) const
{
    PainterStateGuard guard(painter);
    // Crisp edges for rules and boxes, smooth glyphs and pictures.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setBackgroundMode(Qt::TransparentMode);
    const Player player(painter, m_dpiY);
    for (const MetafileOp& op : m_ops)
        std::visit(player, op);
}

QImage TMetafile::render(int dpi) const
{
    if (m_width <= 0 || m_height <= 0 || m_dpiX <= 0 || m_dpiY <= 0 || dpi <= 0)
        return QImage();
    const double sx = static_cast<double>(dpi) / m_dpiX;
    const double sy = static_cast<double>(dpi) / m_dpiY;
    const int w = std::max(1, static_cast<int>(std::lround(m_width * sx)));
    const int h = std::max(1, static_cast<int>(std::lround(m_height * sy)));
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(sx, sy);
    play(painter);
    return image;
}

std::string TMetafile::dump() const
{
    std::string out;
    const Dumper dumper;
    for (const MetafileOp& op : m_ops) {
        out += std::visit(dumper, op);
        out += '\n';
    }
    return out;
}

TMetafileCanvas::TMetafileCanvas(TMetafile& page) : m_page(page) {}

IntRect TMetafileCanvas::clipRect() const
{
    return {0, 0, m_page.width(), m_page.height()};
}

void TMetafileCanvas::fillRect(const IntRect& rect)
{
    m_page.append(mfop::FillRect{rect, m_brushColour});
}

void TMetafileCanvas::rectangle(const IntRect& rect)
{
    m_page.append(mfop::Rectangle{rect, m_penColour, m_brushColour, m_penWidth});
}

void TMetafileCanvas::moveTo(int x, int y)
{
    m_penX = x;
    m_penY = y;
}

void TMetafileCanvas::lineTo(int x, int y)
{
    m_page.append(mfop::Line{m_penX, m_penY, x, y, m_penColour, m_penWidth});
    m_penX = x;
    m_penY = y;
}

void TMetafileCanvas::textOut(int x, int y, std::string_view ansi)
{
    // The default size is made explicit, so the command draws alike on a page of another dpi.
    m_page.append(mfop::Text{x, y, std::string(ansi), withDefaultHeight(m_font, m_page.dpiY()),
                             m_fontColour, std::nullopt, std::nullopt});
}

void TMetafileCanvas::textRect(const IntRect& rect, int x, int y, std::string_view ansi)
{
    m_page.append(mfop::Text{x, y, std::string(ansi), withDefaultHeight(m_font, m_page.dpiY()),
                             m_fontColour, rect, m_brushColour});
}

void TMetafileCanvas::draw(const IntRect& dest, std::shared_ptr<const QImage> image)
{
    m_page.append(mfop::Image{dest, std::move(image)});
}

void TMetafileCanvas::fillPolygon(std::vector<IntPoint> points)
{
    m_page.append(mfop::Polygon{std::move(points), m_brushColour});
}

int TMetafileCanvas::textWidth(std::string_view ansi) const
{
    return measureTextWidth(withDefaultHeight(m_font, m_page.dpiY()), ansi);
}

int TMetafileCanvas::textHeight(std::string_view) const
{
    return measureTextHeight(withDefaultHeight(m_font, m_page.dpiY()));
}

int measureTextWidth(const LogFont& font, std::string_view ansi)
{
    return static_cast<int>(std::lround(textAdvance(font, ansi)));
}

int measureTextHeight(const LogFont& font)
{
    const ResolvedFont& resolved = resolveFont(font);
    return resolved.ascent + resolved.descent;
}

} // namespace spoolar
