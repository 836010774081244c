#pragma once
// A realistic job for benchmarks and checks: an Italian invoice of N pages as a DOS business
// program prints it (CP850 text, Epson control sequences of the fixture PRNCONTR.COD, box
// characters, in-band colour commands, form feeds between pages).
#include <string>
#include <vector>

namespace spoolar::bench {

// One printed line as a plain renderer sees it: the CP850 text without control sequences or
// in-band commands (box characters included), and the pitch and weight it starts with.
struct PlainLine
{
    std::string text;
    bool condensed = false;
    bool bold = false;
};

using PlainPage = std::vector<PlainLine>;

struct InvoiceJob
{
    std::string bytes;            // the job file's content
    std::vector<PlainPage> pages; // what each page prints, for a renderer without interpretation
};

// The invoice with the given number of pages (at least one). The content is deterministic:
// the same page count always gives the same bytes.
InvoiceJob makeInvoiceJob(int pages);

} // namespace spoolar::bench
