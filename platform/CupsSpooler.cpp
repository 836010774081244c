#include "platform/CupsSpooler.h"

#include "platform/CodePage.h"
#include "platform/CupsPrinterDevice.h"

#include <cups/cups.h>

#include <QMarginsF>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

namespace spoolar {
namespace {

// Bounds of every exchange with the server: an unreachable server fails within the connect
// timeout, a server that stops answering (or answers too slowly) within the operation's time.
constexpr int connectTimeoutMs = 5000;
constexpr auto operationTime = std::chrono::seconds(10);

const char* const collatedKeyword = "separate-documents-collated-copies";
const char* const uncollatedKeyword = "separate-documents-uncollated-copies";

struct IppDelete
{
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// libcups would ask for a password on the terminal when the server wants authentication; we
// never ask: the request fails as refused.
const char* noPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

// A connection to the server whose every operation ends by a deadline. libcups waits in
// slices of a second and asks whether to go on; one request may take several waits (and
// cupsGetDests2 several requests), so the limit is on the whole operation, not on a wait.
class Connection
{
public:
    using Clock = std::chrono::steady_clock;

    static std::unique_ptr<Connection> open()
    {
        cupsSetPasswordCB2(noPassword, nullptr);
        http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                    1, connectTimeoutMs, nullptr);
        if (!http)
            return nullptr;
        return std::unique_ptr<Connection>(new Connection(http));
    }
    ~Connection() { httpClose(m_http); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    http_t* handle() const { return m_http; }
    // Starts the time of a new operation (each write of a long document is one).
    void restartClock() { m_deadline = Clock::now() + operationTime; }

private:
    explicit Connection(http_t* http) : m_http(http)
    {
        restartClock();
        httpSetTimeout(m_http, 1.0, &Connection::keepWaiting, this);
    }
    static int keepWaiting(http_t*, void* self)
    {
        return Clock::now() < static_cast<Connection*>(self)->m_deadline ? 1 : 0;
    }

    http_t* m_http;
    Clock::time_point m_deadline;
};
using Http = std::unique_ptr<Connection>;

Http connectServer()
{
    return Connection::open();
}

bool succeeded(ipp_status_t status)
{
    return status <= IPP_STATUS_OK_CONFLICTING;
}

std::string printerUri(std::string_view name)
{
    char uri[HTTP_MAX_URI];
    const std::string printer(name);
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", printer.c_str());
    return uri;
}

Ipp newPrinterRequest(ipp_op_t op, std::string_view name)
{
    Ipp request(ippNewRequest(op));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(name).c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

// Sends the request (which is consumed) and returns the response when the server accepted it.
Ipp send(http_t* http, Ipp request, const char* resource)
{
    Ipp response(cupsDoRequest(http, request.release(), resource));
    if (!response || !succeeded(ippGetStatusCode(response.get())))
        return nullptr;
    return response;
}

Ipp printerAttributes(http_t* http, std::string_view name,
                      std::initializer_list<const char*> attributes)
{
    if (name.empty())
        return nullptr;
    Ipp request = newPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
    std::vector<const char*> names(attributes);
    ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(names.size()), nullptr, names.data());
    return send(http, std::move(request), "/");
}

std::string stringAttribute(ipp_t* response, const char* name)
{
    ipp_attribute_t* attr = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (!attr)
        return {};
    const char* value = ippGetString(attr, 0, nullptr);
    return value ? value : std::string();
}

int memberInteger(ipp_t* collection, const char* name)
{
    ipp_attribute_t* attr = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    return attr ? ippGetInteger(attr, 0) : 0;
}

// The unprintable borders of a portrait A4 sheet in millimetres, from the sizes the driver
// knows (media-col-database, in hundredths of a millimetre; cupsd takes them from the PPD's
// imageable areas). The bordered variant is preferred to a borderless one; none when the queue
// has no driver.
QMarginsF a4Margins(ipp_t* response)
{
    ipp_attribute_t* database =
        ippFindAttribute(response, "media-col-database", IPP_TAG_BEGIN_COLLECTION);
    std::optional<QMarginsF> borderless;
    for (int i = 0; database && i < ippGetCount(database); ++i) {
        ipp_t* media = ippGetCollection(database, i);
        ipp_attribute_t* sizeAttr = ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION);
        if (!sizeAttr)
            continue;
        ipp_t* size = ippGetCollection(sizeAttr, 0);
        // A4 is 21000 x 29700; drivers round it through points (20990 x 29704).
        if (std::abs(memberInteger(size, "x-dimension") - 21000) > 100 ||
            std::abs(memberInteger(size, "y-dimension") - 29700) > 100)
            continue;
        const QMarginsF margins(memberInteger(media, "media-left-margin") / 100.0,
                                memberInteger(media, "media-top-margin") / 100.0,
                                memberInteger(media, "media-right-margin") / 100.0,
                                memberInteger(media, "media-bottom-margin") / 100.0);
        if (!margins.isNull())
            return margins;
        borderless = margins;
    }
    return borderless.value_or(QMarginsF());
}

// Changes printer attributes of an existing queue. The existence check matters: the same
// operation on an unknown name would create a new queue.
bool modifyPrinter(std::string_view name, const std::function<void(ipp_t*)>& addAttributes)
{
    Http http = connectServer();
    if (!http)
        return false;
    Ipp current = printerAttributes(http->handle(), name, {"printer-name"});
    if (!current)
        return false;
    const std::string printer = stringAttribute(current.get(), "printer-name");
    if (printer.empty())
        return false;
    Ipp request = newPrinterRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, printer);
    addAttributes(request.get());
    return send(http->handle(), std::move(request), "/admin/") != nullptr;
}

// A job on its way: the document request stays open while bytes are written.
class CupsDocument : public IRawDocument
{
public:
    CupsDocument(Http http, std::string printer, int jobId)
        : m_http(std::move(http)), m_printer(std::move(printer)), m_jobId(jobId)
    {
    }
    ~CupsDocument() override
    {
        if (m_state == State::Open)
            abort();
    }

    bool write(std::string_view bytes) override
    {
        if (m_state != State::Open)
            return false;
        if (bytes.empty())
            return true;
        m_http->restartClock();
        if (cupsWriteRequestData(m_http->handle(), bytes.data(), bytes.size()) !=
            HTTP_STATUS_CONTINUE) {
            abort();
            return false;
        }
        return true;
    }

    bool finish() override
    {
        if (m_state != State::Open)
            return m_state == State::Finished;
        m_http->restartClock();
        if (!succeeded(cupsFinishDocument(m_http->handle(), m_printer.c_str()))) {
            abort();
            return false;
        }
        m_state = State::Finished;
        m_http.reset();
        return true;
    }

    void abort() override
    {
        if (m_state != State::Open)
            return;
        m_state = State::Aborted;
        // The document request is half sent: drop that connection and cancel the job on a
        // fresh one, so that nothing of it gets printed.
        m_http.reset();
        if (Http http = connectServer())
            cupsCancelJob2(http->handle(), m_printer.c_str(), m_jobId, 0);
    }

private:
    enum class State
    {
        Open,
        Finished,
        Aborted
    };
    Http m_http;
    std::string m_printer;
    int m_jobId;
    State m_state = State::Open;
};

} // namespace

std::vector<std::string> CupsSpooler::printerNames()
{
    std::vector<std::string> names;
    Http http = connectServer();
    if (!http)
        return names;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http->handle(), &dests);
    for (int i = 0; i < count; ++i) {
        // Instances (lpoptions -p name/instance) are option sets, not printers.
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    }
    cupsFreeDests(count, dests);
    return names;
}

std::optional<std::string> CupsSpooler::defaultPrinter()
{
    Http http = connectServer();
    if (!http)
        return std::nullopt;
    std::optional<std::string> result;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http->handle(), &dests);
    for (int i = 0; i < count && !result; ++i) {
        if (dests[i].is_default)
            result = dests[i].name;
    }
    cupsFreeDests(count, dests);
    if (!result) {
        if (const char* name = cupsGetDefault2(http->handle()))
            result = name;
    }
    return result;
}

std::optional<PrinterInfo> CupsSpooler::printerInfo(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return std::nullopt;
    Ipp response =
        printerAttributes(http->handle(), name,
                          {"printer-name", "printer-info", "printer-make-and-model", "device-uri"});
    if (!response)
        return std::nullopt;

    PrinterInfo info;
    info.name = stringAttribute(response.get(), "printer-name");
    // cupsd gives a queue created without a description its own name as printer-info: that
    // is no comment of the user's.
    const std::string comment = stringAttribute(response.get(), "printer-info");
    if (comment != info.name)
        info.comment = utf8ToAnsi(comment);
    info.driver = utf8ToAnsi(stringAttribute(response.get(), "printer-make-and-model"));
    info.port = utf8ToAnsi(stringAttribute(response.get(), "device-uri"));
    // cupsd names a queue without PPD "Local Raw Printer": it sends the bytes as they are,
    // which is what the Windows generic text driver does.
    if (info.driver.empty() || info.driver == "Local Raw Printer")
        info.driver = genericTextDriver;
    return info;
}

bool CupsSpooler::setComment(std::string_view name, std::string_view comment)
{
    const std::string text = ansiToUtf8(comment);
    return modifyPrinter(name, [&](ipp_t* request) {
        ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, text.c_str());
    });
}

bool CupsSpooler::supportsCollate(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return false;
    // cupsd sets the collate bit of printer-type when the queue's PPD has a Collate option.
    Ipp response = printerAttributes(http->handle(), name, {"printer-type"});
    if (!response)
        return false;
    ipp_attribute_t* type = ippFindAttribute(response.get(), "printer-type", IPP_TAG_ENUM);
    return type && (ippGetInteger(type, 0) & CUPS_PRINTER_COLLATE) != 0;
}

std::optional<bool> CupsSpooler::defaultCollate(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return std::nullopt;
    Ipp response = printerAttributes(http->handle(), name, {"multiple-document-handling-default"});
    if (!response)
        return std::nullopt;
    const std::string handling =
        stringAttribute(response.get(), "multiple-document-handling-default");
    if (handling.empty())
        return std::nullopt;
    return handling != uncollatedKeyword;
}

bool CupsSpooler::acceptsJobs(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return false;
    Ipp response = printerAttributes(http->handle(), name, {"printer-is-accepting-jobs"});
    if (!response)
        return false;
    ipp_attribute_t* accepting =
        ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    return accepting && ippGetBoolean(accepting, 0);
}

bool CupsSpooler::readyForJobs(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return false;
    Ipp response =
        printerAttributes(http->handle(), name, {"printer-is-accepting-jobs", "printer-state"});
    if (!response)
        return false;
    ipp_attribute_t* accepting =
        ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
    return accepting && ippGetBoolean(accepting, 0) &&
           (!state || ippGetInteger(state, 0) != IPP_PSTATE_STOPPED);
}

bool CupsSpooler::setDefaultCollate(std::string_view name, bool collate)
{
    return modifyPrinter(name, [&](ipp_t* request) {
        ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_KEYWORD,
                     "multiple-document-handling-default", nullptr,
                     collate ? collatedKeyword : uncollatedKeyword);
    });
}

std::unique_ptr<IRawDocument> CupsSpooler::startRawDocument(std::string_view name,
                                                            std::string_view title)
{
    return startDocument(name, title, CUPS_FORMAT_RAW, {});
}

std::unique_ptr<IRawDocument> CupsSpooler::startDocument(std::string_view name,
                                                         std::string_view title, const char* format,
                                                         const JobOptions& options)
{
    if (name.empty())
        return nullptr;
    Http http = connectServer();
    if (!http)
        return nullptr;
    const std::string printer(name);
    const std::string jobName = ansiToUtf8(title);

    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [option, value] : options)
        count = cupsAddOption(option.c_str(), value.c_str(), count, &cupsOptions);
    const int jobId =
        cupsCreateJob(http->handle(), printer.c_str(), jobName.c_str(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (jobId <= 0)
        return nullptr;

    if (cupsStartDocument(http->handle(), printer.c_str(), jobId, jobName.c_str(), format, 1) !=
        HTTP_STATUS_CONTINUE) {
        http.reset();
        if (Http other = connectServer())
            cupsCancelJob2(other->handle(), printer.c_str(), jobId, 0);
        return nullptr;
    }
    return std::make_unique<CupsDocument>(std::move(http), printer, jobId);
}

std::unique_ptr<IPrinterDevice> CupsSpooler::openDevice(std::string_view name)
{
    Http http = connectServer();
    if (!http)
        return nullptr;
    Ipp response = printerAttributes(http->handle(), name,
                                     {"printer-name", "printer-resolution-default",
                                      "multiple-document-handling-default", "media-col-database"});
    if (!response)
        return nullptr;
    const std::string printer = stringAttribute(response.get(), "printer-name");
    if (printer.empty())
        return nullptr;

    std::optional<int> resolution;
    if (ipp_attribute_t* attr =
            ippFindAttribute(response.get(), "printer-resolution-default", IPP_TAG_RESOLUTION)) {
        ipp_res_t units = IPP_RES_PER_INCH;
        int yres = 0;
        int xres = ippGetResolution(attr, 0, &yres, &units);
        if (units == IPP_RES_PER_CM)
            xres = static_cast<int>(xres * 2.54 + 0.5);
        if (xres > 0)
            resolution = xres;
    }
    const bool collate =
        stringAttribute(response.get(), "multiple-document-handling-default") != uncollatedKeyword;
    return std::make_unique<CupsPrinterDevice>(
        printer, resolution, collate ? Collation::Collated : Collation::Uncollated,
        a4Margins(response.get()));
}

} // namespace spoolar
