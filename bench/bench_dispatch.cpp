// Dispatch benchmark on a temporary drive C:
//  1. latency: N one-page invoice jobs, one after the other; for each, the time from its
//     settings file being written to its PDF being complete (the tick that takes it returned),
//     without the wait for the next tick of the polling timer (at most one second);
//  2. idle tick: the CPU time of a tick that takes no job while 500 jobs wait (the tick
//     blinks, serves open requests, lists and compares every waiting settings file).
//
//   bench_dispatch [--jobs N] [--waiting N] [--ticks N] [--control-codes FILE]
#include "InvoiceJob.h"

#include "app/JobDispatcher.h"
#include "app/Settings.h"
#include "app/SpoolFolder.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "platform/FontRegistry.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <QGuiApplication>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace spoolar::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options
{
    int jobs = 50;
    int waiting = 500;
    int ticks = 200;
    std::string controlCodes = SPOOLAR_DEFAULT_CONTROL_CODES;
};

class QuietView : public IDispatchView
{
public:
    void showTrayImage(TrayImage) override {}
    void setButtonPanelEnabled(bool) override {}
    void showPrinterLabel(std::string_view) override {}
    void showJobLabels(const JobLabels&) override {}
    void showJobCaption(std::string_view) override {}
    void showPdfStatus(PdfStatus) override {}
    void setUnlockEnabled(bool) override {}
    void optionsChanged(const ProgramSettings&) override {}
    void processPendingMessages() override {}
    bool showPreview(TPageList&, const PreviewPage&) override { return false; }
    void raiseCallerWindow(std::uint64_t) override {}
    void endProgram(ProgramEnd) override {}
    void log(std::string_view line) override
    {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    }
};

class NoLauncher : public IProcessLauncher
{
public:
    bool start(const std::string&, const std::vector<std::string>&) override { return true; }
};

std::string settingsLine(const std::string& title)
{
    std::string line = title;
    line.resize(8, ' ');
    std::string printer = "PDF Embedded";
    printer.resize(59, ' ');
    return line + printer + " 1PG\r\n";
}

void writeFile(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[i];
}

int run(const Options& options)
{
    std::random_device rd;
    const fs::path root = fs::temp_directory_path() / ("spoolar-bench-dispatch-" +
                                                       std::to_string(rd()));
    const PathMapper paths(root / "drive_c", root / "home");
    fs::create_directories(paths.toHost("C:\\SPOOL\\PDF"));
    fs::create_directories(paths.toHost("C:\\SPOOL\\TMP"));
    fs::create_directories(root / "home");

    LogPrompts prompts;
    FontRegistry fonts;
    const OemConverter oem;
    SystemClock clock;
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    NoLauncher launcher;
    const DocumentOpener opener(launcher, std::nullopt);
    QuietView view;
    ProgramSettings settings;
    SpoolFolder folder(paths, clock);
    JobDispatcher dispatcher(DispatchServices{paths, prompts, fonts, oem, clock, printers, opener,
                                              view, root / "home" / "spoolar.ini",
                                              fs::path(options.controlCodes)},
                             settings, folder);
    dispatcher.start();

    const std::string invoice = makeInvoiceJob(1).bytes;
    const fs::path spool = paths.toHost("C:\\SPOOL");

    // 1. Latency of a job, settings file to finished PDF.
    std::vector<double> latencies;
    for (int i = 0; i < options.jobs; ++i) {
        const std::string id = std::to_string(i);
        writeFile(spool / ("SPL" + id + ".TMP"), invoice);
        const auto start = Clock::now();
        writeFile(spool / ("SPO" + id + ".TMP"), settingsLine("FATT" + id));
        dispatcher.tick();
        latencies.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (fs::exists(spool / ("SPO" + id + ".TMP"))) {
            std::fprintf(stderr, "job %d was not processed\n", i);
            return 1;
        }
    }
    std::size_t pdfCount = 0;
    for (const auto& e : fs::directory_iterator(spool / "PDF"))
        pdfCount += e.path().extension() == ".pdf";

    // 2. Idle tick with many jobs waiting. They are stamped two days ahead, so the tick lists
    //    and compares all of them, as for any waiting job, but takes none and the measurement
    //    is the polling work alone.
    const auto ahead = std::chrono::file_clock::now() + std::chrono::hours(48);
    for (int i = 0; i < options.waiting; ++i) {
        const std::string id = std::to_string(100000 + i);
        writeFile(spool / ("SPL" + id + ".TMP"), invoice);
        writeFile(spool / ("SPO" + id + ".TMP"), settingsLine("ATTESA"));
        fs::last_write_time(spool / ("SPO" + id + ".TMP"), ahead);
    }
    const double before = cpuSeconds();
    const auto wallStart = Clock::now();
    for (int i = 0; i < options.ticks; ++i)
        dispatcher.tick();
    if (!fs::exists(spool / "SPO100000.TMP")) {
        std::fprintf(stderr, "a waiting job was taken\n");
        return 1;
    }
    const double idleCpu = (cpuSeconds() - before) / options.ticks;
    const double idleWall =
        std::chrono::duration<double>(Clock::now() - wallStart).count() / options.ticks;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("jobs: %d, PDFs written: %zu\n", options.jobs, pdfCount);
    std::printf("settings file to finished PDF: median %.2f ms, p90 %.2f ms, max %.2f ms "
                "(plus the wait for the next tick, at most 1 s)\n",
                percentile(latencies, 0.5) * 1e3, percentile(latencies, 0.9) * 1e3,
                percentile(latencies, 1.0) * 1e3);
    std::printf("idle tick with %d jobs waiting: %.3f ms CPU, %.3f ms wall (mean of %d)\n",
                options.waiting, idleCpu * 1e3, idleWall * 1e3, options.ticks);
    std::printf("peak RSS: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);

    std::error_code ec;
    fs::remove_all(root, ec);
    return pdfCount == static_cast<std::size_t>(options.jobs) ? 0 : 1;
}

} // namespace
} // namespace spoolar::bench

int main(int argc, char** argv)
{
    spoolar::bench::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--jobs" && i + 1 < argc)
            options.jobs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--waiting" && i + 1 < argc)
            options.waiting = std::max(1, std::atoi(argv[++i]));
        else if (a == "--ticks" && i + 1 < argc)
            options.ticks = std::max(1, std::atoi(argv[++i]));
        else if (a == "--control-codes" && i + 1 < argc)
            options.controlCodes = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_dispatch [--jobs N] [--waiting N] [--ticks N] "
                                 "[--control-codes FILE]\n");
            return 2;
        }
    }
    if (!std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    return spoolar::bench::run(options);
}
