#pragma once
#include <string_view>

class QTextDocument;

namespace spoolar {

// Reads the rich text (RTF) that word processors write (WordPad, Word, LibreOffice) into a
// Qt text document: paragraphs and line breaks, tabs, alignment, indents and paragraph
// spacing; bold, italic, underline, strike-out, super- and subscript, font names and sizes,
// text and highlight colours; \'hh escapes in the document's or the font's code page, \uN
// escapes with their fallbacks skipped, and the usual special characters. Everything else
// (pictures, objects, style sheets, document information, headers and footers, tables beyond
// their text) is skipped without error.
class RtfReader
{
public:
    // Replaces the content of `document`. False (and the document left alone) when the text
    // is not RTF, i.e. does not begin with "{\rtf".
    static bool read(std::string_view rtf, QTextDocument& document);

    // True when the text begins with "{\rtf" (after blanks).
    static bool isRtf(std::string_view text);
};

} // namespace spoolar
