#include "InvoiceJob.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace spoolar::bench {

namespace {
// Sequences of the fixture PRNCONTR.COD.
constexpr std::string_view kFormFeed = "\x0C";
constexpr std::string_view kBoldOn = "\x1B"
                                     "E";
constexpr std::string_view kBoldOff = "\x1B"
                                      "F";
constexpr std::string_view kCondensedOn = "\x0F";
constexpr std::string_view kCondensedOff = "\x12";
constexpr std::string_view kCentre = "\x1B"
                                     "CB";

// CP850 box characters.
constexpr char kTopLeft = '\xDA';
constexpr char kHorizontal = '\xC4';
constexpr char kTopRight = '\xBF';
constexpr char kVertical = '\xB3';
constexpr char kBottomLeft = '\xC0';
constexpr char kBottomRight = '\xD9';
constexpr char kLeftTee = '\xC3';
constexpr char kRightTee = '\xB4';
constexpr char kTopTee = '\xC2';
constexpr char kBottomTee = '\xC1';
constexpr char kCross = '\xC5';

// Descriptions in CP850: è 0x8A, à 0x85, é 0x82, ù 0x97.
constexpr std::array<std::string_view, 16> kArticles{
    "Caff\x8A in grani miscela bar 1 kg",
    "Caff\x8A decaffeinato macinato 250 g",
    "T\x8A verde al gelsomino 20 filtri",
    "Cioccolata calda Citt\x85 di Torino",
    "Zucchero di canna bustine 1000 pz",
    "Biscotti \"Perch\x82 no\" 500 g",
    "Cornetti surgelati pi\x97 burro x50",
    "Latte fresco alta qualit\x85 1 l",
    "Ginseng solubile 500 g",
    "Orzo solubile bio 200 g",
    "Bicchierini in carta 100 pz",
    "Acqua minerale naturale 0,5 l x24",
    "Succo d'arancia rossa 200 ml x24",
    "Crema al caff\x8A fredda 1 kg",
    "Amaretti morbidi sfusi 1 kg",
    "Tovaglioli bar 2 veli 3000 pz",
};

constexpr std::array<std::string_view, 6> kOrigins{"Italia",  "Brasile",   "Colombia",
                                                   "Etiopia", "Guatemala", "Vietnam"};

// Inner widths of the article table: Codice, Descrizione, Q.tà, Prezzo, Importo.
constexpr std::array<std::size_t, 5> kColumns{8, 34, 6, 11, 12};
constexpr int kRowsPerPage = 25;
constexpr std::size_t kTotalsColumn = 44;

enum class Align
{
    Left,
    Right
};

std::string pad(std::string_view text, std::size_t width, Align align)
{
    std::string s(text.substr(0, width));
    const std::string fill(width - s.size(), ' ');
    return align == Align::Left ? s + fill : fill + s;
}

// Joins the parts by appending. (g++ 12 at -O3 reports a false -Wrestrict for
// "literal" + std::string, so the text is never built that way here.)
std::string cat(std::initializer_list<std::string_view> parts)
{
    std::string s;
    for (std::string_view part : parts)
        s += part;
    return s;
}

// Columns separated by one space.
std::string columns(std::initializer_list<std::string_view> parts)
{
    std::string s;
    for (std::string_view part : parts) {
        if (!s.empty())
            s += ' ';
        s += part;
    }
    return s;
}

std::string number(int value, int digits)
{
    const std::string s = std::to_string(value);
    std::string out(static_cast<std::size_t>(digits) - std::min<std::size_t>(s.size(), digits),
                    '0');
    out += s;
    return out;
}

// Italian amount: thousands with '.', two decimals after ','.
std::string money(std::int64_t cents)
{
    const std::string digits = std::to_string(cents / 100);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += '.';
        out += digits[i];
    }
    out += ',';
    out += number(static_cast<int>(cents % 100), 2);
    return out;
}

// A rule of the article table: left, joint and right characters around horizontal runs.
std::string rule(char left, char joint, char right)
{
    std::string s(1, left);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        s.append(kColumns[i], kHorizontal);
        s += i + 1 < kColumns.size() ? joint : right;
    }
    return s;
}

// A row of the article table: the cells padded to their columns between vertical bars; the
// first two columns are text (left), the others numbers (right).
std::string tableRow(const std::array<std::string_view, 5>& cells)
{
    std::string s(1, kVertical);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        s += pad(cells[i], kColumns[i], i < 2 ? Align::Left : Align::Right);
        s += kVertical;
    }
    return s;
}

// Writes the job bytes and, alongside, the plain content of each page.
class JobWriter
{
public:
    void text(std::string_view cp850)
    {
        if (m_line.text.empty()) {
            m_line.condensed = m_condensed;
            m_line.bold = m_bold;
        }
        m_job.bytes += cp850;
        m_line.text += cp850;
    }
    void bold(bool on)
    {
        m_job.bytes += on ? kBoldOn : kBoldOff;
        m_bold = on;
    }
    void condensed(bool on)
    {
        m_job.bytes += on ? kCondensedOn : kCondensedOff;
        m_condensed = on;
    }
    void code(std::string_view sequence) { m_job.bytes += sequence; }
    // An in-band command: 0xA9, letter and parameter, 0xA9.
    void command(std::string_view body)
    {
        m_job.bytes += '\xA9';
        m_job.bytes += body;
        m_job.bytes += '\xA9';
    }
    void endLine()
    {
        m_job.bytes += "\r\n";
        m_page.push_back(std::move(m_line));
        m_line = PlainLine{};
    }
    void line(std::string_view cp850)
    {
        text(cp850);
        endLine();
    }
    // The form feed starts the next page's first line, as the DOS programs write it.
    void formFeed()
    {
        endPage();
        m_job.bytes += kFormFeed;
    }
    InvoiceJob finish()
    {
        endPage();
        return std::move(m_job);
    }

private:
    void endPage()
    {
        m_job.pages.push_back(std::move(m_page));
        m_page.clear();
    }

    InvoiceJob m_job;
    PlainPage m_page;
    PlainLine m_line;
    bool m_bold = false;
    bool m_condensed = false;
};

void writePage(JobWriter& w, int page, int pages, std::int64_t& carried)
{
    const std::string invoice = cat({"2024/", number(1200 + pages, 6)});

    w.command("FNAVY");
    w.bold(true);
    w.text("RIVA FORNITURE ALIMENTARI S.p.A.");
    w.bold(false);
    w.command("FBLACK");
    w.endLine();
    w.line("Via dei Mille 41 - 40121 Bologna - P.IVA 01234567890 - Tel. 051 234567");
    w.endLine();
    w.bold(true);
    w.text(cat({"FATTURA N. ", invoice}));
    w.bold(false);
    w.text(cat({"            Data: 14/03/2024        Pagina ", std::to_string(page + 1), " di ",
                std::to_string(pages)}));
    w.endLine();
    w.endLine();
    w.line("Spett.le");
    w.line("    Bar Caff\x8A Centrale di Bianchi Luca & C. s.n.c.");
    w.line("    Piazza della Libert\x85 7");
    w.line("    50123 Firenze (FI)                 Citt\x85: Firenze");
    w.line("    Cod. cliente C00412    P.IVA 09876543210    Pagamento: RB 60 gg f.m.");
    w.command("FRED");
    w.text("    Scadenza: 31/05/2024");
    w.command("FBLACK");
    w.endLine();
    w.endLine();

    // The article table.
    w.line(rule(kTopLeft, kTopTee, kTopRight));
    const std::array<std::string_view, 5> titles{"Codice", "Descrizione", "Q.t\x85", "Prezzo",
                                                 "Importo"};
    w.text(std::string(1, kVertical));
    for (std::size_t i = 0; i < titles.size(); ++i) {
        w.bold(true);
        w.text(pad(titles[i], kColumns[i], i < 2 ? Align::Left : Align::Right));
        w.bold(false);
        w.text(std::string(1, kVertical));
    }
    w.endLine();
    w.line(rule(kLeftTee, kCross, kRightTee));

    std::int64_t pageTotal = 0;
    for (int row = 0; row < kRowsPerPage; ++row) {
        if (page > 0 && row == 0) {
            w.line(tableRow({"", "Riporto", "", "", money(carried)}));
            continue;
        }
        const int seed = page * 31 + row * 7;
        const int quantity = 1 + (page * 7 + row * 3) % 24;
        const std::int64_t price = 150 + (page * 131 + row * 977) % 9000;
        const std::int64_t amount = price * quantity;
        pageTotal += amount;
        w.line(tableRow({cat({"CF", number(seed % 10000, 4)}),
                         kArticles[static_cast<std::size_t>(seed) % kArticles.size()],
                         std::to_string(quantity), money(price), money(amount)}));
    }
    w.line(rule(kBottomLeft, kBottomTee, kBottomRight));
    w.endLine();

    // Lots in the condensed pitch: more columns than a pica line holds.
    w.condensed(true);
    w.line("Dettaglio lotti e provenienza (D.Lgs. 231/2017)");
    w.line(columns({pad("Lotto", 10, Align::Left), pad("Scadenza", 10, Align::Left),
                    pad("Origine", 14, Align::Left), pad("Magazzino", 10, Align::Left),
                    pad("Ubic.", 6, Align::Left), pad("Peso netto", 10, Align::Right),
                    pad("Peso lordo", 10, Align::Right), pad("Colli", 5, Align::Right),
                    pad("Imballo", 10, Align::Left), pad("Temp.", 6, Align::Right),
                    pad("DDT n.", 8, Align::Left), pad("del", 10, Align::Left),
                    pad("Note", 14, Align::Left)}));
    for (int row = 0; row < 5; ++row) {
        const int seed = page * 13 + row * 5;
        const std::string expiry =
            cat({number(1 + seed % 28, 2), "/", number(1 + seed % 12, 2), "/2025"});
        w.line(columns(
            {pad(cat({"L", number(page * 10 + row, 7)}), 10, Align::Left),
             pad(expiry, 10, Align::Left),
             pad(kOrigins[static_cast<std::size_t>(seed) % kOrigins.size()], 14, Align::Left),
             pad("BO-CENTR.", 10, Align::Left),
             pad(cat({"A", number(seed % 40, 2), "-", number(row, 1)}), 6, Align::Left),
             pad(cat({money(1000 + seed * 37), " kg"}), 10, Align::Right),
             pad(cat({money(1100 + seed * 39), " kg"}), 10, Align::Right),
             pad(std::to_string(1 + seed % 9), 5, Align::Right), pad("cartone", 10, Align::Left),
             pad("+4 C", 6, Align::Right), pad(number(4400 + seed, 6), 8, Align::Left),
             pad("12/03/2024", 10, Align::Left),
             pad(seed % 3 == 0 ? "fragile" : "", 14, Align::Left)}));
    }
    w.condensed(false);
    w.endLine();

    // Totals; the grand total sits in a small frame filled in yellow.
    carried += pageTotal;
    const std::int64_t vat = carried * 22 / 100;
    const std::string indent(kTotalsColumn, ' ');
    const std::string frame(32, kHorizontal);
    w.line(cat({indent, pad("Imponibile", 14, Align::Left), "EUR ",
                pad(money(carried), 14, Align::Right)}));
    w.line(
        cat({indent, pad("IVA 22%", 14, Align::Left), "EUR ", pad(money(vat), 14, Align::Right)}));
    w.line(cat({indent, {&kTopLeft, 1}, frame, {&kTopRight, 1}}));
    w.text(cat({indent, {&kVertical, 1}}));
    w.command("BYELLOW");
    w.bold(true);
    w.text(
        cat({pad("TOTALE", 12, Align::Left), "EUR ", pad(money(carried + vat), 16, Align::Right)}));
    w.bold(false);
    w.text(std::string(1, kVertical));
    w.endLine();
    w.line(cat({indent, {&kBottomLeft, 1}, frame, {&kBottomRight, 1}}));
    w.endLine();
    w.line("Contributo CONAI assolto ove dovuto. Perch\x82 pagare di pi\x97? Chieda il RID.");
    w.line("Merce viaggiante a rischio del committente. Foro competente: Bologna.");
}
} // namespace

InvoiceJob makeInvoiceJob(int pages)
{
    pages = std::max(pages, 1);
    JobWriter w;
    w.code(kCentre);
    std::int64_t carried = 0;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            w.formFeed();
        writePage(w, page, pages, carried);
    }
    return w.finish();
}

} // namespace spoolar::bench
