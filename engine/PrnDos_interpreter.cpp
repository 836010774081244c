// Control-code interpreter: text runs, box characters, control sequences of PRNCONTR.COD and
// the in-band commands framed by 0xA9.
#include "engine/ColourParameter.h"
#include "engine/PrnDos.h"
#include "platform/PrinterDevice.h"

#include <hpdf.h>

#include <functional>

namespace spoolar {

namespace {
constexpr std::uint8_t kCommandFrame = 0xA9;
constexpr std::size_t kMaxCommand = 511;
constexpr std::size_t kMaxRun = 16383;
constexpr std::size_t kMaxScanLine = 511;

// Restores the pitch flags of the engine (and its font) when the centring scan ends.
class PitchFlagsGuard
{
public:
    PitchFlagsGuard(bool& pica, bool& elite, bool& condensed, std::function<void()> apply)
        : m_pica(pica), m_elite(elite), m_condensed(condensed), m_saved{pica, elite, condensed},
          m_apply(std::move(apply))
    {
    }
    ~PitchFlagsGuard()
    {
        m_pica = m_saved[0];
        m_elite = m_saved[1];
        m_condensed = m_saved[2];
        m_apply();
    }

private:
    bool& m_pica;
    bool& m_elite;
    bool& m_condensed;
    bool m_saved[3];
    std::function<void()> m_apply;
};
} // namespace

bool TPrnDos::IsPrintable(std::uint8_t byte)
{
    if (byte == 0x09)
        return true;
    return byte >= 0x20 && byte != kCommandFrame && !isBoxCharacter(byte);
}

void TPrnDos::InterpretLine(std::string_view line, bool lastLine)
{
    line = line.substr(0, line.find('\0'));
    std::size_t pos = 0;
    std::string run;
    while (pos < line.size()) {
        const auto byte = static_cast<std::uint8_t>(line[pos]);
        if (isBoxCharacter(byte)) {
            RecordCorner(byte);
            StoreCell(byte);
            ++pos;
            continue;
        }
        if (IsPrintable(byte)) {
            run.clear();
            while (pos < line.size() && IsPrintable(static_cast<std::uint8_t>(line[pos]))) {
                if (run.size() < kMaxRun) {
                    if (line[pos] == '\t')
                        run.append(std::min<std::size_t>(8, kMaxRun - run.size()), ' ');
                    else
                        run += line[pos];
                }
                ++pos;
            }
            DrawRun(run, true);
            continue;
        }
        const int index = MatchControl(line, pos);
        const bool endsJob = lastLine && pos + 1 >= line.size();
        ApplyControl(index, endsJob);
        ApplyFont();
        ++pos;
    }
}

int TPrnDos::MatchControl(std::string_view line, std::size_t& pos)
{
    if (static_cast<std::uint8_t>(line[pos]) == kCommandFrame) {
        const std::size_t start = pos + 1;
        const std::size_t close = line.find(static_cast<char>(kCommandFrame), start);
        const std::size_t available =
            (close == std::string_view::npos ? line.size() : close) - start;
        if (available > kMaxCommand) {
            // No closing byte within the limit: the command ends there and the byte after it
            // is dropped.
            ApplyInBandCommand(line.substr(start, kMaxCommand));
            pos = start + kMaxCommand;
            return -1;
        }
        ApplyInBandCommand(line.substr(start, available));
        if (close == std::string_view::npos) {
            // An unclosed command takes the rest of the line.
            pos = line.size() - 1;
            return -1;
        }
        pos = close;
    }
    const ControlCodes::Match match = m_Codes.matchAt(line, pos);
    if (match.index < 0)
        return -1;
    pos += match.length - 1;
    return match.index;
}

void TPrnDos::ApplyInBandCommand(std::string_view command)
{
    if (command.empty())
        return;
    const char letter = command.front();
    const std::string_view parameter = command.substr(1);
    switch (letter) {
    case 'B':
    case 'F':
    case 'S':
    case 'T': {
        const auto colour = parseColourParameter(parameter);
        if (!colour)
            return; // an unknown colour leaves everything as it was
        if (letter == 'F') {
            m_clFont = *colour;
            if (!m_bPdf && m_Canvas)
                m_Canvas->setFontColour(*colour);
            return;
        }
        m_clBack = *colour;
        if (!m_bPdf && m_Canvas)
            m_Canvas->setBrushColour(*colour);
        if (letter == 'B')
            m_bBoxFillPending = true;
        if (letter == 'T')
            DrawBand();
        return;
    }
    case 'H':
        if (m_bHeaderLoaded) {
            if (parameter == "1")
                m_bHeaderOn = true;
            else if (parameter == "0")
                m_bHeaderOn = false;
        } else {
            SelectLetterhead(parameter);
        }
        return;
    case 'C':
        DrawBarcode(parameter);
        return;
    case 'I':
        DrawPicture(parameter);
        return;
    case 'L':
        DrawLabel(parameter);
        return;
    case 'V':
        if (parameter.empty()) {
            m_bTall = true;
            m_bTallLine = true;
        } else if (parameter == "+") {
            m_bTall = true;
            m_bTallLine = false;
        } else {
            m_bTall = false;
            m_bTallLine = false;
        }
        return;
    default:
        // Any other letter does nothing; the command is removed from the stream either way.
        return;
    }
}

void TPrnDos::ApplyControl(int index, bool endsJob)
{
    switch (index) {
    case ControlCodes::kFormFeed:
        if (!endsJob)
            NewPage();
        break;
    case 1:
        m_bPica = true;
        m_bElite = false;
        break;
    case 2:
        m_bElite = true;
        m_bPica = false;
        break;
    case 3:
        m_bItalic = true;
        break;
    case 4:
        m_bItalic = false;
        break;
    case 5:
        m_bCondensed = false;
        break;
    case 6:
        m_bCondensed = true;
        break;
    case 7:
    case 15:
        m_bBold = true;
        break;
    case 8:
    case 16:
        m_bBold = false;
        break;
    case 11:
    case 13:
        m_bDoubleWidth = true;
        break;
    case 12:
    case 14:
        m_bDoubleWidth = false;
        break;
    case 21:
        m_bSuperscript = true;
        break;
    case 22:
        m_bSubscript = true;
        break;
    case 23:
        m_bSuperscript = false;
        m_bSubscript = false;
        break;
    case ControlCodes::kCentring:
        m_bCentred = true;
        if (m_bPdf) {
            m_fLeftOffset = CentreOffsetPdf(m_fWidestLine);
            m_fX = m_fMargin + m_fLeftOffset;
        } else {
            m_iLeftOffset = CentreOffsetPrinter(m_iWidestLine);
            m_iX = m_iMargin + m_iLeftOffset;
            m_iY = m_iMargin;
        }
        break;
    default:
        break; // recognised sequences without effect, or no match
    }
}

// The width of the widest line of the job up to its first form feed, in the target's units,
// as the pitches of the job select them.
double TPrnDos::ScanWidestLine()
{
    PitchFlagsGuard guard(m_bPica, m_bElite, m_bCondensed, [this] { ApplyFont(); });
    bool doubleWidth = false;
    double widest = 0;
    bool endScan = false;
    std::string copy;
    std::string markers;
    for (const std::string& full : m_slLines) {
        std::string_view line(full);
        line = line.substr(0, line.find('\0'));
        line = line.substr(0, kMaxScanLine);
        // Drop the in-band commands (an unclosed one to the end of the line), then every 0xFE.
        copy.clear();
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (static_cast<std::uint8_t>(line[i]) == kCommandFrame) {
                const std::size_t close = line.find(static_cast<char>(kCommandFrame), i + 1);
                if (close == std::string_view::npos)
                    break;
                i = close;
                continue;
            }
            if (static_cast<std::uint8_t>(line[i]) != 0xFE)
                copy += line[i];
        }
        // Reduce to markers: the pitch-changing sequences become index + 1.
        markers.clear();
        for (std::size_t i = 0; i < copy.size();) {
            const ControlCodes::Match match = m_Codes.matchAt(copy, i);
            if (match.index < 0) {
                markers += copy[i];
                ++i;
                continue;
            }
            switch (match.index) {
            case 0:
            case 1:
            case 2:
            case 5:
            case 6:
            case 11:
            case 12:
                markers += static_cast<char>(match.index + 1);
                break;
            default:
                break;
            }
            i += match.length;
        }
        double width = 0;
        for (char marker : markers) {
            switch (marker) {
            case 1:
                endScan = true;
                break;
            case 2:
                m_bPica = true;
                m_bElite = false;
                ApplyFont();
                break;
            case 3:
                m_bElite = true;
                m_bPica = false;
                ApplyFont();
                break;
            case 6:
                m_bCondensed = false;
                ApplyFont();
                break;
            case 7:
                m_bCondensed = true;
                ApplyFont();
                break;
            case 12:
                doubleWidth = true;
                break;
            case 13:
                doubleWidth = false;
                break;
            default: {
                const PITCHMETRICS& m = m_Metrics[static_cast<std::size_t>(m_iPitch)];
                const double cw = m_bPdf ? m.charWidthF : m.charWidth;
                width += doubleWidth ? 2 * cw : cw;
            }
            }
        }
        widest = std::max(widest, width);
        if (endScan)
            break;
    }
    return widest;
}

float TPrnDos::CentreOffsetPdf(float& widestLine)
{
    if (m_fLeftOffset != 0)
        return m_fLeftOffset;
    widestLine = static_cast<float>(ScanWidestLine());
    const float available = HPDF_Page_GetWidth(m_pdfPage) * 8.333333f - 2 * m_fMargin;
    return widestLine < available ? (available - widestLine) / 2 : 0.0f;
}

std::int32_t TPrnDos::CentreOffsetPrinter(std::int32_t& widestLine)
{
    if (m_iLeftOffset != 0)
        return m_iLeftOffset;
    widestLine = static_cast<std::int32_t>(ScanWidestLine());
    const std::int32_t available = m_Printer->pageWidth() - 2 * m_iMargin;
    return widestLine < available ? (available - widestLine) / 2 : 0;
}

} // namespace spoolar
