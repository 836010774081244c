#include "app/ChartCommand.h"

#include "app/ConvertCommand.h"
#include "app/JobPrinter.h"
#include "charts/ChartFaxCover.h"
#include "charts/ChartJob.h"
#include "engine/EngineHost.h"
#include "engine/PagePrinting.h"
#include "platform/CupsSpooler.h"
#include "platform/PrinterDevice.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <QImage>
#include <QString>

#include <cstdio>

namespace spoolar {

namespace {
void fail(const std::string& message)
{
    std::fprintf(stderr, "spoolar: %s\n", message.c_str());
}

int writePngs(const TPageList& pages, const std::filesystem::path& dir, int dpi)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    int number = 0;
    for (const auto& page : pages) {
        char name[32];
        std::snprintf(name, sizeof name, "page-%03d.png", ++number);
        const std::filesystem::path file = dir / name;
        if (!page->render(dpi).save(QString::fromStdString(file.string()), "PNG")) {
            fail("impossibile scrivere " + file.string());
            return 1;
        }
        std::printf("%s\n", file.c_str());
    }
    return number > 0 ? 0 : 1;
}
} // namespace

int runChartConvert(const ConvertOptions& options, const EngineHost& host,
                    const std::filesystem::path& dataFile, const std::string& title,
                    const std::filesystem::path& coverFile)
{
    const int variant = options.chart.value_or(0);
    try {
        if (variant == static_cast<int>(TChartVariant::Pdf)) {
            std::error_code ec;
            std::filesystem::create_directories(host.paths.toHost("C:\\SPOOL\\PDF"), ec);
            TChartJob job(TChartJobContext{host, title, nullptr, options.pdfType, {}});
            job.PrintChart(dataFile, coverFile, variant);
            const std::filesystem::path written = job.pdfHostPath();
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
        if (options.printer) {
            CupsSpooler spooler;
            PrinterObject printers(spooler);
            try {
                preparePrinterForJob(printers, *options.printer, options.copies, options.collate);
            } catch (const PrinterError&) {
                fail(printerNotReachableMessage(*options.printer));
                return 1;
            }
            EngineHost printing = host;
            printing.printer = nullptr;
            printing.printers = &printers;
            // With a fax cover the pages are recorded first and printed with the cover in front.
            TPageList pages;
            TChartJob job(TChartJobContext{printing, title, coverFile.empty() ? nullptr : &pages, 0,
                                           chartFaxCover(printing, options.fontName)});
            job.PrintChart(dataFile, coverFile, variant);
            if (!coverFile.empty())
                printPageList(printers.device(), pages);
            std::printf("%s\n", printers.currentName().c_str());
            return 0;
        }
        TPageList pages;
        TChartJob job(
            TChartJobContext{host, title, &pages, 0, chartFaxCover(host, options.fontName)});
        job.PrintChart(dataFile, coverFile, variant);
        return writePngs(pages, *options.pngDir, options.dpi);
    } catch (const std::exception& e) {
        fail(std::string("errore durante l'elaborazione: ") + e.what());
        return 1;
    }
}

} // namespace spoolar
