#pragma once
#include "platform/PrinterDevice.h"

#include <memory>
#include <optional>
#include <string>

class QPainter;
class QPrinter;
class QTemporaryFile;

namespace spoolar {

enum class Collation
{
    Uncollated,
    Collated
};

// A CUPS queue as the engine's printer: pages are played onto a QPrinter in high resolution
// with the queue's A4 page layout (its unprintable margins from the driver); the document is
// rendered to a PDF file and sent to the queue as one job when it ends, so that an aborted
// document prints nothing and a refused job is known. The origin of a page is the top-left
// corner of the printable area.
class CupsPrinterDevice : public IPrinterDevice
{
public:
    // The queue's default resolution (printer-resolution-default) when it has one; without it
    // the device prints at 600 dpi and reports a device mode with no vertical resolution.
    // Null when Qt does not know the queue.
    static std::unique_ptr<CupsPrinterDevice>
    open(const std::string& name, std::optional<int> resolution, Collation collation);
    ~CupsPrinterDevice() override;

    std::string name() const override { return m_name; }
    std::optional<DeviceMode> defaultDeviceMode() const override;

    void setTitle(std::string_view title) override;
    std::string title() const override { return m_title; }
    void setOrientation(Orientation orientation) override;
    Orientation orientation() const override { return m_orientation; }
    int copies() const override { return m_copies; }
    void setCopies(int copies) override;
    Collation collation() const { return m_collation; }

    int pageWidth() const override;
    int pageHeight() const override;
    int resolution() const;

    void beginDoc() override;
    void newPage() override;
    void endDoc() override;
    void abortDoc() override;
    void drawPage(const TMetafile& page) override;

private:
    CupsPrinterDevice(std::string name, std::optional<int> resolution, Collation collation,
                      std::unique_ptr<QPrinter> printer);
    // Throws PrinterError when the queue cannot take a job now.
    void checkQueue() const;
    // Sends the rendered document; throws PrinterError when CUPS does not accept it.
    void submit(QTemporaryFile& file);

    std::string m_name;
    std::optional<int> m_resolution;
    Collation m_collation;
    std::string m_title;
    Orientation m_orientation = Orientation::Portrait;
    int m_copies = 1;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QPainter> m_painter;
};

} // namespace spoolar
