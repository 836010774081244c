#pragma once
// Engines with a working folder of their own (HTest.txt, Label.jpg, relative picture names), a
// fixed screen resolution of 96 dpi, and the tools that look at what they drew.
#include "support/EngineFixture.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <fstream>
#include <string>

namespace spoolar::test {

class OverlayFixture : public EngineFixture
{
protected:
    OverlayFixture()
    {
        std::filesystem::create_directories(cwd());
        // Qvor.ini is looked for under the mapped drive C: only.
        unsetenv("WINDIR");
        unsetenv("LOCALAPPDATA");
    }

    std::filesystem::path cwd() const { return m_root / "cwd"; }

    EngineHost overlayHost()
    {
        EngineHost h = host();
        h.workingFolder = cwd();
        h.screenDpi = 96;
        return h;
    }

    TPageList printJob(const std::string& job, const std::filesystem::path& cover = {},
                       bool landscape = false)
    {
        TPageList pages;
        m_host = std::make_unique<EngineHost>(overlayHost());
        TPrnDos engine(*m_host, landscape, "Courier New", &m_percent, 0, "TEST", false, 0, &pages);
        EXPECT_TRUE(engine.RunJob(writeJob(job), cover));
        return pages;
    }

    std::filesystem::path pdfJob(const std::string& job, bool landscape = false)
    {
        m_host = std::make_unique<EngineHost>(overlayHost());
        TPrnDos engine(*m_host, landscape, "Courier New", &m_percent, 0, "TEST", true, 0, nullptr);
        engine.RunJob(writeJob(job));
        return engine.pdfHostPath();
    }

    static void writeText(const std::filesystem::path& file, const std::string& text)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    // The text poppler finds on one page of a PDF.
    static std::string pdfPageText(const std::filesystem::path& pdf, int page)
    {
        const std::string n = std::to_string(page);
        return capture("pdftotext -layout -f " + n + " -l " + n + " " + quoted(pdf) + " -");
    }

    // The symbols zbarimg finds in a picture, "TYPE:data" one a line.
    static std::string decodeSymbols(const std::filesystem::path& png)
    {
        return capture("zbarimg -q " + quoted(png) + " 2>/dev/null");
    }
};

// The top band of a recorded page rendered at its own resolution.
inline QImage renderTop(const TMetafile& page, int heightDots)
{
    QImage image(page.width(), heightDots, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.play(painter);
    painter.end();
    return image;
}

} // namespace spoolar::test
