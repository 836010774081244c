#include "platform/FontCache.h"

#include "platform/CodePage.h"
#include "platform/FontRegistry.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
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
        auto it = m_fonts.find(key);
        if (it != m_fonts.end())
            return *it->second;
        auto resolved = build(key);
        return *m_fonts.emplace(key, std::move(resolved)).first->second;
    }

private:
    QString hostFamily(const std::string& family)
    {
        auto it = m_families.find(family);
        if (it != m_families.end())
            return it->second;
        const QString host = QString::fromStdString(FontRegistry{}.resolvedFamily(family));
        m_families.emplace(family, host);
        return host;
    }

    std::unique_ptr<ResolvedFont> build(const FontKey& key)
    {
        const QString family = hostFamily(key.family);
        auto makeFont = [&](int pixelSize) {
            QFont f(family);
            f.setPixelSize(std::clamp(pixelSize, minPixelSize, maxPixelSize));
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

        int pixelSize = key.height < 0 ? -key.height : key.height;
        if (key.height > 0) {
            // A cell height: the em size whose ascent + descent make that height.
            const QFontMetricsF probe(makeFont(key.height));
            const double cell = probe.ascent() + probe.descent();
            if (cell > 0)
                pixelSize = static_cast<int>(std::lround(key.height * (key.height / cell)));
        }

        auto r = std::make_unique<ResolvedFont>();
        r->font = makeFont(pixelSize);
        const QFontMetricsF metrics(r->font);
        r->ascent = static_cast<int>(std::lround(metrics.ascent()));
        r->descent = static_cast<int>(std::lround(metrics.descent()));

        std::string allBytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            allBytes[b] = static_cast<char>(b);
        const QString shown = displayText(allBytes);
        for (int b = 0; b < 256 && b < shown.size(); ++b)
            r->advances[b] = metrics.horizontalAdvance(shown[b]);

        if (key.width != 0) {
            const double natural = naturalAverageWidth(metrics, r->advances);
            if (natural > 0)
                r->xScale = std::abs(key.width) / natural;
        }
        return r;
    }

    // The average character width a requested width is compared with. For a font whose
    // characters all advance alike that advance itself (some fixed-pitch fonts declare an
    // average that is not their pitch), otherwise the font's declared average.
    static double naturalAverageWidth(const QFontMetricsF& metrics,
                                      const std::array<double, 256>& advances)
    {
        const double pitch = advances[static_cast<unsigned char>('M')];
        bool fixedPitch = pitch > 0;
        for (const char c : std::string_view("iW0 .l")) {
            if (std::abs(advances[static_cast<unsigned char>(c)] - pitch) > 1e-9)
                fixedPitch = false;
        }
        if (fixedPitch)
            return pitch;
        return metrics.averageCharWidth();
    }

    std::mutex m_mutex;
    std::unordered_map<FontKey, std::unique_ptr<ResolvedFont>, FontKeyHash> m_fonts;
    std::unordered_map<std::string, QString> m_families;
};

FontCache& fontCache()
{
    static FontCache cache;
    return cache;
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
    const LogFont f = withDefaultHeight(font, dpi);
    return fontCache().get(FontKey{f.family, f.height, f.width, f.bold, f.italic});
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
