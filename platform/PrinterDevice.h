#pragma once
#include "platform/Metafile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

enum class Orientation
{
    Portrait,
    Landscape
};

// What the engine reads of a printer driver's default device mode.
struct DeviceMode
{
    int printQuality = 0; // horizontal resolution in dpi (or a negative quality constant)
    int yResolution = 0;  // vertical resolution in dpi; 0 when the driver gives none
};

// The printer the engine draws on: the selected printer of the program, its page geometry in
// dots for the current orientation, and a document made of recorded pages.
class IPrinterDevice
{
public:
    virtual ~IPrinterDevice() = default;

    virtual std::string name() const = 0;
    // The driver's default device mode; nothing when the printer cannot be opened.
    virtual std::optional<DeviceMode> defaultDeviceMode() const = 0;

    virtual void setTitle(std::string_view title) = 0;
    virtual std::string title() const = 0;
    virtual void setOrientation(Orientation orientation) = 0;
    virtual Orientation orientation() const = 0;
    virtual int copies() const = 0;
    virtual void setCopies(int copies) = 0;

    // Printable area of a page in dots, for the current orientation.
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;

    virtual void beginDoc() = 0;
    virtual void newPage() = 0;
    virtual void endDoc() = 0;
    virtual void abortDoc() = 0;
    // Plays a recorded page onto the current printer page at (0, 0).
    virtual void drawPage(const TMetafile& page) = 0;
};

// An A4 printer of 600 dpi with no unprintable margin that keeps what it is given: used for the
// printer target when no real printer is involved, and by tests.
class VirtualPrinter : public IPrinterDevice
{
public:
    struct Document
    {
        std::string title;
        std::vector<TMetafile> pages;
        bool finished = false;
        bool aborted = false;
    };

    explicit VirtualPrinter(std::string name = "Virtual A4 600 dpi", int dpi = 600);

    std::string name() const override { return m_name; }
    std::optional<DeviceMode> defaultDeviceMode() const override;
    void setDeviceMode(std::optional<DeviceMode> mode) { m_mode = mode; }

    void setTitle(std::string_view title) override { m_title = title; }
    std::string title() const override { return m_title; }
    void setOrientation(Orientation o) override { m_orientation = o; }
    Orientation orientation() const override { return m_orientation; }
    int copies() const override { return m_copies; }
    void setCopies(int copies) override { m_copies = copies; }

    int pageWidth() const override;
    int pageHeight() const override;

    void beginDoc() override;
    void newPage() override;
    void endDoc() override;
    void abortDoc() override;
    void drawPage(const TMetafile& page) override;

    const std::vector<Document>& documents() const { return m_documents; }

private:
    std::string m_name;
    int m_dpi;
    std::optional<DeviceMode> m_mode;
    std::string m_title;
    Orientation m_orientation = Orientation::Portrait;
    int m_copies = 1;
    std::vector<Document> m_documents;
    bool m_inDoc = false;
};

} // namespace spoolar
