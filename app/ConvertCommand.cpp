#include "app/ConvertCommand.h"

#include "app/ChartCommand.h"
#include "app/JobPrinter.h"
#include "app/PrinterTable.h"
#include "app/PrinterTableBuilder.h"
#include "engine/FontPercent.h"
#include "engine/PagePrinting.h"
#include "engine/PdfError.h"
#include "engine/PrnDos.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/FontRegistry.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <QImage>

#include <charconv>
#include <cstdio>
#include <filesystem>

namespace spoolar {

namespace {
std::optional<int> toInt(const std::string& s)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

void fail(const std::string& message)
{
    std::fprintf(stderr, "spoolar: %s\n", message.c_str());
}

// The job on a printer of the host, as the dispatch prepares it: the printer selected by name
// (an unknown name selects the default printer), copies and collation, then direct printing or,
// for text jobs, the bytes sent raw.
int printOnPrinter(const ConvertOptions& options, const EngineHost& baseHost,
                   const std::filesystem::path& dataFile, const std::string& title)
{
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    const std::string& name = *options.printer;
    try {
        preparePrinterForJob(printers, name, options.copies, options.collate);
    } catch (const PrinterError&) {
        fail(printerNotReachableMessage(name));
        return 1;
    }
    EngineHost host = baseHost;
    host.printer = nullptr;
    host.printers = &printers;
    FONTPERCENT percent;
    // A job with a fax cover is recorded first and then printed with the cover in front.
    const std::filesystem::path cover(options.cover.value_or(""));
    TPageList pages;
    try {
        {
            // Text jobs are always portrait.
            const bool landscape = options.passThrough ? false : options.landscape;
            TPrnDos engine(host, landscape, options.fontName, &percent, 0, title, false,
                           options.leftOffset, cover.empty() ? nullptr : &pages);
            if (options.passThrough) {
                if (!engine.PassThrough(dataFile)) {
                    fail("la stampante " + printers.currentName() + " non ha accettato il lavoro");
                    return 1;
                }
            } else if (!engine.RunJob(dataFile, cover)) {
                fail("impossibile leggere il file di lavoro " + options.dataFile);
                return 2;
            }
        }
        if (!cover.empty())
            printPageList(printers.device(), pages);
    } catch (const std::exception& e) {
        fail(std::string("errore di stampa: ") + e.what());
        return 1;
    }
    std::printf("%s\n", printers.currentName().c_str());
    return 0;
}
} // namespace

ParsedConvert parseConvertOptions(const std::vector<std::string>& args)
{
    ParsedConvert result;
    ConvertOptions o;
    std::size_t i = 0;
    auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            result.error = "manca il valore dell'opzione " + option;
            return std::nullopt;
        }
        return args[++i];
    };
    auto number = [&](const std::string& option, int low, int high) -> std::optional<int> {
        const auto text = value(option);
        if (!text)
            return std::nullopt;
        const auto n = toInt(*text);
        if (!n || *n < low || *n > high) {
            result.error = "valore non valido per " + option + ": " + *text;
            return std::nullopt;
        }
        return n;
    };
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--convert") {
            const auto v = value(a);
            if (!v)
                return result;
            o.dataFile = *v;
        } else if (a == "--title") {
            const auto v = value(a);
            if (!v)
                return result;
            o.title = *v;
        } else if (a == "--font") {
            const auto v = value(a);
            if (!v)
                return result;
            o.fontName = *v;
        } else if (a == "--pdf-type") {
            const auto n = number(a, 0, 2);
            if (!n)
                return result;
            o.pdfType = *n;
        } else if (a == "--landscape") {
            o.landscape = true;
        } else if (a == "--left-offset") {
            const auto n = number(a, 0, 100000);
            if (!n)
                return result;
            o.leftOffset = *n;
        } else if (a == "--png") {
            const auto v = value(a);
            if (!v)
                return result;
            o.pngDir = *v;
        } else if (a == "--dpi") {
            const auto n = number(a, 10, 1200);
            if (!n)
                return result;
            o.dpi = *n;
        } else if (a == "-o" || a == "--output") {
            const auto v = value(a);
            if (!v)
                return result;
            o.output = *v;
        } else if (a == "--codepage") {
            const auto n = number(a, 437, 850);
            if (!n || (*n != 437 && *n != 850)) {
                result.error = "codepage non valida: usare 850 o 437";
                return result;
            }
            o.codePage = *n;
        } else if (a == "--printer") {
            const auto v = value(a);
            if (!v)
                return result;
            o.printer = *v;
        } else if (a == "--copies") {
            const auto n = number(a, 1, 99);
            if (!n)
                return result;
            o.copies = *n;
        } else if (a == "--collate") {
            o.collate = true;
        } else if (a == "--passthrough") {
            o.passThrough = true;
        } else if (a == "--chart") {
            const auto n = number(a, 0, 2);
            if (!n)
                return result;
            o.chart = *n;
        } else if (a == "--cover") {
            const auto v = value(a);
            if (!v)
                return result;
            o.cover = *v;
        } else if (a == "--debug-map") {
            o.debugMap = true;
        } else if (a == "--control-codes") {
            const auto v = value(a);
            if (!v)
                return result;
            o.controlCodes = *v;
        } else {
            result.error = "opzione sconosciuta: " + a;
            return result;
        }
    }
    if (o.dataFile.empty()) {
        result.error = "manca il file di lavoro (--convert FILE)";
        return result;
    }
    if (o.passThrough && !o.printer) {
        result.error = "--passthrough richiede --printer";
        return result;
    }
    if (o.printer && o.pngDir) {
        result.error = "--png e --printer non vanno insieme";
        return result;
    }
    if (o.chart && o.passThrough) {
        result.error = "--chart e --passthrough non vanno insieme";
        return result;
    }
    if (o.chart && *o.chart != 2 && !o.pngDir && !o.printer) {
        result.error = "--chart 0 e --chart 1 richiedono --png o --printer";
        return result;
    }
    // The cover page goes in front of recorded printer pages, never into a PDF or a raw job.
    if (o.cover && (o.passThrough || (!o.pngDir && !o.printer))) {
        result.error = "--cover richiede --png o --printer, senza --passthrough";
        return result;
    }
    result.options = o;
    return result;
}

int runConvert(const ConvertOptions& options)
{
    const PathMapper paths = PathMapper::fromEnvironment();
    LogPrompts prompts;
    FontRegistry fonts;
    const OemConverter oem(options.codePage == 437 ? OemCodePage::Cp437 : OemCodePage::Cp850);
    SystemClock clock;
    VirtualPrinter printer;
    std::optional<std::filesystem::path> controlCodes;
    if (options.controlCodes)
        controlCodes = std::filesystem::path(*options.controlCodes);
    const EngineHost host{paths,    prompts,          fonts,       oem, clock,
                          &printer, options.debugMap, controlCodes};

    const std::filesystem::path dataFile(options.dataFile);
    if (!std::filesystem::is_regular_file(dataFile)) {
        fail("impossibile leggere il file di lavoro " + options.dataFile);
        return 2;
    }
    // Titles from the command line are UTF-8; the engine works in the Windows code page.
    const std::string title = utf8ToAnsi(options.title ? *options.title : dataFile.stem().string());
    if (options.chart)
        return runChartConvert(options, host, dataFile, title, options.cover.value_or(""));
    if (options.printer)
        return printOnPrinter(options, host, dataFile, title);
    const bool pdf = !options.pngDir.has_value();
    FONTPERCENT percent;

    std::error_code ec;
    std::filesystem::create_directories(paths.toHost("C:\\SPOOL\\PDF"), ec);

    try {
        TPageList pages;
        TPrnDos engine(host, options.landscape, options.fontName, &percent, options.pdfType, title,
                       pdf, options.leftOffset, pdf ? nullptr : &pages);
        if (!engine.RunJob(dataFile, options.cover.value_or(""))) {
            fail("impossibile leggere il file di lavoro " + options.dataFile);
            return 2;
        }
        if (pdf) {
            const std::filesystem::path written = engine.pdfHostPath();
            if (written.empty() || !std::filesystem::exists(written)) {
                fail("nessun PDF prodotto per " + options.dataFile);
                return 1;
            }
            if (options.output) {
                std::filesystem::copy_file(written, *options.output,
                                           std::filesystem::copy_options::overwrite_existing, ec);
                if (ec) {
                    fail("impossibile copiare il PDF in " + *options.output + ": " + ec.message());
                    return 1;
                }
            }
            std::printf("%s\n", written.c_str());
            return 0;
        }
        const std::filesystem::path dir(*options.pngDir);
        std::filesystem::create_directories(dir, ec);
        int number = 0;
        for (const auto& page : pages) {
            char name[32];
            std::snprintf(name, sizeof name, "page-%03d.png", ++number);
            const std::filesystem::path file = dir / name;
            if (!page->render(options.dpi).save(QString::fromStdString(file.string()), "PNG")) {
                fail("impossibile scrivere " + file.string());
                return 1;
            }
            std::printf("%s\n", file.c_str());
        }
        return number > 0 ? 0 : 1;
    } catch (const PdfError& e) {
        fail(e.what());
        return 1;
    } catch (const std::exception& e) {
        fail(std::string("errore durante l'elaborazione: ") + e.what());
        return 1;
    }
}

} // namespace spoolar

namespace spoolar {

int runPrinterList(const std::vector<std::string>& args)
{
    std::string fontName = "Courier New";
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--font" && i + 1 < args.size()) {
            fontName = args[++i];
        } else {
            fail("opzione sconosciuta: " + args[i]);
            return 2;
        }
    }
    const PathMapper paths = PathMapper::fromEnvironment();
    LogPrompts prompts;
    FontRegistry fonts;
    const OemConverter oem;
    SystemClock clock;
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    EngineHost host{paths, prompts, fonts, oem, clock, nullptr, false, std::nullopt, &printers};

    const PrinterTable::Build table = rebuildPrinterTable(host, fontName);
    std::printf("%-20s %-40s %-30s %s\n", "Nome", "Modello", "Connessa a...", "");
    for (const PrinterRow& row : table.rows)
        std::printf("%-20s %-40s %-30s %s\n", ansiToUtf8(row.userName).c_str(),
                    ansiToUtf8(row.model).c_str(), ansiToUtf8(row.port).c_str(), row.kind.c_str());
    if (!table.allNamed)
        std::printf("Alcune stampanti non hanno un nome.\n");
    return 0;
}

} // namespace spoolar
