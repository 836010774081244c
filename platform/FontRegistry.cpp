#include "platform/FontRegistry.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>

namespace spoolar {

namespace {

struct PatternDeleter
{
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter
{
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct FontSetDeleter
{
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

enum class Slant
{
    Upright,
    Italic,
    Oblique
};

// One installed file of a family, by the only style distinctions the font list makes.
struct StyleFile
{
    bool bold = false;
    Slant slant = Slant::Upright;
    std::filesystem::path file;
};

struct Resolution
{
    std::string family; // as fontconfig spells it ("Liberation Mono")
    std::vector<StyleFile> styles;
};

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

// Family names compare as fontconfig compares them: without regard to case or blanks.
bool sameFamily(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        while (i < a.size() && a[i] == ' ')
            ++i;
        while (j < b.size() && b[j] == ' ')
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (lowerAscii(a[i]) != lowerAscii(b[j]))
            return false;
        ++i;
        ++j;
    }
}

const FcChar8* fcString(const std::string& s)
{
    return reinterpret_cast<const FcChar8*>(s.c_str());
}

// The family list fontconfig builds for a requested family: the name itself, the aliases its
// configuration adds, and the generic tail (sans-serif, monospace, ...).
std::vector<std::string> substitutedFamilies(const std::string& family)
{
    std::vector<std::string> families;
    PatternPtr pattern(FcPatternCreate());
    if (!pattern || !FcPatternAddString(pattern.get(), FC_FAMILY, fcString(family)))
        return families;
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern))
        return families;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern.get(), FC_FAMILY, i, &value) == FcResultMatch; ++i)
        families.emplace_back(reinterpret_cast<const char*>(value));
    return families;
}

std::optional<double> numberOf(const FcPattern* font, const char* object)
{
    FcValue value;
    if (FcPatternGet(font, object, 0, &value) != FcResultMatch)
        return std::nullopt;
    if (value.type == FcTypeInteger)
        return value.u.i;
    if (value.type == FcTypeDouble)
        return value.u.d;
    return std::nullopt; // a range: a variable axis, not one face
}

bool hasTtfExtension(const std::filesystem::path& file)
{
    return lowered(file.extension().string()) == ".ttf";
}

struct Candidate
{
    StyleFile style;
    double widthDistance = 0;
    double weightDistance = 0;
};

// The usable faces of one installed family: single-face .ttf files, not variable fonts; for
// each of the four styles the face closest to normal width and to the style's weight, so that
// condensed or extra-light members of a family do not take the place of its regular face.
std::optional<Resolution> installedFamily(const std::string& family)
{
    PatternPtr pattern(FcPatternCreate());
    if (!pattern || !FcPatternAddString(pattern.get(), FC_FAMILY, fcString(family)))
        return std::nullopt;
    ObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_WEIGHT, FC_SLANT, FC_WIDTH,
                                          FC_VARIABLE, FC_INDEX, nullptr));
    if (!objects)
        return std::nullopt;
    FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts)
        return std::nullopt;

    std::array<std::optional<Candidate>, 4> best;
    std::string spelling;
    for (int i = 0; i < fonts->nfont; ++i) {
        const FcPattern* font = fonts->fonts[i];
        FcChar8* file = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        Candidate c;
        c.style.file = reinterpret_cast<const char*>(file);
        if (!hasTtfExtension(c.style.file))
            continue;
        FcBool variable = FcFalse;
        if (FcPatternGetBool(font, FC_VARIABLE, 0, &variable) == FcResultMatch && variable)
            continue;
        int index = 0;
        if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch && index != 0)
            continue; // a named instance of a variable font, or a later face of a collection
        const auto weight = numberOf(font, FC_WEIGHT);
        if (!weight)
            continue;
        const double width = numberOf(font, FC_WIDTH).value_or(FC_WIDTH_NORMAL);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);

        c.style.bold = *weight >= FC_WEIGHT_BOLD;
        c.style.slant = slant == FC_SLANT_ITALIC    ? Slant::Italic
                        : slant == FC_SLANT_OBLIQUE ? Slant::Oblique
                                                    : Slant::Upright;
        c.widthDistance = std::abs(width - FC_WIDTH_NORMAL);
        c.weightDistance = std::abs(*weight - (c.style.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR));

        if (spelling.empty()) {
            FcChar8* name = nullptr;
            for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
                if (sameFamily(reinterpret_cast<const char*>(name), family)) {
                    spelling = reinterpret_cast<const char*>(name);
                    break;
                }
            }
        }

        const std::size_t slot =
            (c.style.bold ? 1u : 0u) + (c.style.slant != Slant::Upright ? 2u : 0u);
        auto& current = best[slot];
        const auto key = [](const Candidate& x) {
            return std::tie(x.widthDistance, x.weightDistance, x.style.file);
        };
        if (!current || key(c) < key(*current))
            current = std::move(c);
    }

    Resolution result;
    result.family = spelling.empty() ? family : spelling;
    for (auto& slot : best)
        if (slot)
            result.styles.push_back(std::move(slot->style));
    if (result.styles.empty())
        return std::nullopt;
    return result;
}

// Resolutions by lower-cased family. The installed fonts do not change while a job runs, and
// the engine asks for the same family once per job, so a process-wide cache is enough.
class ResolutionCache
{
public:
    std::optional<Resolution> get(std::string_view family)
    {
        const std::lock_guard lock(m_mutex);
        const std::string key = lowered(family);
        if (auto it = m_cache.find(key); it != m_cache.end())
            return it->second;
        auto resolved = resolve(std::string(family));
        m_cache.emplace(key, resolved);
        return resolved;
    }

private:
    // The requested name and the aliases fontconfig's configuration gives it come first in
    // the substituted list; what follows is the generic tail. A name fontconfig knows nothing
    // about gets the default tail only, exactly as a nonsense name does, so the part of the
    // list before that tail is what stands for the request. Without this, any name would end
    // at the default font (DejaVu Sans).
    std::optional<Resolution> resolve(const std::string& family)
    {
        if (!m_initialised) {
            m_initialised = true;
            m_usable = FcInit() == FcTrue;
            if (m_usable) {
                auto tail = substitutedFamilies("Spoolar Unknown Family 7f3a9c");
                if (!tail.empty())
                    tail.erase(tail.begin());
                m_defaultTail = std::move(tail);
            }
        }
        if (!m_usable)
            return std::nullopt;

        const std::vector<std::string> families = substitutedFamilies(family);
        std::size_t end = families.size();
        if (!m_defaultTail.empty()) {
            for (std::size_t i = 1; i + m_defaultTail.size() <= families.size(); ++i) {
                if (std::equal(m_defaultTail.begin(), m_defaultTail.end(),
                               families.begin() + static_cast<std::ptrdiff_t>(i))) {
                    end = i;
                    break;
                }
            }
        }
        for (std::size_t i = 0; i < end; ++i) {
            if (auto installed = installedFamily(families[i]))
                return installed;
        }
        return std::nullopt;
    }

    std::mutex m_mutex;
    std::map<std::string, std::optional<Resolution>> m_cache;
    std::vector<std::string> m_defaultTail;
    bool m_initialised = false;
    bool m_usable = false;
};

ResolutionCache& resolutionCache()
{
    static ResolutionCache cache;
    return cache;
}

} // namespace

std::vector<FontRegistryValue> FontRegistry::valuesFor(std::string_view family) const
{
    std::vector<FontRegistryValue> values;
    // An empty name would be contained in every value name; it asks for nothing.
    if (family.find_first_not_of(' ') == std::string_view::npos)
        return values;
    const auto resolved = resolutionCache().get(family);
    if (!resolved)
        return values;
    for (const StyleFile& style : resolved->styles) {
        std::string name(family);
        if (style.bold)
            name += " Bold";
        if (style.slant == Slant::Italic)
            name += " Italic";
        else if (style.slant == Slant::Oblique)
            name += " Oblique";
        name += " (TrueType)";
        values.push_back({std::move(name), style.file});
    }
    return values;
}

std::string FontRegistry::resolvedFamily(std::string_view family) const
{
    if (family.find_first_not_of(' ') != std::string_view::npos) {
        if (const auto resolved = resolutionCache().get(family))
            return resolved->family;
    }
    return std::string(family);
}

} // namespace spoolar
