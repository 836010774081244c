#include "platform/FontCache.h"

#include "platform/CodePage.h"
#include "platform/FontRegistry.h"

#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace spoolar {
namespace {

// Pixel sizes outside this range are clamped: FreeType refuses 0 and larger sizes only cost
// memory in the glyph caches (16384 dots are 27 inches at 600 dpi).
constexpr int minPixelSize = 1;
constexpr int maxPixelSize = 16384;

// What determines the metrics of a logical font; the escapement only turns the text.
struct FontKey
{
    std::string family;
    int height = 0;
    int width = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontKey&) const = default;
};

struct FontKeyHash
{
    std::size_t operator()(const FontKey& k) const
    {
        std::size_t h = std::hash<std::string>{}(k.family);
        auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(std::hash<int>{}(k.height));
        mix(std::hash<int>{}(k.width));
        mix((k.bold ? 1U : 0U) | (k.italic ? 2U : 0U));
        return h;
    }
};

class FontCache
{
public:
    const ResolvedFont& get(const FontKey& key)
    {
        std::lock_guard lock(m_mutex);
        return entry(key).resolved;
    }

    double advance(const FontKey& key, std::string_view ansi)
    {
        std::lock_guard lock(m_mutex);
        Entry& e = entry(key);
        double sum = 0;
        for (const char c : ansi)
            sum += cellAdvance(e, c);
        return sum;
    }

    std::vector<double> offsets(const FontKey& key, std::string_view ansi)
    {
        std::lock_guard lock(m_mutex);
        Entry& e = entry(key);
        std::vector<double> out;
        out.reserve(ansi.size());
        double x = 0;
        for (const char c : ansi) {
            out.push_back(x);
            x += cellAdvance(e, c);
        }
        return out;
    }

private:
    struct Entry;

    // As GDI lays text out: each character advances a whole number of dots, its own advance
    // (stretched as the font asks) rounded. Filled on first use: a character missing from the
    // font loads a fallback font.
    static double cellAdvance(Entry& e, char c)
    {
        double& a = e.advances[static_cast<unsigned char>(c)];
        if (a < 0) {
            const QString shown = displayText(std::string_view(&c, 1));
            const double natural = shown.isEmpty() ? 0.0 : e.metrics.horizontalAdvance(shown.at(0));
            a = std::round(natural * e.resolved.xScale);
        }
        return a;
    }

    QString hostFamily(const std::string& family)
    {
        auto it = m_families.find(family);
        if (it != m_families.end())
            return it->second;
        const QString host = QString::fromStdString(FontRegistry{}.resolvedFamily(family));
        m_families.emplace(family, host);
        return host;
    }

    struct Entry
    {
        ResolvedFont resolved;
        QFontMetricsF metrics;
        std::array<double, 256> advances; // whole dots, stretched; negative until measured
    };

    Entry& entry(const FontKey& key)
    {
        auto it = m_fonts.find(key);
        if (it == m_fonts.end())
            it = m_fonts.emplace(key, build(key)).first;
        return *it->second;
    }

    std::unique_ptr<Entry> build(const FontKey& key)
    {
        const QString family = hostFamily(key.family);
        auto makeFont = [&](long long pixelSize) {
            QFont f(family);
            f.setPixelSize(
                static_cast<int>(std::clamp<long long>(pixelSize, minPixelSize, maxPixelSize)));
            f.setWeight(key.bold ? QFont::Bold : QFont::Normal);
            f.setItalic(key.italic);
            // Like GDI's TextOut: no kerning, no ligatures, each character its own advance.
            // Unhinted outlines keep the advances the same at every painter scale.
            f.setKerning(false);
            f.setHintingPreference(QFont::PreferNoHinting);
            f.setStyleStrategy(QFont::StyleStrategy(
                QFont::PreferDefault | QFont::NoSubpixelAntialias | QFont::PreferNoShaping));
            return f;
        };

        const long long height = key.height;
        long long pixelSize = height < 0 ? -height : height;
        if (height > 0 && height <= maxPixelSize) {
            // A cell height: the em size whose ascent + descent make that height.
            const QFontMetricsF probe(makeFont(height));
            const double cell = probe.ascent() + probe.descent();
            if (cell > 0)
                pixelSize = std::llround(height * (height / cell));
        }

        const QFont font = makeFont(pixelSize);
        auto e = std::unique_ptr<Entry>(new Entry{ResolvedFont{}, QFontMetricsF(font), {}});
        e->advances.fill(-1.0);
        e->resolved.font = font;
        e->resolved.raw = QRawFont::fromFont(font);
        e->resolved.ascent = static_cast<int>(std::lround(e->metrics.ascent()));
        e->resolved.descent = static_cast<int>(std::lround(e->metrics.descent()));
        if (key.width != 0) {
            const double natural = naturalAverageWidth(e->metrics);
            if (natural > 0)
                e->resolved.xScale = std::abs(static_cast<double>(key.width)) / natural;
        }
        return e;
    }

    // The average character width a requested width is compared with. For a font whose
    // characters all advance alike that advance itself (some fixed-pitch fonts declare an
    // average that is not their pitch), otherwise the font's declared average.
    static double naturalAverageWidth(const QFontMetricsF& metrics)
    {
        const double pitch = metrics.horizontalAdvance(QChar(u'M'));
        bool fixedPitch = pitch > 0;
        for (const char16_t c : std::u16string_view(u"iW0 .l")) {
            if (std::abs(metrics.horizontalAdvance(QChar(c)) - pitch) > 1e-9)
                fixedPitch = false;
        }
        if (fixedPitch)
            return pitch;
        return metrics.averageCharWidth();
    }

    std::mutex m_mutex;
    std::unordered_map<FontKey, std::unique_ptr<Entry>, FontKeyHash> m_fonts;
    std::unordered_map<std::string, QString> m_families;
};

// Never destroyed, so that its Qt fonts are not released after the QGuiApplication has gone.
FontCache& fontCache()
{
    static FontCache* const cache = new FontCache;
    return *cache;
}

FontKey keyOf(const LogFont& font, int dpi)
{
    const LogFont f = withDefaultHeight(font, dpi);
    return FontKey{f.family, f.height, f.width, f.bold, f.italic};
}

} // namespace

int defaultFontHeight(int dpi)
{
    return static_cast<int>(std::lround(12.0 * (dpi > 0 ? dpi : 600) / 72.0));
}

LogFont withDefaultHeight(const LogFont& font, int dpi)
{
    LogFont f = font;
    if (f.height == 0)
        f.height = -defaultFontHeight(dpi);
    return f;
}

const ResolvedFont& resolveFont(const LogFont& font, int dpi)
{
    return fontCache().get(keyOf(font, dpi));
}

double textAdvance(const LogFont& font, std::string_view ansi, int dpi)
{
    return fontCache().advance(keyOf(font, dpi), ansi);
}

std::vector<double> characterOffsets(const LogFont& font, std::string_view ansi, int dpi)
{
    return fontCache().offsets(keyOf(font, dpi), ansi);
}

QString displayText(std::string_view ansi)
{
    QString s = ansiToQString(ansi);
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            c = QChar(u' ');
    }
    return s;
}

} // namespace spoolar
