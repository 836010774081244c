// Fuzz target of the job interpreter: arbitrary bytes run as a job through TPrnDos, on the
// printer target (virtual printer, page list) or on the PDF target, optionally with a
// PRNCONTR.COD made of part of the input.
//
// Input layout:
//   byte 0     options: bit 0 PDF target, bit 1 landscape, bit 2 own control codes,
//              bits 3-4 font (Courier New, Bitstream Vera Sans Mono, Consolas, an unknown
//              family), bits 5-6 PDF type (0 plain, 1 PDF/A-1a, 2 PDF/A-1b, 3 plain),
//              bit 7 the box-map debug file
//   byte 1     with own control codes: the length N of the PRNCONTR.COD content that follows
//   N bytes    with own control codes: the content of PRNCONTR.COD
//   the rest   the job
#include "engine/EngineHost.h"
#include "engine/FontPercent.h"
#include "engine/PdfError.h"
#include "engine/PrnDos.h"
#include "overlays/PictureCommand.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FontRegistry.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <QGuiApplication>

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace spoolar;

// Every dialog answered with its safe default, nothing kept (the fuzzer runs millions of jobs).
class SilentPrompts : public IPrompts
{
public:
    PromptAnswer show(PromptKind, PromptButtons buttons, std::string_view) override
    {
        return safeDefaultAnswer(buttons);
    }
};

// The program-wide objects of one fuzzing process: a temporary drive C and the host objects.
struct FuzzHost
{
    explicit FuzzHost(const std::filesystem::path& root)
        : root(root), paths(root / "drive_c", root / "home"),
          clock(std::chrono::system_clock::time_point(std::chrono::seconds(1700000000)))
    {
        std::filesystem::create_directories(root / "drive_c" / "SPOOL" / "PDF");
        std::filesystem::create_directories(root / "home");
    }

    // What a job leaves in the spool folders (PDF files, Pdf.ok, the box map) goes away.
    void clearSpool() const
    {
        std::error_code ec;
        for (const auto& dir : {root / "drive_c" / "SPOOL" / "PDF", root / "drive_c" / "SPOOL"}) {
            for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
                if (entry.is_regular_file(ec))
                    std::filesystem::remove(entry.path(), ec);
            }
        }
    }

    std::filesystem::path root;
    PathMapper paths;
    SilentPrompts prompts;
    FontRegistry fonts;
    OemConverter oem;
    FixedClock clock;
    VirtualPrinter printer;
    FONTPERCENT percent;
};

FuzzHost* g_host = nullptr;

void removeTempRoot()
{
    if (g_host) {
        std::error_code ec;
        std::filesystem::remove_all(g_host->root, ec);
    }
}

bool writeFile(const std::filesystem::path& file, std::string_view bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

constexpr std::array<const char*, 4> kFonts{"Courier New", "Bitstream Vera Sans Mono", "Consolas",
                                            "Zz Unknown Mono"};

} // namespace

// Allocations that fontconfig and Qt's font database keep for the life of the process are not
// leaks of the engine (the same list as the tests' suppressions).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:FcPatternObjectInsertElt\n"
           "leak:libQt6Gui.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Font metrics need a QGuiApplication; it lives as long as the process.
    static int appArgc = 1;
    static char* appArgv[] = {argc && *argc > 0 ? (*argv)[0] : const_cast<char*>("fuzz"), nullptr};
    static QGuiApplication* app = new QGuiApplication(appArgc, appArgv);
    (void)app;

    std::string pattern = (std::filesystem::temp_directory_path() / "spoolar-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("spoolar fuzz: mkdtemp");
        std::abort();
    }
    g_host = new FuzzHost(pattern);
    std::atexit(removeTempRoot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    const bool pdf = flags & 0x01;
    const bool landscape = flags & 0x02;
    const bool ownCodes = flags & 0x04;
    const char* font = kFonts[(flags >> 3) & 0x03];
    const int pdfType = ((flags >> 5) & 0x03) % 3;
    const bool debugMap = flags & 0x80;

    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::optional<std::filesystem::path> codes = std::filesystem::path(SPOOLAR_FUZZ_CONTROL_CODES);
    if (ownCodes) {
        if (rest.empty())
            return 0;
        const std::size_t length =
            std::min<std::size_t>(static_cast<std::uint8_t>(rest[0]), rest.size() - 1);
        codes = g_host->root / "PRNCONTR.COD";
        if (!writeFile(*codes, rest.substr(1, length)))
            std::abort();
        rest = rest.substr(1 + length);
    }
    const std::filesystem::path job = g_host->root / "JOB.DAT";
    if (!writeFile(job, rest))
        std::abort();

    EngineHost host{g_host->paths, g_host->prompts,  g_host->fonts, g_host->oem,
                    g_host->clock, &g_host->printer, debugMap,      codes};
    // HTest.txt, Label.jpg and relative picture names stay in the temporary folder.
    host.workingFolder = g_host->root;
    try {
        TPageList pages;
        TPrnDos engine(host, landscape, font, &g_host->percent, pdfType, "FUZZ", pdf, 0,
                       pdf ? nullptr : &pages);
        if (!engine.RunJob(job))
            std::abort(); // the job file was just written: it must be readable
        // The printer target always has the page it started with.
        if (!pdf && pages.empty())
            std::abort();
    } catch (const PdfError&) {
        // A libharu error ends a PDF job with an error message, by design.
    } catch (const PictureError&) {
        // So does a picture command naming a file that is no JPEG.
    }
    g_host->clearSpool();
    return 0;
}
