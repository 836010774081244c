#pragma once
#include "platform/PrinterDevice.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// What the Windows spooler tells of a printer at level 2.
struct PrinterInfo
{
    std::string name;
    std::string comment; // the user name the producing programs know the printer by
    std::string driver;  // "Generic / Text Only" for a raw queue
    std::string port;
};

// A document of raw bytes on its way to a printer, sent as they are.
class IRawDocument
{
public:
    virtual ~IRawDocument() = default;
    virtual bool write(std::string_view bytes) = 0;
    // Closes the document; true when the spooler accepted it.
    virtual bool finish() = 0;
    virtual void abort() = 0;
};

// The printer spooler of the host: the installed printers, their settings, raw documents.
class ISpooler
{
public:
    virtual ~ISpooler() = default;

    // The installed printers in the spooler's order; refreshed on every call.
    virtual std::vector<std::string> printerNames() = 0;
    // The default printer; nothing when there is none.
    virtual std::optional<std::string> defaultPrinter() = 0;
    // Level-2 information; nothing when the printer cannot be opened.
    virtual std::optional<PrinterInfo> printerInfo(std::string_view name) = 0;
    // Replaces the comment (empty clears it). False when the spooler refuses, e.g. the user
    // may not administer printers.
    virtual bool setComment(std::string_view name, std::string_view comment) = 0;
    // Whether the driver supports collation, and its default.
    virtual bool supportsCollate(std::string_view name) = 0;
    virtual bool setDefaultCollate(std::string_view name, bool collate) = 0;
    // Starts a raw document; null when the printer cannot be opened.
    virtual std::unique_ptr<IRawDocument> startRawDocument(std::string_view name,
                                                           std::string_view title) = 0;
    // Whether the printer takes and prints jobs now: it accepts jobs and is not stopped.
    virtual bool readyForJobs(std::string_view name) = 0;
    // A device for printing pages on the named printer; null when it cannot be opened.
    virtual std::unique_ptr<IPrinterDevice> openDevice(std::string_view name) = 0;
};

// The program-wide printer object: the printer list, the selected printer (index -1 is the
// default printer) and the device that prints on it.
class PrinterObject
{
public:
    explicit PrinterObject(ISpooler& spooler);

    ISpooler& spooler() { return m_spooler; }
    // Reads the printer list again.
    const std::vector<std::string>& refresh();
    const std::vector<std::string>& printers() const { return m_printers; }
    int printerIndex() const { return m_index; }
    // Selects printer i (-1: the default printer); throws PrinterError when it cannot be opened.
    void setPrinterIndex(int index);
    // Selects the printer whose name equals the given one without regard to case; an unknown
    // name selects the default printer. Throws PrinterError when there is no printer at all.
    void selectByName(std::string_view name);
    // selectByName for a job: also fails (PrinterError) when the printer is stopped or
    // refuses jobs, so that a job is not handed to a printer that cannot print it.
    void selectForJob(std::string_view name);
    // The selected printer's name, and its device.
    std::string currentName() const;
    IPrinterDevice& device();

private:
    ISpooler& m_spooler;
    std::vector<std::string> m_printers;
    int m_index = -1;
    std::string m_currentName;
    std::unique_ptr<IPrinterDevice> m_device;
};

// A driver of the generic text-only kind ("Generic / Text Only"): its jobs go to the printer
// raw, and the printer list marks it "T".
bool isTextOnlyDriver(std::string_view driver);

// Errors of printers: no printer, a printer that cannot be opened, printing that failed.
class PrinterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace spoolar
