#include "engine/PdfConformance.h"

#include <hpdf_doc.h>
#include <hpdf_font.h>
#include <hpdf_objects.h>
#include <hpdf_pages.h>
#include <hpdf_pdfa.h>
#include <hpdf_streams.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace spoolar {

namespace {

constexpr const char* SrgbProfilePath = "/usr/share/color/icc/sRGB.icc";
constexpr const char* SrgbCondition = "sRGB IEC61966-2.1";
constexpr const char* DocumentLanguage = "it-IT";

// Every page's content is one marked-content sequence with MCID 0; its structure element
// is reached through the page's /StructParents entry.
constexpr const char* PageContentBegin = "/P <</MCID 0>> BDC\n";
constexpr const char* PageContentEnd = "EMC\n";

bool writeRaw(HPDF_Stream stream, const std::string& bytes)
{
    return HPDF_Stream_Write(stream, reinterpret_cast<const HPDF_BYTE*>(bytes.data()),
                             static_cast<HPDF_UINT>(bytes.size())) == HPDF_OK;
}

// A new dictionary managed by the cross-reference table (written as its own object).
HPDF_Dict newIndirectDict(HPDF_Doc doc)
{
    HPDF_Dict dict = HPDF_Dict_New(doc->mmgr);
    if (!dict || HPDF_Xref_Add(doc->xref, dict) != HPDF_OK)
        return nullptr; // HPDF_Xref_Add frees the dictionary when it fails
    return dict;
}

// ---- XMP -----------------------------------------------------------------------------

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// PDFDocEncoding, the encoding readers give the Info strings libharu writes, where it
// differs from Latin-1. 0 marks an undefined code.
char32_t pdfDocToUnicode(unsigned char c)
{
    static constexpr char32_t Low[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                        0x02DD, 0x02DB, 0x02DA, 0x02DC}; // 0x18-0x1F
    static constexpr char32_t High[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192,
                                          0x2044, 0x2039, 0x203A, 0x2212, 0x2030, 0x201E, 0x201C,
                                          0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02,
                                          0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142,
                                          0x0153, 0x0161, 0x017E, 0,      0x20AC}; // 0x80-0xA0
    if (c >= 0x18 && c <= 0x1F)
        return Low[c - 0x18];
    if (c >= 0x80 && c <= 0xA0)
        return High[c - 0x80];
    if (c == 0x7F || c == 0xAD)
        return 0;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
        return 0; // not allowed in XML
    return c;
}

// An Info string as XML character data: decoded from PDFDocEncoding to UTF-8 and escaped,
// so that a title such as "Fatture & note" keeps the packet well-formed and equal to Info.
std::string xmlText(const char* info)
{
    std::string out;
    for (const char* p = info; *p; ++p) {
        const char32_t cp = pdfDocToUnicode(static_cast<unsigned char>(*p));
        switch (cp) {
        case 0:
            break;
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            appendUtf8(out, cp);
        }
    }
    return out;
}

bool allDigits(const char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

// "D:YYYYMMDDHHmmSS" with an optional "Z" or "+HH'mm'" / "-HH'mm'", as libharu writes
// the Info dates, to the XMP form "YYYY-MM-DDTHH:mm:SS" with the same zone.
std::optional<std::string> xmpDate(const char* info)
{
    if (std::strncmp(info, "D:", 2) != 0 || std::strlen(info) < 16 || !allDigits(info + 2, 14))
        return std::nullopt;
    const std::string d(info + 2, 14);
    std::string out = d.substr(0, 4) + '-' + d.substr(4, 2) + '-' + d.substr(6, 2) + 'T' +
                      d.substr(8, 2) + ':' + d.substr(10, 2) + ':' + d.substr(12, 2);
    const char* zone = info + 16;
    if (*zone == '\0')
        return out;
    if (*zone == 'Z')
        return out + 'Z';
    if ((*zone == '+' || *zone == '-') && std::strlen(zone) >= 6 && allDigits(zone + 1, 2) &&
        zone[3] == '\'' && allDigits(zone + 4, 2))
        return out + std::string(zone, 3) + ':' + std::string(zone + 4, 2);
    return std::nullopt;
}

// The metadata packet: the Info fields in their XMP properties and the PDF/A identification.
std::string xmpPacket(HPDF_Doc doc, PdfType type)
{
    auto info = [doc](HPDF_InfoType field) { return HPDF_GetInfoAttr(doc, field); };
    std::string body;
    const char* title = info(HPDF_INFO_TITLE);
    const char* author = info(HPDF_INFO_AUTHOR);
    const char* subject = info(HPDF_INFO_SUBJECT);
    if (title || author || subject) {
        body += "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'>";
        if (title)
            body += "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>" + xmlText(title) +
                    "</rdf:li></rdf:Alt></dc:title>";
        if (author)
            body += "<dc:creator><rdf:Seq><rdf:li>" + xmlText(author) +
                    "</rdf:li></rdf:Seq></dc:creator>";
        if (subject)
            body += "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>" + xmlText(subject) +
                    "</rdf:li></rdf:Alt></dc:description>";
        body += "</rdf:Description>";
    }

    const char* creator = info(HPDF_INFO_CREATOR);
    const char* created = info(HPDF_INFO_CREATION_DATE);
    const char* modified = info(HPDF_INFO_MOD_DATE);
    std::string xmpBlock;
    if (creator)
        xmpBlock += "<xmp:CreatorTool>" + xmlText(creator) + "</xmp:CreatorTool>";
    if (auto date = created ? xmpDate(created) : std::nullopt)
        xmpBlock += "<xmp:CreateDate>" + *date + "</xmp:CreateDate>";
    if (auto date = modified ? xmpDate(modified) : std::nullopt)
        xmpBlock += "<xmp:ModifyDate>" + *date + "</xmp:ModifyDate>";
    if (!xmpBlock.empty())
        body += "<rdf:Description rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/'>" +
                xmpBlock + "</rdf:Description>";

    const char* keywords = info(HPDF_INFO_KEYWORDS);
    const char* producer = info(HPDF_INFO_PRODUCER);
    if (keywords || producer) {
        body += "<rdf:Description rdf:about='' xmlns:pdf='http://ns.adobe.com/pdf/1.3/'>";
        if (keywords)
            body += "<pdf:Keywords>" + xmlText(keywords) + "</pdf:Keywords>";
        if (producer)
            body += "<pdf:Producer>" + xmlText(producer) + "</pdf:Producer>";
        body += "</rdf:Description>";
    }

    body += "<rdf:Description rdf:about='' xmlns:pdfaid='http://www.aiim.org/pdfa/ns/id/' "
            "pdfaid:part='1' pdfaid:conformance='";
    body += type == PdfType::PdfA1a ? "A" : "B";
    body += "'/>";

    return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>" +
           body + "</rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>";
}

// ---- ToUnicode -----------------------------------------------------------------------

// A CMap giving every code of a single-byte font its Unicode value, taken from the same
// encoder that chose the font's /Encoding, so text extraction returns what is shown.
std::string toUnicodeCMap(HPDF_Encoder encoder)
{
    std::vector<std::pair<unsigned, unsigned>> pairs;
    for (unsigned code = 0x20; code <= 0xFF; ++code) {
        if (code == 0x7F)
            continue;
        const HPDF_UNICODE unicode =
            HPDF_Encoder_GetUnicode(encoder, static_cast<HPDF_UINT16>(code));
        if (unicode != 0)
            pairs.emplace_back(code, unicode);
    }

    std::string out = "/CIDInit /ProcSet findresource begin\n"
                      "12 dict begin\n"
                      "begincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n"
                      "/CMapType 2 def\n"
                      "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    char line[32];
    for (size_t start = 0; start < pairs.size(); start += 100) {
        const size_t count = std::min<size_t>(100, pairs.size() - start);
        std::snprintf(line, sizeof line, "%zu beginbfchar\n", count);
        out += line;
        for (size_t i = start; i < start + count; ++i) {
            std::snprintf(line, sizeof line, "<%02X> <%04X>\n", pairs[i].first, pairs[i].second);
            out += line;
        }
        out += "endbfchar\n";
    }
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

} // namespace

PdfConformance::PdfConformance(HPDF_Doc doc, PdfType type) : m_doc(doc), m_type(type) {}

// Brings the page back to page-description mode, with the graphics state stack at the
// level the page started with, so the closing EMC nests correctly. libharu would close an
// open text or path object itself, but only after our EMC, at save time.
void PdfConformance::settlePage(HPDF_Page page)
{
    const HPDF_UINT16 mode = HPDF_Page_GetGMode(page);
    if (mode == HPDF_GMODE_TEXT_OBJECT)
        HPDF_Page_EndText(page);
    else if (mode == HPDF_GMODE_PATH_OBJECT)
        HPDF_Page_EndPath(page);
    while (HPDF_Page_GetGStateDepth(page) > 1 &&
           HPDF_Page_GetGMode(page) == HPDF_GMODE_PAGE_DESCRIPTION) {
        if (HPDF_Page_GRestore(page) != HPDF_OK)
            break;
    }
}

void PdfConformance::beginPage(HPDF_Page page)
{
    if (m_type != PdfType::PdfA1a || m_finished || !page)
        return;
    if (std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end())
        return;
    if (m_pageOpen)
        endPage(m_pages.back());

    settlePage(page);
    auto* attr = static_cast<HPDF_PageAttr>(page->attr);
    if (!writeRaw(attr->stream, PageContentBegin) ||
        HPDF_Dict_AddNumber(page, "StructParents", static_cast<HPDF_INT32>(m_pages.size())) !=
            HPDF_OK) {
        fail();
        return;
    }
    m_pages.push_back(page);
    m_pageOpen = true;
}

void PdfConformance::endPage(HPDF_Page page)
{
    if (m_type != PdfType::PdfA1a || !m_pageOpen || m_pages.empty() || page != m_pages.back())
        return;
    m_pageOpen = false;
    settlePage(page);
    auto* attr = static_cast<HPDF_PageAttr>(page->attr);
    if (!writeRaw(attr->stream, PageContentEnd))
        fail();
}

void PdfConformance::registerFont(HPDF_Font font)
{
    if (m_type != PdfType::PdfA1a || m_finished || !font)
        return;
    if (std::find(m_fonts.begin(), m_fonts.end(), font) == m_fonts.end())
        m_fonts.push_back(font);
}

bool PdfConformance::fail()
{
    // Internal libharu calls only record the error; raise it like a public call would.
    HPDF_CheckError(&m_doc->error);
    return false;
}

bool PdfConformance::finish()
{
    if (m_type == PdfType::Plain || m_finished)
        return true;
    m_finished = true;

    if (m_type == PdfType::PdfA1a) {
        if (m_pageOpen)
            endPage(m_pages.back());
        if (!buildStructureTree() || !addToUnicodeMaps())
            return false;
    }
    return addOutputIntent() && writeMetadata();
}

// Catalog: /StructTreeRoot (Document > one P per page, each pointing at its page's
// marked content), /MarkInfo and /Lang.
bool PdfConformance::buildStructureTree()
{
    HPDF_MMgr mmgr = m_doc->mmgr;
    HPDF_Dict catalog = m_doc->catalog;

    HPDF_Dict root = newIndirectDict(m_doc);
    HPDF_Dict document = newIndirectDict(m_doc);
    if (!root || !document)
        return fail();
    HPDF_STATUS ret = HPDF_Dict_AddName(root, "Type", "StructTreeRoot");
    ret |= HPDF_Dict_Add(root, "K", document);
    ret |= HPDF_Dict_AddName(document, "Type", "StructElem");
    ret |= HPDF_Dict_AddName(document, "S", "Document");
    ret |= HPDF_Dict_Add(document, "P", root);

    HPDF_Array kids = HPDF_Array_New(mmgr);
    ret |= HPDF_Dict_Add(document, "K", kids);
    HPDF_Dict parentTree = HPDF_Dict_New(mmgr);
    ret |= HPDF_Dict_Add(root, "ParentTree", parentTree);
    HPDF_Array nums = HPDF_Array_New(mmgr);
    ret |= HPDF_Dict_Add(parentTree, "Nums", nums);
    ret |= HPDF_Dict_AddNumber(root, "ParentTreeNextKey", static_cast<HPDF_INT32>(m_pages.size()));
    if (ret != HPDF_OK)
        return fail();

    for (size_t i = 0; i < m_pages.size(); ++i) {
        HPDF_Dict paragraph = newIndirectDict(m_doc);
        if (!paragraph)
            return fail();
        ret = HPDF_Dict_AddName(paragraph, "Type", "StructElem");
        ret |= HPDF_Dict_AddName(paragraph, "S", "P");
        ret |= HPDF_Dict_Add(paragraph, "P", document);
        ret |= HPDF_Dict_Add(paragraph, "Pg", m_pages[i]);
        ret |= HPDF_Dict_AddNumber(paragraph, "K", 0);
        ret |= HPDF_Array_Add(kids, paragraph);
        ret |= HPDF_Array_AddNumber(nums, static_cast<HPDF_INT32>(i));
        HPDF_Array marked = HPDF_Array_New(mmgr);
        ret |= HPDF_Array_Add(nums, marked);
        if (ret != HPDF_OK || HPDF_Array_Add(marked, paragraph) != HPDF_OK)
            return fail();
    }

    ret = HPDF_Dict_Add(catalog, "StructTreeRoot", root);
    HPDF_Dict markInfo = HPDF_Dict_New(mmgr);
    ret |= HPDF_Dict_Add(catalog, "MarkInfo", markInfo);
    if (ret != HPDF_OK || HPDF_Dict_AddBoolean(markInfo, "Marked", HPDF_TRUE) != HPDF_OK ||
        HPDF_Dict_Add(catalog, "Lang", HPDF_String_New(mmgr, DocumentLanguage, nullptr)) != HPDF_OK)
        return fail();
    return true;
}

bool PdfConformance::addToUnicodeMaps()
{
    for (HPDF_Font font : m_fonts) {
        auto* attr = static_cast<HPDF_FontAttr>(font->attr);
        if (!attr || !attr->encoder ||
            HPDF_Encoder_GetType(attr->encoder) != HPDF_ENCODER_TYPE_SINGLE_BYTE)
            continue; // multi-byte fonts get their map from libharu
        if (HPDF_Dict_GetItem(font, "ToUnicode", HPDF_OCLASS_DICT))
            continue;
        HPDF_Dict cmap = HPDF_DictStream_New(m_doc->mmgr, m_doc->xref);
        if (!cmap)
            return fail();
        if (m_doc->compression_mode & HPDF_COMP_TEXT)
            cmap->filter = HPDF_STREAM_FILTER_FLATE_DECODE;
        if (!writeRaw(cmap->stream, toUnicodeCMap(attr->encoder)) ||
            HPDF_Dict_Add(font, "ToUnicode", cmap) != HPDF_OK)
            return fail();
    }
    return true;
}

// The sRGB output intent every PDF/A file needs (the page colours are DeviceRGB).
bool PdfConformance::addOutputIntent()
{
    HPDF_Dict catalog = m_doc->catalog;
    if (HPDF_Dict_GetItem(catalog, "OutputIntents", HPDF_OCLASS_ARRAY))
        return true;
    HPDF_OutputIntent profile = HPDF_LoadIccProfileFromFile(m_doc, SrgbProfilePath, 3);
    if (!profile || HPDF_PDFA_AppendOutputIntents(m_doc, SrgbCondition, profile) != HPDF_OK)
        return fail();

    // libharu 2.3.0 files the profile under "DestOutputProfile " (with a trailing space);
    // readers only find it because a space ends a name. Give it its proper key.
    auto* intents =
        static_cast<HPDF_Array>(HPDF_Dict_GetItem(catalog, "OutputIntents", HPDF_OCLASS_ARRAY));
    const HPDF_UINT count = intents ? HPDF_Array_Items(intents) : 0;
    auto* intent =
        count ? static_cast<HPDF_Dict>(HPDF_Array_GetItem(intents, count - 1, HPDF_OCLASS_DICT))
              : nullptr;
    if (!intent)
        return fail();
    if (HPDF_Dict_GetItem(intent, "DestOutputProfile ", HPDF_OCLASS_DICT)) {
        if (HPDF_Dict_Add(intent, "DestOutputProfile", profile) != HPDF_OK ||
            HPDF_Dict_RemoveElement(intent, "DestOutputProfile ") != HPDF_OK)
            return fail();
    }
    return true;
}

// libharu writes the XMP packet (when an Info field is set), raises the version to 1.4 and
// adds the document ID. Its packet is then replaced with one that escapes and UTF-8-encodes
// the Info values (libharu copies them raw, so "&" or "è" in a title broke the XML), and
// the stream gets /Subtype in place of libharu's /SubType.
bool PdfConformance::writeMetadata()
{
    const HPDF_PDFAType pdfaType = m_type == PdfType::PdfA1a ? HPDF_PDFA_1A : HPDF_PDFA_1B;
    if (HPDF_PDFA_SetPDFAConformance(m_doc, pdfaType) != HPDF_OK)
        return fail();

    HPDF_Dict catalog = m_doc->catalog;
    auto* metadata =
        static_cast<HPDF_Dict>(HPDF_Dict_GetItem(catalog, "Metadata", HPDF_OCLASS_DICT));
    if (!metadata) {
        // No Info field was set, so libharu declined: the identification is still required.
        metadata = HPDF_DictStream_New(m_doc->mmgr, m_doc->xref);
        if (!metadata || HPDF_Dict_AddName(metadata, "Type", "Metadata") != HPDF_OK ||
            HPDF_Dict_Add(catalog, "Metadata", metadata) != HPDF_OK)
            return fail();
    }
    if (HPDF_Dict_GetItem(metadata, "SubType", HPDF_OCLASS_NAME) &&
        HPDF_Dict_RemoveElement(metadata, "SubType") != HPDF_OK)
        return fail();
    if (HPDF_Dict_AddName(metadata, "Subtype", "XML") != HPDF_OK)
        return fail();

    metadata->filter = HPDF_STREAM_FILTER_NONE; // metadata must stay readable as plain text
    HPDF_MemStream_FreeData(metadata->stream);
    if (!writeRaw(metadata->stream, xmpPacket(m_doc, m_type)))
        return fail();

    if (m_doc->pdf_version < HPDF_VER_14)
        m_doc->pdf_version = HPDF_VER_14;
    if (HPDF_PDFA_GenerateID(m_doc) != HPDF_OK)
        return fail();
    return true;
}

} // namespace spoolar
