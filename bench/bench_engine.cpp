// Engine benchmark: pages per second and peak memory of a long invoice job on the PDF target and
// on the printer target (pages kept in a page list, as the preview keeps them), next to a lower
// bound that writes the same text and frame lines straight through libharu; and the time to
// construct an engine. Every measurement runs in a child process of its own (this program run
// again with --mode), so that the peak resident memory of one does not mix with another.
//
//   bench_engine [--pages N] [--repeat N] [--control-codes FILE] [--font NAME]
//   bench_engine --write-job FILE [--pages N]
#include "InvoiceJob.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"
#include "support/CupsServer.h"

#include "engine/EngineHost.h"
#include "engine/FontPercent.h"
#include "engine/PrnDos.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FontRegistry.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <QGuiApplication>

#include <hpdf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace spoolar::bench {

constexpr const char* kBenchQueue = "Bench_PDF";

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options
{
    int pages = 1000;
    int repeat = 20;
    std::string controlCodes = SPOOLAR_DEFAULT_CONTROL_CODES;
    std::string font = "Courier New";
    std::string writeJob;
    // Child side.
    std::string mode;
    std::string job;
};

std::optional<int> toInt(const char* text)
{
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<Options> parseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) {
            std::fprintf(stderr, "bench_engine: missing value for %s\n", a.c_str());
            return std::nullopt;
        }
        ++i;
        if (a == "--pages" || a == "--repeat") {
            const auto n = toInt(value);
            if (!n || *n < 1) {
                std::fprintf(stderr, "bench_engine: bad value for %s: %s\n", a.c_str(), value);
                return std::nullopt;
            }
            (a == "--pages" ? o.pages : o.repeat) = *n;
        } else if (a == "--control-codes") {
            o.controlCodes = value;
        } else if (a == "--font") {
            o.font = value;
        } else if (a == "--write-job") {
            o.writeJob = value;
        } else if (a == "--mode") {
            o.mode = value;
        } else if (a == "--job") {
            o.job = value;
        } else {
            std::fprintf(stderr, "bench_engine: unknown option %s\n", a.c_str());
            return std::nullopt;
        }
    }
    return o;
}

bool writeFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Peak resident set of this process in kB (VmHWM), -1 when unknown.
long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Pages of a PDF written by libharu: its page objects carry "/Type /Page" followed by a line end.
int countPdfPages(const std::string& pdf)
{
    int pages = 0;
    const std::string key = "/Type /Page";
    for (std::size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1)) {
        const std::size_t next = at + key.size();
        if (next < pdf.size() && pdf[next] != 's')
            ++pages;
    }
    return pages;
}

// ---------------------------------------------------------------------------------------------
// Child side: one measurement, printed as key=value lines.

// The program-wide objects the engine borrows, as the dispatch owns them.
struct HostObjects
{
    explicit HostObjects(const Options& o)
        : paths(PathMapper::fromEnvironment()), clock(std::chrono::system_clock::now()),
          codes(std::filesystem::path(o.controlCodes))
    {
    }
    EngineHost host()
    {
        return EngineHost{paths, prompts, fonts, oem, clock, &printer, false, codes};
    }

    PathMapper paths;
    LogPrompts prompts;
    FontRegistry fonts;
    OemConverter oem;
    FixedClock clock;
    VirtualPrinter printer;
    FONTPERCENT percent;
    std::optional<std::filesystem::path> codes;
};

int runEngineMode(const Options& o, bool pdf)
{
    HostObjects objects(o);
    const EngineHost host = objects.host();
    TPageList pages;
    TPrnDos engine(host, false, o.font, &objects.percent, 0, "FATTURA", pdf, 0,
                   pdf ? nullptr : &pages);
    const auto start = Clock::now();
    if (!engine.RunJob(o.job)) {
        std::fprintf(stderr, "bench_engine: the job could not be read\n");
        return 1;
    }
    const double seconds = secondsSince(start);
    int produced = static_cast<int>(pages.size());
    long bytes = 0;
    if (pdf) {
        const std::string file = readFile(engine.pdfHostPath());
        produced = countPdfPages(file);
        bytes = static_cast<long>(file.size());
    } else {
        for (const auto& page : pages)
            bytes += static_cast<long>(page->ops().size());
    }
    std::printf("seconds=%.6f\npages=%d\nsize=%ld\nvmhwm_kb=%ld\n", seconds, produced, bytes,
                peakResidentKb());
    return 0;
}

// The lower bound: the invoice's text and frame lines written through libharu with no
// interpretation at all. Everything that is not a libharu call is prepared before the clock
// starts.
struct LowerBoundText
{
    std::string ansi;
    bool condensed = false;
    bool bold = false;
    float x = 0, y = 0;
};

struct LowerBoundLine
{
    float x0, y0, x1, y1;
};

struct LowerBoundPage
{
    std::vector<LowerBoundText> texts;
    std::vector<LowerBoundLine> lines;
};

bool isBox(char c)
{
    switch (static_cast<unsigned char>(c)) {
    case 0xDA:
    case 0xC4:
    case 0xBF:
    case 0xB3:
    case 0xC0:
    case 0xD9:
    case 0xC3:
    case 0xB4:
    case 0xC2:
    case 0xC1:
    case 0xC5:
        return true;
    default:
        return false;
    }
}

bool joinsHorizontally(char c)
{
    return isBox(c) && static_cast<unsigned char>(c) != 0xB3;
}

bool joinsVertically(char c)
{
    return isBox(c) && static_cast<unsigned char>(c) != 0xC4;
}

void HPDF_STDCALL recordHpdfError(HPDF_STATUS error, HPDF_STATUS detail, void* data)
{
    auto* first = static_cast<std::pair<HPDF_STATUS, HPDF_STATUS>*>(data);
    if (first->first == 0)
        *first = {error, detail};
}

int runLowerBoundMode(const Options& o)
{
    HostObjects objects(o);
    const EngineHost host = objects.host();
    // The pitches as the engine measures them, so that the pages are the same size.
    const TPrnDos measuring(host, false, o.font, &objects.percent, 0, "FATTURA", true, 0, nullptr);
    const PITCHMETRICS pica = measuring.metrics()[0];
    const PITCHMETRICS condensed = measuring.metrics()[2];

    std::string regularFile;
    std::string boldFile;
    for (const FontRegistryValue& v : objects.fonts.valuesFor(o.font)) {
        const bool bold = v.name.find("Bold") != std::string::npos;
        const bool italic = v.name.find("Italic") != std::string::npos;
        if (!bold && !italic)
            regularFile = v.file.string();
        else if (bold && !italic)
            boldFile = v.file.string();
    }
    if (regularFile.empty() || boldFile.empty()) {
        std::fprintf(stderr, "bench_engine: no font files for %s\n", o.font.c_str());
        return 1;
    }

    const InvoiceJob job = makeInvoiceJob(o.pages);
    const float margin = 41.666664f;
    const float height = 842 * 8.333333f - 2 * margin;
    const float width = 595 * 8.333333f - 2 * margin;
    std::size_t widest = 0;
    for (const PlainLine& line : job.pages.front())
        widest = std::max(widest, line.condensed ? 0 : line.text.size());
    const float left =
        margin + std::max(0.0f, (width - static_cast<float>(widest) * pica.charWidthF) / 2);

    std::vector<LowerBoundPage> pages;
    for (const PlainPage& plain : job.pages) {
        LowerBoundPage page;
        for (std::size_t row = 0; row < plain.size(); ++row) {
            const PlainLine& line = plain[row];
            const float top = height + margin - static_cast<float>(row + 1) * pica.lineHeight;
            std::string text = line.text;
            for (char& c : text) {
                if (isBox(c))
                    c = ' ';
            }
            if (text.find_first_not_of(' ') != std::string::npos) {
                page.texts.push_back({objects.oem.toAnsi(text), line.condensed, line.bold, left,
                                      top + (line.condensed ? condensed : pica).baseline});
            }
        }
        // Frame lines: runs of joining box characters along each row and each column, from the
        // centre of the first cell to the centre of the last.
        auto centreX = [&](std::size_t col) {
            return left + (static_cast<float>(col) + 0.5f) * pica.charWidthF;
        };
        auto centreY = [&](std::size_t row) {
            return height + margin - (static_cast<float>(row) + 0.5f) * pica.lineHeight;
        };
        auto cell = [&](std::size_t row, std::size_t col) {
            const PlainLine& line = plain[row];
            return !line.condensed && col < line.text.size() ? line.text[col] : ' ';
        };
        std::size_t columns = 0;
        for (std::size_t row = 0; row < plain.size(); ++row) {
            columns = std::max(columns, plain[row].text.size());
            for (std::size_t col = 0; col < plain[row].text.size();) {
                std::size_t end = col;
                while (end < plain[row].text.size() && joinsHorizontally(cell(row, end)))
                    ++end;
                if (end - col > 1)
                    page.lines.push_back(
                        {centreX(col), centreY(row), centreX(end - 1), centreY(row)});
                col = end + 1;
            }
        }
        for (std::size_t col = 0; col < columns; ++col) {
            for (std::size_t row = 0; row < plain.size();) {
                std::size_t end = row;
                while (end < plain.size() && joinsVertically(cell(end, col)))
                    ++end;
                if (end - row > 1)
                    page.lines.push_back(
                        {centreX(col), centreY(row), centreX(col), centreY(end - 1)});
                row = end + 1;
            }
        }
        pages.push_back(std::move(page));
    }
    const std::filesystem::path output = objects.paths.toHost("C:\\SPOOL\\PDF\\lower-bound.pdf");

    const auto start = Clock::now();
    std::pair<HPDF_STATUS, HPDF_STATUS> error{0, 0};
    HPDF_Doc doc = HPDF_New(&recordHpdfError, &error);
    HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
    const HPDF_Font regular =
        HPDF_GetFont(doc, HPDF_LoadTTFontFromFile(doc, regularFile.c_str(), HPDF_TRUE), "CP1252");
    const HPDF_Font bold =
        HPDF_GetFont(doc, HPDF_LoadTTFontFromFile(doc, boldFile.c_str(), HPDF_TRUE), "CP1252");
    for (const LowerBoundPage& page : pages) {
        const HPDF_Page p = HPDF_AddPage(doc);
        HPDF_Page_Concat(p, 0.12f, 0, 0, 0.12f, 0, 0);
        HPDF_Page_SetSize(p, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
        HPDF_Page_SetLineWidth(p, 2);
        for (const LowerBoundText& t : page.texts) {
            HPDF_Page_SetFontAndSize(p, t.bold ? bold : regular,
                                     (t.condensed ? condensed : pica).fontSize);
            HPDF_Page_BeginText(p);
            HPDF_Page_SetTextMatrix(p, 1, 0, 0, 1, t.x, t.y);
            HPDF_Page_ShowText(p, t.ansi.c_str());
            HPDF_Page_EndText(p);
        }
        for (const LowerBoundLine& l : page.lines) {
            HPDF_Page_MoveTo(p, l.x0, l.y0);
            HPDF_Page_LineTo(p, l.x1, l.y1);
            HPDF_Page_Stroke(p);
        }
    }
    HPDF_SaveToFile(doc, output.c_str());
    HPDF_Free(doc);
    const double seconds = secondsSince(start);
    if (error.first != 0) {
        std::fprintf(stderr, "bench_engine: libharu error 0x%04X (detail %u)\n",
                     static_cast<unsigned>(error.first), static_cast<unsigned>(error.second));
        return 1;
    }
    const std::string file = readFile(output);
    std::printf("seconds=%.6f\npages=%d\nsize=%ld\nvmhwm_kb=%ld\n", seconds, countPdfPages(file),
                static_cast<long>(file.size()), peakResidentKb());
    return 0;
}

int runConstructMode(const Options& o, bool pdf)
{
    HostObjects objects(o);
    const EngineHost host = objects.host();
    auto construct = [&] {
        TPageList pages;
        const auto start = Clock::now();
        {
            const TPrnDos engine(host, false, o.font, &objects.percent, 0, "FATTURA", pdf, 0,
                                 pdf ? nullptr : &pages);
        }
        return secondsSince(start);
    };
    const double first = construct();
    std::vector<double> times;
    for (int i = 0; i < o.repeat; ++i)
        times.push_back(construct());
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("first_ms=%.3f\nmedian_ms=%.3f\nvmhwm_kb=%ld\n", first * 1000, median * 1000,
                peakResidentKb());
    return 0;
}

// The printer target printing straight to a file-backed CUPS queue of the private scheduler
// the parent started: the time until CUPS has accepted the job.
int runCupsMode(const Options& o)
{
    HostObjects objects(o);
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    printers.refresh();
    printers.selectByName(kBenchQueue);
    EngineHost host = objects.host();
    host.printer = nullptr;
    host.printers = &printers;
    TPrnDos engine(host, false, o.font, &objects.percent, 0, "FATTURA", false, 0, nullptr);
    const auto start = Clock::now();
    if (!engine.RunJob(o.job)) {
        std::fprintf(stderr, "bench_engine: the job could not be read\n");
        return 1;
    }
    const double seconds = secondsSince(start);
    std::printf("seconds=%.6f\npages=%d\nsize=0\nvmhwm_kb=%ld\n", seconds, o.pages,
                peakResidentKb());
    return 0;
}

int runChildMode(int argc, char** argv, const Options& o)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    try {
        if (o.mode == "pdf" || o.mode == "printer")
            return runEngineMode(o, o.mode == "pdf");
        if (o.mode == "lower-bound")
            return runLowerBoundMode(o);
        if (o.mode == "printer-cups")
            return runCupsMode(o);
        if (o.mode == "construct-pdf" || o.mode == "construct-printer")
            return runConstructMode(o, o.mode == "construct-pdf");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_engine: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "bench_engine: unknown mode %s\n", o.mode.c_str());
    return 2;
}

// ---------------------------------------------------------------------------------------------
// Parent side.

using Result = std::map<std::string, double>;

// Runs this program again with the given arguments and reads its key=value lines.
std::optional<Result> runChild(const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_engine: measurement %s failed\n", args[2].c_str());
        return std::nullopt;
    }
    Result result;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        if (const std::size_t eq = line.find('='); eq != std::string::npos)
            result[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
        start = end + 1;
    }
    return result;
}

// A temporary drive C (with SPOOL\PDF) and program home, removed at the end.
class TempDrive
{
public:
    TempDrive()
    {
        std::random_device rd;
        m_root = std::filesystem::temp_directory_path() /
                 (std::string("spoolar-bench-") +=
                  std::to_string(getpid()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_root / "drive_c" / "SPOOL" / "PDF");
        std::filesystem::create_directories(m_root / "home");
    }
    ~TempDrive()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    TempDrive(const TempDrive&) = delete;
    TempDrive& operator=(const TempDrive&) = delete;

    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

std::string megabytes(double kb)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", kb / 1024);
    return text;
}

int runParent(const char* self, const Options& o)
{
    if (!std::filesystem::is_regular_file(o.controlCodes)) {
        std::fprintf(stderr, "bench_engine: control codes not found: %s\n", o.controlCodes.c_str());
        return 2;
    }
    const TempDrive drive;
    setenv("SPOOLAR_DRIVE_C", (drive.root() / "drive_c").c_str(), 1);
    setenv("SPOOLAR_HOME", (drive.root() / "home").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!getenv("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder; without one every child warns on standard error.
        const auto runtime = drive.root() / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

    const std::filesystem::path jobFile = drive.root() / "FATTURA.DAT";
    const InvoiceJob job = makeInvoiceJob(o.pages);
    if (!writeFile(jobFile, job.bytes)) {
        std::fprintf(stderr, "bench_engine: cannot write %s\n", jobFile.c_str());
        return 1;
    }
    const std::vector<std::string> common{
        "--pages",         std::to_string(o.pages), "--repeat", std::to_string(o.repeat),
        "--control-codes", o.controlCodes,          "--font",   o.font,
        "--job",           jobFile.string()};
    auto measure = [&](const std::string& mode) {
        std::vector<std::string> args{self, "--mode", mode};
        args.insert(args.end(), common.begin(), common.end());
        return runChild(args);
    };

    std::printf("Invoice job: %d pages, %zu bytes, font %s\n\n", o.pages, job.bytes.size(),
                o.font.c_str());
    const auto pdf = measure("pdf");
    const auto printer = measure("printer");
    const auto lower = measure("lower-bound");
    // Printing to a file-backed queue of a private scheduler (needs root and cupsd).
    std::optional<Result> cups;
    const auto server = test::CupsServer::start();
    if (server->running() && server->addQueue(kBenchQueue, test::CupsServer::Queue::Pdf))
        cups = measure("printer-cups");
    else
        std::printf("(no private CUPS: %s)\n\n", server->skipReason().c_str());
    const auto constructPdf = measure("construct-pdf");
    const auto constructPrinter = measure("construct-printer");

    std::printf("%-34s %10s %10s %8s %14s\n", "run", "time [s]", "pages/s", "pages",
                "peak RSS [MB]");
    auto row = [&](const char* name, const std::optional<Result>& r) {
        if (!r) {
            std::printf("%-34s %10s\n", name, "failed");
            return;
        }
        const double seconds = r->at("seconds");
        std::printf("%-34s %10.3f %10.1f %8.0f %14s\n", name, seconds,
                    seconds > 0 ? o.pages / seconds : 0.0, r->at("pages"),
                    megabytes(r->at("vmhwm_kb")).c_str());
    };
    row("PDF target", pdf);
    row("printer target (page list)", printer);
    row("lower bound (libharu direct)", lower);
    row("printer target (to a CUPS queue)", cups);

    std::printf("\n%-34s %10s %12s %14s\n", "engine construction", "first [ms]",
                (std::string("median/") += std::to_string(o.repeat) + " [ms]").c_str(),
                "peak RSS [MB]");
    auto constructRow = [&](const char* name, const std::optional<Result>& r) {
        if (!r) {
            std::printf("%-34s %10s\n", name, "failed");
            return;
        }
        std::printf("%-34s %10.3f %12.3f %14s\n", name, r->at("first_ms"), r->at("median_ms"),
                    megabytes(r->at("vmhwm_kb")).c_str());
    };
    constructRow("PDF target", constructPdf);
    constructRow("printer target", constructPrinter);

    bool pagesOk = true;
    for (const auto* r : {&pdf, &printer, &lower}) {
        if (*r && static_cast<int>((*r)->at("pages")) != o.pages)
            pagesOk = false;
    }
    std::printf("\ngoals\n");
    if (pdf && lower) {
        const double ratio = pdf->at("seconds") / lower->at("seconds");
        std::printf("  PDF target / lower bound time       %6.2fx   (goal <= 1.50x)  %s\n", ratio,
                    ratio <= 1.5 ? "met" : "MISSED");
        const double mb = pdf->at("vmhwm_kb") / 1024;
        std::printf("  peak RSS of the PDF job             %6.1f MB (goal < 64 MB)    %s\n", mb,
                    mb < 64 ? "met" : "MISSED");
    }
    for (const auto* r : {&constructPdf, &constructPrinter}) {
        if (*r) {
            const double ms = (*r)->at("median_ms");
            std::printf("  construction (%s)%*s %6.2f ms (goal < 20 ms)    %s\n",
                        r == &constructPdf ? "PDF" : "printer", r == &constructPdf ? 16 : 12, "",
                        ms, ms < 20 ? "met" : "MISSED");
        }
    }
    std::printf("\n");
    if (!pagesOk)
        std::printf("WARNING: a run did not produce %d pages; its numbers are not comparable\n\n",
                    o.pages);
    const bool complete = pdf && printer && lower && constructPdf && constructPrinter;
    return complete && pagesOk ? 0 : 1;
}

} // namespace
} // namespace spoolar::bench

int main(int argc, char** argv)
{
    using namespace spoolar::bench;
    const auto options = parseOptions(argc, argv);
    if (!options)
        return 2;
    if (!options->writeJob.empty()) {
        const InvoiceJob job = makeInvoiceJob(options->pages);
        if (!writeFile(options->writeJob, job.bytes)) {
            std::fprintf(stderr, "bench_engine: cannot write %s\n", options->writeJob.c_str());
            return 1;
        }
        std::printf("%s: %d pages, %zu bytes\n", options->writeJob.c_str(), options->pages,
                    job.bytes.size());
        return 0;
    }
    if (!options->mode.empty())
        return runChildMode(argc, argv, *options);
    return runParent(argv[0], *options);
}
