// Printer output beside the recorded pages: raw pass-through and the printer list file.
#include "engine/PrnDos.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace spoolar {

namespace {
constexpr std::size_t kPieceSize = 1023;
constexpr std::size_t kMaxDocumentName = 127;

// Text-mode reading: every CR LF pair becomes LF.
std::string withUnixLineEnds(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        out += bytes[i];
    }
    return out;
}

} // namespace

bool TPrnDos::PassThrough(const std::filesystem::path& jobFile)
{
    std::ifstream in(jobFile, std::ios::binary);
    if (!in)
        return false;
    const std::string content = withUnixLineEnds(
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    in.close();
    if (!m_host.printers)
        return false;

    std::string name;
    try {
        name = m_host.printers->currentName();
    } catch (const PrinterError&) {
        return false;
    }
    const std::string title = m_Printer ? m_Printer->title().substr(0, kMaxDocumentName) : "";
    auto document = m_host.printers->spooler().startRawDocument(name, title);
    if (!document)
        return false;

    const int copies = m_Printer ? std::max(1, m_Printer->copies()) : 1;
    for (int copy = 0; copy < copies; ++copy) {
        // Pieces of at most 1023 bytes, each ending at a line break, sent up to a NUL.
        std::size_t pos = 0;
        while (pos < content.size()) {
            std::size_t end = pos;
            while (end < content.size() && end - pos < kPieceSize) {
                if (content[end++] == '\n')
                    break;
            }
            std::string_view piece(content.data() + pos, end - pos);
            piece = piece.substr(0, piece.find('\0'));
            if (!piece.empty() && !document->write(piece)) {
                document->abort();
                return false;
            }
            pos = end;
        }
    }
    return document->finish();
}

std::string TPrnDos::PrinterListLine(const std::string& comment, const std::string& name,
                                     char kind) const
{
    char head[128];
    std::snprintf(head, sizeof head, "%-20.20s%-59.59s%c", comment.c_str(), name.c_str(), kind);
    std::string line = head;
    for (int i = 0; i < 4; ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "%03d", m_Metrics[static_cast<std::size_t>(i)].rows);
        line += n;
    }
    for (int i = 0; i < 4; ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "%03d", m_Metrics[static_cast<std::size_t>(i)].landRows);
        line += n;
    }
    return line + "\r\n";
}

void TPrnDos::WritePrinterList()
{
    std::error_code ec;
    std::filesystem::create_directories(m_host.paths.toHost("C:\\SPOOL"), ec);
    const std::filesystem::path file = m_host.paths.toHost("C:\\SPOOL\\PRINTERS.LST");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return;

    PrinterObject* printers = m_host.printers;
    const int remembered = printers ? printers->printerIndex() : -1;
    if (printers) {
        const std::vector<std::string> names = printers->refresh();
        for (std::size_t i = 0; i < names.size(); ++i) {
            try {
                printers->setPrinterIndex(static_cast<int>(i));
                const auto info = printers->spooler().printerInfo(names[i]);
                if (!info || info->comment.empty())
                    continue;
                const char kind = isTextOnlyDriver(info->driver) ? 'T' : 'G';
                m_bPdf = false;
                m_Printer = &printers->device();
                MeasurePitchesPrinter();
                // The spooler gives its texts in the Windows code page, as the producing
                // programs read this file.
                out << PrinterListLine(info->comment, info->name, kind);
            } catch (const std::exception& e) {
                m_host.prompts.show(PromptKind::Warning, PromptButtons::Ok,
                                    "Problemi durante elaborazione stampante " + names[i] + ":\n" +
                                        e.what());
            }
        }
    }

    m_bPdf = true;
    try {
        MeasurePitchesPdf();
        out << PrinterListLine("PDF Embedded", "PDF Embedded", 'G');
    } catch (...) {
        out.close();
        throw;
    }
    out.close();

    if (printers) {
        const int count = static_cast<int>(printers->printers().size());
        if (remembered == -1 || (remembered >= 0 && remembered < count)) {
            try {
                printers->setPrinterIndex(remembered);
            } catch (const PrinterError&) {
                // The printer went away meanwhile; the selection stays where the list left it.
            }
        }
    }
    // The devices measured belong to the printer object; the engine is on the PDF target now.
    m_Printer = nullptr;
}

} // namespace spoolar
