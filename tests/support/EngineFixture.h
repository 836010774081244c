#pragma once
// A complete engine host for tests: a temporary drive C, prompts that answer in advance,
// a fixed clock, the virtual printer and the PRNCONTR.COD fixture.
#include "engine/EngineHost.h"
#include "engine/PrnDos.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FontRegistry.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace spoolar::test {

// Escape sequences of the fixture PRNCONTR.COD, by function.
namespace esc {
inline const std::string FF = "\x0C";
inline const std::string PICA = "\x1BP";
inline const std::string ELITE = "\x1BM";
inline const std::string ITALIC_ON = "\x1B"
                                     "4";
inline const std::string ITALIC_OFF = "\x1B"
                                      "5";
inline const std::string COND_OFF = "\x12";
inline const std::string COND_ON = "\x0F";
inline const std::string BOLD_ON = "\x1B"
                                   "E";
inline const std::string BOLD_OFF = "\x1B"
                                    "F";
inline const std::string DW_ON = "\x1BW1";
inline const std::string DW_OFF = "\x1BW0";
inline const std::string SUPER = "\x1BS0";
inline const std::string SUB = "\x1BS1";
inline const std::string SCRIPT_OFF = "\x1BT";
inline const std::string CENTRE = "\x1B"
                                  "CB";
} // namespace esc

// An in-band command: 0xA9, letter and parameter, 0xA9.
inline std::string cmd(const std::string& body)
{
    return "\xA9" + body + "\xA9";
}

inline std::filesystem::path makeTempDir(const std::string& tag)
{
    std::random_device rd;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("spoolar-" + tag + "-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    return dir;
}

class EngineFixture : public ::testing::Test
{
protected:
    EngineFixture()
        : m_root(makeTempDir("engine")), m_paths(m_root / "drive_c", m_root / "home"),
          m_clock(std::chrono::system_clock::now())
    {
        std::filesystem::create_directories(m_root / "drive_c" / "SPOOL" / "PDF");
        m_codes = std::filesystem::path(SPOOLAR_FIXTURES) / "PRNCONTR.COD";
    }
    ~EngineFixture() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    EngineHost host()
    {
        return EngineHost{m_paths, m_prompts,  m_fonts,    m_oem,
                          m_clock, &m_printer, m_debugMap, m_codes};
    }

    std::filesystem::path writeJob(const std::string& bytes, const std::string& name = "job.dat")
    {
        const auto file = m_root / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    // Runs a job on the printer target into a page list.
    TPageList printPages(const std::string& job, bool landscape = false,
                         const std::string& font = "Courier New")
    {
        TPageList pages;
        m_host = std::make_unique<EngineHost>(host());
        TPrnDos engine(*m_host, landscape, font, &m_percent, 0, "TEST", false, 0, &pages);
        EXPECT_TRUE(engine.RunJob(writeJob(job)));
        return pages;
    }

    // Runs a job on the PDF target; returns the host path of the PDF (empty when none).
    std::filesystem::path writePdf(const std::string& job, int pdfType = 0,
                                   const std::string& title = "TEST",
                                   const std::string& font = "Courier New")
    {
        m_host = std::make_unique<EngineHost>(host());
        TPrnDos engine(*m_host, false, font, &m_percent, pdfType, title, true, 0, nullptr);
        engine.RunJob(writeJob(job));
        return engine.pdfHostPath();
    }

    std::filesystem::path spool(const std::string& rest = "") const
    {
        return m_root / "drive_c" / "SPOOL" / rest;
    }

    std::filesystem::path m_root;
    PathMapper m_paths;
    ScriptedPrompts m_prompts;
    FontRegistry m_fonts;
    OemConverter m_oem;
    FixedClock m_clock;
    VirtualPrinter m_printer;
    FONTPERCENT m_percent;
    bool m_debugMap = false;
    std::optional<std::filesystem::path> m_codes;
    std::unique_ptr<EngineHost> m_host;
};

// Output of a shell command (stdout), for the poppler and qpdf tools.
inline std::string capture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        std::array<char, 4096> buf{};
        std::size_t n;
        while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
            out.append(buf.data(), n);
        pclose(p);
    }
    return out;
}

inline std::string quoted(const std::filesystem::path& p)
{
    return "'" + p.string() + "'";
}

} // namespace spoolar::test

namespace spoolar::test {

template <typename Op> std::vector<Op> opsOf(const TMetafile& page)
{
    std::vector<Op> out;
    for (const MetafileOp& op : page.ops()) {
        if (const Op* o = std::get_if<Op>(&op))
            out.push_back(*o);
    }
    return out;
}

inline std::string textOf(const TMetafile& page)
{
    std::string all;
    for (const auto& t : opsOf<mfop::Text>(page)) {
        if (!all.empty())
            all += '|';
        all += t.text;
    }
    return all;
}

} // namespace spoolar::test
