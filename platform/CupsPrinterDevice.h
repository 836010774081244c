#pragma once
#include "platform/PrinterDevice.h"

#include <QMarginsF>
#include <QPageLayout>

#include <memory>
#include <optional>
#include <string>

class QPainter;
class QPdfWriter;
class QTemporaryFile;

namespace spoolar {

enum class Collation
{
    Uncollated,
    Collated
};

// A CUPS queue as the engine's printer. The pages are played with QPainter onto an A4 PDF
// document at the printer's resolution, whose origin is the top-left corner of the printable
// area (the driver's unprintable margins); when the document ends it goes to the queue as one
// job. Nothing reaches the queue before that, so an aborted document prints nothing, and a job
// that CUPS refuses is reported.
class CupsPrinterDevice : public IPrinterDevice
{
public:
    // resolution: the queue's default (printer-resolution-default); without it the device
    // prints at 600 dpi and reports a device mode with no vertical resolution. a4Margins: the
    // unprintable borders of a portrait A4 sheet in millimetres.
    CupsPrinterDevice(std::string name, std::optional<int> resolution, Collation collation,
                      const QMarginsF& a4Margins);
    ~CupsPrinterDevice() override;

    std::string name() const override { return m_name; }
    std::optional<DeviceMode> defaultDeviceMode() const override;

    void setTitle(std::string_view title) override { m_title = title; }
    std::string title() const override { return m_title; }
    void setOrientation(Orientation orientation) override;
    Orientation orientation() const override { return m_orientation; }
    int copies() const override { return m_copies; }
    void setCopies(int copies) override;
    Collation collation() const { return m_collation; }

    int pageWidth() const override;
    int pageHeight() const override;
    int resolution() const { return m_resolution.value_or(600); }

    void beginDoc() override;
    void newPage() override;
    void endDoc() override;
    void abortDoc() override;
    void drawPage(const TMetafile& page) override;

private:
    // Throws PrinterError when the queue cannot take a job now.
    void checkQueue() const;
    // Sends the rendered document; throws PrinterError when CUPS does not accept it.
    void submit(QTemporaryFile& file);

    std::string m_name;
    std::optional<int> m_resolution;
    Collation m_collation;
    QMarginsF m_a4Margins;
    QPageLayout m_layout;
    std::string m_title;
    Orientation m_orientation = Orientation::Portrait;
    int m_copies = 1;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
};

} // namespace spoolar
