#include "app/PrinterTable.h"

#include "platform/Prompts.h"
#include "platform/Spooler.h"

#include <cctype>
#include <fstream>

namespace spoolar {

namespace {
std::string trimmed(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::string quotedField(const std::string& field)
{
    bool needsQuotes = false;
    for (char c : field) {
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"')
            needsQuotes = true;
    }
    if (!needsQuotes)
        return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}
} // namespace

PrinterTable::Build PrinterTable::build(PrinterObject& printers, IPrompts& prompts)
{
    Build result;
    result.rows.push_back(pdfRow());
    const int remembered = printers.printerIndex();
    const std::vector<std::string> names = printers.refresh();
    if (names.empty()) {
        prompts.show(PromptKind::Error, PromptButtons::Ok, "Nessuna stampante definita!");
        return result;
    }
    int failed = -2;
    for (std::size_t i = 0; i < names.size(); ++i) {
        try {
            printers.setPrinterIndex(static_cast<int>(i));
            const auto info = printers.spooler().printerInfo(names[i]);
            if (!info) {
                prompts.show(PromptKind::Error, PromptButtons::Ok,
                             "Errore durante lettura nomi stampanti Windows!\nTerminare il "
                             "programma e rilanciarlo.");
                break;
            }
            PrinterRow row;
            row.kind = isTextOnlyDriver(info->driver) ? "T" : "G";
            row.userName = info->comment;
            row.model = info->name;
            row.port = info->port;
            if (info->comment.empty())
                result.allNamed = false;
            result.rows.push_back(std::move(row));
        } catch (const std::exception&) {
            failed = static_cast<int>(i);
            result.rows.push_back(PrinterRow{"", names[i], "", ""});
        }
    }
    // Back to the printer selected before, unless it is the one that failed or is gone.
    const int count = static_cast<int>(names.size());
    int restore = remembered;
    if (failed == -2 && (remembered < -1 || remembered >= count))
        restore = 0;
    if (failed != -2 && remembered == failed)
        restore = 0;
    try {
        printers.setPrinterIndex(restore);
    } catch (const std::exception&) {
        // The selection stays on the last printer read.
    }
    return result;
}

std::string PrinterTable::cacheLine(const PrinterRow& row)
{
    return quotedField(row.userName) + ',' + quotedField(row.model) + ',' + quotedField(row.port) +
           ',' + quotedField(row.kind);
}

std::vector<std::string> PrinterTable::splitCacheLine(std::string_view line)
{
    // Fields are separated by commas and, outside quotes, by blanks; "" inside quotes is ".
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    auto skipBlanks = [&] {
        while (i < n && static_cast<unsigned char>(line[i]) <= ' ')
            ++i;
    };
    skipBlanks();
    if (i >= n)
        return fields;
    for (;;) {
        std::string field;
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            while (i < n && line[i] != ',' && static_cast<unsigned char>(line[i]) > ' ')
                field += line[i++];
        }
        fields.push_back(std::move(field));
        skipBlanks();
        if (i < n && line[i] == ',') {
            ++i;
            skipBlanks();
            if (i >= n) {
                fields.emplace_back();
                return fields;
            }
            continue;
        }
        if (i >= n)
            return fields;
    }
}

bool PrinterTable::saveCache(const std::filesystem::path& file, const std::vector<PrinterRow>& rows)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    for (const PrinterRow& row : rows) {
        if (trimmed(row.model).empty())
            continue;
        out << cacheLine(row) << "\r\n";
    }
    return static_cast<bool>(out);
}

std::optional<std::vector<PrinterRow>> PrinterTable::loadCache(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<PrinterRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> f = splitCacheLine(line);
        PrinterRow row;
        if (f.size() > 0)
            row.userName = f[0];
        if (f.size() > 1)
            row.model = f[1];
        if (f.size() > 2)
            row.port = f[2];
        if (f.size() > 3)
            row.kind = f[3];
        rows.push_back(std::move(row));
    }
    return rows;
}

NamingResult setPrinterUserName(ISpooler& spooler, IPrompts& prompts, std::string_view printer,
                                std::string_view userName,
                                const std::function<void()>& restartElevated)
{
    if (spooler.setComment(printer, userName))
        return NamingResult::Named;
    const PromptAnswer answer = prompts.show(
        PromptKind::Warning, PromptButtons::OkCancel,
        "L'assegnazione del nome alla stampante selezionata\nrichiede privilegi di "
        "amministratore.\n\nPremere <OK> per riavviare Spoolar con i privilegi\nappropriati per "
        "portare a termine lelaborazione.");
    if (answer != PromptAnswer::Ok)
        return NamingResult::Refused;
    if (restartElevated)
        restartElevated();
    return NamingResult::RestartRequested;
}

} // namespace spoolar
