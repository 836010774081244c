#include "overlays/LetterheadPainter.h"

#include "overlays/PictureFiles.h"
#include "platform/Metafile.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <system_error>

namespace spoolar {

namespace {

// The Windows default colours of the system colour indices 0 to 30 (0x00BBGGRR).
constexpr std::array<TColor, 31> kSystemColours{
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

constexpr float kSearchStart = 300.0f;
constexpr float kSearchStep = 0.025f;
constexpr float kSmallestSize = 0.025f;

bool isRegularFile(const std::filesystem::path& file)
{
    std::error_code ec;
    return !file.empty() && std::filesystem::is_regular_file(file, ec);
}

// Designer pixels to page units: MulDiv(v, W, HorizSize), on both axes.
struct Scale
{
    std::int32_t pageWidth;
    std::int32_t designWidth;
    std::int32_t operator()(std::int32_t v) const { return MulDiv(v, pageWidth, designWidth); }
};

// Puts the canvas font and its colour back as they were, however drawing ends.
class CanvasFontGuard
{
public:
    explicit CanvasFontGuard(TMetafileCanvas& canvas)
        : m_canvas(canvas), m_font(canvas.font()), m_colour(canvas.fontColour())
    {
    }
    ~CanvasFontGuard()
    {
        m_canvas.setFont(m_font);
        m_canvas.setFontColour(m_colour);
    }
    CanvasFontGuard(const CanvasFontGuard&) = delete;
    CanvasFontGuard& operator=(const CanvasFontGuard&) = delete;

private:
    TMetafileCanvas& m_canvas;
    LogFont m_font;
    TColor m_colour;
};

// A font of the given size in points at the screen's resolution, as a font object of the
// designer turns points into a character height.
LogFont screenFont(const std::string& face, std::int32_t points, bool bold, bool italic,
                   int screenDpi)
{
    LogFont font;
    font.family = face;
    font.height = -MulDiv(points, screenDpi, 72);
    font.bold = bold;
    font.italic = italic;
    return font;
}

} // namespace

TColor printerColourOf(TColor colour)
{
    if ((colour & 0xFF000000u) == 0)
        return colour;
    if ((colour & 0xFF000000u) == 0xFF000000u && (colour & 0x00FFFFFFu) < kSystemColours.size())
        return kSystemColours[colour & 0x00FFFFFFu];
    return colour & 0x00FFFFFFu;
}

float letterheadPdfFontSize(HPDF_Font font, const std::string& text, float targetWidth)
{
    const HPDF_TextWidth measured = HPDF_Font_TextWidth(
        font, reinterpret_cast<const HPDF_BYTE*>(text.data()), static_cast<HPDF_UINT>(text.size()));
    // The width the page reports at a size: the font's width in thousandths of the size.
    auto widthAt = [&](float size) { return static_cast<float>(measured.width) * size / 1000; };
    float size = kSearchStart;
    while (widthAt(size) > targetWidth) {
        const float next = size - kSearchStep;
        if (next < kSmallestSize)
            return kSmallestSize;
        size = next;
    }
    return size;
}

void LetterheadPrinterPainter::draw(TMetafileCanvas& canvas, const LetterheadFile& definition,
                                    const LetterheadPage& page)
{
    const CanvasFontGuard guard(canvas);
    const Scale s{page.width, definition.horizSize};
    const std::int32_t W = page.width;
    const std::int32_t H = page.height;
    const auto m = static_cast<std::int32_t>(page.margin);
    const std::int32_t F = definition.footerSize;

    for (const LetterheadElement& element : definition.elements) {
        if (const auto* text = std::get_if<LetterheadText>(&element)) {
            canvas.setFont(screenFont(text->fontName, s(text->fontSize), text->fontBold,
                                      text->fontItalic, m_screenDpi));
            canvas.setFontColour(printerColourOf(text->fontColor));
            std::int32_t top = s(text->top);
            std::int32_t left = s(text->left);
            if (text->footer) {
                top = H - s(F - text->top);
                const std::int32_t h = canvas.textHeight("Wg");
                if (m + (H - 2 * m) < top + h)
                    top = (H - 2 * m) + m - h;
                left = (W - canvas.textWidth(text->text)) / 2;
            }
            // Opaque, on a box in the brush colour, as every plain text on the page.
            const IntRect box{left, top, left + canvas.textWidth(text->text),
                              top + canvas.textHeight(text->text)};
            canvas.textRect(box, left, top, text->text);
            continue;
        }
        const auto& pic = std::get<LetterheadPicture>(element);
        if (!isRegularFile(pic.file))
            continue;
        const std::int32_t top = pic.footer ? H - s(F - pic.top) : s(pic.top);
        const std::int32_t left = s(pic.left);
        const std::int32_t width = s(pic.width);
        const std::int32_t height = s(pic.height);
        if (auto image = picture(pic.file, width, height))
            canvas.draw({left, top, left + width, top + height}, std::move(image));
    }
}

std::shared_ptr<const QImage> LetterheadPrinterPainter::picture(const std::filesystem::path& file,
                                                                int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    const auto key = std::make_tuple(file, width, height);
    if (const auto it = m_pictures.find(key); it != m_pictures.end())
        return it->second;
    const QImage decoded = decodeLetterheadPicture(file);
    std::shared_ptr<const QImage> resampled;
    if (!decoded.isNull())
        resampled = std::make_shared<const QImage>(m_resampler.resample(decoded, width, height));
    // A picture that cannot be decoded is remembered as such and skipped on every page.
    m_pictures.emplace(key, resampled);
    return resampled;
}

void LetterheadPdfPainter::draw(HPDF_Doc doc, HPDF_Page page, const LetterheadFile& definition,
                                const LetterheadPage& geometry)
{
    std::vector<HeaderPicture> uncached;
    for (std::size_t i = 0; i < definition.elements.size(); ++i) {
        const LetterheadElement& element = definition.elements[i];
        if (const auto* text = std::get_if<LetterheadText>(&element)) {
            drawText(page, *text, definition, geometry);
            continue;
        }
        const auto& pic = std::get<LetterheadPicture>(element);
        if (!m_loaded) {
            const auto loaded = loadPicture(doc, pic, definition, geometry);
            if (!loaded)
                continue;
            if (static_cast<std::size_t>(m_count) < kTableSize) {
                m_table[static_cast<std::size_t>(m_count++)] = *loaded;
            } else {
                m_overflow.push_back(i);
                uncached.push_back(*loaded);
            }
        } else if (std::find(m_overflow.begin(), m_overflow.end(), i) != m_overflow.end()) {
            if (const auto loaded = loadPicture(doc, pic, definition, geometry))
                uncached.push_back(*loaded);
        }
    }
    // The pictures come last, over the texts.
    for (std::int32_t i = 0; i < m_count; ++i) {
        const HeaderPicture& p = m_table[static_cast<std::size_t>(i)];
        HPDF_Page_DrawImage(page, p.image, p.x, p.y, p.width, p.height);
    }
    for (const HeaderPicture& p : uncached)
        HPDF_Page_DrawImage(page, p.image, p.x, p.y, p.width, p.height);
    m_loaded = true;
}

void LetterheadPdfPainter::drawText(HPDF_Page page, const LetterheadText& text,
                                    const LetterheadFile& definition,
                                    const LetterheadPage& geometry)
{
    const Scale s{geometry.width, definition.horizSize};
    const std::int32_t W = geometry.width;
    const std::int32_t H = geometry.height;
    const std::int32_t F = definition.footerSize;

    // The width the text has in the designer, scaled to the page.
    const std::int32_t designWidth = measureTextWidth(
        screenFont(text.fontName, text.fontSize, text.fontBold, text.fontItalic, m_screenDpi),
        text.text);
    const std::int32_t target = s(designWidth);

    const HPDF_Font font = m_fonts(text.fontName, text.fontBold, text.fontItalic);
    const float size = letterheadPdfFontSize(font, text.text, static_cast<float>(target));
    HPDF_Page_SetFontAndSize(page, font, size);
    const float h =
        static_cast<float>(HPDF_Font_GetAscent(font) - HPDF_Font_GetDescent(font)) * size / 1000;

    float x = 0;
    float y = 0;
    if (text.footer) {
        y = static_cast<float>(s(F - text.top)) - h;
        if (y < geometry.margin)
            y = geometry.margin;
        x = static_cast<float>(W - target) / 2;
    } else {
        y = static_cast<float>(H - s(text.top)) - h;
        x = static_cast<float>(s(text.left));
    }
    const TColor colour = text.fontColor;
    HPDF_Page_SetRGBFill(page, static_cast<HPDF_REAL>(redOf(colour) / 255.0),
                         static_cast<HPDF_REAL>(greenOf(colour) / 255.0),
                         static_cast<HPDF_REAL>(blueOf(colour) / 255.0));
    HPDF_Page_BeginText(page);
    HPDF_Page_TextOut(page, x, y, text.text.c_str());
    HPDF_Page_EndText(page);
}

std::optional<HeaderPicture> LetterheadPdfPainter::loadPicture(HPDF_Doc doc,
                                                               const LetterheadPicture& picture,
                                                               const LetterheadFile& definition,
                                                               const LetterheadPage& geometry)
{
    if (!isRegularFile(picture.file))
        return std::nullopt;
    const Scale s{geometry.width, definition.horizSize};
    HeaderPicture p;
    p.x = static_cast<float>(s(picture.left));
    p.width = static_cast<float>(s(picture.width));
    p.height = static_cast<float>(s(picture.height));
    const std::int32_t upper =
        picture.footer ? s(definition.footerSize - picture.top) : geometry.height - s(picture.top);
    p.y = static_cast<float>(upper) - p.height;
    const auto twin = jpegTwinOf(picture.file);
    if (!twin)
        return std::nullopt;
    p.image = HPDF_LoadJpegImageFromFile(doc, twin->c_str());
    if (!p.image)
        return std::nullopt;
    return p;
}

} // namespace spoolar
