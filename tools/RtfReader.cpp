#include "tools/RtfReader.h"

#include "platform/CodePage.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <iconv.h>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace spoolar {

namespace {

// Character properties of RTF: \b \i \ul \strike \super \sub \fs \cf \highlight \f \v.
struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int script = 0;      // 1 superscript, -1 subscript
    int halfPoints = 24; // \fs: 12 points unless the text says otherwise
    int colour = 0;      // index in the colour table; 0 is the automatic colour
    int highlight = 0;   // index in the colour table; 0 is none
    int font = -1;       // font number of the font table; -1 none
    bool operator==(const CharState&) const = default;
};

// Paragraph properties: \ql \qc \qr \qj \li \ri \fi \sb \sa (distances in twips).
struct ParaState
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

enum class Destination
{
    Text,
    FontTable,
    ColourTable,
    Skip,
};

struct GroupState
{
    CharState chars;
    ParaState para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // \uc: fallback characters after each \u
};

struct FontEntry
{
    QString name;
    int codePage = 0; // 0: the document's code page
};

// Groups that carry no text to show (document information, style sheet, pictures, ...).
const std::unordered_set<std::string_view>& skippedDestinations()
{
    static const std::unordered_set<std::string_view> names{
        "info",         "stylesheet",   "pict",      "object",
        "header",       "headerl",      "headerr",   "headerf",
        "footer",       "footerl",      "footerr",   "footerf",
        "footnote",     "fldinst",      "xe",        "tc",
        "txe",          "revtbl",       "listtable", "listoverridetable",
        "filetbl",      "rsidtbl",      "themedata", "colorschememapping",
        "datastore",    "latentstyles", "pgdsctbl",  "template",
        "nonshppict",   "shpinst",      "sp",        "sn",
        "sv",           "objdata",      "objclass",  "generator",
        "mmathPr",      "author",       "title",     "subject",
        "operator",     "company",      "comment",   "doccomm",
        "keywords",     "creatim",      "revtim",    "printim",
        "buptim",       "userprops",    "xmlnstbl",  "wgrffmtfilter",
        "passwordhash", "protusertbl",  "bkmkstart", "bkmkend",
        "annotation",   "atnid",        "atnauthor", "docvar",
        "fchars",       "lchars"};
    return names;
}

// The Windows code page of a font character set (\fcharset); 0 when it has none of its own.
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252; // ANSI
    case 77:
        return 10000; // Mac Roman
    case 128:
        return 932; // Shift-JIS
    case 129:
        return 949; // Hangul
    case 134:
        return 936; // GB2312
    case 136:
        return 950; // Big5
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Eastern Europe
    case 255:
        return 437; // OEM
    default:
        return 0;
    }
}

// Bytes of a Windows code page as Unicode. A code page the host cannot convert is read as
// 1252; a byte sequence it cannot convert gives U+FFFD.
QString decodeCodePage(const std::string& bytes, int codePage)
{
    if (codePage == 1252 || codePage <= 0)
        return ansiToQString(bytes);
    if (codePage == 65001)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string name =
        (codePage == 10000 ? std::string("MACINTOSH") : "CP" + std::to_string(codePage));
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return ansiToQString(bytes);
    std::string out;
    std::array<char, 256> buffer{};
    std::string input = bytes;
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD"; // not convertible, or cut short: one replacement, go on
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

class Parser
{
public:
    Parser(std::string_view rtf, QTextDocument& document) : m_in(rtf), m_cursor(&document) {}

    void run();

private:
    static constexpr std::size_t kMaxDepth = 512;

    void openGroup();
    void closeGroup();
    void controlWord(std::string_view word, bool hasParameter, int parameter);
    void controlSymbol(char symbol);
    void textByte(char byte);
    void unicodeChar(char16_t unit);
    bool skippingFallback();

    void flushText();
    void endParagraph();
    QTextCharFormat charFormat(const CharState& chars) const;
    QTextBlockFormat blockFormat(const ParaState& para) const;
    int codePageOf(const CharState& chars) const;

    std::string_view m_in;
    std::size_t m_pos = 0;

    std::vector<GroupState> m_stack;
    GroupState m_state;
    std::size_t m_overflowDepth = 0; // groups beyond kMaxDepth, skipped as a whole
    bool m_started = false;
    bool m_finished = false;
    int m_fallbackLeft = 0;

    int m_documentCodePage = 1252;
    int m_defaultFont = -1;
    std::map<int, FontEntry> m_fonts;
    int m_fontNumber = -1;
    std::string m_fontName;
    int m_fontCodePage = 0;
    std::vector<QColor> m_colours;
    std::array<int, 3> m_rgb{};
    bool m_rgbSet = false;

    QTextCursor m_cursor;
    CharState m_pendingChars;
    std::string m_pendingBytes;
    QString m_pendingText;
};

void Parser::run()
{
    while (m_pos < m_in.size() && !m_finished) {
        const char c = m_in[m_pos++];
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\': {
            if (m_pos >= m_in.size())
                break;
            const char next = m_in[m_pos];
            const auto isLetter = [](char x) {
                return (x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z');
            };
            if (!isLetter(next)) {
                ++m_pos;
                controlSymbol(next);
                break;
            }
            const std::size_t start = m_pos;
            while (m_pos < m_in.size() && isLetter(m_in[m_pos]) && m_pos - start < 32)
                ++m_pos;
            const std::string_view word = m_in.substr(start, m_pos - start);
            bool hasParameter = false;
            long long value = 0;
            bool negative = false;
            if (m_pos < m_in.size() && m_in[m_pos] == '-' && m_pos + 1 < m_in.size() &&
                m_in[m_pos + 1] >= '0' && m_in[m_pos + 1] <= '9') {
                negative = true;
                ++m_pos;
            }
            while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') {
                hasParameter = true;
                if (value < 1'000'000'000)
                    value = value * 10 + (m_in[m_pos] - '0');
                ++m_pos;
            }
            if (m_pos < m_in.size() && m_in[m_pos] == ' ')
                ++m_pos; // the delimiter belongs to the control word
            const int parameter = static_cast<int>(negative ? -value : value);
            if (skippingFallback())
                break;
            controlWord(word, hasParameter, parameter);
            break;
        }
        case '\r':
        case '\n':
        case '\0':
            break;
        default:
            if (!skippingFallback())
                textByte(c);
            break;
        }
    }
    flushText();
    m_cursor.setBlockFormat(blockFormat(m_state.para));
}

void Parser::openGroup()
{
    m_fallbackLeft = 0;
    if (!m_started) {
        m_started = true;
        return; // the outermost group is the document itself
    }
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_state);
}

void Parser::closeGroup()
{
    m_fallbackLeft = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_state.destination == Destination::FontTable && m_fontNumber >= 0 && !m_fontName.empty()) {
        // A font entry closed without its ';'.
        m_fonts[m_fontNumber] = {ansiToQString(m_fontName), m_fontCodePage};
        m_fontName.clear();
    }
    if (m_stack.empty()) {
        m_finished = true; // the end of the document; whatever follows is not part of it
        return;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
}

bool Parser::skippingFallback()
{
    if (m_fallbackLeft <= 0)
        return false;
    --m_fallbackLeft;
    return true;
}

void Parser::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        // \'hh: one byte in the current code page.
        if (m_pos + 2 > m_in.size())
            return;
        unsigned value = 0;
        const char* first = m_in.data() + m_pos;
        const auto [end, error] = std::from_chars(first, first + 2, value, 16);
        if (error != std::errc() || end != first + 2)
            return;
        m_pos += 2;
        if (!skippingFallback())
            textByte(static_cast<char>(value));
        return;
    }
    if (skippingFallback())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        textByte(symbol);
        break;
    case '~':
        unicodeChar(u'\u00A0');
        break;
    case '_':
        unicodeChar(u'\u2011');
        break;
    case '*':
        // An optional destination: nothing of it is needed here.
        m_state.destination = Destination::Skip;
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    case '\t':
        unicodeChar(u'\t');
        break;
    default: // \- optional hyphen, \| \: and the like
        break;
    }
}

void Parser::controlWord(std::string_view word, bool hasParameter, int parameter)
{
    const bool on = !hasParameter || parameter != 0;
    GroupState& s = m_state;

    if (word == "bin") {
        // Binary data: skipped as a whole, whatever its bytes.
        const auto count = static_cast<std::size_t>(std::max(parameter, 0));
        m_pos += std::min(count, m_in.size() - m_pos);
        return;
    }
    if (s.destination == Destination::Skip)
        return;
    if (word == "fonttbl") {
        s.destination = Destination::FontTable;
        return;
    }
    if (word == "colortbl") {
        s.destination = Destination::ColourTable;
        m_colours.clear();
        return;
    }
    if (skippedDestinations().count(word)) {
        s.destination = Destination::Skip;
        return;
    }

    if (s.destination == Destination::FontTable) {
        if (word == "f") {
            m_fontNumber = parameter;
            m_fontName.clear();
            m_fontCodePage = 0;
        } else if (word == "fcharset") {
            m_fontCodePage = codePageOfCharset(parameter);
        } else if (word == "cpg") {
            m_fontCodePage = parameter;
        }
        return;
    }
    if (s.destination == Destination::ColourTable) {
        const int component = std::clamp(parameter, 0, 255);
        if (word == "red")
            m_rgb[0] = component;
        else if (word == "green")
            m_rgb[1] = component;
        else if (word == "blue")
            m_rgb[2] = component;
        else
            return;
        m_rgbSet = true;
        return;
    }

    CharState& ch = s.chars;
    ParaState& para = s.para;
    if (word == "ansicpg") {
        m_documentCodePage = parameter;
    } else if (word == "deff") {
        m_defaultFont = parameter;
        ch.font = parameter;
    } else if (word == "uc") {
        s.unicodeSkip = std::clamp(parameter, 0, 10);
    } else if (word == "u") {
        unicodeChar(static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter));
        m_fallbackLeft = s.unicodeSkip;
    } else if (word == "par" || word == "sect" || word == "page" || word == "row") {
        endParagraph();
    } else if (word == "line") {
        unicodeChar(u'\u2028');
    } else if (word == "tab" || word == "cell") {
        unicodeChar(u'\t');
    } else if (word == "bullet") {
        unicodeChar(u'\u2022');
    } else if (word == "endash") {
        unicodeChar(u'\u2013');
    } else if (word == "emdash") {
        unicodeChar(u'\u2014');
    } else if (word == "lquote") {
        unicodeChar(u'\u2018');
    } else if (word == "rquote") {
        unicodeChar(u'\u2019');
    } else if (word == "ldblquote") {
        unicodeChar(u'\u201C');
    } else if (word == "rdblquote") {
        unicodeChar(u'\u201D');
    } else if (word == "enspace" || word == "emspace" || word == "qmspace") {
        unicodeChar(u' ');
    } else if (word == "plain") {
        const int unicodeSkip = s.unicodeSkip;
        ch = CharState{};
        ch.font = m_defaultFont;
        s.unicodeSkip = unicodeSkip;
    } else if (word == "b") {
        ch.bold = on;
    } else if (word == "i") {
        ch.italic = on;
    } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" ||
               word == "uldash" || word == "ulth" || word == "ulwave") {
        ch.underline = on;
    } else if (word == "ulnone") {
        ch.underline = false;
    } else if (word == "strike" || word == "striked") {
        ch.strike = on;
    } else if (word == "super") {
        ch.script = 1;
    } else if (word == "sub") {
        ch.script = -1;
    } else if (word == "nosupersub") {
        ch.script = 0;
    } else if (word == "v") {
        ch.hidden = on;
    } else if (word == "fs") {
        ch.halfPoints = hasParameter && parameter > 0 ? std::min(parameter, 3276) : 24;
    } else if (word == "cf") {
        ch.colour = std::max(parameter, 0);
    } else if (word == "highlight" || word == "cb" || word == "chcbpat") {
        ch.highlight = std::max(parameter, 0);
    } else if (word == "f") {
        ch.font = parameter;
    } else if (word == "pard") {
        para = ParaState{};
    } else if (word == "ql") {
        para.alignment = Qt::AlignLeft;
    } else if (word == "qc") {
        para.alignment = Qt::AlignHCenter;
    } else if (word == "qr") {
        para.alignment = Qt::AlignRight;
    } else if (word == "qj") {
        para.alignment = Qt::AlignJustify;
    } else if (word == "li") {
        para.leftIndent = parameter;
    } else if (word == "ri") {
        para.rightIndent = parameter;
    } else if (word == "fi") {
        para.firstIndent = parameter;
    } else if (word == "sb") {
        para.spaceBefore = parameter;
    } else if (word == "sa") {
        para.spaceAfter = parameter;
    }
}

void Parser::textByte(char byte)
{
    switch (m_state.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (byte == ';') {
            if (m_fontNumber >= 0)
                m_fonts[m_fontNumber] = {ansiToQString(m_fontName), m_fontCodePage};
            m_fontName.clear();
        } else if (m_fontNumber >= 0) {
            m_fontName += byte;
        }
        return;
    case Destination::ColourTable:
        if (byte == ';') {
            m_colours.push_back(m_rgbSet ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
            m_rgb = {};
            m_rgbSet = false;
        }
        return;
    case Destination::Text:
        break;
    }
    if (m_state.chars.hidden)
        return;
    if ((!m_pendingBytes.empty() || !m_pendingText.isEmpty()) && !(m_pendingChars == m_state.chars))
        flushText();
    m_pendingChars = m_state.chars;
    m_pendingBytes += byte;
}

void Parser::unicodeChar(char16_t unit)
{
    if (m_state.destination != Destination::Text || m_state.chars.hidden)
        return;
    if ((!m_pendingBytes.empty() || !m_pendingText.isEmpty()) && !(m_pendingChars == m_state.chars))
        flushText();
    m_pendingChars = m_state.chars;
    if (!m_pendingBytes.empty()) {
        m_pendingText += decodeCodePage(m_pendingBytes, codePageOf(m_pendingChars));
        m_pendingBytes.clear();
    }
    m_pendingText += QChar(unit);
}

int Parser::codePageOf(const CharState& chars) const
{
    if (const auto font = m_fonts.find(chars.font); font != m_fonts.end() && font->second.codePage)
        return font->second.codePage;
    return m_documentCodePage;
}

void Parser::flushText()
{
    if (!m_pendingBytes.empty()) {
        m_pendingText += decodeCodePage(m_pendingBytes, codePageOf(m_pendingChars));
        m_pendingBytes.clear();
    }
    if (m_pendingText.isEmpty())
        return;
    m_cursor.insertText(m_pendingText, charFormat(m_pendingChars));
    m_pendingText.clear();
    // Paragraph properties are those in force where the paragraph's text is.
    m_cursor.setBlockFormat(blockFormat(m_state.para));
}

void Parser::endParagraph()
{
    if (m_state.destination != Destination::Text)
        return;
    flushText();
    m_cursor.setBlockFormat(blockFormat(m_state.para));
    m_cursor.setBlockCharFormat(charFormat(m_state.chars));
    m_cursor.insertBlock();
}

QTextCharFormat Parser::charFormat(const CharState& chars) const
{
    QTextCharFormat format;
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontUnderline(chars.underline);
    format.setFontStrikeOut(chars.strike);
    format.setFontPointSize(chars.halfPoints / 2.0);
    if (const auto font = m_fonts.find(chars.font);
        font != m_fonts.end() && !font->second.name.isEmpty())
        format.setFontFamilies(QStringList{font->second.name});
    const auto colourAt = [this](int index) {
        return index > 0 && static_cast<std::size_t>(index) < m_colours.size()
                   ? m_colours[static_cast<std::size_t>(index)]
                   : QColor();
    };
    if (const QColor colour = colourAt(chars.colour); colour.isValid())
        format.setForeground(colour);
    if (const QColor colour = colourAt(chars.highlight); colour.isValid())
        format.setBackground(colour);
    if (chars.script > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (chars.script < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return format;
}

QTextBlockFormat Parser::blockFormat(const ParaState& para) const
{
    // Twips (1/1440 inch) to pixels of 1/96 inch.
    const auto pixels = [](int twips) { return twips / 15.0; };
    QTextBlockFormat format;
    format.setAlignment(para.alignment);
    format.setLeftMargin(pixels(std::max(para.leftIndent, 0)));
    format.setRightMargin(pixels(std::max(para.rightIndent, 0)));
    format.setTextIndent(pixels(para.firstIndent));
    format.setTopMargin(pixels(std::max(para.spaceBefore, 0)));
    format.setBottomMargin(pixels(std::max(para.spaceAfter, 0)));
    return format;
}

} // namespace

bool RtfReader::isRtf(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && text.substr(start, 5) == "{\\rtf";
}

bool RtfReader::read(std::string_view rtf, QTextDocument& document)
{
    if (!isRtf(rtf))
        return false;
    document.clear();
    rtf.remove_prefix(rtf.find('{'));
    Parser parser(rtf, document);
    parser.run();
    return true;
}

} // namespace spoolar
